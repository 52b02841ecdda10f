#pragma once
// The OpenGL display driver: the client's default. It opens its window through the platform layer,
// keeps OpenGL's fixed-function state behind cached setters, draws light-mapped meshes, uploads
// textures (images and DDS files), draws the 2D overlay and reads the screen back. Every GL entry
// point is looked up by name when it opens (gfx/drivers/gl_api.h).

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/drivers/gfx_driver.h"
#include "gfx/drivers/gl_api.h"
#include "gfx/drivers/key_queue.h"
#include "platform/dll.h"
#include "util/mat4.h"

namespace kv {

struct sys_event;

// Modes of the cached state setters.
inline constexpr int32_t kGlBlendOff = 0;
inline constexpr int32_t kGlBlendKeep = 1;
inline constexpr int32_t kGlBlendOpaque = 2;
inline constexpr int32_t kGlBlendAlpha = 3;
inline constexpr int32_t kGlBlendAlphaTest = 4;
inline constexpr int32_t kGlBlendMultiply = 5;
inline constexpr int32_t kGlBlendAdd = 6;
inline constexpr int32_t kGlCullOff = 0;
inline constexpr int32_t kGlCullFront = 7;
inline constexpr int32_t kGlCullBack = 8;
inline constexpr int32_t kGlTexenvAuto = -1;
inline constexpr int32_t kGlTexenvOff = 0;
inline constexpr int32_t kGlTexenvReplace = 9;
inline constexpr int32_t kGlTexenvModulate = 10;
inline constexpr int32_t kGlTexenvTwoUnits = 11;
inline constexpr int32_t kGlLightingOn = 12;
inline constexpr int32_t kGlColourArrayFlat = 0;
inline constexpr int32_t kGlColourArrayOn = 1;
inline constexpr int32_t kGlColourArraySmooth = 13;
inline constexpr int32_t kGlTextureUnits = 4;
inline constexpr int32_t kGlTextureStackDepth = 4;

// The driver's OpenGL state: the window and context, the extension flags and the caches.
struct gl_state {
    sys_gl_window* window = nullptr;  // the window and its device context in one
    void* context = nullptr;
    const char* extensions = nullptr;
    uint8_t compiled_vertex_arrays = 0;
    uint8_t swap_control = 0;
    uint8_t texture_compression = 0;
    uint8_t s3tc = 0;
    uint8_t multitexture = 0;
    int32_t texture_units = 0;
    int32_t active_unit = 0;  // the unit glActiveTextureARB selected last
    int32_t blend = 0;
    int32_t cull = 0;
    int32_t texenv = 0;
    int32_t texture_kind = 0;
    int32_t depth_test = -1;
    int32_t depth_mask = -1;
    int32_t lighting = 0;
    int32_t colour_array = -1;
    float colour[3] = {1.0f, 1.0f, 1.0f};  // the current colour that uncoloured drawing uses
    uint8_t wireframe = 0;
    uint8_t tint = 0;
    // A fill or a pixel image turned blending off after a texture was made current: making that
    // texture current again (already bound) applies its blending once more.
    uint8_t blend_lost = 0;
    uint8_t unit_enabled[kGlTextureUnits] = {1, 0, 0, 0};
    uint32_t bound[kGlTextureUnits] = {};
    uint32_t saved[kGlTextureUnits][kGlTextureStackDepth] = {};
    int32_t saved_depth[kGlTextureUnits] = {};
    const float* ambient = nullptr;
    const float* lightmap_coordinates = nullptr;
    texture* const* lightmaps = nullptr;
    const float* lamp_coordinates = nullptr;
    texture* lamp = nullptr;
    mat4 modelview;
    uint8_t modelview_valid = 0;  // the cache holds what GL has (not after a viewport change)
    // Kept per driver, so that a second driver neither skips an enable nor pops an empty stack.
    uint8_t clip_planes[4] = {};
    uint8_t modelview_pushed = 0;
};

class gl_driver : public gfx_driver {
public:
    gl_driver();
    ~gl_driver() override;
    gl_driver(const gl_driver&) = delete;
    gl_driver& operator=(const gl_driver&) = delete;

