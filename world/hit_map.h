#pragma once
// Hit maps: three 8-bit images ("hitmap0" to "hitmap2") that give the zone of a hit on a player's
// body, read from the face's texture coordinates. They load once at start-up from Targa files of
// 8 bits per pixel (uncompressed grey, type 3, or colour-mapped, type 1, whose index is the zone); a
// missing or bad file leaves its map empty, and an empty map gives zone 0.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct server;

inline constexpr int kHitMapCount = 3;

// An image of one byte per texel, rows from the top.
struct image8 {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> texels;
};

// With m the smaller side: the texel at column int(u m) mod width, row int(v m) mod height; negative
// coordinates wrap the same way. 0 for an empty image or coordinates that are not finite.
uint8_t image8_sample(const image8& image, float u, float v);

// Reads an 8-bit Targa image from memory; false with the reason in `error` for anything else.
bool hit_map_read_targa(const uint8_t* data, std::size_t size, image8& out, std::string& error);

// The process-wide hit maps.
std::array<image8, kHitMapCount>& hit_maps();
// Hit map n, or null for a number outside 0..2.
const image8* hit_map_get(int32_t n);

// Start-up: hit map i is read from "hitmap<i>.tga" in the texture directory, or else in the data
// directory (or the archives, through `server_open_file`). A failure is logged and leaves that map
// empty. Returns the number of maps loaded.
int server_load_hit_maps(server& srv);

}  // namespace kv
