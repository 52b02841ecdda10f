#include "beings/flight.h"

#include <cmath>

#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "world/entity_def.h"
#include "world/sector.h"
#include "world/trace.h"
#include "world/world_read.h"

namespace kv {

namespace {

constexpr int32_t kSoundChannel = 2;
constexpr int32_t kSoundRepeatMs = 200;
constexpr float kAxisThreshold = 1.0f / 64.0f;

}  // namespace

void flight_make_model(server& srv, const std::string& model_name, const std::string& node_name,
                       std::unique_ptr<entity_def>& model, std::unique_ptr<scene_node>& node) {
    std::string package_name;
    std::string object_name;
    world_split_reference(model_name, "", package_name, object_name);
    entity_def* found = nullptr;
    if (!package_name.empty() && !object_name.empty()) {
        reference_list own;
        ref_list_add_entity(own, package_name, object_name, &found);
        if (!ref_list_resolve(own, srv.packages)) found = nullptr;
    }
    if (found) model = entity_def_copy(*found);
    node = std::make_unique<scene_node>();
    scene_node_init(*node, node_name, model.get());
}

vec3 flight_point(const vec3& start, const vec3& velocity, const vec3& acceleration, float t) {
    return start + velocity * t + acceleration * (t * t / 2.0f);
}

bool flight_trace(trace& t, sector* from, const vec3& p, const vec3& q) {
    const vec3 step = q - p;
    const float length_sq = vec3_length_sq(step);
    t.hits.clear();
    if (!(length_sq >= kFlightMinStep * kFlightMinStep)) return false;
    trace_ray(t, from, p, vec3_normalise(step), length_sq, 1, 0, 1, 0);
    return true;
}

vec3 flight_mirror(const vec3& direction, const vec3& normal) {
    const vec3 r = -direction;
    return vec3_normalise(normal * (2.0f * vec3_dot(normal, r)) - r);
}

int32_t flight_sector_index(server& srv, const sector* s) {
    if (!s) return -1;
    package* level = package_list_find(srv.packages, srv.current_level_name);
    if (level) {
        const int32_t i = object_table_index_of(level->sectors, s);
        if (i >= 0) return i;
    }
    for (const auto& p : srv.packages) {
        const int32_t i = object_table_index_of(p->sectors, s);
        if (i >= 0) return i;
    }
    return -1;
}

mat4 flight_pointing(const vec3& direction, const vec3& point) {
    const vec3 d = vec3_normalise(direction);
    vec3 side = (std::fabs(d.x) < kAxisThreshold && std::fabs(d.z) < kAxisThreshold) ? vec3{-d.y, d.x, 0.0f}
                                                                                     : vec3{-d.z, 0.0f, d.x};
    side = vec3_normalise(side);
    const vec3 third = vec3_cross(d, side);
    mat4 m;
    mat4_set_row0(m, side.x, side.y, side.z);
    mat4_set_row1(m, third.x, third.y, third.z);
    mat4_set_row2(m, d.x, d.y, d.z);
    mat4_set_row3(m, point.x, point.y, point.z);
    return m;
}

void flight_play_sound(timer& since, std::string& last_name, const std::string& name, const vec3& point,
                       float near_distance, float far_distance, sector* in_sector) {
    if (name.empty()) return;
    if (name == last_name && timer_elapsed_ms(since) < kSoundRepeatMs) return;
    snd_play_3d(kernel_get().sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(in_sector), point,
                vec3{}, vec3{0.0f, 0.0f, 1.0f}, near_distance, far_distance, 360.0f, 360.0f, 0, 0, 0, false);
    timer_restart(since);
    last_name = name;
}

bool flight_point_ok(const vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::fabs(v.x) <= kFlightReach &&
           std::fabs(v.y) <= kFlightReach && std::fabs(v.z) <= kFlightReach;
}

}  // namespace kv
