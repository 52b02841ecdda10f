// Shattering panes on a level of the package writer: the outline of a pane of two triangles and of a
// pane cut into a grid, the ten shards that fall and settle on the floor, the pane hidden until the
// effects are cleared, the event that is always written and its replay on another front end, the
// shorter life at low detail, the sound, and panes that cannot be found or cut.

#include "gfx/effects/glass_shatter_effect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/gfx/effect_kinds.h"
#include "tests/gfx/effects/effect_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "world/mesh.h"

namespace kv {
namespace {

constexpr float kPaneZ[3] = {500.0f, 800.0f, 1100.0f};
constexpr float kFloorRest = 3.0f;

// A pane in the plane z = z, x 100..300, y 50..250.
tools::mesh_desc two_triangles(float z) {
    tools::mesh_desc m;
    m.primitive_kind = kMeshTriangles;
    // Each triangle with its own vertices: the shared corners come twice.
    m.vertices = {{100, 50, z, 0, 1}, {300, 50, z, 1, 1},  {300, 250, z, 1, 0},
                  {100, 50, z, 0, 1}, {300, 250, z, 1, 0}, {100, 250, z, 0, 0}};
    box3_init(m.box, {100, 50, z}, {300, 250, z});
    tools::mesh_desc::part part;
    part.indices = {0, 1, 2, 3, 4, 5};
    part.draws.push_back({1, 2, 0});
    m.parts.push_back(part);
    return m;
}

// The same pane as a 4 x 4 grid of quads, its 25 vertices row by row.
tools::mesh_desc grid(float z) {
    tools::mesh_desc m;
    m.primitive_kind = kMeshQuads;
    for (int row = 0; row <= 4; ++row)
        for (int column = 0; column <= 4; ++column)
            m.vertices.push_back(
                {100.0f + 50.0f * column, 50.0f + 50.0f * row, z, column / 4.0f, row / 4.0f});
    box3_init(m.box, {100, 50, z}, {300, 250, z});
    tools::mesh_desc::part part;
    for (uint16_t row = 0; row < 4; ++row) {
        for (uint16_t column = 0; column < 4; ++column) {
            const uint16_t a = static_cast<uint16_t>(row * 5 + column);
            part.indices.insert(part.indices.end(),
                                {a, static_cast<uint16_t>(a + 5), static_cast<uint16_t>(a + 6),
                                 static_cast<uint16_t>(a + 1)});
        }
    }
    part.draws.push_back({1, 16, 0});
    m.parts.push_back(part);
    return m;
}

// One triangle: no four corners.
tools::mesh_desc triangle(float z) {
    tools::mesh_desc m = two_triangles(z);
    m.vertices.resize(3);
    m.parts[0].indices = {0, 1, 2};
    m.parts[0].draws = {{1, 1, 0}};
    return m;
}

class GlassShatter : public effect_test {
protected:
    void SetUp() override {
        effect_test::SetUp();
        tools::package_writer level;
        auto& q = level.qxps();
        level.add_surface("paint");
        level.add_surface("window");
        auto geometry_of = [&](const std::string& name, const tools::mesh_desc& m) {
            tools::add_geometry(level, {name, m.box, {tools::add_mesh(q, m)}, {}});
        };
        geometry_of("floor", effect_test_quad(
                                 {{-2000, 0, -2000}, {2000, 0, -2000}, {2000, 0, 2000}, {-2000, 0, 2000}}));
        geometry_of("pane", two_triangles(kPaneZ[0]));
        geometry_of("grid", grid(kPaneZ[1]));
        geometry_of("shard", triangle(kPaneZ[2]));
        tools::sector_desc room;
        room.name = "room";
        room.meshes = {tools::add_mesh_instance(q, {{}, "floor", "paint", "metal1", 0}),
                       tools::add_mesh_instance(q, {{}, "pane", "window", "glass", 1}),
                       tools::add_mesh_instance(q, {{}, "grid", "window", "glass", 2}),
                       tools::add_mesh_instance(q, {{}, "shard", "window", "glass", 3})};
        tools::add_sector(level, room);
        write_package("glassworks", level);
        ASSERT_TRUE(load_package(srv_, "glassworks", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        srv_.current_level_name = "glassworks";
        room_ = find("glassworks")->sectors.items[0];
    }
    void TearDown() override {
        gfx& replica = kernel_get().graphics;
        gfx_reset_effects(replica);
        replica.effects.world = nullptr;
        effect_test::TearDown();
    }

    // The hit on pane i from in front of it.
    trace_hit pane_hit(int i) { return hit_of(room_, {250, 100, kPaneZ[i] - 100}, {0, 0, 1}); }
    glass_shatter_effect* shatter(int i) {
        gfx_add_glass_shatter_effect(g_, pane_hit(i), room_);
        auto* e = dynamic_cast<glass_shatter_effect*>(g_.effects.last_effect);
        gfx_forget_last_effect(g_);
        return e;
    }

    sector* room_ = nullptr;
};

TEST_F(GlassShatter, BothPanesGiveTheirFourCornersRoundTheOutline) {
    for (int i : {0, 1}) {
        const trace_hit hit = pane_hit(i);
        ASSERT_NE(hit.hit_mesh, nullptr);
        const std::vector<mesh_vertex> corners = glass_shatter_effect::outline(*hit.hit_mesh);
        ASSERT_EQ(corners.size(), 4u) << i;
        std::set<std::pair<float, float>> found;
        for (const mesh_vertex& c : corners) {
            found.insert({c.x, c.y});
            EXPECT_EQ(c.z, kPaneZ[i]);
            // The texture goes with the corner.
            EXPECT_EQ(c.u, (c.x - 100.0f) / 200.0f) << i;
        }
        EXPECT_EQ(found, (std::set<std::pair<float, float>>{{100, 50}, {300, 50}, {300, 250}, {100, 250}}))
            << i;
        // Neighbours in the list share a side of the pane.
        for (int k = 0; k < 4; ++k) {
            const mesh_vertex& a = corners[static_cast<std::size_t>(k)];
            const mesh_vertex& b = corners[static_cast<std::size_t>((k + 1) % 4)];
            EXPECT_TRUE(a.x == b.x || a.y == b.y) << i << " corner " << k;
        }
    }
    EXPECT_EQ(glass_shatter_effect::outline(*pane_hit(2).hit_mesh).size(), 3u);
}

// Ten shards cut from the pane, whatever the frame lengths, never below the floor (+3); they all come
// to rest on it.
TEST_F(GlassShatter, TenShardsFallAndSettleOnTheFloor) {
    for (int step_ms : {1, 16, 100, 1000, 7000}) {
        gfx_clear_effects(g_);
        glass_shatter_effect* e = shatter(1);
        ASSERT_NE(e, nullptr);
        frame(0);
        ASSERT_EQ(e->shard_count, 10);
        ASSERT_TRUE(e->shard_mesh);
        ASSERT_EQ(e->shard_mesh->rest_vertices.size(), 40u);
        EXPECT_EQ(e->floor_height, kFloorRest);
        // At first the shards make up the pane.
        for (const mesh_vertex& v : e->shard_mesh->rest_vertices) {
            EXPECT_NEAR(v.z, kPaneZ[1], 1e-3f);
            EXPECT_GE(v.x, 100.0f - 1e-3f);
            EXPECT_LE(v.y, 250.0f + 1e-3f);
        }
        for (int elapsed = 0; elapsed < 30000; elapsed += step_ms) {
            frame(step_ms);
            for (const mesh_vertex& v : e->shard_mesh->rest_vertices) ASSERT_GE(v.y, kFloorRest) << step_ms;
        }
        for (const mesh_vertex& v : e->shard_mesh->rest_vertices) EXPECT_EQ(v.y, kFloorRest) << step_ms;
    }
}

// The pane is gone from drawing and traces until the effects are cleared, long after its shards; a
// second blast on it makes and writes nothing.
TEST_F(GlassShatter, ThePaneStaysBrokenUntilTheEffectsAreCleared) {
    kernel_sound_probe sound(srv_.data_dir, {"break_glass"});
    mesh* pane = pane_hit(0).hit_mesh;
    mesh* grid_pane = pane_hit(1).hit_mesh;
    shatter(0);
    shatter(1);
    EXPECT_TRUE(mesh_is_broken(*pane));
    EXPECT_EQ(g_.effects.broken_meshes, (std::deque<mesh*>{pane, grid_pane}));
    take_events();
    gfx_add_blast_impact_effect(g_, {0, 0, 0}, {0, 1, 0}, room_);
    effect* before = g_.effects.last_effect;
    take_events();
    trace_hit again;
    again.hit_mesh = pane;
    gfx_add_glass_shatter_effect(g_, again, room_);
    EXPECT_EQ(g_.effects.last_effect, before);
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});
    EXPECT_EQ(effect_count(g_, effect_class::glass_shatter), 2u);
    gfx_forget_last_effect(g_);

