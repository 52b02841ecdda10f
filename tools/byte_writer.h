#pragma once
// Big-endian byte building for the data writers: every value goes out most significant byte first.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kv::tools {

struct byte_writer {
    std::vector<uint8_t> bytes;
};

void put_u8(byte_writer& out, uint8_t v);
void put_u16(byte_writer& out, uint16_t v);
void put_u32(byte_writer& out, uint32_t v);
void put_f32(byte_writer& out, float v);
void put_bytes(byte_writer& out, const void* data, std::size_t n);
void put_bytes(byte_writer& out, const std::vector<uint8_t>& data);
// A counted string: 16-bit length, then the bytes, no terminator.
void put_string(byte_writer& out, std::string_view text);

// Writes the bytes to a new file (replacing an old one); creates missing parent folders.
bool write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace kv::tools
