#include "tools/demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "beings/being.h"
#include "beings/being_game.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/kvcamera.h"
#include "game/kvdoor.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/kvlevel.h"
#include "game/kvspawn_point.h"
#include "game/server_load.h"
#include "gfx/camera_view.h"
#include "gfx/draw_lists.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/glass_shatter_effect.h"
#include "gfx/gfx.h"
#include "gfx/portal_walk.h"
#include "gfx/sector_draw.h"
#include "gfx/surface.h"
#include "gfx/texture.h"
#include "gfx/view.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "sound/ambient_source.h"
#include "tests/data/data_test_support.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/recording_driver.h"
#include "tools/beings_writer.h"
#include "tools/teams_writer.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/hit_map.h"
#include "world/lmap_binding.h"
#include "world/lmap_file.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

// The demo data read back by the engine's own loaders.
class DemoData : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        ASSERT_TRUE(tools::write_demo_data(folder_.file("data")));
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
        srv_.language_suffix = "-en.txt";
    }
};

TEST_F(DemoData, InterfaceAndDoorSamplesPlay) {
    kernel_sound_probe sound(srv_.data_dir, {});
    for (const char* name : {"ui_snd1", "ui_snd2", "ui_snd3", "ui_snd4", "ui_snd6", "snd-door1"}) {
        EXPECT_TRUE(snd_play(kernel_get().sound, 1, name, 0, 0, false)) << name;
    }
    EXPECT_EQ(sound.take().size(), 6u);
    EXPECT_EQ(log().find("[sound] Sample"), std::string::npos) << log();
}

TEST_F(DemoData, BootPackageLoadsWithItsImportAndLevelRecord) {
    ASSERT_TRUE(load_package(srv_, tools::kDemoBootPackage, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    EXPECT_NE(package_list_find(srv_.packages, tools::kDemoSharedPackage), nullptr);
    const kvlevel* level = arty_factory_find_by_name_as<kvlevel>(srv_.factory, "level");
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->title, "Menu");
    EXPECT_NE(arty_factory_find_by_name_as<kvspawn_point>(srv_.factory, "sp0"), nullptr);
    // The menu runs the game object too, with the cable camera behind it.
    EXPECT_NE(arty_factory_find_by_name_as<kvgame>(srv_.factory, "game"), nullptr);
    EXPECT_NE(arty_factory_find_by_name_as<kvbound_camera>(srv_.factory, "cam"), nullptr);
    EXPECT_NE(arty_factory_find_by_name_as<kvcable_camera>(srv_.factory, "ccam"), nullptr);
    // The screen the game object opens comes with the shared package.
    const package* shared = package_list_find(srv_.packages, tools::kDemoSharedPackage);
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(package_find_screen(*shared, "basic"), nullptr) << log();
    EXPECT_EQ(log().find("WARNING"), std::string::npos) << log();
}

TEST_F(DemoData, LevelIsThreeRoomsJoinedByDoorways) {
    server_list_maps(srv_);
    ASSERT_EQ(srv_.maps.size(), 1u);
    srv_.game_package = tools::kDemoMap;
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    const package* level_package = package_list_find(srv_.packages, tools::kDemoMap);
    ASSERT_NE(level_package, nullptr);
    // The soldiers' packages come with the level.
    for (const char* name : {tools::kDemoBeingsPackage, tools::kDemoTeamsPackage})
        EXPECT_NE(package_list_find(srv_.packages, name), nullptr) << name;
    sector* yard = package_find_sector(*level_package, "yard");
    sector* hall = package_find_sector(*level_package, "hall");
    sector* store = package_find_sector(*level_package, "store");
    ASSERT_TRUE(yard && hall && store);
    for (const sector* s : {yard, hall, store}) {
        for (const mesh_instance* m : s->meshes.items) {
            ASSERT_NE(m->geom, nullptr) << s->name;
            ASSERT_NE(m->surf, nullptr) << s->name;
            EXPECT_NE(m->material, nullptr) << s->name;
            // Every draw id names a layer painted by a shader.
            for (const mesh* rigid : m->geom->meshes.items) {
                for (const mesh_part& part : rigid->parts) {
                    for (const mesh_draw_record& draw : part.draws) {
                        ASSERT_LT(draw.draw_id, m->surf->descriptions.size()) << m->surf->name;
                        EXPECT_NE(m->surf->descriptions[draw.draw_id], nullptr) << m->surf->name;
                        EXPECT_NE(m->surf->shaders[draw.draw_id], nullptr) << m->surf->name;
                    }
                }
            }
        }
    }
    // The hall's wall beside the store's doorway is an occluder, turned away from the hall.
    ASSERT_EQ(hall->occluders.size(), 1u);
    EXPECT_GT(hall->occluders[0].face_plane.normal.x, 0.99f);
    EXPECT_TRUE(yard->occluders.empty());
    EXPECT_TRUE(store->occluders.empty());
    // The game screen's view: the whole screen.
    const view_set* screen =
        package_find_screen(*package_list_find(srv_.packages, tools::kDemoSharedPackage), "basic");
    ASSERT_NE(screen, nullptr);
    const view* main_view = view_set_find_view(*screen, "default");
    ASSERT_NE(main_view, nullptr);
    ASSERT_EQ(main_view->viewports.items.size(), 1u);
    const viewport& vp = *main_view->viewports.items[0];
    EXPECT_EQ(vp.rect[2], 1000);
    EXPECT_EQ(vp.projection[kViewportNear], 1.0f);
    EXPECT_EQ(vp.projection[kViewportFar], 50000.0f);
    // Walking along the row through both doorways, and back, a metre either side of each.
    const float m = tools::kDemoMetre;
    const float y = tools::kDemoEyeHeight;
    const float hall_end = tools::kDemoRoomStart[2];
    EXPECT_EQ(sector_pass_portals(*yard, {-m, y, 0.0f}, {m, y, 0.0f}), hall);
    EXPECT_EQ(sector_pass_portals(*hall, {hall_end - m, y, 0.0f}, {hall_end + m, y, 0.0f}), store);
    EXPECT_EQ(sector_pass_portals(*store, {hall_end + m, y, 0.0f}, {hall_end - m, y, 0.0f}), hall);
    EXPECT_EQ(sector_pass_portals(*hall, {m, y, 0.0f}, {-m, y, 0.0f}), yard);
    // Beside the doorway the wall holds, and so does the space above it.
    const float beside = tools::kDemoDoorHalfWidth + m;
    EXPECT_EQ(sector_pass_portals(*hall, {hall_end - m, y, beside}, {hall_end + m, y, beside}), hall);
    const float above = tools::kDemoDoorHeight + m;
    EXPECT_EQ(sector_pass_portals(*hall, {hall_end - m, above, 0.0f}, {hall_end + m, above, 0.0f}), hall);

    const kvlevel* level = arty_factory_find_by_name_as<kvlevel>(srv_.factory, "level");
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->title, "Depot");
    EXPECT_EQ(srv_.maps[0].described, 1);
    // A spawn point for every number the limits of 8 per team hand out, inside its room at a soldier's
    // height, with room for a soldier's box (70 across) between any two.
    std::vector<vec3> spawns;
    for (int i = 0; i <= 24; ++i) {
        const auto* spawn =
            arty_factory_find_by_name_as<kvspawn_point>(srv_.factory, "sp" + std::to_string(i));
        ASSERT_NE(spawn, nullptr) << i;
        const bool yard_side = spawn->sector_name == "yard";
        EXPECT_TRUE(yard_side || spawn->sector_name == "store") << spawn->sector_name;
        const float x0 = tools::kDemoRoomStart[yard_side ? 0 : 2];
        EXPECT_GT(spawn->position.x, x0 + tools::kDemoMetre) << i;
        EXPECT_LT(spawn->position.x, x0 + tools::kDemoRoomLength - tools::kDemoMetre) << i;
        EXPECT_LT(std::fabs(spawn->position.z), tools::kDemoRoomWidth / 2.0f - tools::kDemoMetre) << i;
        EXPECT_EQ(spawn->position.y, tools::kDemoEyeHeight) << i;
        for (const vec3& other : spawns) EXPECT_GE(vec3_length(other - spawn->position), 150.0f) << i;
        spawns.push_back(spawn->position);
    }
    EXPECT_EQ(log().find("WARNING"), std::string::npos) << log();
}

