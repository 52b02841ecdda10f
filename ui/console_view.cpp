#include "ui/console_view.h"

#include <algorithm>
#include <cstdarg>

#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/terminal_console.h"
#include "ui/input/input.h"
#include "ui/widgets/widget_texture.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kTabBlanks = "    ";
constexpr int32_t kSlideMs = 250;
constexpr int32_t kBlinkMs = 500;
constexpr int32_t kKeyClose = 96;
constexpr int32_t kKeyUp = 128;
constexpr int32_t kKeyDown = 129;
constexpr int32_t kKeyEnter = 145;
constexpr int32_t kConsoleErase = 147;
constexpr char kCursorGlyph = static_cast<char>(255);

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

bool console_view_set_geometry(console_view& console, int32_t columns, int32_t rows, int32_t history_size) {
    if (columns < 1 || rows < 2 || history_size < 1) return false;
    if (columns == console.columns && rows == console.rows && history_size == console.history_size)
        return true;
    console.columns = columns;
    console.rows = rows;
    console.history_size = history_size;
    console.lines.clear();
    console.history.clear();
    console_view_relayout(console);
    return true;
}

void console_view_set_font(console_view& console, const std::string& name) {
    console.font_name = name;
}

void console_view_set_background(console_view& console, const std::string& name) {
    console.background_name = name;
}

void console_view_set_prompt(console_view& console, const std::string& text) {
    console.prompt = text;
    refresh_input_row(console);
}

void console_view_open(console_view& console) {
    input_begin_text_entry(kernel_get().input_layer);
    console.direction = 1;
}

void console_view_close(console_view& console) {
    input_end_text_entry(kernel_get().input_layer);
    console.direction = -1;
}

void console_view_handle_key(console_view& console, int32_t key) {
    if (!laid_out(console)) return;
    const std::size_t history_size = console.history.size();
    if (key == kKeyClose) {
        console_view_close(console);
    } else if (key >= 32 && key <= 127) {
        if (static_cast<int32_t>(console.prompt.size() + console.input.size()) < console.columns - 1) {
            console.input += static_cast<char>(key);
            refresh_input_row(console);
        }
    } else if (key == kConsoleErase) {
        if (!console.input.empty()) {
            console.input.pop_back();
            refresh_input_row(console);
        }
    } else if (key == kKeyUp) {
        if (history_size == 0) return;
        console.history_index = std::min(console.history_index + 1, static_cast<int32_t>(history_size) - 1);
        const std::string& entry = console.history[static_cast<std::size_t>(console.history_index)];
        if (entry.empty()) {
            --console.history_index;
            return;
        }
        console.input = entry;
        refresh_input_row(console);
    } else if (key == kKeyDown) {
        --console.history_index;
        if (console.history_index < 0) {
            console.history_index = -1;
            console.input.clear();
            refresh_input_row(console);
        } else if (!console.history[static_cast<std::size_t>(console.history_index)].empty()) {
            console.input = console.history[static_cast<std::size_t>(console.history_index)];
            refresh_input_row(console);
        }
    } else if (key == kKeyEnter && !console.input.empty()) {
        console_view_print(console, console.prompt + console.input);
        for (std::size_t i = history_size - 1; i >= 1 && i < history_size; --i)
            console.history[i] = console.history[i - 1];
        console.pending_command = console.input;
        if (history_size > 0) console.history[0] = console.input;
        console.input.clear();
        console.history_index = -1;
        refresh_input_row(console);
    }
}

void console_view_tick(console_view& console, int32_t) {
    if (console.dedicated) return;
    int32_t dt = 0;
    if (console.tick_timer) {
        dt = timer_elapsed_ms(*console.tick_timer);
        timer_restart(*console.tick_timer);
    } else {
        console.tick_timer.emplace();
    }
    if (console.direction != 0) {
        console.offset += static_cast<int32_t>(static_cast<int64_t>(dt) * console.direction *
                                               console.drop_height / kSlideMs);
        if (console.offset > console.drop_height) {
            console.offset = console.drop_height;
            console.direction = 0;
        }
        if (console.offset < 0) {
            console.offset = 0;
            console.direction = 0;
        }
    }
    if (console.offset == 0) return;
    console.blink_countdown -= dt;
    input& in = kernel_get().input_layer;
    if (input_has_key_event(in)) {
        const int32_t key = input_read_key(in);
        if (key != 0) console_view_handle_key(console, key);
    }
}

void console_view_draw(console_view& console) {
    if (console.offset == 0 || !laid_out(console)) return;
    gfx& g = kernel_get().graphics;
    if (!g.driver) return;
    const gfx_colour colour{1.0f, 1.0f, 1.0f};
    const float top = static_cast<float>(kConsoleScreenSize - console.offset);
    if (texture* background = widget_texture(g, console.background_name)) {
        g.driver->draw_quad_uv_at(background, 0.0f, top, static_cast<float>(kConsoleScreenSize),
                                  static_cast<float>(kConsoleScreenSize), {0.0f, 0.0f}, {3.0f, 2.0f});
    }
    texture* font = widget_texture(g, console.font_name);
    if (!font) return;
    const int32_t visible = console.drop_height > 0 ? console.offset * console.rows / console.drop_height : 0;
    for (int32_t i = 0; i < visible && i < console.rows; ++i) {
        const int32_t y = static_cast<int32_t>(top + static_cast<float>((i + 1) * console.line_step));
        g.driver->draw_text(font, colour, 0, y, console.character_size, console.line_step,
                            console.lines[static_cast<std::size_t>(i)], false, nullptr);
    }
    if (visible < console.rows) return;
    if (console.blink_countdown < -kBlinkMs) console.blink_countdown = kBlinkMs;
    if (console.blink_countdown >= 0) {
        const int32_t x = static_cast<int32_t>(console.lines.back().size()) * console.character_size;
        g.driver->draw_text(font, colour, x, kConsoleScreenSize, console.character_size, console.line_step,
                            std::string(1, kCursorGlyph), false, nullptr);
    }
}

}  // namespace kv
