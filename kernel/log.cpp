#include "kernel/log.h"

#include <cstdio>

#include "platform/file_io.h"

namespace kv {
namespace {

// Built when the program loads, so it is destroyed after the singletons that log on exit.
timer g_run_timer;
std::FILE* g_log = nullptr;
std::string g_log_path;
// Set once a write to the log failed and standard error has been told.
bool g_write_failed = false;

// A log that cannot be written (a full disk) is said once, on standard error.
void check_written(bool written) {
    if (written || g_write_failed) return;
    g_write_failed = true;
    std::fprintf(stderr, "kv: couldn't write to %s: %s; later log lines may be lost.\n", g_log_path.c_str(),
                 sys_error_text(sys_last_error()).c_str());
}

}  // namespace

timer& run_timer() {
    return g_run_timer;
}

bool log_open(const std::string& path, int* error) {
    log_close();
    // Only a regular file, opened close-on-exec (the relaunched dedicated server must not inherit it).
    sys_file_mode mode;
    mode.write = true;
    mode.create = true;
    mode.truncate = true;
    const int handle = sys_file_open(path, mode, error);
    if (handle < 0) return false;
    g_log = fdopen(handle, "w");
    if (!g_log) {
        if (error) *error = sys_last_error();
        sys_file_close(handle);
        return false;
    }
    g_log_path = path;
    g_write_failed = false;
    return true;
}

void log_close() {
    if (g_log) {
        std::fflush(g_log);
        std::fclose(g_log);
        g_log = nullptr;
    }
}

bool log_is_open() {
    return g_log != nullptr;
}

void log_vwrite(const char* format, va_list args) {
    if (!g_log) return;
    const bool written = std::vfprintf(g_log, format, args) >= 0;
    check_written(std::fflush(g_log) == 0 && written);
}

void log_write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    log_vwrite(format, args);
    va_end(args);
}

std::string log_stamp() {
    // 64 bits: a server that runs for months keeps counting up.
    const int64_t ms = timer_elapsed_ms64(g_run_timer);
    char text[48];
    std::snprintf(text, sizeof text, "[%llds%ld] ", static_cast<long long>(ms / 1000),
                  static_cast<long>(ms % 1000));
    return text;
}

void log_stamped(const char* format, ...) {
    if (!g_log) return;
    check_written(std::fputs(log_stamp().c_str(), g_log) >= 0);
    va_list args;
    va_start(args, format);
    log_vwrite(format, args);
    va_end(args);
}

std::string log_printable(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '?';
    }
    return text;
}

}  // namespace kv