TEST_F(DemoData, EveryRoomHumsAndTheMenuMusicPlays) {
    kernel_sound_probe sound(srv_.data_dir, {});
    sound_system& facade = kernel_get().sound;
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    const package& level = *package_list_find(srv_.packages, tools::kDemoMap);
    // Wherever the listener stands in a room (its far corners at eye height), the room's hum starts.
    const struct {
        const char* room;
        float x0;
        std::vector<std::string> samples;
    } rooms[] = {{tools::kDemoRoomNames[0], tools::kDemoRoomStart[0], {"hum", "wind", "clank"}},
                 {tools::kDemoRoomNames[1], tools::kDemoRoomStart[1], {"hum"}},
                 {tools::kDemoRoomNames[2], tools::kDemoRoomStart[2], {"hum"}}};
    // A loop, then the yard's random wind and periodic clank.
    constexpr int32_t kModes[] = {kAmbientLooping, kAmbientRandom, kAmbientPeriodic};
    for (const auto& r : rooms) {
        sector* s = package_find_sector(level, r.room);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->ambient_sources.items.size(), r.samples.size()) << r.room;
        for (std::size_t i = 0; i < r.samples.size(); ++i) {
            EXPECT_EQ(s->ambient_sources.items[i]->sample_name, r.samples[i]);
            EXPECT_EQ(s->ambient_sources.items[i]->mode, kModes[i]);
        }
        const float inset = tools::kDemoMetre / 2.0f;
        const float z = tools::kDemoRoomWidth / 2.0f - inset;
        for (const vec3& corner : {vec3{r.x0 + inset, tools::kDemoEyeHeight, -z},
                                   vec3{r.x0 + tools::kDemoRoomLength - inset, tools::kDemoEyeHeight, z}}) {
            snd_set_listener(facade, reinterpret_cast<uintptr_t>(s), corner, {}, {0.0f, 1.0f, 0.0f},
                             {1.0f, 0.0f, 0.0f});
            ambient_source_tick(*s->ambient_sources.items[0], *s);
            const std::vector<std::string> playing = sound.take();
            ASSERT_EQ(playing.size(), 1u) << r.room << log();
            EXPECT_EQ(playing[0].substr(0, 6), "1 hum ");
        }
        // The yard's other samples play too.
        for (std::size_t i = 1; i < r.samples.size(); ++i) {
            EXPECT_TRUE(snd_play(facade, 1, r.samples[i], 0, 0, false)) << r.samples[i];
        }
        sound.take();
    }
    EXPECT_EQ(log().find("[sound] Sample"), std::string::npos) << log();
    // No "menu.wma": the menu's music comes from "menu.mp3".
    EXPECT_FALSE(music_play(facade, "data\\sound\\menu.wma", true));
    EXPECT_TRUE(music_play(facade, "data\\sound\\menu.mp3", true)) << log();
    EXPECT_TRUE(music_is_playing(facade));
    sound_device_music_release(*facade.device);
}

