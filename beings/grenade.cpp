#include "beings/grenade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "beings/being_services.h"
#include "beings/flight.h"
#include "bots/bot_central.h"
#include "bots/goal_record.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/random.h"
#include "world/entity_def.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {

namespace {

constexpr float kRadiansPerDegreeMs = std::numbers::pi_v<float> / 180.0f / 1000.0f;
constexpr float kLaunchSpinDegrees = 720.0f;
constexpr float kBounceSpinDegrees = 3000.0f;
constexpr float kLauncherLead = 100.0f;
constexpr float kContactLift = 5.0f;
constexpr float kSoldierBounce = 0.2f;
constexpr float kBareBounce = 0.5f;
constexpr float kBladeBounce = 0.2f;
constexpr float kWaterSinkSpeed = 0.1f;
constexpr float kWaterGravity = 0.25f;
constexpr float kWaterSplash = 250.0f;
// Under water the grenade sinks until it is this slow, whatever its launch speed.
constexpr float kWaterRestSpeed = 0.001f;
constexpr float kBounceNear = 100.0f;
constexpr float kBounceFar = 3000.0f;
constexpr int32_t kTimedFuseMs = 4000;
constexpr int32_t kContactFuseMs = 10000;
constexpr int32_t kBotEventCharge = 0;
constexpr int kBounceSound = 3;  // the material's bounce ("rico") sound

float random_unit() {
    return 2.0f * (static_cast<float>(kv_rand()) / static_cast<float>(kRandMax) - 0.5f);
}

bool is_blade_kind(int32_t kind) {
    return kind >= kGrenadeKabar && kind <= kGrenadeShovel;
}

void restart_fuse(grenade& g) {
    g.fuse_offset += timer_elapsed_ms(g.fuse_timer);
    timer_restart(g.fuse_timer);
    g.spin_stamp = 0;
}

void place_node(grenade& g, const mat4& m) {
    g.position = mat4_row3(m);
    if (g.node) g.node->transform = m;
}

mat4 at_point(const mat4& axes, const vec3& point) {
    mat4 m = axes;
    mat4_set_row3(m, point.x, point.y, point.z);
    return m;
}

// Up axis along the normal (identity axes without one).
mat4 laid_along(const vec3& normal) {
    mat4 m;
    const vec3 up = vec3_normalise(normal);
    if (vec3_length_sq(up) == 0.0f) return m;
    const vec3 helper = std::fabs(up.y) < 0.9f ? vec3{0.0f, 1.0f, 0.0f} : vec3{1.0f, 0.0f, 0.0f};
    const vec3 side = vec3_normalise(vec3_cross(helper, up));
    const vec3 front = vec3_cross(side, up);
    mat4_set_row0(m, side.x, side.y, side.z);
    mat4_set_row1(m, up.x, up.y, up.z);
    mat4_set_row2(m, front.x, front.y, front.z);
    return m;
}

mat4 spun(const vec3& angles) {
    mat4 x, y, z;
    mat4_set_rotation_x(x, angles.x);
    mat4_set_rotation_y(y, angles.y);
    mat4_set_rotation_z(z, angles.z);
    return mat4_mul(mat4_mul(x, y), z);
}

void bounce(grenade& g, const trace_hit& hit, const vec3& p, vec3& q) {
    if (g.blade) g.speed *= kBladeBounce;
    const vec3& n = hit.hit.normal;
    if (n.y < 0.0f || !g.blade) {
        g.contact_normal = n;
        const vec3 direction = flight_mirror(vec3_normalise(q - p), n);
        const float rest = std::max(1.0f, vec3_length(q - hit.hit.point));
        g.arc_start = hit.hit.point;
        g.velocity = direction;
        q = hit.hit.point + direction * rest;
        const float span = g.launch_speed - g.rest_speed;
        const float share = span > 0.0f ? (g.speed - g.rest_speed) / span : 0.0f;
        const float rate = kBounceSpinDegrees * kRadiansPerDegreeMs * share;
        g.spin_rates = {random_unit() * rate, random_unit() * rate, random_unit() * rate};
    } else {
        // A blade meeting a floor or a wall sticks in it.
        g.speed = 0.0f;
        g.arc_start = hit.hit.point;
        q = hit.hit.point;
    }
    g.hit = 1;
    restart_fuse(g);
}

// One traced step from p toward q: may move the arc start, the direction, the speed and q.
void bounce_step(grenade& g, const vec3& p, vec3& q, const vec3& velocity) {
    static trace t;
    if (!flight_trace(t, g.in_sector, p, q)) return;
    const float reach_sq = vec3_length_sq(q - p);
    const bool first_arc = !g.hit;
    for (const trace_hit& hit : t.hits) {
        if (!(hit.hit.distance_sq < reach_sq)) return;
        // Leaving the thrower's hand, it starts inside his body.
        if (first_arc && hit.player_id >= 0 && static_cast<uint32_t>(hit.player_id) == g.owner) continue;
        g.last_hit_player = hit.player_id;
        g.last_hit_code = hit.hit.value;
        if (hit.player_id >= 0) {
            g.speed *= kSoldierBounce;
            bounce(g, hit, p, q);
            return;
        }
        if (!hit.material) {
            g.speed *= kBareBounce;
            bounce(g, hit, p, q);
            return;
        }
        const int32_t kind = hit.material->kind;
        if (kind == kSurfaceKindLimit || kind == kSurfaceKindThrough) return;
        if (kind == kSurfaceKindGlass) {
            if (!g.quiet && hit.hit_mesh && !mesh_is_broken(*hit.hit_mesh)) {
                gfx& graphics = kernel_get().graphics;
                gfx_add_glass_shatter_effect(graphics, hit, g.in_sector);
                gfx_forget_last_effect(graphics);
                mesh_break(*hit.hit_mesh);
            }
            continue;
        }
        g.speed *= static_cast<float>(hit.material->restitution) / 255.0f;
        grenade_play_sound(g, hit.material->sounds[kBounceSound], hit.hit.point, kBounceNear, kBounceFar);
        if (kind == kSurfaceKindWater) {
            gfx& graphics = kernel_get().graphics;
            const bool echo = gfx_effect_echo(graphics);
            gfx_set_effect_echo(graphics, false);
            gfx_add_impact_effect(graphics, hit, kWaterSplash, g.in_sector);
            gfx_forget_last_effect(graphics);
            gfx_set_effect_echo(graphics, echo);
            g.speed = kWaterSinkSpeed;
            g.rest_speed = std::min(g.rest_speed, kWaterRestSpeed);
            g.velocity = {0.0f, -1.0f, 0.0f};
            g.arc_start = hit.hit.point;
            q = hit.hit.point + g.velocity;
            g.acceleration.y *= kWaterGravity;
            g.water_point = hit.hit.point;
            g.water_normal = hit.hit.normal;
            g.in_water = 1;
            restart_fuse(g);
            return;
        }
        if (kind == kSurfaceKindFoliage) {
            g.arc_start = hit.hit.point;
            q = hit.hit.point + velocity;
            restart_fuse(g);
            return;
        }
        bounce(g, hit, p, q);
        return;
    }
}

void first_update(grenade& g) {
    flight_make_model(*g.srv, g.model_name, "grenade", g.model, g.node);
    if (g.kind == kGrenadeLauncher) g.arc_start = g.arc_start + g.velocity * kLauncherLead;
    const bool pointed = g.blade || g.kind == kGrenadeLauncher;
    place_node(g, pointed ? flight_pointing(g.velocity, g.arc_start) : at_point(mat4{}, g.arc_start));
    const float rate = kLaunchSpinDegrees * kRadiansPerDegreeMs;
    g.spin_rates.x = random_unit() * rate;
    g.spin_rates.y = 0.0f;
    g.spin_rates.z = random_unit() * rate;
    g.spin_angles = {};
    g.previous = g.arc_start;
    timer_restart(g.fuse_timer);
    g.spin_stamp = 0;
    g.started = 1;
}

void fly(grenade& g) {
    const vec3 velocity = g.velocity * g.speed;
    const float t = static_cast<float>(timer_elapsed_ms(g.fuse_timer)) / 1000.0f;
    vec3 q = flight_point(g.arc_start, velocity, g.acceleration, t);
    const vec3 p = g.previous;
    bounce_step(g, p, q, velocity);
    sector* reached = g.in_sector ? sector_pass_portals(*g.in_sector, p, q) : nullptr;
    g.previous = q;
    const int32_t ms = timer_elapsed_ms(g.fuse_timer);
    g.spin_angles = g.spin_angles + g.spin_rates * static_cast<float>(ms - g.spin_stamp);
    const vec3 at = (g.speed > g.rest_speed ? q : g.arc_start) + g.contact_normal * kContactLift;
    if (g.blade || g.kind == kGrenadeLauncher) {
        place_node(g, g.speed > 0.0f ? flight_pointing(g.velocity, at)
                                     : at_point(g.node ? g.node->transform : mat4{}, at));
    } else if (g.tumbling) {
        place_node(
            g,
            at_point(g.speed > 2.0f * g.rest_speed ? spun(g.spin_angles) : laid_along(g.contact_normal), at));
    } else {
        place_node(g, at_point(g.node ? g.node->transform : mat4{}, at));
    }
    g.spin_stamp = ms;
    if (reached && reached != g.in_sector) g.in_sector = reached;
}

void blade_hit(grenade& g) {
    if (!g.alive || g.last_hit_player < 0 || static_cast<uint32_t>(g.last_hit_player) == g.owner) return;
    server& srv = *g.srv;
    const uint32_t victim = static_cast<uint32_t>(g.last_hit_player);
    const player_record* r = server_find_player(srv, victim);
    if (!r) return;
    if (!g.quiet) {
        const float damage = (1.0f - static_cast<float>(r->armour) / 255.0f * 0.5f) * 100.0f;
        server_damage_player(srv, g.owner, victim, damage, g.last_hit_code, srv.hosting != 0);
    }
    g.alive = 0;
}

}  // namespace

