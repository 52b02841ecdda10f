#include "beings/dropped_weapon.h"

#include <algorithm>
#include <cmath>

#include "beings/grenade.h"
#include "game/server.h"
#include "gfx/debug_draw.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "util/mat4.h"
#include "world/entity_def.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {

namespace {

constexpr float kRestSpeed = 0.001f;
constexpr float kShortestStep = 1e-4f;
constexpr float kAxisSize = 1e-5f;
constexpr float kMaterialShare = 0.2f;
constexpr float kBareBounce = 0.25f;
constexpr float kSplashSize = 200.0f;
constexpr float kSinkSpeed = 0.1f;
constexpr float kSinkDepth = 8.0f;
constexpr float kSinkGravityShare = 0.25f;
constexpr float kBounceNear = 100.0f;
constexpr float kBounceFar = 1000.0f;
constexpr int32_t kSameSoundMs = 200;
constexpr int32_t kSoundChannel = 2;
constexpr int32_t kSerials = 255;
// The renderer's helpers pass outlines the weapon's model in the colour of the bodies' boxes.
constexpr gfx_colour kDebugColour{0.0f, 1.0f, 0.0f};

int32_t g_next_serial = 0;

vec3 unit(const vec3& v) {
    const float length = vec3_length(v);
    return length > 0.0f ? v * (1.0f / length) : v;
}

trace& fall_trace() {
    static trace* t = new trace();
    return *t;
}

// Up along `up`, the front toward the horizontal direction (identity axes without one).
void set_axes(mat4& m, const vec3& up, const vec3& direction) {
    vec3 front{direction.x, 0.0f, direction.z};
    if (std::fabs(up.y) < 0.9f) front = vec3{0.0f, 1.0f, 0.0f};
    front = unit(front - up * vec3_dot(front, up));
    if (vec3_length_sq(front) == 0.0f) front = std::fabs(up.z) < 0.9f ? vec3{0.0f, 0.0f, 1.0f} : vec3{1.0f, 0.0f, 0.0f};
    const vec3 side = unit(vec3_cross(up, front));
    mat4_set_row0(m, side.x, side.y, side.z);
    mat4_set_row1(m, up.x, up.y, up.z);
    mat4_set_row2(m, front.x, front.y, front.z);
    m.m[15] = 1.0f;
}

void play_sound(dropped_weapon& w, const std::string& name, const vec3& point) {
    if (name.empty()) return;
    if (name == w.last_sound && timer_elapsed_ms(w.sound_timer) < kSameSoundMs) return;
    snd_play_3d(kernel_get().sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(w.in_sector), point, vec3{},
                vec3{0.0f, 0.0f, -1.0f}, kBounceNear, kBounceFar, 360.0f, 360.0f, 0, reinterpret_cast<uintptr_t>(&w),
                0, false);
    timer_restart(w.sound_timer);
    w.last_sound = name;
}

void bounce(dropped_weapon& w, const trace_hit& hit, const vec3& step_direction, vec3& q) {
    const vec3 n = hit.hit.normal;
    const vec3 r = -step_direction;
    const vec3 mirrored = unit(n * (2.0f * vec3_dot(n, r)) - r);
    const float reach = std::max(1.0f, vec3_length(q - hit.hit.point));
    w.arc_start = hit.hit.point;
    q = hit.hit.point + mirrored * reach;
    w.velocity = mirrored;
    if (w.node && vec3_length_sq(n) > 0.0f) set_axes(w.node->transform, unit(n), mat4_row2(w.node->transform));
    timer_restart(w.fall_timer);
}

void bounce_step(dropped_weapon& w, const vec3& p, vec3& q) {
    const vec3 segment = q - p;
    const float length_sq = vec3_length_sq(segment);
    if (!(length_sq >= kShortestStep * kShortestStep)) return;
    const vec3 direction = segment * (1.0f / std::sqrt(length_sq));
    trace& t = fall_trace();
    trace_ray(t, w.in_sector, p, direction, length_sq, 1, 0, 1, 0);
    for (const trace_hit& hit : t.hits) {
        if (!(hit.hit.distance_sq < length_sq)) continue;
        const surface_material* material = hit.player_id >= 0 ? nullptr : hit.material;
        if (!material) {
            w.speed *= kBareBounce;
            bounce(w, hit, direction, q);
            return;
        }
        const int32_t kind = material->kind;
        if (kind == kSurfaceKindLimit || kind == kSurfaceKindThrough) return;
        w.speed *= static_cast<float>(material->restitution) / 255.0f * kMaterialShare;
        play_sound(w, material->sounds[kSoundRico], hit.hit.point);
        if (kind == kSurfaceKindWater) {
            gfx& graphics = kernel_get().graphics;
            const bool echo = gfx_effect_echo(graphics);
            gfx_set_effect_echo(graphics, false);
            gfx_add_impact_effect(graphics, hit, kSplashSize, w.in_sector);
            gfx_forget_last_effect(graphics);
            gfx_set_effect_echo(graphics, echo);
            w.speed = kSinkSpeed;
            w.velocity = {0.0f, -1.0f, 0.0f};
            w.arc_start = hit.hit.point;
            q = hit.hit.point + w.velocity * kSinkDepth;
            w.acceleration.y *= kSinkGravityShare;
            timer_restart(w.fall_timer);
            return;
        }
        if (kind == kSurfaceKindFoliage) {
            w.arc_start = hit.hit.point;
            q = hit.hit.point + w.velocity * w.speed;
            timer_restart(w.fall_timer);
            return;
        }
        bounce(w, hit, direction, q);
        return;
    }
}

void first_update(dropped_weapon& w) {
    w.resolved = 1;
    w.model = thrown_resolve_model(*w.srv, w.model_name);
    w.node = std::make_unique<scene_node>();
    scene_node_init(*w.node, "lost_wpn1", w.model.get());
    mat4& m = w.node->transform;
    if (std::fabs(w.velocity.x) >= kAxisSize || std::fabs(w.velocity.z) >= kAxisSize) {
        set_axes(m, {0.0f, 1.0f, 0.0f}, w.velocity);
    }
    mat4_set_row3(m, w.arc_start.x, w.arc_start.y, w.arc_start.z);
    m.m[15] = 1.0f;
    if (w.in_sector && w.listed) {
        thrown_node_enter(w.in_sector, w.node.get());
        w.linked = 1;
    }
    w.previous = w.arc_start;
    timer_restart(w.fall_timer);
}

}  // namespace

