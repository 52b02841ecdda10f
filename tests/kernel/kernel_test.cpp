#include "kernel/kernel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/player_record.h"
#include "game/server.h"
#include "net/snapshot_package.h"
#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx_camera.h"
#include "kernel_fixture.h"
#include "sound/sound_device.h"
#include "tests/support/call_log.h"
#include "tests/support/input_fake.h"
#include "tests/support/recording_driver.h"

namespace kv {
namespace {

using Kernel = KernelFixture;

TEST_F(Kernel, StartsRunningWithEmptyStatistics) {
    EXPECT_TRUE(k_->running);
    EXPECT_FALSE(k_->no_render);
    EXPECT_EQ(k_->frame_count, 0);
    EXPECT_EQ(k_->slowest_render_ms, 0);
    EXPECT_EQ(k_->fastest_render_ms, 1000000);
    EXPECT_EQ(k_->detail_level, kDetailHigh);
    EXPECT_TRUE(k_->options.bindings.empty());
    EXPECT_EQ(k_->sound.driver_kind, kSoundDriverNone);
    EXPECT_EQ(k_->input_layer.driver_kind, kInputDriverNone);
    EXPECT_EQ(k_->graphics.statistics.last_frame_ms, 10);
}

TEST_F(Kernel, SingletonIsCreatedOnce) {
    EXPECT_EQ(&kernel_get(), &kernel_get());
}

struct driver_case {
    int32_t kind;
    bool make_fails;
    int32_t result;
    int32_t made_kind;  // the front end's kind asked of the maker, 0 for none
    calls_t calls;
    const char* log;
    const char* texture_dir;
    uint32_t sound_kind;
    uint32_t input_kind;
};

// The drivers of the kernel's tests: recording drivers of any kind, or none.
bool g_make_fails = false;
int32_t g_made_kind = 0;

std::unique_ptr<gfx_driver> make_test_driver(int32_t kind) {
    g_made_kind = kind;
    if (g_make_fails) return nullptr;
    return std::make_unique<recording_driver>();
}

TEST_F(Kernel, SelectDriver) {
    const driver_case cases[] = {
        {0, false, 0, 1, {}, "", "unset", 0, 0},
        {1, false, 0, 2, {}, "cmd_select_driver: OpenGL selected.\n", "tga/", 1, 2},
        {2, false, 0, 3, {}, "cmd_select_driver: Direct3D selected.\n", "tga/", 1, 2},
        // A driver that cannot be created fails and changes nothing else.
        {0, true, -1, 1, {}, "", "unset", 7, 7},
        {1, true, -1, 2, {}, "", "unset", 7, 7},
        {2, true, -1, 3, {}, "", "unset", 7, 7},
        // Other kinds select nothing and succeed.
        {5, false, 0, 0, {}, "", "unset", 7, 7},
        {-1, false, 0, 0, {}, "", "unset", 7, 7},
        {3, true, 0, 0, {}, "", "unset", 7, 7},
    };
    gfx_set_driver_maker(make_test_driver);
    for (const driver_case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", failing " << c.make_fails);
        test_state_reset();
        server_get().texture_dir = "unset";
        g_make_fails = c.make_fails;
        g_made_kind = 0;
        k_->graphics.driver.reset();
        k_->sound.driver_kind = 7;
        k_->input_layer.driver_kind = 7;
        EXPECT_EQ(cmd_select_driver(*k_, c.kind), c.result);
        EXPECT_EQ(g_made_kind, c.made_kind);
        EXPECT_EQ(k_->graphics.driver != nullptr, c.made_kind != 0 && !c.make_fails);
        EXPECT_EQ(take_calls(), c.calls);
        EXPECT_EQ(take_log(), c.log);
        EXPECT_EQ(server_get().texture_dir, c.texture_dir);
        if (c.sound_kind != 7) {
            EXPECT_EQ(k_->sound.driver_kind, c.sound_kind);
            EXPECT_EQ(k_->input_layer.driver_kind, c.input_kind);
        } else {
            EXPECT_EQ(k_->sound.driver_kind, 7u);
            EXPECT_EQ(k_->input_layer.driver_kind, 7u);
        }
    }
    gfx_set_driver_maker(nullptr);
    g_make_fails = false;
}

TEST_F(Kernel, SelectDriverOfThisBuild) {
    // The kernel's kind plus one is the front end's: 0 the null driver, 2 the Direct3D one.
    EXPECT_EQ(cmd_select_driver(*k_, kDriverNull), 0);
    EXPECT_NE(dynamic_cast<null_driver*>(k_->graphics.driver.get()), nullptr);
    EXPECT_EQ(cmd_select_driver(*k_, kDriverDirect3d), 0);
    EXPECT_NE(dynamic_cast<d3d_driver*>(k_->graphics.driver.get()), nullptr);
}

TEST_F(Kernel, SetupRunsTheMembersInOrder) {
    server_set_dedicated(server_get(), 1);
    kernel_setup(*k_);
    EXPECT_EQ(take_calls(), calls_t{});
    // The input layer's names and its mouse sensitivity as an option.
    EXPECT_EQ(k_->input_layer.key_names.size(), 100u);
    EXPECT_EQ(option_registry_get_text(k_->options, "msensitivity"), option_text_from_float(5.0f));
    // The renderer's options are bound and the console laid out for a dedicated server.
    EXPECT_EQ(option_registry_get_text(k_->options, "minfps"), "15");
    EXPECT_EQ(k_->console.lines.size(), static_cast<std::size_t>(kConsoleRows));
    EXPECT_EQ(k_->console.dedicated, 1);
    // Sound channels 0, 1 and 2 in modes 0, 1 and 2, and the volume bound as an option.
    ASSERT_EQ(k_->sound.device->channels.size(), 3u);
    for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(k_->sound.device->channels[c].mode, c);
    EXPECT_EQ(option_registry_get_text(k_->options, "gvolume"), option_text_from_float(1.0f));
    EXPECT_EQ(k_->surfaces.rows.size(), static_cast<std::size_t>(kSurfaceTableRows));
    EXPECT_TRUE(k_->no_render);

    kernel client;
    server_set_dedicated(server_get(), 0);
    kernel_setup(client);
    EXPECT_FALSE(client.no_render);
}

// A dedicated server draws nothing, yet the soldiers driven there (its bots) store their states for
// the others at the frame's pace.
TEST_F(Kernel, WithoutDrawingTheTickStillStepsThePlayersDrivenHere) {
    server& world = server_get();
    player_record* bot = server_add_local_player(world, 1);
    player_record_set(*bot, "bot", 0, 1, 0, 0, kSlotPlaying);
    bot->state_record.position = vec3{120.0f, 95.0f, -40.0f};
    k_->no_render = true;
    world.client.connected = true;
    world.client.local_players.clear();
    for (int i = 0; i < 40 && world.client.local_players.empty(); ++i) {
        EXPECT_TRUE(kernel_tick(*k_));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(world.client.local_players.size(), 1u);
    EXPECT_FLOAT_EQ(world.client.local_players[0].position.x, 120.0f);
    world.client.local_players.clear();
    world.players.clear();
}

TEST_F(Kernel, OpenDisplay) {
    struct display_case {
        bool no_render;
        bool has_driver;
        bool open_result;
        int32_t result;
        calls_t calls;
        const char* log;
    };
    const display_case cases[] = {
        {false,
         true,
         true,
         0,
         {},
         "gfx: A mode for required resolution `800x600' found.\n"
         "cmd_open_display:  800x600 display set.\n[sound] No sound driver was specified\n"},
        // A dedicated server opens its display without the line.
        {true,
         true,
         true,
         0,
         {},
         "gfx: A mode for required resolution `800x600' found.\n[sound] No sound driver was specified\n"},
        // The front end's failure comes back; input and sound stay closed.
        {false, true, false, -1, {}, "gfx: Gfx driver initialization failed!\n"},
        {false, false, true, -1, {}, "gfx: Gfx driver initialization failed!\n"},
    };
    for (const display_case& c : cases) {
        SCOPED_TRACE(testing::Message() << "no render " << c.no_render << ", driver " << c.has_driver
                                        << ", open " << c.open_result);
        test_state_reset();
        k_->graphics.driver.reset();
        if (c.has_driver) {
            auto recorder = std::make_unique<recording_driver>();
            recorder->open_result = c.open_result;
            k_->graphics.driver = std::move(recorder);
        }
        k_->no_render = c.no_render;
        EXPECT_EQ(cmd_open_display(*k_, 800, 600), c.result);
        EXPECT_EQ(take_calls(), c.calls);
        EXPECT_EQ(take_log(), c.log);
    }
}

TEST_F(Kernel, TickPollsDrawsAndReturnsTheRunFlag) {
    auto owned = std::make_unique<recording_driver>();
    recording_driver& driver = *owned;
    k_->graphics.driver = std::move(owned);
    gfx_enable_drawing(k_->graphics);
    // Frames are counted in the program's kernel.
    const int32_t& frames = kernel_get().frame_count;
    EXPECT_TRUE(kernel_tick(*k_));
    EXPECT_EQ(frames, 1);
    EXPECT_FALSE(driver.take_calls().empty());

    k_->no_render = true;
    EXPECT_TRUE(kernel_tick(*k_));
    EXPECT_EQ(frames, 1);
    EXPECT_TRUE(driver.take_calls().empty());
    EXPECT_EQ(take_calls(), calls_t{});
    gfx_disable_drawing(k_->graphics);
    k_->graphics.driver.reset();

    k_->running = false;
    EXPECT_FALSE(kernel_tick(*k_));
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(take_log(), "");
}

TEST_F(Kernel, TickRunsTheConsoleLineAndPrintsTheStatus) {
    k_->no_render = true;
    server_get().client.status_text = "OK 0";
    console_view_set_input(k_->console, "g_lod 1");
    EXPECT_EQ(take_log(), "[con] > g_lod 1\n");
    EXPECT_TRUE(kernel_tick(*k_));
    EXPECT_EQ(take_log(), "[con] processing console command 'g_lod 1'\n[con] OK 0\n");
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_TRUE(k_->graphics.options.LOD_on);
    EXPECT_EQ(console_view_output(k_->console), (std::vector<std::string>{"> g_lod 1", "OK 0"}));
    EXPECT_EQ(server_get().client.status_text, "");
    EXPECT_EQ(k_->console.pending_command, "");

    // The line is taken once.
    EXPECT_TRUE(kernel_tick(*k_));
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(take_log(), "");
}

TEST_F(Kernel, AwaitedReplyIsPrintedOnceTheServerListIsIn) {
    k_->no_render = true;
    net_client& client = server_get().client;
    console_view_set_input(k_->console, "n_servers 1");  // a query is pending
    const std::vector<std::string> echo{"> n_servers 1"};
    kernel_tick(*k_);
    EXPECT_TRUE(k_->reply_awaited);
    EXPECT_EQ(console_view_output(k_->console), echo);
    kernel_tick(*k_);
    EXPECT_EQ(console_view_output(k_->console), echo);

    client_reset_state(client);
    client.request_result = 1;
    client.status_text = "OK 4";
    kernel_tick(*k_);
    EXPECT_FALSE(k_->reply_awaited);
    EXPECT_EQ(console_view_output(k_->console), (std::vector<std::string>{"> n_servers 1", "OK 4"}));
    kernel_tick(*k_);
    EXPECT_EQ(console_view_output(k_->console).size(), 2u);
}

TEST_F(Kernel, AwaitedReplyWithoutAQueryIsPrintedAtOnce) {
    k_->no_render = true;
    server_get().client.status_text = "FLD 2";
    console_view_set_input(k_->console, "a_1st 1 2 3");
    EXPECT_TRUE(kernel_tick(*k_));
    EXPECT_FALSE(k_->reply_awaited);
    EXPECT_EQ(console_view_output(k_->console), (std::vector<std::string>{"> a_1st 1 2 3", "FLD 2"}));
}

TEST_F(Kernel, QuitLineStopsTheEngine) {
    k_->no_render = true;
    console_view_set_input(k_->console, "quit");
    EXPECT_FALSE(kernel_tick(*k_));
    EXPECT_FALSE(k_->running);
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_FALSE(kernel_tick(*k_));
    EXPECT_EQ(take_calls(), calls_t{});
}

TEST_F(Kernel, StopSaysGoodbyeAndStopsTheService) {
    EXPECT_EQ(kernel_stop(*k_), 0);
    EXPECT_FALSE(k_->running);
    // Not connected: the goodbye is refused and nothing goes out.
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(server_get().client.status_text, "FLD 3");
}

// A loaded package built in memory, with named objects in its tables.
package& add_package(const std::string& name) {
    auto p = std::make_unique<package>();
    p->name = name;
    package& added = *p;
    server_get().packages.push_back(std::move(p));
    return added;
}

template <class T>
T* add_object(object_table<T>& table, const std::string& name) {
    auto object = std::make_unique<T>();
    object->name = name;
    T* added = object.get();
    table.owns = true;
    table.items.push_back(added);
    table.storage.push_back(std::move(object));
    return added;
}

TEST_F(Kernel, OpenScreen) {
    package& menu = add_package("kvmenu");
    view_set* const main_screen = add_object(menu.screens, "main");

    EXPECT_EQ(cmd_open_screen(*k_, "kvmenu:main"), 0);
    EXPECT_EQ(take_log(), "cmd_open_screen:   Screen `kvmenu:main' activated.\n");
    EXPECT_EQ(k_->graphics.current_screen, main_screen);

    struct failing_case {
        const char* name;
        const char* log;
    };
    const failing_case cases[] = {
        // Without a colon the screen name is empty.
        {"kvmenu", "server: No screen `kvmenu:' found.\n"},
        {"kvmenu:Main", "server: No screen `kvmenu:Main' found.\n"},
        {"kvbase:main", "server: No package `kvbase' found.\n"},
        // A leading separator does not split.
        {":main", "server: No package `:main' found.\n"},
    };
    for (const failing_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cmd_open_screen(*k_, c.name), -1);
        EXPECT_EQ(take_calls(), calls_t{});
        EXPECT_EQ(take_log(), c.log);
        EXPECT_EQ(k_->graphics.current_screen, main_screen);
    }
}

TEST_F(Kernel, OpenView) {
    package& menu = add_package("kvmenu");
    view_set* const main_screen = add_object(menu.screens, "main");
    add_object(main_screen->views, "main");
    ASSERT_EQ(cmd_open_screen(*k_, "kvmenu:main"), 0);
    take_log();
    EXPECT_EQ(cmd_open_view(*k_, "main"), 0);
    EXPECT_EQ(take_log(), "cmd_open_view:     View `main' activated.\n");
    EXPECT_EQ(cmd_open_view(*k_, "none"), -1);
    EXPECT_EQ(take_log(), "server: No view `main:none' found.\n");
}

TEST_F(Kernel, Sky) {
    package& base = add_package("kvbase");
    geometry* const sky = add_object(base.geometries, "g-sky");
    surface* const dusk = add_object(base.surfaces, "s-dusk");

    EXPECT_EQ(cmd_sky(*k_, "dusk"), 0);
    EXPECT_EQ(take_log(), "");
    EXPECT_EQ(k_->graphics.sky_geometry, sky);
    EXPECT_EQ(k_->graphics.sky_surface, dusk);

    // The geometry still goes to the front end, whose sky needs a surface.
    EXPECT_EQ(cmd_sky(*k_, "dawn"), -1);
    EXPECT_EQ(take_log(),
              "The following references couldn't be resolved:\n surface[s-dawn]\n"
              "cmd_sky: couldn't find surface for sky `dawn'.\n");
    EXPECT_EQ(k_->graphics.sky_geometry, sky);
    EXPECT_EQ(k_->graphics.sky_surface, nullptr);
    EXPECT_TRUE(ref_list().items.empty());

    // Only the base package is searched.
    server_get().packages.clear();
    package& other = add_package("kvmap");
    add_object(other.geometries, "g-sky");
    add_object(other.surfaces, "s-dusk");
    EXPECT_EQ(cmd_sky(*k_, "dusk"), -1);
    EXPECT_EQ(take_log(),
              "The following references couldn't be resolved:\n geometry[g-sky]\n surface[s-dusk]\n"
              "cmd_sky: couldn't find g-sky.\n"
              "cmd_sky: couldn't find surface for sky `dusk'.\n");
}

TEST_F(Kernel, SkyWithoutGeometryStillSetsTheSurface) {
    package& base = add_package("kvbase");
    surface* const dusk = add_object(base.surfaces, "s-dusk");
    EXPECT_EQ(cmd_sky(*k_, "dusk"), 0);
    EXPECT_EQ(take_log(),
              "The following references couldn't be resolved:\n geometry[g-sky]\n"
              "cmd_sky: couldn't find g-sky.\n");
    EXPECT_EQ(k_->graphics.sky_geometry, nullptr);
    EXPECT_EQ(k_->graphics.sky_surface, dusk);
}

TEST_F(Kernel, FogKeysAndInputGoToTheirMembers) {
    const gfx_fog fog{0.5f, 0.1f, 0.2f, 0.3f};
    EXPECT_EQ(kernel_set_fog(*k_, &fog), 0);
    // The renderer keeps a copy.
    EXPECT_TRUE(k_->graphics.fog.on);
    EXPECT_EQ(k_->graphics.fog.values.density, 0.5f);
    EXPECT_EQ(k_->graphics.fog.values.blue, 0.3f);
    EXPECT_EQ(kernel_set_fog(*k_, nullptr), 0);
    EXPECT_FALSE(k_->graphics.fog.on);

    EXPECT_EQ(kernel_bind_key(*k_, 'w', 1), 0);
    ASSERT_EQ(k_->input_layer.bindings.size(), 1u);
    EXPECT_EQ(k_->input_layer.bindings[0].key, uint32_t{'w'});
    EXPECT_EQ(k_->input_layer.bindings[0].action, 1u);

    fake_input_scope devices(k_->input_layer);
    kernel_unacquire_input(*k_);
    EXPECT_FALSE(di_device_acquired(di_device::keyboard));
    EXPECT_FALSE(di_device_acquired(di_device::mouse));
    kernel_acquire_input(*k_);
    EXPECT_TRUE(di_device_acquired(di_device::keyboard));
    EXPECT_TRUE(di_device_acquired(di_device::mouse));
}

TEST_F(Kernel, ScreenshotReportsTheFrontEndsResult) {
    auto recorder = std::make_unique<recording_driver>();
    recorder->screen_width = 4;
    recorder->screen_height = 2;
    k_->graphics.driver = std::move(recorder);
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, (dir_ / "scr000.tga").string(), kFileWrite | kFileCreate));
    EXPECT_EQ(kernel_save_screenshot(*k_, stream), 0);
    file_stream_close(stream);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "scr000.tga"), 18u + 4u * 2u * 3u);

    // The null driver cannot read the screen.
    k_->graphics.driver = std::make_unique<null_driver>();
    ASSERT_TRUE(file_stream_open(stream, (dir_ / "scr001.tga").string(), kFileWrite | kFileCreate));
    EXPECT_EQ(kernel_save_screenshot(*k_, stream), -1);
    file_stream_close(stream);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "scr001.tga"), 0u);
}

}  // namespace
}  // namespace kv
