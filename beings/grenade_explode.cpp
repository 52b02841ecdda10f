// Explosions: the effect and sound of each kind, the damage and shake around the grenade, the glass
// in reach, and the placed charge's countdown.

#include <cmath>
#include <string>
#include <vector>

#include "beings/being_services.h"
#include "beings/entity.h"
#include "beings/entity_body.h"
#include "beings/grenade.h"
#include "gfx/gfx.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "kernel/kernel.h"
#include "util/text.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"
#include "world/world_query.h"

namespace kv {

namespace {

constexpr float kFragRadius = 650.0f;
constexpr float kChargeRadius = 2600.0f;
constexpr float kContactLift = 5.0f;
constexpr float kBreakLift = 2.0f;
constexpr float kShakeReach = 3.0f;
constexpr float kNoTraceShare = 0.2f;
constexpr float kSoakLimit = 10.0f;
constexpr float kSoldierSoak = 2.0f;
constexpr float kWallSoak = 1e38f;
constexpr int32_t kChargeExplodesMs = 45000;

struct blast_candidate {
    entity* body = nullptr;
    uint32_t id = 0;
    vec3 at;
    float distance = 0.0f;
};

void fireball(grenade& g, gfx& graphics, const vec3& at, const vec3& scale, const char* sprite,
              float water_size) {
    if (g.in_water) {
        gfx_add_blast_impact_effect(graphics, {at.x, g.water_point.y, at.z}, g.water_normal, g.in_sector);
        gfx_set_impact_effect(graphics, "", "hit_water", 1, water_size);
    } else {
        gfx_add_explosion_effect(graphics, at, scale);
        gfx_set_explosion_effect(graphics, "", 0, sprite, 1);
    }
    gfx_forget_last_effect(graphics);
}

}  // namespace

float grenade_soak_damage(const trace& t, uint32_t victim, float damage) {
    float soak = 0.0f;
    for (const trace_hit& hit : t.hits) {
        if (soak > kSoakLimit) break;
        if (hit.player_id >= 0) {
            damage *= 1.0f - soak / kSoakLimit;
            if (static_cast<uint32_t>(hit.player_id) == victim) return damage;
            soak += kSoldierSoak;
        } else {
            soak += hit.material ? static_cast<float>(hit.material->blast_absorption) / 255.0f * kSoakLimit
                                 : kWallSoak;
        }
    }
    return -1.0f;
}

float grenade_damage_step(float distance, float radius) {
    if (distance <= 0.45f * radius) return 100.0f;
    if (distance <= 0.6f * radius) return 75.0f;
    if (distance <= 0.75f * radius) return 50.0f;
    if (distance <= 0.9f * radius) return 25.0f;
    if (distance <= radius) return 10.0f;
    return 0.0f;
}

void grenade_explode(grenade& g) {
    gfx& graphics = kernel_get().graphics;
    const bool echo = gfx_effect_echo(graphics);
    gfx_set_effect_echo(graphics, false);
    const vec3 at = g.position;
    switch (g.kind) {
        case kGrenadeFragTimed:
        case kGrenadeFragContact:
        case kGrenadeLauncher:
            fireball(g, graphics, at, {1.0f, 1.0f, 1.0f}, "expl_anim", 750.0f);
            grenade_play_sound(g, "exp_55_3", at, 1000.0f, 300000.0f);
            g.alive = 0;
            grenade_blast_damage(g, kFragRadius);
            grenade_break_meshes(g, kFragRadius);
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
            fireball(g, graphics, at, {4.0f, 4.0f, 4.0f}, "expl_anim", 1500.0f);
            grenade_play_sound(g, "exp_c4", at, 20000.0f, 600000.0f);
            grenade_blast_damage(g, kChargeRadius);
            grenade_break_meshes(g, kChargeRadius);
            g.exploded = 1;
            break;
        default:
            break;
    }
    gfx_set_effect_echo(graphics, echo);
}

void grenade_blast_damage(grenade& g, float radius) {
    server& srv = *g.srv;
    const vec3 centre = g.position + g.contact_normal * kContactLift;
    const float shake_reach = kShakeReach * radius;
    std::vector<blast_candidate> near;
    for (const player_record& r : srv.players) {
        if (!player_record_is_active(r)) continue;
        // Found without creating: a player without a body is not there to be hurt.
        entity* body = server_entity_find(srv, str_format("pid%d", static_cast<int32_t>(r.id)));
        if (!body) continue;
        const vec3 at = mat4_row3(entity_world_matrix(*body));
        const float d = vec3_length(at - centre);
        if (!(d <= shake_reach)) continue;
        near.push_back({body, r.id, at, d});
    }
    for (const blast_candidate& c : near)
        entity_start_shake(*c.body, (shake_reach - c.distance) / shake_reach);
    if (g.quiet) return;
    static trace t;
    for (const blast_candidate& c : near) {
        if (c.distance > radius) continue;
        float damage = grenade_damage_step(c.distance, radius);
        if (c.distance > kNoTraceShare * radius) {
            trace_ray(t, g.in_sector, centre, vec3_normalise(c.at - centre), 1e38f, 1, 0, 1, 0);
            damage = grenade_soak_damage(t, c.id, damage);
            if (damage < 0.0f) continue;
        }
        const player_record* victim = server_find_player(srv, c.id);
        if (!victim) continue;
        const float f = 1.4f - static_cast<float>(victim->armour) / 255.0f;
        if (f < 1.0f) damage *= f;
        // Walls that soak it all leave him unhurt: no hit of nothing goes out.
        if (damage < 1.0f) continue;
        server_damage_player(srv, g.owner, c.id, damage, kExplosionHitCode, srv.hosting != 0);
    }
}

void grenade_break_meshes(grenade& g, float radius) {
    if (g.quiet || !g.in_sector) return;
    static query_area_record area;
    const vec3 centre = g.position + vec3{0.0f, kBreakLift, 0.0f};
    box3 box;
    box3_init(box, centre - vec3{radius, radius, radius}, centre + vec3{radius, radius, radius});
    query_area(area, *g.in_sector, box);
    gfx& graphics = kernel_get().graphics;
    for (const area_hit& a : area.hits) {
        if (!a.material || a.material->kind != kSurfaceKindGlass || !a.hit_mesh ||
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

void grenade_bomb_beep(grenade& g, int32_t total_ms) {
    if (total_ms >= kChargeExplodesMs) {
        grenade_explode(g);
        return;
    }
    const int32_t interval = total_ms <= 15000   ? 3000
                             : total_ms <= 30000 ? 2000
                             : total_ms <= 35000 ? 1000
                             : total_ms <= 40000 ? 300
                                                 : 100;
    if (timer_elapsed_ms(g.sound_timer) >= interval)
        grenade_play_sound(g, "bombeep", g.position, 30.0f, 30000.0f);
}

}  // namespace kv
