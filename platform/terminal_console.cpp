#include "platform/terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace kv {
namespace {

constexpr std::size_t kReadSize = 4096;

bool is_dropped_control(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}

void end_line(console_line_reader& reader) {
    console_line line;
    std::size_t length = reader.partial_length;
    if (reader.partial_cr) --length;  // the carriage return before the line feed
    if (length > kConsoleLineMax) {
        line.refused = true;
        line.length = length;
    } else {
        line.text = std::move(reader.partial);
    }
    reader.ready.push_back(std::move(line));
    reader.partial.clear();
    reader.partial_length = 0;
    reader.partial_cr = false;
}

}  // namespace

void console_line_reader_feed(console_line_reader& reader, const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == '\n') {
            end_line(reader);
            continue;
        }
        ++reader.partial_length;
        reader.partial_cr = c == '\r';
        // Past the longest line nothing more is kept: the line will be refused.
        if (!is_dropped_control(c) && reader.partial_length <= kConsoleLineMax)
            reader.partial.push_back(static_cast<char>(c));
    }
}

void console_line_reader_finish(console_line_reader& reader) {
    if (reader.partial_length > 0) end_line(reader);
}

bool console_line_reader_next(console_line_reader& reader, console_line& out) {
    if (reader.ready.empty()) return false;
    out = std::move(reader.ready.front());
    reader.ready.pop_front();
    return true;
}

bool terminal_in_background(int fd) {
    if (!isatty(fd)) return false;
    const pid_t foreground = tcgetpgrp(fd);
    // Not this process's controlling terminal: reading it stops nobody.
    if (foreground < 0) return errno != ENOTTY;
    return foreground != getpgrp();
}

void terminal_console_open(terminal_console& console, int input_fd, int output_fd) {
    console = terminal_console();
    console.input_fd = input_fd;
    console.output_fd = output_fd;
    console.reading = fcntl(input_fd, F_GETFD) != -1;
}

bool terminal_console_poll(terminal_console& console, console_line& out) {
    if (console_line_reader_next(console.reader, out)) return true;
    if (!console.reading || terminal_in_background(console.input_fd)) return false;
    pollfd waiting{console.input_fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, 0);
    if (ready <= 0) return false;
    if ((waiting.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) return false;
    char buffer[kReadSize];
    const ssize_t got = read(console.input_fd, buffer, sizeof buffer);
    if (got > 0) {
        console_line_reader_feed(console.reader, buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        // The end of input, or a terminal gone away: only the reading ends.
        console.reading = false;
        console_line_reader_finish(console.reader);
    }
    return console_line_reader_next(console.reader, out);
}

void terminal_console_write_line(terminal_console& console, const std::string& line) {
    std::string text;
    text.reserve(line.size() + 1);
    for (const char c : line) text.push_back(is_dropped_control(static_cast<unsigned char>(c)) ? '?' : c);
    text.push_back('\n');
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(console.output_fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a reader gone away: the line is dropped
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace kv
