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
#include <span>
#include <vector>

#include "util/affine2.h"

namespace kv {

class lmap_file;
struct lmap_face_record;
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
    // The registry's generation `textures` were taken from: a clearing since leaves them dangling.
    uint32_t generation = 0;
};

// Builds a binding from the chunk of the stream's current id.
std::unique_ptr<lmap_binding> lmap_binding_read(package_read_context& ctx);

// Appends a face record for every face (three vertex indices each; a trailing partial face is
// ignored) when at least one face's first vertex has a light map: the side of that light map in
// `store`, or 1 without one. A first vertex outside the binding, or an id the store cannot show,
// means "no light map".
void lmap_binding_prepare(lmap_binding& b, const lmap_file& store, std::vector<lmap_face_record>& out,
                          std::span<const uint16_t> faces);

// Bit i selects the face's vertex i.
inline constexpr uint8_t kLmapFaceAll = 0x7;

// The face's vertices move to page `page`; a face whose first vertex has no light map first gets
// the coordinates (0.5, 0.5). Vertex indices outside the arrays are left alone.
void lmap_binding_set_page(lmap_binding& b, const uint16_t face[3], int32_t page,
                           uint8_t vertices = kLmapFaceAll);
// (u, v) of the face's vertices := the placement applied to them.
void lmap_binding_transform(lmap_binding& b, const uint16_t face[3], const affine2& placement,
                            uint8_t vertices = kLmapFaceAll);
// The page texture of every vertex, from the registry.
void lmap_binding_fill(lmap_binding& b);

// The process-wide page textures, made on first use over the front end's light-map store: null
// for -1 and for every id the store has no usable square for.
texture* lmap_registry_get(int32_t id);
// Deletes every page texture and starts a new generation.
void lmap_registry_clear();
// The registry's generation: it changes at every clearing, so that a binding filled before it (the
// bindings of another world in the process, whose level load renewed the pages) is known as stale.
uint32_t lmap_registry_generation();

}  // namespace kv
