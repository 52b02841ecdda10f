#include "kernel/key_bindings.h"

#include <cstdint>

#include "kernel/kernel.h"

namespace kv {
namespace {

struct default_binding {
    uint32_t key;
    uint32_t action;
};

// Keys: printable keys by their lower-case character, special keys from 128 up. Actions without a
// name in the input layer's action table reach the game like any other action code.
constexpr default_binding kDefaultBindings[] = {
    {'a', 11},                                                                        // Step left
    {'d', 12},                                                                        // Step right
    {'w', 1},                                                                         // Forward
    {'s', 2},                                                                         // Backward
    {'q', 15},                                                                        // Lean left
    {'e', 16},                                                                        // Lean right
    {' ', 17},                                                                        // Jump
    {154, 18},                                                                        // LSHIFT: Walk mod
    {'z', 19},                                                                        // Go down
    {'x', 20},                                                                        // Stand up
    {'1', 32},                                                                        // Primary weapon
    {'2', 33},                                                                        // Secondary weapon
    {'3', 34},                                                                        // Ternary weapon
    {'4', 35},                                                                        // Grenades
    {'5', 36},                                                                        // Aux weapon
    {176, 37},                                                                        // MOUSE LBUTTON: Fire
    {178, 38},                                                                        // MOUSE RBUTTON: Fire2
    {177, 39},                                                                        // MOUSE MBUTTON: Fire3
    {'r', 40},                                                                        // Reload
    {'c', 41},                                                                        // Swim mode
    {'b', 42},                                                                        // NVG
    {'f', 44},                                                                        // Use
    {'\\', 46},                                                                       // Toggle RPG hud
    {158, 45},                                                                        // LALT: Breath control
    {'i', 13},   {'k', 14},   {'j', 9},    {'l', 10}, {'y', 8}, {'h', 7}, {135, 27},  // F4: Change team
    {136, 25},                                                                        // F5: Show comhud
    {137, 30},                                                                        // F6: Send message
    {138, 31},                                                                        // F7: Radio
    {146, 21},                                                                        // ESCAPE: Quit
    {139, 22},                                                                        // F8: Screenshot
    {140, 4096}, {144, 24},                                                           // TAB: Show scores
    {132, 23},                                                                        // F1: Show controls
    {'6', 47},                                                                        // Show weaponry
    {'n', 48},                                                                        // Drop item
    {'m', 49},                                                                        // Add item
    {'p', 4106}, {'[', 4107}, {']', 4108}, {'7', 0},
};

}  // namespace

void bind_default_keys(kernel& k) {
    for (const default_binding& binding : kDefaultBindings) kernel_bind_key(k, binding.key, binding.action);
}

}  // namespace kv
