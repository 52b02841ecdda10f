#pragma once
// A display driver for tests: it draws nothing and writes every operation down, one line per call
// with its arguments ("use_texture wall 0", "set_colour 1 0 0"), in call order. Results come from
// the fields below; `use_texture` uploads as a driver would (a handle, the uploaded mark and the
// texture memory) unless told to fail. Keys pressed with `press` and `release` wait in the driver's
// key queue.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gfx/drivers/gfx_driver.h"
#include "gfx/drivers/key_queue.h"
#include "gfx/gfx.h"

namespace kv {

class recording_driver : public gfx_driver {
public:
    // Scripted results.
    bool open_result = true;
    bool device_ready_result = true;
    bool use_texture_result = true;
    int32_t max_texture_size_result = 2048;
    bool compressed_textures = false;
    // The display size that `read_screen` reads from.
    int32_t screen_width = 640;
    int32_t screen_height = 480;

    std::vector<std::string> calls;
    key_queue keys;

    void press(uint32_t key) { key_queue_push(keys, false, key); }
    void release(uint32_t key) { key_queue_push(keys, true, key); }
    // The calls so far, forgotten.
    std::vector<std::string> take_calls();

    bool get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) override;
    bool open(int32_t mode, bool fullscreen, bool exact_match) override;
    void set_clear(const gfx_colour& colour, float alpha, float depth) override;
    void set_colour(const gfx_colour& colour) override;
    void set_smooth_hint(bool nicest) override;
    void set_dither(int32_t mode) override;
    void reserved_7(uint32_t value) override;
    void set_perspective(float a, float far) override;
    void set_depth_range(float near, float far) override;
    void set_clip_planes(int32_t count, const double (*planes)[4]) override;
    void set_wireframe(bool on) override;
    void set_vsync(bool on) override;
    bool set_fog(const gfx_fog* fog) override;
    void end_frame() override;
    void begin_frame() override;
    bool device_ready() override;
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
    void reserved_34(uint32_t a, uint32_t b, uint32_t c) override;
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
    int32_t driver_id() override;
    bool has_compressed_textures() override;
    void disable_texture_unit(int32_t unit) override;
    void enable_texture_unit(int32_t unit) override;

private:
    void record(const char* format, ...) __attribute__((format(printf, 2, 3)));
    uintptr_t next_handle_ = 1;
};

// A recording driver in place of a front end's driver for the life of the guard; the driver it
// replaced comes back after.
class scoped_recording_driver {
public:
    explicit scoped_recording_driver(gfx& g) : g_(g) {
        auto recorder = std::make_unique<recording_driver>();
        driver_ = recorder.get();
        kept_ = std::exchange(g.driver, std::move(recorder));
    }
    ~scoped_recording_driver() { g_.driver = std::move(kept_); }
    scoped_recording_driver(const scoped_recording_driver&) = delete;
    scoped_recording_driver& operator=(const scoped_recording_driver&) = delete;

    recording_driver& operator*() const { return *driver_; }
    recording_driver* operator->() const { return driver_; }

private:
    gfx& g_;
    recording_driver* driver_ = nullptr;
    std::unique_ptr<gfx_driver> kept_;
};

}  // namespace kv
