// 50 grenades and 50 dropped weapons thrown about a generated level of crates, each stepped once a
// frame with its world trace, bounces and explosions: at most 20 microseconds per grenade and 15 per
// dropped weapon (50 of each within 2 ms a frame).

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "beings/dropped_weapon.h"
#include "beings/grenade.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "platform/clock.h"
#include "tools/world_generator.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr int kItems = 50;
constexpr int kSide = 16;

float spread(int i) {
    const float h = std::sin(static_cast<float>(i) * 12.9898f) * 43758.5453f;
    return h - std::floor(h);
}

vec3 start_of(int i) {
    return {(static_cast<float>(i % kSide) + 0.5f) * tools::kGeneratedCell - 50.0f, 300.0f,
            (static_cast<float>(i / kSide) * 4.0f + 1.5f) * tools::kGeneratedCell};
}

vec3 throw_of(int i) {
    const float a = spread(i) * 6.2831853f;
    return {std::sin(a) * 700.0f, 300.0f, std::cos(a) * 700.0f};
}

struct bench_world {
    bench_world() {
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
        srv = std::make_unique<server>();
        srv->dedicated = 1;
        world = tools::generate_world(kSide, 11);
        world->hall->srv = srv.get();
    }
    std::unique_ptr<server> srv;
    std::unique_ptr<tools::generated_world> world;
};

void make_grenade(bench_world& w, std::unique_ptr<grenade>& g, int i) {
    g = std::make_unique<grenade>();
    grenade_values values;
    values.kind = 1 + i % 4;  // the hand grenades: they tumble, bounce and end at their fuse
    values.id = i;
    values.acceleration = {0.0f, -978.0f, 0.0f};
    grenade_create(*g, *w.srv, 1, start_of(i), throw_of(i), values, w.world->hall.get(), true);
}

void BM_GrenadeFrame(benchmark::State& state) {
    fake_clock clock;
    scoped_clock use_clock(clock);
    bench_world w;
    std::vector<std::unique_ptr<grenade>> grenades(kItems);
    for (int i = 0; i < kItems; ++i) make_grenade(w, grenades[static_cast<std::size_t>(i)], i);
    for (auto _ : state) {
        clock.advance_ms(16);
        for (int i = 0; i < kItems; ++i) {
            auto& g = grenades[static_cast<std::size_t>(i)];
            grenade_update(*g);
            if (!g->alive) make_grenade(w, g, i);
        }
    }
    state.counters["per_grenade"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kItems,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    grenades.clear();
}

void BM_DroppedWeaponFrame(benchmark::State& state) {
    fake_clock clock;
    scoped_clock use_clock(clock);
    bench_world w;
    std::vector<std::unique_ptr<dropped_weapon>> weapons(kItems);
    auto drop = [&](int i) {
        auto& d = weapons[static_cast<std::size_t>(i)];
        d = std::make_unique<dropped_weapon>();
        dropped_weapon_values values;
        values.arc_start = start_of(i);
        values.velocity = throw_of(i);
        values.values[0] = 3;
        values.acceleration = {0.0f, -978.0f, 0.0f};
        values.speed = 500.0f;
        dropped_weapon_create(*d, *w.srv, values, 7, w.world->hall.get());
    };
    for (int i = 0; i < kItems; ++i) drop(i);
    int frame = 0;
    for (auto _ : state) {
        clock.advance_ms(16);
        for (int i = 0; i < kItems; ++i) {
            auto& d = weapons[static_cast<std::size_t>(i)];
            dropped_weapon_update(*d);
            // Resting weapons cost nothing: throw them again now and then.
            if (d->resting && (frame + i) % 64 == 0) drop(i);
        }
        ++frame;
    }
    state.counters["per_weapon"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kItems,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    weapons.clear();
}

BENCHMARK(BM_GrenadeFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DroppedWeaponFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
