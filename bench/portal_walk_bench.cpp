// The front end's world pass on the CPU, through the null driver: the portal walk from one camera in
// the generated grid of rooms, with the occluders collected and every object's box tested as the
// sector drawing does, at 10 x 10 and at 32 x 32 rooms. The walk goes at most two portals away,
// so the larger level should cost less than 1.3 times the smaller, and at most 1 ms a frame.

#include <benchmark/benchmark.h>

#include <memory>
#include <numbers>
#include <vector>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "gfx/camera_view.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "tools/room_grid.h"
#include "world/geometry.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

// The camera stands in room (1, 1) near its -x wall, looking along +x and a little to the side.
constexpr float kCameraTurn = -std::numbers::pi_v<float> / 2 + 0.2f;
const vec3 kCameraAt{tools::kGridRoom + 2.0f, 1.5f, tools::kGridRoom * 1.5f};

void BM_PortalWalkFrame(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    kernel& k = kernel_get();
    if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
    const std::vector<uint8_t> bytes = tools::room_grid_package(side, side);
    server srv;
    srv.current_level_name = "grid";  // bare names in the package are its own
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(bytes.data(), bytes.size()));
    if (!package_list_load(srv, "grid", stream)) {
        state.SkipWithError("the grid did not load");
        return;
    }
    if (!ref_list_resolve(ref_list(), srv.packages)) {
        state.SkipWithError("the grid's references did not resolve");
        return;
    }
    sector* camera_sector = package_find_sector(*srv.packages.front(), tools::room_grid_sector_name(1, 1));

    gfx g;
    g.driver = std::make_unique<null_driver>();
    viewport record;
    const float quarter = std::numbers::pi_v<float> / 4;
    const float values[kViewportProjectionValues] = {1.0f,    quarter, quarter, quarter,
                                                     quarter, 0.0f,    50000.0f};
    std::copy(std::begin(values), std::end(values), record.projection);
    view_stack_add_viewport(g.views, camera_view_copy(record));
    placement camera;
    mat4_set_rotation_y(camera.transform, kCameraTurn);
    mat4_set_row3(camera.transform, kCameraAt.x, kCameraAt.y, kCameraAt.z);
    view_stack_set_camera(g.views, camera);
    g.camera.position = kCameraAt;
    g.camera.forward = mat4_row2(camera.transform);

    int64_t sectors = 0;
    int64_t objects = 0;
    const gfx_sector_drawer draw = [&](sector& s) {
        ++sectors;
        if (g.options.occluders_on) gfx_collect_occluders(g, s, false);
        const mat4 to_eye = gfx_sector_to_eye(g, s);
        for (mesh_instance* m : s.meshes.items) {
            if (!m->geom) continue;
            const box3 eye_box = box3_transform(m->geom->box, mat4_mul(to_eye, m->transform));
            if (gfx_view_volume_pass(g, eye_box) && gfx_cull_planes_pass(g, eye_box, -1)) ++objects;
        }
        s.render_stamp = world_visit_stamp();
    };
    for (auto _ : state) {
        world_visit_stamp_advance();
        view_stack_reset_matrices(g.views);
        view_stack_begin_world(g.views, 0);
        gfx_draw_world_from(g, *camera_sector, draw);
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["sectors"] = static_cast<double>(sectors) / frames;
    state.counters["objects"] = static_cast<double>(objects) / frames;
    package_destroy(srv, *srv.packages.front());
}
BENCHMARK(BM_PortalWalkFrame)->Arg(10)->Arg(32)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
