#include "beings/dropped_weapon.h"

#include <algorithm>
#include <cmath>

#include "beings/being_services.h"
#include "beings/flight.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "world/entity_def.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {

namespace {

constexpr float kRestSpeed = 0.001f;
constexpr float kBounceShare = 0.2f;
constexpr float kBareBounce = 0.25f;
constexpr float kSinkSpeed = 0.1f;
constexpr float kSinkStep = 8.0f;
constexpr float kWaterGravity = 0.25f;
constexpr float kWaterSplash = 200.0f;
constexpr float kBounceNear = 100.0f;
constexpr float kBounceFar = 1000.0f;
constexpr float kLevelLimit = 1e-5f;
constexpr float kBareHalfSide = 10.0f;
constexpr int kBounceSound = 3;

uint8_t next_serial = 0;

void place(dropped_weapon& w, const vec3& at) {
    if (!w.node) return;
    mat4_set_row3(w.node->transform, at.x, at.y, at.z);
}

// Up along the normal, the other axes kept as square as they can.
void turn_up(dropped_weapon& w, const vec3& normal) {
    if (!w.node) return;
    const vec3 up = vec3_normalise(normal);
    if (vec3_length_sq(up) == 0.0f) return;
    mat4& m = w.node->transform;
    vec3 front = mat4_row2(m);
    vec3 side = vec3_normalise(vec3_cross(up, front));
    if (vec3_length_sq(side) == 0.0f) side = vec3_normalise(vec3_cross(up, vec3{1.0f, 0.0f, 0.0f}));
    if (vec3_length_sq(side) == 0.0f) side = vec3_normalise(vec3_cross(up, vec3{0.0f, 0.0f, 1.0f}));
    front = vec3_cross(side, up);
    mat4_set_row0(m, side.x, side.y, side.z);
    mat4_set_row1(m, up.x, up.y, up.z);
    mat4_set_row2(m, front.x, front.y, front.z);
}

void bounce(dropped_weapon& w, const trace_hit& hit, const vec3& p, vec3& q) {
    const vec3 direction = flight_mirror(vec3_normalise(q - p), hit.hit.normal);
    const float rest = std::max(1.0f, vec3_length(q - hit.hit.point));
    w.position = hit.hit.point;
    w.velocity = direction;
    q = hit.hit.point + direction * rest;
    turn_up(w, hit.hit.normal);
    timer_restart(w.fall_timer);
}

void bounce_step(dropped_weapon& w, const vec3& p, vec3& q, const vec3& velocity) {
    static trace t;
    if (!flight_trace(t, w.in_sector, p, q)) return;
    const float reach_sq = vec3_length_sq(q - p);
    for (const trace_hit& hit : t.hits) {
        if (!(hit.hit.distance_sq < reach_sq)) return;
        if (hit.player_id >= 0 || !hit.material) {
            w.factor *= kBareBounce;
            bounce(w, hit, p, q);
            return;
        }
        const int32_t kind = hit.material->kind;
        if (kind == kSurfaceKindLimit || kind == kSurfaceKindThrough) return;
        w.factor *= static_cast<float>(hit.material->restitution) / 255.0f * kBounceShare;
        flight_play_sound(w.sound_timer, w.last_sound, hit.material->sounds[kBounceSound], hit.hit.point,
                          kBounceNear, kBounceFar, w.in_sector);
        if (kind == kSurfaceKindWater) {
            gfx& graphics = kernel_get().graphics;
            const bool echo = gfx_effect_echo(graphics);
            gfx_set_effect_echo(graphics, false);
            gfx_add_impact_effect(graphics, hit, kWaterSplash, w.in_sector);
            gfx_forget_last_effect(graphics);
            gfx_set_effect_echo(graphics, echo);
            w.factor = kSinkSpeed;
            w.velocity = {0.0f, -1.0f, 0.0f};
            w.position = hit.hit.point;
            q = hit.hit.point + w.velocity * kSinkStep;
            w.gravity.y *= kWaterGravity;
            timer_restart(w.fall_timer);
            return;
        }
        if (kind == kSurfaceKindFoliage) {
            w.position = hit.hit.point;
            q = hit.hit.point + velocity;
            timer_restart(w.fall_timer);
            return;
        }
        bounce(w, hit, p, q);
        return;
    }
}

void first_update(dropped_weapon& w) {
    flight_make_model(*w.srv, w.text, "lost_wpn1", w.model, w.node);
    mat4 m;
    if (std::fabs(w.velocity.x) >= kLevelLimit || std::fabs(w.velocity.z) >= kLevelLimit) {
        const vec3 front = vec3_normalise({w.velocity.x, 0.0f, w.velocity.z});
        const vec3 side = vec3_cross({0.0f, 1.0f, 0.0f}, front);
        mat4_set_row0(m, side.x, side.y, side.z);
        mat4_set_row1(m, 0.0f, 1.0f, 0.0f);
        mat4_set_row2(m, front.x, front.y, front.z);
    }
    mat4_set_row3(m, w.position.x, w.position.y, w.position.z);
    w.node->transform = m;
    w.previous = w.position;
    timer_restart(w.fall_timer);
    w.started = 1;
}

}  // namespace

