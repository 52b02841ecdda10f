#pragma once
// The console view: the panel that slides up over the lower half of the screen with the last lines
// of console output and the input line, and the path by which every console line reaches the log
// ("[con] %s"). On a dedicated server nothing slides or is drawn: lines go to the server's console
// (the terminal) instead of the panel, and the console fills the pending command with typed lines.
// A member of the kernel; the kernel's set-up lays it out once the dedicated flag is known, and the
// kernel takes the pending command once a tick.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kernel/timer.h"

namespace kv {

inline constexpr int32_t kConsoleColumns = 60;
inline constexpr int32_t kConsoleRows = 25;
inline constexpr int32_t kConsoleHistorySize = 8;
// The virtual screen's side.
inline constexpr int32_t kConsoleScreenSize = 1000;
// The longest formatted message.
inline constexpr std::size_t kConsoleFormatMax = 4095;

struct console_view {
    uint8_t dedicated = 0;  // copied from the world server at every layout
    int32_t columns = kConsoleColumns;
    int32_t rows = kConsoleRows;
    int32_t history_size = kConsoleHistorySize;
    std::string font_name = "gui_font02";
    std::string background_name = "gui_conback";
    std::string prompt;
    // Rows strings after the first layout (none before): the output lines, oldest first, then the
    // input row (prompt and input).
    std::vector<std::string> lines;
    std::vector<std::string> history;  // entry 0 the most recent line
    // The last submitted line, waiting for the kernel.
    std::string pending_command;
    std::string input;
    int32_t drop_height = kConsoleScreenSize / 2;
    int32_t offset = 0;
    int32_t direction = 0;
    int32_t character_size = kConsoleScreenSize / kConsoleColumns;
    int32_t line_step = kConsoleScreenSize / 2 / kConsoleRows;
    int32_t blink_countdown = 0;
    int32_t history_index = -1;
    std::optional<timer> tick_timer;  // made by the first tick
};

// Empty lines and history of the current sizes; the dedicated flag taken from the world server.
void console_view_relayout(console_view& console);
// Hands a typed line to the console as the pending command, echoed as "> " and the line.
void console_view_set_input(console_view& console, const std::string& line);
// The pending command, emptied.
std::string console_view_take_input(console_view& console);
// Every non-empty line of the text (a text without a line feed is one line, even when empty).
void console_view_print(console_view& console, const std::string& text);
// Formats (at most 4095 characters kept) and prints.
void console_view_printf(console_view& console, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// One line to the log, and to the server's console or the panel's last output line (tabs as four
// blanks, cut to the columns). Before the first layout a line only reaches the log.
void console_view_log_line(console_view& console, const std::string& line);
// The output lines that are not empty, oldest first (what the panel would show).
std::vector<std::string> console_view_output(const console_view& console);

// New sizes clear the lines and the history; columns below 1, rows below 2 or a history below 1 are
// refused (false, nothing changed).
bool console_view_set_geometry(console_view& console, int32_t columns, int32_t rows, int32_t history_size);
void console_view_set_font(console_view& console, const std::string& name);
void console_view_set_background(console_view& console, const std::string& name);
void console_view_set_prompt(console_view& console, const std::string& text);
// Starts rising (keys go to text entry) / falling; the panel takes a quarter second either way.
void console_view_open(console_view& console);
void console_view_close(console_view& console);
// The panel and its text, while it is not closed.
void console_view_draw(console_view& console);
// The per-world-frame step: the slide and at most one waiting key; the argument is not used.
void console_view_tick(console_view& console, int32_t unused);
// One key event of the input layer (a release is negative and does nothing).
void console_view_handle_key(console_view& console, int32_t key);

}  // namespace kv
