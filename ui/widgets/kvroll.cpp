#include "ui/widgets/kvroll.h"

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/widget_sound.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

namespace {

int32_t item_count(const kvroll& w) {
    return static_cast<int32_t>(w.items.size());
}

// A step on an enabled roll, or the refusal on a disabled one.
void step(kvroll& w, bool forward, bool light_first, bool light_second) {
    if (!w.enabled) {
        widget_sound(kSoundRefused);
        return;
    }
    const int32_t count = item_count(w);
    if (forward) {
        w.current = (w.current + 1) % count;
    } else {
        w.current = w.current <= 0 ? count - 1 : w.current - 1;
    }
    if (light_first) w.first_lit = 1;
    if (light_second) w.second_lit = 1;
    widget_sound(kSoundChoice);
}

void set_half(kvroll& w, uint8_t& lit) {
    w.texture_rect[0] = lit ? 0.5f : 0.0f;
    w.texture_rect[1] = 0.0f;
    w.texture_rect[2] = lit ? 1.0f : 0.5f;
    w.texture_rect[3] = 1.0f;
    lit = 0;
}

void draw_picture(kvroll& w, texture* t, const float (&colour)[4], float x, float y, float width,
                  float height) {
    kernel_get().graphics.driver->draw_quad_uv_tinted_at(t, {colour[0], colour[1], colour[2]}, x, y, width,
                                                         height, {w.texture_rect[0], w.texture_rect[1]},
                                                         {w.texture_rect[2], w.texture_rect[3]});
}

}  // namespace

void kvroll_init(kvroll& w, float x, float y, float width, float height, const float (&frame_colour)[4],
                 const float (&arrow_colour)[4], const std::string& frame_picture,
                 const std::string& first_arrow, const std::string& second_arrow, const std::string& font,
                 float item_char_width, float item_char_height, float arrow_width, float arrow_height,
                 float item_x, float item_y) {
    w = kvroll{};
    w.x = x;
    w.y = y;
    w.width = width;
    w.height = height;
    for (int i = 0; i < 4; ++i) {
        w.frame_colour[i] = frame_colour[i];
        w.arrow_colour[i] = arrow_colour[i];
    }
    w.frame_picture = frame_picture;
    w.first_arrow = first_arrow;
    w.second_arrow = second_arrow;
    w.font = font;
    w.item_char_width = item_char_width;
    w.item_char_height = item_char_height;
    w.arrow_width = arrow_width;
    w.arrow_height = arrow_height;
    w.item_x = item_x;
    w.item_y = item_y;
    w.arrow_step = !first_arrow.empty() && !second_arrow.empty() ? arrow_width + arrow_width / 12.0f : 0.0f;
    w.arrow_top = (height - arrow_height) / 2.0f;
}

void kvroll_destroy(kvroll& w) {
    w.items.clear();
    w.frame_picture.clear();
    w.first_arrow.clear();
    w.second_arrow.clear();
    w.font.clear();
}

void kvroll_add_item(kvroll& w, const std::string& text, const float (&colour)[4]) {
    kvtext label;
    kvtext_init(label, screen_int(static_cast<double>(w.item_x)), screen_int(static_cast<double>(w.item_y)),
                colour, text, w.font, screen_int(static_cast<double>(w.item_char_width)),
                screen_int(static_cast<double>(w.item_char_height)), kTextAlignLeft, false);
    w.items.push_back(label);
}

int32_t kvroll_select(kvroll& w, int32_t n) {
    const int32_t count = item_count(w);
    if (count == 0) return 0;
    const int32_t remainder = n % count;
    w.current = remainder < 0 ? remainder + count : remainder;
    return n / count;
}

void kvroll_set_visible(kvroll& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

void kvroll_set_enabled(kvroll& w, bool enabled) {
    w.enabled = enabled ? 1 : 0;
}

bool kvroll_draw(kvroll& w) {
    if (!w.visible) return false;
    gfx& g = kernel_get().graphics;
    if (texture* t = widget_texture(g, w.frame_picture)) {
        draw_picture(w, t, w.frame_colour, w.x, w.y, w.width, w.height);
    }
    if (w.current >= 0 && w.current < item_count(w)) {
        kvtext& item = w.items[static_cast<std::size_t>(w.current)];
        if (w.enabled) {
            kvtext_draw(item);
        } else {
            float own[4];
            kvtext_get_color(item, own);
            kvtext_set_color(item, {0.5f, 0.5f, 0.5f, 0.0f});
            kvtext_draw(item);
            kvtext_set_color(item, own);
        }
    }
    const float arrow_y = w.y + w.arrow_top;
    if (!w.first_arrow.empty()) {
        set_half(w, w.first_lit);
        if (texture* t = widget_texture(g, w.first_arrow)) {
            draw_picture(w, t, w.arrow_colour, w.x + w.width - 2.0f * w.arrow_step, arrow_y, w.arrow_width,
                         w.arrow_height);
        }
    }
    if (w.second_arrow.empty()) return false;
    set_half(w, w.second_lit);
    texture* t = widget_texture(g, w.second_arrow);
    if (!t) return false;
    draw_picture(w, t, w.arrow_colour, w.x + w.width - w.arrow_step, arrow_y, w.arrow_width, w.arrow_height);
    return true;
}

bool kvroll_handle_pointer(kvroll& w, bool left_click, bool right_click, bool wheel_up, bool wheel_down,
                           int32_t mx, int32_t my) {
    if (!w.visible || w.items.empty()) return false;
    const float x = static_cast<float>(mx);
    const float y = static_cast<float>(my);
    const float top = w.y + w.arrow_top;
    const float bottom = top + w.arrow_height;
    const float right = w.x + w.width;
    const auto in_arrow = [&](float left, float end) { return x > left && x < end && y > top && y < bottom; };
    if (!w.first_arrow.empty() && in_arrow(right - 2.0f * w.arrow_step, right - w.arrow_step)) {
        if (left_click || wheel_down) {
            step(w, true, true, false);
        } else if (wheel_up) {
            step(w, false, false, false);
        }
        return true;
    }
    if (!w.second_arrow.empty() && in_arrow(right - w.arrow_step, right)) {
        if (left_click || wheel_up) {
            step(w, false, false, true);
        } else if (wheel_down) {
            step(w, true, true, false);
        }
        return true;
    }
    if (x > w.x && x < right - 2.0f * w.arrow_step && y > w.y && y < w.y + w.height) {
        if (left_click || wheel_down) {
            step(w, true, false, false);
        } else if (right_click || wheel_up) {
            step(w, false, false, false);
        }
        return true;
    }
    return false;
}

}  // namespace kv
