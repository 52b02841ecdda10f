// The real program as a dedicated server: hosted from the settings script in its write folder,
// played by a scripted client on loopback, stopped by SIGTERM.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "net/snapshot_package.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_client.h"
#include "tests/support/temp_folder.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 20000;

std::string session_log_text(const temp_folder& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.file("write/logs"), error)) {
        if (entry.path().filename().string().starts_with("kvs-"))
            return folder.read("write/logs/" + entry.path().filename().string());
    }
    return {};
}

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
    ASSERT_TRUE(wait_for_text(log_file, "[NET] Communication port is ", kWaitMs)) << folder.read("kv.log");
    ASSERT_TRUE(wait_for_text(log_file, "\n", kWaitMs));
    std::string text = folder.read("kv.log");
    const std::size_t at =
        text.find("[NET] Communication port is ") + std::string("[NET] Communication port is ").size();
    const int port = std::stoi(text.substr(at));
    ASSERT_GT(port, 0);

    int log_level = 0;
    scripted_client ann(log_level, static_cast<uint16_t>(port));
    ann.command(1, "login 0 0 1000 \"Ann\"");
    std::vector<std::string> replies;
    std::optional<snapshot_package> snapshot;
    for (int i = 0; i < 500 && (replies.empty() || !snapshot); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ann.poll();
        for (const std::string& reply : ann.replies()) replies.push_back(reply);
        for (packet& p : ann.take_type(kPacketGameSnapshot)) {
            snapshot_package received;
            if (snapshot_package_read(received, p)) snapshot = received;
        }
    }
    ASSERT_EQ(replies.size(), 1u) << folder.read("kv.log");
    ASSERT_TRUE(replies[0].starts_with("OK "));
    EXPECT_GE(std::stoi(replies[0].substr(3)), 100);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(snapshot->name, "depot");

    const std::string session = session_log_text(folder);
    EXPECT_NE(session.find("*** KVS Session Log (started on "), std::string::npos) << session;
    EXPECT_NE(session.find(" Ann CONN\n"), std::string::npos) << session;

    kv.signal(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("kv.log");
    EXPECT_NE(session_log_text(folder).find("*** KVS Session (ended on "), std::string::npos);
}

}  // namespace
}  // namespace kv
