#include "tools/widget_pictures.h"

#include <algorithm>
#include <cstdlib>

#include "tools/targa_writer.h"

namespace kv::tools {

namespace {

struct rgba {
    uint8_t r, g, b, a;
};

constexpr rgba kEdge{200, 200, 210, 255};
constexpr rgba kFill{40, 48, 64, 200};
constexpr rgba kInk{255, 255, 255, 255};
constexpr rgba kLit{255, 220, 90, 255};

class canvas {
public:
    canvas(std::string name, int width, int height) : p_{std::move(name), width, height, {}} {
        p_.rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    }
    void set(int x, int y, rgba c) {
        if (x < 0 || y < 0 || x >= p_.width || y >= p_.height) return;
        uint8_t* t = &p_.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(p_.width) +
                               static_cast<std::size_t>(x)) *
                              4];
        t[0] = c.r;
        t[1] = c.g;
        t[2] = c.b;
        t[3] = c.a;
    }
    void fill(int x0, int y0, int x1, int y1, rgba c) {
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) set(x, y, c);
        }
    }
    // A filled box with a one-texel edge.
    void frame(int x0, int y0, int x1, int y1, rgba inside, rgba edge) {
        fill(x0, y0, x1, y1, edge);
        fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside);
    }
    // A triangle pointing left, right, up or down inside the box.
    void arrow(int x0, int y0, int size, char way, rgba c) {
        for (int i = 0; i < size; ++i) {
            for (int j = 0; j < size; ++j) {
                const int along = way == 'l' || way == 'u' ? i : size - 1 - i;
                const int across = std::abs(2 * j - (size - 1));
                if (across <= along) {
                    if (way == 'l' || way == 'r') {
                        set(x0 + i, y0 + j, c);
                    } else {
                        set(x0 + j, y0 + i, c);
                    }
                }
            }
        }
    }
    widget_picture take() { return std::move(p_); }

private:
    widget_picture p_;
};

// Two halves side by side: an arrow normal on the left, lit on the right.
widget_picture arrow_strip(const char* name, char way) {
    canvas c(name, 32, 16);
    for (int half = 0; half < 2; ++half) {
        c.frame(half * 16, 0, half * 16 + 16, 16, kFill, kEdge);
        c.arrow(half * 16 + 3, 3, 10, way, half ? kLit : kInk);
    }
    return c.take();
}

// The digits 0-9 as 3 x 5 dots, one row a string.
constexpr const char* kDigitDots[10][5] = {
    {"###", "# #", "# #", "# #", "###"}, {" # ", "## ", " # ", " # ", "###"},
    {"###", "  #", "###", "#  ", "###"}, {"###", "  #", "###", "  #", "###"},
    {"# #", "# #", "###", "  #", "  #"}, {"###", "#  ", "###", "  #", "###"},
    {"###", "#  ", "###", "# #", "###"}, {"###", "  #", "  #", "  #", "  #"},
    {"###", "# #", "###", "# #", "###"}, {"###", "# #", "###", "  #", "###"}};

}  // namespace

std::vector<widget_picture> widget_pictures() {
    std::vector<widget_picture> out;
    {
        canvas c(kRollFrame, 64, 16);
        c.frame(0, 0, 64, 16, kFill, kEdge);
        out.push_back(c.take());
    }
    out.push_back(arrow_strip(kRollLeft, 'l'));
    out.push_back(arrow_strip(kRollRight, 'r'));
    {
        canvas c(kEditFrame, 64, 16);
        c.frame(0, 0, 64, 16, {16, 16, 24, 220}, kEdge);
        out.push_back(c.take());
    }
    {
        // Unchecked left, checked (a cross) right.
        canvas c(kCheckBox, 32, 16);
        for (int half = 0; half < 2; ++half) c.frame(half * 16, 0, half * 16 + 16, 16, kFill, kEdge);
        for (int i = 3; i < 13; ++i) {
            c.set(16 + i, i, kLit);
            c.set(16 + 15 - i, i, kLit);
        }
        out.push_back(c.take());
    }
    {
        canvas c(kSlideTrack, 64, 8);
        c.fill(0, 3, 64, 5, kEdge);
        out.push_back(c.take());
    }
    {
        canvas c(kSlideKnob, 16, 16);
        c.frame(2, 0, 14, 16, kLit, kEdge);
        out.push_back(c.take());
    }
    {
        // Ten cells of 16 x 24, each digit's dots 4 texels square.
        canvas c(kDigits, 160, 24);
        for (int d = 0; d < 10; ++d) {
            for (int row = 0; row < 5; ++row) {
                for (int column = 0; column < 3; ++column) {
                    if (kDigitDots[d][row][column] != '#') continue;
                    c.fill(d * 16 + 2 + column * 4, 2 + row * 4, d * 16 + 6 + column * 4, 6 + row * 4, kInk);
                }
            }
        }
        out.push_back(c.take());
    }
    {
        canvas c(kListBack, 64, 64);
        c.frame(0, 0, 64, 64, {24, 28, 40, 180}, kEdge);
        out.push_back(c.take());
    }
    {
        canvas c(kListLight, 64, 8);
        c.fill(0, 0, 64, 8, {255, 255, 255, 96});
        out.push_back(c.take());
    }
    out.push_back(arrow_strip(kListUp, 'u'));
    out.push_back(arrow_strip(kListDown, 'd'));
    {
        canvas c(kListThumb, 16, 32);
        c.frame(0, 0, 16, 32, {120, 130, 150, 255}, kEdge);
        out.push_back(c.take());
    }
    return out;
}

std::vector<uint8_t> widget_picture_targa(const widget_picture& picture) {
    targa_colour_desc shape;
    shape.width = static_cast<uint16_t>(picture.width);
    shape.height = static_cast<uint16_t>(picture.height);
    shape.alpha = true;
    shape.texels = picture.rgba;
    return targa_colour(shape);
}

}  // namespace kv::tools