// The hall's window holds a glass pane that a blast shatters into ten shards, and whose event names
// it for the other players; the effects' strips are in the texture folder.
TEST_F(DemoData, TheHallsWindowPaneShatters) {
    srv_.game_package = tools::kDemoMap;
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    srv_.current_level_name = tools::kDemoMap;
    sector* hall = package_find_sector(*package_list_find(srv_.packages, tools::kDemoMap), "hall");
    ASSERT_NE(hall, nullptr);
    trace t;
    // From the middle of the hall at a soldier's height, towards the -z wall where the window is.
    const vec3 middle{tools::kDemoRoomLength / 2.0f, 2.0f * tools::kDemoMetre, 0.0f};
    trace_ray(t, hall, middle, {0.0f, 0.0f, -1.0f}, 1e6f, 0, 0, 1, 1);
    ASSERT_FALSE(t.hits.empty());
    const trace_hit pane = t.hits.front();
    ASSERT_NE(pane.material, nullptr);
    EXPECT_EQ(pane.material->kind, kSurfaceKindGlass);
    EXPECT_EQ(pane.material, surface_table_get(kernel_get().surfaces, "glass"));

    gfx g;
    g.effects.world = &srv_;
    srv_.client.connected = true;
    gfx_add_glass_shatter_effect(g, pane, hall);
    gfx_render_effects(g);
    auto* e = dynamic_cast<glass_shatter_effect*>(g.effects.items.front().get());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->shard_count, 10);
    EXPECT_TRUE(mesh_is_broken(*pane.hit_mesh));
    // The event: kind 10, the key, then the surface and sector in the level's tables.
    const packet& sent = srv_.client.event_stream;
    const std::size_t n = sent.body.size();
    ASSERT_EQ(n, kPacketHeaderSize + 5);
    EXPECT_EQ(sent.body.data()[kPacketHeaderSize], 10);
    EXPECT_LT(sent.body.data()[n - 2], 255);
    EXPECT_EQ(sent.body.data()[n - 1], 1);  // the hall
    gfx_clear_effects(g);
    EXPECT_FALSE(mesh_is_broken(*pane.hit_mesh));
    srv_.client.connected = false;

    for (const char* strip : {"expl_1", "expl_anim", "stun_anim", "smoke_anim"})
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder_.file("data")) / "tex" / "tga" /
                                            (std::string(strip) + ".tga")))
            << strip;
}

// The rooms' walls: one mesh a room, every face turned into the room; a ceiling over the hall and the
// store, none over the yard.
TEST_F(DemoData, TheRoomsWallsFaceIntoTheirRooms) {
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    const package& level = *package_list_find(srv_.packages, tools::kDemoMap);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(tools::kDemoRoomNames[i]);
        const sector* room = package_find_sector(level, tools::kDemoRoomNames[i]);
        ASSERT_NE(room, nullptr);
        const mesh* walls = nullptr;
        for (const mesh_instance* m : room->meshes.items)
            if (m->geom->name == std::string("g-walls-") + tools::kDemoRoomNames[i])
                walls = m->geom->meshes.items[0];
        ASSERT_NE(walls, nullptr);
        const float x0 = tools::kDemoRoomStart[i];
        const vec3 middle{x0 + tools::kDemoRoomLength / 2.0f, tools::kDemoRoomHeight / 2.0f, 0.0f};
        const std::vector<uint16_t>& indices = walls->parts.at(0).indices;
        ASSERT_FALSE(indices.empty());
        bool ceiling = false;
        for (std::size_t k = 0; k + 2 < indices.size(); k += 3) {
            const auto at = [&](std::size_t j) {
                const mesh_vertex& v = walls->rest_vertices[indices[k + j]];
                return vec3{v.x, v.y, v.z};
            };
            // The front of the triangle a, b, c faces along (b - a) x (c - a), as the floors' faces up.
            const vec3 front = vec3_cross(at(1) - at(0), at(2) - at(0));
            const vec3 centre = (at(0) + at(1) + at(2)) * (1.0f / 3.0f);
            EXPECT_GT(vec3_dot(front, middle - centre), 0.0f) << "triangle " << k / 3;
            ceiling = ceiling || (front.y < 0.0f && centre.y >= tools::kDemoRoomHeight - 1.0f);
            // Within the room's box, on its rim.
            EXPECT_GE(centre.x, x0 - 1.0f);
            EXPECT_LE(centre.x, x0 + tools::kDemoRoomLength + 1.0f);
            EXPECT_LE(std::fabs(centre.z), tools::kDemoRoomWidth / 2.0f + 1.0f);
        }
        EXPECT_EQ(ceiling, i > 0);
    }
}

// Rays across the rooms' bounds: a wall or a ceiling stops them, a doorway and the yard's open top do
// not.
TEST_F(DemoData, RaysAreStoppedByTheWallsAndPassTheDoorways) {
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    const package& level = *package_list_find(srv_.packages, tools::kDemoMap);
    const float m = tools::kDemoMetre;
    const float yard = tools::kDemoRoomStart[0];
    const float hall_end = tools::kDemoRoomStart[2];
    const float beside = -(tools::kDemoDoorHalfWidth + m);
    const float above = tools::kDemoDoorHeight + m;
    const float top = tools::kDemoRoomHeight;
    const float side = tools::kDemoRoomWidth / 2.0f;
    const vec3 x{1.0f, 0.0f, 0.0f};
    const vec3 up{0.0f, 1.0f, 0.0f};
    const vec3 z{0.0f, 0.0f, 1.0f};
    const struct {
        const char* name;
        int room;
        vec3 start;
        vec3 direction;
        bool stopped;
        vec3 wall;  // where it is stopped: the coordinates along the direction are checked
    } rays[] = {
        {"yard beside the doorway", 0, {-3.0f * m, m, beside}, x, true, {0.0f, 0.0f, 0.0f}},
        {"hall above the doorway", 1, {hall_end - 3.0f * m, above, 0.0f}, x, true, {hall_end, 0.0f, 0.0f}},
        {"yard's outer end", 0, {yard + 3.0f * m, m, 0.0f}, x * -1.0f, true, {yard, 0.0f, 0.0f}},
        {"yard's side", 0, {yard + 3.0f * m, m, 0.0f}, z * -1.0f, true, {0.0f, 0.0f, -side}},
        {"store's side", 2, {hall_end + 5.0f * m, m, 0.0f}, z, true, {0.0f, 0.0f, side}},
        {"hall's ceiling", 1, {5.0f * m, m, 0.0f}, up, true, {0.0f, top, 0.0f}},
        {"store's ceiling", 2, {hall_end + 5.0f * m, m, 0.0f}, up, true, {0.0f, top, 0.0f}},
        {"yard's sky", 0, {yard + 3.0f * m, m, 0.0f}, up, false, {}},
        {"yard through the doorway", 0, {-3.0f * m, m, 0.0f}, x, false, {}},
    };
    const float reach = 8.0f * m;
    for (const auto& r : rays) {
        SCOPED_TRACE(r.name);
        sector* from = package_find_sector(level, tools::kDemoRoomNames[r.room]);
        ASSERT_NE(from, nullptr);
        trace t;
        trace_ray(t, from, r.start, r.direction, reach * reach, 0, 0, 1, 0);
        if (!r.stopped) {
            // Nothing within its reach: the yard has no roof, and the doorway lets the ray into the hall.
            EXPECT_TRUE(t.hits.empty()) << t.hits.front().hit.point.x << " " << t.hits.front().hit.point.y;
            continue;
        }
        ASSERT_FALSE(t.hits.empty());
        const trace_hit& first = t.hits.front();
        EXPECT_EQ(first.material, surface_table_get(kernel_get().surfaces, "concrete10"));
        const vec3 at = first.hit.point;
        const vec3 expected{r.direction.x != 0.0f ? r.wall.x : r.start.x,
                            r.direction.y != 0.0f ? r.wall.y : r.start.y,
                            r.direction.z != 0.0f ? r.wall.z : r.start.z};
        EXPECT_NEAR(at.x, expected.x, 1.0f);
        EXPECT_NEAR(at.y, expected.y, 1.0f);
        EXPECT_NEAR(at.z, expected.z, 1.0f);
    }
}

