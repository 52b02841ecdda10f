#pragma once
// World walks and queries. The static contents of a sector (its scene nodes with their models and
// its mesh instances with their geometries) are searched by one walking scheme: the visit stamp,
// a stack of matrices, the sector's object tree and the current object number (world/visit_stamp.h).
// Each user supplies a box test and a mesh action; the area query, the light sample, the ray trace
// and movement collision are such users.
//
// Walks must not nest: the stamp and the static records are shared.

#include <cstdint>
#include <vector>

#include "util/box3.h"
#include "util/mat4.h"
#include "util/ray.h"
#include "world/mesh.h"
#include "world/visit_stamp.h"

namespace kv {

class sector;
struct entity_def;
struct lmap_binding;
struct mesh_instance;
struct scene_node;
struct surface;
struct surface_material;

// The box bounding the eight corners of `box` through the matrix (an identity is skipped).
box3 world_box_through(const box3& box, const mat4& matrix);

class world_walk {
public:
    virtual ~world_walk() = default;

    // Tree nodes, a scene node's model box and an instance's geometry box, in the space of `matrix`.
    virtual bool box_test(const box3& box, const mat4& matrix) = 0;
    // Mesh `index` of the current instance's geometry (rigid meshes first), under `matrix`.
    virtual void mesh_action(mesh& m, const mat4& matrix, uint32_t number) = 0;
    // Called as each scene node or mesh instance is reached (before its box test).
    virtual void enter_node(scene_node&) {}
    virtual void enter_instance(mesh_instance&) {}

    object_numbering numbering;
    const surface_material* material = nullptr;  // of the current mesh instance
    surface* current_surface = nullptr;
    std::vector<mat4> stack;
};

// Walks the sector's contents under base x the sector's transform (the stamp is not advanced: the
// caller does that once per walk). With an object tree the tree is walked from its root, else every
// scene node and then every mesh instance in table order.
void world_walk_sector(world_walk& w, sector& s, const mat4& base = kMat4Identity);

// One element of the area query's list.
struct area_hit {
    const surface_material* material = nullptr;
    mesh* hit_mesh = nullptr;
    surface* surf = nullptr;
    mesh_hit hit;  // all zero
    int32_t player_id = -1;
};

struct query_area_record {
    uint32_t object_number = 0;
    box3 box;
    const surface_material* material = nullptr;
    surface* surf = nullptr;
    std::vector<area_hit> hits;
    std::vector<mat4> stack;
};

// The meshes of the sector whose box, placed by its matrix, overlaps the box (not those under a
// material of kind 2, 6 or 7). Rationed: while the world queries of this period have used half of
// the last frame's time, the list is left empty.
void query_area(query_area_record& record, sector& s, const box3& box);

// Colour (red, green, blue, 0) of the light map under the ray within 150 units in the sector; white
// when nothing lit is hit.
void lmap_sample_ray(float out[4], sector& s, const vec3& start, const vec3& direction);
void lmap_sample_ray(float out[4], sector& s, const float ray_floats[8]);

}  // namespace kv
