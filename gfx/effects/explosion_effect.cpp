#include "gfx/effects/explosion_effect.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"
#include "world/mesh.h"

namespace kv {
namespace {

constexpr float kSpriteHeight = 50.0f;
constexpr float kSpriteDelayMs = 50.0f;
constexpr float kSpriteBehindMs = 175.0f;
constexpr float kSpriteFullMs = 250.0f;
constexpr float kSpriteEndMs = 350.0f;
constexpr float kSpriteSize = 1500.0f;
constexpr int32_t kArcSegments = 7;
constexpr float kArcFirstAngle = 5.105088f;
constexpr float kArcSize = 400.0f;
constexpr float kArcSpread = 200.0f;
constexpr float kArcStagger = 20.0f;
constexpr int32_t kArcFrames = 30;
constexpr float kArcFrameU = 1.0f / kArcFrames;
constexpr float kArcTopV = 0.015f;
constexpr int32_t kArcPlayMs = 1000;

}  // namespace

explosion_effect::explosion_effect(const vec3& at, const vec3& scale_value)
    : position(at), scale(scale_value) {}

explosion_effect::~explosion_effect() = default;

bool explosion_effect::alive() {
    // With nothing to show it is gone at its first pass.
    if (not_started) return (part_flags & (kExplosionSprites | kExplosionArc)) != 0;
    return timer_elapsed_ms(clock) <= lifetime_ms;
}

mesh* explosion_effect::part_mesh(int32_t i) {
    return i >= 0 && i < parts ? part_list[i] : nullptr;
}

mat4 explosion_effect::part_matrix(gfx&, int32_t) {
    if (!placement)
        placement = std::make_unique<mat4>(
            effect_axes({scale.x, 0.0f, 0.0f}, {0.0f, scale.y, 0.0f}, {0.0f, 0.0f, scale.z}, position));
    return *placement;
}

void explosion_effect::set_parts(const std::string& sprite_name, uint8_t sprites_on,
                                 const std::string& arc_name, uint8_t arc_on) {
    if (!sprite_name.empty()) sprite_texture = sprite_name;
    if (sprites_on) {
        part_flags |= kExplosionSprites;
    } else {
        part_flags &= ~(kExplosionSprites | 4u);
    }
    if (!arc_name.empty()) arc_texture = arc_name;
    if (arc_on) {
        part_flags |= kExplosionArc;
    } else {
        part_flags &= kExplosionSprites;
    }
}

void explosion_effect::list(mesh* m) {
    if (m && parts < kExplosionMaxParts) part_list[parts++] = m;
}

void explosion_effect::prepare(gfx& g) {
    if (not_started) {
        timer_restart(clock);
        not_started = 0;
    }
    parts = 0;
    const int32_t elapsed = timer_elapsed_ms(clock);
    if (part_flags & kExplosionSprites) sprite_step(g, elapsed);
    if (part_flags & kExplosionArc) arc_step(g, elapsed);
}

void explosion_effect::grow(mesh& sprite, float& accumulated, float& next_ms, float t) {
    if (t < next_ms || t >= kSpriteEndMs) return;
    const float s = t <= kSpriteFullMs ? t / kSpriteFullMs : kSpriteEndMs / t;
    const float f = s / (accumulated / kSpriteSize);
    for (mesh_vertex& v : sprite.rest_vertices) {
        v.x *= f;
        v.z *= f;
    }
    accumulated *= f;
    list(&sprite);
    next_ms += kStepMs;
}

void explosion_effect::sprite_step(gfx& g, int32_t elapsed) {
    if (!sprite_a) {
        lifetime_ms = std::max(lifetime_ms, kExplosionSpriteLifetimeMs);
        sprite_layer = effect_register_texture(g, sprite_texture);
        const float y = kSpriteHeight;
        const float quad[20] = {-1, y, 1, 0, 0, 1, y, 1, 1, 0, 1, y, -1, 1, 1, -1, y, -1, 0, 1};
        sprite_a = effect_quad(quad, sprite_layer);
        sprite_b = effect_quad(quad, sprite_layer);
        sprite_scale_a = sprite_scale_b = 1.0f;
        if (!sprite_a || !sprite_b) {
            part_flags &= ~(kExplosionSprites | 4u);
            return;
        }
    }
    float t = static_cast<float>(elapsed) - kSpriteDelayMs;
    grow(*sprite_a, sprite_scale_a, next_a_ms, t);
    t -= kSpriteBehindMs;
    grow(*sprite_b, sprite_scale_b, next_b_ms, t);
}

void explosion_effect::arc_step(gfx& g, int32_t elapsed) {
    if (!arc) {
        lifetime_ms = std::max(lifetime_ms, kExplosionArcLifetimeMs);
        arc_layer = effect_register_texture(g, arc_texture);
        std::vector<float> vertices;
        std::vector<uint32_t> indices;
        for (int32_t k = 0; k < kArcSegments; ++k) {
            const float a = kArcFirstAngle + static_cast<float>(k) * std::numbers::pi_v<float> / 8.0f;
            const float half = kArcSize * std::cos(a) / 2.0f;
            const float dx = k % 2 == 0 ? -kArcStagger : kArcStagger;
            const float dz = -kArcSpread * std::sin(a);
            const uint32_t first = static_cast<uint32_t>(vertices.size() / 5);
            vertices.insert(vertices.end(), {-half + dx, half,  dz, 0.0f,       kArcTopV,  //
                                             half + dx,  half,  dz, kArcFrameU, kArcTopV,  //
                                             half + dx,  -half, dz, kArcFrameU, 1.0f,      //
                                             -half + dx, -half, dz, 0.0f,       1.0f});
            indices.insert(indices.end(), {first, first + 1, first + 2, first + 3});
        }
        arc = mesh_create(kMeshQuads, static_cast<uint16_t>(vertices.size() / 5), vertices.data(),
                          static_cast<uint32_t>(indices.size()), indices.data(),
                          static_cast<uint16_t>(std::max(arc_layer, 0)), kMeshPartIntact);
        arc_yaw = 0.0f;
        if (!arc) {
            part_flags &= kExplosionSprites;
            return;
        }
    }
    // The yaw that turns the arc's face, (0, 0, -1), toward the camera.
    vec3 to_camera = mat4_row3(effect_camera(g)) - position;
    to_camera.y = 0.0f;
    const float length = vec3_length(to_camera);
    const bool can_turn = length > 0.0f && std::isfinite(length);
    float yaw = arc_yaw;
    if (can_turn) {
        const vec3 d = to_camera * (1.0f / length);
        const float angle = std::acos(std::clamp(-d.z, -1.0f, 1.0f));
        // The Y of (0, 0, -1) x d is -d.x.
        yaw = -d.x < 0.0f ? 2.0f * std::numbers::pi_v<float> - angle : angle;
    }
    if (elapsed < kArcPlayMs && static_cast<float>(elapsed) >= next_arc_ms) {
        // With the camera straight above there is no way to face: the arc keeps its turn this pass.
        if (can_turn) {
            const float turn = -(yaw - arc_yaw);
            const float c = std::cos(turn);
            const float s = std::sin(turn);
            for (mesh_vertex& v : arc->rest_vertices) {
                const float x = v.x * c - v.z * s;
                const float z = v.x * s + v.z * c;
                v.x = x;
                v.z = z;
            }
            arc_yaw += yaw - arc_yaw;
        }
        for (mesh_vertex& v : arc->rest_vertices) v.u += kArcFrameU;
        next_arc_ms += kStepMs;
    }
    list(arc.get());
}

}  // namespace kv
