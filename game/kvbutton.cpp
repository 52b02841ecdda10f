#include "game/kvbutton.h"

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/widget_texture.h"

namespace kv {
namespace {

void set_label_colour(kvbutton& b, int row) {
    kvtext_set_color(b.label, b.label_colours[row]);
}

void play(const char* name) {
    snd_play(kernel_get().sound, 1, name, 0, 0, false);
}

// Colour row and texture rectangle of each state (rows 0-2) and of a disabled button (row 3), per style.
struct frame {
    int colour_row;
    float rect[4];
};
constexpr frame kFrames[3][4] = {
    {{0, {0.0f, 0.0f, 1.0f, 1.0f}},
     {1, {0.0f, 0.0f, 1.0f, 1.0f}},
     {2, {0.0f, 0.0f, 1.0f, 1.0f}},
     {3, {0.0f, 0.0f, 1.0f, 1.0f}}},
    {{0, {0.0f, 0.0f, 1.0f, 0.25f}},
     {0, {0.0f, 0.5f, 1.0f, 0.75f}},
     {0, {0.0f, 0.25f, 1.0f, 0.5f}},
     {3, {0.0f, 0.75f, 1.0f, 1.0f}}},
    {{0, {0.0f, 0.0f, 0.5f, 1.0f}},
     {0, {0.0f, 0.0f, 0.5f, 1.0f}},
     {2, {0.5f, 0.0f, 1.0f, 1.0f}},
     {3, {0.0f, 0.0f, 0.5f, 1.0f}}},
};

}  // namespace

void kvbutton_init(kvbutton& b, int32_t left, int32_t top, int32_t width, int32_t height,
                   const std::string& picture, const std::string& label_text, const std::string& label_font,
                   const int32_t (&label_values)[3], int32_t style, int32_t alignment,
                   const float (&label_colours)[4][4], const float (&picture_colours)[4][4]) {
    b = kvbutton();
    b.left = static_cast<float>(left);
    b.top = static_cast<float>(top);
    b.width = static_cast<float>(width);
    b.height = static_cast<float>(height);
    b.right = left + width;
    b.bottom = top + height;
    b.style = style;
    b.picture = picture;
    for (int row = 0; row < 4; ++row) {
        for (int i = 0; i < 4; ++i) {
            b.label_colours[row][i] = label_colours[row][i];
            b.picture_colours[row][i] = picture_colours[row][i];
        }
    }
    const int32_t y = top + height / 2 + label_values[2] / 2;
    int32_t x = left;
    if (alignment == kTextAlignCentre) x = left + width / 2;
    if (alignment == kTextAlignRight) x = left + width;
    kvtext_init(b.label, static_cast<float>(x), static_cast<float>(y), b.picture_colours[kButtonNormal],
                label_text, label_values, alignment, label_font);
}

bool kvbutton_handle_pointer(kvbutton& b, bool pressed, int32_t x, int32_t y) {
    if (!b.visible) return false;
    const float fx = static_cast<float>(x);
    const bool inside = b.left < fx && x < b.right && b.top < static_cast<float>(y) && y < b.bottom;
    if (!inside) {
        if (b.enabled) {
            b.state = kButtonNormal;
            set_label_colour(b, kButtonNormal);
        }
        return false;
    }
    if (pressed) {
        if (!b.enabled) {
            play("ui_snd6");
            return false;
        }
        if (b.state == kButtonPressed) return false;
        b.state = kButtonPressed;
        set_label_colour(b, kButtonPressed);
        play("ui_snd1");
        return true;
    }
    if (b.enabled) {
        b.state = kButtonHighlighted;
        set_label_colour(b, kButtonHighlighted);
    }
    return true;
}

void kvbutton_draw(kvbutton& b) {
    if (!b.visible) return;
    gfx& g = kernel_get().graphics;
    if (texture* t = b.picture.empty() ? nullptr : widget_texture(g, b.picture)) {
        const int style = b.style >= kButtonWhole && b.style <= kButtonTwoFrames ? b.style : kButtonWhole;
        const int row = !b.enabled ? kButtonDisabledRow
                                   : (b.state >= kButtonNormal && b.state <= kButtonPressed ? b.state : 0);
        const frame& f = kFrames[style][row];
        for (int i = 0; i < 4; ++i) b.texture_rect[i] = f.rect[i];
        gfx_draw_textured_rect(g, *t, b.picture_colours[f.colour_row], b.left, b.top, b.width, b.height,
                               b.texture_rect);
    }
    kvbutton_draw_label(b);
}

void kvbutton_draw_label(const kvbutton& b) {
    kvtext_draw(b.label);
}

void kvbutton_set_enabled(kvbutton& b, bool enabled) {
    b.enabled = enabled ? 1 : 0;
    if (!enabled) set_label_colour(b, kButtonDisabledRow);
}

void kvbutton_set_visible(kvbutton& b, bool visible) {
    b.visible = visible ? 1 : 0;
}

}  // namespace kv
