#include "tools/targa_writer.h"

#include "tools/byte_writer.h"

namespace kv::tools {

namespace {

constexpr uint8_t kTargaGrey = 3;
constexpr uint8_t kTargaBits = 8;
constexpr uint8_t kTargaTopDown = 0x20;  // descriptor bit 5: the first row is the top one

void put_le16(std::vector<uint8_t>& out, int32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

std::vector<uint8_t> targa_grey(int32_t width, int32_t height, const uint8_t* texels) {
    std::vector<uint8_t> out = {0, 0, kTargaGrey, 0, 0, 0, 0, 0};  // no id, no colour map
    put_le16(out, 0);                                              // origin
    put_le16(out, 0);
    put_le16(out, width);
    put_le16(out, height);
    out.push_back(kTargaBits);
    out.push_back(kTargaTopDown);
    if (width > 0 && height > 0 && texels)
        out.insert(out.end(), texels,
                   texels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return out;
}

bool targa_write_grey(const std::filesystem::path& path, int32_t width, int32_t height,
                      const uint8_t* texels) {
    return write_file(path, targa_grey(width, height, texels));
}

}  // namespace kv::tools
