// The Direct3D-shaped layer's geometry path on Mesa's software rasteriser in a 64 x 64 window: 10,000
// textured, coloured triangles a frame written into the layer's dynamic buffers (discarding locks)
// and drawn with one DrawIndexedPrimitive, beside the same triangles handed to plain GL client arrays
// in the same run (goal: the layer within 1.5 times plain GL). Run it with
// `build/kv_bench --benchmark_filter=D3dLayer`; it starts Xvfb itself.

#include <GL/gl.h>
#include <GL/glext.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/d3d_layer.h"
#include "platform/dll.h"
#include "platform/window.h"
#include "tests/support/x_display.h"

namespace kv {
namespace {

constexpr int kColumns = 100;
constexpr int kRows = 50;
constexpr int kTriangles = kColumns * kRows * 2;

struct vertex {
    float x, y, z;
    uint32_t colour;
    float u0, v0, u1, v1;
};

struct plain_gl {
    decltype(&::glVertexPointer) vertex_pointer = nullptr;
    decltype(&::glColorPointer) colour_pointer = nullptr;
    decltype(&::glTexCoordPointer) tex_coord_pointer = nullptr;
    decltype(&::glDrawElements) draw_elements = nullptr;
    decltype(&::glFinish) finish = nullptr;
};

struct scene {
    std::unique_ptr<x_display> display;
    std::unique_ptr<scoped_display_env> env;
    std::unique_ptr<d3d_object> object;
    sys_gl_window* window = nullptr;
    std::unique_ptr<d3d_device> device;
    std::unique_ptr<d3d_vertex_buffer> vertex_buffer;
    std::unique_ptr<d3d_index_buffer> index_buffer;
    std::unique_ptr<d3d_texture> texture;
    std::vector<vertex> vertices;
    std::vector<uint16_t> indices;
    dll library{"opengl32.dll"};
    plain_gl gl;
};

scene* make_scene() {
    auto* s = new scene;
    s->display = std::make_unique<x_display>(640, 480);
    if (!s->display->ok()) return s;
    s->env = std::make_unique<scoped_display_env>(s->display->name());
    // Mesa rasterises in the calling thread, so the CPU time holds all of the work.
    setenv("LP_NUM_THREADS", "0", 1);
    s->object = d3d_create_object();
    if (!s->object) return s;
    s->window = sys_gl_window_create("d3d bench", 64, 64, false);
    d3d_present_parameters pp;
    pp.windowed = true;
    pp.device_window = s->window;
    pp.back_buffer_format = kD3dFmtX8R8G8B8;
    pp.enable_auto_depth_stencil = true;
    pp.auto_depth_stencil_format = kD3dFmtD24X8;
    if (s->window == nullptr ||
        s->object->create_device(0, kD3dDevTypeHal, s->window, kD3dCreateHardwareVertexProcessing, pp,
                                 s->device) < 0)
        return s;
    d3d_device& d = *s->device;
    d.set_transform(kD3dTsProjection, d3dx_matrix_perspective_off_center_lh(-15, 15, -15, 15, 15, 50000));
    d.set_render_state(kD3dRsCullMode, kD3dCullNone);
    for (int y = 0; y <= kRows; ++y) {
        for (int x = 0; x <= kColumns; ++x) {
            const float u = static_cast<float>(x) / kColumns, v = static_cast<float>(y) / kRows;
            s->vertices.push_back({static_cast<float>(x) * 0.4f - 20.0f, static_cast<float>(y) * 0.4f - 10.0f,
                                   20.0f, d3d_argb(255, 255, 200, 150), u, v, u, v});
        }
    }
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < kColumns; ++x) {
            const auto at = [](int cx, int cy) { return static_cast<uint16_t>(cy * (kColumns + 1) + cx); };
            s->indices.insert(s->indices.end(), {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y),
                                                 at(x + 1, y + 1), at(x, y + 1)});
        }
    }
    d.create_vertex_buffer(static_cast<uint32_t>(s->vertices.size() * sizeof(vertex)),
                           kD3dUsageDynamic | kD3dUsageWriteOnly, kD3dFvfXyzDiffuseTex2, kD3dPoolDefault,
                           s->vertex_buffer);
    d.create_index_buffer(static_cast<uint32_t>(s->indices.size() * 2), kD3dUsageDynamic | kD3dUsageWriteOnly,
                          kD3dFmtIndex16, kD3dPoolDefault, s->index_buffer);
    d.create_texture(64, 64, 0, 0, kD3dFmtA8R8G8B8, kD3dPoolManaged, s->texture);
    s->texture->surface_level(0)->write_argb({0, 0, 64, 64}, std::vector<uint32_t>(64 * 64, 0xFFB4B4B4));
    d3dx_filter_texture(*s->texture, kD3dxDefault, kD3dxDefault);
    d.set_texture(0, s->texture.get());
    d.set_texture_stage_state(0, kD3dTssColorOp, kD3dTopModulate);
    d.set_texture_stage_state(0, kD3dTssColorArg2, kD3dTaDiffuse);
    d.set_texture_stage_state(0, kD3dTssMinFilter, kD3dTexfLinear);
    d.set_texture_stage_state(0, kD3dTssMagFilter, kD3dTexfLinear);
    d.set_texture_stage_state(0, kD3dTssMipFilter, kD3dTexfPoint);
    d.set_vertex_shader(kD3dFvfXyzDiffuseTex2);
    d.begin_scene();
    dll_load(s->library);
    auto proc = [&](const char* name) { return dll_get_proc(s->library, name); };
    s->gl.vertex_pointer = reinterpret_cast<decltype(s->gl.vertex_pointer)>(proc("glVertexPointer"));
    s->gl.colour_pointer = reinterpret_cast<decltype(s->gl.colour_pointer)>(proc("glColorPointer"));
    s->gl.tex_coord_pointer = reinterpret_cast<decltype(s->gl.tex_coord_pointer)>(proc("glTexCoordPointer"));
    s->gl.draw_elements = reinterpret_cast<decltype(s->gl.draw_elements)>(proc("glDrawElements"));
    s->gl.finish = reinterpret_cast<decltype(s->gl.finish)>(proc("glFinish"));
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
    if (!s.device || !s.vertex_buffer || !s.index_buffer || s.gl.finish == nullptr) {
        state.SkipWithError("no device of the Direct3D-shaped layer");
        return false;
    }
    return true;
}