// The portal walk through the doorways. The briefing's static camera stands inside the yard's walls
// and looks down the row: the hall and the store are drawn through the doorways. From the hall looking
// at the store's doorway the store is drawn through it, its floor and walls seen; the hall's wall beside
// the doorway is collected as an occluder and hides what stands behind it in the store (the store's
// crate), even with the doorway's planes set aside.
TEST_F(DemoData, TheRoomsAreSeenThroughTheDoorwaysAndTheHallsOccluderHides) {
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    const package& level = *package_list_find(srv_.packages, tools::kDemoMap);
    sector* yard = package_find_sector(level, tools::kDemoRoomNames[0]);
    sector* hall = package_find_sector(level, tools::kDemoRoomNames[1]);
    sector* store = package_find_sector(level, tools::kDemoRoomNames[2]);
    ASSERT_TRUE(yard && hall && store);
    gfx g;
    g.driver = std::make_unique<recording_driver>();
    viewport record;
    const float quarter = std::numbers::pi_v<float> / 4.0f;
    const float values[kViewportProjectionValues] = {1.0f,    quarter, quarter, quarter,
                                                     quarter, 0.0f,    50000.0f};
    std::copy(std::begin(values), std::end(values), record.projection);
    view_stack_add_viewport(g.views, camera_view_copy(record));
    std::vector<std::string> drawn;
    std::vector<std::string> shown;  // "sector geometry" of the objects that pass the box test
    const auto draw = [&](sector& s) {
        drawn.push_back(s.name);
        gfx_collect_occluders(g, s, false);
        const mat4 to_eye = gfx_sector_to_eye(g, s);
        for (mesh_instance* each : s.meshes.items) {
            const box3 eye_box = box3_transform(each->geom->box, mat4_mul(to_eye, each->transform));
            if (gfx_view_volume_pass(g, eye_box) && gfx_cull_planes_pass(g, eye_box, -1))
                shown.push_back(s.name + " " + each->geom->name);
        }
        s.render_stamp = world_visit_stamp();
    };
    // A square 90-degree view from `eye` in the sector, looking along +x.
    const auto walk_along_x = [&](sector& from, const vec3& eye) {
        placement camera;
        mat4_set_rotation_y(camera.transform, -std::numbers::pi_v<float> / 2.0f);
        mat4_set_row3(camera.transform, eye.x, eye.y, eye.z);
        camera.sector = &from;
        view_stack_set_camera(g.views, camera);
        view_stack_begin_world(g.views, 0);
        g.camera.position = eye;
        g.camera.forward = {1.0f, 0.0f, 0.0f};
        drawn.clear();
        shown.clear();
        world_visit_stamp_advance();
        gfx_begin_world_walk(g);
        gfx_draw_world_from(g, from, draw);
    };
    const auto seen = [&](const std::string& name) {
        return std::find(shown.begin(), shown.end(), name) != shown.end();
    };

    const auto* briefing = arty_factory_find_by_name_as<kvstatic_camera>(srv_.factory, "scam1");
    ASSERT_NE(briefing, nullptr);
    EXPECT_EQ(briefing->sector_name, tools::kDemoRoomNames[0]);
    const vec3 at = briefing->position;
    EXPECT_GT(at.x, tools::kDemoRoomStart[0]);
    EXPECT_LT(at.x, tools::kDemoRoomStart[1]);
    EXPECT_LT(std::fabs(at.z), tools::kDemoRoomWidth / 2.0f);
    EXPECT_GT(at.y, 0.0f);
    EXPECT_LT(at.y, tools::kDemoRoomHeight);
    EXPECT_GT(briefing->direction.x, 0.99f * vec3_length(briefing->direction));
    walk_along_x(*yard, at);
    EXPECT_EQ(drawn, (std::vector<std::string>{"yard", "hall", "store"}));
    for (const char* name : {"yard g-walls-yard", "hall g-floor-hall", "hall g-walls-hall"})
        EXPECT_TRUE(seen(name)) << name;

    // Eight metres short of the store's doorway and four to its +z side.
    const float m = tools::kDemoMetre;
    walk_along_x(*hall, {tools::kDemoRoomStart[2] - 8.0f * m, tools::kDemoEyeHeight, 4.0f * m});
    EXPECT_EQ(drawn, (std::vector<std::string>{"hall", "store"}));
    // Of the store, its floor and walls show through the doorway; its crate does not.
    std::vector<std::string> store_shown;
    std::copy_if(shown.begin(), shown.end(), std::back_inserter(store_shown),
                 [](const std::string& name) { return name.starts_with("store "); });
    EXPECT_EQ(store_shown, (std::vector<std::string>{"store g-floor-store", "store g-walls-store"}));
    ASSERT_EQ(g.planes.occluder_count, kOccluderPlaneGroup);

    // The store's crate lies wholly behind the occluder: its planes alone hide it; a box in the doorway
    // stays in view.
    gfx_set_clip_plane_count(g, 0);
    const mat4 to_eye = gfx_sector_to_eye(g, *store);
    const float crate_x = tools::kDemoRoomStart[2] + tools::kDemoRoomLength / 2.0f;
    box3 crate;
    box3_init(crate, {crate_x - m / 2.0f, 0.0f, 1.5f * m}, {crate_x + m / 2.0f, m, 2.5f * m});
    EXPECT_FALSE(gfx_cull_planes_pass(g, box3_transform(crate, to_eye), -1));
    box3 in_doorway;
    box3_init(in_doorway, {tools::kDemoRoomStart[2] + m, 0.0f, -m / 2.0f},
              {tools::kDemoRoomStart[2] + 2.0f * m, m, m / 2.0f});
    EXPECT_TRUE(gfx_cull_planes_pass(g, box3_transform(in_doorway, to_eye), -1));
    view_stack_clear_viewports(g.views);
}

