#pragma once
// The light-map side of a light-mapped mesh: per-vertex colours, light-map coordinates and
// light-map ids, and the page textures filled in after loading. The page packing writes the ids
// and coordinates of the faces it places.
//
// Stream form (its own chunk): u16 n, n x (u8 red, green, blue): the vertex colours; u32 n,
// n x (f32 u, v): the coordinates; u32 n, n x u32: the ids; u32 n, n x (u8 red, green, blue):
// the second vertex colours.

#include <cstdint>
#include <memory>
#include <vector>

#include "util/affine2.h"

namespace kv {

struct package_read_context;
struct texture;

struct lmap_uv {
    float u;
    float v;
};

struct lmap_binding {
    std::vector<uint8_t> colours;   // red, green, blue, 0 per vertex
    std::vector<uint8_t> colours2;  // the same layout, read by the renderer
    std::vector<lmap_uv> coords;
    std::vector<int32_t> ids;  // negative: no light map
    std::vector<texture*> textures;
};

// Builds a binding from the chunk of the stream's current id.
std::unique_ptr<lmap_binding> lmap_binding_read(package_read_context& ctx);

// The three vertices of the face move to page `page`; a face whose first vertex has no light map
// first gets the coordinates (0.5, 0.5). Vertex indices outside the arrays are left alone.
void lmap_binding_set_page(lmap_binding& b, const uint16_t face[3], int32_t page);
// (u, v) of the face's three vertices := the placement applied to them.
void lmap_binding_transform(lmap_binding& b, const uint16_t face[3], const affine2& placement);

}  // namespace kv
