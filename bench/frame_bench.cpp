// The front end's frame on the CPU, through the null driver: the generated crate hall at 16 x 16 and
// at 50 x 50 crates (about ten times as many), seen from the same camera near one corner with a far
// distance of 2000, so the same crates are in view. The box tree culls the rest: the larger hall
// should cost less than 1.5 times the smaller, and at most 2 us per object handed to the draw lists.

#include <benchmark/benchmark.h>

#include <memory>
#include <numbers>

#include "gfx/camera_view.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "gfx/view.h"
#include "kernel/kernel.h"
#include "tools/world_generator.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr float kFar = 2000.0f;
const vec3 kCameraAt{150.0f, 150.0f, 20.0f};

void BM_FrameFrontEnd(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    kernel& k = kernel_get();
    if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
    std::unique_ptr<tools::generated_world> world = tools::generate_world(side, 7);

    gfx g;
    g.driver = std::make_unique<null_driver>();
    auto record = std::make_unique<viewport>();
    record->rect[2] = 1000;
    record->rect[3] = 1000;
    const float quarter = std::numbers::pi_v<float> / 4;
    const float values[kViewportProjectionValues] = {1.0f, quarter, quarter, quarter, quarter, 0.0f, kFar};
    std::copy(std::begin(values), std::end(values), record->projection);
    placement camera;
    mat4_set_rotation_y(camera.transform, 0.3f);
    mat4_set_row3(camera.transform, kCameraAt.x, kCameraAt.y, kCameraAt.z);
    camera.sector = world->hall.get();
    record->camera = &camera;
    view v;
    view_stack_add_viewport(g.views, camera_view_copy(*record));
    object_table_add_owned(v.viewports, std::move(record));
    g.current_view = &v;
    g.draw_enabled = true;

    int64_t objects = 0;
    for (auto _ : state) {
        gfx_render_frame(g);
        objects += g.counters.objects;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["objects"] = static_cast<double>(objects) / frames;
    state.counters["us_per_object"] = benchmark::Counter(static_cast<double>(objects),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    g.current_view = nullptr;
}
BENCHMARK(BM_FrameFrontEnd)->Arg(16)->Arg(50)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
