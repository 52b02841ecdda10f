#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "tests/game/game_test_support.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"
#include "ui/console_view.h"

namespace kv {
namespace {

using tools::package_writer;
using tools::token_writer;

// The log of a level package that loads, from the data layer's lines to the light maps.
std::string level_load_log(const std::string& name, bool precache_file_checked) {
    return "[con] Loading package '" + name + "' ...\n[0s0] Loading package '" + name +
           "' ...\n"
           "[0s0]   Loading package '" +
           name +
           "' ...\n"
           "[0s0]   OK\n"
           "[0s0] OK.\n"
           "[0s0] Resolving references...\n"
           "[0s0] References OK.\n"
           "[0s0] Precaching textures...\n" +
           (precache_file_checked ? "[server] file precache.cfg not found\n" : "") +
           "[0s0] OK\n"
           "[0s0] Loading lightmaps...\n"
           "[0s0] OK\n"
           "[0s0] Initializing lightmaps...\n"
           "[0s0] OK\n";
}

// The log of a level package whose file is not in the data folder.
std::string failed_load_log(const std::string& data_dir, const std::string& name) {
    return "[con] Loading package '" + name + "' ...\n[0s0] Loading package '" + name +
           "' ...\n[0s0]   Loading package '" + name + "' ...\nserver: no file `" + data_dir + "maps/" +
           name + "' for package `" + name + "'.\n\nFatal error during loading package `" + name + "'.\n";
}

class ServerFrame : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        server_set_boot_package(srv_, "kvmenu");
    }

    // A level under "maps/" holding the game object and, with `ticking`, an arty ticked every frame.
    void write_level(const std::string& name, bool ticking = false) {
        package_writer w;
        w.add_arty("kvgame", "game",
                   ticking ? token_writer().key("cb:").integer(33).bytes() : std::vector<uint8_t>{});
        w.add_arty("kvspawn_point", "sp0", {});
        write_data("maps/" + name, w.finish());
    }
    // The text tables a loaded level reads, with the language suffix `suffix`.
    void write_text_tables(const std::string& level, const std::string& suffix) {
        for (const std::string name : {"base", "menu", "keys"}) write_text(name + suffix, "<0>\nHello\n");
        write_text("maps/" + level + suffix, "<0>\nHello\n");
    }
};

TEST_F(ServerFrame, FirstFrameBootsTheGamePackage) {
    write_level("harbour");
    write_text_tables("harbour", "-en.txt");
    server_set_language(srv_, "en");
    server_set_game_package(srv_, "harbour");

    EXPECT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(log(), level_load_log("harbour", true));
    EXPECT_EQ(srv_.level_loaded, 1);
    EXPECT_TRUE(server_game_package_loaded(srv_));
    EXPECT_EQ(server_text(srv_, kTextBase, 0), "Hello");
    EXPECT_EQ(console_view_output(kernel_get().console),
              (std::vector<std::string>{"Loading package 'harbour' ..."}));
    take_calls();
    // Drawing stops with every effect deleted.
    EXPECT_EQ(kernel_get().graphics.effects.count, 0u);
    EXPECT_NE(arty_factory_find_id_by_name(srv_.factory, "sp0"), kNoArty);

    // Loaded: the next frames only step the world.
    clear_log();
    EXPECT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(log(), "");
    EXPECT_EQ(take_calls(), (calls_t{"game event 3"}));
}

TEST_F(ServerFrame, FallsBackToTheBootStrapPackage) {
    write_level("kvmenu");
    server_set_game_package(srv_, "harbour");

    EXPECT_TRUE(server_frame(srv_, 16));
    // The menu is not the game package: it reads no precache list.
    EXPECT_EQ(log(), failed_load_log(srv_.data_dir, "harbour") +
                         "*ERROR* game package `harbour' couldn't open correctly.\n" +
                         level_load_log("kvmenu", false));
    EXPECT_EQ(srv_.level_loaded, 1);
    EXPECT_FALSE(server_game_package_loaded(srv_));
    EXPECT_EQ(srv_.current_level_name, "kvmenu");
}

TEST_F(ServerFrame, WithoutAGamePackageOnlyTheBootStrapPackageLoads) {
    write_level("kvmenu");
    write_level("harbour");
    EXPECT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(log(), level_load_log("kvmenu", false));
    EXPECT_EQ(srv_.current_level_name, "kvmenu");
}