dropped_weapon::dropped_weapon() = default;

dropped_weapon::~dropped_weapon() {
    dropped_weapon_destroy(*this);
}

void dropped_weapon_reset_serials() {
    g_next_serial = 0;
}

void dropped_weapon_create(dropped_weapon& w, server& srv, const dropped_weapon_values& values, uint8_t serial,
                           sector* in_sector) {
    w.srv = &srv;
    w.arc_start = values.arc_start;
    w.previous = values.arc_start;
    w.velocity = values.velocity;
    w.acceleration = values.acceleration;
    for (int i = 0; i < 3; ++i) w.values[i] = values.values[i];
    w.model_name = values.model_name;
    w.in_sector = in_sector;
    w.id = values.id;
    w.speed = values.speed;
    w.sector_index = thrown_sector_index(srv, in_sector);
    if (serial == kDroppedHere) {
        w.serial = static_cast<uint8_t>(g_next_serial);
        g_next_serial = (g_next_serial + 1) % kSerials;
    } else {
        w.serial = serial;
    }
}

void dropped_weapon_destroy(dropped_weapon& w) {
    if (w.node && w.in_sector && w.listed && w.linked) thrown_node_leave(w.in_sector, w.node.get());
    w.linked = 0;
    w.node.reset();
    w.model.reset();
}

void dropped_weapon_update(dropped_weapon& w) {
    if (!w.srv) return;
    if (!w.resolved) {
        first_update(w);
        return;
    }
    if (w.speed <= kRestSpeed) {
        w.resting = 1;
        return;
    }
    w.velocity = unit(w.velocity);
    const float t = static_cast<float>(timer_elapsed_ms(w.fall_timer)) / 1000.0f;
    vec3 q = w.arc_start + w.velocity * (w.speed * t) + w.acceleration * (t * t / 2.0f);
    const vec3 p = w.previous;
    bounce_step(w, p, q);
    sector* reached = w.in_sector ? sector_pass_portals(*w.in_sector, p, q) : nullptr;
    w.previous = q;
    if (w.node) {
        mat4_set_row3(w.node->transform, q.x, q.y, q.z);
        w.node->transform.m[15] = 1.0f;
    }
    if (reached && reached != w.in_sector) {
        if (w.listed && w.linked) {
            thrown_node_leave(w.in_sector, w.node.get());
            thrown_node_enter(reached, w.node.get());
        }
        w.in_sector = reached;
    }
}

bool dropped_weapon_matches(const dropped_weapon& w, int32_t id, uint8_t serial) {
    return w.id == id && w.serial == serial;
}

box3 dropped_weapon_bounds(const dropped_weapon& w) {
    box3 box;
    if (w.node && w.model) return box3_transform(w.model->box, w.node->transform);
    box3_init_point(box, dropped_weapon_position(w));
    return box;
}

void dropped_weapon_draw(dropped_weapon& w) {
    if (!w.node || !w.model) return;
    gfx& g = kernel_get().graphics;
    view_stack_push_matrix(g.views, w.node->transform);
    gfx_draw_box(g, kDebugColour, w.model->box);
    view_stack_pop_matrix(g.views);
}

vec3 dropped_weapon_position(const dropped_weapon& w) {
    return w.node ? mat4_row3(w.node->transform) : w.arc_start;
}

}  // namespace kv
