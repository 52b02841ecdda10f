#pragma once
// Shared set-up of the effect tests: the world-reader fixture (temporary data directory, log, stopped
// clock, surface table) with a level written by the package writer, a front end on the recording
// driver whose effects live in this test's world, and that world's network client connected, so
// that echoed events land in its event stream.
//
// Level "arena": sector "yard" (index 0) has a metal floor at y = -100 (x and z from -2000 to 2000),
// a metal wall at x = 300 (y -100..300, z -100..100, facing -x), an invisible "limit" pane at x = 100
// and a "through" pane at x = 150 (both y -100..300, z 200..400). Sector "pool" (index 1) has a water
// surface at y = 0 (x and z from -500 to 500).

#include <memory>
#include <string>
#include <vector>

#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/random.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/support/call_log.h"
#include "tests/support/loopback_relay.h"
#include "tests/support/recording_driver.h"
#include "tests/world/world_test_support.h"
#include "world/sector.h"
#include "world/trace.h"

namespace kv {

// A quad of four corners (x, y, z), drawn with draw id 1.
inline tools::mesh_desc effect_test_quad(const float (&corners)[4][3]) {
    tools::mesh_desc m;
    m.primitive_kind = kMeshQuads;
    vec3 lo{corners[0][0], corners[0][1], corners[0][2]};
    vec3 hi = lo;
    for (const auto& c : corners) {
        m.vertices.push_back({c[0], c[1], c[2], 0.0f, 0.0f});
        lo = {std::min(lo.x, c[0]), std::min(lo.y, c[1]), std::min(lo.z, c[2])};
        hi = {std::max(hi.x, c[0]), std::max(hi.y, c[1]), std::max(hi.z, c[2])};
    }
    box3_init(m.box, lo, hi);
    tools::mesh_desc::part part;
    part.indices = {0, 1, 2, 3};
    part.draws.push_back({1, 1, 0});
    m.parts.push_back(part);
    return m;
}

class effect_test : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        test_state_reset();
        kv_srand(1);
        kernel_get().detail_level = kDetailHigh;
        textures_ = std::make_unique<scoped_texture_data>(srv_.data_dir);
        auto recorder = std::make_unique<recording_driver>();
        driver_ = recorder.get();
        g_.driver = std::move(recorder);
        g_.effects.world = &srv_;
        srv_.client.connected = true;
        srv_.client.current_server.address = kLoopbackAddress;
        srv_.client.current_server.port = 9;
        write_level();
    }
    void TearDown() override {
        gfx_reset_effects(g_);
        kernel_get().detail_level = kDetailHigh;
        textures_.reset();
        test_state_reset();
        world_test::TearDown();
    }

    void write_level() {
        tools::package_writer level;
        auto& q = level.qxps();
        level.add_surface("paint");
        auto geometry_of = [&](const std::string& name, const tools::mesh_desc& m) {
            tools::add_geometry(level, {name, m.box, {tools::add_mesh(q, m)}, {}});
        };
        geometry_of(
            "floor",
            effect_test_quad(
                {{-2000, -100, -2000}, {2000, -100, -2000}, {2000, -100, 2000}, {-2000, -100, 2000}}));
        geometry_of("wall", effect_test_quad(
                                {{300, -100, -100}, {300, 300, -100}, {300, 300, 100}, {300, -100, 100}}));
        geometry_of("limit",
                    effect_test_quad({{100, -100, 200}, {100, 300, 200}, {100, 300, 400}, {100, -100, 400}}));
        geometry_of("through",
                    effect_test_quad({{150, -100, 200}, {150, 300, 200}, {150, 300, 400}, {150, -100, 400}}));
        geometry_of("water",
                    effect_test_quad({{-500, 0, -500}, {500, 0, -500}, {500, 0, 500}, {-500, 0, 500}}));
        tools::sector_desc yard;
        yard.name = "yard";
        yard.meshes = {tools::add_mesh_instance(q, {{}, "floor", "paint", "metal1", 0}),
                       tools::add_mesh_instance(q, {{}, "wall", "paint", "metal1", 1}),
                       tools::add_mesh_instance(q, {{}, "limit", "paint", "limit", 2}),
                       tools::add_mesh_instance(q, {{}, "through", "paint", "through", 3})};
        tools::add_sector(level, yard);
        tools::sector_desc pool;
        pool.name = "pool";
        pool.meshes = {tools::add_mesh_instance(q, {{}, "water", "paint", "water1", 0})};
        tools::add_sector(level, pool);
        write_package("arena", level);
        ASSERT_TRUE(load_package(srv_, "arena", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        srv_.current_level_name = "arena";
        package* arena = find("arena");
        ASSERT_TRUE(arena);
        yard_ = arena->sectors.items[0];
        pool_ = arena->sectors.items[1];
    }

    // The first hit of a ray from the start along the direction, in the sector.
    trace_hit hit_of(sector* in, const vec3& start, const vec3& direction) {
        trace t;
        trace_ray(t, in, start, direction, 1e8f, 0, 0, 1, 1);
        EXPECT_FALSE(t.hits.empty());
        return t.hits.empty() ? trace_hit() : t.hits.front();
    }

    // The bytes written to the event stream since the last call, without the packet header.
    std::vector<uint8_t> take_events() {
        packet& stream = srv_.client.event_stream;
        std::vector<uint8_t> bytes(stream.body.data() + kPacketHeaderSize,
                                   stream.body.data() + stream.body.size());
        stream = packet(kPacketWorldSnapshot);
        srv_.client.event_groups.clear();
        return bytes;
    }

    // One frame with one viewport.
    void frame(int64_t ms = 0) {
        clock_.advance_ms(ms);
        gfx_render_effects(g_);
        gfx_draw_effect_overlays(g_);
    }

    effect* last() { return g_.effects.items.empty() ? nullptr : g_.effects.items.back().get(); }

    std::unique_ptr<scoped_texture_data> textures_;
    gfx g_;
    recording_driver* driver_ = nullptr;
    sector* yard_ = nullptr;
    sector* pool_ = nullptr;
};

}  // namespace kv
