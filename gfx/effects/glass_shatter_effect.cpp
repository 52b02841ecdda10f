#include "gfx/effects/glass_shatter_effect.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

#include "game/server.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/random.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr float kKick = 0.05f;
// Shards move three times their speed per ms.
constexpr float kMoveFactor = 3.0f;
constexpr float kSoundMin = 300.0f;
constexpr float kSoundMax = 3000.0f;
constexpr uint8_t kNotInTable = 255;

vec3 position_of(const mesh_vertex& v) {
    return {v.x, v.y, v.z};
}

mesh_vertex lerp(const mesh_vertex& a, const mesh_vertex& b, float f) {
    mesh_vertex r = a;
    r.x = a.x + (b.x - a.x) * f;
    r.y = a.y + (b.y - a.y) * f;
    r.z = a.z + (b.z - a.z) * f;
    r.w = a.w + (b.w - a.w) * f;
    r.u = a.u + (b.u - a.u) * f;
    r.v = a.v + (b.v - a.v) * f;
    for (int i = 0; i < 3; ++i) r.extra[i] = a.extra[i] + (b.extra[i] - a.extra[i]) * f;
    return r;
}

float draw_fraction() {
    return static_cast<float>(kv_rand()) / static_cast<float>(kRandMax);
}

// Moves the half's centre from its corners into its displacement, with a kick away from it.
void centre_half(glass_shard& s) {
    vec3 c;
    for (const mesh_vertex& v : s.corners) c = c + position_of(v);
    c = c * 0.25f;
    const float length = vec3_length(c);
    if (length > 0.0f && std::isfinite(length)) s.velocity = s.velocity + c * (kKick / length);
    s.displacement = s.displacement + c;
    for (mesh_vertex& v : s.corners) {
        v.x -= c.x;
        v.y -= c.y;
        v.z -= c.z;
    }
}

uint8_t index_byte(int32_t index) {
    return index >= 0 && index < kNotInTable ? static_cast<uint8_t>(index) : kNotInTable;
}

}  // namespace

glass_shatter_effect::glass_shatter_effect(gfx& g, mesh* pane_value, surface* surface_value,
                                           sector* sector_value, bool echo)
    : in_sector(sector_value), pane_surface(surface_value), pane(pane_value) {
    const int32_t detail = kernel_get().detail_level;
    if (detail == kDetailMedium) lifetime_ms = kGlassLifetimeMs / 2;
    if (detail <= kDetailLow) lifetime_ms = kGlassLifetimeMs / 4;
    if (!echo) return;
    const uint32_t key = pane ? pane->id : 0;
    uint8_t surface_byte = index_byte(effect_surface_index(g, pane_surface));
    uint8_t sector_byte = index_byte(effect_sector_index(g, in_sector));
    // A key the event cannot carry would name another pane there: the peers make nothing.
    if (key > std::numeric_limits<uint16_t>::max()) surface_byte = sector_byte = kNotInTable;
    client_write_decal_event(effect_world(g).client, static_cast<uint16_t>(key), surface_byte, sector_byte);
}

glass_shatter_effect::~glass_shatter_effect() = default;

bool glass_shatter_effect::alive() {
    return timer_elapsed_ms(clock) <= lifetime_ms && live;
}

surface& glass_shatter_effect::effect_surface(gfx& g) {
    return pane_surface ? *pane_surface : effect::effect_surface(g);
}

