#include "platform/date_time.h"

#include <limits>

namespace kv {

date_time::date_time() : date_time(std::time(nullptr)) {}

date_time::date_time(std::time_t seconds) {
    std::tm parts{};
    if (!gmtime_r(&seconds, &parts)) return;
    if (parts.tm_year > std::numeric_limits<int32_t>::max() - 1900) return;
    day = parts.tm_mday;
    month = parts.tm_mon + 1;
    year = parts.tm_year + 1900;
    hour = parts.tm_hour;
    minute = parts.tm_min;
    second = parts.tm_sec;
}

}  // namespace kv
