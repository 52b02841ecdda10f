// The program with the sample module in its run folder's "bot/": a dedicated server finds, lists and
// ends the bot host.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

TEST(BotProgram, DedicatedServerFindsTheSampleModuleInItsRunFolder) {
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("data")));
    std::filesystem::copy(KV_SAMPLE_BOT_DIR, folder.file("bot"));
    std::filesystem::create_directory(folder.file("write"));
    folder.write("write/mp.cfg", "set server-port:0\nset pkg-name:depot\nstart\n");
    child_process kv(KV_BINARY_PATH,
                     {"--dedicated=yes", "--base-dir=" + folder.file("data") + "/",
                      "--write-dir=" + folder.file("write") + "/"},
                     folder.path().string());
    ASSERT_TRUE(kv.started());
    constexpr int kWaitMs = 20000;
    EXPECT_TRUE(wait_for_text(folder.file("kv.log"), "View `default' activated.\n", kWaitMs))
        << folder.read("kv.log");
    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0);
    const std::string log = folder.read("kv.log");
    EXPECT_NE(log.find("[botc] 1 modules found\n[botc] 01. kvbot(v01.00) [./bot/kvbot.kvb], walks and turns, "
                       "free to use, kv developers, none\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[botc] 1 configs found\n"), std::string::npos);
    EXPECT_NE(log.find("[botc] ending BotCentral\n"), std::string::npos);
}

}  // namespace
}  // namespace kv
