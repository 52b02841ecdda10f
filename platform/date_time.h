#pragma once
// A snapshot of the calendar date and time of day, in UTC.

#include <cstdint>
#include <ctime>

namespace kv {

struct date_time {
    // The system's current time.
    date_time();
    // `seconds` since 1970-01-01 00:00:00 UTC. A time the calendar cannot hold leaves every field 0.
    explicit date_time(std::time_t seconds);

    int32_t day = 0;    // of the month, 1-31
    int32_t month = 0;  // 1-12
    int32_t year = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
};

}  // namespace kv
