#include "platform/signals.h"

#include <gtest/gtest.h>

#include <csignal>

namespace kv {
namespace {

class Signals : public ::testing::Test {
protected:
    void SetUp() override {
        sigaction(SIGINT, nullptr, &old_int_);
        sigaction(SIGTERM, nullptr, &old_term_);
        sys_clear_stop_request();
    }
    void TearDown() override {
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
        sys_clear_stop_request();
    }
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

TEST_F(Signals, InterruptAndTerminateRequestAStop) {
    sys_install_stop_handlers();
    for (int number : {SIGINT, SIGTERM}) {
        EXPECT_FALSE(sys_stop_requested());
        ASSERT_EQ(std::raise(number), 0);
        EXPECT_TRUE(sys_stop_requested()) << number;
        // The request stays until it is taken.
        EXPECT_TRUE(sys_stop_requested());
        sys_clear_stop_request();
    }
}

TEST_F(Signals, RequestWithoutASignal) {
    sys_request_stop();
    EXPECT_TRUE(sys_stop_requested());
    sys_clear_stop_request();
    EXPECT_FALSE(sys_stop_requested());
}

}  // namespace
}  // namespace kv
