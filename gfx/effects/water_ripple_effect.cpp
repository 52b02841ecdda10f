#include "gfx/effects/water_ripple_effect.h"

#include <algorithm>

#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "world/mesh.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr float kRingHalf = 25.0f;
constexpr float kRingHeight = 3.0f;
constexpr float kFrameU = 0.2f;
constexpr int32_t kFrames = 5;
constexpr int32_t kGrowthStepMs = 32;
constexpr int32_t kGrowthDivisorMs = 33;
constexpr float kSinkPerStep = 0.02222f;
constexpr float kGrowthFactor = 800.0f;

// The material whose pass sound the ripples play.
const surface_material* ripple_material() {
    return surface_table_get(kernel_get().surfaces, "water1");
}

}  // namespace

water_ripple_effect::water_ripple_effect(const vec3& at, float size_value, sector* sector_value)
    : position(at), in_sector(sector_value) {
    set_size(size_value);
    detail = kernel_get().detail_level;
    if (detail <= kDetailLow) {
        parts = 0;
        lifetime_ms = 0;
    }
}

water_ripple_effect::~water_ripple_effect() = default;

void water_ripple_effect::set_size(float value) {
    size = value;
    growth_target = value * kGrowthFactor;
}

bool water_ripple_effect::alive() {
    return timer_elapsed_ms(clock) < lifetime_ms;
}

void water_ripple_effect::prepare(gfx& g) {
    if (!ring) {
        if (parts <= 0) return;
        const float h = kRingHalf;
        const float y = kRingHeight;
        const float quad[20] = {-h, y, h, 0, 0, h, y, h, kFrameU, 0, h, y, -h, kFrameU, 1, -h, y, -h, 0, 1};
        ring = effect_quad(quad, effect_register_texture(g, texture));
        if (!ring) parts = 0;
        timer_restart(clock);
        if (sound) {
            const surface_material* water = ripple_material();
            const std::string base = water ? water->sounds[kSoundPass] : std::string();
            const std::string name = base + effect_random_digit();
            if (!base.empty()) effect_play_sound(name, in_sector, position, 100.0f, 2000.0f);
        }
        return;
    }
    const int32_t elapsed = timer_elapsed_ms(clock);
    if (elapsed - frame_ms >= lifetime_ms / kFrames) {
        for (mesh_vertex& v : ring->rest_vertices) v.u += kFrameU;
        frame_ms = elapsed;
    }
    if (elapsed - growth_ms > kGrowthStepMs) {
        const int32_t steps = std::max(lifetime_ms / kGrowthDivisorMs, 1);
        size += ((growth_target - 50.0f) / static_cast<float>(steps)) / 100.0f;
        position.y -= kSinkPerStep;
        growth_ms = elapsed;
        ++growth_steps;
    }
}

mat4 water_ripple_effect::part_matrix(gfx&, int32_t) {
    return effect_axes({size, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, size}, position);
}

}  // namespace kv
