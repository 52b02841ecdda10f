// The OpenGL driver's 2D overlay and screen read-back.

#include <algorithm>
#include <cstring>

#include "gfx/drivers/gl_driver.h"
#include "gfx/drivers/screen_region.h"
#include "gfx/drivers/text_layout.h"
#include "gfx/screen_image.h"
#include "kernel/log.h"

namespace kv {
namespace {

float screen_x(float x) {
    return x / 1000.0f * 30.0f - 15.0f;
}

float screen_y(float y) {
    return 15.0f - y / 1000.0f * 30.0f;
}

constexpr float kOverlayDepth = 15.0f;

}  // namespace

// The overlay's plane lies on the near plane of the default projection, where clipping may take it
// away: 2D draws under a square frustum of its own with a nearer plane, which puts the plane on the
// same pixels.
void gl_driver::begin_2d() {
    gl_.glMatrixMode(GL_PROJECTION);
    gl_.glPushMatrix();
    gl_.glLoadIdentity();
    gl_.glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, 100.0);
    gl_.glMatrixMode(GL_MODELVIEW);
}

void gl_driver::end_2d() {
    gl_.glMatrixMode(GL_PROJECTION);
    gl_.glPopMatrix();
    gl_.glMatrixMode(GL_MODELVIEW);
}

// The fill and the point leave the current colour as it was: uncoloured drawing keeps using it.
void gl_driver::restore_colour() {
    const float* c = state_->colour;
    gl_.glColor4f(c[0], c[1], c[2], 1.0f);
}

// The tinted quads and the text end in white, and white stays the current colour.
void gl_driver::white_again() {
    gl_.glColor3f(1.0f, 1.0f, 1.0f);
    for (float& c : state_->colour) c = 1.0f;
}

void gl_driver::quad(const gfx_rect& rect, const gfx_uv_rect& uv) {
    const float left = screen_x(rect.x);
    const float top = screen_y(rect.y);
    const float right = left + rect.width / 1000.0f * 30.0f;
    const float bottom = top - rect.height / 1000.0f * 30.0f;
    gl_.glBegin(GL_QUADS);
    gl_.glTexCoord2f(uv.left, uv.top);
    gl_.glVertex3f(left, top, kOverlayDepth);
    gl_.glTexCoord2f(uv.right, uv.top);
    gl_.glVertex3f(right, top, kOverlayDepth);
    gl_.glTexCoord2f(uv.right, uv.bottom);
    gl_.glVertex3f(right, bottom, kOverlayDepth);
    gl_.glTexCoord2f(uv.left, uv.bottom);
    gl_.glVertex3f(left, bottom, kOverlayDepth);
    gl_.glEnd();
}

void gl_driver::draw_quad_uv_tinted(texture*, const gfx_colour& colour, const gfx_rect& rect,
                                    const gfx_uv_rect& uv) {
    gl_set_depth_test(0);
    gl_.glColor3f(colour.red, colour.green, colour.blue);
    gl_set_texenv(kGlTexenvModulate);
    begin_2d();
    quad(rect, uv);
    end_2d();
    white_again();
}

void gl_driver::draw_quad_uv(texture*, const gfx_rect& rect, const gfx_uv_rect& uv) {
    gl_set_depth_test(0);
    gl_set_texenv(kGlTexenvReplace);
    begin_2d();
    quad(rect, uv);
    end_2d();
}

void gl_driver::draw_quad(texture* t, const gfx_rect& rect) {
    draw_quad_uv(t, rect, gfx_uv_rect{0.0f, 0.0f, 1.0f, 1.0f});
}

void gl_driver::draw_quad_uv_tinted_at(texture* t, const gfx_colour& colour, float x, float y, float width,
                                       float height, const float (&uv0)[2], const float (&uv1)[2]) {
    draw_quad_uv_tinted(t, colour, gfx_rect{x, y, width, height},
                        gfx_uv_rect{uv0[0], uv0[1], uv1[0], uv1[1]});
}

void gl_driver::draw_quad_uv_at(texture* t, float x, float y, float width, float height,
                                const float (&uv0)[2], const float (&uv1)[2]) {
    draw_quad_uv(t, gfx_rect{x, y, width, height}, gfx_uv_rect{uv0[0], uv0[1], uv1[0], uv1[1]});
}

void gl_driver::draw_quad_at(texture* t, float x, float y, float width, float height) {
    draw_quad(t, gfx_rect{x, y, width, height});
}

