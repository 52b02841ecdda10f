// The real client program on an Xvfb of the test's own: its OpenGL window stands, closing it keeps
// the program running, SIGTERM ends it cleanly.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
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

TEST(ClientWindow, OpensTheOpenGlWindowAndEndsOnSigterm) {
    x_display display(1024, 768);
    if (!display.ok()) GTEST_SKIP() << "Xvfb cannot start here";
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    scoped_display_env env(display.name());
    // The program of the sanitizer build skips what Mesa, X and SDL keep until exit.
    scoped_env lsan("LSAN_OPTIONS", child_leak_options());
    child_process kv(KV_BINARY_PATH,
                     {"--base-dir=" + folder.file("demo-data") + "/",
                      "--write-dir=" + folder.file("write") + "/", "--resolution=1"},
                     folder.path().string());
    ASSERT_TRUE(kv.started());
    const std::string log_file = folder.file("kv.log");
    ASSERT_TRUE(wait_for_text(log_file, "cmd_open_display:  800x600 display set.\n", kWaitMs))
        << folder.read("kv.log");
    const std::string log = folder.read("kv.log");
    for (const char* line : {"gfx: A mode for required resolution `800x600' found.\n",
                             "[OpenGL] Pixel format ", "Vendor    : ", "Renderer  : ", "Extensions: ",
                             "[OpenGL] Multi-texturing extension found and used, available units: "}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    EXPECT_TRUE(display.has_window_titled("Korvane 1.0"));
    int width = 0;
    int height = 0;
    ASSERT_TRUE(display.window_size("Korvane 1.0", width, height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);

    // Closing the window is a request the game answers: the program runs on.
    ASSERT_TRUE(display.close_window("Korvane 1.0"));
    EXPECT_FALSE(kv.wait(1500).has_value()) << folder.read("kv.log");
    EXPECT_TRUE(display.has_window_titled("Korvane 1.0"));

    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    EXPECT_NE(folder.read("kv.log").find("Shutdown procedure completed.\n"), std::string::npos);
}

}  // namespace
}  // namespace kv
