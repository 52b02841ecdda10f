#include "kernel/timer.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace kv {
namespace {

TEST(Timer, ReadsElapsedMillisecondsAndSeconds) {
    fake_clock clock;
    scoped_clock use(clock);
    timer t;
    EXPECT_EQ(timer_elapsed_ms(t), 0);
    clock.advance_us(1999400);
    EXPECT_EQ(timer_elapsed_ms(t), 1999);
    EXPECT_EQ(timer_elapsed_seconds(t), 1);
    const int32_t first = timer_elapsed_ms(t);
    EXPECT_LE(first, timer_elapsed_ms(t));
    timer_restart(t);
    EXPECT_EQ(timer_elapsed_ms(t), 0);
}

TEST(Timer, LongRunningTimeDoesNotWrap) {
    fake_clock clock;
    scoped_clock use(clock);
    timer t;
    // Fifty days: beyond both 2^31 and 2^32 milliseconds.
    constexpr int64_t kFiftyDaysMs = 50LL * 86400 * 1000;
    clock.advance_ms(kFiftyDaysMs);
    clock.advance_us(999);
    EXPECT_EQ(timer_elapsed_ms64(t), kFiftyDaysMs);
    clock.advance_us(1);
    EXPECT_EQ(timer_elapsed_ms64(t), kFiftyDaysMs + 1);
}

TEST(Timer, NegativeSecondsTruncateTowardZero) {
    fake_clock clock;
    scoped_clock use(clock);
    clock.advance_ms(5000);
    timer t;
    clock.advance_ms(-1500);
    EXPECT_EQ(timer_elapsed_ms(t), -1500);
    EXPECT_EQ(timer_elapsed_seconds(t), -1);
}

TEST(Timer, FreezeKeepsElapsedTimeWhilePaused) {
    for (bool has_counter : {true, false}) {
        fake_clock clock(has_counter);
        scoped_clock use(clock);
        timer t;
        clock.advance_ms(750);
        timer_freeze(t);
        clock.advance_ms(10000);
        timer_unfreeze(t);
        EXPECT_EQ(timer_elapsed_ms(t), 750) << "counter: " << has_counter;
        clock.advance_ms(250);
        EXPECT_EQ(timer_elapsed_ms(t), 1000) << "counter: " << has_counter;
    }
}

TEST(Timer, SectionsAccumulateWithCounterOnly) {
    fake_clock clock;
    scoped_clock use(clock);
    timer t;
    timer_section_begin(t);
    clock.advance_ms(30);
    timer_section_end(t);
    clock.advance_ms(100);  // outside any section
    timer_section_begin(t);
    clock.advance_ms(12);
    timer_section_end(t);
    EXPECT_EQ(timer_section_total_ms(t), 42);
    timer_restart(t);
    EXPECT_EQ(timer_section_total_ms(t), 0);
}

TEST(Timer, MultimediaModeHasNoSectionsAndRestartKeepsThem) {
    fake_clock clock(false);
    scoped_clock use(clock);
    timer t;
    EXPECT_TRUE(timer_multimedia_mode());
    timer_section_begin(t);
    clock.advance_ms(30);
    timer_section_end(t);
    EXPECT_EQ(timer_section_total_ms(t), 0);
    EXPECT_EQ(timer_elapsed_ms(t), 30);
}

TEST(Timer, MultimediaClockWrapIsMeasured) {
    fake_clock clock(false);
    scoped_clock use(clock);
    clock.set_ms_clock(0xFFFFFF00u);
    timer t;
    clock.advance_ms(0x200);
    EXPECT_EQ(timer_elapsed_ms(t), 0x200);
}

TEST(Timer, PeriodRequestsBalance) {
    fake_clock clock(false);
    scoped_clock use(clock);
    {
        timer a;
        timer b(a);
        timer c;
        c = a;
    }
    EXPECT_EQ(clock.periods_begun, 3);
    EXPECT_EQ(clock.periods_ended, 3);
}

TEST(Timer, SleepAdvancesTheInstalledClock) {
    fake_clock clock;
    scoped_clock use(clock);
    timer t;
    sys_sleep(28);
    sys_sleep(-5);
    EXPECT_EQ(clock.slept_ms, 28);
    EXPECT_EQ(timer_elapsed_ms(t), 28);
}

TEST(Timer, MachineClockNeverGoesBack) {
    timer t;
    int32_t last = timer_elapsed_ms(t);
    for (int i = 0; i < 1000; ++i) {
        const int32_t now = timer_elapsed_ms(t);
        ASSERT_GE(now, last);
        last = now;
    }
    sys_sleep(2);
    EXPECT_GE(timer_elapsed_ms(t), 2);
}

}  // namespace
}  // namespace kv
