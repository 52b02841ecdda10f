#pragma once
// The display driver of a dedicated server: it draws nothing, and its main window is the server's
// console on the terminal it was started from. Each main-loop pass the message pump polls that
// console and hands one typed line on to the console view, which the kernel's tick then runs as a
// console command; the console view writes every console line back to it.

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/drivers/gfx_driver.h"
#include "platform/terminal_console.h"

namespace kv {

struct console_view;

class null_driver : public gfx_driver {
public:
    null_driver() = default;
    // Stops the pump's polling of the console.
    ~null_driver() override;
    null_driver(const null_driver&) = delete;
    null_driver& operator=(const null_driver&) = delete;

    // Makes the window's open fail, as when the console cannot be made.
    bool open_fails = false;
    // The descriptors of the console (standard input and output unless a test says otherwise).
    int input_fd = 0;
    int output_fd = 1;

    // The console, null before `open`.
    terminal_console* console() { return console_.get(); }
    // One pass of the console: a typed line goes to the console view unless it still holds a command
    // the kernel has not taken; a refused line is logged and the next one read.
    void poll_console(console_view& view);

    bool get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) override;
    bool open(int32_t mode, bool fullscreen, bool exact_match) override;
    void set_clear(const gfx_colour&, float, float) override {}
    void set_colour(const gfx_colour&) override {}
    void set_smooth_hint(bool) override {}
    void set_dither(int32_t) override {}
    void reserved_7(uint32_t) override {}
    void set_perspective(float, float) override {}
    void set_depth_range(float, float) override {}
    void set_clip_planes(int32_t, const double (*)[4]) override {}
    void set_wireframe(bool) override {}
    void set_vsync(bool) override {}
    bool set_fog(const gfx_fog*) override { return true; }
    void end_frame() override {}
    void begin_frame() override {}
    bool device_ready() override { return true; }
    bool use_texture(texture&, int32_t) override { return false; }
    void delete_texture(texture&) override {}
    void bind_texture_clamped(texture&) override {}
    void set_viewport(float, float, float, float) override {}
    void set_modelview(const mat4&, bool) override {}
    void push_matrix(const mat4&) override {}
    void pop_matrix() override {}
    void draw_polygon(const mesh_vertex*, int32_t, bool) override {}
    int32_t draw_mesh(const mesh_vertex*, int32_t, const uint16_t*, int32_t, bool, const uint8_t*) override {
        return 0;
    }
    void draw_line(const vec3&, const vec3&) override {}
    void set_vertex_array(const mesh_vertex*, int32_t) override {}
    void lock_arrays(int32_t, int32_t) override {}
    void unlock_arrays() override {}
    int32_t draw_triangles(const uint16_t*, int32_t, bool) override { return 0; }
    int32_t draw_quads(const uint16_t*, int32_t, bool) override { return 0; }
    int32_t draw_strips(const uint16_t*, int32_t, bool) override { return 0; }
    void draw_image(const pixel_image&) override {}
    void reserved_34(uint32_t, uint32_t, uint32_t) override {}
    bool read_screen(float, float, float, float, screen_image&) override { return false; }
    void draw_quad_uv_tinted(texture*, const gfx_colour&, const gfx_rect&, const gfx_uv_rect&) override {}
    void draw_quad_uv(texture*, const gfx_rect&, const gfx_uv_rect&) override {}
    void draw_quad(texture*, const gfx_rect&) override {}
    void fill_rect(float, float, float, float, uint8_t, uint8_t, uint8_t, uint8_t) override {}
    void draw_quad_uv_tinted_at(texture*, const gfx_colour&, float, float, float, float, const float (&)[2],
                                const float (&)[2]) override {}
    void draw_quad_uv_at(texture*, float, float, float, float, const float (&)[2],
                         const float (&)[2]) override {}
    void draw_quad_at(texture*, float, float, float, float) override {}
    void draw_text(texture*, const gfx_colour&, int32_t, int32_t, int32_t, int32_t, const std::string&, bool,
                   const int8_t*) override {}
    void draw_point(float, float, const uint8_t (&)[3], float) override {}
    void set_colour_array(const uint8_t*, int32_t) override {}
    void set_lightmap_layer(const float*, texture* const*) override {}
    void set_lamp_layer(const float*, texture*) override {}
    // The console: a token that is not null once the driver is open.
    void* window_handle() override { return console_.get(); }
    bool key_waiting() override { return false; }
    key_event read_key() override { return {}; }
    int32_t max_texture_size() override { return 0; }
    void set_tint(bool) override {}
    int32_t driver_id() override { return kDriverIdNull; }
    bool has_compressed_textures() override { return false; }

private:
    std::unique_ptr<terminal_console> console_;
};

// The console of the driver when it is an open null driver; null otherwise.
terminal_console* null_driver_console(gfx_driver* driver);

}  // namespace kv
