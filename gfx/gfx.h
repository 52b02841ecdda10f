#pragma once
// The graphics front end as the kernel uses it: built in place inside the kernel, it owns the
// display driver and draws the frames.

#include <cstdint>
#include <string>

namespace kv {

struct option_registry;
struct file_stream;
struct view_set;
struct geometry;
struct surface;

// Display driver kinds of the front end: the kernel's driver kind plus one.
inline constexpr int32_t kGfxDriverNull = 1;
inline constexpr int32_t kGfxDriverOpenGl = 2;
inline constexpr int32_t kGfxDriverDirect3d = 3;

// Exponential fog: density, then the colour (0 to 1).
struct gfx_fog {
    float density;
    float red;
    float green;
    float blue;
};

// Frame statistics that the main loop, the kernel and the world queries share.
struct gfx_statistics {
    int32_t last_frame_ms = 10;  // the last main-loop pass
    int32_t input_poll_ms = 0;
    int32_t accumulated_frame_ms = 0;
    int32_t frame_counters[2] = {0, 0};
    int32_t frame_counter_totals[2] = {0, 0};
};

struct gfx {
    view_set* current_screen = nullptr;
    geometry* sky_geometry = nullptr;
    surface* sky_surface = nullptr;
    const gfx_fog* fog = nullptr;
    gfx_statistics statistics;
};

// Creates the display driver of that kind (replacing the one owned); -1 for another kind or a
// driver that cannot be created.
int32_t gfx_select_driver(gfx& g, int32_t kind);
// Binds the renderer options.
void gfx_init(gfx& g, option_registry& options);
// Chooses a display mode and starts the driver; 0 or -1 (after its own "gfx:" log line).
int32_t gfx_open_display(gfx& g, int32_t width, int32_t height);
void gfx_render_frame(gfx& g);
// The "g_" console commands.
int32_t gfx_console_command(gfx& g, const std::string& line);
// Makes the screen current and clears the current view.
void gfx_open_screen(gfx& g, view_set* screen);
// False when the current screen has no view of that name.
bool gfx_open_view(gfx& g, const std::string& name);
// False without a surface.
bool gfx_set_sky(gfx& g, geometry* sky, surface* sky_surface);
void gfx_set_fog(gfx& g, const gfx_fog* fog);
// Writes the frame buffer to the stream as an uncompressed 24-bit Targa image.
bool gfx_save_screenshot(gfx& g, file_stream& stream);

}  // namespace kv
