#include "platform/virtual_keys.h"

#include <SDL.h>

namespace kv {
namespace {

constexpr virtual_key_pair kTable[] = {
    {SDLK_TAB, kVkTab},
    {SDLK_RETURN, kVkReturn},
    {SDLK_ESCAPE, kVkEscape},
    {SDLK_BACKSPACE, kVkBack},
    {SDLK_DELETE, kVkDelete},
    {SDLK_LEFT, kVkLeft},
    {SDLK_UP, kVkUp},
    {SDLK_RIGHT, kVkRight},
    {SDLK_DOWN, kVkDown},
    {SDLK_LSHIFT, kVkLeftShift},
    {SDLK_LCTRL, kVkLeftControl},
    {SDLK_LALT, kVkLeftMenu},
    {SDLK_RSHIFT, kVkRightShift},
    {SDLK_RCTRL, kVkRightControl},
    {SDLK_RALT, kVkRightMenu},
    {SDLK_F1, kVkF1 + 0},
    {SDLK_F2, kVkF1 + 1},
    {SDLK_F3, kVkF1 + 2},
    {SDLK_F4, kVkF1 + 3},
    {SDLK_F5, kVkF1 + 4},
    {SDLK_F6, kVkF1 + 5},
    {SDLK_F7, kVkF1 + 6},
    {SDLK_F8, kVkF1 + 7},
    {SDLK_F9, kVkF1 + 8},
    {SDLK_F10, kVkF1 + 9},
    {SDLK_F11, kVkF1 + 10},
    {SDLK_F12, kVkF1 + 11},
    {SDLK_SPACE, kVkSpace},
    {SDLK_LGUI, kVkLeftWindows},
    {SDLK_RGUI, kVkRightWindows},
    {SDLK_APPLICATION, kVkApps},
};

}  // namespace

uint32_t sys_virtual_key(int32_t sdl_keycode) {
    // Digits and letters: the virtual key is the character (letters upper case).
    if (sdl_keycode >= SDLK_0 && sdl_keycode <= SDLK_9) return static_cast<uint32_t>(sdl_keycode);
    if (sdl_keycode >= SDLK_a && sdl_keycode <= SDLK_z) return static_cast<uint32_t>(sdl_keycode - 'a' + 'A');
    for (const virtual_key_pair& pair : kTable) {
        if (pair.sdl_keycode == sdl_keycode) return pair.virtual_key;
    }
    return 0;
}

const virtual_key_pair* sys_virtual_key_table(int* count) {
    if (count != nullptr) *count = static_cast<int>(sizeof kTable / sizeof kTable[0]);
    return kTable;
}

}  // namespace kv
