// Fifty grenades and fifty dropped weapons flying, bouncing and resting in a generated level: one
// iteration steps each of the fifty once, as a world frame does.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "beings/dropped_weapon.h"
#include "beings/grenade.h"
#include "game/server.h"
#include "tools/world_generator.h"

namespace kv {
namespace {

constexpr int kItems = 50;
constexpr int kRethrowEvery = 120;  // iterations between fresh throws: flights, bounces and rests

float spread(int i) {
    const float h = std::sin(static_cast<float>(i) * 12.9898f) * 43758.5453f;
    return h - std::floor(h);
}

vec3 start_of(const tools::generated_world& world, int i) {
    return {spread(i) * world.size, 150.0f, spread(i + 1) * world.size};
}

vec3 throw_of(int i) {
    const float angle = spread(i + 2) * 6.2831853f;
    return {std::cos(angle) * 900.0f, 300.0f, std::sin(angle) * 900.0f};
}

void BM_GrenadeUpdate(benchmark::State& state) {
    auto world = tools::generate_world(10, 7);
    server& srv = server_get();
    world->hall->srv = &srv;
    std::vector<std::unique_ptr<grenade>> items(kItems);
    grenade_values values;
    values.kind = kGrenadeFragTimed;
    values.acceleration = {0.0f, -978.0f, 0.0f};
    int round = 0;
    int n = 0;
    for (auto _ : state) {
        if (n++ % kRethrowEvery == 0) {
            for (int i = 0; i < kItems; ++i) {
                items[i] = std::make_unique<grenade>();
                grenade_create(*items[i], srv, 1, start_of(*world, i + round), throw_of(i + round), values,
                               world->hall.get(), true);
            }
            ++round;
        }
        for (auto& g : items) grenade_update(*g);
    }
    state.counters["items"] = kItems;
}
BENCHMARK(BM_GrenadeUpdate);

void BM_DroppedWeaponUpdate(benchmark::State& state) {
    auto world = tools::generate_world(10, 7);
    server& srv = server_get();
    world->hall->srv = &srv;
    std::vector<std::unique_ptr<dropped_weapon>> items(kItems);
    int round = 0;
    int n = 0;
    for (auto _ : state) {
        if (n++ % kRethrowEvery == 0) {
            for (int i = 0; i < kItems; ++i) {
                dropped_weapon_values v;
                v.position = start_of(*world, i + round);
                v.velocity = throw_of(i + round);
                v.gravity = {0.0f, -978.0f, 0.0f};
                v.factor = 500.0f;
                items[i] = std::make_unique<dropped_weapon>();
                dropped_weapon_create(*items[i], srv, v, 0, world->hall.get());
            }
            ++round;
        }
        for (auto& w : items) dropped_weapon_update(*w);
    }
    state.counters["items"] = kItems;
}
BENCHMARK(BM_DroppedWeaponUpdate);

}  // namespace
}  // namespace kv