grenade::grenade() = default;
grenade::~grenade() = default;

void grenade_create(grenade& g, server& srv, uint32_t owner, const vec3& position, const vec3& velocity,
                    const grenade_values& values, sector* in_sector, bool quiet) {
    g.srv = &srv;
    g.owner = owner;
    g.arc_start = position;
    g.position = position;
    g.previous = position;
    g.kind = values.kind;
    g.id = values.id;
    g.variant = values.variant;
    g.in_sector = in_sector;
    g.model_name = values.model;
    g.acceleration = values.acceleration;
    g.quiet = quiet ? 1 : 0;
    g.speed = vec3_length(velocity);
    if (!std::isfinite(g.speed)) g.speed = 0.0f;
    g.launch_speed = g.speed;
    g.rest_speed = g.speed / 100.0f;
    g.sector_index = flight_sector_index(srv, in_sector);
    if (const player_record* r = server_find_player(srv, owner)) g.team = r->team;
    if (!quiet) {
        client_send_grenade_event(srv.client, owner, position, velocity, values, g.sector_index);
    }
    g.velocity = vec3_normalise(velocity);
    g.tumbling = g.kind >= kGrenadeFragTimed && g.kind <= kGrenadeStun ? 1 : 0;
    g.blade = is_blade_kind(g.kind) ? 1 : 0;
    if (g.kind == kGrenadeDefusable && srv.hosting && srv.bots) {
        bot_game_event event;
        event.goal = -1;
        event.player = static_cast<int32_t>(owner);
        event.team = g.id;
        event.position = position;
        botc_broadcast_event(*srv.bots, kBotEventCharge, event);
    }
}