// The demo level played headless by the world server's frames, as the local test game.
class DemoLevel : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        ASSERT_TRUE(tools::write_demo_data(folder_.file("data")));
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
        srv_.language_suffix = "-en.txt";
    }

    // The demo level as the local test game (the map the game server names: no change of level).
    void start_demo_level() {
        srv_.load_request = kLoadRequestMenu;
        srv_.snapshot.name = tools::kDemoMap;
        server_set_game_package(srv_, tools::kDemoMap);
        for (int i = 0; i < 4; ++i) frame();
    }
};

TEST_F(DemoLevel, RunsWithItsCamerasGoalsAndDoor) {
    start_demo_level();
    ASSERT_TRUE(server_game_package_loaded(srv_)) << log();
    kvgame* g = game();
    ASSERT_NE(g, nullptr) << log();
    EXPECT_EQ(g->state, kGameObjectRunning) << log();
    EXPECT_EQ(g->game_level, 1);
    EXPECT_NE(g->bound_camera, nullptr);
    EXPECT_NE(g->cable_camera, nullptr);
    EXPECT_EQ(g->goals.size(), 2u);
    ASSERT_EQ(g->doors.size(), 1u);
    // The local player stands at spawn point 1, in the store.
    ASSERT_EQ(g->players.size(), 1u) << log();
    EXPECT_EQ(g->local_player_id, kLocalTestPlayer);
    const auto* sp1 = arty_factory_find_by_name_as<kvspawn_point>(srv_.factory, "sp1");
    ASSERT_NE(sp1, nullptr);
    EXPECT_EQ(sp1->sector_name, tools::kDemoRoomNames[2]);
    EXPECT_FLOAT_EQ(being_position(*g->players[0]).x, sp1->position.x);
    EXPECT_FLOAT_EQ(being_position(*g->players[0]).z, sp1->position.z);
    EXPECT_NE(g->players[0]->place.sector, nullptr);
    // The briefing's static camera is of team mode 0.
    EXPECT_TRUE(kvgame_pick_static_camera(*g, -1, 0));
    ASSERT_NE(g->static_camera, nullptr);
    EXPECT_EQ(g->static_camera->mode, 0);
    // The door found its leaf in the hall's doorway.
    for (int i = 0; i < 2; ++i) frame();
    EXPECT_NE(g->doors[0]->instance, nullptr) << log();
    EXPECT_EQ(log().find("*FATAL*"), std::string::npos) << log();
    EXPECT_EQ(log().find("WARNING"), std::string::npos) << log();
}

// The level is in the soldiers' unit: a soldier put at a spawn point stands on the floor (his box
// reaching down to it), runs from the yard through the doorway into the hall and on past its crate, and
// is seen there: a ray at his chest's height meets his body.
TEST_F(DemoLevel, ASoldierStandsAtASpawnPointAndRunsThroughTheDoorway) {
    start_demo_level();
    kvgame* g = game();
    ASSERT_NE(g, nullptr) << log();
    ASSERT_EQ(g->players.size(), 1u) << log();
    being& soldier = *g->players[0];
    ASSERT_NE(soldier.srv, nullptr);
    // Spawn point 0 is in the yard, facing +z; the soldier turns towards the hall.
    const auto* sp0 = arty_factory_find_by_name_as<kvspawn_point>(srv_.factory, "sp0");
    ASSERT_NE(sp0, nullptr);
    ASSERT_EQ(sp0->sector_name, tools::kDemoRoomNames[0]);
    sector* yard = package_find_sector(*package_list_find(srv_.packages, tools::kDemoMap), sp0->sector_name);
    ASSERT_NE(yard, nullptr);
    const vec3 start{sp0->position.x, sp0->position.y, 0.0f};
    being_set_view(soldier, start, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, yard);
    for (int i = 0; i < 10; ++i) frame();
    // Settled just above the spawn height: neither fallen through the floor nor floating.
    EXPECT_NEAR(being_position(soldier).y, tools::kDemoEyeHeight, 5.0f);
    EXPECT_EQ(soldier.movement_state, kStateStill);

    // Forward: at a run (450 a second) the doorway at x = 0 is a few seconds away.
    being_record(soldier)->commands.push_back(1);
    const float hall_middle = tools::kDemoRoomStart[1] + tools::kDemoRoomLength / 2.0f;
    for (int i = 0; i < 1000 && being_position(soldier).x < hall_middle + tools::kDemoMetre; ++i) frame();
    EXPECT_EQ(soldier.movement_state, kStateRun);
    EXPECT_GT(being_position(soldier).x, hall_middle) << "stopped at " << being_position(soldier).x;
    EXPECT_NEAR(being_position(soldier).y, tools::kDemoEyeHeight, 5.0f);
    ASSERT_NE(soldier.place.sector, nullptr);
    EXPECT_EQ(static_cast<sector*>(soldier.place.sector)->name, tools::kDemoRoomNames[1]);
    // Seen from the doorway behind him at his chest's height, a ray meets his body.
    ASSERT_EQ(server_load_hit_maps(srv_), 3) << log();
    for (int i = 0; i < 2; ++i) frame();
    const vec3 at = being_position(soldier);
    const vec3 behind{tools::kDemoRoomStart[1] + tools::kDemoMetre, at.y + 30.0f, at.z};
    trace t;
    trace_ray(t, static_cast<sector*>(soldier.place.sector), behind, {1.0f, 0.0f, 0.0f}, 1e6f, 1, 1, 1, 0);
    int32_t met = -1;
    for (const trace_hit& h : t.hits) {
        if (h.player_id >= 0) {
            met = h.player_id;
            break;
        }
    }
    EXPECT_EQ(met, static_cast<int32_t>(soldier.player_id));
    EXPECT_EQ(log().find("*FATAL*"), std::string::npos) << log();
    for (image8& map : hit_maps()) map = image8();
}

