#pragma once
// The roll: a framed box showing one of a list of text items, with two small arrow pictures at its
// right end. The arrows, a click on the box and the mouse wheel step to the next or previous item,
// wrapping at both ends. A disabled roll shows its item grey and refuses every step with a sound.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/widgets/kvtext.h"

namespace kv {

struct kvroll {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float arrow_width = 0.0f;
    float arrow_height = 0.0f;
    float item_x = 0.0f;
    float item_y = 0.0f;
    float item_char_width = 0.0f;
    float item_char_height = 0.0f;
    float arrow_step = 0.0f;  // the room each arrow takes; 0 unless both arrows are named
    float arrow_top = 0.0f;
    float texture_rect[4] = {0.0f, 0.0f, 1.0f, 1.0f};  // shared by the frame and the arrows
    int32_t current = 0;
    std::string frame_picture;
    std::string first_arrow;
    std::string second_arrow;
    std::string font;
    float frame_colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float arrow_colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    uint8_t first_lit = 0;
    uint8_t second_lit = 0;
    uint8_t visible = 1;
    uint8_t enabled = 1;
    std::vector<kvtext> items;
};

void kvroll_init(kvroll& w, float x, float y, float width, float height, const float (&frame_colour)[4],
                 const float (&arrow_colour)[4], const std::string& frame_picture,
                 const std::string& first_arrow, const std::string& second_arrow, const std::string& font,
                 float item_char_width, float item_char_height, float arrow_width, float arrow_height,
                 float item_x, float item_y);
void kvroll_destroy(kvroll& w);
void kvroll_add_item(kvroll& w, const std::string& text, const float (&colour)[4]);
// Selects n modulo the item count (a negative n counts back from the end) and returns n divided by
// the count; a roll without items keeps its item and returns 0.
int32_t kvroll_select(kvroll& w, int32_t n);
void kvroll_set_visible(kvroll& w, bool visible);
void kvroll_set_enabled(kvroll& w, bool enabled);
// False when invisible or when the second arrow is missing.
bool kvroll_draw(kvroll& w);
// True while the pointer is over the roll.
bool kvroll_handle_pointer(kvroll& w, bool left_click, bool right_click, bool wheel_up, bool wheel_down,
                           int32_t x, int32_t y);

}  // namespace kv
