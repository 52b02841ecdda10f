#include "tools/byte_writer.h"

#include <fstream>
#include <system_error>

#include "util/byte_order.h"

namespace kv::tools {

void put_u8(byte_writer& out, uint8_t v) {
    out.bytes.push_back(v);
}

void put_u16(byte_writer& out, uint16_t v) {
    uint8_t b[2];
    be_store_u16(b, v);
    put_bytes(out, b, sizeof b);
}

void put_u32(byte_writer& out, uint32_t v) {
    uint8_t b[4];
    be_store_u32(b, v);
    put_bytes(out, b, sizeof b);
}

void put_f32(byte_writer& out, float v) {
    uint8_t b[4];
    be_store_f32(b, v);
    put_bytes(out, b, sizeof b);
}

void put_bytes(byte_writer& out, const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    out.bytes.insert(out.bytes.end(), p, p + n);
}

void put_bytes(byte_writer& out, const std::vector<uint8_t>& data) {
    out.bytes.insert(out.bytes.end(), data.begin(), data.end());
}

void put_string(byte_writer& out, std::string_view text) {
    put_u16(out, static_cast<uint16_t>(text.size()));
    put_bytes(out, text.data(), text.size());
}

bool write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

}  // namespace kv::tools
