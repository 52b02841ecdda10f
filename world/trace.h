#pragma once
// Ray traces: what a ray meets and in which order. The ray follows the portals it crosses from a
// start sector; the static geometry of those sectors and, on request, the bodies of the active
// players are tested, and the hits come back sorted by distance. A body hit carries the player's
// id and the zone read from the body mesh's hit map.

#include <cstdint>
#include <vector>

#include "util/mat4.h"
#include "util/vec3.h"
#include "world/mesh.h"

namespace kv {

class sector;
struct mesh_instance;
struct scene_node;
struct surface;
struct surface_material;

struct trace_hit {
    const surface_material* material = nullptr;  // null for a body hit
    mesh* hit_mesh = nullptr;
    surface* surf = nullptr;  // null for a body hit
    mesh_hit hit;
    int32_t player_id = -1;  // -1 for world geometry
    mesh_instance* instance = nullptr;
    scene_node* node = nullptr;
};

struct trace {
    vec3 start;
    vec3 direction;  // unit length after a trace
    const surface_material* material = nullptr;
    surface* surf = nullptr;
    std::vector<trace_hit> hits;  // sorted by distance
    uint8_t all_hits = 0;
    uint8_t stop_at_first = 0;
    float max_distance_sq = 0.0f;
    mesh_instance* instance = nullptr;
    scene_node* node = nullptr;
    std::vector<mat4> stack;
    std::vector<mesh_hit> scratch;
};

// Traces the ray (start x, y, z, w and direction x, y, z, w; any length but 0) from the start
// sector. With `test_players`, each active player whose body the ray meets is reported once, and
// the geometry of a hit player's sector is walked too. With `stop_at_first` the list ends with the
// first hit found. A zero direction or no sector gives an empty list.
void trace_ray(trace& t, sector* start_sector, const float ray_floats[8], float max_distance_sq,
               uint8_t test_players, uint8_t all_hits, uint8_t test_world, uint8_t stop_at_first);
void trace_ray(trace& t, sector* start_sector, const vec3& start, const vec3& direction,
               float max_distance_sq, uint8_t test_players, uint8_t all_hits, uint8_t test_world,
               uint8_t stop_at_first);

// True when every hit is on a surface of kind 0, 1 or 6 (water, foliage, pass-through); a hit
// without a material (a body, or geometry without one) is not clear. An empty list is clear.
bool trace_is_clear(const trace& t);

}  // namespace kv
