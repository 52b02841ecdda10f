#pragma once
// The draw lists: the sector drawing does not draw world geometry at once, it submits every draw
// record of the mesh parts it reaches as a draw item; each viewport then flushes the lists pass by
// pass. Items that share a shader layer are kept in one batch, so the layer's shader runs once per
// batch and pass; translucent world items are kept apart and drawn far to near; items of meshes the
// camera lamp lights are listed once more for the lamp pass.
//
// Passes: 0 the opaque batches; 1 the first-person batches (the depth buffer cleared first unless in
// wireframe); 2 the translucent items of objects with draw flags, in submission order, then the
// translucent world items far to near (ties in submission order); 3 the lamp list. With `gfx_rpath`
// 0 items are drawn through the driver's mesh drawing, 1 through its vertex arrays, 2 or more not
// at all (each pass still empties what it holds).
//
// A batch is named by its kind and its position among the batches of that kind; the draw record
// keeps both with the lists' generation, so its layer search runs once. A level load starts a new
// generation: every batch goes, and every record cached before reads as unassigned.

#include <array>
#include <cstdint>
#include <vector>

#include "data/object_table.h"
#include "gfx/texture_cache.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/vec3.h"
#include "world/lamp.h"
#include "world/visit_stamp.h"

namespace kv {

struct gfx;
struct lmap_binding;
struct mesh_draw_record;
struct mesh_part;
struct shader;
struct surface;
struct token_list;
class mesh;

// Kinds of batch.
inline constexpr uint8_t kBatchOpaque = 0;
inline constexpr uint8_t kBatchFirstPerson = 1;
inline constexpr uint8_t kBatchTranslucent = 2;
inline constexpr std::size_t kBatchKinds = 3;
// Batches of one kind; a layer past them submits nothing (logged once).
inline constexpr std::size_t kMaxBatchesPerKind = 65535;

// Passes of `draw_list_flush`.
inline constexpr int32_t kPassOpaque = 0;
inline constexpr int32_t kPassFirstPerson = 1;
inline constexpr int32_t kPassTranslucent = 2;
inline constexpr int32_t kPassLamp = 3;

// Render paths (`gfx_rpath`).
inline constexpr int32_t kRenderPathMesh = 0;
inline constexpr int32_t kRenderPathArrays = 1;
inline constexpr int32_t kRenderPathNone = 2;

// Flag bits of an object's draw-flags word.
inline constexpr uint32_t kDrawFirstPerson = 1u << 0;
inline constexpr uint32_t kDrawTinted = 1u << 2;

// Layers of nested surfaces are searched this deep.
inline constexpr int kMaxSurfaceDepth = 8;

struct draw_item {
    mesh* owner = nullptr;
    const mesh_part* part = nullptr;
    const mesh_draw_record* record = nullptr;
    const lmap_binding* lightmap = nullptr;
    const uint8_t* light = nullptr;  // red, green, blue of a tinted object, or null
    mat4 transform;                  // the model-view at submission
    vec3 centre;                     // translucent world items: the middle of the eye-space box
};

struct draw_batch {
    const shader* layer_shader = nullptr;
    const token_list* layer = nullptr;
    layer_state state;  // as the shader collects it
    std::vector<draw_item> items;
};

// One item with the batch it was sorted into.
struct draw_entry {
    uint8_t kind = 0;
    uint32_t index = 0;
    draw_item item;
};

struct draw_lists {
    std::array<std::vector<draw_batch>, kBatchKinds> batches;
    std::vector<draw_entry> sorted_translucent;  // farthest first
    std::vector<draw_entry> object_translucent;  // in submission order
    std::vector<draw_entry> lamp;                // one per lit item
    uint32_t generation = 1;
    int32_t pass = 0;
    int32_t submitted = 0;      // items this frame
    int32_t batches_drawn = 0;  // this frame
    bool limit_logged = false;
    std::vector<lamp_uv> lamp_coords;  // the lamp pass's scratch
};

// What the sector drawing keeps while it walks (the object being drawn and its sector).
struct gfx_draw_context {
    int32_t tree_nodes = 0;                                 // the current sector's box tree
    object_numbering numbering;                             // the running light-map number
    const uint32_t* flags = nullptr;                        // the current object's draw flags
    const uint8_t* light = nullptr;                         // its tint colour, when it has one
    const object_table<lmap_binding>* lightmaps = nullptr;  // the current sector's bindings
    float nearest = 1.0e38f;                                // eye-space depth drawn in the viewport
    float farthest = -1.0e38f;
    int32_t model_depth = 0;  // models being drawn inside one another
};

// Counters of one frame (reset at its start) and the triangles drawn since the frame count was reset.
struct gfx_frame_counters {
    int32_t objects = 0;  // items handed to the draw lists
    int32_t tree_nodes = 0;
    int32_t tree_leaves = 0;
    int64_t triangles = 0;
};

// The shader layer of the surface's material number: the layers are numbered depth first through
// the non-null sub-surfaces (at most 8 deep), each entry counting after what lies below it; false
// when the number lies past the layers or its layer has no shader.
bool surface_find_layer(const surface& s, uint32_t material, const shader*& found, const token_list*& layer);
// Sorts one item into the lists (its batch found or made on the record's first submission).
void draw_list_submit(gfx& g, mesh& owner, const mesh_part& part, mesh_draw_record& record, const surface& s,
                      const mat4& transform, const lmap_binding* lightmap, const uint8_t* light);
// The position of the batch of that kind with this shader layer, appended when there is none; -1
// when the kind is full.
int32_t draw_list_find_batch(gfx& g, uint8_t kind, const shader* layer_shader, const token_list* layer,
                             const layer_state& state);
// Draws and empties what belongs to the pass.
void draw_list_flush(gfx& g, int32_t pass);
// Every batch and list dropped and a new generation begun (a level load).
void draw_lists_reset(gfx& g);
// The `g_helpers` pass: the debug drawing of every entity without a parent and of every dropped
// weapon, then the camera sector's occluders when they are shown.
void gfx_draw_helpers(gfx& g);

}  // namespace kv
