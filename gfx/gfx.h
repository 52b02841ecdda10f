#pragma once
// The graphics front end as the kernel uses it: built in place inside the kernel, it owns the
// display driver and draws the frames.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gfx/clipper.h"
#include "gfx/draw_lists.h"
#include "gfx/drivers/gfx_driver.h"
#include "gfx/effects/effect_list.h"
#include "gfx/gfx_stats.h"
#include "gfx/portal_walk.h"
#include "gfx/texture.h"
#include "gfx/view_stack.h"
#include "kernel/timer.h"
#include "util/mat4.h"
#include "util/vec3.h"
#include "world/lamp.h"
#include "world/lmap_file.h"

namespace kv {

struct option_registry;
struct file_stream;
struct view_set;
struct geometry;
struct surface;
struct view;
struct trace_hit;
class sector;
struct trace_hit;

// Display driver kinds of the front end: the kernel's driver kind plus one.
inline constexpr int32_t kGfxDriverNull = 1;
inline constexpr int32_t kGfxDriverOpenGl = 2;
inline constexpr int32_t kGfxDriverDirect3d = 3;

// Frame statistics that the main loop, the kernel and the world queries share.
struct gfx_statistics {
    int32_t last_frame_ms = 10;  // the last main-loop pass
    int32_t input_poll_ms = 0;
    int32_t accumulated_frame_ms = 0;
    int32_t frame_counters[2] = {0, 0};
    int32_t frame_counter_totals[2] = {0, 0};
};

// Real-time statistics that the world frame writes and the statistics line shows.
struct gfx_realtime_statistics {
    int32_t frame_ms = 0;            // ST
    int32_t collision_ms = 0;        // CD
    int32_t rays_last_second = 0;    // RAY: rays of the last second,
    int32_t ray_ms_last_second = 0;  //   their time,
    int32_t rays_at_max = 0;         //   the ray count at the maximum time
    int32_t max_ray_ms = 0;          //   and the maximum time
    int32_t logic_ms = 0;            // LT
    int32_t model_ms = 0;            // MD
    int32_t bot_ms = 0;              // BOT
    int32_t client_ms = 0;           // CL
};

// The renderer options, bound in the option registry in this order and saved in "options-c".
struct gfx_options {
    bool LOD_on = false;
    bool portals_on = true;
    bool show_portals = false;
    bool occluders_on = true;
    float occmark = 0.05f;
    bool show_occluders = false;
    bool fullscreen = false;
    bool bfcull_on = true;
    bool gfx_varrays = false;
    int32_t gfx_rpath = 0;
    int32_t rti_dispmode = 0;
    int32_t minfps = 15;
    float minarea = 0.0005f;
};

// The renderer's switches that are not saved.
struct gfx_switches {
    int32_t debug = 0;  // non-zero: the camera's own sector is not drawn
    bool wireframe = false;
    bool lighting = true;
    int32_t dynamic_lights = 1;
    bool helpers = false;  // debug drawing of entities, bots and occluders
    bool lamp = false;     // the camera lamp placed each frame
    bool first_person = true;
    bool underwater = false;
    bool effect_echo = true;  // new effects are sent to the network as well
};

// The camera of the viewport being drawn, refilled per viewport.
struct gfx_camera_context {
    sector* in_sector = nullptr;
    vec3 position;
    vec3 forward;
    mat4 transform;
};

// The fog as the renderer holds it: on or off, and its values.
struct gfx_fog_state {
    bool on = false;
    gfx_fog values{0.0f, 0.0f, 0.0f, 0.0f};
};

// Makes the display driver of a front-end kind; null when this build has none of that kind.
using gfx_driver_maker = std::unique_ptr<gfx_driver> (*)(int32_t kind);

struct gfx {
    view* current_view = nullptr;  // the view of the current screen that is shown
    bool draw_enabled = false;     // tested first by every frame
    gfx_camera_context camera;
    gfx_options options;
    gfx_switches switches;
    view_stack views;
    gfx_cull_planes planes;  // the portal walk's clip planes and the occluders' planes
    clip_buffers clipper;
    gfx_rti_block rti;                   // counters of the statistics line
    std::unique_ptr<gfx_driver> driver;  // none until a driver is selected
    // The texture cache (gfx/texture_cache.h): records in the order they were made, an index by
    // name over them, the 16-bit use counter and the texture memory of the textures looked up.
    std::vector<std::unique_ptr<texture>> textures;
    std::unordered_map<std::string, texture*> texture_index;
    uint16_t texture_use_counter = 0;
    uint64_t texture_memory = 0;
    view_set* current_screen = nullptr;
    geometry* sky_geometry = nullptr;
    surface* sky_surface = nullptr;
    gfx_fog_state fog;
    std::vector<gfx_fog_state> fog_stack;  // saved while the eye is under water
    gfx_statistics statistics;
    gfx_realtime_statistics realtime;
    bool screen_tint = false;  // handed to the display driver's tint operation each frame
    lmap_file lightmaps;       // the level's light maps; after the world preparation, its pages
    lamp camera_lamp{kCameraLampAngle, kCameraLampRange, kCameraLampName};  // lights what the camera faces
    effect_list effects;  // gfx/effects/effect_manager.h
    draw_lists draw;      // gfx/draw_lists.h
    gfx_draw_context context;
    gfx_frame_counters counters;
    timer frame_timer;
    timer view_timer;
};

// Creates the display driver of that kind (replacing the one owned); -1 for another kind or a
// driver that cannot be created, and the owned driver stays.
int32_t gfx_select_driver(gfx& g, int32_t kind);
// The drivers this build makes: 1 the null driver; the others none yet.
std::unique_ptr<gfx_driver> gfx_make_driver(int32_t kind);
// Replaces the maker of `gfx_select_driver` (tests); null restores `gfx_make_driver`.
void gfx_set_driver_maker(gfx_driver_maker maker);
// Drawing off, the frame stamp at 65534, the options bound with their defaults and the switches,
// sky and fog reset.
void gfx_init(gfx& g, option_registry& options);
// Chooses a display mode and starts the driver; 0 or -1 (after its own "gfx:" log line).
int32_t gfx_open_display(gfx& g, int32_t width, int32_t height);
// One frame: every viewport of the current view with its sky and world, then the effects' overlays,
// the screen tint, the game's screen, the console and the buffer swap (gfx/frame.cpp).
void gfx_render_frame(gfx& g);
void gfx_render_views(gfx& g);
void gfx_render_view(gfx& g, uint32_t i);
void gfx_draw_sky(gfx& g);
// The scale the sky is drawn at in the current viewport: 50000, or less when the sky's box would reach
// past the viewport's far distance at that scale.
float gfx_sky_scale(const gfx& g);
// Fog and sound while the eye is under a water surface.
void gfx_update_underwater(gfx& g);
// The "g_" console commands.
int32_t gfx_console_command(gfx& g, const std::string& line);
// Makes the screen current and clears the current view.
void gfx_open_screen(gfx& g, view_set* screen);
// False when the current screen has no view of that name.
bool gfx_open_view(gfx& g, const std::string& name);
// False without a surface.
bool gfx_set_sky(gfx& g, geometry* sky, surface* sky_surface);
// The fog's values copied (null turns it off) and handed to the driver.
void gfx_set_fog(gfx& g, const gfx_fog* fog);
// Saves the current fog; restores the last one saved and hands it to the driver.
void gfx_push_fog(gfx& g);
void gfx_pop_fog(gfx& g);
// Writes the frame buffer to the stream as an uncompressed 24-bit Targa image.
bool gfx_save_screenshot(gfx& g, file_stream& stream);
// The display driver's largest texture side.
int32_t gfx_max_texture_side(gfx& g);

// Level loads: drawing off and every effect deleted.
void gfx_disable_drawing(gfx& g);
// Deletes every texture and resets the light-map and lamp stores (before a package's precache).
void gfx_free_textures(gfx& g);
// Loads the package's light-map file into the light-map store (raises `read_error` on a damaged
// file).
void gfx_load_lightmaps(gfx& g, const std::string& package_name);
// Adds one texture-scroll effect (for the world server's texture-scroll list).
void gfx_add_texture_scroll_effect(gfx& g);
// Clears the target of the effect setters.
void gfx_forget_last_effect(gfx& g);
// Deletes every effect (round reset).
void gfx_clear_effects(gfx& g);
// The weapon effects of the entities' frame triggers: a weapon-model effect at a point with two names
// and a flag, then its parameters; a spent shell at a frame in a sector.
void gfx_add_weapon_model_effect(gfx& g, const vec3& point, const std::string& name,
                                 const std::string& second_name, int32_t flag);
void gfx_set_weapon_model_effect(gfx& g, float parameter, float second_parameter);
void gfx_add_shell_effect(gfx& g, const mat4& frame, sector* in_sector);
// The effects that the network's world event stream replays, and the echo flag: while it is set the
// effect operations also write their events into the client's stream.
void gfx_add_impact_effect_from_net(gfx& g, const vec3& point, const vec3& normal, int32_t material,
                                    int32_t sector_index);
void gfx_set_impact_effect(gfx& g, const std::string& smoke, const std::string& hole, uint8_t water,
                           float size);
void gfx_add_explosion_effect(gfx& g, const vec3& position, const vec3& scale);
void gfx_set_explosion_effect(gfx& g, const std::string& first, uint8_t first_on, const std::string& second,
                              uint8_t second_on);
void gfx_add_smoke_effect(gfx& g, const vec3& position, const vec3& velocity);
void gfx_set_smoke_effect(gfx& g, const std::string& texture);
void gfx_add_water_ripple_effect_from_net(gfx& g, const vec3& position, float size, int32_t sector_index);
void gfx_set_water_ripple_effect(gfx& g, const std::string& texture, uint32_t lifetime, uint8_t flag);
void gfx_add_screen_tint_effect(gfx& g, uint32_t sector_index, const vec3& position);
void gfx_add_glass_shatter_effect(gfx& g, const trace_hit& hit, sector* in_sector);
void gfx_add_glass_shatter_effect_by_ids(gfx& g, uint16_t key, int32_t surface_index, int32_t sector_index);
void gfx_add_glass_shatter_effect(gfx& g, const trace_hit& hit, sector* in_sector);
void gfx_set_effect_echo(gfx& g, bool echo);
bool gfx_effect_echo(gfx& g);
// The dynamic-lights value; 0 while lighting is off.
int32_t gfx_dynamic_lights(gfx& g);
// The soldier's switches: the first-person pass (the weapon view), the camera lamp placed each frame
// and the night view (the display driver's screen tint).
void gfx_set_weapon_view(gfx& g, bool on);
void gfx_toggle_lamp(gfx& g);
void gfx_lamp_off(gfx& g);
void gfx_toggle_night_view(gfx& g);

// The texel of a one-byte-per-texel image (a light-map page) at wrapped coordinates: with m the
// smaller side, column int(u m) mod width and row int(v m) mod height.
int32_t texture_sample(const texture& t, float u, float v);

}  // namespace kv
