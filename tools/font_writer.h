#pragma once
// The demo fonts and the mouse pointer, drawn from the glyph table in font_writer.cpp (no outside
// font file). A font is a Targa image with alpha of 16 x 16 cells, character c in column c mod 16
// and row c / 16, white glyphs whose alpha is their ink, and a metrics file of 256 signed widths in
// sixteenths of a cell: each width covers its glyph's ink, centred in the cell as the display
// drivers cut it, plus a little space. "gui_font01" is bold, "gui_font02" plain. The pointer
// "kvCursor" is eight frames side by side that the screens step through.

#include <cstdint>
#include <vector>

namespace kv::tools {

inline constexpr const char* kDemoFontBold = "gui_font01";
inline constexpr const char* kDemoFontPlain = "gui_font02";
inline constexpr const char* kDemoCursor = "kvCursor";
inline constexpr int kFontCell = 16;                  // texels a cell side
inline constexpr int kFontSide = 16 * kFontCell;      // texels a texture side
inline constexpr int kFontTopMargin = kFontCell / 8;  // rows the drivers leave out at a cell's top
inline constexpr int kCursorFrameSide = 32;
inline constexpr int kCursorFrameCount = 8;

struct font_sheet {
    std::vector<uint8_t> rgba;  // kFontSide x kFontSide, rows from the top
    int8_t widths[256] = {};
};

font_sheet font_draw(bool bold);
// The sheet as a 32-bit Targa image, and its metrics file.
std::vector<uint8_t> font_targa(const font_sheet& sheet);
std::vector<uint8_t> font_metrics_file(const font_sheet& sheet);
// The pointer's eight frames as a 32-bit Targa image.
std::vector<uint8_t> cursor_targa();

}  // namespace kv::tools
