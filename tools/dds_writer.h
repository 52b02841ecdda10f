#pragma once
// Writes DDS files of DXT1, DXT3 or DXT5 blocks with their mip levels, from an RGBA image. Each
// 4 x 4 block takes the mean colour of its texels (both end colours the same), and DXT3/DXT5 keep
// each texel's alpha (4 bits) or the block's mean alpha: plain, but the files are real ones that
// any reader and GL decode. Mip levels are box-filtered halves.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

struct dds_desc {
    std::string four_cc = "DXT1";  // "DXT1", "DXT3", "DXT5", or anything for damaged files
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mip_levels = 1;    // written to the header as given; 0 writes one level
    std::vector<uint8_t> rgba;  // width x height texels, rows from the top
    int32_t cut_bytes = 0;      // bytes left off the end (damaged files)
};
std::vector<uint8_t> dds_file(const dds_desc& desc);

// An RGBA image of one colour.
std::vector<uint8_t> dds_solid_rgba(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b,
                                    uint8_t a = 255);

}  // namespace kv::tools
