#include "tests/support/recording_driver.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "gfx/drivers/screen_region.h"
#include "gfx/screen_image.h"
#include "gfx/texture.h"

namespace kv {
namespace {

const char* name_of(const texture* t) {
    return t ? t->name.c_str() : "null";
}

double d(float v) {
    return static_cast<double>(v);
}

constexpr std::size_t kLineLimit = 511;  // what the formatted lines are cut to

// A call's line built without printf, as the format would write it ("%s", "%d", "%g" each after a
// blank): the interface draws hundreds of texts a frame, and formatting them is most of the cost.
// The line is put together in place and becomes a string of its exact length at the end.
class line_builder {
public:
    explicit line_builder(std::string_view name) { put(name); }
    line_builder& str(std::string_view v) {
        put(' ');
        put(v);
        return *this;
    }
    line_builder& num(long long v) {
        put(' ');
        if (v >= 0 && v < 10) {
            put(static_cast<char>('0' + v));
            return *this;
        }
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
        put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
        return *this;
    }
    line_builder& real(float v) {
        // Whole numbers below a million print as integers under "%g" (not -0, which keeps its sign).
        if (v == std::trunc(v) && std::fabs(v) < 1e6f && !(v == 0.0f && std::signbit(v))) {
            return num(static_cast<long long>(v));
        }
        char digits[48];
        const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<double>(v),
                                       std::chars_format::general, 6)
                             .ptr;
        put(' ');
        put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
        return *this;
    }
    line_builder& reals(std::initializer_list<float> values) {
        for (const float v : values) real(v);
        return *this;
    }
    line_builder& colour(const gfx_colour& c) { return reals({c.red, c.green, c.blue}); }
    line_builder& bar() { return str("|"); }
    std::string take() const { return std::string(line_, size_); }

private:
    // Whatever passes the limit is cut.
    void put(char c) {
        if (size_ < kLineLimit) line_[size_++] = c;
    }
    void put(std::string_view v) {
        const std::size_t n = std::min(v.size(), kLineLimit - size_);
        std::memcpy(line_ + size_, v.data(), n);
        size_ += n;
    }

    char line_[kLineLimit];
    std::size_t size_ = 0;
};

}  // namespace

std::vector<std::string> recording_driver::take_calls() {
    std::vector<std::string> taken;
    taken.swap(calls);
    return taken;
}

void recording_driver::record(const char* format, ...) {
    char line[kLineLimit + 1];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    calls.emplace_back(line);
}

