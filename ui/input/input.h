#pragma once
// The input layer, a member of the kernel: keyboard and mouse polled once a frame through the
// DirectInput-shaped devices (platform/direct_input.h), or, when those cannot start, the key messages
// the display driver's window queued. One key event a frame becomes a player action through the key
// bindings and goes to the game; while text entry is on the keys stay with whoever reads them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/direct_input.h"
#include "platform/dll.h"

namespace kv {

struct option_registry;

inline constexpr uint32_t kInputDriverNone = 0;
inline constexpr uint32_t kInputDriverWin32 = 1;
inline constexpr uint32_t kInputDriverDirectInput = 2;

inline constexpr int32_t kInputNoAction = 0x10000;
inline constexpr uint32_t kDinputKeyBuffer = 256;
inline constexpr uint32_t kDinputMouseBuffer = 16;
inline constexpr uint32_t kDinputReadRecords = 16;

// A binding whose key is 0 has been cleared.
struct key_binding {
    uint32_t key;
    uint32_t action;
};

struct key_name {
    uint32_t code;
    std::string name;
};

struct player_action {
    uint32_t code;
    uint32_t label;
    std::string name;
};

// The DirectInput driver: the library, the devices and what was read from them.
struct dinput_driver {
    dll library{"dinput.dll"};
    void* window = nullptr;
    bool interface_made = false;
    bool keyboard = false;
    bool mouse = false;
    int32_t motion_x = 0;
    int32_t motion_y = 0;
    di_mouse_state mouse_state;
    di_key_record events[kDinputReadRecords];
    uint32_t event_count = 0;
    uint32_t read_index = 0;
    uint32_t scan_index = 0;
    uint8_t latches[4] = {};
};

struct input {
    std::unique_ptr<dinput_driver> dinput = std::make_unique<dinput_driver>();
    uint32_t driver_kind = kInputDriverNone;
    uint32_t pending_event = 0;  // key code in bits 0-7, bit 15 for a release
    float mouse_sensitivity = 1.0f;
    bool event_pending = false;
    bool text_entry = false;  // keys go to text entry rather than to actions
    bool shift_held = false;
    uint8_t mouse_invert = 0;
    bool left_was_down = false;   // what `input_left_click` saw last
    bool right_was_down = false;  // what `input_right_click` saw last
    std::vector<key_binding> bindings;
    std::vector<key_name> key_names;
    std::vector<player_action> actions;
};

// Leaves the current driver and sets the kind.
void input_select_driver(input& in, uint32_t kind);
// Binds the float option "msensitivity" (5.0) and fills the key-name and action tables.
void input_register_names(input& in, option_registry& options);
// Starts the selected driver (full screen when the option "fullscreen" is "true"), falling back
// from DirectInput to Win32 input.
void input_open(input& in, const option_registry& options);
void input_close_dinput(input& in);
// Reads at most one key event and hands it to the game as its bound action.
void input_poll(input& in);
bool input_has_key_event(input& in);
// Positive: a pressed key code; negative: a released one; 0: none waiting.
int32_t input_read_key(input& in);
// The mouse motion of the last read (0, 0 without DirectInput).
void input_get_mouse_motion(input& in, int32_t& dx, int32_t& dy);
bool input_left_click(input& in);
bool input_right_click(input& in);
bool input_left_held(const input& in);
bool input_wheel_up(const input& in);
bool input_wheel_down(const input& in);
void input_acquire(input& in);
void input_unacquire(input& in);
// Keys go to text entry until it ends (and back to actions then); needs a driver.
void input_begin_text_entry(input& in);
void input_end_text_entry(input& in);
void input_set_mouse_invert(input& in, uint8_t invert);
uint8_t input_mouse_invert(const input& in);
// The soldier's mouse look: true when the invert flag is set.
bool input_mouse_inverted(const input& in);
void input_set_mouse_sensitivity(input& in, float value);

// The key is taken from every other action; the action keeps one binding.
void input_bind_key(input& in, uint32_t key, uint32_t action);
// The action bound to the key, or kInputNoAction.
int32_t input_find_action(const input& in, int32_t key);
// The key bound to the action, or -1.
int32_t input_find_key(const input& in, int32_t action);
// Exact, case-sensitive names; 0 and kInputNoAction when none.
int32_t input_key_code_by_name(const input& in, const std::string& name);
int32_t input_action_by_name(const input& in, const std::string& name);
std::string input_key_name(const input& in, int32_t code);
// False when the action of the row has no binding; else its key's name, its name and its label from
// the "keys" text table.
bool input_action_row(const input& in, int row, std::string& key_name, std::string& action_name,
                      std::string& label);

}  // namespace kv
