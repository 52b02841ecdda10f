#include "ui/widgets/kvedit.h"

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/widget_sound.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

namespace {

constexpr int32_t kKeyEnter = 145;
constexpr int32_t kKeyEscape = 146;
constexpr int32_t kKeyBackspace = 147;
constexpr int32_t kKeyNumpadSlash = 174;
constexpr int32_t kKeyMouseLeft = 176;
constexpr int32_t kKeyMouseRight = 178;
constexpr int32_t kKeypadFirst = 160;
constexpr int32_t kKeypadLast = 170;
constexpr int32_t kKeypadOdd = 165;  // not a digit: it types the character of its code
// The digit each keypad code types, from 160 on.
constexpr char kKeypadDigits[] = {'9', '3', '7', '1', '0', '\xA5', '5', '2', '8', '4', '6'};
constexpr char kCursorGlyph = '\xFF';
constexpr int32_t kBlinkOn = 350;
constexpr int32_t kBlinkPeriod = 700;

void copy_rgb(float (&to)[4], const float (&from)[3]) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
    to[3] = 0.0f;
}

const float (&state_colour(const kvedit& w))[4] {
    if (w.state == kEditEditing) return w.editing;
    if (w.state == kEditHover) return w.hover;
    return w.normal;
}

}  // namespace

kvedit::kvedit(const kvedit_desc& d)
    : max_length(d.max_length), text(d.text), font(d.font), frame_picture(d.frame_picture) {
    for (int i = 0; i < 4; ++i) frame[i] = d.frame[i];
    copy_rgb(normal, d.normal);
    copy_rgb(hover, d.hover);
    copy_rgb(editing, d.editing);
    copy_rgb(disabled, d.disabled);
    kvtext_init(label, d.label_x, d.label_y, normal, text, font, d.char_width, d.char_height, kTextAlignLeft,
                false);
}

bool kvedit_hover(kvedit& w, bool click, int32_t mx, int32_t my) {
    if (!w.visible || !w.enabled) return false;
    const float x = static_cast<float>(mx);
    const float y = static_cast<float>(my);
    const bool inside =
        x > w.frame[0] && x < w.frame[0] + w.frame[2] && y > w.frame[1] && y < w.frame[1] + w.frame[3];
    if (inside) {
        if (click) {
            if (w.state != kEditEditing) {
                w.state = kEditEditing;
                kvtext_set_color(w.label, w.editing);
                widget_sound(kSoundChoice);
            }
        } else if (w.state != kEditEditing) {
            w.state = kEditHover;
            kvtext_set_color(w.label, w.hover);
        }
        return true;
    }
    if (w.state != kEditEditing) {
        w.state = kEditNormal;
        kvtext_set_color(w.label, w.normal);
    }
    return false;
}

void kvedit_handle_key(kvedit& w, int32_t key) {
    const bool keypad = key >= kKeypadFirst && key <= kKeypadLast;
    if ((key >= 32 && key <= 127) || keypad) {
        if (static_cast<int64_t>(w.text.size()) >= static_cast<int64_t>(w.max_length) - 1) return;
        const char c = keypad ? kKeypadDigits[key - kKeypadFirst] : static_cast<char>(key);
        if (w.digits_only && (key == kKeypadOdd || c < '0' || c > '9')) return;
        w.text.push_back(c);
        kvtext_set_text(w.label, w.text);
        return;
    }
    switch (key) {
        case kKeyEnter:
        case kKeyEscape:
        case kKeyNumpadSlash:
        case kKeyMouseLeft:
        case kKeyMouseRight:
            w.state = kEditNormal;
            kvtext_set_text(w.label, w.text);
            widget_sound(kSoundEditEnd);
            return;
        case kKeyBackspace:
            if (!w.text.empty()) w.text.pop_back();
            kvtext_set_text(w.label, w.text);
            return;
        default:
            return;
    }
}

void kvedit_blink(kvedit& w, int32_t elapsed_ms) {
    w.blink_time += elapsed_ms;
    if (w.blink_time < kBlinkOn) {
        kvtext_set_text(w.label, w.text + kCursorGlyph);
    } else if (w.blink_time < kBlinkPeriod) {
        kvtext_set_text(w.label, w.text);
    } else {
        w.blink_time = 0;
    }
}

bool kvedit_draw(kvedit& w) {
    if (!w.visible) return true;
    gfx& g = kernel_get().graphics;
    if (texture* t = widget_texture(g, w.frame_picture)) {
        const float(&c)[4] = w.enabled ? state_colour(w) : w.disabled;
        g.driver->draw_quad_uv_tinted(t, {c[0], c[1], c[2]}, {w.frame[0], w.frame[1], w.frame[2], w.frame[3]},
                                      {0.0f, 0.0f, 1.0f, 1.0f});
    }
    kvtext_draw(w.label);
    return true;
}

void kvedit_set_text(kvedit& w, const std::string& text) {
    w.text = text;
    kvtext_set_text(w.label, text);
}

bool kvedit_is_editing(const kvedit& w) {
    return w.enabled && w.state == kEditEditing;
}

void kvedit_set_enabled(kvedit& w, bool enabled) {
    w.enabled = enabled ? 1 : 0;
}

void kvedit_set_visible(kvedit& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

void kvedit_set_digits_only(kvedit& w, bool on) {
    w.digits_only = on ? 1 : 0;
}

}  // namespace kv
