#pragma once
// The window event queue. Each main-loop pass drains it. The close, focus and key events of a
// window whose owner registered itself (a display driver) go to that owner; key and mouse events
// also go to the input devices (platform/direct_input.h), and every event not taken by an owner
// (keys included) goes on to the general handler. A process that never opened video
// (the dedicated server) has no queue to drain.

#include <cstdint>
#include <functional>
#include <string>

namespace kv {

enum class sys_event_kind {
    quit,          // the application is asked to end
    close,         // the user closed a window
    focus_gained,  // a window got the keyboard focus
    focus_lost,
    key_down,
    key_up,
    text,  // characters typed, after the keyboard layout
    mouse_motion,
    mouse_button_down,
    mouse_button_up,
    mouse_wheel,
    other,
};

struct sys_event {
    sys_event_kind kind = sys_event_kind::other;
    uint32_t window_id = 0;    // 0 when the event concerns no window
    int32_t scancode = 0;      // key events: the key's position on the keyboard
    int32_t keycode = 0;       // key events: the key's meaning in the current layout
    bool repeat = false;       // key down: sent again by the key repeat
    uint32_t virtual_key = 0;  // key events: the Windows virtual-key code (platform/virtual_keys.h), or 0
    std::string text;          // text events: UTF-8
    int32_t motion_x = 0;      // mouse motion: relative counts
    int32_t motion_y = 0;
    int32_t button = 0;        // mouse buttons: 0 left, 1 right, 2 middle, 3 and up the extra ones
    int32_t wheel = 0;         // wheel: notches, away from the user positive
};

using sys_event_handler = std::function<void(const sys_event&)>;

// Drains the queue, handing each event to the handler (events are dropped while none is set), and
// first polls the dedicated server's console when one is set.
void sys_pump_messages();
void sys_set_event_handler(sys_event_handler handler);
// The owner of the window gets its close, focus and key events; an empty handler removes it.
void sys_set_window_owner(uint32_t window_id, sys_event_handler handler);
// Hands one event on as the pump does (tests feed events through it).
void sys_dispatch_event(const sys_event& event);
// The dedicated server's console window is served by the pump as well: `poller` runs once per pass
// (null: none).
void sys_set_console_poller(std::function<void()> poller);

}  // namespace kv
