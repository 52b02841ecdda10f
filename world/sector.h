#pragma once
// Sectors and portals. A level's world is a set of sectors: cells of space, each with its own
// transform, its placed objects, and the portals through which it opens onto other sectors. A
// portal names the sector behind it by a reference ("package:sector", or a bare sector name in the
// sector's own package) that is resolved each time the portal is crossed, never cached.
//
// Stream form of a sector (its own chunk):
//   name; transform block (40 bytes); u16 n and n scene_node references; u16 n and n mesh_instance
//   references; one object_tree reference; u16 n and n portal references; u16 n and n
//   arty_description references; u16 p occluder points and p / 4 occluders of four vec3 written
//   inline; u16 n and n lmap_binding references; u16 n and n lamp references; from format version
//   11 on, u16 n and n ambient_source references.
// Portal chunk: target reference; four vec3.
// Object tree chunk: inner count (u32; 0 ends the chunk), leaf count (u32), item count (u32),
//   index width (u8: 0 u8, 1 u16, else u32); inner nodes: min, max, point (vec3 each), float,
//   child 0, child 1; leaves: min, max, first item, item count; items.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/object_table.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/placement_sector.h"
#include "util/plane.h"
#include "util/vec3.h"
#include "world/entity_def.h"

namespace kv {

struct ambient_source;
struct arty_description;
struct entity;
struct lamp_record;
struct lmap_binding;
struct package_read_context;
struct server;

inline constexpr uint16_t kNoRenderStamp = 0xFFFF;
// The first format version whose sectors carry ambient sound sources.
inline constexpr int kSectorAmbientVersion = 11;

struct portal {
    std::string target;
    std::array<vec3, 4> points;  // sector space, in order around the quad
    uint16_t visit_stamp = kNoVisitStamp;
    // The missing target has been reported; reset once the target is found again.
    bool target_reported = false;
    // The same for the renderer's portal walk.
    bool render_reported = false;
};

struct object_tree_node {
    box3 box;
    // The split plane of the renderer's near-first walk: normal `point`, distance `value`; a point p
    // lies on the front side (child 0) when point . p + value > 0.
    vec3 point;
    float value = 0.0f;
    uint32_t child[2] = {};  // below the inner count: an inner node; else a leaf (minus the inner count)
};

struct object_tree_leaf {
    box3 box;
    uint32_t first_item = 0;
    uint32_t item_count = 0;
};

// Box tree over a sector's nodes and mesh instances. Items below the sector's node count name
// scene_node [item], the others mesh_instance [item - node count]. Every child, leaf range and item
// has been checked at load, and every inner node is reached once from the root, at most
// kObjectTreeMaxDepth inner nodes deep.
inline constexpr int kObjectTreeMaxDepth = 1024;
struct object_tree {
    int32_t inner_count = 0;  // 0: no tree
    int32_t leaf_count = 0;
    int32_t item_count = 0;
    std::vector<object_tree_node> inner;
    std::vector<object_tree_leaf> leaves;
    std::vector<uint32_t> items;
};

struct occluder {
    std::array<vec3, 4> points;
    plane face_plane;  // through points 0, 1, 2
    vec3 centre;
    float area = 0.0f;
    float apparent_size = 0.0f;  // the last occluder_apparent_size
};

// Colour from the light map under an entity; bit 2 of flags says it is set (the other bits belong
// to the entity).
inline constexpr uint32_t kTintSet = 1u << 2;
struct tint {
    uint32_t flags = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

class sector : public placement_sector {
public:
    sector();
    ~sector() override;
    sector(const sector&) = delete;
    sector& operator=(const sector&) = delete;

    const mat4& world_transform() const override { return transform; }
    int portal_count() const override;
    std::span<const vec3, 4> portal_points(int i) const override;
    // Resolves the portal's target through the world server; a missing one is reported once.
    placement_sector* portal_target(int i) override;

    std::string name;
    mat4 transform;  // sector space to world space
    object_table<scene_node> nodes;
    object_table<mesh_instance> meshes;
    object_tree* tree = nullptr;  // null, or a tree (owned by this or another sector that shares it)
    object_table<portal> portals;
    object_table<arty_description> arties;
    std::vector<occluder> occluders;
    object_table<lmap_binding> lmap_bindings;
    object_table<lamp_record> lamps;
    object_table<ambient_source> ambient_sources;
    std::vector<entity*> entities;  // kept by the entity code
    // Nodes of the grenades and dropped weapons in the sector, kept by them; apart from `nodes`, so
    // that the object tree's item numbers stay those of the level.
    std::vector<scene_node*> moving_nodes;
    uint16_t render_stamp = kNoRenderStamp;

    std::unique_ptr<object_tree> owned_tree;
    server* srv = nullptr;  // the world server that resolves portal targets
};

// Readers: each builds its object from the chunk of the stream's current id. A damaged object tree
// raises "corrupt object tree"; an occluder point count that is not a multiple of 4 is logged and
// its whole quads are read.
std::unique_ptr<sector> sector_read(package_read_context& ctx);
std::unique_ptr<portal> portal_read(package_read_context& ctx);
std::unique_ptr<object_tree> object_tree_read(package_read_context& ctx);

// The sector reached when a point moves from -> to (world points): the target of the first portal
// the segment crosses; the sector itself when none is crossed or that target cannot be found.
sector* sector_pass_portals(sector& s, const vec3& from, const vec3& to);
bool portal_crossed(const portal& p, const mat4& transform, const vec3& from, const vec3& to);

// Position in the sector's tables, -1 when absent.
int32_t sector_node_index(const sector& s, const scene_node* node);
int32_t sector_mesh_index(const sector& s, const mesh_instance* instance);

// What is wrong with the tree for a sector of that many nodes and mesh instances, or the empty text.
std::string object_tree_check(const object_tree& tree, uint32_t node_count, uint32_t mesh_count);

void occluder_init(occluder& occ, const std::array<vec3, 4>& points);
float occluder_apparent_size(occluder& occ, const vec3& eye, const vec3& direction);

// Null clears the set flag and keeps the bytes; otherwise each of three values times 255 (low byte
// of the truncated value) and the flag set.
void tint_set_rgb(tint& t, const float* rgb);

}  // namespace kv
