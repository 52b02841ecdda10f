#pragma once
// Light-map binding of one light-mapped mesh of a sector: per-vertex colours, light-map
// coordinates and light-map ids, read with the sector; the texture of each vertex's light-map page
// is filled in after the level's light maps are packed.
//
// Stream form (its own chunk): u16 n, n x (u8 red, green, blue): the vertex colours; u32 n,
// n x (f32 u, v): the coordinates; u32 n, n x u32: the ids; u32 n, n x (u8 red, green, blue):
// the second vertex colours.

#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

struct package_read_context;
struct texture;

struct lmap_binding {
    std::vector<uint8_t> colours;    // red, green, blue, 0 per vertex
    std::vector<uint8_t> colours2;   // the same layout, read by the renderer
    std::vector<float> coords;       // u, v per vertex
    std::vector<int32_t> ids;        // negative: no light map
    std::vector<texture*> textures;  // one per id, null until filled
};

// Builds a binding from the chunk of the stream's current id.
std::unique_ptr<lmap_binding> lmap_binding_read(package_read_context& ctx);

inline std::vector<float>& lmap_binding_array3(lmap_binding& binding) {
    return binding.coords;
}

}  // namespace kv
