#include "ui/widgets/kvtext.h"

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

void kvtext_init(kvtext& t, int32_t x, int32_t y, const float (&colour)[4], const std::string& text,
                 const std::string& font, int32_t char_width, int32_t char_height, int32_t alignment,
                 bool flag) {
    t.text.clear();
    t.font.clear();
    kvtext_setup(t, x, y, colour, text, font, char_width, char_height, alignment, flag);
}

void kvtext_init(kvtext& t, float x, float y, const float (&colour)[4], const std::string& text,
                 const int32_t (&values)[3], int32_t alignment, const std::string& font) {
    kvtext_init(t, 0, 0, colour, text, font, values[0], values[2], alignment, values[1] != 0);
    t.x = x;
    t.y = y;
}

void kvtext_init_default(kvtext& t) {
    t.x = t.y = 0.0f;
    t.char_width = t.char_height = 0.0f;
    t.alignment = kTextAlignLeft;
    t.text.clear();
    t.font.clear();
    t.flag = 0;
    t.visible = 1;
}

void kvtext_setup(kvtext& t, int32_t x, int32_t y, const float (&colour)[4], const std::string& text,
                  const std::string& font, int32_t char_width, int32_t char_height, int32_t alignment,
                  bool flag) {
    t.x = static_cast<float>(x);
    t.y = static_cast<float>(y);
    t.char_width = static_cast<float>(char_width);
    t.char_height = static_cast<float>(char_height);
    t.alignment = alignment;
    kvtext_set_color(t, colour);
    t.text = text;
    t.font = font;
    t.flag = flag ? 1 : 0;
    t.visible = 1;
}

void kvtext_destroy(kvtext& t) {
    t.font.clear();
    t.text.clear();
}

void kvtext_set_position(kvtext& t, int32_t x, int32_t y) {
    t.x = static_cast<float>(x);
    t.y = static_cast<float>(y);
}

void kvtext_set_x(kvtext& t, int32_t x) {
    t.x = static_cast<float>(x);
}

void kvtext_set_y(kvtext& t, int32_t y) {
    t.y = static_cast<float>(y);
}

void kvtext_set_color(kvtext& t, const float (&colour)[4]) {
    for (int i = 0; i < 4; ++i) t.colour[i] = colour[i];
}

void kvtext_get_color(const kvtext& t, float (&colour)[4]) {
    for (int i = 0; i < 4; ++i) colour[i] = t.colour[i];
}

void kvtext_set_text(kvtext& t, const std::string& text) {
    t.text = text;
}

void kvtext_set_font(kvtext& t, const std::string& font) {
    t.font = font;
}

void kvtext_set_visible(kvtext& t, bool visible) {
    t.visible = visible ? 1 : 0;
}

bool kvtext_draw(const kvtext& t) {
    if (!t.visible) return true;
    gfx& g = kernel_get().graphics;
    texture* font = widget_texture(g, t.font);
    if (!font) return false;
    const int8_t* widths = font_find_metrics(t.font);
    if (t.alignment < kTextAlignLeft || t.alignment > kTextAlignRight) return true;
    double start = static_cast<double>(t.x);
    if (t.alignment != kTextAlignLeft) {
        // With metrics the text's width; without (not read yet) whole cells.
        const int32_t width =
            widths ? text_width(t.text, screen_int(static_cast<double>(t.char_width)), widths)
                   : screen_int(static_cast<double>(t.text.size()) * static_cast<double>(t.char_width));
        start -= static_cast<double>(t.alignment == kTextAlignCentre ? width / 2 : width);
    }
    g.driver->draw_text(font, {t.colour[0], t.colour[1], t.colour[2]}, screen_int(start),
                        screen_int(static_cast<double>(t.y)), screen_int(static_cast<double>(t.char_width)),
                        screen_int(static_cast<double>(t.char_height)), t.text, t.flag != 0, widths);
    return true;
}

}  // namespace kv
