#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

namespace kv {
namespace {

bool g_display_open = false;
message_box_sink g_sink;

Uint32 sdl_flags(message_box_kind kind) {
    switch (kind) {
        case message_box_kind::info:
            return SDL_MESSAGEBOX_INFORMATION;
        case message_box_kind::warning:
            return SDL_MESSAGEBOX_WARNING;
        case message_box_kind::error:
            break;
    }
    return SDL_MESSAGEBOX_ERROR;
}

}  // namespace

void sys_message_box(const std::string& title, const std::string& text, message_box_kind kind) {
    if (g_sink) {
        g_sink(title, text, kind);
        return;
    }
    std::string line = title + ": " + text;
    if (line.back() != '\n') line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    if (g_display_open && SDL_WasInit(SDL_INIT_VIDEO)) {
        // No owner window: the box must show even when the display window is the problem.
        SDL_ShowSimpleMessageBox(sdl_flags(kind), title.c_str(), text.c_str(), nullptr);
    }
}

void sys_message_box_set_display_open(bool open) {
    g_display_open = open;
}

void sys_message_box_set_sink(message_box_sink sink) {
    g_sink = std::move(sink);
}

}  // namespace kv
