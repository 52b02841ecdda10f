#include "kernel/engine_main.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "net/net_client.h"
#include "net/server_session.h"
#include "net/service.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/signals.h"
#include "sound/sound_device.h"
#include "sound/sound_system.h"
#include "tests/sound/fake_media_graph.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/call_log.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_driver.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"
#include "ui/console_view.h"

namespace kv {
namespace {

using words_t = std::vector<std::string>;

// The words that the program's entry hands to the main routine.
words_t entry_words(const words_t& program_words) {
    std::vector<const char*> argv{"/usr/bin/kv"};
    for (const std::string& word : program_words) argv.push_back(word.c_str());
    const command_line line = command_line_from_words(static_cast<int>(argv.size()), argv.data());
    words_t words;
    EXPECT_EQ(line.argv.front(), nullptr);
    for (std::size_t i = 1; i < line.argv.size(); ++i) words.emplace_back(line.argv[i]);
    return words;
}

words_t numbered_words(int count) {
    words_t words;
    for (int i = 1; i <= count; ++i) words.push_back("w" + std::to_string(i));
    return words;
}

TEST(CommandLine, KeepsEachWordWholeAndSkipsEmptyOnes) {
    EXPECT_EQ(entry_words({}), words_t{});
    EXPECT_EQ(entry_words({"--base-dir=/srv/my data/", "", "\"a b\"\tc", "--dedicated=yes"}),
              (words_t{"--base-dir=/srv/my data/", "\"a b\"\tc", "--dedicated=yes"}));
}

TEST(CommandLine, KeepsAtMost31WordsAndCountsTheRest) {
    const words_t forty = numbered_words(40);
    std::vector<const char*> argv{"kv"};
    for (const std::string& word : forty) argv.push_back(word.c_str());
    const command_line line = command_line_from_words(static_cast<int>(argv.size()), argv.data());
    ASSERT_EQ(line.argv.size(), 32u);
    EXPECT_EQ(std::string(line.argv[31]), "w31");
    EXPECT_EQ(line.dropped, 9);
    EXPECT_EQ(entry_words(numbered_words(31)).size(), 31u);
}

TEST(EngineArithmetic, DisplaySizeFromTheFirstCharacterOfTheResolution) {
    const struct {
        const char* resolution;
        int32_t kind;
        int32_t width;
        int32_t height;
    } cases[] = {
        {"0", kDriverOpenGl, 640, 480},    {"1", kDriverOpenGl, 800, 600},  {"2", kDriverOpenGl, 1024, 768},
        {"3", kDriverDirect3d, 1152, 864}, {"4", kDriverOpenGl, 1280, 960}, {"5", kDriverOpenGl, 1280, 1024},
        {"6", kDriverOpenGl, 640, 480},    {"7", kDriverOpenGl, 640, 480},  {"", kDriverOpenGl, 640, 480},
        {"25", kDriverOpenGl, 1024, 768},  {"/", kDriverOpenGl, 640, 480},  {"x", kDriverOpenGl, 640, 480},
        {"5", kDriverNull, 640, 480},      {"3", kDriverNull, 640, 480},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("resolution '") + c.resolution + "' kind " + std::to_string(c.kind));
        const display_size size = engine_display_size(c.resolution, c.kind);
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.height);
    }
}

TEST(EngineArithmetic, DetailsAreCaseSensitive) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"low", kDetailLow},     {"medium", kDetailMedium}, {"high", kDetailHigh},     {"LOW", kDetailMedium},
        {"High", kDetailMedium}, {"", kDetailMedium},       {"lowest", kDetailMedium},
    };
    for (const auto& c : cases) EXPECT_EQ(engine_detail_level(c.text, kDetailMedium), c.expected) << c.text;
}

