#include "kernel/log.h"

#include <fcntl.h>
#include <cstdio>

namespace kv {
namespace {

// Built when the program loads, so it is destroyed after the singletons that log on exit.
timer g_run_timer;
std::FILE* g_log = nullptr;

}  // namespace

timer& run_timer() {
    return g_run_timer;
}

bool log_open(const std::string& path) {
    log_close();
    // "e": the relaunched dedicated server must not inherit the log file.
    g_log = std::fopen(path.c_str(), "we");
    return g_log != nullptr;
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
    std::vfprintf(g_log, format, args);
    std::fflush(g_log);
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
    std::fputs(log_stamp().c_str(), g_log);
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
