#include "tools/token_writer.h"

namespace kv::tools {
namespace {

enum : uint8_t {
    kTagInt8 = 0,
    kTagInt16 = 1,
    kTagInt32 = 2,
    kTagFloat = 3,
    kTagString8 = 4,
    kTagString16 = 5
};
constexpr std::size_t kString8Max = 127;

}  // namespace

token_writer& token_writer::int8(int8_t v) {
    put_u8(items_, kTagInt8);
    put_u8(items_, static_cast<uint8_t>(v));
    ++count_;
    return *this;
}

token_writer& token_writer::int16(int16_t v) {
    put_u8(items_, kTagInt16);
    put_u16(items_, static_cast<uint16_t>(v));
    ++count_;
    return *this;
}

token_writer& token_writer::int32(int32_t v) {
    put_u8(items_, kTagInt32);
    put_u32(items_, static_cast<uint32_t>(v));
    ++count_;
    return *this;
}

token_writer& token_writer::integer(int32_t v) {
    if (v >= INT8_MIN && v <= INT8_MAX) return int8(static_cast<int8_t>(v));
    if (v >= INT16_MIN && v <= INT16_MAX) return int16(static_cast<int16_t>(v));
    return int32(v);
}

token_writer& token_writer::number(float v) {
    put_u8(items_, kTagFloat);
    put_f32(items_, v);
    ++count_;
    return *this;
}

token_writer& token_writer::str(std::string_view text) {
    return text.size() <= kString8Max ? str8(text) : str16(text);
}

token_writer& token_writer::str8(std::string_view text) {
    put_u8(items_, kTagString8);
    put_u8(items_, static_cast<uint8_t>(text.size()));
    put_bytes(items_, text.data(), text.size());
    ++count_;
    return *this;
}

token_writer& token_writer::str16(std::string_view text) {
    put_u8(items_, kTagString16);
    put_string(items_, text);
    ++count_;
    return *this;
}

token_writer& token_writer::other(uint8_t tag, uint8_t byte) {
    put_u8(items_, tag);
    put_u8(items_, byte);
    ++count_;
    return *this;
}

std::vector<uint8_t> token_writer::bytes() const {
    return bytes_with_count(static_cast<uint16_t>(count_));
}

std::vector<uint8_t> token_writer::bytes_with_count(uint16_t count) const {
    byte_writer out;
    put_u16(out, count);
    put_bytes(out, items_.bytes);
    return out.bytes;
}

}  // namespace kv::tools
