#pragma once
// Three small widgets of the screens: the check box (a two-look picture with a label), the slider
// (a knob the mouse drags along a track) and the counter (a row of digit pictures showing a number).

#include <cstdint>
#include <string>

#include "ui/widgets/kvtext.h"

namespace kv {

// The 18 values of a check box's screen description, in their order.
struct kvcheck_desc {
    float picture[4] = {};  // x, y, width, height
    std::string picture_name;
    float picture_colour[3] = {1.0f, 1.0f, 1.0f};
    int32_t label_x = 0;
    int32_t label_y = 0;
    std::string text;
    int32_t checked = 0;
    std::string font;
    float label_colour[3] = {1.0f, 1.0f, 1.0f};
    int32_t char_width = 0;
    int32_t char_height = 0;
};

struct kvcheck {
    kvcheck() = default;
    explicit kvcheck(const kvcheck_desc& desc);

    float picture[4] = {};
    std::string picture_name;  // the unchecked look left, the checked look right
    float picture_colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float label_colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};  // the description's, shown while enabled
    kvtext label;
    uint8_t checked = 0;
    uint8_t enabled = 1;
    uint8_t visible = 1;
};

// True while the mouse is inside the picture; a click there toggles (or is refused when disabled).
bool kvcheck_input(kvcheck& w, bool click, int32_t x, int32_t y);
bool kvcheck_draw(kvcheck& w);
void kvcheck_set_enabled(kvcheck& w, bool enabled);
void kvcheck_set_checked(kvcheck& w, bool checked);
bool kvcheck_is_checked(const kvcheck& w);
void kvcheck_set_visible(kvcheck& w, bool visible);
void kvcheck_set_text(kvcheck& w, const std::string& text);

// The 13 values of a slider's screen description, in their order.
struct kvslide_desc {
    float track[4] = {};  // x, y, width, height
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float knob_width = 0.0f;
    float knob_height = 0.0f;
    std::string track_picture;
    std::string knob_picture;
    float minimum = 0.0f;
    float maximum = 1.0f;
};

struct kvslide {
    kvslide() = default;
    explicit kvslide(const kvslide_desc& desc);

    float value = 0.0f;
    float track[4] = {};
    float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float knob_width = 0.0f;
    float knob_height = 0.0f;
    float knob_x = 0.0f;
    float knob_y = 0.0f;
    float half_knob = 0.0f;
    float scale = 0.0f;  // 1 / track width
    std::string track_picture;
    std::string knob_picture;
    float minimum = 0.0f;
    float maximum = 1.0f;
    int32_t last_mouse_x = 0;
    uint8_t dragging = 0;
    uint8_t visible = 1;
};

// Out of the limits gives 0.0; the knob goes to the value's place on the track.
void kvslide_set_value(kvslide& w, float v);
// True while the mouse is near the knob; a held button there drags it.
bool kvslide_input(kvslide& w, bool held, int32_t x, int32_t y);
bool kvslide_draw(kvslide& w);

// The 9 values of a counter's screen description, in their order.
struct kvcounter_desc {
    int32_t rect[4] = {};  // x, y, width, height
    int32_t digits = 1;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    std::string picture;  // the ten digits side by side
};

struct kvcounter {
    kvcounter() = default;
    explicit kvcounter(const kvcounter_desc& desc);

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t digit_count = 0;
    float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    std::string picture;
    uint8_t visible = 1;
    std::string digits;  // one character per shown digit
};

// Shows the value's last n digits with leading zeros; a negative value shows zeros.
void kvcounter_set_value(kvcounter& w, int32_t value, int32_t n);
bool kvcounter_draw(kvcounter& w);
void kvcounter_set_visible(kvcounter& w, bool visible);

}  // namespace kv