void count(benchmark::State& state) {
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(kTriangles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_D3dLayerDrawIndexedPrimitive(benchmark::State& state) {
    scene& s = the_scene();
    if (!ready(state, s)) return;
    d3d_device& d = *s.device;
    const auto vertex_bytes = static_cast<uint32_t>(s.vertices.size() * sizeof(vertex));
    const auto index_bytes = static_cast<uint32_t>(s.indices.size() * 2);
    for (auto _ : state) {
        uint8_t* p = nullptr;
        s.vertex_buffer->lock(0, vertex_bytes, p, kD3dLockDiscard | kD3dLockNoSysLock);
        std::memcpy(p, s.vertices.data(), vertex_bytes);
        s.vertex_buffer->unlock();
        s.index_buffer->lock(0, index_bytes, p, kD3dLockDiscard | kD3dLockNoSysLock);
        std::memcpy(p, s.indices.data(), index_bytes);
        s.index_buffer->unlock();
        d.set_stream_source(0, s.vertex_buffer.get(), sizeof(vertex));
        d.set_indices(s.index_buffer.get(), 0);
        benchmark::DoNotOptimize(d.draw_indexed_primitive(
            kD3dPtTriangleList, 0, static_cast<uint32_t>(s.vertices.size()), 0, kTriangles));
        s.gl.finish();
    }
    count(state);
}

// The same triangles from the same interleaved records, straight to GL's client arrays.
void BM_D3dLayerPlainGlClientArrays(benchmark::State& state) {
    scene& s = the_scene();
    if (!ready(state, s)) return;
    const plain_gl& gl = s.gl;
    for (auto _ : state) {
        const vertex* v = s.vertices.data();
        gl.vertex_pointer(3, GL_FLOAT, sizeof(vertex), &v->x);
        gl.colour_pointer(GL_BGRA, GL_UNSIGNED_BYTE, sizeof(vertex), &v->colour);
        gl.tex_coord_pointer(2, GL_FLOAT, sizeof(vertex), &v->u0);
        gl.draw_elements(GL_TRIANGLES, 3 * kTriangles, GL_UNSIGNED_SHORT, s.indices.data());
        gl.finish();
    }
    count(state);
}

BENCHMARK(BM_D3dLayerDrawIndexedPrimitive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_D3dLayerPlainGlClientArrays)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
