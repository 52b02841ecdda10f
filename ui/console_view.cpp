#include "ui/console_view.h"

#include <cstdarg>

#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/terminal_console.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kTabBlanks = "    ";

bool laid_out(const console_view& console) {
    return console.rows >= 2 && console.lines.size() == static_cast<std::size_t>(console.rows);
}

void refresh_input_row(console_view& console) {
    if (laid_out(console)) console.lines.back() = console.prompt + console.input;
}

}  // namespace

void console_view_relayout(console_view& console) {
    console.lines.assign(static_cast<std::size_t>(console.rows > 0 ? console.rows : 0), std::string());
    console.history.assign(static_cast<std::size_t>(console.history_size > 0 ? console.history_size : 0),
                           std::string());
    console.character_size = console.columns > 0 ? kConsoleScreenSize / console.columns : 0;
    console.line_step = console.rows > 0 ? console.drop_height / console.rows : 0;
    console.history_index = -1;
    refresh_input_row(console);
    console.dedicated = server_get().dedicated != 0 ? 1 : 0;
}

void console_view_set_input(console_view& console, const std::string& line) {
    console.pending_command = line;
    console_view_log_line(console, "> " + line);
}

std::string console_view_take_input(console_view& console) {
    std::string line;
    line.swap(console.pending_command);
    return line;
}

void console_view_print(console_view& console, const std::string& text) {
    if (text.find('\n') == std::string::npos) {
        console_view_log_line(console, text);
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) console_view_log_line(console, text.substr(start, end - start));
        start = end + 1;
    }
}

void console_view_printf(console_view& console, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = str_vformat(format, args);
    va_end(args);
    if (text.size() > kConsoleFormatMax) text.resize(kConsoleFormatMax);
    console_view_print(console, text);
}

void console_view_log_line(console_view& console, const std::string& line) {
    log_write("[con] %s\n", log_printable(line).c_str());
    if (console.dedicated) {
        if (terminal_console* terminal = null_driver_console(kernel_get().graphics.driver.get()))
            terminal_console_write_line(*terminal, line);
        return;
    }
    if (!laid_out(console)) return;
    const std::size_t last_output = console.lines.size() - 2;
    for (std::size_t i = 0; i < last_output; ++i) console.lines[i] = std::move(console.lines[i + 1]);
    std::string copy = line;
    for (std::size_t at = copy.find('\t'); at != std::string::npos; at = copy.find('\t', at + 4))
        copy.replace(at, 1, kTabBlanks);
    if (console.columns >= 0 && copy.size() > static_cast<std::size_t>(console.columns))
        copy.resize(static_cast<std::size_t>(console.columns));
    console.lines[last_output] = std::move(copy);
}

std::vector<std::string> console_view_output(const console_view& console) {
    std::vector<std::string> output;
    if (!laid_out(console)) return output;
    for (std::size_t i = 0; i + 1 < console.lines.size(); ++i) {
        if (!console.lines[i].empty()) output.push_back(console.lines[i]);
    }
    return output;
}

}  // namespace kv
