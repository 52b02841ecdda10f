#pragma once
// The program's one key-code space (keyboard keys 1-175, mouse buttons 176-178), the names of the
// keys, the player actions, and the two tables that translate DirectInput key constants and Windows
// virtual-key codes into key codes.

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int32_t kKeyCodeShiftLeft = 154;
inline constexpr int32_t kKeyCodeShiftRight = 155;
inline constexpr int32_t kKeyCodeMouseLeft = 176;
inline constexpr int32_t kKeyCodeMouseMiddle = 177;
inline constexpr int32_t kKeyCodeMouseRight = 178;

struct key_name_entry {
    uint32_t code;
    const char* name;
};

struct action_entry {
    uint32_t code;
    uint32_t label;  // index of the display label in the "keys" text table
    const char* name;
};

struct key_translation {
    uint32_t from;  // DirectInput key constant or Windows virtual-key code
    uint32_t code;
};

inline constexpr int kKeyNameCount = 100;
inline constexpr int kActionCount = 39;
inline constexpr int kDirectInputKeyCount = 96;
inline constexpr int kWin32KeyCount = 62;

const key_name_entry* key_name_table();
const action_entry* action_table();
const key_translation* direct_input_key_table();
const key_translation* win32_key_table();

// The key code of a DirectInput key constant or a virtual-key code; 0 when the table has none.
int32_t key_code_from_direct_input(uint32_t dik);
int32_t key_code_from_virtual_key(uint32_t vk);
// The first DirectInput key constant that gives the key code; 0 when none does.
uint32_t direct_input_key_of_code(int32_t code);

}  // namespace kv
