#include "beings/entity_body.h"

#include <algorithm>
#include <cmath>

#include "game/player_record.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "sound/sound_system.h"
#include "world/collision.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr float kEyeTurn = -0.4f;
constexpr float kTurnWidth = 1.1f;
constexpr float kTurnLength = 0.75f;
constexpr float kFreeMotionSq = 0.00001f;
constexpr int32_t kSoundChannel = 2;
constexpr int32_t kSoundOwnerBase = 5000;
constexpr int32_t kChestFrontNode = 13;
constexpr int32_t kChestBackNode = 14;
constexpr float kChestFrontReachSq = 900.0f;
constexpr float kChestBackReachSq = 1600.0f;
constexpr int32_t kShakeStepMs = 45;
constexpr int32_t kShakeFadeAfterMs = 599;
constexpr float kShakeFade = 0.05f;
constexpr int kRandHalf = 16383;

server& owner_server(const entity& e) {
    return e.srv ? *e.srv : server_get();
}

bool is_long(const box3& box) {
    return box.max.z - box.min.z >= kLongBoxRatio * (box.max.x - box.min.x);
}

void hold_up(const entity& e, vec3& motion) {
    if (e.channels[0].pick_flag && motion.y < 0.0f) motion.y = 0.0f;
}

// One sweep of the box placed by the frame; the motion the world allows.
vec3 sweep_once(sector* sec, const box3& box, const mat4& placement, const vec3& motion, float factor,
                entity_sweep_result* result) {
    collision_sweep sweep;
    collision_sweep_init(sweep, sec, box, placement);
    vec3 end;
    collision_sweep_move(sweep, end, motion, factor, result ? &result->touched : nullptr);
    return end - mat4_row3(placement);
}

// A long box as three boxes of a third of its length, front to back, each handing the motion it
// allowed to the next.
vec3 sweep_long(const entity& e, const box3& box, const mat4& frame, float centre_y, vec3 motion,
                float factor, entity_sweep_result* result) {
    const float length = box.max.z - box.min.z;
    box3 part = box;
    part.min.z = -length / 6.0f;
    part.max.z = length / 6.0f;
    const float places[3] = {length / 3.0f, 0.0f, -length / 3.0f};
    for (int i = 0; i < 3; ++i) {
        mat4 placement = frame;
        mat4_translate(placement, vec3{0.0f, centre_y, places[i]});
        motion = sweep_once(e.in_sector, part, placement, motion, factor, result);
        if (i < 2) hold_up(e, motion);
    }
    return motion;
}

// The axis-aligned bounds of the box's corners taken through the matrix.
box3 transformed_bounds(const box3& box, const mat4& matrix) {
    box3 out;
    for (int bits = 0; bits < 8; ++bits) {
        vec3 corner;
        box3_corner(box, corner, bits);
        const vec3 at = mat4_transform_point(matrix, corner);
        if (bits == 0) {
            box3_init_point(out, at);
        } else {
            box3_add_point(out, at);
        }
    }
    return out;
}

// The box (halved when long) in the world by the entity's world matrix.
box3 world_box(const entity& e, float& radius) {
    box3 box = e.box;
    if (is_long(box)) {
        box.min = box.min * 0.5f;
        box.max = box.max * 0.5f;
    }
    radius = std::min(box.max.x - box.min.x, box.max.z - box.min.z) / 2.0f;
    return transformed_bounds(box, entity_world_matrix(e));
}

// Whether every hit of the ray within the reach lies on a surface the body passes through.
bool ray_passes(trace& t, sector* sec, const vec3& start, const vec3& direction, float reach_sq) {
    trace_ray(t, sec, start, direction, reach_sq, 0, 0, 1, 1);
    for (const trace_hit& hit : t.hits) {
        if (hit.hit.distance_sq > reach_sq) continue;
        if (!hit.material) return false;
        const int32_t kind = hit.material->kind;
        if (kind != kSurfaceKindWater && kind != kSurfaceKindFoliage && kind != kSurfaceKindThrough)
            return false;
    }
    return true;
}

