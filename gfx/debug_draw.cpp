#include "gfx/debug_draw.h"

#include <algorithm>

#include "gfx/gfx.h"
#include "gfx/texture_cache.h"
#include "util/float_convert.h"

namespace kv {
namespace {

// The font texture, loaded through the cache the first time it is asked for; null when it is not
// in the list or its image could not be loaded. Finding it raises the texture use stamp.
texture* font_texture(gfx& g, const std::string& font) {
    if (!g.driver || font.empty()) return nullptr;
    if (!g.texture_index.contains(font)) {
        layer_state state;
        gfx_load_texture(g, font, state, true);
    }
    texture* t = gfx_find_texture(g, font);
    return t && texture_is_loaded(*t) ? t : nullptr;
}

void draw_text(gfx& g, texture& font, const gfx_colour& colour, int32_t x, int32_t y, int32_t width,
               int32_t height, const std::string& text) {
    g.driver->use_texture(font, 0);
    g.driver->draw_text(&font, colour, x, y, width, height, text, false, nullptr);
}

}  // namespace

void gfx_draw_line(gfx& g, const gfx_colour& colour, const vec3& from, const vec3& to) {
    if (!g.driver) return;
    g.driver->set_colour(colour);
    g.driver->set_modelview(view_stack_top(g.views), false);
    g.driver->draw_line(from, to);
}

void gfx_draw_box(gfx& g, const gfx_colour& colour, const box3& box) {
    if (!g.driver) return;
    g.driver->set_colour(colour);
    g.driver->set_modelview(view_stack_top(g.views), false);
    // Corner bit 0 takes x from min, bit 1 y, bit 2 z: an edge joins corners one bit apart.
    vec3 corners[8];
    for (int bits = 0; bits < 8; ++bits) box3_corner(box, corners[bits], bits);
    for (int bits = 0; bits < 8; ++bits) {
        for (int axis = 1; axis < 8; axis <<= 1) {
            if (!(bits & axis)) g.driver->draw_line(corners[bits], corners[bits | axis]);
        }
    }
}

void gfx_draw_text(gfx& g, int32_t x, int32_t y, const gfx_colour& colour, const std::string& font,
                   const std::string& text, int32_t width, int32_t height) {
    texture* t = font_texture(g, font);
    if (t) draw_text(g, *t, colour, x, y, width, height, text);
}

void gfx_draw_text_at_point(gfx& g, const gfx_colour& colour, const std::string& font,
                            const std::string& text, const vec3& point, int32_t width, int32_t height) {
    const vec3 p = mat4_transform_point(view_stack_top(g.views), point);
    if (!(p.z > p.x && p.z > p.y)) return;
    if (!g.driver) return;
    const int32_t sx = float_to_int32((p.x + 1.0f) * kTextPointScale);
    const int32_t sy = float_to_int32((p.y + 1.0f) * kTextPointScale);
    const float d = std::max(std::min(p.z, kTextPointFarthest) / kTextPointScale, 1.0f);
    const int32_t w = float_to_int32(static_cast<float>(width) / d);
    const int32_t h = float_to_int32(static_cast<float>(height) / d);
    texture* t = font_texture(g, font);
    if (t && w != 0 && h != 0) draw_text(g, *t, colour, sx, sy, w, h, text);
}

}  // namespace kv
