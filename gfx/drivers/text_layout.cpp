#include "gfx/drivers/text_layout.h"

#include <algorithm>

namespace kv {
namespace {

constexpr float kCell = 1.0f / 16.0f;
constexpr float kCellTopMargin = 1.0f / 128.0f;
constexpr int kWidestGlyph = 15;

}  // namespace

std::vector<text_glyph> gfx_text_layout(int32_t x, int32_t y, int32_t cell_width, int32_t cell_height,
                                        const std::string& text, bool second_half, const int8_t* widths) {
    std::vector<text_glyph> glyphs;
    glyphs.reserve(text.size());
    const float cell_w = static_cast<float>(cell_width);
    const float cell_h = static_cast<float>(cell_height);
    const float v_offset = second_half ? 0.5f : 0.0f;
    float pen_x = static_cast<float>(x);
    float pen_y = static_cast<float>(y);
    for (const char ch : text) {
        if (ch == '\n') {
            pen_x = static_cast<float>(x);
            pen_y += cell_h;
            continue;
        }
        const auto c = static_cast<uint8_t>(ch);
        const float column = static_cast<float>(c % 16) * kCell;
        const float row = static_cast<float>(c / 16) * kCell;
        text_glyph g;
        g.uv.top = row + kCellTopMargin + v_offset;
        g.uv.bottom = row + kCell + v_offset;
        float advance = cell_w;
        if (widths) {
            const float fraction = static_cast<float>(std::min<int>(widths[c], kWidestGlyph)) / 16.0f;
            g.uv.left = column + (kCell - fraction * kCell) / 2.0f;
            g.uv.right = g.uv.left + fraction * kCell;
            g.rect = {pen_x, pen_y - cell_h, fraction * cell_w, cell_h};
            advance = fraction * cell_w + kProportionalGap;
        } else {
            g.uv.left = column;
            g.uv.right = column + kCell;
            g.rect = {pen_x, pen_y - cell_h, cell_w, cell_h};
        }
        glyphs.push_back(g);
        pen_x += advance;
    }
    return glyphs;
}

}  // namespace kv
