// The renderer's "g_" console commands.

#include "gfx/gfx_commands.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "game/arty_factory.h"
#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "tests/game/game_test_support.h"
#include "tests/gfx/gfx_test_support.h"
#include "tests/support/file_size_limit.h"

namespace kv {
namespace {

class GfxCommands : public gfx_test {
protected:
    void SetUp() override {
        gfx_test::SetUp();
        arty_factory& factory = server_get().factory;
        use_recording_game(factory);
        game_.class_name = "kvgame";
        game_.instance_name = "game";
        arty_description* batch[] = {&game_};
        group_ = arty_factory_spawn_group(factory, batch, 1);
        server_get().client.connected = false;
        test_call_log().calls.clear();
        driver_->take_calls();
    }
    void TearDown() override {
        server_get().client.connected = false;
        arty_factory& factory = server_get().factory;
        arty_factory_erase_group(factory, group_);
        arty_factory_collect(factory);
        factory.classes = arty_class_table();
        gfx_test::TearDown();
    }

    // The options and switches at their defaults.
    void reset_front_end() {
        g_.options = gfx_options();
        g_.switches = gfx_switches();
        g_.fog = gfx_fog_state();
    }

    // The front end's state that the commands change, as one comparable text.
    std::string state() const {
        const gfx_options& o = g_.options;
        const gfx_switches& s = g_.switches;
        std::string fog = "none";
        if (g_.fog.on)
            fog = str_format("%g %g %g %g", g_.fog.values.density, g_.fog.values.red, g_.fog.values.green,
                             g_.fog.values.blue);
        return str_format(
            "varrays %d rti %d rpath %d portals %d lod %d showportals %d occluders %d showoccluders %d "
            "occmark %g debug %d wireframe %d lighting %d dlights %d minfps %d minarea %g helpers %d fog %s",
            o.gfx_varrays, o.rti_dispmode, o.gfx_rpath, o.portals_on, o.LOD_on, o.show_portals,
            o.occluders_on, o.show_occluders, static_cast<double>(o.occmark), s.debug, s.wireframe,
            s.lighting, s.dynamic_lights, o.minfps, static_cast<double>(o.minarea), s.helpers, fog.c_str());
    }

