#include "platform/messages.h"

#include <SDL.h>

#include <cstring>

namespace kv {
namespace {

sys_event_handler g_handler;
std::function<void()> g_console_poller;

sys_event translate(const SDL_Event& in) {
    sys_event out;
    switch (in.type) {
        case SDL_QUIT:
            out.kind = sys_event_kind::quit;
            break;
        case SDL_WINDOWEVENT:
            out.window_id = in.window.windowID;
            switch (in.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    out.kind = sys_event_kind::close;
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    out.kind = sys_event_kind::focus_gained;
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    out.kind = sys_event_kind::focus_lost;
                    break;
                default:
                    break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            out.kind = in.type == SDL_KEYDOWN ? sys_event_kind::key_down : sys_event_kind::key_up;
            out.window_id = in.key.windowID;
            out.scancode = in.key.keysym.scancode;
            out.keycode = in.key.keysym.sym;
            out.repeat = in.key.repeat != 0;
            break;
        case SDL_TEXTINPUT:
            out.kind = sys_event_kind::text;
            out.window_id = in.text.windowID;
            out.text.assign(in.text.text, strnlen(in.text.text, sizeof in.text.text));
            break;
        default:
            break;
    }
    return out;
}

}  // namespace

void sys_pump_messages() {
    // A copy, so the poller may replace itself.
    if (std::function<void()> poller = g_console_poller) poller();
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // A copy, so the handler may replace itself.
        if (sys_event_handler handler = g_handler) handler(translate(event));
    }
}

void sys_set_event_handler(sys_event_handler handler) {
    g_handler = std::move(handler);
}

void sys_set_console_poller(std::function<void()> poller) {
    g_console_poller = std::move(poller);
}

}  // namespace kv
