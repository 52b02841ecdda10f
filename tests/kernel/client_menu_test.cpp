// The real client program on the demo data, on an Xvfb of the test's own: it shows the main menu, the
// console key of the demo's "controls.cfg" opens the console, and "quit" typed into it ends the program.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 30000;

bool logged(const temp_folder& folder, const std::string& text) {
    return folder.read("kv.log").find(text) != std::string::npos;
}

// Runs the command every half second until the log holds the text.
bool repeat_until_logged(const temp_folder& folder, const std::string& command, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!logged(folder, text) && std::chrono::steady_clock::now() < deadline) {
        if (std::system(command.c_str()) != 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return logged(folder, text);
}

TEST(ClientMenu, ShowsTheMenuOpensTheConsoleAndQuitsFromIt) {
    x_display display(1024, 768);
    if (!display.ok()) GTEST_SKIP() << "Xvfb cannot start here";
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    std::filesystem::create_directories(folder.file("write"));
    scoped_display_env env(display.name());
    scoped_env lsan("LSAN_OPTIONS", child_leak_options());
    child_process kv(KV_BINARY_PATH,
                     {"--base-dir=" + folder.file("demo-data") + "/",
                      "--write-dir=" + folder.file("write") + "/", "--resolution=1"},
                     folder.path().string());
    ASSERT_TRUE(kv.started());
    ASSERT_TRUE(wait_for_text(folder.file("kv.log"), "Starting engine's main loop...\n", kWaitMs))
        << folder.read("kv.log");

    // The menu covers the 800 x 600 window: no longer the black of an empty frame.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    double black = 1.0;
    while (std::chrono::steady_clock::now() < deadline) {
        black = display.share_of_colour({0, 0, 0}, 2, 0, 800);
        if (black < 0.3) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_LT(black, 0.3) << folder.read("kv.log");
    EXPECT_LT(display.share_of_colour({255, 255, 255}, 2, 0, 800), 0.5);

    // The grave key opens the console; the typed line is echoed and run.
    ASSERT_TRUE(repeat_until_logged(folder, "xdotool key --delay 150 grave q u i t Return",
                                    "[con] processing console command"))
        << folder.read("kv.log");
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value()) << folder.read("kv.log");
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    const std::string log = folder.read("kv.log");
    EXPECT_NE(log.find("[con] processing console command 'quit'\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Shutdown procedure completed.\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace kv
