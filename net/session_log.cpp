#include "net/session_log.h"

#include <filesystem>
#include <system_error>

#include "kernel/log.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kBannerLine = "*********************************************************\n";

date_time today(const session_log& log) {
    return log.now ? log.now() : date_time();
}

void write_text(std::FILE* file, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), file);
}

void write_banner(std::FILE* file, const char* words, const date_time& d) {
    write_text(file, kBannerLine);
    write_text(file, str_format("*** KVS Session %s %d-%d-%d at %02d:%02d:%02d)\n", words, d.year, d.month,
                                d.day, d.hour, d.minute, d.second));
    write_text(file, kBannerLine);
    std::fflush(file);
}

void forget(session_log& log) {
    if (log.file) std::fclose(log.file);
    log.file = nullptr;
}

}  // namespace

session_log::~session_log() {
    forget(*this);
}

std::string session_log_name(const std::string& directory, const date_time& date) {
    return str_format("%slogs/kvs-%d-%d-%d.log", directory.c_str(), date.year, date.month, date.day);
}

void open_session_log(session_log& log) {
    const date_time now = today(log);
    if (log.file && now.day != log.day) forget(log);
    if (log.file) return;
    const std::string name = session_log_name(log.directory, now);
    log.day = now.day;
    std::error_code error;
    std::filesystem::create_directories(log.directory + "logs", error);
    log.file = std::fopen(name.c_str(), "a+e");
    if (log.file) write_banner(log.file, "Log (started on", now);
}

void session_log_line(session_log& log, const std::string& text) {
    if (!log.file) return;
    write_text(log.file, log_stamp() + text);
    std::fflush(log.file);
}

void close_session_log(session_log& log) {
    if (!log.file) return;
    write_banner(log.file, "(ended on", today(log));
    forget(log);
}

}  // namespace kv
