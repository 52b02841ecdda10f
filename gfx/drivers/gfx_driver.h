#pragma once
// The display driver: everything the program puts on the screen goes through one of these. The
// graphics front end creates one by kind (null, OpenGL or Direct3D), opens it with a display mode
// and drives it through the operations below, in this order; the texture cache creates, binds and
// deletes textures only through it, and the input layer's fallback reads the keys that arrive at
// the driver's window.
//
// 2D operations take positions and sizes in a virtual screen 1000 units wide and 1000 high, origin
// at the top left, whatever the display mode; they draw with the texture made current on unit 0
// (the caller passes it as well). Colours are three floats from 0 to 1.

#include <cstdint>
#include <string>
#include <vector>

#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

struct mesh_vertex;  // world/mesh.h: 36 bytes, position (vec3), u, v, 12 bytes drivers ignore
struct screen_image;
struct texture;

struct gfx_colour {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

// {x, y, width, height} in virtual-screen units.
struct gfx_rect {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

// Texture coordinates of a quad: left u, top v, right u, bottom v.
struct gfx_uv_rect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// Exponential fog: density, then the colour (0 to 1).
struct gfx_fog {
    float density;
    float red;
    float green;
    float blue;
};

// An RGBA picture `draw_image` centres on the screen; only 4 bytes a pixel is drawn.
struct pixel_image {
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bytes_per_pixel = 4;
    std::vector<uint8_t> pixels;  // rows from the top
};

// One key message of the driver's window: state 0 pressed, 1 released, and the virtual-key code.
struct key_event {
    uint32_t state = 0;
    uint32_t key = 0;
};
inline constexpr uint32_t kKeyPressed = 0;
inline constexpr uint32_t kKeyReleased = 1;

// Index formats of `draw_mesh`: polygons and strips are counted runs (a 16-bit count n, then n
// indices); triangles take three indices each, quads four.
inline constexpr int32_t kIndexPolygons = 0;
inline constexpr int32_t kIndexStrips = 1;
inline constexpr int32_t kIndexTriangles = 2;
inline constexpr int32_t kIndexQuads = 3;

// Driver ids.
inline constexpr int32_t kDriverIdNull = 0;
inline constexpr int32_t kDriverIdOpenGl = 1;
inline constexpr int32_t kDriverIdDirect3d = 2;

// Rows of the display-mode table, the mode numbers of `--resolution` and `open`.
inline constexpr int32_t kDisplayModeCount = 6;
// The row of the table: true and the outputs set for 0 to 5; false and the outputs untouched
// otherwise.
bool gfx_display_mode(int32_t index, std::string& name, int32_t& width, int32_t& height);

class gfx_driver {
public:
    virtual ~gfx_driver() = default;

