#include "tools/lmap_writer.h"

#include <algorithm>

#include "tools/byte_writer.h"

namespace kv::tools {

namespace {

void put_le32(std::vector<uint8_t>& out, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

int32_t lmap_writer::add_filled(int32_t side, uint8_t value) {
    const std::size_t n = side > 0 ? static_cast<std::size_t>(side) * static_cast<std::size_t>(side) : 0;
    return add(side, std::vector<uint8_t>(n, value));
}

int32_t lmap_writer::add(int32_t side, std::vector<uint8_t> texels) {
    images_.push_back({side, std::move(texels), std::nullopt, std::nullopt});
    return static_cast<int32_t>(images_.size() - 1);
}

std::vector<uint8_t> lmap_writer::finish() const {
    std::vector<uint8_t> out(magic.begin(), magic.end());
    out.insert(out.end(), version.begin(), version.end());
    put_le32(out, count_override.value_or(static_cast<int32_t>(images_.size())));
    int32_t offset = 0;
    for (const lmap_writer_image& image : images_) {
        put_le32(out, image.offset_override.value_or(offset));
        put_le32(out, image.side_override.value_or(image.side));
        offset += static_cast<int32_t>(image.texels.size());
    }
    for (const lmap_writer_image& image : images_)
        out.insert(out.end(), image.texels.begin(), image.texels.end());
    out.resize(out.size() - std::min(truncate, out.size()));
    return out;
}

bool lmap_writer::write(const std::filesystem::path& path) const {
    return write_file(path, finish());
}

}  // namespace kv::tools