bool recording_driver::get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) {
    record("get_mode %d", index);
    return gfx_display_mode(index, name, width, height);
}
bool recording_driver::open(int32_t mode, bool fullscreen, bool exact_match) {
    record("open %d %d %d", mode, fullscreen, exact_match);
    return open_result;
}
void recording_driver::set_clear(const gfx_colour& c, float alpha, float depth) {
    record("set_clear %g %g %g %g %g", d(c.red), d(c.green), d(c.blue), d(alpha), d(depth));
}
void recording_driver::set_colour(const gfx_colour& c) {
    record("set_colour %g %g %g", d(c.red), d(c.green), d(c.blue));
}
void recording_driver::set_smooth_hint(bool nicest) {
    record("set_smooth_hint %d", nicest);
}
void recording_driver::set_dither(int32_t mode) {
    record("set_dither %d", mode);
}
void recording_driver::reserved_7(uint32_t value) {
    record("reserved_7 %u", value);
}
void recording_driver::set_perspective(float a, float far) {
    record("set_perspective %g %g", d(a), d(far));
}
void recording_driver::set_depth_range(float near, float far) {
    record("set_depth_range %g %g", d(near), d(far));
}
void recording_driver::set_clip_planes(int32_t count, const double (*)[4]) {
    record("set_clip_planes %d", count);
}
void recording_driver::set_wireframe(bool on) {
    record("set_wireframe %d", on);
}
void recording_driver::set_vsync(bool on) {
    record("set_vsync %d", on);
}
bool recording_driver::set_fog(const gfx_fog* fog) {
    if (!fog) {
        record("set_fog null");
    } else {
        record("set_fog %g %g %g %g", d(fog->density), d(fog->red), d(fog->green), d(fog->blue));
    }
    return true;
}
void recording_driver::end_frame() {
    record("end_frame");
}
void recording_driver::begin_frame() {
    record("begin_frame");
}
bool recording_driver::device_ready() {
    record("device_ready");
    return device_ready_result;
}
bool recording_driver::use_texture(texture& t, int32_t unit) {
    calls.push_back(line_builder("use_texture").str(t.name).num(unit).take());
    if (!use_texture_result) return false;
    if (t.handle == kNoTextureHandle) {
        t.handle = next_handle_++;
        t.uploaded = 1;
        t.memory_size = static_cast<uint32_t>(t.pixels.size());
    }
    return true;
}
void recording_driver::delete_texture(texture& t) {
    record("delete_texture %s", t.name.c_str());
    t.handle = kNoTextureHandle;
    t.uploaded = 0;
}
void recording_driver::bind_texture_clamped(texture& t) {
    record("bind_texture_clamped %s", t.name.c_str());
}
void recording_driver::set_viewport(float x0, float y0, float x1, float y1) {
    record("set_viewport %g %g %g %g", d(x0), d(y0), d(x1), d(y1));
}
void recording_driver::set_modelview(const mat4&, bool force) {
    record("set_modelview %d", force);
}
void recording_driver::push_matrix(const mat4&) {
    record("push_matrix");
}
void recording_driver::pop_matrix() {
    record("pop_matrix");
}
void recording_driver::draw_polygon(const mesh_vertex*, int32_t count, bool cull) {
    record("draw_polygon %d %d", count, cull);
}
int32_t recording_driver::draw_mesh(const mesh_vertex*, int32_t format, const uint16_t*, int32_t count,
                                    bool cull, const uint8_t* colours) {
    record("draw_mesh %d %d %d %s", format, count, cull, colours ? "colours" : "null");
    return format >= kIndexPolygons && format <= kIndexQuads ? count : 0;
}
void recording_driver::draw_line(const vec3& a, const vec3& b) {
    record("draw_line %g %g %g %g %g %g", d(a.x), d(a.y), d(a.z), d(b.x), d(b.y), d(b.z));
}
void recording_driver::set_vertex_array(const mesh_vertex*, int32_t count) {
    record("set_vertex_array %d", count);
}
void recording_driver::lock_arrays(int32_t first, int32_t count) {
    record("lock_arrays %d %d", first, count);
}
void recording_driver::unlock_arrays() {
    record("unlock_arrays");
}
int32_t recording_driver::draw_triangles(const uint16_t*, int32_t count, bool cull) {
    record("draw_triangles %d %d", count, cull);
    return count;
}
int32_t recording_driver::draw_quads(const uint16_t*, int32_t count, bool cull) {
    record("draw_quads %d %d", count, cull);
    return count;
}
int32_t recording_driver::draw_strips(const uint16_t*, int32_t strip_count, bool cull) {
    record("draw_strips %d %d", strip_count, cull);
    return 0;
}
void recording_driver::draw_image(const pixel_image& image) {
    record("draw_image %u %u", image.width, image.height);
}
void recording_driver::reserved_34(uint32_t a, uint32_t b, uint32_t c) {
    record("reserved_34 %u %u %u", a, b, c);
}
bool recording_driver::read_screen(float x0, float y0, float x1, float y1, screen_image& image) {
    const screen_region r = gfx_screen_region(screen_width, screen_height, x0, y0, x1, y1);
    record("read_screen %d %d %d %d", r.x, r.y, r.width, r.height);
    screen_image_resize(image, static_cast<uint32_t>(r.width), static_cast<uint32_t>(r.height));
    return true;
}
void recording_driver::draw_quad_uv_tinted(texture* t, const gfx_colour& c, const gfx_rect& r,
                                           const gfx_uv_rect& uv) {
    calls.push_back(line_builder("draw_quad_uv_tinted")
                        .str(name_of(t))
                        .colour(c)
                        .bar()
                        .reals({r.x, r.y, r.width, r.height})
                        .bar()
                        .reals({uv.left, uv.top, uv.right, uv.bottom})
                        .take());
}
void recording_driver::draw_quad_uv(texture* t, const gfx_rect& r, const gfx_uv_rect& uv) {
    calls.push_back(line_builder("draw_quad_uv")
                        .str(name_of(t))
                        .bar()
                        .reals({r.x, r.y, r.width, r.height})
                        .bar()
                        .reals({uv.left, uv.top, uv.right, uv.bottom})
                        .take());
}
void recording_driver::draw_quad(texture* t, const gfx_rect& r) {
    calls.push_back(
        line_builder("draw_quad").str(name_of(t)).bar().reals({r.x, r.y, r.width, r.height}).take());
}
void recording_driver::fill_rect(float x, float y, float width, float height, uint8_t red, uint8_t green,
                                 uint8_t blue, uint8_t alpha) {
    calls.push_back(line_builder("fill_rect")
                        .reals({x, y, width, height})
                        .bar()
                        .num(red)
                        .num(green)
                        .num(blue)
                        .num(alpha)
                        .take());
}
void recording_driver::draw_quad_uv_tinted_at(texture* t, const gfx_colour& c, float x, float y, float width,
                                              float height, const float (&uv0)[2], const float (&uv1)[2]) {
    calls.push_back(line_builder("draw_quad_uv_tinted_at")
                        .str(name_of(t))
                        .colour(c)
                        .bar()
                        .reals({x, y, width, height})
                        .bar()
                        .reals({uv0[0], uv0[1], uv1[0], uv1[1]})
                        .take());
}
void recording_driver::draw_quad_uv_at(texture* t, float x, float y, float width, float height,
                                       const float (&uv0)[2], const float (&uv1)[2]) {
    calls.push_back(line_builder("draw_quad_uv_at")
                        .str(name_of(t))
                        .bar()
                        .reals({x, y, width, height})
                        .bar()
                        .reals({uv0[0], uv0[1], uv1[0], uv1[1]})
                        .take());
}
void recording_driver::draw_quad_at(texture* t, float x, float y, float width, float height) {
    calls.push_back(line_builder("draw_quad_at").str(name_of(t)).bar().reals({x, y, width, height}).take());
}
void recording_driver::draw_text(texture* font, const gfx_colour& c, int32_t x, int32_t y, int32_t cell_width,
                                 int32_t cell_height, const std::string& text, bool second_half,
                                 const int8_t* widths) {
    calls.push_back(line_builder("draw_text")
                        .str(name_of(font))
                        .colour(c)
                        .bar()
                        .num(x)
                        .num(y)
                        .num(cell_width)
                        .num(cell_height)
                        .bar()
                        .str(text.c_str())
                        .bar()
                        .num(second_half)
                        .str(widths ? "widths" : "null")
                        .take());
}
void recording_driver::draw_point(float x, float y, const uint8_t (&rgb)[3], float size) {
    calls.push_back(line_builder("draw_point")
                        .reals({x, y})
                        .bar()
                        .num(rgb[0])
                        .num(rgb[1])
                        .num(rgb[2])
                        .bar()
                        .real(size)
                        .take());
}
void recording_driver::set_colour_array(const uint8_t* colours, int32_t mode) {
    record("set_colour_array %s %d", colours ? "colours" : "null", mode);
}
void recording_driver::set_lightmap_layer(const float* coordinates, texture* const* lightmaps) {
    record("set_lightmap_layer %s %s", coordinates ? "coordinates" : "null",
           lightmaps ? "lightmaps" : "null");
}
void recording_driver::set_lamp_layer(const float* coordinates, texture* lamp) {
    record("set_lamp_layer %s %s", coordinates ? "coordinates" : "null", name_of(lamp));
}
void* recording_driver::window_handle() {
    record("window_handle");
    return nullptr;
}
bool recording_driver::key_waiting() {
    record("key_waiting");
    return key_queue_waiting(keys);
}
key_event recording_driver::read_key() {
    record("read_key");
    return key_queue_pop(keys);
}
int32_t recording_driver::max_texture_size() {
    record("max_texture_size");
    return max_texture_size_result;
}
void recording_driver::set_tint(bool on) {
    record("set_tint %d", on);
}
int32_t recording_driver::driver_id() {
    record("driver_id");
    return kDriverIdNull;
}
bool recording_driver::has_compressed_textures() {
    record("has_compressed_textures");
    return compressed_textures;
}
void recording_driver::disable_texture_unit(int32_t unit) {
    record("disable_texture_unit %d", unit);
}
void recording_driver::enable_texture_unit(int32_t unit) {
    record("enable_texture_unit %d", unit);
}

}  // namespace kv