trace& turn_trace() {
    static trace t;
    return t;
}

trace& strike_trace() {
    static trace t;
    return t;
}

const mesh* first_mesh(const entity& e) {
    if (!e.model || e.model->meshes.items.empty() || !e.model->meshes.items[0]) return nullptr;
    const geometry* g = e.model->meshes.items[0]->geom;
    if (!g) return nullptr;
    if (!g->meshes.items.empty()) return g->meshes.items[0];
    if (!g->skinned.items.empty()) return g->skinned.items[0];
    return nullptr;
}

// The eye: the head bone's pose in the model frame, its origin moved by the view offset turned
// about the head's y axis.
void rebuild_view_model(entity& e) {
    mat4 head;
    entity_bone_matrix(e, head, kEyeBone);
    const mat4& swap = skeleton_posing_matrix();
    mat4 eye = mat4_mul(swap, mat4_mul(head, swap));
    mat4 turn;
    mat4_set_rotation_y(turn, kEyeTurn);
    const vec3 offset =
        mat4_transform_point(turn, vec3{e.view_offset[0], e.view_offset[1], e.view_offset[2]});
    const vec3 at = mat4_transform_point(eye, offset);
    mat4_set_row3(eye, at.x, at.y, at.z);
    e.view_model = eye;
    e.view_model_changed = 1;
}

void run_shake(entity& e) {
    static int sign_x = 1;
    static int sign_y = 1;
    if (e.shake_counter < timer_elapsed_ms(e.shake_timer)) {
        int x = sign_x;
        int y = sign_y;
        while (x == sign_x || y == sign_y) {
            x = kv_rand() > kRandHalf ? 1 : -1;
            y = kv_rand() > kRandHalf ? 1 : -1;
        }
        sign_x = x;
        sign_y = y;
        e.shake_counter += kShakeStepMs;
    }
    if (e.shake_counter > kShakeFadeAfterMs)
        e.shake_amplitude = std::max(0.0f, e.shake_amplitude - kShakeFade);
    const vec3 shift = mat4_row0(e.view_model) * (e.shake_amplitude * static_cast<float>(sign_x)) +
                       mat4_row1(e.view_model) * (e.shake_amplitude * static_cast<float>(sign_y));
    const vec3 at = mat4_row3(e.view_model) + shift;
    mat4_set_row3(e.view_model, at.x, at.y, at.z);
}

}  // namespace

const mat4& entity_parent_matrix(const entity& e) {
    return e.model_root ? e.model_root->transform : kMat4Identity;
}

const mat4& entity_world_matrix(const entity& e) {
    entity& body = const_cast<entity&>(e);
    if (e.parent) {
        body.world = entity_parent_matrix(e);
        return e.world;
    }
    mat4 world = e.placement;
    mat4_translate(world, vec3{0.0f, e.centre.y, 0.0f});
    body.world = world;
    return e.world;
}

const mat4& entity_second_matrix(const entity& e) {
    return e.view_model;
}

vec3 entity_pick(entity& e, const mat4& frame, const vec3& wanted, float factor,
                 entity_sweep_result* result) {
    timer& section = kernel_collision_section();
    timer_section_begin(section);
    vec3 motion = entity_push_apart(e, wanted);
    hold_up(e, motion);
    if (is_long(e.box)) {
        motion = sweep_long(e, e.box, frame, e.centre.y, motion, factor, result);
    } else {
        mat4 start = frame;
        mat4_translate(start, vec3{0.0f, e.centre.y, 0.0f});
        motion = sweep_once(e.in_sector, e.box, start, motion, factor, result);
    }
    timer_section_end(section);
    return motion;
}