TEST_F(ServerFrame, FailsWhenNeitherPackageLoads) {
    server_set_game_package(srv_, "harbour");
    EXPECT_FALSE(server_frame(srv_, 16));
    EXPECT_EQ(log(), failed_load_log(srv_.data_dir, "harbour") +
                         "*ERROR* game package `harbour' couldn't open correctly.\n" +
                         failed_load_log(srv_.data_dir, "kvmenu") +
                         "*FATAL* error - couldn't open boot-strap package. Quitting ...\n");
    EXPECT_EQ(srv_.level_loaded, 0);
    // The frame stopped at the load: nothing was stepped.
    EXPECT_EQ(take_calls(), calls_t{});
}

TEST_F(ServerFrame, UnresolvedReferencesFailTheLoad) {
    package_writer w;
    w.add_arty("kvgame", "game", {});
    write_data("maps/harbour", w.finish());
    write_level("kvmenu");
    server_set_game_package(srv_, "harbour");
    surface* target = nullptr;
    ref_list_add_surface(ref_list(), "nowhere", "s-missing", &target);

    EXPECT_TRUE(server_frame(srv_, 16));
    const std::string text = log();
    EXPECT_NE(text.find("[0s0] Resolving references...\n"), std::string::npos);
    EXPECT_NE(text.find("\nFatal error during loading package `harbour'.\n"
                        "*ERROR* game package `harbour' couldn't open correctly.\n"),
              std::string::npos);
    EXPECT_EQ(srv_.current_level_name, "kvmenu");
    // The failed level is unloaded: chosen again, it fails again instead of counting as loaded.
    EXPECT_EQ(package_list_find(srv_.packages, "harbour"), nullptr);
    ref_list_add_surface(ref_list(), "nowhere", "s-missing", &target);
    server_set_game_package(srv_, "harbour");
    EXPECT_TRUE(server_frame(srv_, 16));
    EXPECT_FALSE(server_game_package_loaded(srv_));
    EXPECT_EQ(srv_.current_level_name, "kvmenu");
}

// The references that a level with a missing import queued go with it, so the menu still loads.
TEST_F(ServerFrame, ALevelWithAMissingImportFallsBackToTheMenu) {
    write_level("kvmenu");
    package_writer w;
    w.add_import("kvbase");  // not on disk
    w.add_arty("kvgame", "game", {});
    const int32_t instance =
        tools::add_mesh_instance(w.qxps(), {{}, "kvbase:g-wall", "kvbase:s-wall", "", 0});
    tools::add_entity_def(w, {"post", {}, {}, {instance}});
    write_data("maps/harbour", w.finish());
    server_set_game_package(srv_, "harbour");

    EXPECT_TRUE(server_frame(srv_, 16)) << log();
    EXPECT_EQ(srv_.current_level_name, "kvmenu");
    EXPECT_EQ(package_list_find(srv_.packages, "harbour"), nullptr);
    EXPECT_NE(log().find("[0s0] References OK.\n"), std::string::npos);
}

TEST_F(ServerFrame, ANewGamePackageUnloadsTheLevelAndDestroysItsArties) {
    write_level("harbour");
    write_level("dock");
    server_set_game_package(srv_, "harbour");
    ASSERT_TRUE(server_frame(srv_, 16));
    const arty_id old_sp0 = arty_factory_find_id_by_name(srv_.factory, "sp0");

    // The same name again reloads.
    server_set_game_package(srv_, "harbour");
    clear_log();
    take_calls();
    ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(log().rfind("Package `harbour' is being unloaded.\n", 0), 0u);
    EXPECT_EQ(arty_factory_find(srv_.factory, old_sp0), nullptr);
    EXPECT_EQ(srv_.packages.size(), 1u);

    server_set_game_package(srv_, "dock");
    ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(srv_.packages.size(), 1u);
    EXPECT_EQ(srv_.packages[0]->name, "dock");
    EXPECT_EQ(srv_.factory.registry.entries.size(), 2u);
}

TEST_F(ServerFrame, StepsTheWorldInItsOrder) {
    write_level("harbour", true);
    server_set_game_package(srv_, "harbour");
    ASSERT_TRUE(server_frame(srv_, 16));
    server_entity_select(srv_, "pid1");
    server_entity_select(srv_, "door");
    server_entity_deselect(srv_);
    srv_.blasts.push_back(std::make_unique<blast>());
    take_calls();

    clock_.advance_ms(40);
    ASSERT_TRUE(server_frame(srv_, 0));
    EXPECT_EQ(take_calls(), (calls_t{"game tick 40", "game event 3"}));
    // Every entity was updated: its time base starts anew.
    for (const auto& e : srv_.entities) EXPECT_EQ(timer_elapsed_ms(e->time_base), 0) << e->name;
    EXPECT_TRUE(srv_.blasts.empty());
}

