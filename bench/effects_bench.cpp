// The effect pass of one viewport with 500 live impacts (half of them on walls, smoking) and 100
// spent shells in flight over a generated level, drawn through the null driver; and with 20
// explosions, 20 smoke clouds and 20 shattered panes in view. Each pass should stay under 1 ms a
// viewport.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "platform/clock.h"
#include "tools/byte_writer.h"
#include "tools/targa_writer.h"
#include "tools/world_generator.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr int kImpacts = 500;
constexpr int kShells = 100;
// Frames of 16 ms; everything is made again before the short-lived shells would go.
constexpr int64_t kFrameMs = 16;
constexpr int kFramesPerVolley = 50;

// The effect textures in a folder of their own, where the front end looks while the object lives.
class effect_textures {
public:
    effect_textures() : data_dir_(server_get().data_dir) {
        folder_ = std::filesystem::temp_directory_path() / "kv_effects_bench";
        tools::targa_desc plain;
        plain.width = plain.height = 2;
        for (int i = 0; i < 4; ++i) plain.texels.insert(plain.texels.end(), {200, 200, 200});
        for (const char* name :
             {"hit_metal", "hit_smoke", "shell", "QXlogo", "expl_1", "expl_anim", "smoke_anim"})
            tools::write_file(folder_ / "tex" / "tga" / (std::string(name) + ".tga"), tools::targa(plain));
        server& srv = server_get();
        srv.data_dir = folder_.string() + "/";
        srv.texture_base_dir = "tex/";
        srv.texture_dir = "tga/";
    }
    ~effect_textures() {
        server_get().data_dir = data_dir_;
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::filesystem::path folder_;
    std::string data_dir_;
};

void add_shells(gfx& g, sector* in) {
    for (int i = 0; i < kShells; ++i) {
        mat4 place;
        mat4_set_translation(place, 100.0f + static_cast<float>(i) * 15.0f, 150.0f, 500.0f);
        gfx_add_shell_effect(g, place, in);
    }
    gfx_forget_last_effect(g);
}

void BM_EffectPass(benchmark::State& state) {
    kernel& k = kernel_get();
    if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
    effect_textures textures;
    fake_clock clock;
    scoped_clock use_clock(clock);
    auto world = tools::generate_world(10, 7);
    world->hall->srv = &server_get();
    gfx g;
    gfx_select_driver(g, kGfxDriverNull);
    g.views.view_matrix = kMat4Identity;
    gfx_set_effect_echo(g, false);
    auto volley = [&] {
        gfx_clear_effects(g);
        for (int i = 0; i < kImpacts; ++i) {
            const float x = static_cast<float>(i % 25) * 80.0f;
            const float z = static_cast<float>(i / 25) * 80.0f;
            const vec3 normal = i % 2 ? vec3{1.0f, 0.0f, 0.0f} : vec3{0.0f, 1.0f, 0.0f};
            gfx_add_blast_impact_effect(g, {x, 10.0f, z}, normal, world->hall.get());
        }
        add_shells(g, world->hall.get());
        gfx_render_effects(g);  // the meshes are built on the first pass
    };
    volley();
    int frame = 0;
    for (auto _ : state) {
        clock.advance_ms(kFrameMs);
        gfx_render_effects(g);
        if (++frame % kFramesPerVolley == 0) {
            state.PauseTiming();
            volley();
            state.ResumeTiming();
        }
    }
    state.counters["effects"] = static_cast<double>(g.effects.count);
    gfx_clear_effects(g);
}
BENCHMARK(BM_EffectPass)->Unit(benchmark::kMicrosecond);

constexpr int kEach = 20;

// Explosions (sprites and arc), smoke clouds and panes shattering into their shards, all ahead of a
// camera looking along +z; made again every 800 ms, before the explosions end.
void BM_ExplosionSmokeGlassPass(benchmark::State& state) {
    kernel& k = kernel_get();
    if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
    effect_textures textures;
    fake_clock clock;
    scoped_clock use_clock(clock);
    auto world = tools::generate_world(10, 7);
    world->hall->srv = &server_get();
    gfx g;
    gfx_select_driver(g, kGfxDriverNull);
    mat4 camera;
    mat4_set_translation(camera, 1000.0f, 300.0f, -3000.0f);
    g.views.view_matrix = mat4_inverse_rigid(camera);
    gfx_set_effect_echo(g, false);
    std::vector<std::unique_ptr<mesh>> panes;
    for (int i = 0; i < kEach; ++i) {
        const float x = 100.0f + static_cast<float>(i) * 90.0f;
        const float quad[20] = {x,      50,  1000, 0, 1, x,      250, 1000, 0, 0,
                                x + 80, 250, 1000, 1, 0, x + 80, 50,  1000, 1, 1};
        panes.push_back(effect_quad(quad, 0));
    }
    auto volley = [&] {
        gfx_clear_effects(g);
        for (int i = 0; i < kEach; ++i) {
            const float x = static_cast<float>(i) * 100.0f;
            gfx_add_explosion_effect(g, {x, 20.0f, 500.0f}, {0.2f, 0.2f, 0.2f});
            gfx_add_smoke_effect(g, {x, 100.0f, 1500.0f}, {0.0f, 1.0f, 0.0f});
            trace_hit hit;
            hit.hit_mesh = panes[static_cast<std::size_t>(i)].get();
            gfx_add_glass_shatter_effect(g, hit, world->hall.get());
        }
        gfx_forget_last_effect(g);
        gfx_render_effects(g);  // the meshes and shards are made on the first pass
    };
    volley();
    int frame = 0;
    for (auto _ : state) {
        clock.advance_ms(kFrameMs);
        gfx_render_effects(g);
        if (++frame % kFramesPerVolley == 0) {
            state.PauseTiming();
            volley();
            state.ResumeTiming();
        }
    }
    state.counters["effects"] = static_cast<double>(g.effects.count);
    gfx_clear_effects(g);
}
BENCHMARK(BM_ExplosionSmokeGlassPass)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