vec3 entity_push_apart(entity& e, const vec3& wanted) {
    float own_radius = 0.0f;
    const box3 own = world_box(e, own_radius);
    const vec3 own_at = mat4_row3(entity_world_matrix(e));
    const bool own_short = !is_long(e.box);
    vec3 out = wanted;
    for (const auto& held : owner_server(e).entities) {
        const entity& other = *held;
        if (&other == &e || other.parent || !other.model_root) continue;
        float other_radius = 0.0f;
        const box3 box = world_box(other, other_radius);
        if (box3_disjoint(own, box)) continue;
        const vec3 other_at = mat4_row3(entity_world_matrix(other));
        const float dx = own_at.x - other_at.x;
        const float dz = own_at.z - other_at.z;
        const float reach = own_radius + other_radius;
        if (own_short && !is_long(other.box) && reach * reach < dx * dx + dz * dz) continue;
        // Two bodies on one spot have no direction between them: push along +x.
        const float length = std::sqrt(dx * dx + dz * dz);
        out.x = length > 0.0f ? dx / length * kPushApartStep : kPushApartStep;
        out.z = length > 0.0f ? dz / length * kPushApartStep : 0.0f;
    }
    return out;
}

bool entity_check_turn(entity& e, float angle) {
    if (e.parent) return true;
    const float width = kTurnWidth * (e.box.max.x - e.box.min.x);
    const float length = kTurnLength * (e.box.max.z - e.box.min.z);
    mat4 frame = entity_world_matrix(e);
    mat4_rotate_y(frame, angle);
    const vec3 back = -mat4_row2(frame);
    trace& t = turn_trace();
    for (const float side : {-width / 2.0f, width / 2.0f}) {
        const vec3 start = mat4_transform_point(frame, vec3{side, 0.0f, length / 2.0f});
        if (!ray_passes(t, e.in_sector, start, back, length * length)) return false;
    }
    return true;
}

bool entity_move(entity& e, const mat4& frame, const vec3& motion, int32_t posture_index) {
    const entity_posture& row = entity_posture_row(posture_index);
    vec3 allowed;
    if (is_long(row.box)) {
        allowed = sweep_long(e, row.box, frame, e.centre.y, motion, kMoveSweepFactor, nullptr);
    } else {
        mat4 start = frame;
        mat4_translate(start, row.centre);
        allowed = sweep_once(e.in_sector, row.box, start, motion, kMoveSweepFactor, nullptr);
    }
    return vec3_length_sq(allowed - motion) < kFreeMotionSq;
}

bool entity_sweep(entity& e, const mat4& frame, const vec3& motion) {
    mat4 start = frame;
    mat4_translate(start, e.centre);
    const vec3 allowed = sweep_once(e.in_sector, e.box, start, motion, kMoveSweepFactor, nullptr);
    return vec3_length_sq(allowed - motion) < kFreeMotionSq;
}

void entity_step_check(entity& e) {
    const vec3 at = mat4_row3(entity_parent_matrix(e));
    bool found = false;
    for (const mesh_instance* water : owner_server(e).water_instances) {
        if (!water || !water->geom) continue;
        bool in_this = false;
        for (const mesh* m : water->geom->meshes.items) {
            for (std::size_t i = 0; m && i < m->tree.size() && !in_this; ++i) {
                const box3& box = mesh_box_node(*m, static_cast<int32_t>(i)).box;
                if (box.min.x <= at.x && at.x <= box.max.x && box.min.z <= at.z && at.z <= box.max.z) {
                    e.water_height = box.min.y;
                    in_this = true;
                }
            }
        }
        found = found || in_this;
    }
    if (!found) {
        e.immersion = 0;
        return;
    }
    const float height = e.box.max.y - e.box.min.y;
    const float bottom = at.y + e.centre.y + e.box.min.y;
    const float depth = e.water_height - bottom;
    if (depth <= 0.0f) {
        e.immersion = 0;
    } else if (depth < height) {
        e.immersion = static_cast<int32_t>(depth / height * 100.0f);
    } else {
        e.immersion = 100;
    }
}

