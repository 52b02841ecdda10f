#include "ui/input/key_names.h"

namespace kv {
namespace {

constexpr key_name_entry kKeyNames[kKeyNameCount] = {
    {'0', "0"},
    {'1', "1"},
    {'2', "2"},
    {'3', "3"},
    {'4', "4"},
    {'5', "5"},
    {'6', "6"},
    {'7', "7"},
    {'8', "8"},
    {'9', "9"},
    {'a', "A"},
    {'b', "B"},
    {'c', "C"},
    {'d', "D"},
    {'e', "E"},
    {'f', "F"},
    {'g', "G"},
    {'h', "H"},
    {'i', "I"},
    {'j', "J"},
    {'k', "K"},
    {'l', "L"},
    {'m', "M"},
    {'n', "N"},
    {'o', "O"},
    {'p', "P"},
    {'q', "Q"},
    {'r', "R"},
    {'s', "S"},
    {'t', "T"},
    {'u', "U"},
    {'v', "V"},
    {'w', "W"},
    {'x', "X"},
    {'y', "Y"},
    {'z', "Z"},
    {'-', "-"},
    {'=', "="},
    {'[', "["},
    {']', "]"},
    {';', ";"},
    {'\'', "'"},
    {',', ","},
    {'.', "."},
    {'/', "/"},
    {'\\', "\\"},
    {'`', "`"},
    {0, ""},
    {32, "SPACE"},
    {128, "UP ARROW"},
    {129, "DOWN ARROW"},
    {130, "LEFT ARROW"},
    {131, "RIGHT ARROW"},
    {132, "F1"},
    {133, "F2"},
    {134, "F3"},
    {135, "F4"},
    {136, "F5"},
    {137, "F6"},
    {138, "F7"},
    {139, "F8"},
    {140, "F9"},
    {141, "F10"},
    {142, "F11"},
    {143, "F12"},
    {144, "TAB"},
    {145, "ENTER"},
    {146, "ESCAPE"},
    {147, "BACKSPACE"},
    {148, "DELETE"},
    {149, "PGUP"},
    {150, "PGDN"},
    {151, "END"},
    {152, "HOME"},
    {153, "INSERT"},
    {154, "LSHIFT"},
    {155, "RSHIFT"},
    {156, "LCTRL"},
    {157, "RCTRL"},
    {158, "LALT"},
    {159, "RALT"},
    {160, "NUMPAD PGUP"},
    {161, "NUMPAD PGDN"},
    {162, "NUMPAD HOME"},
    {163, "NUMPAD END"},
    {164, "NUMPAD INSERT"},
    {165, "NUMPAD DELETE"},
    {166, "NUMPAD 5"},
    {168, "NUMPAD UP"},
    {167, "NUMPAD DOWN"},
    {169, "NUMPAD LEFT"},
    {170, "NUMPAD RIGHT"},
    {171, "NUMPAD STAR"},
    {172, "NUMPAD PLUS"},
    {173, "NUMPAD MINUS"},
    {174, "NUMPAD SLASH"},
    {175, "NUMPAD ENTER"},
    {176, "MOUSE LBUTTON"},
    {177, "MOUSE MBUTTON"},
    {178, "MOUSE RBUTTON"},
};

constexpr action_entry kActions[kActionCount] = {
    {1, 0, "Forward"},
    {2, 1, "Backward"},
    {11, 2, "Step left"},
    {12, 3, "Step right"},
    {15, 4, "Lean left"},
    {16, 5, "Lean right"},
    {18, 8, "Walk mod"},
    {17, 9, "Jump"},
    {19, 7, "Go down"},
    {20, 6, "Stand up"},
    {32, 10, "Primary weapon"},
    {33, 11, "Secondary weapon"},
    {34, 12, "Ternary weapon"},
    {35, 13, "Grenades"},
    {36, 14, "Aux weapon"},
    {37, 15, "Fire"},
    {38, 16, "Fire2"},
    {39, 17, "Fire3"},
    {40, 18, "Reload"},
    {41, 30, "Swim mode"},
    {42, 31, "NVG"},
    {43, 32, "Lamp"},
    {44, 33, "Use"},
    {47, 35, "Show weaponry"},
    {48, 36, "Drop item"},
    {49, 37, "Add item"},
    {28, 19, "Camera mode"},
    {29, 20, "Camera select"},
    {27, 21, "Change team"},
    {25, 22, "Show comhud"},
    {30, 23, "Send message"},
    {31, 24, "Radio"},
    {21, 25, "Quit"},
    {22, 26, "Screenshot"},
    {26, 27, "Toggle console"},
    {24, 28, "Show scores"},
    {23, 29, "Show controls"},
    {46, 34, "Toggle RPG hud"},
    {45, 38, "Breath control"},
};

// DirectInput key constants (set-1 scan codes; extended keys 0x80 + code).
constexpr key_translation kDirectInputKeys[kDirectInputKeyCount] = {
    {0x0B, '0'}, {0x02, '1'}, {0x03, '2'}, {0x04, '3'},  {0x05, '4'}, {0x06, '5'}, {0x07, '6'},
    {0x08, '7'}, {0x09, '8'}, {0x0A, '9'}, {0x1E, 'a'},  {0x30, 'b'}, {0x2E, 'c'}, {0x20, 'd'},
    {0x12, 'e'}, {0x21, 'f'}, {0x22, 'g'}, {0x23, 'h'},  {0x17, 'i'}, {0x24, 'j'}, {0x25, 'k'},
    {0x26, 'l'}, {0x32, 'm'}, {0x31, 'n'}, {0x18, 'o'},  {0x19, 'p'}, {0x10, 'q'}, {0x13, 'r'},
    {0x1F, 's'}, {0x14, 't'}, {0x16, 'u'}, {0x2F, 'v'},  {0x11, 'w'}, {0x2D, 'x'}, {0x15, 'y'},
    {0x2C, 'z'}, {0x0C, '-'}, {0x0D, '='}, {0x1A, '['},  {0x1B, ']'}, {0x27, ';'}, {0x28, '\''},
    {0x33, ','}, {0x34, '.'}, {0x35, '/'}, {0x2B, '\\'}, {0x29, '`'}, {0x39, 32},  {0xC8, 128},
    {0xD0, 129}, {0xCB, 130}, {0xCD, 131},  // arrows
    {0x3B, 132}, {0x3C, 133}, {0x3D, 134}, {0x3E, 135},  {0x3F, 136}, {0x40, 137}, {0x41, 138},
    {0x42, 139}, {0x43, 140}, {0x44, 141}, {0x57, 142},  {0x58, 143},  // F1-F12
    {0x0F, 144}, {0x1C, 145}, {0x01, 146}, {0x0E, 147},  {0xD3, 148}, {0xC9, 149}, {0xD1, 150},
    {0xCF, 151}, {0xC7, 152}, {0xD2, 153}, {0x2A, 154},  {0x36, 155}, {0x1D, 156}, {0x9D, 157},
    {0x38, 158}, {0xB8, 159}, {0x49, 160}, {0x51, 161},  {0x47, 162}, {0x4F, 163}, {0x52, 164},
    {0x53, 165}, {0x4C, 166}, {0x50, 167}, {0x48, 168},  {0x4B, 169}, {0x4D, 170}, {0x37, 171},
    {0x4E, 172}, {0x4A, 173}, {0xB5, 174}, {0x9C, 175},  // the keypad
};

constexpr key_translation kWin32Keys[kWin32KeyCount] = {
    {9, 144},   {13, 145},  {27, 146},  {8, 147},   {46, 148},  {37, 130},  {38, 128},  {39, 131},
    {40, 129},  {160, 154}, {162, 156}, {164, 158}, {161, 155}, {163, 157}, {165, 159}, {112, 132},
    {113, 133}, {114, 134}, {115, 135}, {116, 136}, {117, 137}, {118, 138}, {119, 139}, {120, 140},
    {121, 141}, {32, 32},   {48, 48},   {49, 49},   {50, 50},   {51, 51},   {52, 52},   {53, 53},
    {54, 54},   {55, 55},   {56, 56},   {57, 57},   {65, 97},   {66, 98},   {67, 99},   {68, 100},
    {69, 101},  {70, 102},  {71, 103},  {72, 104},  {73, 105},  {74, 106},  {75, 107},  {76, 108},
    {77, 109},  {78, 110},  {79, 111},  {80, 112},  {81, 113},  {82, 114},  {83, 115},  {84, 116},
    {85, 117},  {86, 118},  {87, 119},  {88, 120},  {89, 121},  {90, 122},
};

int32_t translate(const key_translation* table, int count, uint32_t from) {
    for (int i = 0; i < count; ++i) {
        if (table[i].from == from) return static_cast<int32_t>(table[i].code);
    }
    return 0;
}

}  // namespace

const key_name_entry* key_name_table() {
    return kKeyNames;
}

const action_entry* action_table() {
    return kActions;
}

const key_translation* direct_input_key_table() {
    return kDirectInputKeys;
}

const key_translation* win32_key_table() {
    return kWin32Keys;
}

int32_t key_code_from_direct_input(uint32_t dik) {
    return translate(kDirectInputKeys, kDirectInputKeyCount, dik);
}

int32_t key_code_from_virtual_key(uint32_t vk) {
    return translate(kWin32Keys, kWin32KeyCount, vk);
}

uint32_t direct_input_key_of_code(int32_t code) {
    for (const key_translation& t : kDirectInputKeys) {
        if (static_cast<int32_t>(t.code) == code) return t.from;
    }
    return 0;
}

}  // namespace kv
