// SIGINT and SIGTERM end the real program in every state a test can reach: a dedicated server during
// its start-up, while it loads its level and while it plays with a bot; a client at the main menu,
// while it loads the level of the server it joined and while it plays there. Every run ends with
// "Shutdown procedure completed." as the last line of its log and the status 0. The bots end before
// the program goes down and the bot modules are unloaded, in their load order, after the log has closed
// (when the world server goes, after the server session and before the kernel).

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/program_logs.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 60000;

const char* signal_name(int number) {
    return number == SIGINT ? "SIGINT" : "SIGTERM";
}

enum class role { dedicated, client };

struct state_case {
    const char* state;
    role who;
    bool join;                       // the client joins the test's server with `-join`
    bool bot;                        // the dedicated server hosts one bot of the test modules
    std::vector<const char*> waits;  // log texts, in order, after which the signal is sent
};

class ExitSignals : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tools::write_demo_data(data.file("data")));
        base_dir = "--base-dir=" + data.file("data") + "/";
    }

    // Starts the program for the case in a folder of its own.
    std::unique_ptr<child_process> start(const state_case& c, const temp_folder& folder, int host_port) {
        std::filesystem::create_directories(folder.file("write"));
        std::vector<std::string> words{base_dir, "--write-dir=" + folder.file("write") + "/"};
        if (c.who == role::dedicated) {
            words.insert(words.begin(), "--dedicated=yes");
            folder.write("write/mp.cfg", std::string("set server-port:0\n") +
                                             (c.bot ? "set bots-setup:1000 0000 0000\n" : "") +
                                             "set pkg-name:" + tools::kDemoMap + "\nstart\n");
            if (c.bot) {
                std::filesystem::create_directories(folder.file("bot"));
                for (const char* name : {"alpha", "beta"})
                    std::filesystem::copy_file(std::string(KV_TEST_BOT_DIR) + "/" + name + ".kvb",
                                               folder.file(std::string("bot/") + name + ".kvb"));
                std::filesystem::copy_file(std::string(KV_SAMPLE_BOT_DIR) + "/default.cfg",
                                           folder.file("bot/default.cfg"));
            }
        } else {
            words.push_back("--resolution=1");
            if (c.join) {
                words.push_back("-join");
                words.push_back("127.0.0.1:" + std::to_string(host_port));
                words.push_back("-name");
                words.push_back("Ann");
            }
        }
        return std::make_unique<child_process>(KV_BINARY_PATH, words, folder.path().string());
    }

    temp_folder data;
    std::string base_dir;
};

TEST_F(ExitSignals, EveryReachableStateEndsCleanlyWithStatusZero) {
    x_display display(1024, 768);
    if (!display.ok()) GTEST_SKIP() << "Xvfb cannot start here";
    scoped_display_env env(display.name());
    // No sound card is needed: OpenAL Soft plays into nothing.
    scoped_env no_card("ALSOFT_DRIVERS", "null");
    scoped_env lsan("LSAN_OPTIONS", child_leak_options());

    // The server the clients join; it plays on until the end of the test.
    temp_folder host_folder;
    const state_case host_case{"host", role::dedicated, false, false, {}};
    std::unique_ptr<child_process> host = start(host_case, host_folder, 0);
    ASSERT_TRUE(host->started());
    ASSERT_TRUE(wait_for_text(host_folder.file("kv.log"), "] Loading package 'depot' ...\n", kWaitMs))
        << host_folder.read("kv.log");
    const int host_port = game_server_port(host_folder.read("kv.log"));
    ASSERT_NE(host_port, 0) << host_folder.read("kv.log");

    const state_case cases[] = {
        {"dedicated server starting", role::dedicated, false, false, {"] Starting engine's main loop...\n"}},
        {"dedicated server loading its level",
         role::dedicated,
         false,
         false,
         {"[game] Local KV server service started\n", "] Loading package 'depot' ...\n"}},
        {"dedicated server playing with a bot",
         role::dedicated,
         false,
         true,
         {"] Loading package 'depot' ...\n", "View `default' activated.\n"}},
        {"client at the main menu", role::client, false, false, {"View `default' activated.\n"}},
        {"client loading the joined level", role::client, true, false, {"] Loading package 'depot' ...\n"}},
        {"client playing the joined level",
         role::client,
         true,
         false,
         {"] Loading package 'depot' ...\n", "View `default' activated.\n"}},
    };
    for (const state_case& c : cases) {
        for (const int number : {SIGINT, SIGTERM}) {
            SCOPED_TRACE(std::string(c.state) + ", " + signal_name(number));
            temp_folder folder;
            const std::string modules_log = folder.file("modules.log");
            scoped_env module_calls("KVBOT_TEST_LOG", modules_log);
            std::unique_ptr<child_process> kv = start(c, folder, host_port);
            ASSERT_TRUE(kv->started());
            // Each text is waited for after the one before it.
            std::size_t at = 0;
            for (const char* text : c.waits) {
                bool seen = false;
                for (int waited = 0; !seen && waited < kWaitMs; waited += 50) {
                    const std::size_t found = folder.read("kv.log").find(text, at);
                    if (found != std::string::npos) {
                        at = found + 1;
                        seen = true;
                    } else {
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    }
                }
                ASSERT_TRUE(seen) << text << "\n" << folder.read("kv.log");
            }
            if (c.bot) {
                ASSERT_TRUE(wait_for_text(modules_log, " attach ", kWaitMs))
                    << folder.read("kv.log") << folder.read("modules.log");
            }
            kv->signal(number);
            const std::optional<int> status = kv->wait(kWaitMs);
            ASSERT_TRUE(status.has_value()) << folder.read("kv.log");
            EXPECT_EQ(*status, 0) << folder.read("kv.log") << folder.read("stderr");
            const std::string text = folder.read("kv.log");
            EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
            EXPECT_EQ(text.find("*FATAL*"), std::string::npos) << text;
            if (c.who == role::dedicated && c.state != cases[0].state) {
                // The world server's shutdown ended the bots before the program went down.
                const std::size_t ended = text.find("[botc] ending BotCentral\n");
                EXPECT_NE(ended, std::string::npos) << text;
                EXPECT_LT(ended, text.find("] Going down...\n")) << text;
            }
            if (c.bot) {
                // The bot ended first; then the modules went in their load order, each deinitialised.
                const std::string calls = folder.read("modules.log");
                const std::size_t destroyed = calls.find(" destroy ");
                const std::size_t first = calls.find("deinitialize\n");
                ASSERT_NE(destroyed, std::string::npos) << calls;
                ASSERT_NE(first, std::string::npos) << calls;
                EXPECT_LT(destroyed, first) << calls;
                EXPECT_NE(calls.find("alpha deinitialize\nbeta deinitialize\n"), std::string::npos) << calls;
            }
        }
    }
    host->signal(SIGTERM);
    const std::optional<int> host_status = host->wait(kWaitMs);
    ASSERT_TRUE(host_status.has_value());
    EXPECT_EQ(*host_status, 0) << host_folder.read("kv.log");
    EXPECT_TRUE(host_folder.read("kv.log").ends_with("Shutdown procedure completed.\n"))
        << host_folder.read("kv.log");
}

}  // namespace
}  // namespace kv
