#include "ui/widgets/kvmltext.h"

#include <algorithm>

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

kvmltext::kvmltext() {
    kvmltext_set_text(*this, "", kKeepGrid, kKeepGrid);
}

kvmltext::kvmltext(int32_t x_, int32_t y_, int32_t width_, int32_t height_, int32_t columns_, int32_t rows_,
                   const float (&colour_)[4], const std::string& text, const std::string& font_)
    : x(x_), y(y_), width(width_), height(height_) {
    for (int i = 0; i < 4; ++i) colour[i] = colour_[i];
    kvmltext_set_text(*this, text, columns_, rows_);
    kvmltext_set_font(*this, font_);
}

void kvmltext_set_text(kvmltext& w, const std::string& text, int32_t columns, int32_t rows) {
    w.lines.clear();
    if (columns != kKeepGrid) w.columns = std::max(columns, 1);
    if (rows != kKeepGrid) w.rows = std::max(rows, 1);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!piece.empty() && piece.back() == '\r') piece.pop_back();
        w.lines.push_back(std::move(piece));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    w.char_width = w.width / w.columns;
    w.line_height = w.height / w.rows;
}

void kvmltext_set_font(kvmltext& w, const std::string& font) {
    w.font = font;
}

void kvmltext_set_visible(kvmltext& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

std::string kvmltext_text(const kvmltext& w) {
    std::string text;
    for (std::size_t i = 0; i < w.lines.size(); ++i) {
        if (i) text += '\n';
        text += w.lines[i];
    }
    return text;
}

bool kvmltext_draw(const kvmltext& w) {
    if (!w.visible) return true;
    gfx& g = kernel_get().graphics;
    texture* font = widget_texture(g, w.font);
    if (!font) return false;
    const int8_t* widths = font_find_metrics(w.font);
    const gfx_colour colour{w.colour[0], w.colour[1], w.colour[2]};
    for (std::size_t i = 0; i < w.lines.size(); ++i) {
        // In 64 bits: many lines of a tall cell leave int32.
        const int64_t line_y = int64_t{w.y} + static_cast<int64_t>(i) * w.line_height;
        g.driver->draw_text(font, colour, w.x, screen_int(static_cast<double>(line_y)), w.char_width,
                            w.line_height, w.lines[i], false, widths);
    }
    return true;
}

}  // namespace kv