bool entity_trace_around(entity& e) {
    const mesh* m = first_mesh(e);
    if (!m) return false;
    const mat4& node = entity_parent_matrix(e);
    trace t;
    const std::pair<int32_t, float> rays[] = {{kChestFrontNode, kChestFrontReachSq},
                                              {kChestBackNode, kChestBackReachSq}};
    for (const auto& [index, reach] : rays) {
        if (static_cast<std::size_t>(index) >= m->tree.size()) continue;
        const box3& box = mesh_box_node(*m, index).box;
        const vec3 start = mat4_transform_point(node, (box.min + box.max) * 0.5f);
        const vec3 forward = mat4_row2(node);
        for (const vec3& direction : {forward, -forward}) {
            trace_ray(t, e.in_sector, start, direction, reach, 0, 0, 1, 1);
            if (!trace_is_clear(t)) return true;
        }
    }
    return false;
}

void entity_strike(entity& e, const mat4& strike_frame, sector* in_sector, int32_t attacker) {
    trace& t = strike_trace();
    trace_ray(t, in_sector, mat4_row3(strike_frame), mat4_row0(strike_frame), kStrikeReachSq, 1, 1, 1, 0);
    server& srv = owner_server(e);
    for (const trace_hit& hit : t.hits) {
        if (hit.player_id < 0 || hit.player_id == attacker || hit.hit.distance_sq > kStrikeReachSq) continue;
        if (std::find(e.struck.begin(), e.struck.end(), hit.player_id) != e.struck.end()) continue;
        const player_record* victim = server_find_player(srv, static_cast<uint32_t>(hit.player_id));
        const float protection = victim ? static_cast<float>(victim->armour) : 0.0f;
        e.struck.push_back(hit.player_id);
        server_damage_player(srv, static_cast<uint32_t>(attacker), static_cast<uint32_t>(hit.player_id),
                             (1.0f - protection / 255.0f * 0.5f) * kStrikeDamage, hit.hit.value, true);
    }
}

void entity_play_sound(entity& e, const std::string& name, const vec3& point, bool positioned) {
    sound_system& sound = kernel_get().sound;
    const int32_t player = entity_name_player_id(e.name);
    const uintptr_t key = static_cast<uintptr_t>(static_cast<intptr_t>(player) + kSoundOwnerBase);
    if (!positioned) {
        snd_play(sound, kSoundChannel, name, key, 0, false);
        return;
    }
    // The sector is the zone the sound fades with; the key is its owner.
    snd_play_3d(sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(e.in_sector), point, vec3{},
                vec3{0.0f, 0.0f, -1.0f}, static_cast<float>(e.sound_distances[0]),
                static_cast<float>(e.sound_distances[1]), 360.0f, 360.0f, 0, key, 0, false);
}

void entity_start_shake(entity& e, float amplitude) {
    e.shake_counter = 0;
    e.shake_amplitude = amplitude;
    timer_restart(e.shake_timer);
}

void entity_set_view_offset(entity& e, float x, float y, float z, float w) {
    e.view_offset[0] = x;
    e.view_offset[1] = y;
    e.view_offset[2] = z;
    e.view_offset[3] = w;
}

bool entity_view_model_step(entity& e) {
    if (!e.parent) {
        rebuild_view_model(e);
        if (e.shake_amplitude > 0.0f) run_shake(e);
    } else {
        if (!e.parent->view_model_changed) return false;
        e.view_model = e.parent->view_model;
        e.parent->view_model_changed = 0;
    }
    const mat4 weapon = mat4_mul(entity_parent_matrix(e), e.view_model);
    e.position = mat4_row3(weapon);
    e.motion = mat4_row2(weapon);
    e.side = mat4_row0(weapon);
    return true;
}

box3 entity_bounds(const entity& e) {
    mat4 place = entity_parent_matrix(e);
    mat4_translate(place, e.centre);
    return transformed_bounds(e.box, place);
}

}  // namespace kv
