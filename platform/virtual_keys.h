#pragma once
// Windows virtual-key codes of SDL keys: the one table the window pump uses for the key messages
// it hands to a display driver's window (and the input layer's fallback reads).

#include <cstdint>

namespace kv {

// Virtual-key codes the program names.
inline constexpr uint32_t kVkBack = 0x08;
inline constexpr uint32_t kVkTab = 0x09;
inline constexpr uint32_t kVkReturn = 0x0D;
inline constexpr uint32_t kVkEscape = 0x1B;
inline constexpr uint32_t kVkSpace = 0x20;
inline constexpr uint32_t kVkLeft = 0x25;
inline constexpr uint32_t kVkUp = 0x26;
inline constexpr uint32_t kVkRight = 0x27;
inline constexpr uint32_t kVkDown = 0x28;
inline constexpr uint32_t kVkDelete = 0x2E;
inline constexpr uint32_t kVkLeftWindows = 0x5B;
inline constexpr uint32_t kVkRightWindows = 0x5C;
inline constexpr uint32_t kVkApps = 0x5D;
inline constexpr uint32_t kVkF1 = 0x70;
inline constexpr uint32_t kVkLeftShift = 0xA0;
inline constexpr uint32_t kVkRightShift = 0xA1;
inline constexpr uint32_t kVkLeftControl = 0xA2;
inline constexpr uint32_t kVkRightControl = 0xA3;
inline constexpr uint32_t kVkLeftMenu = 0xA4;
inline constexpr uint32_t kVkRightMenu = 0xA5;

// The virtual-key code of an SDL key code (SDL_Keycode); 0 for a key the table does not hold.
uint32_t sys_virtual_key(int32_t sdl_keycode);

struct virtual_key_pair {
    int32_t sdl_keycode;
    uint32_t virtual_key;
};
// The whole table, for tests.
const virtual_key_pair* sys_virtual_key_table(int* count);

}  // namespace kv
