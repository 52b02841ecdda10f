#pragma once
// Writes 8-bit Targa images: the hit maps, and greyscale pictures of light-map pages that common image
// viewers open. Uncompressed grey (type 3) or colour-mapped (type 1), rows stored from the top or from
// the bottom.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kv::tools {

struct targa8_spec {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> texels;  // rows from the top
    bool colour_mapped = false;   // type 1 with a 256-entry grey map of 24-bit entries
    bool top_first = true;        // the origin bit; false stores the bottom row first
    uint8_t bits = 8;             // written as given, for damaged files
};
std::vector<uint8_t> targa8(const targa8_spec& shape);

// A grey image of width x height texels, rows from the top.
std::vector<uint8_t> targa_grey(int32_t width, int32_t height, const uint8_t* texels);
bool targa_write_grey(const std::filesystem::path& path, int32_t width, int32_t height,
                      const uint8_t* texels);

}  // namespace kv::tools