void gl_driver::fill_rect(float x, float y, float width, float height, uint8_t red, uint8_t green,
                          uint8_t blue, uint8_t alpha) {
    gl_set_blend(state_->tint ? kGlBlendAdd : kGlBlendAlpha);
    gl_set_depth_test(0);
    gl_set_texenv(kGlTexenvOff);
    const float left = screen_x(x);
    const float top = screen_y(y);
    const float right = left + width / 1000.0f * 30.0f;
    const float bottom = top - height / 1000.0f * 30.0f;
    const uint8_t rgba[4] = {red, green, blue, alpha};
    begin_2d();
    gl_.glBegin(GL_QUADS);
    gl_.glColor4ubv(rgba);
    gl_.glVertex3f(left, top, kOverlayDepth);
    gl_.glVertex3f(right, top, kOverlayDepth);
    gl_.glVertex3f(right, bottom, kOverlayDepth);
    gl_.glVertex3f(left, bottom, kOverlayDepth);
    gl_.glEnd();
    end_2d();
    restore_colour();
    gl_set_blend(kGlBlendOff);
    state_->blend_lost = 1;
}

void gl_driver::draw_text(texture*, const gfx_colour& colour, int32_t x, int32_t y, int32_t cell_width,
                          int32_t cell_height, const std::string& text, bool second_half,
                          const int8_t* widths) {
    gl_set_texenv(kGlTexenvModulate);
    gl_set_depth_test(0);
    gl_.glColor3f(colour.red, colour.green, colour.blue);
    begin_2d();
    for (const text_glyph& g : gfx_text_layout(x, y, cell_width, cell_height, text, second_half, widths)) {
        quad(g.rect, g.uv);
    }
    end_2d();
    white_again();
}

void gl_driver::draw_point(float x, float y, const uint8_t (&rgb)[3], float size) {
    gl_set_depth_test(0);
    gl_set_texenv(kGlTexenvOff);
    gl_.glPointSize(size);
    begin_2d();
    gl_.glBegin(GL_POINTS);
    gl_.glColor3ubv(rgb);
    gl_.glVertex3f(screen_x(x), screen_y(y), kOverlayDepth);
    gl_.glEnd();
    end_2d();
    restore_colour();
}

void gl_driver::draw_image(const pixel_image& image) {
    if (image.bytes_per_pixel != 4) return;
    if (image.pixels.size() < static_cast<std::size_t>(image.width) * image.height * 4) return;
    gl_state& s = *state_;
    gl_.glDrawBuffer(GL_BACK);
    gl_.glDisable(GL_DEPTH_TEST);
    active_unit(0);
    gl_.glDisable(GL_TEXTURE_2D);
    gl_.glPushAttrib(GL_TRANSFORM_BIT | GL_VIEWPORT_BIT);
    gl_.glMatrixMode(GL_PROJECTION);
    gl_.glPushMatrix();
    gl_.glLoadIdentity();
    gl_.glMatrixMode(GL_MODELVIEW);
    gl_.glPushMatrix();
    gl_.glLoadIdentity();
    gl_.glDepthRange(0.0, 0.0);
    gl_.glViewport((width_ - image.width) / 2, (height_ - image.height) / 2 + image.height, 0, 0);
    gl_.glRasterPos2f(0.0f, 0.0f);
    gl_.glPopMatrix();
    gl_.glMatrixMode(GL_PROJECTION);
    gl_.glPopMatrix();
    gl_.glPopAttrib();
    gl_.glMatrixMode(GL_MODELVIEW);
    gl_.glEnable(GL_BLEND);
    gl_.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl_.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl_.glPixelZoom(1.0f, -1.0f);
    gl_.glDrawPixels(image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    gl_.glEnable(GL_DEPTH_TEST);
    gl_.glDisable(GL_BLEND);
    // The caches say what the calls above left: depth test on, blending off, unit 0 untextured, and
    // a texture environment to be set again on the next request.
    s.depth_test = 1;
    s.blend = kGlBlendOff;
    s.blend_lost = 1;
    s.unit_enabled[0] = 0;
    s.texenv = -2;
}

bool gl_driver::read_screen(float x0, float y0, float x1, float y1, screen_image& image) {
    const screen_region r = gfx_screen_region(width_, height_, x0, y0, x1, y1);
    if (r.width <= 0 || r.height <= 0) return false;
    uint8_t* pixels =
        screen_image_resize(image, static_cast<uint32_t>(r.width), static_cast<uint32_t>(r.height));
    // The back buffer holds the last frame too (after the swap), and reads back under every
    // window system, where the front buffer of a double-buffered window may not.
    gl_.glReadBuffer(GL_BACK);
    gl_.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl_.glReadPixels(r.x, height_ - r.y - r.height, r.width, r.height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    // OpenGL gives the bottom row first: turn the rows over.
    const std::size_t row = static_cast<std::size_t>(r.width) * 3;
    std::vector<uint8_t> swap(row);
    for (int32_t top = 0, bottom = r.height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = pixels + row * static_cast<std::size_t>(top);
        uint8_t* b = pixels + row * static_cast<std::size_t>(bottom);
        std::memcpy(swap.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap.data(), row);
    }
    screen_image_set_top_down(image, 1);
    log_write("[OpenGL] Screen region [%d,%d] -> [%d,%d] read from FB.\n", r.x, r.y, r.x + r.width - 1,
              r.y + r.height - 1);
    return true;
}

}  // namespace kv
