// The body's movement step through a generated level, standing (one sweep) and prone (three sweeps):
// at most 15 and 40 microseconds a call.

#include <benchmark/benchmark.h>

#include <cmath>

#include "beings/entity.h"
#include "beings/entity_body.h"
#include "game/server.h"
#include "tools/world_generator.h"

namespace kv {
namespace {

constexpr int kSide = 32;
constexpr int kSamples = 256;

float spread(int i) {
    const float h = std::sin(static_cast<float>(i) * 12.9898f) * 43758.5453f;
    return h - std::floor(h);
}

void BM_EntityPick(benchmark::State& state) {
    auto world = tools::generate_world(kSide, 7);
    world->hall->srv = &server_get();
    entity body;
    entity_create(body, "pid1");
    const entity_posture& row = entity_posture_row(static_cast<int32_t>(state.range(0)));
    body.box = row.box;
    body.centre = row.centre;
    body.posture_index = static_cast<int32_t>(state.range(0));
    body.in_sector = world->hall.get();
    entity_sweep_result result;
    int i = 0;
    float sum = 0.0f;
    for (auto _ : state) {
        mat4 frame;
        mat4_set_translation(frame, spread(i) * world->size, 90.0f, spread(i + 1) * world->size);
        body.placement = frame;
        const float angle = spread(i + 2) * 6.2831853f;
        result.touched.clear();
        const vec3 allowed = entity_pick(
            body, frame, vec3{std::cos(angle) * 40.0f, -5.0f, std::sin(angle) * 40.0f}, 0.75f, &result);
        sum += allowed.x;
        i = (i + 3) % (kSamples * 3);
    }
    benchmark::DoNotOptimize(sum);
    body.in_sector = nullptr;
    entity_destroy(body);
}

BENCHMARK(BM_EntityPick)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
