#pragma once
// The process-wide log stream "kv.log": every subsystem writes here, flushed after each message.
// Stamped lines begin with the run timer's "[<seconds>s<milliseconds>] ".

#include <cstdarg>
#include <string>

#include "kernel/timer.h"

namespace kv {

inline constexpr const char* kLogFileName = "kv.log";

// The run timer: constructed when the program loads, restarted once the options are read.
timer& run_timer();

// Opens (truncates) the log file; false when it cannot be created, with `error` as `sys_file_open`
// gives it (a path that leads to anything but a regular file is refused). When a write to the log
// fails (a full disk), standard error is told once.
bool log_open(const std::string& path, int* error = nullptr);
void log_close();
bool log_is_open();

// Formatted write followed by a flush. Without an open log the text goes nowhere.
void log_write(const char* format, ...) __attribute__((format(printf, 1, 2)));
void log_vwrite(const char* format, va_list args);
// The same, preceded by the time stamp.
void log_stamped(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The stamp as it stands now, for example "[12s34] ".
std::string log_stamp();

// A text from the network or a data file as a log line quotes it: its control bytes become '?', so
// that no such text breaks a line or forges one.
std::string log_printable(std::string text);

}  // namespace kv
