// Reads arbitrary bytes as a package of world objects and renders frames of it through the null
// driver: a camera in each sector, in turn with the detail levels, the camera lamp, the vertex-array
// path and the debug switch, so that the box trees, the light-map numbers, the draw records'
// material numbers and the portal walk of whatever was read are all drawn. Damage must be refused
// at load or drawn without leaving any table.

#include <cstdint>
#include <memory>
#include <numbers>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "gfx/camera_view.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "gfx/view.h"
#include "kernel/kernel.h"
#include "world/lamp.h"
#include "world/sector.h"
#include "world/surface_table.h"

using namespace kv;

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

    {
        gfx g;
        g.driver = std::make_unique<null_driver>();
        g.effects.world = &srv;
        auto record = std::make_unique<viewport>();
        record->rect[2] = 1000;
        record->rect[3] = 1000;
        const float quarter = std::numbers::pi_v<float> / 4;
        const float values[kViewportProjectionValues] = {1.0f, quarter, quarter, quarter, quarter, 0.0f, 50000.0f};
        std::copy(std::begin(values), std::end(values), record->projection);
        placement camera;
        record->camera = &camera;
        view v;
        view_stack_add_viewport(g.views, camera_view_copy(*record));
        object_table_add_owned(v.viewports, std::move(record));
        g.current_view = &v;
        g.draw_enabled = true;
        g.switches.helpers = false;
        int turn = 0;
        for (sector* s : p.sectors.items) {
            if (!s) continue;
            camera.sector = s;
            g.options.LOD_on = (turn & 1) != 0;
            g.switches.lamp = (turn & 2) != 0;
            g.options.gfx_rpath = turn % 3;
            g.switches.debug = (turn & 4) != 0;
            gfx_render_frame(g);
            gfx_render_frame(g);
            ++turn;
        }
        lamp_clear_lit();
        gfx_disable_drawing(g);
        g.current_view = nullptr;
    }
    package_destroy(srv, p);
    return 0;
}
