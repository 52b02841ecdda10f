#pragma once
// The server session's dated log: one file per calendar day, "logs/kvs-<y>-<m>-<d>.log" under the
// session's folder, opened by the session tick, appended to with stamped entries and closed with an
// end banner when the session ends. A day change closes the file without a banner; the next tick
// opens the new day's file with its own start banner.

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/date_time.h"

namespace kv {

struct session_log {
    session_log() = default;
    ~session_log();
    session_log(const session_log&) = delete;
    session_log& operator=(const session_log&) = delete;

    std::FILE* file = nullptr;
    int32_t day = 0;        // of the month the open file belongs to
    std::string directory;  // the session's folder, ending with '/'; "logs/" lies under it
    // Where the date comes from: the system's UTC time unless a test sets another.
    date_time (*now)() = nullptr;
};

// The log step: closes yesterday's file, and opens today's (made with its folder when missing) when
// none is open. A file that cannot be opened is tried again at the next step.
void open_session_log(session_log& log);
// One entry "[<s>s<ms>] <text>" on the run timer; nothing while no file is open.
void session_log_line(session_log& log, const std::string& text);
// The end banner, then the file is closed.
void close_session_log(session_log& log);
// The file name of the day under `directory`.
std::string session_log_name(const std::string& directory, const date_time& date);

}  // namespace kv
