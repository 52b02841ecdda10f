// The real program as a dedicated server: hosted from the settings script in its write folder,
// played by a scripted client on loopback, stopped by SIGTERM.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/snapshot_package.h"
#include "tests/support/child_process.h"
#include "tests/support/program_logs.h"
#include "tests/support/scripted_client.h"
#include "tests/support/temp_folder.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 20000;

// Polls until `done` holds or the wait runs out, keeping every reply and the last game snapshot.
struct scripted_exchange {
    scripted_client& client;
    std::vector<std::string> replies;
    std::optional<snapshot_package> snapshot;

    template <typename Done>
    bool poll_until(Done done) {
        for (int i = 0; i < kWaitMs / 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            client.poll();
            for (const std::string& reply : client.replies()) replies.push_back(reply);
            for (packet& p : client.take_type(kPacketGameSnapshot)) {
                snapshot_package received;
                if (snapshot_package_read(received, p)) snapshot = received;
            }
            if (done()) return true;
        }
        return false;
    }
};

// The dedicated program logs its own client in as the host "!q!", whose world then loads the session's
// map; the round machine leaves the map change, and a player that joins team 0 brings state 1.
TEST(DedicatedProgram, HostsTheScriptsMapForAClientUntilSigterm) {
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    folder.write("write/mp.cfg",
                 "set server-name:\"Test Yard\"\nset server-port:0\nset pkg-name:depot\nstart\n");
    child_process kv(KV_BINARY_PATH,
                     {"--dedicated=yes", "--base-dir=" + folder.file("demo-data") + "/",
                      "--write-dir=" + folder.file("write") + "/"},
                     folder.path().string());
    ASSERT_TRUE(kv.started());
    const std::string log_file = folder.file("kv.log");
    ASSERT_TRUE(wait_for_text(log_file, "[game] Local KV server service started\n", kWaitMs))
        << folder.read("kv.log");
    ASSERT_TRUE(wait_for_text(log_file, "] Loading package 'depot' ...\n", kWaitMs)) << folder.read("kv.log");
    const std::vector<int> ports = logged_ports(folder.read("kv.log"));
    ASSERT_EQ(ports.size(), 2u) << folder.read("kv.log");
    const std::string host_in = session_log_in(folder.file("write"));
    EXPECT_NE(host_in.find("] PLR 100 !q! CONN\n"), std::string::npos) << host_in;

    // The game server is the port that answers a login (it starts after the client session, so it is
    // asked first); the client session drops strangers unseen.
    int log_level = 0;
    std::unique_ptr<scripted_client> ann;
    std::vector<std::string> replies;
    std::optional<snapshot_package> snapshot;
    for (auto it = ports.rbegin(); it != ports.rend(); ++it) {
        const int port = *it;
        auto candidate = std::make_unique<scripted_client>(log_level, static_cast<uint16_t>(port));
        candidate->command(1, "login 0 0 1000 \"Ann\"");
        scripted_exchange exchange{*candidate, {}, {}};
        const bool answered =
            exchange.poll_until([&] { return !exchange.replies.empty() && exchange.snapshot; });
        if (!answered) continue;
        replies = exchange.replies;
        snapshot = exchange.snapshot;
        ann = std::move(candidate);
        break;
    }
    ASSERT_TRUE(ann) << folder.read("kv.log");
    ASSERT_EQ(replies.size(), 1u) << folder.read("kv.log");
    ASSERT_TRUE(replies[0].starts_with("OK "));
    const int ann_id = std::stoi(replies[0].substr(3));
    EXPECT_GE(ann_id, 101);
    EXPECT_EQ(snapshot->name, "depot");

    // The round machine leaves the map change once the host's world has the level.
    scripted_exchange exchange{*ann, {}, snapshot};
    ASSERT_TRUE(exchange.poll_until([&] { return exchange.snapshot->state != kGameMapChange; }))
        << folder.read("kv.log");

    ann->command(2, "join " + std::to_string(ann_id) + " 0 0 0 0");
    ASSERT_TRUE(exchange.poll_until([&] { return !exchange.replies.empty(); })) << folder.read("kv.log");
    EXPECT_TRUE(exchange.replies[0].starts_with("OK ")) << exchange.replies[0];
    EXPECT_TRUE(exchange.poll_until([&] { return exchange.snapshot->state == kGameOneTeam; }))
        << exchange.snapshot->state;

    const std::string session = session_log_in(folder.file("write"));
    EXPECT_NE(session.find("*** KVS Session Log (started on "), std::string::npos) << session;
    EXPECT_NE(session.find(" Ann CONN\n"), std::string::npos) << session;

    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    EXPECT_NE(session_log_in(folder.file("write")).find("*** KVS Session (ended on "), std::string::npos);
}

// Bots asked for by the settings script log in once the world has the script's map: the dedicated
// start-up enabled the bot host, its menu step (still current in the level) sends the bot line, and the
// sample module in the folder's "./bot" drives them.
TEST(DedicatedProgram, TheScriptsBotsLogInAndTheSampleModuleDrivesThem) {
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    folder.write("write/mp.cfg", "set server-port:0\nset bots-setup:1000 0100 0000\nset pkg-name:depot\nstart\n");
    std::filesystem::create_directories(folder.file("bot"));
    for (const char* name : {"kvbot.kvb", "default.cfg"})
        std::filesystem::copy_file(std::string(KV_SAMPLE_BOT_DIR) + "/" + name, folder.file(std::string("bot/") + name));
    child_process kv(KV_BINARY_PATH,
                     {"--dedicated=yes", "--base-dir=" + folder.file("demo-data") + "/",
                      "--write-dir=" + folder.file("write") + "/"},
                     folder.path().string());
    ASSERT_TRUE(kv.started());
    const std::string log_file = folder.file("kv.log");
    ASSERT_TRUE(wait_for_text(log_file, "] Loading package 'depot' ...\n", kWaitMs)) << folder.read("kv.log");
    // Two bots: one of team 0, one of team 1, each driven by a bot of the module.
    const auto attached = [&folder] {
        const std::string text = folder.read("kv.log");
        int n = 0;
        for (std::size_t at = text.find("kvbot: bot "); at != std::string::npos; at = text.find("kvbot: bot ", at + 1))
            n += text.compare(text.find(' ', at + 11), 20, " attached to player ") == 0 ? 1 : 0;
        return n;
    };
    for (int waited = 0; attached() < 2 && waited < kWaitMs; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(attached(), 2) << folder.read("kv.log");
    const std::string session = session_log_in(folder.file("write"));
    EXPECT_NE(session.find(" CONN\n"), std::string::npos) << session;
    EXPECT_NE(session.find(" JOINED 1\n"), std::string::npos) << session;
    EXPECT_NE(session.find(" JOINED 2\n"), std::string::npos) << session;
    // The host "!q!", the one player who is not a bot, never joins a team.
    std::istringstream lines(session);
    for (std::string line; std::getline(lines, line);)
        EXPECT_FALSE(line.find("] PLR ") != std::string::npos && line.find(" JOINED") != std::string::npos) << line;

    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    const std::string text = folder.read("kv.log");
    EXPECT_NE(text.find("[botc] ending BotCentral\n"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("Shutdown procedure completed.\n")) << text;
}

}  // namespace
}  // namespace kv
