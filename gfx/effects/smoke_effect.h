#pragma once
// A lasting smoke cloud: eighteen puffs of different widths centred on one point, each a flat quad
// turned to the viewer, that swell over several seconds while a strip of 50 frames plays (the first
// twenty in a loop, the rest as the puff fades), and leave one by one between 38 and 40.5 seconds.
// The cloud is gone once its last puff has left.

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

inline constexpr const char* kSmokeTexture = "smoke_anim";
inline constexpr int32_t kSmokePuffs = 18;
inline constexpr float kSmokeSize = 1250.0f;
inline constexpr int32_t kSmokeDurationMs = 40000;
// Alive for at least this long whatever the puffs do.
inline constexpr int32_t kSmokeShortestMs = 15000;
// A puff is listed until this long after its end time.
inline constexpr int32_t kSmokeFadeMs = 3000;
inline constexpr float kSmokeFirstScale = 0.0005f;
inline constexpr int32_t kSmokeStepMs = 50;
// Per puff pair (puffs 2k and 2k + 1).
inline constexpr float kSmokeGrowth[kSmokePuffs / 2] = {0.0068f, 0.0054f, 0.0052f, 0.0051f, 0.005f,
                                                        0.0051f, 0.0052f, 0.0054f, 0.0068f};
inline constexpr int32_t kSmokeEndMs[kSmokePuffs / 2] = {37500, 37000, 36500, 35500, 35000,
                                                         35500, 36500, 37000, 37500};

class smoke_effect : public effect {
public:
    smoke_effect(const vec3& position, const vec3& velocity);
    ~smoke_effect() override;

    effect_class kind() const override { return effect_class::smoke; }
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return parts; }
    mesh* part_mesh(int32_t i) override;
    // The puff turned to the camera, scaled by its own scale, at the position.
    mat4 part_matrix(gfx& g, int32_t i) override;

    vec3 position;
    vec3 velocity{1.0f, 1.0f, 1.0f};
    mat4 placement;
    uint8_t live = 1;
    timer clock;
    int32_t duration_ms = 0;
    mesh* part_list[kSmokePuffs] = {};
    float* part_scales[kSmokePuffs] = {};
    int32_t parts = 0;
    std::string texture = kSmokeTexture;
    std::unique_ptr<mesh> puffs[kSmokePuffs];
    float scales[kSmokePuffs] = {};
    float growth[kSmokePuffs] = {};
    int32_t end_ms[kSmokePuffs] = {};
    int32_t layer = -1;
    int32_t step_ms = kSmokeStepMs;

private:
    bool build(gfx& g);
    void step(int32_t elapsed);
};

}  // namespace kv