    frame(0);
    const std::vector<std::string> played = sound.take();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_TRUE(played[0].starts_with("2 break_glass ")) << played[0];
    // A ray through the holes goes on to the third pane behind them.
    EXPECT_EQ(pane_hit(0).hit.point.z, kPaneZ[2]);
    for (int i = 0; i < 41; ++i) frame(1000);
    EXPECT_EQ(effect_count(g_, effect_class::glass_shatter), 0u);
    EXPECT_TRUE(mesh_is_broken(*pane));
    gfx_clear_effects(g_);
    EXPECT_FALSE(mesh_is_broken(*pane));
    EXPECT_FALSE(mesh_is_broken(*grid_pane));
    EXPECT_TRUE(g_.effects.broken_meshes.empty());
}

// Event 10 goes out with the echo off too; another front end replays it into the same broken pane,
// and a key, surface or sector it cannot find makes nothing there.
TEST_F(GlassShatter, TheEventIsAlwaysWrittenAndReplaysElsewhere) {
    const trace_hit hit = pane_hit(0);
    gfx_set_effect_echo(g_, false);
    take_events();
    shatter(0);
    gfx_set_effect_echo(g_, true);
    const std::vector<uint8_t> written = take_events();
    client_write_decal_event(srv_.client, static_cast<uint16_t>(hit.hit_mesh->id), 1, 0);
    EXPECT_EQ(written, take_events());

    gfx_clear_effects(g_);  // the pane whole again for the replay in this process
    gfx& replica = kernel_get().graphics;
    gfx_reset_effects(replica);
    replica.effects.world = &srv_;
    const uint16_t key = static_cast<uint16_t>(hit.hit_mesh->id);
    client_write_decal_event(srv_.client, 65000, 1, 0);  // no such pane
    client_write_decal_event(srv_.client, key, 2, 0);    // no such surface
    client_write_decal_event(srv_.client, key, 1, 255);
    client_write_decal_event(srv_.client, key, 1, 0);
    client_write_decal_event(srv_.client, key, 1, 0);  // broken already
    packet stream(srv_.client.event_stream.body.data(), srv_.client.event_stream.body.size());
    take_events();
    client_apply_events(srv_.client, stream);
    ASSERT_EQ(effect_kinds(replica), std::vector<effect_class>{effect_class::glass_shatter});
    auto* e = dynamic_cast<glass_shatter_effect*>(replica.effects.items.front().get());
    EXPECT_EQ(e->pane, hit.hit_mesh);
    EXPECT_EQ(e->pane_surface, hit.surf);
    EXPECT_EQ(e->in_sector, room_);
    EXPECT_TRUE(mesh_is_broken(*hit.hit_mesh));
    EXPECT_EQ(replica.effects.broken_meshes.size(), 1u);
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});
    gfx_clear_effects(replica);
}