// A soldier running at a wall stops at it and stays in his room: the outer walls of the yard and the
// store, and the yard's wall beside the doorway, where he once walked out of the level.
TEST_F(DemoLevel, ASoldierRunningAtAWallStopsAtIt) {
    start_demo_level();
    kvgame* g = game();
    ASSERT_NE(g, nullptr) << log();
    ASSERT_EQ(g->players.size(), 1u) << log();
    being& soldier = *g->players[0];
    const package& level = *package_list_find(srv_.packages, tools::kDemoMap);
    const float m = tools::kDemoMetre;
    const float y = tools::kDemoEyeHeight;
    const float yard = tools::kDemoRoomStart[0];
    const float store = tools::kDemoRoomStart[2];
    const float store_end = store + tools::kDemoRoomLength;
    const float side = tools::kDemoRoomWidth / 2.0f;
    // Each start lies a few metres from the wall, clear of the crates, the pool and the case; the wall
    // is where the run along `direction` meets it.
    const struct {
        const char* name;
        int room;
        vec3 start;
        vec3 direction;
        float wall;  // the wall's coordinate along the direction's axis
    } runs[] = {
        {"yard's outer end", 0, {yard + 4.0f * m, y, -2.0f * m}, {-1.0f, 0.0f, 0.0f}, yard},
        {"beside the doorway", 0, {-4.0f * m, y, -(tools::kDemoDoorHalfWidth + m)}, {1.0f, 0.0f, 0.0f}, 0.0f},
        {"yard's side", 0, {yard + 4.0f * m, y, -3.0f * m}, {0.0f, 0.0f, -1.0f}, -side},
        {"store's outer end", 2, {store_end - 4.0f * m, y, -2.0f * m}, {1.0f, 0.0f, 0.0f}, store_end},
        {"store's side", 2, {store + 4.0f * m, y, 3.0f * m}, {0.0f, 0.0f, 1.0f}, side},
    };
    being_record(soldier)->commands.push_back(1);
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        sector* room = package_find_sector(level, tools::kDemoRoomNames[run.room]);
        ASSERT_NE(room, nullptr);
        being_set_view(soldier, run.start, run.direction, {0.0f, 1.0f, 0.0f}, room);
        // Three seconds at a run: three times as far as the wall.
        for (int i = 0; i < 190; ++i) frame();
        const vec3 at = being_position(soldier);
        const float along = vec3_dot(at, run.direction);
        const float wall = run.wall * (run.direction.x + run.direction.z);
        EXPECT_LT(along, wall) << at.x << " " << at.z;
        EXPECT_GT(along, wall - m) << at.x << " " << at.z;
        EXPECT_NEAR(at.y, y, 5.0f);
        ASSERT_NE(soldier.place.sector, nullptr);
        EXPECT_EQ(static_cast<sector*>(soldier.place.sector)->name, tools::kDemoRoomNames[run.room]);
    }
    EXPECT_EQ(log().find("*FATAL*"), std::string::npos) << log();
}

// The yard's pool: its water is the world server's one water instance, which the texture scroll moves
// along the water's flow; an eye under its surface is fogged with the water's values and hears the
// "underwater" sample, until it comes out.
TEST_F(DemoLevel, TheYardsPoolScrollsAndFogsAnEyeUnderItsWater) {
    kernel_sound_probe sound(srv_.data_dir, {});
    start_demo_level();
    ASSERT_TRUE(server_game_package_loaded(srv_)) << log();
    ASSERT_EQ(srv_.water_instances.size(), 1u);
    mesh_instance& pool = *srv_.water_instances[0];
    ASSERT_NE(pool.geom, nullptr);
    EXPECT_EQ(pool.geom->name, "g-water");
    const surface_material* water1 = surface_table_get(kernel_get().surfaces, "water1");
    ASSERT_EQ(pool.material, water1);
    sector* yard = package_find_sector(*package_list_find(srv_.packages, tools::kDemoMap), "yard");
    ASSERT_NE(yard, nullptr);
    const std::vector<mesh_instance*>& yard_meshes = yard->meshes.items;
    EXPECT_NE(std::find(yard_meshes.begin(), yard_meshes.end(), &pool), yard_meshes.end());

    gfx g;
    g.effects.world = &srv_;
    const mesh_vertex before = pool.geom->meshes.items[0]->rest_vertices[0];
    gfx_add_texture_scroll_effect(g);
    clock_.advance_ms(100);
    gfx_render_effects(g);
    const mesh_vertex after = pool.geom->meshes.items[0]->rest_vertices[0];
    EXPECT_GT(after.u, before.u);  // the flow runs along +x and -z
    EXPECT_LT(after.v, before.v);

    // The eye in the middle of the pool, a metre under the water; then above the floor beside it.
    const box3& box = pool.geom->box;
    const vec3 in_pool{(box.min.x + box.max.x) / 2.0f, box.min.y - tools::kDemoMetre,
                       (box.min.z + box.max.z) / 2.0f};
    mat4_set_translation(g.views.view_matrix, -in_pool.x, -in_pool.y, -in_pool.z);
    gfx_update_underwater(g);
    EXPECT_TRUE(g.switches.underwater);
    ASSERT_TRUE(g.fog.on);
    EXPECT_EQ(g.fog.values.density, water1->fog_density);
    EXPECT_EQ(g.fog.values.red, water1->fog_colour[0]);
    auto underwater = [](const std::vector<std::string>& playing) {
        return std::count_if(playing.begin(), playing.end(),
                             [](const std::string& p) { return p.starts_with("1 underwater "); });
    };
    EXPECT_EQ(underwater(sound.take()), 1);
    mat4_set_translation(g.views.view_matrix, -in_pool.x, -tools::kDemoEyeHeight, -in_pool.z);
    gfx_update_underwater(g);
    EXPECT_FALSE(g.switches.underwater);
    EXPECT_FALSE(g.fog.on);
    EXPECT_EQ(underwater(sound.take()), 0);
    EXPECT_EQ(log().find("[sound] Sample"), std::string::npos) << log();
    gfx_clear_effects(g);
}

