#include "beings/blast.h"

#include <cmath>

#include "game/player_record.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

// How far past its range a shot still reaches, falling off to nothing.
constexpr float kFallOffMargin = 2500.0f;
// What a soldier the shot passes through takes off it, and the attenuation of a surface of the
// highest resistance.
constexpr float kBodyWear = 2.0f;
constexpr float kFullWear = 10.0f;
constexpr float kStopped = 1e38f;
// Damage that a shot past its reach still does.
constexpr float kSpentDamage = 0.001f;
// A surface the shot grazes (its normal square to the ray) neither wears nor hurts.
constexpr float kGrazing = 1e-5f;
constexpr float kImpactSize = 100.0f;

trace& shot_trace() {
    static trace t;
    return t;
}

bool grazing(const vec3& direction, const vec3& normal) {
    const float d = direction.x * normal.x + direction.y * normal.y + direction.z * normal.z;
    return -kGrazing < d && d < kGrazing;
}

void world_hit(trace_hit& hit, const vec3& direction, bool high, sector* origin, float& wear) {
    if (!(high && grazing(direction, hit.hit.normal))) {
        wear = hit.material ? wear + static_cast<float>(hit.material->blast_absorption) / 255.0f * kFullWear
                            : kStopped;
    }
    if (!hit.material || hit.material->kind == kSurfaceKindFoliage) return;
    gfx& g = kernel_get().graphics;
    if (hit.material->kind == kSurfaceKindGlass) {
        if (hit.hit_mesh && !mesh_is_broken(*hit.hit_mesh)) {
            gfx_add_glass_shatter_effect(g, hit, origin);
            gfx_forget_last_effect(g);
            mesh_break(*hit.hit_mesh);
        }
        return;
    }
    gfx_add_impact_effect(g, hit, kImpactSize, origin);
    gfx_forget_last_effect(g);
}

}  // namespace

void blast_create(blast& b, uint32_t owner, const vec3& point, const vec3& direction,
                  const float (&values)[kBlastValues]) {
    b.owner = owner;
    b.point = point;
    const float length = vec3_length(direction);
    b.direction = length > 0.0f && std::isfinite(length) ? direction * (1.0f / length) : vec3{};
    b.direction.w = 0.0f;
    for (int i = 0; i < kBlastValues; ++i) b.values[i] = values[i];
}

float blast_damage_at(const blast& b, float distance) {
    const float inner = b.values[kBlastInner];
    const float outer = b.values[kBlastOuter];
    const float range = b.values[kBlastRange];
    if (distance <= range) return range > 0.0f ? inner + (outer - inner) * distance / range : inner;
    // Past the range the damage falls from the outer value to nothing over the margin.
    if (distance - range <= kFallOffMargin) return outer * (1.0f - (distance - range) / kFallOffMargin);
    return kSpentDamage;
}

void blast_apply(blast& b, sector* origin) {
    if (!origin) return;
    const bool high = kernel_get().detail_level == kDetailHigh;
    const float penetration = b.values[kBlastPenetration];
    const float reach = kFallOffMargin + b.values[kBlastRange];
    trace& t = shot_trace();
    trace_ray(t, origin, b.point, b.direction, reach * reach, 1, high ? 1 : 0, 1, 0);
    server& srv = origin->srv ? *origin->srv : server_get();
    float wear = 0.0f;
    for (trace_hit& hit : t.hits) {
        if (wear > penetration) break;
        if (hit.player_id < 0) {
            world_hit(hit, t.direction, high, origin, wear);
            continue;
        }
        const uint32_t victim = static_cast<uint32_t>(hit.player_id);
        if (victim == b.owner) continue;
        if (high && grazing(t.direction, hit.hit.normal)) continue;
        const player_record* r = server_find_player(srv, victim);
        if (!r) continue;
        float damage = blast_damage_at(b, std::sqrt(hit.hit.distance_sq)) * (1.0f - wear / kFullWear);
        const float armour = 1.4f - static_cast<float>(r->armour) / 255.0f;
        if (armour < 1.0f) damage *= armour;
        server_damage_player(srv, b.owner, victim, damage * 10.0f, hit.hit.value, srv.hosting != 0);
        wear += kBodyWear;
    }
}

}  // namespace kv