dropped_weapon::dropped_weapon() = default;
dropped_weapon::~dropped_weapon() = default;

void dropped_weapon_create(dropped_weapon& w, server& srv, const dropped_weapon_values& values,
                           uint8_t serial, sector* in_sector) {
    w.srv = &srv;
    w.position = values.position;
    w.velocity = values.velocity;
    w.gravity = values.gravity;
    for (int i = 0; i < 3; ++i) w.values[i] = values.values[i];
    w.text = values.text;
    w.in_sector = in_sector;
    w.weapon_id = values.weapon_id;
    w.factor = std::isfinite(values.factor) ? values.factor : 0.0f;
    w.sector_index = flight_sector_index(srv, in_sector);
    w.previous = values.position;
    if (serial == kDroppedHere) {
        w.kind = next_serial;
        next_serial = static_cast<uint8_t>(next_serial >= kDroppedHere - 1 ? 0 : next_serial + 1);
    } else {
        w.kind = serial;
    }
}

void dropped_weapon_destroy(dropped_weapon& w) {
    w.node.reset();
    w.model.reset();
}

void dropped_weapon_update(dropped_weapon& w) {
    if (!w.started) {
        first_update(w);
        return;
    }
    if (w.factor <= kRestSpeed) {
        w.resting = 1;
        return;
    }
    const vec3 velocity = vec3_normalise(w.velocity) * w.factor;
    w.velocity = vec3_normalise(w.velocity);
    const float t = static_cast<float>(timer_elapsed_ms(w.fall_timer)) / 1000.0f;
    vec3 q = flight_point(w.position, velocity, w.gravity, t);
    const vec3 p = w.previous;
    bounce_step(w, p, q, velocity);
    sector* reached = w.in_sector ? sector_pass_portals(*w.in_sector, p, q) : nullptr;
    w.previous = q;
    place(w, q);
    if (reached && reached != w.in_sector) w.in_sector = reached;
}

bool dropped_weapon_matches(const dropped_weapon& w, int32_t weapon_id, uint8_t serial) {
    return w.weapon_id == weapon_id && w.kind == serial;
}

box3 dropped_weapon_bounds(const dropped_weapon& w) {
    const vec3 at = dropped_weapon_position(w);
    if (w.model && w.node) return box3_transform(w.model->box, w.node->transform);
    box3 b;
    box3_init(b, at - vec3{kBareHalfSide, kBareHalfSide, kBareHalfSide},
              at + vec3{kBareHalfSide, kBareHalfSide, kBareHalfSide});
    return b;
}

vec3 dropped_weapon_position(const dropped_weapon& w) {
    return w.node ? mat4_row3(w.node->transform) : w.previous;
}

void dropped_weapon_reset_serials() {
    next_serial = 0;
}

}  // namespace kv
