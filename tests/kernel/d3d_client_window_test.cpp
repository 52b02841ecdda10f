// The real client program with the Direct3D driver on an Xvfb of the test's own: its window stands,
// closing it keeps the program running, SIGTERM ends it cleanly.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 30000;

TEST(D3dClientWindow, OpensTheDirect3dWindowAndEndsOnSigterm) {
    x_display display(1024, 768);
    if (!display.ok()) GTEST_SKIP() << "Xvfb cannot start here";
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    scoped_display_env env(display.name());
    scoped_env lsan("LSAN_OPTIONS", child_leak_options());
    child_process kv(KV_BINARY_PATH,
                     {"--gfx-driver=d3d", "--resolution=1", "--base-dir=" + folder.file("demo-data") + "/",
                      "--write-dir=" + folder.file("write") + "/"},
                     folder.path().string());
    ASSERT_TRUE(kv.started());
    const std::string log_file = folder.file("kv.log");
    ASSERT_TRUE(wait_for_text(log_file, "cmd_open_display:  800x600 display set.\n", kWaitMs))
        << folder.read("kv.log");
    const std::string log = folder.read("kv.log");
    std::size_t at = 0;
    for (const char* line :
         {"cmd_select_driver: Direct3D selected.\n", "[D3D] Quellix Direct3D driver\n", "[D3D] Description ",
          "[D3D] Revision    ", "[D3D] Device type HAL\n", "[D3D] MaxTextureHeight        ",
          "[D3D] Created Index Buffer.\n", "gfx: A mode for required resolution `800x600' found.\n"}) {
        const std::size_t found = log.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        if (found != std::string::npos) at = found;
    }
    int width = 0;
    int height = 0;
    ASSERT_TRUE(display.window_size("D3D Korvane 1.0", width, height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);

    ASSERT_TRUE(display.close_window("D3D Korvane 1.0"));
    EXPECT_FALSE(kv.wait(1500).has_value()) << folder.read("kv.log");
    EXPECT_TRUE(display.has_window_titled("D3D Korvane 1.0"));

    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    const std::string end = folder.read("kv.log");
    const std::size_t deinit = end.find("[D3D] d3d_deinit()\n");
    EXPECT_NE(deinit, std::string::npos) << end;
    EXPECT_NE(end.find("Shutdown procedure completed.\n", deinit == std::string::npos ? 0 : deinit),
              std::string::npos)
        << end;
}

}  // namespace
}  // namespace kv
