#pragma once
// The flash and fire of an exploding grenade or charge at a point: two flat flash sprites at the
// height of 50 that grow and shrink one after the other (the second 175 ms behind the first), and an
// arc of seven flame quads that keeps turning to face the viewer while it plays a strip of 30 frames
// for a second. Either part can be switched off; the whole explosion is scaled by the scale vector.

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

inline constexpr const char* kExplosionSpriteTexture = "expl_1";
inline constexpr const char* kExplosionArcTexture = "expl_anim";
// Part flags: bit 0 the sprites, bit 1 the arc.
inline constexpr uint32_t kExplosionSprites = 1;
inline constexpr uint32_t kExplosionArc = 2;
inline constexpr uint32_t kExplosionAllParts = 7;
inline constexpr int32_t kExplosionSpriteLifetimeMs = 425;
inline constexpr int32_t kExplosionArcLifetimeMs = 1010;
inline constexpr int32_t kExplosionMaxParts = 9;

class explosion_effect : public effect {
public:
    explosion_effect(const vec3& position, const vec3& scale);
    ~explosion_effect() override;

    effect_class kind() const override { return effect_class::explosion; }
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return parts; }
    mesh* part_mesh(int32_t i) override;
    mat4 part_matrix(gfx& g, int32_t i) override;

    // The parameters of `gfx_set_explosion_effect`: an empty (or unusable) name keeps the texture.
    void set_parts(const std::string& sprite_texture, uint8_t sprites_on, const std::string& arc_texture,
                   uint8_t arc_on);

    timer clock;
    uint8_t not_started = 1;
    int32_t lifetime_ms = 0;
    vec3 position;
    vec3 scale{1.0f, 1.0f, 1.0f};
    uint32_t part_flags = kExplosionAllParts;
    mesh* part_list[kExplosionMaxParts] = {};
    int32_t parts = 0;
    std::unique_ptr<mesh> sprite_a;
    std::unique_ptr<mesh> sprite_b;
    int32_t sprite_layer = -1;
    float sprite_scale_a = 1.0f;
    float sprite_scale_b = 1.0f;
    std::string sprite_texture = kExplosionSpriteTexture;
    std::unique_ptr<mesh> arc;
    int32_t arc_layer = -1;
    std::string arc_texture = kExplosionArcTexture;
    float next_arc_ms = kFirstStepMs;
    float next_a_ms = kFirstStepMs;
    float next_b_ms = kFirstStepMs;
    float arc_yaw = 0.0f;
    std::unique_ptr<mat4> placement;

    static constexpr float kFirstStepMs = 33.33f;
    static constexpr float kStepMs = 33.333f;

private:
    void sprite_step(gfx& g, int32_t elapsed);
    void arc_step(gfx& g, int32_t elapsed);
    void grow(mesh& sprite, float& accumulated, float& next_ms, float t);
    void list(mesh* m);
};

}  // namespace kv
