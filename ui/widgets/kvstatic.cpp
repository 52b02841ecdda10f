#include "ui/widgets/kvstatic.h"

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

kvstatic::kvstatic(int32_t x_, int32_t y_, int32_t width_, int32_t height_, const std::string& texture_name_,
                   const float (&colour_)[4], const float (&texture_rect_)[4])
    : x(static_cast<float>(x_)),
      y(static_cast<float>(y_)),
      width(static_cast<float>(width_)),
      height(static_cast<float>(height_)),
      texture_name(texture_name_) {
    for (int i = 0; i < 4; ++i) {
        colour[i] = colour_[i];
        texture_rect[i] = texture_rect_[i];
    }
}

bool kvstatic::draw() {
    return kvstatic_draw(*this);
}

kvstatic kvstatic_cursor() {
    return kvstatic(500, 500, 40, 50, kCursorTexture, {1.0f, 1.0f, 1.0f, 0.0f},
                    {0.0f, 0.0f, 1.0f / kCursorFrames, 1.0f});
}

bool kvstatic_draw(kvstatic& w) {
    if (!w.visible) return true;
    gfx& g = kernel_get().graphics;
    texture* t = widget_texture(g, w.texture_name);
    if (!t) return false;
    g.driver->draw_quad_uv_tinted(
        t, {w.colour[0], w.colour[1], w.colour[2]}, {w.x, w.y, w.width, w.height},
        {w.texture_rect[0], w.texture_rect[1], w.texture_rect[2], w.texture_rect[3]});
    return true;
}

void kvstatic_set_rect(kvstatic& w, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (x >= 0) {
        w.x = static_cast<float>(x);
        w.y = static_cast<float>(y);
    }
    if (width >= 0) {
        w.width = static_cast<float>(width);
        w.height = static_cast<float>(height);
    }
}

void kvstatic_set_y(kvstatic& w, int32_t y) {
    w.y = static_cast<float>(y);
}

void kvstatic_set_color(kvstatic& w, float red, float green, float blue, float alpha) {
    w.colour[0] = red;
    w.colour[1] = green;
    w.colour[2] = blue;
    w.colour[3] = alpha;
}

void kvstatic_set_texture(kvstatic& w, const std::string& texture_name) {
    w.texture_name = texture_name;
}

void kvstatic_set_visible(kvstatic& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

void kvstatic_set_texture_rect(kvstatic& w, float left, float top, float right, float bottom) {
    w.texture_rect[0] = left;
    w.texture_rect[1] = top;
    w.texture_rect[2] = right;
    w.texture_rect[3] = bottom;
}

}  // namespace kv
