#include "platform/messages.h"

#include <SDL.h>

#include <cstring>
#include <map>

#include "platform/direct_input.h"
#include "platform/virtual_keys.h"

namespace kv {
namespace {

sys_event_handler g_handler;
std::function<void()> g_console_poller;

// Never destroyed: a display driver may leave its window after the program's statics are gone.
std::map<uint32_t, sys_event_handler>& window_owners() {
    static auto* owners = new std::map<uint32_t, sys_event_handler>;
    return *owners;
}

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
            out.virtual_key = sys_virtual_key(in.key.keysym.sym);
            break;
        case SDL_MOUSEMOTION:
            out.kind = sys_event_kind::mouse_motion;
            out.window_id = in.motion.windowID;
            out.motion_x = in.motion.xrel;
            out.motion_y = in.motion.yrel;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.kind = in.type == SDL_MOUSEBUTTONDOWN ? sys_event_kind::mouse_button_down
                                                      : sys_event_kind::mouse_button_up;
            out.window_id = in.button.windowID;
            switch (in.button.button) {
                case SDL_BUTTON_LEFT:
                    out.button = 0;
                    break;
                case SDL_BUTTON_RIGHT:
                    out.button = 1;
                    break;
                case SDL_BUTTON_MIDDLE:
                    out.button = 2;
                    break;
                default:
                    out.button = in.button.button - SDL_BUTTON_X1 + 3;
                    break;
            }
            break;
        case SDL_MOUSEWHEEL:
            out.kind = sys_event_kind::mouse_wheel;
            out.window_id = in.wheel.windowID;
            out.wheel = in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -in.wheel.y : in.wheel.y;
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
    while (SDL_PollEvent(&event)) sys_dispatch_event(translate(event));
}

void sys_dispatch_event(const sys_event& event) {
    switch (event.kind) {
        case sys_event_kind::key_down:
        case sys_event_kind::key_up:
        case sys_event_kind::mouse_motion:
        case sys_event_kind::mouse_button_down:
        case sys_event_kind::mouse_button_up:
        case sys_event_kind::mouse_wheel:
            di_handle_event(event);
            break;
        default:
            break;
    }
    const bool owned_kind = event.kind == sys_event_kind::close ||
                            event.kind == sys_event_kind::focus_gained ||
                            event.kind == sys_event_kind::focus_lost ||
                            event.kind == sys_event_kind::key_down || event.kind == sys_event_kind::key_up;
    if (owned_kind) {
        auto it = window_owners().find(event.window_id);
        if (it != window_owners().end()) {
            // A copy, so the owner may leave while it handles the event.
            sys_event_handler owner = it->second;
            owner(event);
            // Keys are the input layer's as well.
            const bool key = event.kind == sys_event_kind::key_down || event.kind == sys_event_kind::key_up;
            if (!key) return;
        }
    }
    // A copy, so the handler may replace itself.
    if (sys_event_handler handler = g_handler) handler(event);
}

void sys_set_window_owner(uint32_t window_id, sys_event_handler handler) {
    if (handler) {
        window_owners()[window_id] = std::move(handler);
    } else {
        window_owners().erase(window_id);
    }
}

void sys_set_event_handler(sys_event_handler handler) {
    g_handler = std::move(handler);
}

void sys_set_console_poller(std::function<void()> poller) {
    g_console_poller = std::move(poller);
}

}  // namespace kv
