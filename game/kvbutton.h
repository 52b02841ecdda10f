#pragma once
// The clickable menu item of the GUI screens: a rectangle showing a picture and a text label that
// highlights under the pointer, plays an interface sound when pressed and reports the press to its
// screen.

#include <cstdint>
#include <string>

#include "ui/kvtext.h"

namespace kv {

// Picture styles.
inline constexpr int32_t kButtonWhole = 0;       // the whole picture
inline constexpr int32_t kButtonFourFrames = 1;  // four frames stacked vertically
inline constexpr int32_t kButtonTwoFrames = 2;   // two frames side by side

// States, and the row of the colour sets used while disabled.
inline constexpr int32_t kButtonNormal = 0;
inline constexpr int32_t kButtonHighlighted = 1;
inline constexpr int32_t kButtonPressed = 2;
inline constexpr int32_t kButtonDisabledRow = 3;

struct kvbutton {
    float left = 0.0f;
    float top = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t style = kButtonWhole;
    int32_t state = kButtonNormal;
    kvtext label;
    std::string picture;
    float picture_colours[4][4] = {};  // RGBA: normal, under the pointer, pressed, disabled
    float label_colours[4][4] = {};
    float texture_rect[4] = {0.0f, 0.0f, 1.0f, 1.0f};  // start u, start v, end u, end v
    uint8_t enabled = 1;
    uint8_t visible = 1;
};

// The label text, font, values and alignment go to the label, which stands at the button's vertical
// middle (plus half the third value) and at its left edge, centre or right edge by the alignment.
void kvbutton_init(kvbutton& b, int32_t left, int32_t top, int32_t width, int32_t height,
                   const std::string& picture, const std::string& label_text, const std::string& label_font,
                   const int32_t (&label_values)[3], int32_t style, int32_t alignment,
                   const float (&label_colours)[4][4], const float (&picture_colours)[4][4]);
// A pointer event; true when the press of an enabled button starts here, or when the pointer is over
// the button without pressing. The edges are outside.
bool kvbutton_handle_pointer(kvbutton& b, bool pressed, int32_t x, int32_t y);
// The picture (the frame of its style and state, through the display driver), then the label.
void kvbutton_draw(kvbutton& b);
void kvbutton_draw_label(const kvbutton& b);
void kvbutton_set_enabled(kvbutton& b, bool enabled);
void kvbutton_set_visible(kvbutton& b, bool visible);

}  // namespace kv
