// Explosions: effects and sounds by kind, the shake and the damage around the grenade, the glass in
// reach, and the placed charge's countdown.

#include <cmath>
#include <string>
#include <vector>

#include "beings/entity.h"
#include "beings/entity_body.h"
#include "beings/grenade.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/text.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"
#include "world/world_query.h"

namespace kv {

namespace {

constexpr float kFragReach = 650.0f;
constexpr float kChargeReach = 2600.0f;
constexpr float kFragWater = 750.0f;
constexpr float kChargeWater = 1500.0f;
constexpr int32_t kExplosionCode = 253;
constexpr float kShakeShare = 3.0f;
constexpr float kAttenuationLimit = 10.0f;
constexpr float kSoldierAttenuation = 2.0f;
constexpr float kBreakLift = 2.0f;
constexpr int32_t kChargeExplodesMs = 45000;

// Base damage by distance as a share of the reach.
struct damage_step {
    float share;
    float damage;
};
constexpr damage_step kDamageSteps[] = {{0.45f, 100.0f}, {0.6f, 75.0f}, {0.75f, 50.0f}, {0.9f, 25.0f}, {1.0f, 10.0f}};
constexpr float kUntracedShare = 0.2f;

// Beep intervals of the charge by the time since it was linked.
struct beep_step {
    int32_t above;
    int32_t interval;
};
constexpr beep_step kBeepSteps[] = {{40000, 100}, {35000, 300}, {30000, 1000}, {15000, 2000}};
constexpr int32_t kFirstBeepInterval = 3000;

trace& damage_trace() {
    static trace* t = new trace();
    return *t;
}

query_area_record& break_query() {
    static query_area_record* q = new query_area_record();
    return *q;
}

vec3 node_position(const grenade& g) {
    return g.node ? mat4_row3(g.node->transform) : g.position;
}

// The fireball in the open, the splash at the water's surface in water.
void frag_effect(grenade& g, const vec3& at, const vec3& scale, float water_size) {
    gfx& graphics = kernel_get().graphics;
    if (!g.in_water) {
        gfx_add_explosion_effect(graphics, at, scale);
        gfx_set_explosion_effect(graphics, "", 0, "expl_anim", 1);
    } else {
        gfx_add_blast_impact_effect(graphics, {at.x, g.water_point.y, at.z}, g.water_normal, g.in_sector);
        gfx_set_impact_effect(graphics, "", "hit_water", 1, water_size);
    }
    gfx_forget_last_effect(graphics);
}

float base_damage(float d, float reach) {
    for (const damage_step& s : kDamageSteps) {
        if (d <= s.share * reach) return s.damage;
    }
    return 0.0f;
}

// The damage that reaches the candidate through what lies between, or a negative value when the walk
// ends before him.
float traced_damage(grenade& g, const vec3& centre, const vec3& target, uint32_t candidate, float damage) {
    const vec3 towards = target - centre;
    const float length = vec3_length(towards);
    if (!(length > 0.0f)) return damage;
    trace& t = damage_trace();
    trace_ray(t, g.in_sector, centre, towards * (1.0f / length), 1e38f, 1, 0, 1, 0);
    float attenuation = 0.0f;
    for (const trace_hit& hit : t.hits) {
        if (attenuation > kAttenuationLimit) break;
        if (hit.player_id >= 0) {
            damage *= 1.0f - attenuation / kAttenuationLimit;
            if (static_cast<uint32_t>(hit.player_id) == candidate) return damage;
            attenuation += kSoldierAttenuation;
        } else if (hit.player_id == -1) {
            attenuation += hit.material ? static_cast<float>(hit.material->blast_absorption) / 255.0f * 10.0f
                                        : 1e38f;
        }
    }
    return -1.0f;
}

}  // namespace

void grenade_explode(grenade& g) {
    gfx& graphics = kernel_get().graphics;
    const bool echo = gfx_effect_echo(graphics);
    gfx_set_effect_echo(graphics, false);
    const vec3 at = node_position(g);
    switch (g.kind) {
        case kGrenadeFragTimed:
        case kGrenadeFragContact:
        case kGrenadeLauncher:
            frag_effect(g, at, {1.0f, 1.0f, 1.0f}, kFragWater);
            grenade_play_sound(g, "exp_55_3", at, 1000.0f, 300000.0f);
            g.alive = 0;
            grenade_blast_damage(g, kFragReach);
            grenade_break_meshes(g, kFragReach);
            break;
        case kGrenadeSmoke:
            if (!g.in_water) {
                gfx_add_smoke_effect(graphics, at, {1.0f, 1.0f, 1.0f});
                gfx_forget_last_effect(graphics);
                grenade_play_sound(g, "exp_55_1", at, 200.0f, 4000.0f);
            }
            g.alive = 0;
            break;
        case kGrenadeStun:
            if (!g.in_water) {
                gfx_add_screen_tint_effect(graphics, static_cast<uint32_t>(g.sector_index), at);
                gfx_forget_last_effect(graphics);
                gfx_add_explosion_effect(graphics, at, {1.0f, 1.0f, 1.0f});
                gfx_set_explosion_effect(graphics, "", 0, "stun_anim", 1);
                gfx_forget_last_effect(graphics);
                grenade_play_sound(g, "exp_55_2", at, 200.0f, 4000.0f);
            }
            g.alive = 0;
            break;
        case kGrenadeDefusable:
            if (g.defused || g.exploded) break;
            frag_effect(g, at, {4.0f, 4.0f, 4.0f}, kChargeWater);
            grenade_play_sound(g, "exp_c4", at, 20000.0f, 600000.0f);
            grenade_blast_damage(g, kChargeReach);
            grenade_break_meshes(g, kChargeReach);
            g.exploded = 1;
            break;
        default:
            break;
    }
    gfx_set_effect_echo(graphics, echo);
}

void grenade_blast_damage(grenade& g, float reach) {
    server& srv = *g.srv;
    const vec3 centre = node_position(g) + g.contact_normal * 5.0f;
    struct candidate {
        uint32_t id;
        vec3 position;
        float distance;
    };
    std::vector<candidate> hurt;
    for (player_record& r : srv.players) {
        if (!player_record_is_active(r)) continue;
        // Only an existing body: a lookup never makes an empty one at the origin.
        entity* body = server_entity_find(srv, str_format("pid%d", static_cast<int32_t>(r.id)));
        if (!body) continue;
        const vec3 position = mat4_row3(entity_world_matrix(*body));
        const float d = vec3_length(position - centre);
        if (!(d <= kShakeShare * reach)) continue;
        entity_start_shake(*body, (kShakeShare * reach - d) / (kShakeShare * reach));
        if (d <= reach) hurt.push_back({r.id, position, d});
    }
    if (g.quiet) return;
    for (const candidate& c : hurt) {
        float damage = base_damage(c.distance, reach);
        if (c.distance > kUntracedShare * reach) {
            damage = traced_damage(g, centre, c.position, c.id, damage);
            if (damage < 0.0f) continue;
        }
        const player_record* victim = server_find_player(srv, c.id);
        if (!victim) continue;
        // In double: armour 255 leaves 40 of 100, not 39.99.
        const double f = 1.4 - static_cast<double>(victim->armour) / 255.0;
        if (f < 1.0) damage = static_cast<float>(static_cast<double>(damage) * f);
        server_damage_player(srv, g.owner, c.id, damage, kExplosionCode, true);
    }
}

void grenade_break_meshes(grenade& g, float reach) {
    if (g.quiet || !g.in_sector) return;
    vec3 centre = node_position(g);
    centre.y += kBreakLift;
    box3 box;
    box3_init(box, centre - vec3{reach, reach, reach}, centre + vec3{reach, reach, reach});
    query_area_record& q = break_query();
    query_area(q, *g.in_sector, box);
    gfx& graphics = kernel_get().graphics;
    for (const area_hit& a : q.hits) {
        if (a.player_id != -1 || !a.material || a.material->kind != kSurfaceKindGlass || !a.hit_mesh ||
            mesh_is_broken(*a.hit_mesh))
            continue;
        trace_hit hit;
        hit.material = a.material;
        hit.hit_mesh = a.hit_mesh;
        hit.surf = a.surf;
        hit.hit = a.hit;
        gfx_add_glass_shatter_effect(graphics, hit, g.in_sector);
        gfx_forget_last_effect(graphics);
        mesh_break(*a.hit_mesh);
    }
}

void grenade_bomb_beep(grenade& g, int32_t elapsed) {
    if (elapsed >= kChargeExplodesMs) {
        grenade_explode(g);
        return;
    }
    int32_t interval = kFirstBeepInterval;
    for (const beep_step& s : kBeepSteps) {
        if (elapsed > s.above) {
            interval = s.interval;
            break;
        }
    }
    if (timer_elapsed_ms(g.sound_timer) >= interval)
        grenade_play_sound(g, "bombeep", node_position(g), 30.0f, 30000.0f);
}

}  // namespace kv