    arty_description game_;
    uint32_t group_ = 0;
};

TEST_F(GfxCommands, EveryCommandOfTheTable) {
    struct command_case {
        const char* line;
        std::function<void(gfx&)> expect;  // applied to a copy of the state before
        std::vector<std::string> calls;    // the driver's and the game's
    };
    const command_case cases[] = {
        {"g_varrays 1", [](gfx& g) { g.options.gfx_varrays = true; }, {}},
        {"g_rti 3", [](gfx& g) { g.options.rti_dispmode = 3; }, {}},
        {"g_crosshair 3", [](gfx&) {}, {"game event 2051"}},
        {"g_crosshair 2147483647", [](gfx&) {}, {"game event -2147481601"}},
        {"g_rpath 2", [](gfx& g) { g.options.gfx_rpath = 2; }, {}},
        {"g_portals 0", [](gfx& g) { g.options.portals_on = false; }, {}},
        {"g_lod 1", [](gfx& g) { g.options.LOD_on = true; }, {}},
        {"g_lodx 1", [](gfx& g) { g.options.LOD_on = true; }, {}},
        {"g_showportals 7", [](gfx& g) { g.options.show_portals = true; }, {}},
        {"g_occluders 0", [](gfx& g) { g.options.occluders_on = false; }, {}},
        {"g_showoccluders 1", [](gfx& g) { g.options.show_occluders = true; }, {}},
        {"g_occmark 50", [](gfx& g) { g.options.occmark = 0.05f; }, {}},
        {"g_occmark", [](gfx& g) { g.options.occmark = 0.0f; }, {}},
        {"g_debug 2", [](gfx& g) { g.switches.debug = 2; }, {}},
        {"g_wireframe 1", [](gfx& g) { g.switches.wireframe = true; }, {}},
        {"g_vsync 1", [](gfx&) {}, {"set_vsync 1"}},
        {"g_vsync", [](gfx&) {}, {"set_vsync 0"}},
        {"g_lighting 0", [](gfx& g) { g.switches.lighting = false; }, {}},
        {"g_dlights 3", [](gfx& g) { g.switches.dynamic_lights = 3; }, {}},
        {"g_fog 0.5", [](gfx&) {}, {"fog 0.5 0 0 0"}},
        {"g_fog 0.01 0.25 0.5 1", [](gfx&) {}, {"fog 0.01 0.25 0.5 1"}},
        {"g_minfps 25", [](gfx& g) { g.options.minfps = 25; }, {}},
        {"g_minarea 0.25", [](gfx& g) { g.options.minarea = 0.25f; }, {}},
        {"g_helpers 1", [](gfx& g) { g.switches.helpers = true; }, {}},
        {"g_nothing 1", [](gfx&) {}, {}},
        {"g_", [](gfx&) {}, {}},
        {"g_lod\t1", [](gfx& g) { g.options.LOD_on = true; }, {}},
        {"g_rti    4   9", [](gfx& g) { g.options.rti_dispmode = 4; }, {}},
        {"g_rti x", [](gfx& g) { g.options.rti_dispmode = 0; }, {}},
    };
    for (const command_case& c : cases) {
        SCOPED_TRACE(c.line);
        reset_front_end();
        g_.fog = gfx_fog_state();
        gfx expected;
        expected.options = g_.options;
        expected.switches = g_.switches;
        c.expect(expected);
        EXPECT_EQ(gfx_console_command(g_, c.line), -1);
        std::vector<std::string> calls;
        for (std::string& call : driver_->take_calls()) {
            // The fog is looked at below, whatever the driver is told of it.
            if (!call.starts_with("set_fog")) calls.push_back(call);
        }
        for (std::string& call : test_call_log().calls) {
            if (call.starts_with("game ")) calls.push_back(call);
        }
        test_call_log().calls.clear();
        if (g_.fog.on) {
            const gfx_fog& f = g_.fog.values;
            calls.push_back(str_format("fog %g %g %g %g", f.density, f.red, f.green, f.blue));
            g_.fog = gfx_fog_state();
        }
        EXPECT_EQ(calls, c.calls);
        const gfx_options& o = g_.options;
        const gfx_options& e = expected.options;
        EXPECT_EQ(o.gfx_varrays, e.gfx_varrays);
        EXPECT_EQ(o.rti_dispmode, e.rti_dispmode);
        EXPECT_EQ(o.gfx_rpath, e.gfx_rpath);
        EXPECT_EQ(o.portals_on, e.portals_on);
        EXPECT_EQ(o.LOD_on, e.LOD_on);
        EXPECT_EQ(o.show_portals, e.show_portals);
        EXPECT_EQ(o.occluders_on, e.occluders_on);
        EXPECT_EQ(o.show_occluders, e.show_occluders);
        EXPECT_EQ(o.occmark, e.occmark);
        EXPECT_EQ(o.minfps, e.minfps);
        EXPECT_EQ(o.minarea, e.minarea);
        EXPECT_EQ(g_.switches.debug, expected.switches.debug);
        EXPECT_EQ(g_.switches.wireframe, expected.switches.wireframe);
        EXPECT_EQ(g_.switches.lighting, expected.switches.lighting);
        EXPECT_EQ(g_.switches.dynamic_lights, expected.switches.dynamic_lights);
        EXPECT_EQ(g_.switches.helpers, expected.switches.helpers);
    }
}

TEST_F(GfxCommands, LockedCommandsDoNothingWhileLoggedIn) {
    reset_front_end();
    server_get().client.connected = true;
    EXPECT_TRUE(gfx_net_locked());
    const std::string before = state();
    for (const char* line :
         {"g_crosshair 3", "g_debug 1", "g_wireframe 1", "g_lighting 0", "g_fog 0.5 1 1 1", "g_helpers 1"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(gfx_console_command(g_, line), -1);
        EXPECT_EQ(state(), before);
    }
    EXPECT_TRUE(test_call_log().calls.empty());
    // The others still work.
    EXPECT_EQ(gfx_console_command(g_, "g_lod 1"), -1);
    EXPECT_TRUE(g_.options.LOD_on);

    server_get().client.connected = false;
    EXPECT_FALSE(gfx_net_locked());
    gfx_console_command(g_, "g_crosshair 3");
    EXPECT_EQ(test_call_log().calls, (std::vector<std::string>{"game event 2051"}));
}

TEST_F(GfxCommands, ArgumentsReadTheSameInACommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    }
    if (!found) GTEST_SKIP() << "no decimal-comma locale installed (tools/install-deps.sh makes de_DE.UTF-8)";
    reset_front_end();
    gfx_console_command(g_, "g_minarea 0.25");
    gfx_console_command(g_, "g_fog 0.5 0.25");
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(g_.options.minarea, 0.25f);
    ASSERT_TRUE(g_.fog.on);
    EXPECT_EQ(g_.fog.values.density, 0.5f);
    EXPECT_EQ(g_.fog.values.red, 0.25f);
}

TEST_F(GfxCommands, DynamicLightsOnlyWithLighting) {
    reset_front_end();
    EXPECT_EQ(gfx_dynamic_lights(g_), 1);
    gfx_console_command(g_, "g_dlights 4");
    EXPECT_EQ(gfx_dynamic_lights(g_), 4);
    gfx_console_command(g_, "g_lighting 0");
    EXPECT_EQ(gfx_dynamic_lights(g_), 0);
}

// The screenshot is the whole screen as the driver reads it, written as a Targa file.
TEST_F(GfxCommands, ScreenshotsFailWhenTheScreenCannotBeReadOrWritten) {
    driver_->screen_width = 8;
    driver_->screen_height = 4;
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, folder_.file("scr000.tga"), kFileWrite | kFileCreate));
    EXPECT_TRUE(gfx_save_screenshot(g_, stream));
    file_stream_close(stream);
    EXPECT_EQ(driver_->take_calls(), (std::vector<std::string>{"read_screen 0 0 8 4"}));
    EXPECT_EQ(folder_.read("scr000.tga").size(), 18u + 8u * 4u * 3u);

    // A write that fails (the disk full) is false.
    driver_->screen_width = 640;
    driver_->screen_height = 480;
    ASSERT_TRUE(file_stream_open(stream, folder_.file("scr001.tga"), kFileWrite | kFileCreate));
    {
        file_size_limit limit(4096);
        EXPECT_FALSE(gfx_save_screenshot(g_, stream));
    }
    file_stream_close(stream);

    // The null driver reads nothing; without a driver there is nothing to read.
    g_.driver = std::make_unique<null_driver>();
    ASSERT_TRUE(file_stream_open(stream, folder_.file("scr002.tga"), kFileWrite | kFileCreate));
    EXPECT_FALSE(gfx_save_screenshot(g_, stream));
    g_.driver.reset();
    EXPECT_FALSE(gfx_save_screenshot(g_, stream));
    file_stream_close(stream);
    EXPECT_EQ(folder_.read("scr002.tga"), "");
}

}  // namespace
}  // namespace kv
