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

// Any uncompressed variant the texture loader reads, and damaged ones: the texels (rows from the
// top, 1, 3 or 4 bytes a texel as red, green, blue, alpha) are stored as blue, green, red, alpha in
// the row order that the origin bit and the interleave give.
struct targa_desc {
    uint8_t type = 2;  // 2 true colour, 3 grey; other values written as given
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bits = 24;  // 8, 24 or 32; other values written as given, texels then as 1 byte
    std::vector<uint8_t> texels;
    bool top_first = true;          // the origin bit; false stores the bottom row first
    uint8_t interleave = 1;         // 1, 2 or 4 (descriptor bits 6-7: 0, 2, 3)
    uint8_t alpha_bits = 0;         // descriptor bits 0-3
    std::vector<uint8_t> id_field;  // written after the header
    uint16_t map_length = 0;        // a colour map of that many entries (type 1 map), all 0
    uint8_t map_entry_bits = 0;     // bits an entry, stored in whole bytes
    std::vector<uint8_t> trailer;   // appended after the pixels (a footer, say)
};
std::vector<uint8_t> targa(const targa_desc& shape);

}  // namespace kv::tools
