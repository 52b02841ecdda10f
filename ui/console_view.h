#pragma once
// The console view as the kernel uses it: the line typed into it, and the lines printed to it.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct console_view {
    // The last submitted line, waiting for the kernel.
    std::string pending_command;
    // Output lines, oldest first.
    std::vector<std::string> lines;
};

// Hands a finished input line to the console, as typing it and pressing ENTER does.
void console_view_set_input(console_view& console, const std::string& line);
// The pending command, emptied.
std::string console_view_take_input(console_view& console);
// One console line per line feed.
void console_view_print(console_view& console, const std::string& text);
void console_view_printf(console_view& console, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void console_view_add_line(console_view& console, const std::string& line);
// Slides the console in or out ("Toggle console").
void console_view_toggle(console_view& console);
// Builds the line buffers; run once by the kernel's set-up.
void console_view_relayout(console_view& console);
// The per-frame step (slide and waiting keys); the world frame runs it with 0.
void console_view_tick(console_view& console, int32_t elapsed_ms);

}  // namespace kv
