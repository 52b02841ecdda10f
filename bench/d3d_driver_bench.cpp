// Both display drivers in one run on Mesa's software rasteriser: 10,000 light-mapped triangles a
// frame through `draw_mesh` (triangles, with vertex colours) and through the vertex-array path
// (`set_vertex_array` and `draw_triangles`), drawn into a 64 x 64 corner of the window so that the
// figures are submission, not filling. Goal: the Direct3D driver within 2 times the OpenGL driver's
// time a frame. Run it with `build/kv_bench --benchmark_filter=DriverFrame`; it starts Xvfb itself.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/texture.h"
#include "tests/support/x_display.h"
#include "world/mesh.h"

namespace kv {
namespace {

constexpr int kColumns = 100;
constexpr int kRows = 50;
constexpr int kTriangles = kColumns * kRows * 2;

enum class which { opengl, direct3d };

struct scene {
    std::unique_ptr<x_display> display;
    std::unique_ptr<scoped_display_env> env;
    which kind = which::opengl;
    std::unique_ptr<gfx_driver> driver;
    std::vector<mesh_vertex> vertices;
    std::vector<uint8_t> colours;
    std::vector<float> coordinates;
    std::vector<uint16_t> indices;
    std::unique_ptr<texture> base;
    std::unique_ptr<texture> lightmap;
    texture* table[1] = {};
};

void build_geometry(scene& s) {
    for (int y = 0; y <= kRows; ++y) {
        for (int x = 0; x <= kColumns; ++x) {
            mesh_vertex v;
            v.x = static_cast<float>(x) * 0.4f - 20.0f;
            v.y = static_cast<float>(y) * 0.4f - 10.0f;
            v.z = 20.0f;
            v.u = static_cast<float>(x) / kColumns;
            v.v = static_cast<float>(y) / kRows;
            s.vertices.push_back(v);
            s.colours.insert(s.colours.end(), {255, 200, 150, 0});
            s.coordinates.push_back(v.u);
            s.coordinates.push_back(v.v);
        }
    }
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < kColumns; ++x) {
            const auto at = [](int cx, int cy) { return static_cast<uint16_t>(cy * (kColumns + 1) + cx); };
            s.indices.insert(s.indices.end(), {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y),
                                               at(x + 1, y + 1), at(x, y + 1)});
        }
    }
}

// One driver open at a time: asking for the other closes the first.
scene& the_scene(which kind) {
    static scene* s = [] {
        auto* made = new scene;
        made->display = std::make_unique<x_display>(640, 480);
        if (made->display->ok()) made->env = std::make_unique<scoped_display_env>(made->display->name());
        // Mesa rasterises in the calling thread, so the CPU time holds all of the work.
        setenv("LP_NUM_THREADS", "0", 1);
        build_geometry(*made);
        return made;
    }();
    if (!s->display->ok() || (s->driver && s->kind == kind)) return *s;
    if (s->driver) {
        for (texture* t : {s->base.get(), s->lightmap.get()}) s->driver->delete_texture(*t);
        s->driver.reset();
    }
    s->kind = kind;
    if (kind == which::opengl) {
        s->driver = std::make_unique<gl_driver>();
    } else {
        s->driver = std::make_unique<d3d_driver>();
    }
    if (!s->driver->open(0, false, false)) {
        s->driver.reset();
        return *s;
    }
    s->driver->set_viewport(0.0f, 0.0f, 0.1f, 64.0f / 480.0f);
    s->base = texture_create("base");
    s->base->kind = kTextureRgb;
    s->base->width = s->base->height = 64;
    s->base->pixels.assign(64 * 64 * 3, 180);
    s->lightmap = texture_create("lm");
    s->lightmap->kind = kTextureLightMap;
    s->lightmap->width = s->lightmap->height = 64;
    s->lightmap->pixels.assign(64 * 64, 128);
    s->table[0] = s->lightmap.get();
    s->driver->use_texture(*s->base, 0);
    s->driver->use_texture(*s->lightmap, 1);
    s->driver->begin_frame();
    return *s;
}

bool ready(benchmark::State& state, scene& s) {
    if (!s.display->ok()) {
        state.SkipWithError("Xvfb did not start");
        return false;
    }
    if (!s.driver) {
        state.SkipWithError("the driver did not open");
        return false;
    }
    return true;
}

// Every frame is presented (the swap waits for the rasteriser) and the next one begun.
void finish_frame(gfx_driver& d) {
    d.end_frame();
    d.begin_frame();
}

void counters(benchmark::State& state) {
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(kTriangles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_DriverFrameDrawMesh(benchmark::State& state, which kind) {
    scene& s = the_scene(kind);
    if (!ready(state, s)) return;
    gfx_driver& d = *s.driver;
    d.set_lightmap_layer(s.coordinates.data(), s.table);
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.draw_mesh(s.vertices.data(), kIndexTriangles, s.indices.data(), kTriangles,
                                             false, s.colours.data()));
        finish_frame(d);
    }
    d.set_lightmap_layer(nullptr, nullptr);
    counters(state);
}

void BM_DriverFrameVertexArrays(benchmark::State& state, which kind) {
    scene& s = the_scene(kind);
    if (!ready(state, s)) return;
    gfx_driver& d = *s.driver;
    d.set_lightmap_layer(s.coordinates.data(), s.table);
    for (auto _ : state) {
        d.set_colour_array(s.colours.data(), 2);
        d.set_vertex_array(s.vertices.data(), static_cast<int32_t>(s.vertices.size()));
        benchmark::DoNotOptimize(d.draw_triangles(s.indices.data(), kTriangles, false));
        finish_frame(d);
    }
    d.set_colour_array(nullptr, 0);
    d.set_lightmap_layer(nullptr, nullptr);
    counters(state);
}

BENCHMARK_CAPTURE(BM_DriverFrameDrawMesh, opengl, which::opengl)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DriverFrameVertexArrays, opengl, which::opengl)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DriverFrameDrawMesh, direct3d, which::direct3d)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DriverFrameVertexArrays, direct3d, which::direct3d)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
