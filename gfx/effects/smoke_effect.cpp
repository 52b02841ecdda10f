#include "gfx/effects/smoke_effect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"
#include "world/mesh.h"

namespace kv {
namespace {

constexpr float kFrameU = 0.02f;
constexpr float kTopV = 0.015f;
constexpr int32_t kLoopMs = 1000;
// Inside this distance from the centre the camera is in the cloud.
constexpr float kInsideDistance = kSmokeSize / 2.0f;
// The u each corner of a puff starts with (and a loop restarts at): the left edge 0, the right 0.02.
constexpr float kStartU[4] = {0.0f, kFrameU, kFrameU, 0.0f};

}  // namespace

smoke_effect::smoke_effect(const vec3& at, const vec3& velocity_value)
    : position(at), velocity(velocity_value) {
    for (int32_t i = 0; i < kSmokePuffs; ++i) {
        scales[i] = kSmokeFirstScale;
        growth[i] = kSmokeGrowth[i / 2];
        end_ms[i] = kSmokeEndMs[i / 2];
    }
    timer_restart(clock);
}

smoke_effect::~smoke_effect() = default;

bool smoke_effect::alive() {
    return live || timer_elapsed_ms(clock) <= kSmokeShortestMs;
}

mesh* smoke_effect::part_mesh(int32_t i) {
    return i >= 0 && i < parts ? part_list[i] : nullptr;
}

bool smoke_effect::build(gfx& g) {
    duration_ms = std::max(duration_ms, kSmokeDurationMs);
    layer = effect_register_texture(g, texture);
    for (int32_t k = 0; k < kSmokePuffs; ++k) {
        const float w =
            kSmokeSize * std::sin(static_cast<float>(k + 1) * std::numbers::pi_v<float> / (kSmokePuffs + 1));
        const float x = w / 2.0f;
        const float y = kSmokeSize / 2.0f;
        const float quad[20] = {-x, y,  0, kStartU[0], kTopV, x,  y,  0, kStartU[1], kTopV,
                                x,  -y, 0, kStartU[2], 1.0f,  -x, -y, 0, kStartU[3], 1.0f};
        puffs[k] = effect_quad(quad, layer);
        if (!puffs[k]) {
            live = 0;
            return false;
        }
    }
    return true;
}

void smoke_effect::prepare(gfx& g) {
    parts = 0;
    if (!puffs[0] && !build(g)) return;
    const int32_t elapsed = timer_elapsed_ms(clock);
    if (elapsed >= 1) step(elapsed);
}

void smoke_effect::step(int32_t elapsed) {
    const bool due = step_ms <= elapsed;
    for (int32_t i = 0; i < kSmokePuffs; ++i) {
        mesh& puff = *puffs[i];
        if (due) {
            if (step_ms < end_ms[i]) {
                const bool restart = step_ms % kLoopMs == 0;
                for (std::size_t j = 0; j < puff.rest_vertices.size(); ++j) {
                    mesh_vertex& v = puff.rest_vertices[j];
                    v.u = restart ? kStartU[j % 4] : v.u + kFrameU;
                }
            } else if ((step_ms / kSmokeStepMs) % 2 == 0) {
                for (mesh_vertex& v : puff.rest_vertices) v.u += kFrameU;
            }
            scales[i] = std::min(scales[i] + growth[i], 1.0f);
        }
        if (step_ms < end_ms[i] + kSmokeFadeMs) {
            part_list[parts] = &puff;
            part_scales[parts] = &scales[i];
            ++parts;
        }
    }
    if (due) step_ms += kSmokeStepMs;
    // Once the last puff has left, the cloud has nothing more to show.
    if (parts == 0) live = 0;
}

mat4 smoke_effect::part_matrix(gfx& g, int32_t i) {
    const float s = i >= 0 && i < parts ? *part_scales[i] : 1.0f;
    const mat4 camera = effect_camera(g);
    const vec3 d = position - mat4_row3(camera);
    vec3 x = mat4_row0(camera);
    vec3 y = mat4_row1(camera);
    vec3 z = mat4_row2(camera);
    if (vec3_length(d) > kInsideDistance) {
        const vec3 side = vec3_cross(d, y);
        // Looking along the camera's up axis there is no side to take: the camera's axes stand.
        if (vec3_length_sq(side) > 0.0f) {
            z = vec3_normalise(d);
            x = vec3_normalise(side);
        }
    }
    placement = effect_axes(x * s, y * s, z * s, position);
    return placement;
}

}  // namespace kv
