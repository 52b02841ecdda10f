#pragma once
// Shared set-up of the data-layer tests: a temporary folder holding a data directory and the log,
// a stopped clock (stamps read "[0s0] "), a fresh world server and an empty reference list.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/reference_list.h"
#include "game/server.h"
#include "kernel/log.h"
#include "platform/clock.h"
#include "tests/support/temp_folder.h"

namespace kv {

inline std::string as_text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class data_test : public ::testing::Test {
protected:
    data_test() : use_clock_(clock_) {}

    void SetUp() override {
        ASSERT_TRUE(log_open(folder_.file("kv.log")));
        timer_restart(run_timer());
        ref_list().items.clear();
        ref_list().filling = nullptr;
        srv_.data_dir = folder_.file("data") + "/";
        srv_.write_dir = folder_.file("write") + "/";
    }

    void TearDown() override {
        ref_list().items.clear();
        log_close();
    }

    // What the log holds so far; `clear_log` starts it anew.
    std::string log() const { return folder_.read("kv.log"); }
    void clear_log() { ASSERT_TRUE(log_open(folder_.file("kv.log"))); }

    // Writes a file under the data directory and returns its full path.
    std::string write_data(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return folder_.write("data/" + name, as_text(bytes));
    }

    temp_folder folder_;
    fake_clock clock_;
    scoped_clock use_clock_;
    server srv_;
};

}  // namespace kv
