// Rays and movement sweeps through a generated level at two sizes, one ten times the other: the
// object tree and the box tests should keep the cost of each nearly flat as the level grows.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "beings/blast.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "tools/world_generator.h"
#include "world/collision.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr int kSamples = 256;
constexpr float kRayReach = 2000.0f;
constexpr float kShortRayReach = 400.0f;

float spread(int i) {
    const float h = std::sin(static_cast<float>(i) * 12.9898f) * 43758.5453f;
    return h - std::floor(h);
}

// Crates per side: 10 x 10 and 32 x 32 (about ten times as many).
int side_of(const benchmark::State& state) {
    return static_cast<int>(state.range(0));
}

// A ray of `reach` units from a random point inside the level, in a random, nearly level direction.
void trace_rays(benchmark::State& state, float reach) {
    auto world = tools::generate_world(side_of(state), 7);
    world->hall->srv = &server_get();
    trace t;
    std::size_t hits = 0;
    int i = 0;
    for (auto _ : state) {
        const vec3 start{spread(i) * world->size, 20.0f + spread(i + 1) * 200.0f,
                         spread(i + 2) * world->size};
        const float angle = spread(i + 3) * 6.2831853f;
        const vec3 direction{std::cos(angle), -0.1f + spread(i + 4) * 0.2f, std::sin(angle)};
        trace_ray(t, world->hall.get(), start, direction, reach * reach, 0, 0, 1, 0);
        hits += t.hits.size();
        i = (i + 5) % (kSamples * 5);
    }
    benchmark::DoNotOptimize(hits);
    state.counters["rays/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["crates"] = static_cast<double>(side_of(state) * side_of(state));
}

void BM_TraceRay(benchmark::State& state) {
    trace_rays(state, kRayReach);
}

// Rays much shorter than the small level, so that both levels see whole rays: the per-ray cost then
// shows what the box trees do as the level grows, not how soon a ray leaves a small level.
void BM_TraceShortRay(benchmark::State& state) {
    trace_rays(state, kShortRayReach);
}

void BM_CollisionSweep(benchmark::State& state) {
    auto world = tools::generate_world(side_of(state), 7);
    world->hall->srv = &server_get();
    box3 box;
    box3_init(box, {-30.0f, -90.0f, -30.0f}, {30.0f, 90.0f, 30.0f});
    collision_sweep sweep;
    vec3 end;
    int i = 0;
    float sum = 0.0f;
    for (auto _ : state) {
        mat4 placement;
        mat4_set_translation(placement, spread(i) * world->size, 90.0f, spread(i + 1) * world->size);
        collision_sweep_init(sweep, world->hall.get(), box, placement);
        const float angle = spread(i + 2) * 6.2831853f;
        collision_sweep_move(sweep, end, vec3{std::cos(angle) * 40.0f, -5.0f, std::sin(angle) * 40.0f}, 0.6f,
                             nullptr);
        sum += end.x;
        i = (i + 3) % (kSamples * 3);
    }
    benchmark::DoNotOptimize(sum);
    state.counters["sweeps/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["crates"] = static_cast<double>(side_of(state) * side_of(state));
}

// One pellet of a shotgun shell (fall-off 4, range 2000, penetration 1) resolved through the level:
// every hit within range and margin walked, walls wearing it down, impacts made.
void BM_BlastApply(benchmark::State& state) {
    auto world = tools::generate_world(side_of(state), 7);
    world->hall->srv = &server_get();
    int i = 0;
    for (auto _ : state) {
        const vec3 start{spread(i) * world->size, 20.0f + spread(i + 1) * 200.0f, spread(i + 2) * world->size};
        const float angle = spread(i + 3) * 6.2831853f;
        const vec3 direction{std::cos(angle), -0.1f + spread(i + 4) * 0.2f, std::sin(angle)};
        blast b;
        const float values[kBlastValues] = {14.0f / 12.0f, 1.0f, 2000.0f, 14.0f / 12.0f * 0.4f, 0.0f};
        blast_create(b, 1, start, direction, values);
        blast_apply(b, world->hall.get());
        if (i == 0) gfx_clear_effects(kernel_get().graphics);
        i = (i + 5) % (kSamples * 5);
    }
    state.counters["pellets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_TraceRay)->Arg(10)->Arg(32);
BENCHMARK(BM_BlastApply)->Arg(10)->Arg(32);
BENCHMARK(BM_TraceShortRay)->Arg(10)->Arg(32);
BENCHMARK(BM_CollisionSweep)->Arg(10)->Arg(32);

}  // namespace
}  // namespace kv
