#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <limits>

namespace kv {
namespace {

TEST(DateTime, SplitsSecondsSinceTheEpochInUtc) {
    const struct {
        std::time_t seconds;
        int32_t day, month, year, hour, minute, second;
    } cases[] = {
        {0, 1, 1, 1970, 0, 0, 0},
        {951868799, 29, 2, 2000, 23, 59, 59},  // leap day of a century leap year
        {951868800, 1, 3, 2000, 0, 0, 0},
        {1704067199, 31, 12, 2023, 23, 59, 59},
        {2147483648LL, 19, 1, 2038, 3, 14, 8},  // past 32-bit seconds
        {-1, 31, 12, 1969, 23, 59, 59},
    };
    for (const auto& c : cases) {
        const date_time t(c.seconds);
        EXPECT_EQ(t.day, c.day) << c.seconds;
        EXPECT_EQ(t.month, c.month) << c.seconds;
        EXPECT_EQ(t.year, c.year) << c.seconds;
        EXPECT_EQ(t.hour, c.hour) << c.seconds;
        EXPECT_EQ(t.minute, c.minute) << c.seconds;
        EXPECT_EQ(t.second, c.second) << c.seconds;
    }
}

TEST(DateTime, YearsBeyond32BitsLeaveZeros) {
    constexpr std::time_t kSecondsPerYear = 31556952;  // the Gregorian average
    // Years after 1970 at which the calendar still counts but the year no longer fits 32 bits.
    constexpr std::time_t kYears = std::numeric_limits<int32_t>::max() - 120;
    for (std::time_t seconds : {kYears * kSecondsPerYear, std::numeric_limits<std::time_t>::max()}) {
        const date_time t(seconds);
        EXPECT_EQ(t.day, 0) << seconds;
        EXPECT_EQ(t.month, 0) << seconds;
        EXPECT_EQ(t.year, 0) << seconds;
    }
}

TEST(DateTime, NowIsTheSystemTime) {
    const std::time_t before = std::time(nullptr);
    const date_time now;
    const std::time_t after = std::time(nullptr);
    // Whichever side of a second boundary the snapshot fell on, it matches one of them.
    bool matches = false;
    for (std::time_t s = before; s <= after; ++s) {
        const date_time expected(s);
        matches = matches || (now.day == expected.day && now.month == expected.month &&
                              now.year == expected.year && now.hour == expected.hour &&
                              now.minute == expected.minute && now.second == expected.second);
    }
    EXPECT_TRUE(matches);
}

}  // namespace
}  // namespace kv
