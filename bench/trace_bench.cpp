// Rays and movement sweeps through a generated level at two sizes, one ten times the other: the
// object tree and the box tests should keep the cost of each nearly flat as the level grows.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <memory>
#include <vector>

#include "beings/anim_tables.h"
#include "beings/blast.h"
#include "beings/soldier_anims.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "tools/beings_writer.h"
#include "tools/byte_writer.h"
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

// 32 soldiers of the demo body standing posed in the hall, on a grid across it, with active player
// records (ids 200 upwards); they leave with the object.
struct posed_soldiers {
    posed_soldiers(server& srv, tools::generated_world& world) : srv_(srv) {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder_ = base / ("kv_blast_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(folder_)) break;
        }
        srv.data_dir = folder_.string() + "/";
        tools::write_file(folder_ / tools::kDemoBeingsPackage, tools::beings_package());
        load_package(srv, tools::kDemoBeingsPackage, false);
        // The soldier model reaches its body's geometry through the package's references.
        ref_list_resolve(ref_list(), srv.packages);
        anim_tables_build(anim_tables_get());
        for (int i = 0; i < kSoldiers; ++i) {
            player_slot s;
            s.id = static_cast<uint32_t>(kFirstId + i);
            s.name = "s" + std::to_string(i);
            s.team = i % 2;
            s.state = 2;
            s.health = 100;
            player_init(srv, s);
            const std::string name = "pid" + std::to_string(kFirstId + i);
            being_setup_animations(srv, {name, "~" + name, kFirstId + i});
            server_entity_select(srv, name);
            server_entity_set_model(srv, "beings:soldier");
            server_entity_play(srv, anim_tables_get().lower[0][kWeaponHands], 33);
            mat4 place;
            mat4_set_translation(place, spread(i * 3) * world.size, 0.0f, spread(i * 3 + 1) * world.size);
            server_entity_update_attached(srv, place, world.hall.get());
            server_entity_deselect(srv);
        }
        // A body takes its pose once a frame's time has passed since its last step.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (auto& e : srv.entities) entity_update(*e, 0);
    }
    ~posed_soldiers() {
        for (int i = 0; i < kSoldiers; ++i) {
            server_entity_select(srv_, "pid" + std::to_string(kFirstId + i));
            server_entity_delete(srv_);
            server_entity_select(srv_, "~pid" + std::to_string(kFirstId + i));
            server_entity_delete(srv_);
        }
        srv_.players.clear();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    static constexpr int kSoldiers = 32;
    static constexpr int kFirstId = 200;
    server& srv_;
    std::filesystem::path folder_;
};

// One pellet of a shotgun shell (fall-off 4, range 2000, penetration 1) resolved through the level
// with 32 posed soldiers: every hit within range and margin walked, walls and bodies wearing it down,
// impacts made and hits sent.
void BM_BlastApply(benchmark::State& state) {
    auto world = tools::generate_world(side_of(state), 7);
    world->hall->srv = &server_get();
    posed_soldiers soldiers(server_get(), *world);
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
