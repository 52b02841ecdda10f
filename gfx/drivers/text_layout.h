#pragma once
// Where `draw_text` puts each glyph, shared by every driver so that they draw text alike.
//
// A font texture holds 16 x 16 cells; character c (unsigned) uses column c mod 16 and row c / 16.
// Each glyph stands above its y position, cell height high. Without a widths table a glyph is a
// whole cell and the pen advances by the cell width; with one, character c takes the middle
// w / 16 of its cell (w = min(widths[c], 15)) and the pen advances by w / 16 cell widths plus
// kProportionalGap. A line feed takes the pen back to the starting x, one cell height down.

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/drivers/gfx_driver.h"

namespace kv {

// 0.025 units of the drivers' 30-unit screen, in virtual-screen units.
inline constexpr float kProportionalGap = 25.0f / 30.0f;

struct text_glyph {
    gfx_rect rect;   // virtual-screen units
    gfx_uv_rect uv;  // in the font texture; top v = row / 16 + 1/128, bottom v = row / 16 + 1/16
};

// The glyphs of the text in drawing order; `second_half` adds 0.5 to every v.
std::vector<text_glyph> gfx_text_layout(int32_t x, int32_t y, int32_t cell_width, int32_t cell_height,
                                        const std::string& text, bool second_half, const int8_t* widths);

}  // namespace kv