TEST(EngineArithmetic, DedicatedServerSleepsTheRestOfItsMinimumFrame) {
    const struct {
        int32_t min_frame;
        int32_t frame;
        int32_t sleep;
    } cases[] = {
        {33, 40, 0}, {33, 5, 28}, {33, 33, 0}, {33, 0, 33}, {0, 5, 0}, {33, -5, 38}, {-10, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(engine_dedicated_sleep_ms(c.min_frame, c.frame), c.sleep)
            << c.min_frame << " ms minimum, " << c.frame << " ms frame";
    }
}

TEST(EngineArithmetic, RunningTimeInDaysHoursMinutesSeconds) {
    const struct {
        int64_t ms;
        running_time expected;
    } cases[] = {
        {0, {0, 0, 0, 0}},
        {999, {0, 0, 0, 0}},
        {59999, {0, 0, 0, 59}},
        {90061000, {1, 1, 1, 1}},
        // Past 2^32 ms (49.7 days): the time goes on counting.
        {50LL * 86400 * 1000 + 3723000, {50, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        const running_time t = engine_running_time(c.ms);
        EXPECT_EQ(t.days, c.expected.days) << c.ms;
        EXPECT_EQ(t.hours, c.expected.hours) << c.ms;
        EXPECT_EQ(t.minutes, c.expected.minutes) << c.ms;
        EXPECT_EQ(t.seconds, c.expected.seconds) << c.ms;
    }
}

// The drivers of the main routine in this process: the null driver with its console on /dev/null,
// and recording drivers for the display kinds when they are said to be present.
struct test_drivers {
    bool display_drivers_present = false;
    bool make_fails = false;
    bool open_fails = false;
    int32_t made_kind = 0;
};
test_drivers g_drivers;

std::unique_ptr<gfx_driver> make_test_driver(int32_t kind) {
    static const int nowhere = open("/dev/null", O_RDWR | O_CLOEXEC);
    g_drivers.made_kind = kind;
    if (g_drivers.make_fails) return nullptr;
    if (kind == kGfxDriverNull) {
        auto console = std::make_unique<null_driver>();
        console->input_fd = nowhere;
        console->output_fd = nowhere;
        console->open_fails = g_drivers.open_fails;
        return console;
    }
    if (!g_drivers.display_drivers_present) return nullptr;
    auto display = std::make_unique<recording_driver>();
    display->open_result = !g_drivers.open_fails;
    return display;
}

// The main routine in this process: a temporary folder as the working directory (the log "kv.log" is
// written there) holding the demo data under "data/" and a write directory "write/".
class EngineMain : public ::testing::Test {
protected:
    void SetUp() override {
        old_directory_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.path());
        ASSERT_TRUE(tools::write_demo_data(folder_.file("data")));
        std::filesystem::create_directory(folder_.file("write"));
        reset_singletons();
    }

    void TearDown() override {
        log_close();
        reset_singletons();
        gfx_set_driver_maker(nullptr);
        std::filesystem::current_path(old_directory_);
    }

    void reset_singletons() {
        test_state_reset();
        sys_clear_stop_request();
        kernel& k = kernel_get();
        k.running = true;
        k.failed = false;
        k.detail_level = kDetailHigh;
        k.frame_count = 0;
        k.console.lines.clear();
        k.graphics.driver.reset();
        g_drivers = test_drivers();
        gfx_set_driver_maker(make_test_driver);
        server& srv = server_get();
        while (!srv.packages.empty()) package_destroy(srv, *srv.packages.front());
        // The arties the packages released (the menu's game object) go too, and tick no more.
        arty_factory_clear_callbacks(srv.factory);
        arty_factory_collect(srv.factory);
        ref_list().items.clear();
        srv.level_loaded = 0;
        srv.current_level_name.clear();
        srv.game_package.clear();
        srv.dedicated = 0;
        srv.join_nick.clear();
        srv.join_port = 0;
        srv.data_dir.clear();
        srv.write_dir.clear();
        service_settings_get() = service_settings();
        server_session_destroy();
    }

    // The options of every run: the demo data and the write directory.
    words_t with_folders(words_t words) const {
        words.push_back("--base-dir=" + folder_.file("data") + "/");
        words.push_back("--write-dir=" + folder_.file("write") + "/");
        return words;
    }

    // Hands the words to the main routine as the program's entry would; the line must outlive the run.
    void make_line(const words_t& words) {
        std::vector<const char*> argv{"kv"};
        for (const std::string& word : words) argv.push_back(word.c_str());
        line_ = command_line_from_words(static_cast<int>(argv.size()), argv.data());
    }
    int run(const words_t& words) {
        make_line(with_folders(words));
        return engine_main(static_cast<int>(line_.argv.size()), line_.argv.data());
    }
    start_up_result start(const words_t& words) {
        make_line(with_folders(words));
        return engine_start_up(session_, static_cast<int>(line_.argv.size()), line_.argv.data());
    }

    std::string log() const { return folder_.read("kv.log"); }
    std::string options_file() const { return folder_.read("write/options-c"); }

    temp_folder folder_;
    std::filesystem::path old_directory_;
    command_line line_;
    engine_session session_;
};

TEST_F(EngineMain, DedicatedFlagSelectsTheNullDriverAnd640x480) {
    ASSERT_EQ(start({"--dedicated=yes", "--gfx-driver=d3d", "--resolution=3"}), start_up_result::run);
    EXPECT_EQ(g_drivers.made_kind, kGfxDriverNull);
    EXPECT_NE(dynamic_cast<null_driver*>(kernel_get().graphics.driver.get()), nullptr);
    EXPECT_NE(log().find("gfx: A mode for required resolution `640x480' found.\n"), std::string::npos)
        << log();
    EXPECT_EQ(server_get().dedicated, 1);
    EXPECT_TRUE(kernel_get().no_render);
}

TEST_F(EngineMain, DisplayDriverAndSizeFromTheOptions) {
    g_drivers.display_drivers_present = true;
    ASSERT_EQ(start({"--gfx-driver=d3d", "--resolution=3"}), start_up_result::run);
    EXPECT_EQ(g_drivers.made_kind, kGfxDriverDirect3d);
    EXPECT_NE(log().find("gfx: A mode for required resolution `1152x864' found.\n"), std::string::npos)
        << log();
    EXPECT_EQ(server_get().dedicated, 0);
    EXPECT_FALSE(kernel_get().no_render);
}

TEST_F(EngineMain, StartUpWiresTheWorldServerFromTheOptions) {
    ASSERT_EQ(start({"--dedicated=yes", "--language=ge", "--pkg-file=kvmenu", "--developer=yes"}),
              start_up_result::run);
    const server& srv = server_get();
    EXPECT_EQ(srv.data_dir, folder_.file("data") + "/");
    EXPECT_EQ(srv.write_dir, folder_.file("write") + "/");
    EXPECT_EQ(srv.boot_package, "kvmenu-ge");
    EXPECT_EQ(srv.language_suffix, "-ge.txt");
    EXPECT_EQ(srv.lmap_dir, "lmap/");
    EXPECT_EQ(srv.developer, 1);
    // The demo level is the one map found.
    ASSERT_EQ(srv.maps.size(), 1u);
    EXPECT_EQ(srv.maps[0].name, tools::kDemoMap);
    EXPECT_EQ(srv.client.master_address_text, "127.0.0.1");
    // A dedicated server's console lines go to its terminal and the log, not the panel.
    EXPECT_NE(log().find("[con] Quellix 1.0 (build 182)\n[con] Running...\n[con] > \n"), std::string::npos)
        << log();
    EXPECT_TRUE(console_view_output(kernel_get().console).empty());
    EXPECT_NE(log().find("] Starting engine's main loop...\n"), std::string::npos) << log();
}

TEST_F(EngineMain, DetailsValueInTheWrongCaseKeepsTheDetailLevel) {
    kernel_get().detail_level = kDetailMedium;
    ASSERT_EQ(start({"--dedicated=yes", "--details=LOW"}), start_up_result::run);
    EXPECT_EQ(kernel_get().detail_level, kDetailMedium);
    log_close();
    ASSERT_EQ(start({"--dedicated=yes", "--details=low"}), start_up_result::run);
    EXPECT_EQ(kernel_get().detail_level, kDetailLow);
}

TEST_F(EngineMain, JoinsOnlyWithBothJoinAndName) {
    ASSERT_EQ(start({"--dedicated=yes", "-join", "10.0.0.1:57777"}), start_up_result::run);
    EXPECT_EQ(server_get().join_nick, "");
    log_close();
    ASSERT_EQ(start({"--dedicated=yes", "-name", "bob"}), start_up_result::run);
    EXPECT_EQ(server_get().join_nick, "");
    log_close();
    ASSERT_EQ(start({"--dedicated=yes", "-join", "10.0.0.1:57777", "-name", "bob"}), start_up_result::run);
    EXPECT_EQ(server_get().join_nick, "bob");
    EXPECT_EQ(server_get().join_port, 57777);
}

// The early ends of start-up must not touch the stored settings; a display that fails to open comes
// after the options were loaded, so they are saved.
TEST_F(EngineMain, EarlyShutdownLeavesTheOptionsFileAlone) {
    constexpr char kStored[] =
        "\x01\x00\x07"
        "Bfullscreen\x01 and more";
    const std::string stored(kStored, sizeof kStored - 1);
    const struct {
        const char* what;
        words_t words;
        bool drivers_present;
        int32_t select_result;
        int32_t display_result;
        const char* line;
        bool kept;
    } cases[] = {
        {"unknown driver",
         {"--gfx-driver=glide"},
         true,
         0,
         0,
         "There's no GFX driver called 'glide'.\n",
         true},
        {"driver selection fails", {}, true, -1, 0, "Gfx driver selection failed\n", true},
        {"no display driver built", {"--gfx-driver=d3d"}, false, 0, 0, "Gfx driver selection failed\n", true},
        {"display fails", {}, true, 0, -1, "Going down...\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reset_singletons();
        folder_.write("write/options-c", stored);
        g_drivers.display_drivers_present = c.drivers_present;
        g_drivers.make_fails = c.select_result != 0;
        g_drivers.open_fails = c.display_result != 0;
        EXPECT_EQ(run(c.words), kEngineFailed);
        const std::string text = log();
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        EXPECT_NE(text.find("] Going down...\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("Starting engine's main loop"), std::string::npos) << text;
        EXPECT_EQ(text.find("*** Run-time stats"), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
        EXPECT_EQ(options_file() == stored, c.kept);
        EXPECT_FALSE(options_file().empty());
    }
}

// A folder given without its trailing separator is that folder, not its parent with a prefix.
TEST_F(EngineMain, FolderOptionsWithoutTheirSeparatorNameTheFolder) {
    ASSERT_EQ(start({"--dedicated=yes", "--base-dir=" + folder_.file("data"),
                     "--write-dir=" + folder_.file("write"), "--tex-base-dir=tex", "--lmap-base-dir=lmap\\"}),
              start_up_result::run);
    const server& srv = server_get();
    EXPECT_EQ(srv.data_dir, folder_.file("data") + "/");
    EXPECT_EQ(srv.write_dir, folder_.file("write") + "/");
    EXPECT_EQ(srv.texture_base_dir, "tex/");
    EXPECT_EQ(srv.lmap_dir, "lmap\\");
    EXPECT_FALSE(server_text(srv, kTextMenu, 0).empty());
    engine_shut_down(session_);
    EXPECT_FALSE(options_file().empty());
    EXPECT_FALSE(std::filesystem::exists(folder_.file("writeoptions-c")));
}

// A level the game object cannot run (no camera, no flying camera place) stops the program with its
// "*FATAL*" line, and the run ends as a failure.
TEST_F(EngineMain, AFatalFaultOfTheDataEndsAsAFailure) {
    const struct {
        const char* label;
        bool camera;
        const char* line;
    } cases[] = {
        {"no camera", false, "kvgame: *FATAL* couldn't open camera `cam'.\n"},
        {"no sp0", true, "kvgame: *FATAL* couldn't find flying camera spawn point (sp0).\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        reset_singletons();
        tools::package_writer w;
        w.add_import(tools::kDemoSharedPackage);
        w.add_arty("kvgame", "game", tools::token_writer().key("cb:").integer(33).bytes());
        if (c.camera) w.add_arty("kvbound_camera", "cam", {});
        ASSERT_TRUE(w.write(folder_.file("data/maps/broken-en")));
        EXPECT_EQ(run({"--dedicated=yes", "--pkg-file=broken"}), kEngineFailed);
        const std::string text = log();
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
    }
    // The program itself ends with the status of a failure.
    log_close();
    child_process kv(KV_BINARY_PATH, with_folders({"--dedicated=yes", "--pkg-file=broken"}),
                     folder_.path().string());
    const std::optional<int> status = kv.wait(20000);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1) << log();
    EXPECT_NE(log().find("kvgame: *FATAL* couldn't find flying camera spawn point (sp0).\n"),
              std::string::npos);
}

// SIGINT or SIGTERM during start-up: the first pass of the loop stops the program before the level
// loads, and the run ends normally.
TEST_F(EngineMain, AStopDuringStartUpEndsBeforeTheLevelLoads) {
    sys_request_stop();
    EXPECT_EQ(run({"--dedicated=yes"}), kEngineDone);
    const std::string text = log();
    EXPECT_NE(text.find("] Starting engine's main loop...\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Loading package"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
}

TEST_F(EngineMain, HelpEndsBeforeAnyLogLine) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(run({"--help"}), kEngineHelp);
    const std::string listing = testing::internal::GetCapturedStdout();
    EXPECT_NE(listing.find("--dedicated="), std::string::npos);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(options_file(), "");
}

TEST_F(EngineMain, DedicatedPassSleepsOnTheProjectClock) {
    fake_clock clock;
    scoped_clock use(clock);
    engine_session session;
    make_line(with_folders({"--dedicated=yes"}));
    ASSERT_EQ(engine_start_up(session, static_cast<int>(line_.argv.size()), line_.argv.data()),
              start_up_result::run);
    // On the stopped clock the pass takes no time: the whole minimum frame is left to sleep.
    ASSERT_TRUE(engine_main_pass(session));
    EXPECT_EQ(clock.slept_ms, kDefaultMinFrameMs);
    service_settings_get().min_frame_ms = 50;
    ASSERT_TRUE(engine_main_pass(session));
    EXPECT_EQ(clock.slept_ms, kDefaultMinFrameMs + 50);
    EXPECT_EQ(kernel_get().graphics.statistics.last_frame_ms, 0);
}

TEST_F(EngineMain, EachPassHandsTheMusicItsNews) {
    fake_clock clock;
    scoped_clock use(clock);
    engine_session session;
    make_line(with_folders({"--dedicated=yes"}));
    ASSERT_EQ(engine_start_up(session, static_cast<int>(line_.argv.size()), line_.argv.data()),
              start_up_result::run);
    fake_media_state music;
    kernel_sound_probe sound(server_get().data_dir, {});
    kernel_get().sound.device->music.create_graph = fake_media_graph::factory(music);
    ASSERT_TRUE(music_play(kernel_get().sound, "data\\sound\\menu.mp3", false));
    music.events = {fake_media_graph::event_of(kGraphEventComplete)};
    ASSERT_TRUE(engine_main_pass(session));
    EXPECT_FALSE(music_is_playing(kernel_get().sound)) << "the tune has ended";
    EXPECT_EQ(music.freed, std::vector<intptr_t>{1});
    sound_device_music_release(*kernel_get().sound.device);
}

TEST_F(EngineMain, ClientPassDoesNotSleep) {
    fake_clock clock;
    scoped_clock use(clock);
    engine_session session;
    g_drivers.display_drivers_present = true;
    make_line(with_folders({}));
    ASSERT_EQ(engine_start_up(session, static_cast<int>(line_.argv.size()), line_.argv.data()),
              start_up_result::run);
    ASSERT_TRUE(engine_main_pass(session));
    EXPECT_EQ(clock.slept_ms, 0);
    // A client draws its frames.
    EXPECT_FALSE(kernel_get().no_render);
}

// The loop runs the world until the boot-strap package is loaded; a stop request (the signal
// handlers' way) then ends it through the kernel, with the world server's shutdown.
TEST_F(EngineMain, StopRequestEndsTheLoopThroughTheKernel) {
    ASSERT_EQ(start({"--dedicated=yes"}), start_up_result::run);
    for (int pass = 0; pass < 20 && server_get().level_loaded == 0; ++pass)
        ASSERT_TRUE(engine_main_pass(session_));
    ASSERT_EQ(server_get().current_level_name, tools::kDemoBootPackage) << log();
    sys_request_stop();
    EXPECT_FALSE(engine_main_pass(session_));
    EXPECT_FALSE(sys_stop_requested());
    EXPECT_FALSE(kernel_get().running);
    // The goodbye of a client that is not connected is refused at once.
    EXPECT_EQ(server_get().client.status_text, "FLD 3");
    EXPECT_NE(log().find("[botc] ending BotCentral\n"), std::string::npos);
    engine_write_statistics();
    EXPECT_EQ(engine_shut_down(session_), kEngineDone);
    const std::string text = log();
    EXPECT_NE(text.find("References OK.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("*** Run-time stats\n    Running time       : 0 days, 0 hours, 0 minutes, "),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Total frames"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("] Going down...\nShutdown procedure completed.\n")) << text;
    EXPECT_FALSE(options_file().empty());
}

TEST_F(EngineMain, ServiceFailureStopsTheKernelInTheSamePass) {
    ASSERT_EQ(start({"--dedicated=yes"}), start_up_result::run);
    service_settings& service = service_settings_get();
    ASSERT_TRUE(service_command(service, "set server-port:0"));
    ASSERT_TRUE(service_command(service, "set pkg-name:depot"));
    ASSERT_TRUE(service_command(service, "start"));
    ASSERT_TRUE(engine_main_pass(session_));
    // A quit the network server takes ends its serving: the next pass stops the kernel.
    server_session_local_command(server_session_get(), "quit");
    EXPECT_FALSE(engine_main_pass(session_));
    EXPECT_FALSE(kernel_get().running);
    EXPECT_NE(log().find("[botc] ending BotCentral\n"), std::string::npos);
}

TEST_F(EngineMain, MissingBootPackageEndsTheLoopWithoutTheWorldShutdown) {
    std::filesystem::remove(folder_.file("data/maps/kvmenu-en"));
    ASSERT_EQ(start({"--dedicated=yes"}), start_up_result::run);
    bool running = true;
    for (int pass = 0; pass < 20 && running; ++pass) running = engine_main_pass(session_);
    EXPECT_FALSE(running);
    EXPECT_NE(log().find("*FATAL* error - couldn't open boot-strap package. Quitting ...\n"),
              std::string::npos);
    EXPECT_EQ(log().find("[botc] ending BotCentral\n"), std::string::npos);
    EXPECT_TRUE(kernel_get().running);
}

TEST_F(EngineMain, RelaunchIsAskedForWhenTheServiceSaysDedicated) {
    ASSERT_EQ(start({"--dedicated=yes"}), start_up_result::run);
    service_settings_get().dedicated = 1;
    // Only a process that is not the dedicated server yet asks for the relaunch.
    EXPECT_EQ(engine_shut_down(session_), kEngineDone);
    reset_singletons();
    ASSERT_EQ(start({"--dedicated=yes"}), start_up_result::run);
    server_get().dedicated = 0;
    service_settings_get().dedicated = 1;
    // The client session holds its port, as it does from its first tick on.
    if (net_client_get().socket().port() == 0) {
        ASSERT_EQ(client_bind_port(net_client_get()), 1);
    }
    const uint16_t client_port = net_client_get().socket().port();
    // A stop request that comes while the program goes down for the relaunch changes nothing: the
    // shutdown completes and the relaunch follows.
    sys_request_stop();
    EXPECT_EQ(engine_shut_down(session_), kEngineRelaunch);
    EXPECT_TRUE(log().ends_with("Shutdown procedure completed.\n")) << log();
    // The new process finds the client's port free.
    udp_socket probe(true);
    EXPECT_TRUE(probe.bind(client_port));
}

class EngineStatistics : public EngineMain {
protected:
    EngineStatistics() : use_clock_(clock_) {}
    void SetUp() override {
        EngineMain::SetUp();
        ASSERT_TRUE(log_open("kv.log"));
        // A timer made now puts the timers on the fake clock's counter.
        timer on_fake_clock;
        timer_restart(run_timer());
    }

    fake_clock clock_;
    scoped_clock use_clock_;
};

TEST_F(EngineStatistics, NoFramesAndNoTimeDivideByNothing) {
    kernel_get().frame_count = 0;
    engine_write_statistics();
    const std::string text = log();
    EXPECT_NE(
        text.find(
            "    Total frames       : 0\n    Average FPS        : 0\n    Average frame time : 0 msec\n"),
        std::string::npos)
        << text;
}

TEST_F(EngineStatistics, AveragesOverTheWholeRunningTime) {
    kernel& k = kernel_get();
    k.frame_count = 50;
    k.slowest_render_ms = 70;
    k.fastest_render_ms = 12;
    clock_.advance_ms(2000);
    engine_write_statistics();
    EXPECT_EQ(log(),
              "*** Run-time stats\n    Running time       : 0 days, 0 hours, 0 minutes, 2 seconds\n"
              "    Total frames       : 50\n    Average FPS        : 25\n    Average frame time : 40 msec\n"
              "    Slowest frame time : 70 msec\n    Fastest frame time : 12 msec\n");
}

TEST_F(EngineStatistics, DedicatedServerWritesTheRunningTimeOnly) {
    server_get().dedicated = 1;
    clock_.advance_ms(50LL * 86400 * 1000 + 3723000);
    engine_write_statistics();
    EXPECT_EQ(log(), "*** Run-time stats\n    Running time       : 50 days, 1 hours, 2 minutes, 3 seconds\n");
}

class EngineRelaunch : public ::testing::Test {
protected:
    void SetUp() override {
        sys_set_spawner([this](const std::string& path, const words_t& words) {
            paths_.push_back(path);
            words_ = words;
            return true;
        });
    }
    void TearDown() override { sys_set_spawner(nullptr); }

    words_t relaunch(const words_t& words) {
        std::vector<const char*> argv{"/usr/games/kv"};
        for (const std::string& word : words) argv.push_back(word.c_str());
        EXPECT_TRUE(engine_relaunch(static_cast<int>(argv.size()), argv.data()));
        return words_;
    }

    words_t paths_;
    words_t words_;
};

TEST_F(EngineRelaunch, StartsItselfWithEveryWordFollowedByDedicated) {
    EXPECT_EQ(relaunch({}), (words_t{"--dedicated=yes"}));
    EXPECT_EQ(relaunch({"--base-dir=/srv/kv data/", "--port=5000"}),
              (words_t{"--base-dir=/srv/kv data/", "--port=5000", "--dedicated=yes"}));
    // The executable's own file, so that the new process carries its name.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(paths_, (words_t{self, self}));
    // A "--dedicated=" word of this process would be the one the child takes.
    EXPECT_EQ(relaunch({"--dedicated=no", "--port=5000", "--dedicated=yes"}),
              (words_t{"--port=5000", "--dedicated=yes"}));
}

TEST_F(EngineRelaunch, KeepsLongCommandLinesWhole) {
    words_t words;
    for (int i = 0; i < 40; ++i)
        words.push_back("--language=" + std::string(20, static_cast<char>('a' + i % 26)));
    words.push_back("--base-dir=" + std::string(300, 'd') + "/");
    words_t expected = words;
    expected.push_back("--dedicated=yes");
    EXPECT_EQ(relaunch(words), expected);
}

// The singletons go at exit in the order that lets each one's teardown use the others: the world
// server (which unbinds its option from the kernel and drops its packages' references) before the
// kernel, the reference list last. Checked in a fresh process that exits with a level loaded.
TEST(EngineExit, SingletonsGoInTheirOrder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.path()));
    const std::string data_dir = folder.path().string() + "/";
    EXPECT_EXIT(
        {
            engine_create_singletons();
            server& srv = server_get();
            srv.data_dir = data_dir;
            server_init(srv);
            kernel_setup(kernel_get());
            if (!load_package(srv, tools::kDemoMap, true)) std::_Exit(2);
            // A reference still queued when the program ends.
            geometry* sky = nullptr;
            ref_list_add_geometry(ref_list(), tools::kDemoSharedPackage, "g-sky", &sky);
            std::filesystem::remove_all(folder.path());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// Runs `kv --dedicated=yes` with the extra words on the demo data in the folder until its game object
// has opened its view, then stops it with SIGTERM; the exit status must be 0. Returns the log.
std::string run_dedicated_on_demo_data(temp_folder& folder, const std::vector<std::string>& extra) {
    if (!tools::write_demo_data(folder.file("demo-data"))) {
        ADD_FAILURE() << "demo data not written";
        return {};
    }
    std::filesystem::create_directory(folder.file("write"));
    // The demo script serves at the default port; a test serves where the system lets it.
    folder.write("write/mp.cfg", "set server-port:0\nset pkg-name:depot\nstart\n");
    std::vector<std::string> words = {"--dedicated=yes", "--base-dir=" + folder.file("demo-data") + "/",
                                      "--write-dir=" + folder.file("write") + "/"};
    words.insert(words.end(), extra.begin(), extra.end());
    child_process kv(KV_BINARY_PATH, words, folder.path().string());
    if (!kv.started()) {
        ADD_FAILURE() << "kv did not start";
        return {};
    }
    constexpr int kWaitMs = 20000;
    // The first world frames load the boot-strap package after the main loop has started; its game
    // object then opens the screen and the view on its first tick.
    EXPECT_TRUE(wait_for_text(folder.file("kv.log"), "View `default' activated.\n", kWaitMs))
        << folder.read("kv.log");
    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    EXPECT_TRUE(status.has_value()) << folder.read("kv.log");
    if (status) {
        EXPECT_EQ(*status, 0) << folder.read("kv.log") << folder.read("stderr");
    }
    return folder.read("kv.log");
}

// The log without the lines of client ports that other programs on this machine hold: the client
// session then binds the next one, as it should.
std::string without_busy_ports(std::string text) {
    const std::string busy = "[NET] Winsock *ERROR* WSAEADDRINUSE\n";
    for (std::size_t at = text.find(busy); at != std::string::npos; at = text.find(busy))
        text.erase(at, busy.size());
    return text;
}

// The program itself, as a user runs it: a dedicated server on the demo data, stopped by SIGTERM.
TEST(KvProgram, RunsTheDedicatedServerOnTheDemoDataUntilSigterm) {
    temp_folder folder;
    const std::string text = run_dedicated_on_demo_data(folder, {});
    const char* const in_order[] = {
        "Quellix 1.0 (build 182)\n",
        "] Initializing...\n",
        "] Starting engine's main loop...\n",
        "] Loading package 'kvmenu-en' ...\n",
        "]   Loading package 'kvbase' ...\n",
        "] References OK.\n",
        "cmd_open_screen:   Screen `kvbase:basic' activated.\n",
        "cmd_open_view:     View `default' activated.\n",
        "*** Run-time stats\n    Running time       : 0 days, 0 hours, 0 minutes, ",
        "] Going down...\n",
        "Shutdown procedure completed.\n",
    };
    std::size_t at = 0;
    for (const char* line : in_order) {
        const std::size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << text;
        at = found;
    }
    EXPECT_TRUE(text.starts_with("Quellix 1.0 (build 182)\n")) << text;
    EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
    EXPECT_EQ(without_busy_ports(text).find("*ERROR*"), std::string::npos) << text;
    EXPECT_EQ(text.find("*FATAL*"), std::string::npos) << text;
    EXPECT_FALSE(folder.read("write/options-c").empty());
}

// "options-c" bytes: big-endian count, then each record's counted name and value.
std::string options_file_bytes(const std::vector<std::pair<std::string, std::string>>& records,
                               std::size_t count) {
    std::string bytes;
    const auto put16 = [&bytes](std::size_t n) {
        bytes.push_back(static_cast<char>(n >> 8));
        bytes.push_back(static_cast<char>(n));
    };
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(count >> shift));
    for (const auto& [name, value] : records) {
        put16(name.size());
        bytes += name;
        put16(value.size());
        bytes += value;
    }
    return bytes;
}

std::string options_file_bytes(const std::vector<std::pair<std::string, std::string>>& records) {
    return options_file_bytes(records, records.size());
}

// A dedicated server binds the renderer's thirteen options, the world server's "log_level", the sound's
// "gvolume", the input layer's "msensitivity" and the client session's five: every other setting of a player's options file comes back at
// the clean exit, after the bound ones, and the command line's "fullscreen" and "minfps" reach the file.
TEST(KvProgram, DedicatedRunSavesEverySettingItRead) {
    using records_t = std::vector<std::pair<std::string, std::string>>;
    // Every option the program binds, in the order a full save writes them.
    const records_t all = {
        {"LOD_on", "true"},          {"bfcull_on", "true"},     {"fullscreen", "false"},
        {"gfx_varrays", "false"},    {"occluders_on", "true"},  {"portals_on", "true"},
        {"show_occluders", "false"}, {"show_portals", "false"}, {"gvolume", "0.75"},
        {"minarea", "0.0005"},       {"msensitivity", "5"},     {"occmark", "0.05"},
        {"gfx_rpath", "2"},          {"lastcmpgntm", "600"},    {"lastnetspeed", "-1"},
        {"lastrndtm", "180"},        {"log_level", "00"},       {"minfps", "15"},
        {"rti_dispmode", "0"},       {"lastprof", "Alice"},     {"lastsname", "Red team's: 10.0.0.1"},
    };
    ASSERT_EQ(all.size(), 21u);
    // What a dedicated server binds, in the order a save writes them (kind letter, then name), with
    // their defaults.
    const records_t bound_defaults = {
        {"LOD_on", "false"},         {"bfcull_on", "true"},     {"fullscreen", "false"},
        {"gfx_varrays", "false"},    {"occluders_on", "true"},  {"portals_on", "true"},
        {"show_occluders", "false"}, {"show_portals", "false"}, {"gvolume", "1"},
        {"minarea", "0.0005"},       {"msensitivity", "5"},     {"occmark", "0.05"},
        {"gfx_rpath", "0"},          {"lastcmpgntm", "0"},      {"lastnetspeed", "0"},
        {"lastrndtm", "5"},          {"log_level", "0"},        {"minfps", "15"},
        {"rti_dispmode", "0"},       {"lastprof", "Player"},    {"lastsname", "KV Server"},
    };
    // The bound records with some values changed, then the kept ones.
    const auto saved = [&bound_defaults](const records_t& values, const records_t& kept) {
        records_t records = bound_defaults;
        for (auto& [name, value] : records) {
            for (const auto& [changed, changed_value] : values)
                if (changed == name) value = changed_value;
        }
        records.insert(records.end(), kept.begin(), kept.end());
        return options_file_bytes(records);
    };
    records_t all_values;
    records_t all_kept;
    for (const auto& record : all) {
        const bool bound = std::any_of(bound_defaults.begin(), bound_defaults.end(),
                                       [&record](const auto& b) { return b.first == record.first; });
        (bound ? all_values : all_kept).push_back(record);
    }
    for (auto& [name, value] : all_values)
        if (name == "log_level") value = "0";
    records_t all_from_command_line = all_values;
    for (auto& [name, value] : all_from_command_line) {
        if (name == "fullscreen") value = "true";
        if (name == "minfps") value = "30";
    }
    const records_t unknown_kinds = {{"log_level", "2"},
                                     {"x_flag", "True"},
                                     {"x_int", "12abc"},
                                     {"x_float", "1e+06"},
                                     {"x_text", "a: b \"c\""}};
    const records_t unknown_kept(unknown_kinds.begin() + 1, unknown_kinds.end());
    const std::string sound_tail = options_file_bytes({{"lastprof", "Bob"}, {"gvolume", "0.5"}}, 3);
    const struct {
        const char* what;
        std::string stored;
        std::vector<std::string> words;
        std::string saved;
        std::vector<std::string> warned;
    } cases[] = {
        {"no settings", options_file_bytes({}), {}, saved({}, {}), {}},
        {"every option",
         options_file_bytes(all),
         {},
         saved(all_values, all_kept),
         {}},
        {"every option and the command line",
         options_file_bytes(all),
         {"--minfps=30", "--fullscreen=yes"},
         saved(all_from_command_line, all_kept),
         {}},
        {"unknown names of each kind",
         options_file_bytes(unknown_kinds),
         {"--minfps=25", "--fullscreen=yes"},
         saved({{"log_level", "2"}, {"fullscreen", "true"}, {"minfps", "25"}}, unknown_kept),
         {"x_flag", "x_int", "x_float", "x_text"}},
        {"damaged tail",
         sound_tail + std::string("\0\x04pa", 4),
         {},
         saved({{"gvolume", "0.5"}, {"lastprof", "Bob"}}, {}),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        temp_folder folder;
        folder.write("write/options-c", c.stored);
        const std::string text = run_dedicated_on_demo_data(folder, c.words);
        EXPECT_EQ(folder.read("write/options-c"), c.saved);
        for (const std::string& name : c.warned) {
            const std::string line = "Warning: Unknown option `" + name + "', ignored.\n";
            const std::size_t at = text.find(line);
            EXPECT_NE(at, std::string::npos) << text;
            EXPECT_EQ(text.find(line, at + 1), std::string::npos) << text;
        }
    }
}

// Without the display drivers a start that needs one fails honestly, as the README says.
// Without a display the OpenGL driver is made but cannot open.
TEST(KvProgram, StartWithoutADisplayFailsAtTheDisplay) {
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    scoped_display_env no_display("");
    child_process kv(
        KV_BINARY_PATH,
        {"--base-dir=" + folder.file("demo-data") + "/", "--write-dir=" + folder.file("write") + "/"},
        folder.path().string());
    ASSERT_TRUE(kv.started());
    const std::optional<int> status = kv.wait(20000);
    ASSERT_TRUE(status.has_value()) << folder.read("kv.log");
    EXPECT_EQ(*status, 1);
    const std::string text = folder.read("kv.log");
    EXPECT_NE(text.find("cmd_select_driver: OpenGL selected.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[OpenGL] *FATAL* couldn't open DLL.\ngfx: Gfx driver initialization failed!\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Starting engine's main loop"), std::string::npos) << text;
    EXPECT_EQ(text.find("display set."), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
}

TEST(KvProgram, RunsTheDemoLevelWhenItIsTheBootPackage) {
    temp_folder folder;
    const std::string text = run_dedicated_on_demo_data(folder, {"--pkg-file=kvmenu-depot"});
    EXPECT_NE(text.find("] Loading package 'kvmenu-depot-en' ...\n"), std::string::npos) << text;
    EXPECT_NE(text.find("cmd_open_screen:   Screen `kvbase:basic' activated.\n"), std::string::npos) << text;
    // The demo data has its hit maps.
    EXPECT_EQ(text.find("hitmap:"), std::string::npos) << text;
    EXPECT_EQ(without_busy_ports(text).find("*ERROR*"), std::string::npos) << text;
    EXPECT_EQ(text.find("*FATAL*"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
}

// The program with its standard error a pipe nobody reads (a write to it would end the process by
// SIGPIPE) and its first words going there. With a FIFO as its boot package it neither hangs nor
// dies: the FIFO is refused and the run ends as a failure. With a FIFO as a text table and as
// "net.cfg" it runs, and SIGTERM ends it cleanly.
TEST(KvProgram, FifosAndAClosedStandardErrorNeitherHangNorKill) {
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    std::filesystem::create_directory(folder.file("write"));
    // The demo script serves at the default port; a test serves where the system lets it.
    folder.write("write/mp.cfg", "set server-port:0\nset pkg-name:depot\nstart\n");
    const std::string data = folder.file("demo-data") + "/";
    ASSERT_EQ(mkfifo((data + "maps/fifo-en").c_str(), 0600), 0);
    const words_t words = {"--colour=red", "--dedicated=yes", "--base-dir=" + data,
                           "--write-dir=" + folder.file("write") + "/"};
    constexpr int kWaitMs = 20000;
    {
        words_t boot = words;
        boot.push_back("--pkg-file=fifo");
        child_process kv(KV_BINARY_PATH, boot, folder.path().string(),
                         child_process::error_stream::broken_pipe);
        ASSERT_TRUE(kv.started());
        const std::optional<int> status = kv.wait(kWaitMs);
        ASSERT_TRUE(status.has_value()) << folder.read("kv.log");
        EXPECT_EQ(*status, 1) << folder.read("kv.log");
        const std::string text = folder.read("kv.log");
        EXPECT_NE(text.find("`" + data + "maps/fifo-en' is not a regular file, not opened.\n"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("*FATAL* error - couldn't open boot-strap package. Quitting ...\n"),
                  std::string::npos);
        EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
    }
    for (const char* name : {"menu-en.txt", "net.cfg"}) {
        std::filesystem::remove(data + name);
        ASSERT_EQ(mkfifo((data + name).c_str(), 0600), 0);
    }
    child_process kv(KV_BINARY_PATH, words, folder.path().string(), child_process::error_stream::broken_pipe);
    ASSERT_TRUE(kv.started());
    EXPECT_TRUE(wait_for_text(folder.file("kv.log"), "View `default' activated.\n", kWaitMs))
        << folder.read("kv.log");
    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value()) << folder.read("kv.log");
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    const std::string text = folder.read("kv.log");
    EXPECT_NE(text.find("`" + data + "menu-en.txt' is not a regular file, not opened.\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("`" + data + "net.cfg' is not a regular file, not opened.\n"), std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST(EngineNetworkStatistics, TheClientCountsItsTickPacketsAndTheIntervalsBytes) {
    gfx& g = kernel_get().graphics;
    net_client& client = net_client_get();
    const gfx_rti_block kept_rti = g.rti;
    const int32_t kept_client_ms = g.realtime.client_ms;
    const int32_t kept_mode = g.options.rti_dispmode;
    const uint32_t kept[4] = {client.packets_in, client.packets_out, client.bytes_in, client.bytes_out};
    g.rti = gfx_rti_block();
    // Totals taken before this count (and about to wrap) are not counted again.
    client.bytes_in = g.rti.counted_bytes_in = 0xFFFFFF00u;
    client.bytes_out = g.rti.counted_bytes_out = 50;
    client.packets_in = 7;
    client.packets_out = 9;
    client.bytes_in += 0x200u;  // wraps past zero
    client.bytes_out += 300;
    engine_count_network(g, client, 16, 3);
    client.bytes_in += 100;
    engine_count_network(g, client, 17, 2);
    EXPECT_EQ(g.rti.net_counter, 2);
    EXPECT_EQ(g.realtime.client_ms, 2);
    EXPECT_EQ(g.rti.interval_ms, 33);
    EXPECT_EQ(g.rti.packets_in, 7);
    EXPECT_EQ(g.rti.packets_out, 9);
    EXPECT_EQ(g.rti.bytes_in, 0x200 + 100);
    EXPECT_EQ(g.rti.bytes_out, 300);
    // The rate line reads them.
    g.rti.interval_ms = kRtiRateIntervalMs + 1;
    g.options.rti_dispmode = 4;
    EXPECT_EQ(gfx_rti_text(g), "02NT(0007IN 0009OUT) BIN 0.60 kB/s BOUT 0.29 kB/s");
    g.rti = kept_rti;
    g.options.rti_dispmode = kept_mode;
    g.realtime.client_ms = kept_client_ms;
    client.packets_in = kept[0];
    client.packets_out = kept[1];
    client.bytes_in = kept[2];
    client.bytes_out = kept[3];
}

}  // namespace
}  // namespace kv
