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
};

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
// The mouse motion since the last read (0, 0 without DirectInput).
void input_get_mouse_motion(input& in, int32_t& dx, int32_t& dy);

}  // namespace kv
