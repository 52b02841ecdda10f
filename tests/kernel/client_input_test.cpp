// The real client program on an Xvfb of the test's own reads its keyboard through the input layer:
// F8, typed into its window from outside, takes a screenshot.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
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

TEST(ClientInput, TheScreenshotKeyTypedIntoTheWindowWritesAPicture) {
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
    ASSERT_TRUE(wait_for_text(folder.file("kv.log"), "[DirectInput] Initialization complete.\n", kWaitMs))
        << folder.read("kv.log");
    ASSERT_TRUE(wait_for_text(folder.file("kv.log"), "Starting engine's main loop...\n", kWaitMs))
        << folder.read("kv.log");

    // The key goes to the window with the focus, the client's own (it takes the focus itself).
    const std::filesystem::path picture = folder.file("write") + "/snapshots/scr000.tga";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!std::filesystem::exists(picture) && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(std::system("xdotool key --delay 100 F8"), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_TRUE(std::filesystem::exists(picture)) << folder.read("kv.log");

    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
}

}  // namespace
}  // namespace kv
