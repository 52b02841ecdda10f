#pragma once
// Writes Targa images: 8-bit hit maps and greyscale pictures of light-map pages that common image
// viewers open (uncompressed grey, type 3, or colour-mapped, type 1), and 24- or 32-bit colour
// textures (uncompressed true colour, type 2); rows stored from the top or from the bottom.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kv::tools {

struct targa8_desc {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> texels;  // rows from the top
    bool colour_mapped = false;   // type 1 with a 256-entry grey map of 24-bit entries
    bool top_first = true;        // the origin bit; false stores the bottom row first
    uint8_t bits = 8;             // written as given, for damaged files
};
std::vector<uint8_t> targa8(const targa8_desc& shape);

// A grey image of width x height texels, rows from the top.
std::vector<uint8_t> targa_grey(int32_t width, int32_t height, const uint8_t* texels);
bool targa_write_grey(const std::filesystem::path& path, int32_t width, int32_t height,
                      const uint8_t* texels);

struct targa_colour_desc {
    uint16_t width = 0;
    uint16_t height = 0;
    bool alpha = false;           // 32 bits a pixel (red, green, blue, alpha), else 24 (red, green, blue)
    std::vector<uint8_t> texels;  // rows from the top, 3 or 4 bytes a texel
    bool top_first = true;        // the origin bit; false stores the bottom row first
};
// Stored as blue, green, red (and alpha); the descriptor carries 8 alpha bits for 32-bit images.
std::vector<uint8_t> targa_colour(const targa_colour_desc& shape);

}  // namespace kv::tools
