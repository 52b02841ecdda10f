#pragma once
// The multi-line label: a box of the 1000 x 1000 virtual screen divided into a grid of columns and
// rows that gives the character cell; each line of its text is drawn on its own row (lines past the
// last row too: nothing is clipped).

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct kvmltext {
    // An empty box at 0, 0 with a 1 x 1 grid and one empty line.
    kvmltext();
    kvmltext(int32_t x, int32_t y, int32_t width, int32_t height, int32_t columns, int32_t rows,
             const float (&colour)[4], const std::string& text, const std::string& font);

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t columns = 1;
    int32_t rows = 1;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::string font;
    uint8_t visible = 1;
    std::vector<std::string> lines;
    int32_t char_width = 0;   // width / columns
    int32_t line_height = 0;  // height / rows
};

inline constexpr int32_t kKeepGrid = -1;

// Splits the text into lines at each line feed (a carriage return ending a line is dropped; the
// piece after the last line feed is a line, empty or not). Columns and rows of -1 are kept, others
// below 1 are taken as 1; the character cell follows the grid.
void kvmltext_set_text(kvmltext& w, const std::string& text, int32_t columns, int32_t rows);
void kvmltext_set_font(kvmltext& w, const std::string& font);
void kvmltext_set_visible(kvmltext& w, bool visible);
// The lines joined again with line feeds.
std::string kvmltext_text(const kvmltext& w);
// True when drawn and for an invisible label; false without a font texture or a display driver.
bool kvmltext_draw(const kvmltext& w);

}  // namespace kv