TEST_F(ServerFrame, PurgesArtiesEvery102ndFrame) {
    write_level("harbour");
    server_set_game_package(srv_, "harbour");
    ASSERT_TRUE(server_frame(srv_, 16));  // frame 1
    // A level that went away without the purge that follows an unload.
    arty_factory_erase_group(srv_.factory, 0x00010000);
    for (int frame = 2; frame <= 101; ++frame) ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(srv_.factory.registry.entries.size(), 2u);
    ASSERT_TRUE(server_frame(srv_, 16));  // frame 102
    EXPECT_TRUE(srv_.factory.registry.entries.empty());

    use_recording_game(srv_.factory);
    package_writer w;
    w.add_arty("kvspawn_point", "sp9", {});
    write_data("extra", w.finish());
    ASSERT_TRUE(load_package(srv_, "extra", false));
    package_destroy(srv_, *package_list_find(srv_.packages, "extra"));
    for (int frame = 103; frame <= 203; ++frame) ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(srv_.factory.registry.entries.size(), 1u);
    ASSERT_TRUE(server_frame(srv_, 16));  // frame 204
    EXPECT_TRUE(srv_.factory.registry.entries.empty());
}

TEST_F(ServerFrame, WritesTheTraceStatisticsOnceASecond) {
    write_level("harbour");
    server_set_game_package(srv_, "harbour");
    ASSERT_TRUE(server_frame(srv_, 16));
    gfx_realtime_statistics& stats = kernel_get().graphics.realtime;

    srv_.traces_this_second = 12;
    clock_.advance_ms(999);
    ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(stats.rays_last_second, 0);

    timer_section_begin(srv_.trace_second_timer);
    clock_.advance_ms(7);
    timer_section_end(srv_.trace_second_timer);
    ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(stats.rays_last_second, 12);
    EXPECT_EQ(stats.ray_ms_last_second, 7);
    EXPECT_EQ(stats.max_ray_ms, 7);
    EXPECT_EQ(stats.rays_at_max, 12);
    EXPECT_EQ(srv_.traces_this_second, 0);

    // A lighter second keeps the maximum.
    srv_.traces_this_second = 3;
    clock_.advance_ms(1000);
    ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(stats.rays_last_second, 3);
    EXPECT_EQ(stats.ray_ms_last_second, 0);
    EXPECT_EQ(stats.max_ray_ms, 7);
    EXPECT_EQ(stats.rays_at_max, 12);
}

TEST_F(ServerFrame, ADedicatedServerLoadsNoTexturesOrLightMaps) {
    write_level("harbour");
    write_text_tables("harbour", "-en.txt");
    server_set_language(srv_, "en");
    write_text("precache.cfg", "a.tga\n");
    server_set_dedicated(srv_, 1);
    server_set_game_package(srv_, "harbour");
    ASSERT_TRUE(server_frame(srv_, 16));
    EXPECT_EQ(log(),
              "[con] Loading package 'harbour' ...\n"
              "[0s0] Loading package 'harbour' ...\n"
              "[0s0]   Loading package 'harbour' ...\n"
              "[0s0]   OK\n"
              "[0s0] OK.\n"
              "[0s0] Resolving references...\n"
              "[0s0] References OK.\n"
              "[con] OK\n");
    EXPECT_EQ(console_view_output(kernel_get().console),
              (std::vector<std::string>{"Loading package 'harbour' ...", "OK"}));
    EXPECT_TRUE(kernel_get().graphics.textures.empty());
    EXPECT_TRUE(kernel_get().graphics.lightmaps.table.empty());
}

TEST_F(ServerFrame, ShutdownDropsEveryPlayerAndEndsTheBots) {
    write_level("harbour");
    server_set_game_package(srv_, "harbour");
    ASSERT_TRUE(server_frame(srv_, 16));
    server_add_local_player(srv_, 100);
    server_add_local_player(srv_, 3)->bot_registered = 1;
    take_calls();
    server_shutdown(srv_);
    EXPECT_TRUE(srv_.players.empty());
    EXPECT_EQ(take_calls(), (calls_t{"game event 0"}));
    EXPECT_NE(log().find("[botc] ending BotCentral\n"), std::string::npos);
}

}  // namespace
}  // namespace kv