// The rooms' floors and walls are lit by the level's light maps, which load with it and are packed into
// pages: every floor and wall vertex has a page texture; the crates are shaded by their vertex colours
// alone.
TEST_F(DemoLevel, TheFloorsAreLitByTheLevelsLightMaps) {
    start_demo_level();
    ASSERT_TRUE(server_game_package_loaded(srv_)) << log();
    EXPECT_EQ(log().find("[LM]"), std::string::npos) << log();
    EXPECT_FALSE(kernel_get().graphics.lightmaps.table.empty());
    const package& level = *package_list_find(srv_.packages, tools::kDemoMap);
    for (const char* room : tools::kDemoRoomNames) {
        SCOPED_TRACE(room);
        const sector* s = package_find_sector(level, room);
        ASSERT_NE(s, nullptr);
        ASSERT_GE(s->lmap_bindings.items.size(), 3u);
        // The floor (0) and the walls (2) under the room's light map.
        for (const std::size_t lit : {0u, 2u}) {
            const lmap_binding& b = *s->lmap_bindings.items[lit];
            ASSERT_FALSE(b.ids.empty()) << lit;
            ASSERT_EQ(b.textures.size(), b.ids.size()) << lit;
            for (std::size_t v = 0; v < b.ids.size(); ++v) {
                EXPECT_GE(b.ids[v], 0) << lit << " " << v;
                EXPECT_NE(b.textures[v], nullptr) << lit << " " << v;
            }
        }
        const lmap_binding& crate = *s->lmap_bindings.items[1];
        EXPECT_EQ(crate.colours.size(), 8u * 4u);
        for (const texture* t : crate.textures) EXPECT_EQ(t, nullptr);
    }
}

// The hall's window pane is drawn in the translucent pass (its glass has alpha below full), the floor
// beside it in the opaque one.
TEST_F(DemoLevel, TheHallsPaneIsDrawnTranslucent) {
    // The texture cache reads through the process's server.
    const std::string data_dir = server_get().data_dir;
    server_get().data_dir = srv_.data_dir;
    start_demo_level();
    ASSERT_TRUE(server_game_package_loaded(srv_)) << log();
    sector* hall = package_find_sector(*package_list_find(srv_.packages, tools::kDemoMap), "hall");
    ASSERT_NE(hall, nullptr);
    const mesh* pane = nullptr;
    const mesh* floor = nullptr;
    for (const mesh_instance* m : hall->meshes.items) {
        if (m->geom->name == "g-window") pane = m->geom->meshes.items[0];
        if (m->geom->name == "g-floor-hall") floor = m->geom->meshes.items[0];
    }
    ASSERT_TRUE(pane && floor);

    // The textures the level load ran its surfaces with; the eye in the middle of the hall.
    gfx& g = kernel_get().graphics;
    viewport record;
    const float values[kViewportProjectionValues] = {1.0f, 0.785398f, 0.785398f, 0.785398f, 0.785398f, 0.0f,
                                                     50000.0f};
    std::copy(std::begin(values), std::end(values), record.projection);
    view_stack_add_viewport(g.views, camera_view_copy(record));
    placement eye;
    mat4_set_rotation_y(eye.transform, std::numbers::pi_v<float>);  // facing -z, the window's wall
    mat4_set_row3(eye.transform, tools::kDemoRoomLength / 2.0f, tools::kDemoEyeHeight, 0.0f);
    eye.sector = hall;
    view_stack_set_camera(g.views, eye);
    view_stack_begin_world(g.views, 0);
    gfx_begin_world_walk(g);
    gfx_draw_sector(g, *hall);
    auto listed = [](const std::vector<draw_entry>& entries, const mesh* m) {
        return std::any_of(entries.begin(), entries.end(),
                           [m](const draw_entry& e) { return e.item.owner == m; });
    };
    const draw_lists& lists = g.draw;
    EXPECT_TRUE(listed(lists.sorted_translucent, pane) || listed(lists.object_translucent, pane));
    EXPECT_FALSE(listed(lists.sorted_translucent, floor) || listed(lists.object_translucent, floor));
    bool floor_opaque = false;
    for (const draw_batch& batch : lists.batches[kBatchOpaque])
        for (const draw_item& item : batch.items) floor_opaque = floor_opaque || item.owner == floor;
    EXPECT_TRUE(floor_opaque);
    draw_lists_reset(g);
    view_stack_clear_viewports(g.views);
    view_stack_reset_matrices(g.views);
    gfx_free_textures(g);
    server_get().data_dir = data_dir;
}

