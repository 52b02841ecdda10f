#include "beings/grenade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "bots/bot_central.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/random.h"
#include "sound/sound_system.h"
#include "util/mat4.h"
#include "world/entity_def.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"
#include "world/world_read.h"

namespace kv {

namespace {

constexpr float kDegreesPerMs = std::numbers::pi_v<float> / 180.0f / 1000.0f;
constexpr float kFlightSpinDegrees = 720.0f;
constexpr float kBounceSpinDegrees = 3000.0f;
constexpr float kShortestStep = 1e-4f;
constexpr float kAxisThreshold = 1.0f / 64.0f;
constexpr float kSoldierBounce = 0.2f;
constexpr float kBareBounce = 0.5f;
constexpr float kBladeBounce = 0.2f;
constexpr float kSplashSize = 250.0f;
constexpr float kBounceNear = 100.0f;
constexpr float kBounceFar = 3000.0f;
constexpr float kDrawOffset = 5.0f;
constexpr float kLauncherLead = 100.0f;
constexpr float kSinkSpeed = 0.1f;
constexpr float kSinkGravityShare = 0.25f;
constexpr int32_t kSameSoundMs = 200;
constexpr int32_t kTimedFuseMs = 4000;
constexpr int32_t kContactFuseMs = 10000;
constexpr float kBladeDamage = 100.0f;
constexpr int32_t kSoundChannel = 2;
constexpr int32_t kBotEventChargePlaced = 0;

float random_unit() {
    return 2.0f * (static_cast<float>(kv_rand()) / static_cast<float>(kRandMax) - 0.5f);
}

// The unit vector, or the vector itself when it has no length.
vec3 unit(const vec3& v) {
    const float length = vec3_length(v);
    return length > 0.0f ? v * (1.0f / length) : v;
}

trace& flight_trace() {
    static trace* t = new trace();
    return *t;
}

void restart_fuse(grenade& g) {
    g.fuse_offset += timer_elapsed_ms(g.fuse_timer);
    timer_restart(g.fuse_timer);
    g.spin_stamp = 0;
}

// Row 2 along the direction, row 0 across it, row 1 their cross product.
void point_along(mat4& m, const vec3& direction) {
    const vec3 d = unit(direction);
    if (vec3_length_sq(d) == 0.0f) return;
    vec3 side = (std::fabs(d.x) < kAxisThreshold && std::fabs(d.z) < kAxisThreshold) ? vec3{-d.y, d.x, 0.0f}
                                                                                      : vec3{-d.z, 0.0f, d.x};
    side = unit(side);
    const vec3 third = vec3_cross(d, side);
    mat4_set_row0(m, side.x, side.y, side.z);
    mat4_set_row1(m, third.x, third.y, third.z);
    mat4_set_row2(m, d.x, d.y, d.z);
    m.m[15] = 1.0f;
}

// Up along the normal, the other two axes across it.
void lay_along(mat4& m, const vec3& normal) {
    const vec3 up = unit(normal);
    if (vec3_length_sq(up) == 0.0f) return;
    const vec3 seed = std::fabs(up.x) < 0.9f ? vec3{1.0f, 0.0f, 0.0f} : vec3{0.0f, 0.0f, 1.0f};
    const vec3 side = unit(vec3_cross(up, seed));
    const vec3 front = vec3_cross(side, up);
    mat4_set_row0(m, side.x, side.y, side.z);
    mat4_set_row1(m, up.x, up.y, up.z);
    mat4_set_row2(m, front.x, front.y, front.z);
    m.m[15] = 1.0f;
}

bool is_soldier(const trace_hit& hit) {
    return hit.player_id >= 0;
}

// Mirrors the step direction about the normal and restarts the arc at the hit.
void bounce(grenade& g, const trace_hit& hit, const vec3& step_direction, vec3& q) {
    if (g.blade) g.speed *= kBladeBounce;
    const vec3 n = hit.hit.normal;
    if (n.y < 0.0f || !g.blade) {
        g.contact_normal = n;
        const vec3 r = -step_direction;
        const vec3 mirrored = unit(n * (2.0f * vec3_dot(n, r)) - r);
        const float reach = std::max(1.0f, vec3_length(q - hit.hit.point));
        g.arc_start = hit.hit.point;
        q = hit.hit.point + mirrored * reach;
        g.velocity = mirrored;
        const float span = g.launch_speed - g.rest_speed;
        const float share = span > 0.0f ? (g.speed - g.rest_speed) / span : 0.0f;
        const float rate = kBounceSpinDegrees * kDegreesPerMs * share;
        g.spin_rates = {random_unit() * rate, random_unit() * rate, random_unit() * rate};
    } else {
        g.speed = 0.0f;
        g.arc_start = hit.hit.point;
        q = hit.hit.point;
    }
    g.hit = 1;
    restart_fuse(g);
}

void bounce_step(grenade& g, const vec3& p, vec3& q) {
    const vec3 segment = q - p;
    const float length_sq = vec3_length_sq(segment);
    // Two updates in one millisecond, or an arc just restarted: no direction to trace along.
    if (!(length_sq >= kShortestStep * kShortestStep)) return;
    const vec3 direction = segment * (1.0f / std::sqrt(length_sq));
    trace& t = flight_trace();
    trace_ray(t, g.in_sector, p, direction, length_sq, 1, 0, 1, 0);
    gfx& graphics = kernel_get().graphics;
    for (const trace_hit& hit : t.hits) {
        if (!(hit.hit.distance_sq < length_sq)) continue;
        // It leaves from inside the thrower's body: never off him during its first arc.
        if (is_soldier(hit) && !g.hit && static_cast<uint32_t>(hit.player_id) == g.owner) continue;
        g.last_hit_player = is_soldier(hit) ? hit.player_id : -1;
        g.last_hit_code = hit.hit.value;
        if (is_soldier(hit)) {
            g.speed *= kSoldierBounce;
            bounce(g, hit, direction, q);
            return;
        }
        const surface_material* material = hit.material;
        if (!material) {
            g.speed *= kBareBounce;
            bounce(g, hit, direction, q);
            return;
        }
        const int32_t kind = material->kind;
        if (kind == kSurfaceKindLimit || kind == kSurfaceKindThrough) return;
        if (kind == kSurfaceKindGlass) {
            if (!g.quiet && hit.hit_mesh && !mesh_is_broken(*hit.hit_mesh)) {
                gfx_add_glass_shatter_effect(graphics, hit, g.in_sector);
                gfx_forget_last_effect(graphics);
                mesh_break(*hit.hit_mesh);
            }
            continue;  // it flies through
        }
        g.speed *= static_cast<float>(material->restitution) / 255.0f;
        grenade_play_sound(g, material->sounds[kSoundRico], hit.hit.point, kBounceNear, kBounceFar);
        if (kind == kSurfaceKindWater) {
            const bool echo = gfx_effect_echo(graphics);
            gfx_set_effect_echo(graphics, false);
            gfx_add_impact_effect(graphics, hit, kSplashSize, g.in_sector);
            gfx_forget_last_effect(graphics);
            gfx_set_effect_echo(graphics, echo);
            g.speed = kSinkSpeed;
            g.velocity = {0.0f, -1.0f, 0.0f};
            g.arc_start = hit.hit.point;
            q = hit.hit.point + g.velocity;
            g.acceleration.y *= kSinkGravityShare;
            g.water_point = hit.hit.point;
            g.water_normal = hit.hit.normal;
            g.in_water = 1;
            restart_fuse(g);
            return;
        }
        if (kind == kSurfaceKindFoliage) {
            g.arc_start = hit.hit.point;
            q = hit.hit.point + g.velocity * g.speed;
            restart_fuse(g);
            return;
        }
        bounce(g, hit, direction, q);
        return;
    }
}

// Kinds 6 to 8: the soldier the blade struck, once.
void blade_hit(grenade& g) {
    if (g.last_hit_player < 0 || static_cast<uint32_t>(g.last_hit_player) == g.owner || !g.alive || g.quiet)
        return;
    server& srv = *g.srv;
    const player_record* victim = server_find_player(srv, static_cast<uint32_t>(g.last_hit_player));
    if (!victim) return;
    const float armour = static_cast<float>(victim->armour);
    server_damage_player(srv, g.owner, static_cast<uint32_t>(g.last_hit_player),
                         (1.0f - armour / 255.0f * 0.5f) * kBladeDamage, g.last_hit_code, true);
    g.alive = 0;
}

void place_node(grenade& g, const vec3& at) {
    g.position = at;
    if (!g.node) return;
    mat4& m = g.node->transform;
    if (g.kind == kGrenadeDefusable) {
        // keeps its orientation
    } else if (g.blade || g.kind == kGrenadeLauncher) {
        point_along(m, g.velocity);
    } else if (g.tumbling && g.speed > 2.0f * g.rest_speed) {
        mat4 turn;
        mat4_set_rotation_x(turn, g.spin_angles.x);
        mat4_rotate_y(turn, g.spin_angles.y);
        mat4_rotate_z(turn, g.spin_angles.z);
        for (int i = 0; i < 12; ++i) m.m[i] = turn.m[i];
        m.m[15] = 1.0f;
    } else {
        lay_along(m, g.contact_normal);
    }
    mat4_set_row3(m, at.x, at.y, at.z);
    m.m[15] = 1.0f;
}

void first_update(grenade& g) {
    g.resolved = 1;
    g.model = thrown_resolve_model(*g.srv, g.model_name);
    g.node = std::make_unique<scene_node>();
    scene_node_init(*g.node, "grenade", g.model.get());
    if (g.kind == kGrenadeLauncher) g.arc_start = g.arc_start + g.velocity * kLauncherLead;
    g.position = g.arc_start;
    if (g.blade || g.kind == kGrenadeLauncher) point_along(g.node->transform, g.velocity);
    mat4& m = g.node->transform;
    mat4_set_row3(m, g.arc_start.x, g.arc_start.y, g.arc_start.z);
    m.m[15] = 1.0f;
    const float rate = kFlightSpinDegrees * kDegreesPerMs;
    g.spin_rates = {random_unit() * rate, 0.0f, random_unit() * rate};
    g.spin_angles = {};
    g.previous = g.arc_start;
    timer_restart(g.fuse_timer);
    g.spin_stamp = 0;
}

void fly(grenade& g) {
    g.velocity = unit(g.velocity);
    const float t = static_cast<float>(timer_elapsed_ms(g.fuse_timer)) / 1000.0f;
    vec3 q = g.arc_start + g.velocity * (g.speed * t) + g.acceleration * (t * t / 2.0f);
    const vec3 p = g.previous;
    bounce_step(g, p, q);
    sector* reached = g.in_sector ? sector_pass_portals(*g.in_sector, p, q) : nullptr;
    g.previous = q;
    const int32_t now = timer_elapsed_ms(g.fuse_timer);
    g.spin_angles = g.spin_angles + g.spin_rates * static_cast<float>(now - g.spin_stamp);
    const vec3 at = (g.speed > g.rest_speed ? q : g.arc_start) + g.contact_normal * kDrawOffset;
    place_node(g, at);
    g.spin_stamp = now;
    if (reached && reached != g.in_sector) {
        if (g.listed && g.linked) {
            thrown_node_leave(g.in_sector, g.node.get());
            thrown_node_enter(reached, g.node.get());
        }
        g.in_sector = reached;
    }
}

}  // namespace

grenade::grenade() = default;

grenade::~grenade() {
    grenade_destroy(*this);
}

std::unique_ptr<entity_def> thrown_resolve_model(server& srv, const std::string& reference) {
    if (reference.empty()) return nullptr;
    std::string package_name;
    std::string object_name;
    world_split_reference(reference, "", package_name, object_name);
    entity_def* found = nullptr;
    reference_list own;
    ref_list_add(own, kRefEntity, package_name, object_name, &found);
    if (!ref_list_resolve(own, srv.packages) || !found) return nullptr;
    return entity_def_copy(*found);
}

void thrown_node_leave(sector* s, scene_node* node) {
    if (!s || !node) return;
    auto& list = s->moving_nodes;
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
}

void thrown_node_enter(sector* s, scene_node* node) {
    if (s && node) s->moving_nodes.push_back(node);
}

int32_t thrown_sector_index(server& srv, const sector* s) {
    if (!s) return -1;
    package* level = server_find_package(srv, srv.current_level_name);
    return level ? package_sector_index(*level, s) : -1;
}

void grenade_create(grenade& g, server& srv, uint32_t owner, const vec3& start, const vec3& velocity,
                    const grenade_values& values, sector* in_sector, bool quiet) {
    g.srv = &srv;
    g.owner = owner;
    g.arc_start = start;
    g.previous = start;
    g.position = start;
    g.velocity = velocity;
    g.kind = values.kind;
    g.id = values.id;
    g.variant = values.variant;
    g.in_sector = in_sector;
    g.model_name = values.model;
    g.acceleration = values.acceleration;
    g.quiet = quiet ? 1 : 0;
    g.speed = vec3_length(velocity);
    g.launch_speed = g.speed;
    g.rest_speed = g.speed / 100.0f;
    g.sector_index = thrown_sector_index(srv, in_sector);
    if (const player_record* r = server_find_player(srv, owner)) g.team = r->team;
    if (!quiet) client_send_grenade_event(srv.client, owner, start, velocity, values, g.sector_index);
    g.velocity = unit(velocity);
    g.tumbling = g.kind >= kGrenadeFragTimed && g.kind <= kGrenadeStun ? 1 : 0;
    g.blade = g.kind >= kGrenadeKabar && g.kind <= kGrenadeShovel ? 1 : 0;
    if (g.kind == kGrenadeDefusable && srv.hosting && srv.bots) {
        bot_game_event event;
        event.goal = -1;
        event.player = static_cast<int32_t>(owner);
        event.team = g.id;
        event.position = start;
        botc_broadcast_event(*srv.bots, kBotEventChargePlaced, event);
    }
}

void grenade_destroy(grenade& g) {
    if (g.node && g.in_sector && g.listed && g.linked) thrown_node_leave(g.in_sector, g.node.get());
    g.linked = 0;
    g.node.reset();
    g.model.reset();
}

void grenade_play_sound(grenade& g, const std::string& name, const vec3& point, float near_distance,
                        float far_distance) {
    if (name.empty()) return;
    if (name == g.last_sound && timer_elapsed_ms(g.sound_timer) < kSameSoundMs) return;
    snd_play_3d(kernel_get().sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(g.in_sector), point, vec3{},
                vec3{0.0f, 0.0f, -1.0f}, near_distance, far_distance, 360.0f, 360.0f, 0,
                reinterpret_cast<uintptr_t>(&g), 0, false);
    timer_restart(g.sound_timer);
    g.last_sound = name;
}

void grenade_update(grenade& g) {
    if (!g.srv) return;
    if (!g.resolved) {
        first_update(g);
        return;
    }
    if (!g.linked) {
        if (g.in_sector && g.listed) thrown_node_enter(g.in_sector, g.node.get());
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

}  // namespace kv