    virtual bool get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) = 0;
    virtual bool open(int32_t mode, bool fullscreen, bool exact_match) = 0;
    virtual void set_clear(const gfx_colour& colour, float alpha, float depth) = 0;
    virtual void set_colour(const gfx_colour& colour) = 0;
    virtual void set_smooth_hint(bool nicest) = 0;
    virtual void set_dither(int32_t mode) = 0;
    virtual void reserved_7(uint32_t value) = 0;
    // The square 90-degree frustum: left -a, right a, bottom -a, top a, near a.
    virtual void set_perspective(float a, float far) = 0;
    virtual void set_depth_range(float near, float far) = 0;
    // Planes 0 to count - 1 on (four doubles each), the rest of the four off.
    virtual void set_clip_planes(int32_t count, const double (*planes)[4]) = 0;
    virtual void set_wireframe(bool on) = 0;
    virtual void set_vsync(bool on) = 0;
    // Null switches fog off.
    virtual bool set_fog(const gfx_fog* fog) = 0;
    virtual void end_frame() = 0;
    // Depth writes on and the depth buffer cleared.
    virtual void begin_frame() = 0;
    // The start of a frame: as `begin_frame`, and the colour buffer filled with the clear colour too, so
    // that nothing of an older frame shows where this one draws nothing.
    virtual void clear_frame() { begin_frame(); }
    virtual bool device_ready() = 0;
    // Makes the texture current on the unit, creating and uploading it first when it has no
    // handle; false when its file could not be loaded.
    virtual bool use_texture(texture& t, int32_t unit) = 0;
    virtual void delete_texture(texture& t) = 0;
    virtual void bind_texture_clamped(texture& t) = 0;
    // The screen fraction x0..x1, y0..y1, measured from the top left.
    virtual void set_viewport(float x0, float y0, float x1, float y1) = 0;
    virtual void set_modelview(const mat4& m, bool force) = 0;
    virtual void push_matrix(const mat4& m) = 0;
    virtual void pop_matrix() = 0;
    virtual void draw_polygon(const mesh_vertex* vertices, int32_t count, bool cull) = 0;
    // The primitives drawn; 0 for an unknown format.
    virtual int32_t draw_mesh(const mesh_vertex* vertices, int32_t format, const uint16_t* indices,
                              int32_t count, bool cull, const uint8_t* colours) = 0;
    virtual void draw_line(const vec3& from, const vec3& to) = 0;
    virtual void set_vertex_array(const mesh_vertex* vertices, int32_t count) = 0;
    virtual void lock_arrays(int32_t first, int32_t count) = 0;
    virtual void unlock_arrays() = 0;
    virtual int32_t draw_triangles(const uint16_t* indices, int32_t count, bool cull) = 0;
    virtual int32_t draw_quads(const uint16_t* indices, int32_t count, bool cull) = 0;
    virtual int32_t draw_strips(const uint16_t* strips, int32_t strip_count, bool cull) = 0;
    virtual void draw_image(const pixel_image& image) = 0;
    virtual void reserved_34(uint32_t a, uint32_t b, uint32_t c) = 0;
    // Reads the region (screen fractions from the top left) as RGB into the image.
    virtual bool read_screen(float x0, float y0, float x1, float y1, screen_image& image) = 0;
    virtual void draw_quad_uv_tinted(texture* t, const gfx_colour& colour, const gfx_rect& rect,
                                     const gfx_uv_rect& uv) = 0;
    virtual void draw_quad_uv(texture* t, const gfx_rect& rect, const gfx_uv_rect& uv) = 0;
    virtual void draw_quad(texture* t, const gfx_rect& rect) = 0;
    virtual void fill_rect(float x, float y, float width, float height, uint8_t red, uint8_t green,
                           uint8_t blue, uint8_t alpha) = 0;
    virtual void draw_quad_uv_tinted_at(texture* t, const gfx_colour& colour, float x, float y, float width,
                                        float height, const float (&uv0)[2], const float (&uv1)[2]) = 0;
    virtual void draw_quad_uv_at(texture* t, float x, float y, float width, float height,
                                 const float (&uv0)[2], const float (&uv1)[2]) = 0;
    virtual void draw_quad_at(texture* t, float x, float y, float width, float height) = 0;
    // Glyphs as `gfx_text_layout` places them (gfx/drivers/text_layout.h).
    virtual void draw_text(texture* font, const gfx_colour& colour, int32_t x, int32_t y, int32_t cell_width,
                           int32_t cell_height, const std::string& text, bool second_half,
                           const int8_t* widths) = 0;
    virtual void draw_point(float x, float y, const uint8_t (&rgb)[3], float size) = 0;
    // Null: no per-vertex colour; mode 1: the first entry's colour; otherwise per-vertex colours.
    virtual void set_colour_array(const uint8_t* colours, int32_t mode) = 0;
    virtual void set_lightmap_layer(const float* coordinates, texture* const* lightmaps) = 0;
    virtual void set_lamp_layer(const float* coordinates, texture* lamp) = 0;
    virtual void* window_handle() = 0;
    virtual bool key_waiting() = 0;
    // Only after `key_waiting` said true.
    virtual key_event read_key() = 0;
    virtual int32_t max_texture_size() = 0;
    virtual void set_tint(bool on) = 0;
    virtual int32_t driver_id() { return kDriverIdNull; }
    virtual bool has_compressed_textures() { return false; }
    // The OpenGL driver's own two; others do nothing.
    virtual void disable_texture_unit(int32_t) {}
    virtual void enable_texture_unit(int32_t) {}

    uint32_t texture_upload_ms = 0;  // "TL": upload time since the front end last zeroed it
};

}  // namespace kv