std::vector<mesh_vertex> glass_shatter_effect::outline(const mesh& pane) {
    const std::span<const mesh_vertex> vertices = pane.vertices();
    if (pane.parts.empty() || pane.parts.front().indices.size() < 3) return {};
    const std::vector<uint16_t>& indices = pane.parts.front().indices;
    if (indices[0] >= vertices.size() || indices[1] >= vertices.size() || indices[2] >= vertices.size())
        return {};
    const vec3 p0 = position_of(vertices[indices[0]]);
    const vec3 n0 =
        vec3_cross(position_of(vertices[indices[1]]) - p0, position_of(vertices[indices[2]]) - p0);
    const float n_length = vec3_length(n0);
    if (!(n_length > 0.0f) || !std::isfinite(n_length)) return {};
    const vec3 n = n0 * (1.0f / n_length);
    const float d = -vec3_dot(n, p0);

    std::vector<mesh_vertex> corners;
    // The collected corners by x, to find the same corner again without comparing with every one.
    std::multimap<float, std::size_t> by_x;
    const float tolerance_sq = kGlassPlaneTolerance * kGlassPlaneTolerance;
    for (const mesh_vertex& v : vertices) {
        const vec3 p = position_of(v);
        if (!(std::fabs(vec3_dot(n, p) + d) <= kGlassPlaneTolerance)) continue;
        // The same corner again (a vertex split for its texture coordinates) counts once.
        bool again = false;
        for (auto it = by_x.lower_bound(p.x - kGlassPlaneTolerance);
             it != by_x.end() && it->first <= p.x + kGlassPlaneTolerance && !again; ++it)
            again = vec3_length_sq(position_of(corners[it->second]) - p) < tolerance_sq;
        if (again) continue;
        by_x.emplace(p.x, corners.size());
        corners.push_back(v);
    }
    if (corners.size() < 4) return corners;
    vec3 centre;
    for (const mesh_vertex& c : corners) centre = centre + position_of(c);
    centre = centre * (1.0f / static_cast<float>(corners.size()));
    // Removing the one nearest the centre (the first of equals) until four remain keeps the four
    // farthest, the later of equals, in their collected order.
    std::vector<std::size_t> order(corners.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto distance = [&](std::size_t i) { return vec3_length_sq(position_of(corners[i]) - centre); };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const float da = distance(a);
        const float db = distance(b);
        return da > db || (da == db && a > b);
    });
    order.resize(4);
    std::sort(order.begin(), order.end());
    std::vector<mesh_vertex> kept;
    for (std::size_t i : order) kept.push_back(corners[i]);
    corners = std::move(kept);
    // In the order they go round the outline, from the first: the collected order of a grid's corners
    // would cross the pane.
    const vec3 from_centre = position_of(corners[0]) - centre;
    if (!(vec3_length_sq(from_centre) > 0.0f)) return corners;
    const vec3 e1 = vec3_normalise(from_centre);
    const vec3 e2 = vec3_cross(n, e1);
    auto turn = [&](const mesh_vertex& c) {
        const vec3 r = position_of(c) - centre;
        const float a = std::atan2(vec3_dot(r, e2), vec3_dot(r, e1));
        return a < 0.0f ? a + 2.0f * std::numbers::pi_v<float> : a;
    };
    std::stable_sort(corners.begin() + 1, corners.end(),
                     [&](const mesh_vertex& a, const mesh_vertex& b) { return turn(a) < turn(b); });
    return corners;
}

bool glass_shatter_effect::split(int32_t index) {
    glass_shard s = shards[static_cast<std::size_t>(index)];
    const mesh_vertex* c = s.corners;
    const float a = vec3_length(position_of(c[1]) - position_of(c[0])) +
                    vec3_length(position_of(c[3]) - position_of(c[2]));
    const float b = vec3_length(position_of(c[3]) - position_of(c[0])) +
                    vec3_length(position_of(c[2]) - position_of(c[1]));
    const float t = a + b;
    const float r1 = draw_fraction();
    const float r2 = draw_fraction();
    if (!(t > 0.0f) || !(b > 0.0f) || !std::isfinite(t)) return false;
    glass_shard first = s;
    glass_shard second = s;
    if (b / t <= r1) {
        // Across the first and third edges.
        const mesh_vertex p = lerp(c[0], c[1], r1);
        const mesh_vertex q = lerp(c[2], c[3], r2);
        first.corners[0] = c[0], first.corners[1] = p, first.corners[2] = q, first.corners[3] = c[3];
        second.corners[0] = p, second.corners[1] = c[1], second.corners[2] = c[2], second.corners[3] = q;
    } else {
        // Across the fourth and second edges; r1 < b / t here, so the fraction lies within the edge.
        const mesh_vertex p = lerp(c[0], c[3], r1 * t / b);
        const mesh_vertex q = lerp(c[2], c[1], r2);
        first.corners[0] = c[0], first.corners[1] = c[1], first.corners[2] = q, first.corners[3] = p;
        second.corners[0] = p, second.corners[1] = q, second.corners[2] = c[2], second.corners[3] = c[3];
    }
    centre_half(first);
    centre_half(second);
    shards[static_cast<std::size_t>(index)] = first;
    shards.push_back(second);
    return true;
}

