// The graphics front end's start-up and set-up: the display driver by kind, the renderer options,
// the display-mode choice, the current screen, view and cameras, drawing on and off, the sky, and
// the texture and light-map stores around package loads.

#include "gfx/gfx.h"

#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "gfx/camera_view.h"
#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/gfx_camera.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "world/geometry.h"
#include "world/lmap_binding.h"
#include "world/mesh.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

// The first stamp of a run: it wraps to 0 on the second rendered viewport.
constexpr uint16_t kFirstFrameStamp = 65534;

gfx_driver_maker g_driver_maker = nullptr;

bool open_mode(gfx& g, int32_t index, bool exact) {
    if (g.driver->open(index, g.options.fullscreen, exact)) return true;
    log_write("gfx: Gfx driver initialization failed!\n");
    return false;
}

}  // namespace

std::unique_ptr<gfx_driver> gfx_make_driver(int32_t kind) {
    switch (kind) {
        case kGfxDriverNull:
            return std::make_unique<null_driver>();
        case kGfxDriverOpenGl:
            return gl_driver_create();
        case kGfxDriverDirect3d:
            return d3d_driver_create();
        default:
            return nullptr;
    }
}

void gfx_set_driver_maker(gfx_driver_maker maker) {
    g_driver_maker = maker;
}

int32_t gfx_select_driver(gfx& g, int32_t kind) {
    if (kind != kGfxDriverNull && kind != kGfxDriverOpenGl && kind != kGfxDriverDirect3d) return -1;
    std::unique_ptr<gfx_driver> made = g_driver_maker ? g_driver_maker(kind) : gfx_make_driver(kind);
    if (!made) return -1;
    // The same driver handed again stays as it is.
    if (made.get() == g.driver.get()) {
        (void)made.release();
        return 0;
    }
    g.driver = std::move(made);
    return 0;
}

void gfx_init(gfx& g, option_registry& registry) {
    g.draw_enabled = false;
    world_visit_stamp_set(kFirstFrameStamp);
    g.options = gfx_options();
    gfx_options& o = g.options;
    option_registry_add_bool(registry, "LOD_on", &o.LOD_on);
    option_registry_add_bool(registry, "portals_on", &o.portals_on);
    option_registry_add_bool(registry, "show_portals", &o.show_portals);
    option_registry_add_bool(registry, "occluders_on", &o.occluders_on);
    option_registry_add_float(registry, "occmark", &o.occmark);
    option_registry_add_bool(registry, "show_occluders", &o.show_occluders);
    option_registry_add_bool(registry, "fullscreen", &o.fullscreen);
    option_registry_add_bool(registry, "bfcull_on", &o.bfcull_on);
    option_registry_add_bool(registry, "gfx_varrays", &o.gfx_varrays);
    option_registry_add_int(registry, "gfx_rpath", &o.gfx_rpath);
    option_registry_add_int(registry, "rti_dispmode", &o.rti_dispmode);
    option_registry_add_int(registry, "minfps", &o.minfps);
    option_registry_add_float(registry, "minarea", &o.minarea);
    g.switches = gfx_switches();
    g.screen_tint = false;
    g.sky_geometry = nullptr;
    g.sky_surface = nullptr;
    g.fog = gfx_fog_state();
    g.fog_stack.clear();
}

int32_t gfx_open_display(gfx& g, int32_t width, int32_t height) {
    if (!g.driver) {
        log_write("gfx: Gfx driver initialization failed!\n");
        return -1;
    }
    std::string name;
    int32_t mode_width = 0;
    int32_t mode_height = 0;
    int32_t width_match = -1;
    for (int32_t index = 0; g.driver->get_mode(index, name, mode_width, mode_height); ++index) {
        if (mode_width == width && mode_height == height) {
            if (!open_mode(g, index, true)) return -1;
            log_write("gfx: A mode for required resolution `%s' found.\n", log_printable(name).c_str());
            return 0;
        }
        if (mode_width == width) width_match = index;
    }
    if (width_match < 0) {
        log_write("gfx: No such mode that matches required resolution found.\n");
        return -1;
    }
    g.driver->get_mode(width_match, name, mode_width, mode_height);
    log_write("gfx: Required resolution not found. Trying `%s'.\n", log_printable(name).c_str());
    return open_mode(g, width_match, false) ? 0 : -1;
}

void gfx_open_screen(gfx& g, view_set* screen) {
    g.current_screen = screen;
    g.current_view = nullptr;
}

bool gfx_open_view(gfx& g, const std::string& name) {
    if (!g.current_screen) return false;
    view* found = view_set_find_view(*g.current_screen, name);
    if (!found) return false;
    // The copies of the view shown keep their zoom.
    if (found == g.current_view) return true;
    g.current_view = found;
    view_stack_clear_viewports(g.views);
    for (const viewport* record : found->viewports.items) {
        if (record) view_stack_add_viewport(g.views, camera_view_copy(*record));
    }
    return true;
}

bool gfx_bind_view_camera(gfx& g, placement& frame, int32_t i) {
    if (!g.current_view || i < 0 || i >= object_table_count(g.current_view->viewports)) return false;
    viewport* record = g.current_view->viewports.items[static_cast<std::size_t>(i)];
    if (!record) return false;
    record->camera = &frame;
    return true;
}

vec3 gfx_project_point(gfx& g, const vec3& point) {
    const view_stack& vs = g.views;
    if (vs.current >= vs.viewports.size()) return vec3{0.0f, 0.0f, 0.0f, 0.0f};
    // The drivers' projection keeps x and y and divides by the eye-space depth.
    const mat4 camera = mat4_mul(vs.viewports[vs.current].view_projection, vs.view_matrix);
    vec3 p = mat4_transform_point(camera, vec3{point.x, point.y, point.z, 1.0f});
    p.w = p.z;
    return p;
}

void gfx_enable_drawing(gfx& g) {
    g.draw_enabled = true;
    kernel_get().frame_count = 0;
}

void gfx_disable_drawing(gfx& g) {
    g.draw_enabled = false;
    g.switches.underwater = false;
    // No frame may reach a sector of the level that goes away.
    g.camera = gfx_camera_context();
    gfx_reset_effects(g);
    // No batch outlives the level: its shaders go with it.
    draw_lists_reset(g);
}

bool gfx_set_sky(gfx& g, geometry* sky, surface* sky_surface) {
    g.sky_geometry = sky;
    if (sky && !sky->meshes.items.empty() && sky->meshes.items.front())
        sky->box = sky->meshes.items.front()->box;
    g.sky_surface = sky_surface;
    return sky_surface != nullptr;
}

void gfx_free_textures(gfx& g) {
    lmap_registry_clear();
    lmap_file_clear(g.lightmaps);
    lamp_free_texture(g.camera_lamp);
    gfx_texture_list_clear(g);
    g.texture_use_counter = 0;
}

void gfx_load_lightmaps(gfx& g, const std::string& package_name) {
    lmap_file_load(g.lightmaps, server_get(), package_name);
}

int32_t gfx_max_texture_side(gfx& g) {
    return g.driver ? g.driver->max_texture_size() : 0;
}

}  // namespace kv
