// Arbitrary world event streams (any kinds, values and order) replayed by the network client on a
// loaded level with the null display driver, then frames of the effect passes on a fake clock. The
// first byte sets the detail level and the frame length; the rest is the stream after the packet
// header. Every kind can make its effect: explosions, smoke, and glass shatters of the crates by
// their geometry keys. Nothing may crash, read outside a table, divide by zero or grow without bound.

#include <cstdint>
#include <cstring>
#include <memory>

#include "data/package.h"
#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "gfx/surface.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/clock.h"
#include "tools/world_generator.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/surface_table.h"

using namespace kv;

namespace {

constexpr int kFrames = 24;

struct fuzz_level {
    fuzz_level() {
        kernel& k = kernel_get();
        if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
        gfx_select_driver(k.graphics, kGfxDriverNull);
        world = tools::generate_world(4, 7);
        server& srv = server_get();
        world->hall->srv = &srv;
        auto level = std::make_unique<package>();
        level->name = "fuzzlevel";
        level->sectors.items.push_back(world->hall.get());
        // The crates' meshes numbered from 1, as geometry keys, and one surface: a glass shatter
        // replayed by key, surface and sector finds them.
        uint32_t key = 0;
        for (const std::unique_ptr<geometry>& g : world->geometries) {
            level->geometries.items.push_back(g.get());
            for (mesh* m : g->meshes.items)
                if (m) m->id = ++key;
        }
        level->surfaces.items.push_back(&pane_surface);
        srv.packages.push_back(std::move(level));
        srv.current_level_name = "fuzzlevel";
        for (mesh_instance* m : world->hall->meshes.items)
            if (m && m->material && m->material->kind == kSurfaceKindWater) srv.water_instances.push_back(m);
        gfx_add_texture_scroll_effect(k.graphics);
        gfx_forget_last_effect(k.graphics);
    }
    std::unique_ptr<tools::generated_world> world;
    surface pane_surface;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz_level level;
    static fake_clock clock;
    static scoped_clock use_clock(clock);
    if (size == 0) return 0;
    kernel& k = kernel_get();
    gfx& g = k.graphics;
    server& srv = server_get();
    k.detail_level = data[0] % 3;
    const int64_t frame_ms = 1 + (data[0] >> 2);

    packet stream(kPacketWorldSnapshot);
    stream.body.seek(-1);
    for (size_t i = 1; i < size; ++i) stream.body.write_u8(data[i]);
    packet received(stream.body.data(), stream.body.size());
    client_apply_events(srv.client, received);

    // A camera in the hall looking along +z.
    mat4 camera;
    mat4_set_translation(camera, 300.0f, 50.0f, 100.0f);
    g.views.view_matrix = mat4_inverse_rigid(camera);
    for (int i = 0; i < kFrames; ++i) {
        clock.advance_ms(frame_ms);
        gfx_render_effects(g);
        gfx_draw_effect_overlays(g);
    }
    // The scrolling stays for the next input; everything else goes.
    gfx_reset_effects(g);
    gfx_add_texture_scroll_effect(g);
    gfx_forget_last_effect(g);
    return 0;
}
