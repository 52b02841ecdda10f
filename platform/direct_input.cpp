#include "platform/direct_input.h"

#include <SDL.h>

#include <deque>

#include "platform/messages.h"
#include "platform/window.h"

namespace kv {
namespace {

constexpr int kMouseButtons = 4;
constexpr int32_t kWheelNotch = 120;

struct device_state {
    bool exists = false;
    bool format_set = false;
    bool acquired = false;
    uint32_t cooperative = 0;
    uint32_t buffer_size = 0;
};

struct fail_script {
    di_result result = kDiOk;
    int times = 0;  // 0: every call
    int after = 0;  // calls that pass first
};

struct di_state {
    bool fake = false;
    bool created = false;
    bool relative_mouse = false;
    device_state keyboard;
    device_state mouse;
    std::deque<di_key_record> keys;
    uint32_t sequence = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    int32_t dz = 0;
    uint8_t down = 0;     // buttons held now, a bit each
    uint8_t pressed = 0;  // buttons pressed since the previous read (a click between reads shows once)
    fail_script fails[static_cast<int>(di_op::count)];
};

di_state& state() {
    static di_state s;
    return s;
}

device_state& device(di_device d) {
    return d == di_device::keyboard ? state().keyboard : state().mouse;
}

// A scripted failure of the fake backend, or kDiOk.
di_result scripted(di_op op) {
    di_state& s = state();
    if (!s.fake) return kDiOk;
    fail_script& f = s.fails[static_cast<int>(op)];
    if (f.result == kDiOk) return kDiOk;
    if (f.after > 0) {
        --f.after;
        return kDiOk;
    }
    const di_result result = f.result;
    if (f.times > 0 && --f.times == 0) f.result = kDiOk;
    return result;
}

void clear_mouse(di_state& s) {
    s.dx = s.dy = s.dz = 0;
    s.down = s.pressed = 0;
}

// Relative motion without a visible pointer while the exclusive keyboard is acquired.
void update_relative_mouse() {
    di_state& s = state();
    const bool want = s.keyboard.acquired && (s.keyboard.cooperative & kDisclExclusive) != 0;
    if (want == s.relative_mouse) return;
    s.relative_mouse = want;
    if (!s.fake && SDL_WasInit(SDL_INIT_VIDEO)) SDL_SetRelativeMouseMode(want ? SDL_TRUE : SDL_FALSE);
}

constexpr di_scancode_pair kScancodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},      {SDL_SCANCODE_1, 0x02},           {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},           {SDL_SCANCODE_4, 0x05},           {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},           {SDL_SCANCODE_7, 0x08},           {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},           {SDL_SCANCODE_0, 0x0B},           {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},      {SDL_SCANCODE_BACKSPACE, 0x0E},   {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},           {SDL_SCANCODE_W, 0x11},           {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},           {SDL_SCANCODE_T, 0x14},           {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},           {SDL_SCANCODE_I, 0x17},           {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},           {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},      {SDL_SCANCODE_LCTRL, 0x1D},       {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},           {SDL_SCANCODE_D, 0x20},           {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},           {SDL_SCANCODE_H, 0x23},           {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},           {SDL_SCANCODE_L, 0x26},           {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},  {SDL_SCANCODE_GRAVE, 0x29},       {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},   {SDL_SCANCODE_Z, 0x2C},           {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},           {SDL_SCANCODE_V, 0x2F},           {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},           {SDL_SCANCODE_M, 0x32},           {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},      {SDL_SCANCODE_SLASH, 0x35},       {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38},        {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},    {SDL_SCANCODE_F1, 0x3B},          {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},          {SDL_SCANCODE_F4, 0x3E},          {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},          {SDL_SCANCODE_F7, 0x41},          {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},          {SDL_SCANCODE_F10, 0x44},         {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},  {SDL_SCANCODE_KP_7, 0x47},        {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},        {SDL_SCANCODE_KP_MINUS, 0x4A},    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},        {SDL_SCANCODE_KP_6, 0x4D},        {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},        {SDL_SCANCODE_KP_2, 0x50},        {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},        {SDL_SCANCODE_KP_PERIOD, 0x53},   {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},         {SDL_SCANCODE_F12, 0x58},         {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},       {SDL_SCANCODE_KP_DIVIDE, 0xB5},   {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},        {SDL_SCANCODE_PAUSE, 0xC5},       {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},          {SDL_SCANCODE_PAGEUP, 0xC9},      {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},       {SDL_SCANCODE_END, 0xCF},         {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},    {SDL_SCANCODE_INSERT, 0xD2},      {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},        {SDL_SCANCODE_RGUI, 0xDC},        {SDL_SCANCODE_APPLICATION, 0xDD},
};

}  // namespace

di_result di_create() {
    if (const di_result r = scripted(di_op::create); r != kDiOk) return r;
    di_state& s = state();
    // SDL's devices read the events of the program's window.
    if (!s.fake && sys_main_window() == nullptr) return kDiErrNotInitialized;
    s.created = true;
    return kDiOk;
}

di_result di_create_device(di_device d) {
    if (!state().created) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::create_device); r != kDiOk) return r;
    device_state& dev = device(d);
    dev = device_state{};
    dev.exists = true;
    return kDiOk;
}

di_result di_set_data_format(di_device d) {
    if (!device(d).exists) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::set_data_format); r != kDiOk) return r;
    device(d).format_set = true;
    return kDiOk;
}

