#pragma once
// A fresh kernel with the tests' call log emptied and the log written to a temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "tests/support/call_log.h"

namespace kv {

class KernelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("kv_kernel_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ASSERT_TRUE(log_open((dir_ / "kv.log").string()));
        test_state_reset();
        k_ = std::make_unique<kernel>();
        server& world = server_get();
        world.dedicated = 0;
        world.texture_dir.clear();
        world.log_level = 0;
        reset_client(world.client);
        console_view_relayout(k_->console);
    }

    // The world's client session idle and not connected, binding any free port when asked to.
    static void reset_client(net_client& client) {
        client.client_port = 0;
        client_reset_state(client);
        client.command_queue.clear();
        client.status_text.clear();
        client.request_result = 0;
        client.connected = false;
    }

    void TearDown() override {
        log_close();
        test_state_reset();
        server& world = server_get();
        world.dedicated = 0;
        world.texture_dir.clear();
        world.log_level = 0;
        world.packages.clear();
        reset_client(world.client);
        std::filesystem::remove_all(dir_);
    }

    // The log written since the last look.
    std::string take_log() {
        std::ifstream in(dir_ / "kv.log", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string all = text.str();
        std::string fresh = all.substr(std::min(log_seen_, all.size()));
        log_seen_ = all.size();
        return fresh;
    }

    // The calls recorded since the last look, forgotten afterwards.
    std::vector<std::string> take_calls() {
        std::vector<std::string> calls;
        calls.swap(test_call_log().calls);
        return calls;
    }

    std::filesystem::path dir_;
    std::unique_ptr<kernel> k_;
    std::size_t log_seen_ = 0;
};

using calls_t = std::vector<std::string>;

}  // namespace kv
