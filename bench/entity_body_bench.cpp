// The body's movement step through a generated level among 24 other soldiers, standing (one sweep) and
// prone (three sweeps): at most 15 and 40 microseconds a call.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "beings/entity.h"
#include "beings/entity_body.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "tools/world_generator.h"
#include "world/entity_def.h"

namespace kv {
namespace {

constexpr int kSide = 32;
constexpr int kSamples = 256;
constexpr int kOthers = 24;

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
    // The other soldiers stand about the level, each on its model node.
    server& srv = server_get();
    const entity_posture& standing = entity_posture_row(0);
    for (int n = 0; n < kOthers; ++n) {
        server_entity_select(srv, "pid" + std::to_string(n + 2));
        entity* other = server_entity_current(srv);
        server_entity_deselect(srv);
        other->box = standing.box;
        other->centre = standing.centre;
        other->model_root = std::make_unique<scene_node>();
        mat4_set_translation(other->placement, spread(3 * n + 1000) * world->size, 90.0f,
                             spread(3 * n + 1001) * world->size);
    }
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
    for (int n = 0; n < kOthers; ++n) {
        server_entity_select(srv, "pid" + std::to_string(n + 2));
        server_entity_delete(srv);
    }
}

BENCHMARK(BM_EntityPick)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