// A pane whose key does not fit the event, or whose surface is not in the level, is sent as not in
// the tables, so that the other players make nothing of it.
TEST_F(GlassShatter, WhatTheEventCannotNameIsSentAsNotInTheTables) {
    const float quad[20] = {0, 0, 0, 0, 0, 10, 0, 0, 1, 0, 10, 10, 0, 1, 1, 0, 10, 0, 0, 1};
    std::unique_ptr<mesh> pane = effect_quad(quad, 0);
    pane->id = 70000;
    trace_hit hit;
    hit.hit_mesh = pane.get();
    hit.surf = pane_hit(0).surf;
    take_events();
    gfx_add_glass_shatter_effect(g_, hit, room_);
    const std::vector<uint8_t> written = take_events();
    client_write_decal_event(srv_.client, static_cast<uint16_t>(70000 & 0xFFFF), 255, 255);
    EXPECT_EQ(written, take_events());

    surface stray;
    std::unique_ptr<mesh> other = effect_quad(quad, 0);
    other->id = 12;
    hit.hit_mesh = other.get();
    hit.surf = &stray;
    gfx_add_glass_shatter_effect(g_, hit, room_);
    const std::vector<uint8_t> second = take_events();
    client_write_decal_event(srv_.client, 12, 255, 0);
    EXPECT_EQ(second, take_events());
    gfx_clear_effects(g_);
}

