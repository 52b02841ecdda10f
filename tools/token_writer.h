#pragma once
// Writes token lists: a 16-bit item count, then items of a tag byte and a big-endian value.
//
//   tag 0: int8   tag 1: int16   tag 2: int32   tag 3: float
//   tag 4: string with a one-byte length   tag 5: string with a two-byte length
//   any other tag: one byte
//
// Descriptions lay their parameters out as a key (a string ending in ':') followed by its values:
//   token_writer().key("cb:").integer(100).key("name:").str("door").bytes()

#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/byte_writer.h"

namespace kv::tools {

class token_writer {
public:
    token_writer& int8(int8_t v);
    token_writer& int16(int16_t v);
    token_writer& int32(int32_t v);
    // The smallest integer tag that holds the value.
    token_writer& integer(int32_t v);
    token_writer& number(float v);
    // Tag 4 when the text fits a one-byte length (at most 127 bytes), else tag 5.
    token_writer& str(std::string_view text);
    token_writer& str8(std::string_view text);
    token_writer& str16(std::string_view text);
    token_writer& key(std::string_view key) { return str(key); }
    // An item of a tag the format does not know, with its one byte.
    token_writer& other(uint8_t tag, uint8_t byte);

    int count() const { return count_; }
    // The list as stored: item count, then the items.
    std::vector<uint8_t> bytes() const;
    // The same items under a count of one's choosing (for damaged lists).
    std::vector<uint8_t> bytes_with_count(uint16_t count) const;

private:
    byte_writer items_;
    int count_ = 0;
};

}  // namespace kv::tools
