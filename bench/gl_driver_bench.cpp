// The OpenGL driver's submission on Mesa's software rasteriser: 10,000 light-mapped triangles a
// frame through `draw_mesh` (triangles) and `draw_triangles`, beside the same triangles sent by
// plain GL calls in the same run (goal: within 1.25 times the plain calls). The drawing goes into a
// 64 x 64 corner of the window, so the figures are submission, not filling. Run it with
// `build/kv_bench --benchmark_filter=GlDriver`; it starts Xvfb itself.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx/drivers/gl_driver.h"
#include "gfx/texture.h"
#include "tests/support/x_display.h"
#include "world/mesh.h"

namespace kv {
namespace {

constexpr int kColumns = 100;
constexpr int kRows = 50;
constexpr int kTriangles = kColumns * kRows * 2;

struct scene {
    std::unique_ptr<x_display> display;
    std::unique_ptr<scoped_display_env> env;
    std::unique_ptr<gl_driver> driver;
    std::vector<mesh_vertex> vertices;
    std::vector<uint8_t> colours;
    std::vector<float> coordinates;
    std::vector<uint16_t> indices;
    std::unique_ptr<texture> base;
    std::unique_ptr<texture> lightmap;
    texture* table[1] = {};
};

scene* make_scene() {
    auto* s = new scene;
    s->display = std::make_unique<x_display>(640, 480);
    if (!s->display->ok()) return s;
    s->env = std::make_unique<scoped_display_env>(s->display->name());
    // Mesa rasterises in the calling thread, so the CPU time holds all of the work.
    setenv("LP_NUM_THREADS", "0", 1);
    s->driver = std::make_unique<gl_driver>();
    if (!s->driver->open(0, false, false)) {
        s->driver.reset();
        return s;
    }
    // 64 x 64 pixels of the 640 x 480 window.
    s->driver->set_viewport(0.0f, 0.0f, 0.1f, 64.0f / 480.0f);
    for (int y = 0; y <= kRows; ++y) {
        for (int x = 0; x <= kColumns; ++x) {
            mesh_vertex v;
            v.x = static_cast<float>(x) * 0.4f - 20.0f;
            v.y = static_cast<float>(y) * 0.4f - 10.0f;
            v.z = 20.0f;
            v.u = static_cast<float>(x) / kColumns;
            v.v = static_cast<float>(y) / kRows;
            s->vertices.push_back(v);
            s->colours.insert(s->colours.end(), {255, 200, 150, 0});
            s->coordinates.push_back(v.u);
            s->coordinates.push_back(v.v);
        }
    }
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < kColumns; ++x) {
            const auto at = [](int cx, int cy) { return static_cast<uint16_t>(cy * (kColumns + 1) + cx); };
            s->indices.insert(s->indices.end(), {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y),
                                                 at(x + 1, y + 1), at(x, y + 1)});
        }
    }
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
    return s;
}

// One scene for every benchmark of the run (the window and context stay).
scene& the_scene() {
    static scene* s = make_scene();
    return *s;
}

bool ready(benchmark::State& state, scene& s) {
    if (!s.display->ok()) {
        state.SkipWithError("Xvfb did not start");
        return false;
    }
    if (!s.driver || s.driver->state()->texture_units < 2) {
        state.SkipWithError("no OpenGL driver with two texture units");
        return false;
    }
    return true;
}

void finish(benchmark::State& state, const gl_api& gl) {
    gl.glFinish();
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(kTriangles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_GlDriverDrawMesh(benchmark::State& state) {
    scene& s = the_scene();
    if (!ready(state, s)) return;
    gl_driver& d = *s.driver;
    d.set_lightmap_layer(s.coordinates.data(), s.table);
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.draw_mesh(s.vertices.data(), kIndexTriangles, s.indices.data(), kTriangles,
                                             false, s.colours.data()));
        d.api().glFinish();
    }
    d.set_lightmap_layer(nullptr, nullptr);
    finish(state, d.api());
}

// The same triangles as immediate-mode calls straight to GL, the state set once.
void BM_GlDriverDrawMeshPlainGl(benchmark::State& state) {
    scene& s = the_scene();
    if (!ready(state, s)) return;
    gl_driver& d = *s.driver;
    d.set_lightmap_layer(s.coordinates.data(), s.table);
    d.gl_set_texenv(kGlTexenvTwoUnits);
    d.use_texture(*s.lightmap, 1);
    const gl_api& gl = d.api();
    for (auto _ : state) {
        gl.glBegin(GL_TRIANGLES);
        for (const uint16_t i : s.indices) {
            const mesh_vertex& v = s.vertices[i];
            gl.glColor3ubv(&s.colours[4 * static_cast<std::size_t>(i)]);
            gl.glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, &v.u);
            gl.glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, &s.coordinates[2 * static_cast<std::size_t>(i)]);
            gl.glVertex3fv(&v.x);
        }
        gl.glEnd();
        gl.glFinish();
    }
    d.set_lightmap_layer(nullptr, nullptr);
    finish(state, gl);
}

void BM_GlDriverDrawTriangles(benchmark::State& state) {
    scene& s = the_scene();
    if (!ready(state, s)) return;
    gl_driver& d = *s.driver;
    d.set_lightmap_layer(s.coordinates.data(), s.table);
    d.set_colour_array(s.colours.data(), 2);
    d.set_vertex_array(s.vertices.data(), static_cast<int32_t>(s.vertices.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.draw_triangles(s.indices.data(), kTriangles, false));
        d.api().glFinish();
    }
    d.set_colour_array(nullptr, 0);
    d.set_lightmap_layer(nullptr, nullptr);
    finish(state, d.api());
}

void BM_GlDriverDrawTrianglesPlainGl(benchmark::State& state) {
    scene& s = the_scene();
    if (!ready(state, s)) return;
    gl_driver& d = *s.driver;
    d.set_lightmap_layer(s.coordinates.data(), s.table);
    d.set_colour_array(s.colours.data(), 2);
    d.set_vertex_array(s.vertices.data(), static_cast<int32_t>(s.vertices.size()));
    d.gl_set_texenv(kGlTexenvTwoUnits);
    d.use_texture(*s.lightmap, 1);
    const gl_api& gl = d.api();
    for (auto _ : state) {
        gl.glDrawElements(GL_TRIANGLES, 3 * kTriangles, GL_UNSIGNED_SHORT, s.indices.data());
        gl.glFinish();
    }
    d.set_colour_array(nullptr, 0);
    d.set_lightmap_layer(nullptr, nullptr);
    finish(state, gl);
}

BENCHMARK(BM_GlDriverDrawMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlDriverDrawMeshPlainGl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlDriverDrawTriangles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlDriverDrawTrianglesPlainGl)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