// A process that draws nothing empties its effects every pass; the pane it shattered stays broken.
TEST_F(GlassShatter, ADedicatedServerKeepsThePaneBrokenAndDropsTheEffects) {
    kernel& k = kernel_get();
    const bool no_render = k.no_render;
    const bool running = k.running;
    k.no_render = true;
    k.running = true;
    gfx& server_gfx = k.graphics;
    server_gfx.effects.world = &srv_;
    const trace_hit hit = pane_hit(0);
    gfx_add_glass_shatter_effect(server_gfx, hit, room_);
    gfx_add_explosion_effect(server_gfx, {0, 0, 0}, {1, 1, 1});
    gfx_add_smoke_effect(server_gfx, {0, 0, 0}, {0, 1, 0});
    EXPECT_EQ(server_gfx.effects.count, 3u);
    kernel_tick(k);
    EXPECT_EQ(server_gfx.effects.count, 0u);
    EXPECT_TRUE(mesh_is_broken(*hit.hit_mesh));
    EXPECT_EQ(server_gfx.effects.broken_meshes.size(), 1u);
    k.no_render = no_render;
    k.running = running;
    gfx_clear_effects(server_gfx);
    EXPECT_FALSE(mesh_is_broken(*hit.hit_mesh));
}

// At low detail the shards go after 10 s (20 s at medium); the pane stays broken.
TEST_F(GlassShatter, LowerDetailShortensTheShards) {
    for (const auto& [detail, lifetime] : {std::pair{kDetailLow, 10000}, std::pair{kDetailMedium, 20000}}) {
        kernel_get().detail_level = detail;
        gfx_clear_effects(g_);
        shatter(0);
        frame(0);
        frame(lifetime);
        EXPECT_EQ(g_.effects.count, 1u) << detail;
        frame(1);
        EXPECT_EQ(g_.effects.count, 0u) << detail;
        EXPECT_EQ(g_.effects.broken_meshes.size(), 1u);
        EXPECT_TRUE(mesh_is_broken(*g_.effects.broken_meshes.front()));
    }
}

// A pane without four corners breaks and sounds, with no shards.
TEST_F(GlassShatter, APaneWithoutFourCornersBreaksWithoutShards) {
    kernel_sound_probe sound(srv_.data_dir, {"break_glass"});
    mesh* pane = pane_hit(2).hit_mesh;
    glass_shatter_effect* e = shatter(2);
    frame(0);
    EXPECT_TRUE(mesh_is_broken(*pane));
    EXPECT_EQ(e->shard_count, 0);
    EXPECT_EQ(e->part_count(), 0);
    EXPECT_EQ(sound.take().size(), 1u);
}

}  // namespace
}  // namespace kv