void glass_shatter_effect::build() {
    built = true;
    const std::vector<mesh_vertex> corners = pane ? outline(*pane) : std::vector<mesh_vertex>{};
    vec3 centre;
    if (corners.size() == 4) {
        for (const mesh_vertex& c : corners) centre = centre + position_of(c);
        centre = centre * 0.25f;
    } else if (pane) {
        const box3 box = mesh_bounds(*pane);
        centre = (box.min + box.max) * 0.5f;
    }

    // The floor: the first thing under the pane's centre that is not the pane.
    bool found = false;
    if (in_sector) {
        trace t;
        trace_ray(t, in_sector, centre, {0.0f, -1.0f, 0.0f}, std::numeric_limits<float>::max(), 0, 1, 1, 0);
        for (const trace_hit& h : t.hits) {
            if (h.hit_mesh == pane) continue;
            floor_height = h.hit.point.y;
            found = true;
            break;
        }
    }
    if (!found) {
        floor_height = corners.empty() ? centre.y : corners.front().y;
        for (const mesh_vertex& c : corners) floor_height = std::min(floor_height, c.y);
    }
    floor_height += kGlassFloorLift;

    if (corners.size() == 4) {
        glass_shard whole;
        std::copy(corners.begin(), corners.end(), whole.corners);
        shards.push_back(whole);
        while (static_cast<int32_t>(shards.size()) < target_shards) {
            const int32_t existing = static_cast<int32_t>(shards.size());
            bool cut = false;
            for (int32_t i = 0; i < existing && static_cast<int32_t>(shards.size()) < target_shards; ++i)
                cut |= split(i);
            if (!cut) break;
        }
        shard_count = static_cast<int32_t>(shards.size());
        std::vector<float> vertices;
        std::vector<uint32_t> indices;
        for (const glass_shard& s : shards) {
            for (const mesh_vertex& v : s.corners) {
                indices.push_back(static_cast<uint32_t>(vertices.size() / 5));
                vertices.insert(vertices.end(), {v.x + s.displacement.x, v.y + s.displacement.y,
                                                 v.z + s.displacement.z, v.u, v.v});
            }
        }
        uint16_t layer = 0;
        if (!pane->parts.empty() && !pane->parts.front().draws.empty())
            layer = pane->parts.front().draws.front().draw_id;
        shard_mesh =
            mesh_create(kMeshQuads, static_cast<uint16_t>(indices.size()), vertices.data(),
                        static_cast<uint32_t>(indices.size()), indices.data(), layer, kMeshPartIntact);
        if (shard_mesh) {
            for (std::size_t k = 0; k < shards.size(); ++k) {
                for (int j = 0; j < 4; ++j) {
                    mesh_vertex& to = shard_mesh->rest_vertices[k * 4 + static_cast<std::size_t>(j)];
                    to.w = shards[k].corners[j].w;
                    std::copy(std::begin(shards[k].corners[j].extra), std::end(shards[k].corners[j].extra),
                              to.extra);
                }
            }
        }
    }

    if (pane) mesh_break(*pane);
    timer_restart(clock);
    previous_ms = current_ms = 0.0f;
    effect_play_sound(kGlassBreakSound, in_sector, centre, kSoundMin, kSoundMax);
}

void glass_shatter_effect::prepare(gfx&) {
    if (!built) build();
    move();
}

void glass_shatter_effect::move() {
    current_ms = static_cast<float>(timer_elapsed_ms(clock));
    const float dt = current_ms - previous_ms;
    previous_ms = current_ms;
    if (!shard_mesh) return;
    for (std::size_t k = 0; k < shards.size(); ++k) {
        glass_shard& s = shards[k];
        s.velocity.y -= dt * gravity;
        s.displacement = s.displacement + s.velocity * (dt * kMoveFactor);
        for (int j = 0; j < 4; ++j) {
            mesh_vertex& v = shard_mesh->rest_vertices[k * 4 + static_cast<std::size_t>(j)];
            const vec3 p = position_of(s.corners[j]) + s.displacement;
            if (p.y < floor_height) {
                // Lands: this corner stays where it was, on the floor.
                v.y = floor_height;
            } else {
                v.x = p.x;
                v.y = p.y;
                v.z = p.z;
            }
        }
    }
}

}  // namespace kv