    bool get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) override;
    bool open(int32_t mode, bool fullscreen, bool exact_match) override;
    void set_clear(const gfx_colour& colour, float alpha, float depth) override;
    void set_colour(const gfx_colour& colour) override;
    void set_smooth_hint(bool nicest) override;
    void set_dither(int32_t mode) override;
    void reserved_7(uint32_t) override {}
    void set_perspective(float a, float far) override;
    void set_depth_range(float near, float far) override;
    void set_clip_planes(int32_t count, const double (*planes)[4]) override;
    void set_wireframe(bool on) override;
    void set_vsync(bool on) override;
    bool set_fog(const gfx_fog* fog) override;
    void end_frame() override;
    void begin_frame() override;
    void clear_frame() override;
    bool device_ready() override { return true; }
    bool use_texture(texture& t, int32_t unit) override;
    void delete_texture(texture& t) override;
    void bind_texture_clamped(texture& t) override;
    void set_viewport(float x0, float y0, float x1, float y1) override;
    void set_modelview(const mat4& m, bool force) override;
    void push_matrix(const mat4& m) override;
    void pop_matrix() override;
    void draw_polygon(const mesh_vertex* vertices, int32_t count, bool cull) override;
    int32_t draw_mesh(const mesh_vertex* vertices, int32_t format, const uint16_t* indices, int32_t count,
                      bool cull, const uint8_t* colours) override;
    void draw_line(const vec3& from, const vec3& to) override;
    void set_vertex_array(const mesh_vertex* vertices, int32_t count) override;
    void lock_arrays(int32_t first, int32_t count) override;
    void unlock_arrays() override;
    int32_t draw_triangles(const uint16_t* indices, int32_t count, bool cull) override;
    int32_t draw_quads(const uint16_t* indices, int32_t count, bool cull) override;
    int32_t draw_strips(const uint16_t* strips, int32_t strip_count, bool cull) override;
    void draw_image(const pixel_image& image) override;
    void reserved_34(uint32_t, uint32_t, uint32_t) override {}
    bool read_screen(float x0, float y0, float x1, float y1, screen_image& image) override;
    void draw_quad_uv_tinted(texture* t, const gfx_colour& colour, const gfx_rect& rect,
                             const gfx_uv_rect& uv) override;
    void draw_quad_uv(texture* t, const gfx_rect& rect, const gfx_uv_rect& uv) override;
    void draw_quad(texture* t, const gfx_rect& rect) override;
    void fill_rect(float x, float y, float width, float height, uint8_t red, uint8_t green, uint8_t blue,
                   uint8_t alpha) override;
    void draw_quad_uv_tinted_at(texture* t, const gfx_colour& colour, float x, float y, float width,
                                float height, const float (&uv0)[2], const float (&uv1)[2]) override;
    void draw_quad_uv_at(texture* t, float x, float y, float width, float height, const float (&uv0)[2],
                         const float (&uv1)[2]) override;
    void draw_quad_at(texture* t, float x, float y, float width, float height) override;
    void draw_text(texture* font, const gfx_colour& colour, int32_t x, int32_t y, int32_t cell_width,
                   int32_t cell_height, const std::string& text, bool second_half,
                   const int8_t* widths) override;
    void draw_point(float x, float y, const uint8_t (&rgb)[3], float size) override;
    void set_colour_array(const uint8_t* colours, int32_t mode) override;
    void set_lightmap_layer(const float* coordinates, texture* const* lightmaps) override;
    void set_lamp_layer(const float* coordinates, texture* lamp) override;
    void* window_handle() override;
    bool key_waiting() override;
    key_event read_key() override;
    int32_t max_texture_size() override;
    void set_tint(bool on) override;
    int32_t driver_id() override { return kDriverIdOpenGl; }
    bool has_compressed_textures() override;
    void disable_texture_unit(int32_t unit) override;
    void enable_texture_unit(int32_t unit) override;

    // The cached state setters.
    void gl_set_blend(int32_t mode);
    void gl_set_cull(int32_t mode);
    void gl_set_texenv(int32_t mode);
    void gl_set_depth_test(int32_t mode);
    void gl_set_depth_mask(int32_t mode);
    void gl_set_lighting(int32_t mode, const float* ambient);
    void gl_set_colour_array(int32_t mode);
    // The per-unit stack of bound handles.
    void gl_push_texture(int32_t unit);
    void gl_pop_texture(int32_t unit);
    // The window procedure: the window's close, focus and key events.
    void gl_window_proc(const sys_event& event);

    // What tests look at.
    const gl_state* state() const { return state_.get(); }
    const gl_api& api() const { return gl_; }
    const std::string& dds_folder() const { return dds_folder_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    bool gl_set_mode(int32_t colour, int32_t depth, int32_t stencil, int32_t width, int32_t height,
                     bool fullscreen);
    bool gl_open_window(int32_t width, int32_t height, bool fullscreen);
    int32_t gl_choose_pixel_format(const sys_pixel_format& wanted);
    void gl_print_pfd_flags(const sys_pixel_format& format);
    void gl_probe_extensions();
    void close_window();
    void shut_down();
    // 2D helpers.
    void quad(const gfx_rect& rect, const gfx_uv_rect& uv);
    void cull_and_depth(bool cull);
    void triangles(const mesh_vertex* vertices, const uint16_t* indices, int32_t count,
                   const uint8_t* colours, const float* coordinates, bool base_coordinates);
    bool upload(texture& t);
    bool upload_dds(texture& t);
    // The blending that the texture's image kind asks for.
    void blend_by_kind(const texture& t);
    void active_unit(int32_t unit);  // selects the unit when there are several
    void select_unit(int32_t unit);  // glActiveTextureARB, recorded
    void begin_2d();
    void restore_colour();
    void white_again();
    void end_2d();

    dll gl_library_;
    dll glu_library_;
    uint8_t opened_ = 0;
    std::string dds_folder_;
    std::unique_ptr<gl_state> state_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    float perspective_a_ = 0.0f;
    float perspective_far_ = 0.0f;
    gl_api gl_;
    const mesh_vertex* vertices_ = nullptr;  // the array of the last set_vertex_array
    bool display_changed_ = false;
    bool class_registered_ = false;
};

// A new OpenGL driver, nothing loaded yet (the front end's kind 2).
std::unique_ptr<gfx_driver> gl_driver_create();

// The one key queue of the drivers' windows (the input layer's fallback reads it).
key_queue& gl_key_queue();
// The window procedure of both drivers' windows: close, focus and key events.
void gfx_window_proc(sys_gl_window* window, const sys_event& event);

}  // namespace kv
