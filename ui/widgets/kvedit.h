#pragma once
// The edit box: a one-line text field in a framed picture whose colour tells its state (normal,
// under the mouse, being edited, disabled). A click inside starts editing; the screen then hands the
// box the key events and ticks its cursor blink; ENTER, ESCAPE, NUMPAD SLASH or a mouse button key
// end the editing and keep the typed text.

#include <cstdint>
#include <string>

#include "ui/widgets/kvtext.h"

namespace kv {

inline constexpr int32_t kEditNormal = 0;
inline constexpr int32_t kEditHover = 1;
inline constexpr int32_t kEditEditing = 3;

// The 24 values of an edit box's screen description, in their order.
struct kvedit_desc {
    float frame[4] = {};  // x, y, width, height
    int32_t max_length = 0;
    int32_t label_x = 0;
    int32_t label_y = 0;
    std::string frame_picture;
    std::string text;
    std::string font;
    int32_t char_width = 0;
    int32_t char_height = 0;
    float normal[3] = {1.0f, 1.0f, 1.0f};
    float hover[3] = {1.0f, 1.0f, 1.0f};
    float editing[3] = {1.0f, 1.0f, 1.0f};
    float disabled[3] = {1.0f, 1.0f, 1.0f};
};

struct kvedit {
    kvedit() = default;
    explicit kvedit(const kvedit_desc& desc);

    float frame[4] = {};
    int32_t max_length = 0;  // the text holds at most max_length - 1 characters
    int32_t state = kEditNormal;
    int32_t blink_time = 0;
    std::string text;
    std::string font;
    std::string frame_picture;
    float normal[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float hover[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float editing[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float disabled[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    kvtext label;
    uint8_t enabled = 1;
    uint8_t visible = 1;
    // Set by the screen that owns a number field: only '0'-'9' and the keypad digits are typed.
    uint8_t digits_only = 0;
};

// The hover test of every frame: true while the mouse is inside; a click there starts editing.
bool kvedit_hover(kvedit& w, bool click, int32_t x, int32_t y);
// A key event (the key code, negative when released).
void kvedit_handle_key(kvedit& w, int32_t key);
void kvedit_blink(kvedit& w, int32_t elapsed_ms);
bool kvedit_draw(kvedit& w);
void kvedit_set_text(kvedit& w, const std::string& text);
bool kvedit_is_editing(const kvedit& w);
void kvedit_set_enabled(kvedit& w, bool enabled);
void kvedit_set_visible(kvedit& w, bool visible);
void kvedit_set_digits_only(kvedit& w, bool on);

}  // namespace kv
