#include "ui/input/input.h"

#include <cstring>

#include "game/server.h"
#include "game/server_load.h"
#include "gfx/drivers/gfx_driver.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "platform/window.h"
#include "ui/input/key_names.h"

namespace kv {
namespace {

constexpr float kDefaultSensitivity = 5.0f;
constexpr uint32_t kReleaseBit = 0x8000;
constexpr uint32_t kCodeMask = 0xFF;
constexpr uint32_t kScanDone = 4;
constexpr int kMouseButtons = 4;
// Key codes of the mouse buttons in scan order (left, right, middle); the fourth gives none.
constexpr int32_t kButtonCodes[kMouseButtons] = {kKeyCodeMouseLeft, kKeyCodeMouseRight, kKeyCodeMouseMiddle,
                                                 0};
constexpr uint32_t kKeyboardLevelFullScreen = kDisclExclusive | kDisclForeground | kDisclNoWinKey;
constexpr uint32_t kLevelWindowed = kDisclNonExclusive | kDisclBackground;

// Shift turns each character of the lower row into the one at its position in the upper row.
constexpr char kLowerRow[] = "abcdefghijklmnopqrstuvwxyz`1234567890-=\\[];',./";
constexpr char kUpperRow[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ~!@#$%^&*()_+|{}:\"<>?";
static_assert(sizeof kLowerRow == 48 && sizeof kUpperRow == 48);

void dinput_shutdown(dinput_driver& d) {
    if (d.interface_made) {
        if (d.keyboard) {
            di_unacquire(di_device::keyboard);
            di_release_device(di_device::keyboard);
            d.keyboard = false;
        }
        if (d.mouse) {
            di_unacquire(di_device::mouse);
            di_release_device(di_device::mouse);
            d.mouse = false;
        }
        di_release();
        d.interface_made = false;
    }
    dll_free(d.library);
}

bool keyboard_failed(dinput_driver& d, const char* line) {
    log_write("%s", line);
    dinput_shutdown(d);
    return false;
}

bool mouse_failed(dinput_driver& d, const char* line) {
    log_write("%s", line);
    di_release_device(di_device::mouse);
    d.mouse = false;
    return true;
}

// True when the keyboard works; a mouse that cannot start leaves the driver keyboard-only.
bool dinput_init(dinput_driver& d, bool full_screen) {
    d.window = sys_main_window();
    if (!dll_load(d.library)) {
        log_write("[DirectInput] *ERROR* Cannot load DirectInput DLL.\n");
        return false;
    }
    if (di_create() != kDiOk)
        return keyboard_failed(d, "[DirectInput] Failed to create DirectInput instance.\n");
    d.interface_made = true;
    if (di_create_device(di_device::keyboard) != kDiOk) {
        return keyboard_failed(d, "[DirectInput] Failed to attach keyboard to DI.\n");
    }
    d.keyboard = true;
    if (di_set_data_format(di_device::keyboard) != kDiOk) {
        return keyboard_failed(d, "[DirectInput] Failed to init keyboard data format.\n");
    }
    const uint32_t level = full_screen ? kKeyboardLevelFullScreen : kLevelWindowed;
    if (di_set_cooperative_level(di_device::keyboard, level) != kDiOk) {
        return keyboard_failed(d, "[DirectInput] Cannot init coop level for keyboard.\n");
    }
    if (di_set_buffer_size(di_device::keyboard, kDinputKeyBuffer) != kDiOk) {
        return keyboard_failed(d, "[DirectInput] Cannot set keyboard properties.\n");
    }
    di_acquire(di_device::keyboard);

    if (di_create_device(di_device::mouse) != kDiOk) {
        return mouse_failed(d, "[DirectInput] Failed to attach mouse to DI. Mouse will not be available.\n");
    }
    d.mouse = true;
    if (di_set_data_format(di_device::mouse) != kDiOk) {
        return mouse_failed(
            d, "[DirectInput] Failed to init device data format. Mouse will not be available.\n");
    }
    if (di_set_cooperative_level(di_device::mouse, kLevelWindowed) != kDiOk) {
        return mouse_failed(d,
                            "[DirectInput] Failed to set cooperative level. Mouse will not be available.\n");
    }
    if (di_set_buffer_size(di_device::mouse, kDinputMouseBuffer) != kDiOk) {
        return mouse_failed(d, "[DirectInput] Cannot set mouse properties.\n");
    }
    di_acquire(di_device::mouse);
    log_write("[DirectInput] Initialization complete.\n");
    return true;
}

void refill_keyboard(dinput_driver& d) {
    if (d.event_count > 0) {
        for (di_key_record& record : d.events) record = di_key_record{};
    }
    uint32_t count = kDinputReadRecords;
    const di_result result = di_get_device_data(d.events, count);
    // A failed refill delivers nothing.
    d.event_count = result == kDiOk ? count : 0;
    d.read_index = 0;
    if (result == kDiOk || result == kDiErrNotAcquired) return;
    if (result == kDiErrInputLost) {
        di_acquire(di_device::keyboard);
        return;
    }
    log_write("[DirectInput] Cannot retrieve device data.\n");
}

void read_mouse(dinput_driver& d) {
    if (!d.mouse) return;
    const di_result result = di_get_device_state(d.mouse_state);
    if (result == kDiOk) {
        d.scan_index = 0;
        d.motion_x = d.mouse_state.x;
        d.motion_y = d.mouse_state.y;
        return;
    }
    // No read, no motion: repeating the last one would turn the view on and on.
    d.motion_x = 0;
    d.motion_y = 0;
    d.mouse_state.z = 0;
    if (result == kDiErrNotAcquired) return;
    if (result == kDiErrInputLost) {
        di_acquire(di_device::mouse);
        return;
    }
    log_write("[DirectInput] Cannot retrieve device data.\n");
}

bool dinput_has_event(dinput_driver& d) {
    if (d.read_index >= d.event_count) refill_keyboard(d);
    return d.read_index < d.event_count || d.scan_index != kScanDone;
}

int32_t dinput_read_event(dinput_driver& d) {
    if (!dinput_has_event(d)) return 0;
    while (d.scan_index < kScanDone) {
        const uint32_t b = d.scan_index++;
        if (kButtonCodes[b] == 0) continue;
        const bool down = (d.mouse_state.buttons[b] & kDiKeyDown) != 0;
        if (down && !d.latches[b]) {
            d.latches[b] = 1;
            return kButtonCodes[b];
        }
        if (!down && d.latches[b]) {
            d.latches[b] = 0;
            return -kButtonCodes[b];
        }
    }
    if (d.read_index >= d.event_count) return 0;
    const di_key_record& record = d.events[d.read_index++];
    const int32_t code = key_code_from_direct_input(record.offset);
    return (record.data & kDiKeyDown) != 0 ? code : -code;
}

int32_t win32_read(input&) {
    gfx_driver* driver = kernel_get().graphics.driver.get();
    if (!driver || !driver->key_waiting()) return 0;
    const key_event e = driver->read_key();
    const int32_t code = key_code_from_virtual_key(e.key);
    if (e.state == kKeyPressed) return code;
    if (e.state == kKeyReleased) return -code;
    return 0;
}

}  // namespace

void input_select_driver(input& in, uint32_t kind) {
    if (in.driver_kind == kInputDriverDirectInput && in.dinput) dinput_shutdown(*in.dinput);
    in.driver_kind = kind;
    if (kind == kInputDriverNone) in.text_entry = false;
}

void input_register_names(input& in, option_registry& options) {
    in.mouse_sensitivity = kDefaultSensitivity;
    option_registry_add_float(options, "msensitivity", &in.mouse_sensitivity);
    in.key_names.clear();
    for (int i = 0; i < kKeyNameCount; ++i)
        in.key_names.push_back({key_name_table()[i].code, key_name_table()[i].name});
    in.actions.clear();
    for (int i = 0; i < kActionCount; ++i) {
        const action_entry& a = action_table()[i];
        in.actions.push_back({a.code, a.label, a.name});
    }
}

void input_open(input& in, const option_registry& options) {
    if (in.driver_kind != kInputDriverDirectInput) return;
    if (!in.dinput) in.dinput = std::make_unique<dinput_driver>();
    const bool full_screen = option_registry_get_text(options, "fullscreen") == "true";
    if (dinput_init(*in.dinput, full_screen)) return;
    log_write("input: DirectInput initialization failed. Trying to set up Win32 input driver ...\n");
    input_select_driver(in, kInputDriverWin32);
}

void input_close_dinput(input& in) {
    if (!in.dinput) return;
    dinput_shutdown(*in.dinput);
    in.dinput.reset();
    if (in.driver_kind == kInputDriverDirectInput) in.driver_kind = kInputDriverNone;
}

void input_poll(input& in) {
    if (in.driver_kind == kInputDriverNone || in.text_entry) return;
    if (!in.event_pending) {
        const int32_t event = input_read_key(in);
        if (event != 0) {
            in.pending_event =
                event > 0 ? static_cast<uint32_t>(event) : static_cast<uint32_t>(-event) | kReleaseBit;
            in.event_pending = true;
        }
    }
    if (!in.event_pending) return;
    const int32_t key = static_cast<int32_t>(in.pending_event & kCodeMask);
    const int32_t found = input_find_action(in, key);
    const int32_t action = found == kInputNoAction ? kInputNoAction + key : found;
    in.event_pending = false;
    if (in.pending_event & kReleaseBit) {
        server_post_key_up(server_get(), action);
    } else {
        server_post_key_down(server_get(), action);
    }
}

bool input_has_key_event(input& in) {
    switch (in.driver_kind) {
        case kInputDriverWin32: {
            gfx_driver* driver = kernel_get().graphics.driver.get();
            return driver && driver->key_waiting();
        }
        case kInputDriverDirectInput:
            return in.dinput && dinput_has_event(*in.dinput);
        default:
            return false;
    }
}

int32_t input_read_key(input& in) {
    int32_t event = 0;
    if (in.driver_kind == kInputDriverWin32) {
        event = win32_read(in);
    } else if (in.driver_kind == kInputDriverDirectInput && in.dinput) {
        event = dinput_read_event(*in.dinput);
    }
    if (!in.text_entry) return event;
    if (event == kKeyCodeShiftLeft || event == kKeyCodeShiftRight) {
        in.shift_held = true;
        return 0;
    }
    if (event == -kKeyCodeShiftLeft || event == -kKeyCodeShiftRight) {
        in.shift_held = false;
        return 0;
    }
    if (in.shift_held && event > 0 && event < 0x80) {
        if (const char* at = std::strchr(kLowerRow, event))
            return static_cast<unsigned char>(kUpperRow[at - kLowerRow]);
    }
    return event;
}

void input_get_mouse_motion(input& in, int32_t& dx, int32_t& dy) {
    dx = 0;
    dy = 0;
    if (in.driver_kind != kInputDriverDirectInput || !in.dinput) return;
    read_mouse(*in.dinput);
    dx = in.dinput->motion_x;
    dy = in.dinput->motion_y;
}

bool input_left_click(input& in) {
    if (in.driver_kind != kInputDriverDirectInput || !in.dinput) return false;
    const bool down = in.dinput->latches[0] != 0;
    const bool click = in.left_was_down && !down;
    in.left_was_down = down;
    return click;
}

bool input_right_click(input& in) {
    if (in.driver_kind != kInputDriverDirectInput || !in.dinput) return false;
    const bool down = in.dinput->latches[1] != 0;
    const bool click = in.right_was_down && !down;
    in.right_was_down = down;
    return click;
}

bool input_left_held(const input& in) {
    return in.driver_kind == kInputDriverDirectInput && in.dinput && in.dinput->latches[0] != 0;
}

bool input_wheel_up(const input& in) {
    return in.driver_kind == kInputDriverDirectInput && in.dinput && in.dinput->mouse_state.z > 0;
}

bool input_wheel_down(const input& in) {
    return in.driver_kind == kInputDriverDirectInput && in.dinput && in.dinput->mouse_state.z < 0;
}

void input_acquire(input& in) {
    if (in.driver_kind != kInputDriverDirectInput || !in.dinput || !in.dinput->keyboard) return;
    di_acquire(di_device::keyboard);
    if (in.dinput->mouse) di_acquire(di_device::mouse);
}

void input_unacquire(input& in) {
    if (in.driver_kind != kInputDriverDirectInput || !in.dinput || !in.dinput->keyboard) return;
    di_unacquire(di_device::keyboard);
    if (in.dinput->mouse) di_unacquire(di_device::mouse);
}

void input_begin_text_entry(input& in) {
    if (in.driver_kind != kInputDriverNone) in.text_entry = true;
}

void input_end_text_entry(input& in) {
    if (in.driver_kind == kInputDriverNone) return;
    in.text_entry = false;
    in.shift_held = false;
}

void input_set_mouse_invert(input& in, uint8_t invert) {
    in.mouse_invert = invert;
}

uint8_t input_mouse_invert(const input& in) {
    return in.mouse_invert;
}

bool input_mouse_inverted(const input& in) {
    return in.mouse_invert != 0;
}

void input_set_mouse_sensitivity(input& in, float value) {
    in.mouse_sensitivity = value;
}

void input_bind_key(input& in, uint32_t key, uint32_t action) {
    for (key_binding& binding : in.bindings) {
        if (binding.key == key && binding.action != action) binding.key = 0;
    }
    for (key_binding& binding : in.bindings) {
        if (binding.action == action) {
            binding.key = key;
            return;
        }
    }
    for (key_binding& binding : in.bindings) {
        if (binding.key == key) {
            binding.action = action;
            return;
        }
    }
    in.bindings.push_back({key, action});
}

int32_t input_find_action(const input& in, int32_t key) {
    for (const key_binding& binding : in.bindings) {
        if (static_cast<int32_t>(binding.key) == key) return static_cast<int32_t>(binding.action);
    }
    return kInputNoAction;
}

int32_t input_find_key(const input& in, int32_t action) {
    for (const key_binding& binding : in.bindings) {
        if (static_cast<int32_t>(binding.action) == action) return static_cast<int32_t>(binding.key);
    }
    return -1;
}

int32_t input_key_code_by_name(const input& in, const std::string& name) {
    for (const key_name& entry : in.key_names) {
        if (entry.name == name) return static_cast<int32_t>(entry.code);
    }
    return 0;
}

int32_t input_action_by_name(const input& in, const std::string& name) {
    for (const player_action& entry : in.actions) {
        if (entry.name == name) return static_cast<int32_t>(entry.code);
    }
    return kInputNoAction;
}

std::string input_key_name(const input& in, int32_t code) {
    for (const key_name& entry : in.key_names) {
        if (static_cast<int32_t>(entry.code) == code) return entry.name;
    }
    return "";
}

bool input_action_row(const input& in, int row, std::string& key_name, std::string& action_name,
                      std::string& label) {
    if (row < 0 || row >= static_cast<int>(in.actions.size())) return false;
    const player_action& action = in.actions[static_cast<std::size_t>(row)];
    const int32_t key = input_find_key(in, static_cast<int32_t>(action.code));
    if (key < 0) return false;
    key_name = input_key_name(in, key);
    action_name = action.name;
    const std::vector<std::string>& labels = server_get().text_tables[kTextKeys].entries;
    label = action.label < labels.size() ? labels[action.label] : std::string();
    return true;
}

}  // namespace kv