di_result di_set_cooperative_level(di_device d, uint32_t flags) {
    if (!device(d).exists) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::set_cooperative_level); r != kDiOk) return r;
    device(d).cooperative = flags;
    return kDiOk;
}

di_result di_set_buffer_size(di_device d, uint32_t records) {
    if (!device(d).exists) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::set_buffer_size); r != kDiOk) return r;
    device(d).buffer_size = records;
    return kDiOk;
}

di_result di_acquire(di_device d) {
    device_state& dev = device(d);
    if (!dev.exists || !dev.format_set) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::acquire); r != kDiOk) return r;
    dev.acquired = true;
    if (d == di_device::keyboard) update_relative_mouse();
    return kDiOk;
}

di_result di_unacquire(di_device d) {
    device_state& dev = device(d);
    if (!dev.exists) return kDiErrNotInitialized;
    dev.acquired = false;
    if (d == di_device::keyboard) {
        state().keys.clear();
        update_relative_mouse();
    } else {
        clear_mouse(state());
    }
    return kDiOk;
}

di_result di_get_device_data(di_key_record* records, uint32_t& count) {
    di_state& s = state();
    const uint32_t room = count;
    count = 0;
    if (!s.keyboard.exists) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::get_device_data); r != kDiOk) return r;
    if (!s.keyboard.acquired) return kDiErrNotAcquired;
    while (count < room && !s.keys.empty()) {
        records[count++] = s.keys.front();
        s.keys.pop_front();
    }
    return kDiOk;
}

di_result di_get_device_state(di_mouse_state& out) {
    di_state& s = state();
    if (!s.mouse.exists) return kDiErrNotInitialized;
    if (const di_result r = scripted(di_op::get_device_state); r != kDiOk) return r;
    if (!s.mouse.acquired) return kDiErrNotAcquired;
    out.x = s.dx;
    out.y = s.dy;
    out.z = s.dz;
    const uint8_t shown = s.down | s.pressed;
    for (int i = 0; i < kMouseButtons; ++i) out.buttons[i] = (shown >> i) & 1 ? kDiKeyDown : 0;
    s.dx = s.dy = s.dz = 0;
    s.pressed = 0;
    return kDiOk;
}

void di_release_device(di_device d) {
    if (device(d).acquired) di_unacquire(d);
    device(d) = device_state{};
}

void di_release() {
    di_release_device(di_device::keyboard);
    di_release_device(di_device::mouse);
    state().created = false;
}

bool di_device_exists(di_device d) {
    return device(d).exists;
}

bool di_device_acquired(di_device d) {
    return device(d).acquired;
}

void di_post_key(uint32_t dik, bool down) {
    di_state& s = state();
    if (!s.keyboard.acquired || dik == 0) return;
    // A full buffer drops what comes after, as DirectInput's overflow does.
    if (s.keys.size() >= s.keyboard.buffer_size) return;
    di_key_record record;
    record.offset = dik;
    record.data = down ? kDiKeyDown : 0;
    record.time_stamp = s.fake ? 0 : SDL_GetTicks();
    record.sequence = ++s.sequence;
    s.keys.push_back(record);
}

void di_post_mouse_motion(int32_t dx, int32_t dy) {
    di_state& s = state();
    if (!s.mouse.acquired) return;
    s.dx += dx;
    s.dy += dy;
}

void di_post_mouse_button(int button, bool down) {
    di_state& s = state();
    if (!s.mouse.acquired || button < 0 || button >= kMouseButtons) return;
    const uint8_t bit = static_cast<uint8_t>(1u << button);
    if (down) {
        s.down |= bit;
        s.pressed |= bit;
    } else {
        s.down &= static_cast<uint8_t>(~bit);
    }
}

void di_post_mouse_wheel(int32_t notches) {
    di_state& s = state();
    if (!s.mouse.acquired) return;
    s.dz += notches * kWheelNotch;
}

void di_handle_event(const sys_event& event) {
    if (state().fake) return;
    switch (event.kind) {
        case sys_event_kind::key_down:
            // DirectInput has no auto-repeat.
            if (!event.repeat) di_post_key(di_key_constant(event.scancode), true);
            break;
        case sys_event_kind::key_up:
            di_post_key(di_key_constant(event.scancode), false);
            break;
        case sys_event_kind::mouse_motion:
            di_post_mouse_motion(event.motion_x, event.motion_y);
            break;
        case sys_event_kind::mouse_button_down:
        case sys_event_kind::mouse_button_up:
            di_post_mouse_button(event.button, event.kind == sys_event_kind::mouse_button_down);
            break;
        case sys_event_kind::mouse_wheel:
            di_post_mouse_wheel(event.wheel);
            break;
        default:
            break;
    }
}

uint32_t di_key_constant(int32_t sdl_scancode) {
    for (const di_scancode_pair& pair : kScancodes) {
        if (pair.sdl_scancode == sdl_scancode) return pair.dik;
    }
    return 0;
}

const di_scancode_pair* di_scancode_table(int* count) {
    *count = static_cast<int>(sizeof kScancodes / sizeof kScancodes[0]);
    return kScancodes;
}

void di_use_fake_backend(bool on) {
    di_state& s = state();
    if (s.relative_mouse && !s.fake && SDL_WasInit(SDL_INIT_VIDEO)) SDL_SetRelativeMouseMode(SDL_FALSE);
    s = di_state{};
    s.fake = on;
}

void di_fake_fail(di_op op, di_result result, int times, int after) {
    state().fails[static_cast<int>(op)] = {result, times, after};
}

}  // namespace kv
