#pragma once
// Pre-compressed textures: DDS files of DXT1, DXT3 or DXT5 blocks with their mip levels, level 0
// first. A file is taken only when its header is whole and consistent: a known FourCC, sides from 1
// to the largest the device takes, and the bytes of every level present.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// The OpenGL names of the three block formats.
inline constexpr uint32_t kDdsFormatDxt1 = 0x83F1;  // GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
inline constexpr uint32_t kDdsFormatDxt3 = 0x83F2;
inline constexpr uint32_t kDdsFormatDxt5 = 0x83F3;
inline constexpr std::size_t kDdsHeaderSize = 128;  // "DDS " and the 124-byte description

struct dds_image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t components = 0;  // 3 for DXT1, 4 otherwise
    uint32_t format = 0;
    int32_t mip_count = 0;      // the levels the data holds (at least 1)
    std::vector<uint8_t> data;  // every level, level 0 first
};

// The bytes of one level: 8 a 4 x 4 block for DXT1, 16 for the others.
std::size_t dds_level_size(uint32_t format, int32_t width, int32_t height);
// Each level's width and height, from level 0 down: halved each time, a side of 0 taken as 1, and
// no further level once both would be 0.
struct dds_level {
    int32_t width;
    int32_t height;
    std::size_t offset;
    std::size_t size;
};
std::vector<dds_level> dds_levels(const dds_image& image);

// Reads a DDS file from its bytes; false, with `why` saying what is wrong, for a file that is not
// one or does not hold what its header says, or whose sides exceed `max_side`.
bool dds_parse(const uint8_t* bytes, std::size_t size, int32_t max_side, dds_image& out, std::string* why);

}  // namespace kv
