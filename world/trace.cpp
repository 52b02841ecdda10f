#include "world/trace.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "beings/entity.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "kernel/timer.h"
#include "util/ray.h"
#include "util/text.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/hit_map.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/world_query.h"

namespace kv {
namespace {

bool contains(const std::vector<sector*>& list, const sector* s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

class trace_walk : public world_walk {
public:
    trace_walk(trace& t, const ray& r) : t_(t), r_(r) {}

    bool box_test(const box3& box, const mat4& matrix) override {
        if (t_.stop_at_first && !t_.hits.empty()) return false;
        return ray_hits_box(r_, world_box_through(box, matrix));
    }
    void enter_node(scene_node& node) override {
        t_.node = &node;
        t_.instance = nullptr;
    }
    void enter_instance(mesh_instance& instance) override {
        t_.instance = &instance;
        t_.node = nullptr;
    }
    void mesh_action(mesh& m, const mat4& matrix, uint32_t) override {
        t_.material = material;
        t_.surf = current_surface;
        if (mesh_is_broken(m)) return;
        if (material && (material->kind == kSurfaceKindLimit || material->kind == kSurfaceKindThrough ||
                         material->kind == kSurfaceKindShoot))
            return;
        if (t_.stop_at_first && !t_.hits.empty()) return;
        t_.scratch.clear();
        mesh_trace(m, t_.scratch, kMeshAnyLevel, matrix, r_, t_.max_distance_sq, t_.all_hits != 0,
                   t_.stop_at_first != 0, nullptr, 0);
        for (const mesh_hit& h : t_.scratch) {
            trace_hit hit;
            hit.material = material;
            hit.hit_mesh = &m;
            hit.surf = current_surface;
            hit.hit = h;
            hit.player_id = -1;
            hit.instance = t_.instance;
            hit.node = t_.node;
            t_.hits.push_back(hit);
        }
    }

private:
    trace& t_;
    const ray& r_;
};

void walk_world(trace& t, const ray& r, sector& s) {
    trace_walk w(t, r);
    w.stack.swap(t.stack);
    w.stack.clear();
    world_visit_stamp_advance();
    world_walk_sector(w, s, kMat4Identity);
    w.stack.swap(t.stack);
}

// The body mesh of a model: the first mesh of its first instance's geometry (rigid meshes first,
// then skinned ones), or null.
mesh* body_mesh(const entity_def& model, mesh_instance** instance) {
    if (model.meshes.items.empty() || !model.meshes.items[0]) return nullptr;
    *instance = model.meshes.items[0];
    const geometry* g = (*instance)->geom;
    if (!g) return nullptr;
    if (!g->meshes.items.empty()) return g->meshes.items[0];
    if (!g->skinned.items.empty()) return g->skinned.items[0];
    return nullptr;
}

// Players whose body the ray meets; each is reported once per trace.
void test_players(trace& t, const ray& r, server& srv, sector& s, std::vector<uint32_t>& reported,
                  std::vector<sector*>& more) {
    for (const player_record& player : srv.players) {
        if (t.stop_at_first && !t.hits.empty()) return;
        if (!player_record_is_active(player)) continue;
        if (std::find(reported.begin(), reported.end(), player.id) != reported.end()) continue;
        entity* e = server_entity_find(srv, str_format("pid%d", static_cast<int32_t>(player.id)));
        if (!e || !e->model_root || !e->model_root->model) continue;
        scene_node& root = *e->model_root;
        const entity_def& model = *root.model;
        mesh_instance* instance = nullptr;
        mesh* body = body_mesh(model, &instance);
        if (!body) continue;

        // The body lies within the sphere about its root as wide as its box's diagonal: skip it when
        // that sphere lies wholly behind the start or off the ray's line. (The direction of the root
        // alone says nothing near the start: a body beside it, its root off the ray, may reach across.)
        const vec3 position = mat4_is_identity(root.transform) ? vec3{} : mat4_row3(root.transform);
        const float radius = vec3_length(model.box.max - model.box.min);
        if (!(vec3_dot(position - t.start, t.direction) >= -radius)) continue;
        if (!ray_passes_near(r, position, radius)) continue;

        const mat4 matrix = mat4_mul(root.transform, instance->transform);
        const image8* map = hit_map_get(std::bit_cast<int32_t>(body->box.max.w));
        t.scratch.clear();
        mesh_trace(*body, t.scratch, kMeshAnyLevel, matrix, r, t.max_distance_sq, t.all_hits != 0,
                   t.stop_at_first != 0, map, 0);
        if (t.scratch.empty()) continue;
        // The face the ray enters the body by: the nearest of the mesh's hits (the mesh test lists
        // its hits in the order it meets the faces, not by distance).
        trace_hit hit;
        hit.hit_mesh = body;
        hit.hit = *std::min_element(
            t.scratch.begin(), t.scratch.end(),
            [](const mesh_hit& a, const mesh_hit& b) { return a.distance_sq < b.distance_sq; });
        hit.player_id = static_cast<int32_t>(player.id);
        hit.instance = instance;
        hit.node = &root;
        t.hits.push_back(hit);
        reported.push_back(player.id);
        if (e->in_sector && e->in_sector != &s && !contains(more, e->in_sector)) more.push_back(e->in_sector);
    }
}

}  // namespace

void trace_ray(trace& t, sector* start_sector, const vec3& start, const vec3& direction,
               float max_distance_sq, uint8_t players, uint8_t all_hits, uint8_t test_world,
               uint8_t stop_at_first) {
    t.material = nullptr;
    t.surf = nullptr;
    t.instance = nullptr;
    t.node = nullptr;
    t.hits.clear();
    t.start = start;
    t.start.w = 0.0f;
    t.all_hits = all_hits;
    t.stop_at_first = stop_at_first;
    t.max_distance_sq = max_distance_sq;
    const float length = vec3_length(direction);
    t.direction = length > 0.0f && std::isfinite(length) ? direction * (1.0f / length) : vec3{};
    if (!start_sector || vec3_length_sq(t.direction) == 0.0f) return;

    server& srv = start_sector->srv ? *start_sector->srv : server_get();
    timer_section_begin(srv.trace_timer);
    timer_section_begin(srv.trace_second_timer);

    const ray r(t.start, t.direction);
    std::vector<sector*> crossed{start_sector};
    const float reach = max_distance_sq > 0.0f ? std::sqrt(max_distance_sq) : 0.0f;
    const vec3 end = t.start + t.direction * reach;
    for (;;) {
        sector* next = sector_pass_portals(*crossed.back(), t.start, end);
        if (!next || next == crossed.back() || contains(crossed, next)) break;
        crossed.push_back(next);
    }

    if (test_world) {
        for (sector* s : crossed) walk_world(t, r, *s);
    }
    if (players) {
        std::vector<sector*> more;
        std::vector<uint32_t> reported;
        for (sector* s : crossed) test_players(t, r, srv, *s, reported, more);
        for (sector* s : more) {
            if (!contains(crossed, s)) walk_world(t, r, *s);
        }
    }
    std::stable_sort(t.hits.begin(), t.hits.end(), [](const trace_hit& a, const trace_hit& b) {
        return a.hit.distance_sq < b.hit.distance_sq;
    });

    timer_section_end(srv.trace_timer);
    timer_section_end(srv.trace_second_timer);
    ++srv.traces_this_second;
}

void trace_ray(trace& t, sector* start_sector, const float ray_floats[8], float max_distance_sq,
               uint8_t players, uint8_t all_hits, uint8_t test_world, uint8_t stop_at_first) {
    trace_ray(t, start_sector, vec3{ray_floats[0], ray_floats[1], ray_floats[2]},
              vec3{ray_floats[4], ray_floats[5], ray_floats[6]}, max_distance_sq, players, all_hits,
              test_world, stop_at_first);
}

bool trace_is_clear(const trace& t) {
    for (const trace_hit& hit : t.hits) {
        if (!hit.material) return false;
        const int32_t kind = hit.material->kind;
        if (kind != kSurfaceKindWater && kind != kSurfaceKindFoliage && kind != kSurfaceKindThrough)
            return false;
    }
    return true;
}

}  // namespace kv
