#pragma once
// The input layer as the kernel uses it: keyboard and mouse polled once a frame, key events mapped
// to player actions through the key bindings and handed to the game.

#include <cstdint>
#include <vector>

namespace kv {

struct option_registry;

inline constexpr uint32_t kInputDriverNone = 0;
inline constexpr uint32_t kInputDriverWin32 = 1;
inline constexpr uint32_t kInputDriverDirectInput = 2;

// A binding whose key is 0 has been cleared.
struct key_binding {
    uint32_t key;
    uint32_t action;
};

struct input {
    uint32_t driver_kind = kInputDriverNone;
    float mouse_sensitivity = 1.0f;
    std::vector<key_binding> bindings;
    bool text_entry = false;  // keys go to text entry rather than to actions
};

inline constexpr int32_t kInputNoAction = 0x10000;

// Leaves the current driver and sets the kind.
void input_select_driver(input& in, uint32_t kind);
// Fills the key-name and action tables and binds the float option "msensitivity".
void input_register_names(input& in, option_registry& options);
// Starts the selected driver, falling back from DirectInput to Win32 input.
void input_open(input& in);
// Reads at most one key event and hands it to the game as its bound action.
void input_poll(input& in);
// The key is taken from every other action; the action keeps one binding.
void input_bind_key(input& in, uint32_t key, uint32_t action);
void input_acquire(input& in);
void input_unacquire(input& in);
// Keys go to text entry until it ends (and back to actions then).
void input_begin_text_entry(input& in);
void input_end_text_entry(input& in);
bool input_has_key_event(input& in);
// Positive: a pressed key code; negative: a released one; 0: none waiting.
int32_t input_read_key(input& in);
// The action bound to the key, or kInputNoAction.
int32_t input_find_action(const input& in, int32_t key);
// The key bound to the action, or -1.
int32_t input_find_key(const input& in, int32_t action);
// The mouse motion since the last read (0, 0 without DirectInput).
void input_get_mouse_motion(input& in, int32_t& dx, int32_t& dy);

}  // namespace kv
