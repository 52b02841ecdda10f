// Reads arbitrary bytes as a package of world objects and walks its portals from every sector as the
// frame does: cameras at the sector's origin and at each portal's centre, looking along each axis,
// with occluders collected, shown and tested against every object's box, portals shown, and the
// nested walk. Fuzzed portals and occluders (points that are not numbers, degenerate quads, broken
// targets, many of each) must never crash or leave the plane counts out of their bounds.

#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "gfx/camera_view.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "world/geometry.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

using namespace kv;

namespace {

void check_counts(const gfx& g) {
    const gfx_cull_planes& p = g.planes;
    if (p.clip_count < 0 || p.clip_count > kMaxClipPlanes || p.clip_count % kClipPlaneGroup != 0) abort();
    if (p.occluder_count < 0 || p.occluder_count > kMaxOccluderPlanes ||
        p.occluder_count % kOccluderPlaneGroup != 0)
        abort();
}

void draw_sector(gfx& g, sector& s) {
    check_counts(g);
    if (g.options.occluders_on) gfx_collect_occluders(g, s, false);
    const mat4 to_eye = gfx_sector_to_eye(g, s);
    for (mesh_instance* m : s.meshes.items) {
        if (!m || !m->geom) continue;
        const box3 eye_box = box3_transform(m->geom->box, mat4_mul(to_eye, m->transform));
        if (gfx_view_volume_pass(g, eye_box)) (void)gfx_cull_planes_pass(g, eye_box, -1);
    }
    s.render_stamp = world_visit_stamp();
}

void look(gfx& g, sector& s, const vec3& eye, float turn) {
    placement camera;
    mat4_set_rotation_y(camera.transform, turn);
    mat4_set_row3(camera.transform, eye.x, eye.y, eye.z);
    view_stack_set_camera(g.views, camera);
    view_stack_reset_matrices(g.views);
    view_stack_begin_world(g.views, 0);
    g.camera.position = eye;
    g.camera.forward = mat4_row2(camera.transform);
    world_visit_stamp_advance();
    gfx_draw_world_from(g, s, [&g](sector& drawn) { draw_sector(g, drawn); });
    check_counts(g);
    gfx_collect_occluders(g, s, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kernel& k = kernel_get();
    if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
    server srv;
    srv.current_level_name = "fuzz";
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    if (!package_list_load(srv, "fuzz", stream)) {
        ref_list().items.clear();
        return 0;
    }
    package& p = *srv.packages.front();
    ref_list_resolve(ref_list(), srv.packages);

    gfx g;
    g.driver = std::make_unique<null_driver>();
    viewport record;
    const float quarter = std::numbers::pi_v<float> / 4;
    const float values[kViewportProjectionValues] = {1.0f,    quarter, quarter, quarter,
                                                     quarter, 0.0f,    50000.0f};
    std::copy(std::begin(values), std::end(values), record.projection);
    view_stack_add_viewport(g.views, camera_view_copy(record));
    g.options.show_portals = true;
    g.options.occmark = 0.0f;

    constexpr int kMaxCameras = 64;
    int cameras = 0;
    for (sector* s : p.sectors.items) {
        for (float turn : {0.0f, std::numbers::pi_v<float> / 2, std::numbers::pi_v<float>,
                           -std::numbers::pi_v<float> / 2}) {
            if (cameras++ >= kMaxCameras) break;
            look(g, *s, mat4_row3(s->transform), turn);
            for (const portal* door : s->portals.items) {
                if (cameras++ >= kMaxCameras) break;
                const vec3 centre = (door->points[0] + door->points[2]) * 0.5f;
                look(g, *s, centre + vec3{-1.0f, 0.5f, -1.0f}, turn);
            }
        }
    }
    package_destroy(srv, p);
    return 0;
}
