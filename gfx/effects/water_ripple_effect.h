#pragma once
// A flat ring that spreads and sinks slowly on a water surface, a strip of five frames, with an
// optional splash sound. Water impacts make two; beings and the network make others.

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct surface_material;

inline constexpr const char* kRippleTexture = "water_ripple";
inline constexpr int32_t kRippleLifetimeMs = 2000;
// Lifetimes from outside are cut to this.
inline constexpr uint32_t kRippleLongestMs = 60000;

class water_ripple_effect : public effect {
public:
    water_ripple_effect(const vec3& position, float size, sector* in_sector);
    ~water_ripple_effect() override;

    effect_class kind() const override { return effect_class::water_ripple; }
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return parts; }
    mesh* part_mesh(int32_t) override { return ring.get(); }
    mat4 part_matrix(gfx& g, int32_t i) override;

    // The size and the growth target (size x 800) together.
    void set_size(float value);

    vec3 position;
    float size = 1.0f;
    float growth_target = 800.0f;
    sector* in_sector = nullptr;
    std::string texture = kRippleTexture;
    std::unique_ptr<mesh> ring;
    timer clock;
    int32_t frame_ms = 0;
    int32_t growth_ms = 0;
    int32_t lifetime_ms = kRippleLifetimeMs;
    int32_t growth_steps = 0;
    uint8_t sound = 0;
    int32_t parts = 1;
    int32_t detail = 0;
};

}  // namespace kv