void grenade_destroy(grenade& g) {
    g.node.reset();
    g.model.reset();
    g.linked = 0;
}

void grenade_update(grenade& g) {
    if (!g.started) {
        first_update(g);
        return;
    }
    if (!g.linked) {
        timer_restart(g.fuse_timer);
        g.spin_stamp = 0;
        g.linked = 1;
        return;
    }
    if (g.speed > g.rest_speed) fly(g);
    const int32_t total = timer_elapsed_ms(g.fuse_timer) + g.fuse_offset;
    switch (g.kind) {
        case kGrenadeFragTimed:
        case kGrenadeSmoke:
        case kGrenadeStun:
            if (total >= kTimedFuseMs) grenade_explode(g);
            break;
        case kGrenadeFragContact:
        case kGrenadeLauncher:
            if (g.hit || total >= kContactFuseMs) grenade_explode(g);
            break;
        case kGrenadeDefusable:
            grenade_bomb_beep(g, total);
            break;
        case kGrenadeKabar:
        case kGrenadeTanto:
        case kGrenadeShovel:
            blade_hit(g);
            break;
        default:
            break;
    }
}

void grenade_play_sound(grenade& g, const std::string& name, const vec3& point, float near_distance,
                        float far_distance) {
    flight_play_sound(g.sound_timer, g.last_sound, name, point, near_distance, far_distance, g.in_sector);
}

}  // namespace kv