// The level's sky: the shared package's box, painted with the sky the level names, every face turned
// towards the eye inside it and, drawn at its scale, within the game screen's far distance.
TEST_F(DemoData, TheSkyBoxFacesInwardsWithinTheFarDistance) {
    ASSERT_TRUE(load_package(srv_, tools::kDemoMap, true)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    const kvlevel* level = arty_factory_find_by_name_as<kvlevel>(srv_.factory, "level");
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->sky, "day");
    // What the sky command looks up: "g-sky" and "s-" and the sky's name in the shared package.
    const package& shared = *package_list_find(srv_.packages, tools::kDemoSharedPackage);
    geometry* sky = nullptr;
    surface* painted = nullptr;
    for (geometry* each : shared.geometries.items)
        if (each && each->name == "g-sky") sky = each;
    for (surface* each : shared.surfaces.items)
        if (each && each->name == "s-" + level->sky) painted = each;
    ASSERT_NE(sky, nullptr);
    ASSERT_NE(painted, nullptr);
    gfx g;
    ASSERT_TRUE(gfx_set_sky(g, sky, painted));
    ASSERT_EQ(g.sky_geometry->meshes.items.size(), 1u);
    const mesh& box = *g.sky_geometry->meshes.items[0];
    ASSERT_EQ(box.parts.size(), 1u);
    const std::vector<uint16_t>& indices = box.parts[0].indices;
    ASSERT_EQ(indices.size(), 36u);
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        const auto at = [&](std::size_t k) {
            const mesh_vertex& v = box.rest_vertices[indices[i + k]];
            return vec3{v.x, v.y, v.z};
        };
        // The front of the triangle a, b, c faces along (b - a) x (c - a), as the floors' faces up.
        const vec3 front = vec3_cross(at(1) - at(0), at(2) - at(0));
        const vec3 middle = (at(0) + at(1) + at(2)) * (1.0f / 3.0f);
        EXPECT_LT(vec3_dot(front, middle), 0.0f) << "triangle " << i / 3;
    }
    const view_set* screen =
        package_find_screen(*package_list_find(srv_.packages, tools::kDemoSharedPackage), "basic");
    ASSERT_NE(screen, nullptr);
    const viewport& vp = *view_set_find_view(*screen, "default")->viewports.items[0];
    view_stack_add_viewport(g.views, camera_view_copy(vp));
    g.views.current = 0;
    const float reach = vec3_length(g.sky_geometry->box.max);
    EXPECT_LT(gfx_sky_scale(g) * reach, vp.projection[kViewportFar]);
    EXPECT_GT(gfx_sky_scale(g) * reach, vp.projection[kViewportFar] * 0.9f);
}

TEST_F(DemoData, TexturesAndHitMapsLieInTheTextureFolder) {
    for (const char* name : {"concrete", "planks", "crate", "day", "QXlogo", "uniform-blue", "uniform-red",
                             "uniform-black", "hitmap0", "hitmap1", "hitmap2"}) {
        const std::string image = folder_.read(std::string("data/tex/tga/") + name + ".tga");
        ASSERT_GT(image.size(), 18u) << name;
        const bool hit_map = std::string(name).rfind("hitmap", 0) == 0;
        EXPECT_EQ(image[2], hit_map ? 3 : 2) << name;  // grey, or true colour
        EXPECT_EQ(image[16], hit_map ? 8 : 24) << name;
    }
    EXPECT_EQ(server_load_hit_maps(srv_), 3) << log();
}

TEST_F(DemoData, EveryTextureLoadsInItsVariant) {
    struct demo_texture {
        const char* name;
        uint8_t kind;
        uint8_t two_level_alpha;
    };
    for (const demo_texture& d :
         {demo_texture{"concrete", kTextureRgb, 0}, demo_texture{"QXlogo", kTextureRgb, 0},
          demo_texture{"grime", kTextureGrey, 0}, demo_texture{"fence", kTextureRgba, 1},
          demo_texture{"stripes", kTextureRgb, 0},
          // The window's glass and the pool's water see through: their alpha is not of two levels, so
          // their meshes are drawn in the translucent pass.
          demo_texture{"glass", kTextureRgba, 0}, demo_texture{"water", kTextureRgba, 0}}) {
        SCOPED_TRACE(d.name);
        texture t;
        t.name = d.name;
        texture_load(t, srv_, nullptr);
        EXPECT_EQ(t.kind, d.kind);
        EXPECT_EQ(t.two_level_alpha, d.two_level_alpha);
        EXPECT_EQ(t.width, 16);
    }
    // "stripes" is stored bottom row first: its top row is red.
    texture stripes;
    stripes.name = "stripes";
    texture_load(stripes, srv_, nullptr);
    ASSERT_FALSE(stripes.pixels.empty());
    EXPECT_EQ(stripes.pixels[0], 200);
    EXPECT_EQ(log(), "");

    // The shared package paints surfaces with them.
    ASSERT_TRUE(load_package(srv_, tools::kDemoSharedPackage, false)) << log();
    const package* shared = package_list_find(srv_.packages, tools::kDemoSharedPackage);
    ASSERT_NE(shared, nullptr);
    for (const char* name : {"s-grime", "s-fence", "s-stripes"}) {
        bool found = false;
        for (const surface* s : shared->surfaces.items) found = found || s->name == name;
        EXPECT_TRUE(found) << name;
    }
}

TEST_F(DemoData, TextTablesAndConfigurationRead) {
    ASSERT_TRUE(server_load_text_tables(srv_, tools::kDemoMap));
    EXPECT_EQ(server_text(srv_, kTextBase, 0), "blue");
    EXPECT_EQ(server_text(srv_, kTextMenu, 5), "Quit");
    EXPECT_EQ(server_text(srv_, kTextKeys, 0), "Forward");
    EXPECT_EQ(server_text(srv_, kTextMap, 0), "Depot");
    EXPECT_TRUE(server_read_config(srv_, "net.cfg"));
}

TEST_F(DemoData, WritingAgainReplacesTheFiles) {
    ASSERT_TRUE(tools::write_demo_data(folder_.file("data")));
    EXPECT_TRUE(folder_.read("data/menu-en.txt").starts_with("<0>\nMain menu\n<1>\nOptions\n"));
    // A folder that cannot be made is a failure.
    folder_.write("file", "x");
    EXPECT_FALSE(tools::write_demo_data(folder_.file("file")));
}

}  // namespace
}  // namespace kv
