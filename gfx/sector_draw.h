#pragma once
// Sector and object drawing: one sector of the world turned into draw-list items. The entities
// standing in the sector come first, then its box tree (walked near side first from the eye) or its
// plain tables of scene nodes and mesh instances. Every tree cell, model and geometry is culled on
// its eye-space box (the view volume, the portal clip planes and the occluders) before anything is
// handed on; a surviving geometry widens the viewport's drawn depth range, gets a detail level from
// its distance and size, and submits its meshes' draw records, each with its light-map binding and
// the top of the matrix stack. Nothing here calls the driver. Every object drawn carries the frame
// stamp, so one reached twice in a viewport (two portals, two tree leaves) is drawn once.
//
// Light-map bindings are found by the object numbering every walk of the world shares
// (world/visit_stamp.h): a top-level object enters its number, a model culled on its box adds its
// number, mesh i of a geometry is current + i (skinned meshes after the rigid ones); a number past
// the sector's bindings has none.
//
// An object whose draw flags carry bit 0 (a first-person object) is never culled, and is drawn only
// while the front end's first-person flag is set.

#include <cstdint>

#include "util/box3.h"

namespace kv {

struct entity_def;
struct geometry;
struct gfx;
struct lmap_binding;
struct surface;
class mesh;
class sector;

// Detail levels at and beyond which the first detail variant is taken.
inline constexpr int32_t kFullDetail = 100;
// Distances of the detail levels: full detail nearer than the first, none past the second.
inline constexpr float kDetailNear = 1350.0f;
inline constexpr float kDetailFar = 16200.0f;
// Models nested deeper than this are not drawn (a model that holds itself through its references).
inline constexpr int32_t kMaxModelDepth = 32;
// Objects larger than this keep a little detail however far they are.
inline constexpr float kDetailLargeSize = 200.0f;

// The box test of every tree cell, model and geometry: the eye-space box within the view volume and
// the first n clip planes (-1: all active ones), and hidden by no occluder.
bool gfx_box_visible(const gfx& g, const box3& eye_box, int32_t n);
// The detail level of an eye-space box (with `LOD_on`).
int32_t gfx_detail_level(const box3& eye_box);

void gfx_draw_sector(gfx& g, sector& s);
void gfx_draw_sector_tree_node(gfx& g, sector& s, uint32_t node);
void gfx_draw_sector_tree_leaf(gfx& g, sector& s, uint32_t leaf);
// `force` draws the model's children even when they carry the frame stamp (the entities' models).
void gfx_draw_entity_def(gfx& g, entity_def& def, uint16_t skip_count, bool force);
void gfx_draw_geometry(gfx& g, geometry& geom, const surface* s);
void gfx_draw_geometry_part(gfx& g, mesh& m, const surface* s, int32_t level, const lmap_binding* entry);

}  // namespace kv
