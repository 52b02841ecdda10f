#include "gfx/dds_file.h"

#include <cstring>

namespace kv {
namespace {

uint32_t u32_at(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Offsets from the start of the file (the description starts at 4).
constexpr std::size_t kHeightAt = 4 + 8;
constexpr std::size_t kWidthAt = 4 + 12;
constexpr std::size_t kMipCountAt = 4 + 24;
constexpr std::size_t kFourCcAt = 4 + 80;
// More levels than a side of 2^31 can have is no real chain.
constexpr uint32_t kMaxLevels = 32;

std::vector<dds_level> levels_of(uint32_t format, int32_t width, int32_t height, int32_t count) {
    std::vector<dds_level> out;
    std::size_t offset = 0;
    int32_t w = width;
    int32_t h = height;
    for (int32_t level = 0; level < (count < 1 ? 1 : count); ++level) {
        if (w == 0 && h == 0) break;
        if (w == 0) w = 1;
        if (h == 0) h = 1;
        const std::size_t size = dds_level_size(format, w, h);
        out.push_back({w, h, offset, size});
        offset += size;
        w /= 2;
        h /= 2;
    }
    return out;
}

}  // namespace

std::size_t dds_level_size(uint32_t format, int32_t width, int32_t height) {
    const std::size_t blocks =
        static_cast<std::size_t>((width + 3) / 4) * static_cast<std::size_t>((height + 3) / 4);
    return blocks * (format == kDdsFormatDxt1 ? 8 : 16);
}

std::vector<dds_level> dds_levels(const dds_image& image) {
    return levels_of(image.format, image.width, image.height, image.mip_count);
}

bool dds_parse(const uint8_t* bytes, std::size_t size, int32_t max_side, dds_image& out, std::string* why) {
    auto fail = [why](const char* text) {
        if (why != nullptr) *why = text;
        return false;
    };
    if (bytes == nullptr || size < 4 || std::memcmp(bytes, "DDS ", 4) != 0) return fail("not a DDS file");
    if (size < kDdsHeaderSize) return fail("short header");
    uint32_t format = 0;
    int32_t components = 4;
    if (std::memcmp(bytes + kFourCcAt, "DXT1", 4) == 0) {
        format = kDdsFormatDxt1;
        components = 3;
    } else if (std::memcmp(bytes + kFourCcAt, "DXT3", 4) == 0) {
        format = kDdsFormatDxt3;
    } else if (std::memcmp(bytes + kFourCcAt, "DXT5", 4) == 0) {
        format = kDdsFormatDxt5;
    } else {
        return fail("unknown FourCC");
    }
    const uint32_t width = u32_at(bytes + kWidthAt);
    const uint32_t height = u32_at(bytes + kHeightAt);
    uint32_t mip_count = u32_at(bytes + kMipCountAt);
    if (width == 0 || height == 0) return fail("empty image");
    if (max_side < 1 || width > static_cast<uint32_t>(max_side) || height > static_cast<uint32_t>(max_side)) {
        return fail("sides above the largest texture");
    }
    if (mip_count > kMaxLevels) return fail("too many mip levels");
    if (mip_count == 0) mip_count = 1;
    const std::vector<dds_level> levels = levels_of(
        format, static_cast<int32_t>(width), static_cast<int32_t>(height), static_cast<int32_t>(mip_count));
    const std::size_t data_size = levels.back().offset + levels.back().size;
    if (size - kDdsHeaderSize < data_size) return fail("short image data");
    out.width = static_cast<int32_t>(width);
    out.height = static_cast<int32_t>(height);
    out.components = components;
    out.format = format;
    out.mip_count = static_cast<int32_t>(levels.size());
    out.data.assign(bytes + kDdsHeaderSize, bytes + kDdsHeaderSize + data_size);
    return true;
}

}  // namespace kv
