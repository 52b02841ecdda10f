#include "beings/blast.h"

#include <cmath>

#include "game/player_record.h"
#include "game/server.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {

namespace {

// How far past its range a shot still carries (and hurts, falling off to nothing).
constexpr float kMargin = 2500.0f;
// A face the ray grazes within this (|direction . normal|) is passed over at high detail.
constexpr float kGrazing = 1e-5f;
// What each soldier the shot passes through takes out of it.
constexpr float kSoldierWear = 2.0f;
constexpr float kWallWearScale = 10.0f / 255.0f;
constexpr float kStopped = 1e38f;
constexpr float kFarDamage = 0.001f;
constexpr float kHitScale = 10.0f;

// One record serves every shot: only its hit list grows.
trace& blast_trace() {
    static trace t;
    return t;
}

bool grazing(const vec3& direction, const vec3& normal) {
    const float d = direction.x * normal.x + direction.y * normal.y + direction.z * normal.z;
    return std::fabs(d) < kGrazing;
}

}  // namespace

void blast_create(blast& b, uint32_t owner, const vec3& point, const vec3& direction,
                  const float (&values)[kBlastValues]) {
    b.owner = owner;
    b.point = point;
    b.point.w = 0.0f;
    b.direction = vec3_normalise(vec3{direction.x, direction.y, direction.z});
    for (int i = 0; i < kBlastValues; ++i) b.values[i] = values[i];
}

float blast_damage_at(const blast& b, float distance) {
    const float inner = b.values[kBlastInner];
    const float range = b.values[kBlastRange];
    const float outer = b.values[kBlastOuter];
    if (distance <= range) return range > 0.0f ? inner + (outer - inner) * distance / range : outer;
    if (distance - range <= kMargin) return outer * (1.0f - (distance - range) / kMargin);
    return kFarDamage;
}

void blast_apply(blast& b, sector* origin) {
    if (!origin) return;
    server& srv = origin->srv ? *origin->srv : server_get();
    gfx& g = kernel_get().graphics;
    const bool high = kernel_get().detail_level == kDetailHigh;
    const float penetration = b.values[kBlastPenetration];
    const float reach = kMargin + b.values[kBlastRange];
    trace& t = blast_trace();
    trace_ray(t, origin, b.point, b.direction, reach * reach, 1, high ? 1 : 0, 1, 0);

    float wear = 0.0f;
    for (const trace_hit& hit : t.hits) {
        if (wear > penetration) break;
        if (hit.player_id < 0) {
            if (!hit.material) {
                wear = kStopped;
                continue;
            }
            if (!(high && grazing(t.direction, hit.hit.normal)))
                wear += static_cast<float>(hit.material->blast_absorption) * kWallWearScale;
            if (hit.material->kind == kSurfaceKindFoliage) continue;
            if (hit.material->kind == kSurfaceKindGlass) {
                if (hit.hit_mesh && !mesh_is_broken(*hit.hit_mesh)) {
                    gfx_add_glass_shatter_effect(g, hit, origin);
                    gfx_forget_last_effect(g);
                    mesh_break(*hit.hit_mesh);
                }
                continue;
            }
            gfx_add_impact_effect(g, hit, 100.0f, origin);
            gfx_forget_last_effect(g);
            continue;
        }
        // The shooter neither takes his own shot nor wears it.
        if (static_cast<uint32_t>(hit.player_id) == b.owner) continue;
        if (high && grazing(t.direction, hit.hit.normal)) continue;
        float damage = blast_damage_at(b, std::sqrt(hit.hit.distance_sq)) * (1.0f - wear / 10.0f);
        if (const player_record* victim = server_find_player(srv, static_cast<uint32_t>(hit.player_id))) {
            const float armour = 1.4f - static_cast<float>(victim->armour) / 255.0f;
            if (armour < 1.0f) damage *= armour;
            server_damage_player(srv, b.owner, static_cast<uint32_t>(hit.player_id), damage * kHitScale,
                                 hit.hit.value, true);
        }
        wear += kSoldierWear;
    }
}

}  // namespace kv
