// The frame: once per main-loop pass the renderer draws every viewport of the current view (its sky,
// then the world from the camera's sector through portals, the effects and the draw-list passes with
// their depth ranges), then the effects' overlays, the screen tint, the game's screen and HUD, the
// bots' debug drawing and the console, and swaps the buffers. It keeps the frame statistics, places
// the camera lamp and fogs the view while the eye is under water.

#include <algorithm>
#include <cmath>

#include "bots/bot_central.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/draw_lists.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"
#include "gfx/portal_walk.h"
#include "gfx/sector_draw.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "ui/console_view.h"
#include "world/geometry.h"
#include "world/lamp.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

// The game event that draws the game's screen and HUD.
constexpr int32_t kDrawScreenEvent = 1;
// The bots' debug drawing: 0 in each viewport, 1 once over the frame.
constexpr int32_t kBotDrawView = 0;
constexpr int32_t kBotDrawFrame = 1;
constexpr int32_t kUnderwaterChannel = 1;
constexpr const char* kUnderwaterSample = "underwater";
constexpr float kSkyScale = 50000.0f;
// The share of the far distance the sky's farthest corner may reach.
constexpr float kSkyFarShare = 0.99f;
// Depth ranges of the world's passes and of the first-person pass.
constexpr float kWorldNear = 15.0f;
constexpr float kWorldFarMargin = 5000.0f;
constexpr float kFirstPersonNear = 5.0f;
constexpr float kFirstPersonFar = 50000.0f;
constexpr float kVirtualScreen = 1000.0f;
// The frame's part of the effect passes: effect meshes go into the draw lists at full detail.
void draw_effect_part(gfx& g, mesh& m, surface& s) {
    const uint32_t* remembered = g.context.flags;
    const uint8_t* light = g.context.light;
    g.context.flags = g.effects.draw_flags;
    g.context.light = nullptr;
    gfx_draw_geometry_part(g, m, &s, kFullDetail, nullptr);
    g.context.flags = remembered;
    g.context.light = light;
}

// The sector whose table holds the instance, or null (an instance inside a model).
const sector* sector_of(const server& srv, const mesh_instance* instance) {
    for (const std::unique_ptr<package>& p : srv.packages) {
        if (!p) continue;
        for (const sector* s : p->sectors.items) {
            if (s && sector_mesh_index(*s, instance) >= 0) return s;
        }
    }
    return nullptr;
}

// The material of the first water instance whose box, taken into the world through the instance's
// and its sector's transforms, holds the eye: x and z within the box, y strictly below it.
const surface_material* water_at(gfx& g, const vec3& eye) {
    const server& srv = effect_world(g);
    for (const mesh_instance* instance : srv.water_instances) {
        if (!instance || !instance->geom || !instance->material) continue;
        const sector* in_sector = sector_of(srv, instance);
        const mat4 to_world =
            in_sector ? mat4_mul(in_sector->transform, instance->transform) : instance->transform;
        const box3 box = box3_transform(instance->geom->box, to_world);
        if (eye.x >= box.min.x && eye.x <= box.max.x && eye.z >= box.min.z && eye.z <= box.max.z &&
            eye.y < box.min.y)
            return instance->material;
    }
    return nullptr;
}

}  // namespace

void gfx_set_fog(gfx& g, const gfx_fog* fog) {
    g.fog.on = fog != nullptr;
    if (fog) g.fog.values = *fog;
    if (g.driver) g.driver->set_fog(g.fog.on ? &g.fog.values : nullptr);
}

void gfx_push_fog(gfx& g) {
    g.fog_stack.push_back(g.fog);
}

void gfx_pop_fog(gfx& g) {
    if (g.fog_stack.empty()) return;
    const gfx_fog_state saved = g.fog_stack.back();
    g.fog_stack.pop_back();
    gfx_set_fog(g, saved.on ? &saved.values : nullptr);
}

void gfx_update_underwater(gfx& g) {
    const vec3 eye = mat4_row3(mat4_inverse_rigid(g.views.view_matrix));
    const surface_material* water = water_at(g, eye);
    sound_system& sound = kernel_get().sound;
    if (water && !g.switches.underwater) {
        gfx_push_fog(g);
        const gfx_fog fog{water->fog_density, water->fog_colour[0], water->fog_colour[1], water->fog_colour[2]};
        if (fog.density >= 0.0f) gfx_set_fog(g, &fog);
        g.switches.underwater = true;
    } else if (!water && g.switches.underwater) {
        gfx_pop_fog(g);
        g.switches.underwater = false;
        snd_stop(sound, kUnderwaterChannel, kUnderwaterSample, 0);
    }
    if (g.switches.underwater) snd_play(sound, kUnderwaterChannel, kUnderwaterSample, 0, 0, false);
}

float gfx_sky_scale(const gfx& g) {
    if (!g.sky_geometry || g.views.current >= g.views.viewports.size()) return kSkyScale;
    const float far = g.views.viewports[g.views.current].record.projection[kViewportFar];
    const box3& box = g.sky_geometry->box;
    float reach = 0.0f;
    for (int corner = 0; corner < 8; ++corner) {
        vec3 at;
        box3_corner(box, at, corner);
        reach = std::max(reach, vec3_length(at));
    }
    // A box of no size, or a far distance that is not a distance, leaves the sky as it is.
    if (!(far > 0.0f) || !(reach > 0.0f) || !std::isfinite(far) || !std::isfinite(reach)) return kSkyScale;
    return std::min(kSkyScale, far * kSkyFarShare / reach);
}

void gfx_draw_sky(gfx& g) {
    if (!g.sky_geometry || !g.sky_surface) return;
    g.context.flags = nullptr;
    g.context.light = nullptr;
    g.context.lightmaps = nullptr;
    // Around the eye, as large as the far distance lets it be without being clipped.
    const float sky = gfx_sky_scale(g);
    mat4 scale;
    mat4_set_scale(scale, sky, sky, sky);
    view_stack_push_matrix(g.views, scale);
    gfx_draw_geometry(g, *g.sky_geometry, g.sky_surface);
    view_stack_pop_matrix(g.views);
}

void gfx_render_view(gfx& g, uint32_t i) {
    world_visit_stamp_advance();
    gfx_update_underwater(g);
    gfx_driver& d = *g.driver;
    d.texture_upload_ms = 0;
    g.rti.elements = 0;
    timer_restart(g.view_timer);
    d.set_wireframe(false);

    // The sky, culled by nothing the last viewport left.
    gfx_begin_world_walk(g);
    view_stack_begin_sky(g.views, i);
    gfx_draw_sky(g);
    draw_list_flush(g, kPassOpaque);
    draw_list_flush(g, kPassTranslucent);

    d.set_wireframe(g.switches.wireframe);
    view_stack_begin_world(g.views, i);
    gfx_begin_world_walk(g);
    g.context.nearest = 1.0e38f;
    g.context.farthest = -1.0e38f;
    if (g.camera.in_sector) gfx_draw_world_from(g, *g.camera.in_sector, [&g](sector& s) { gfx_draw_sector(g, s); });

    effect_list& effects = g.effects;
    const effect_part_drawer own = effects.drawer;
    if (!own) effects.drawer = draw_effect_part;
    gfx_render_effects(g);
    effects.drawer = own;

    g.rti.world_pass_ms = timer_elapsed_ms(g.view_timer);
    g.rti.shaders = 0;
    g.texture_memory = 0;
    timer_restart(g.view_timer);

    d.set_perspective(kWorldNear, g.context.farthest + kWorldFarMargin);
    draw_list_flush(g, kPassOpaque);
    draw_list_flush(g, kPassTranslucent);
    draw_list_flush(g, kPassLamp);
    if (g.switches.helpers) {
        gfx_draw_helpers(g);
        bot_debug_draw(bot_central_get(), kBotDrawView);
    }
    d.set_perspective(kFirstPersonNear, kFirstPersonFar);
    if (g.switches.first_person) draw_list_flush(g, kPassFirstPerson);
    g.rti.view_ms = timer_elapsed_ms(g.view_timer);
}

void gfx_render_views(gfx& g) {
    const uint32_t count = view_stack_viewport_count(g.views);
    for (uint32_t i = 0; i < count; ++i) {
        if (!g.current_view || i >= g.current_view->viewports.items.size()) continue;
        const viewport* record = g.current_view->viewports.items[i];
        if (!record || !record->camera) continue;
        const placement& camera = *record->camera;
        g.camera.in_sector = static_cast<sector*>(camera.sector);
        g.camera.position = mat4_row3(camera.transform);
        g.camera.forward = mat4_row2(camera.transform);
        g.camera.transform = camera.transform;
        view_stack_set_camera(g.views, camera);
        const float x = static_cast<float>(record->rect[0]);
        const float y = static_cast<float>(record->rect[1]);
        const float w = static_cast<float>(record->rect[2]);
        const float h = static_cast<float>(record->rect[3]);
        g.driver->set_viewport(x / kVirtualScreen, y / kVirtualScreen, (x + w) / kVirtualScreen,
                               (y + h) / kVirtualScreen);
        gfx_render_view(g, i);
    }
}

void gfx_render_frame(gfx& g) {
    if (!g.draw_enabled || !g.driver) return;
    if (!g.driver->device_ready()) return;
    gfx_driver& d = *g.driver;
    kernel& k = kernel_get();
    // The frame starts from cleared buffers: where no view draws (a screen without a level, a view
    // without a sky) no older frame may show through.
    d.clear_frame();
    g.counters.objects = 0;
    g.counters.tree_nodes = 0;
    g.counters.tree_leaves = 0;
    g.draw.submitted = 0;
    g.draw.batches_drawn = 0;
    timer_restart(g.frame_timer);

    // The lamp lights what the camera of the last frame's last viewport faces; there is none before
    // the first viewport was drawn, nor after a level load.
    lamp_frame(g.camera_lamp, g.switches.lamp && g.camera.in_sector, g.camera.in_sector, g.camera.transform);

    gfx_render_views(g);

    d.set_wireframe(false);
    d.set_colour_array(nullptr, 0);
    d.set_modelview(kMat4Identity, false);
    // The interface is drawn over the whole screen, whatever the last viewport was.
    d.set_viewport(0.0f, 0.0f, 1.0f, 1.0f);
    gfx_draw_effect_overlays(g);
    d.set_tint(g.screen_tint);
    server& srv = server_get();
    arty_factory_post_event(srv.factory, kDrawScreenEvent);
    if (g.switches.helpers) bot_debug_draw(bot_central_get(), kBotDrawFrame);
    console_view_draw(k.console);

    const int32_t before_swap = timer_elapsed_ms(g.frame_timer);
    d.end_frame();
    g.rti.swap_ms = timer_elapsed_ms(g.frame_timer) - before_swap;
    ++k.frame_count;
    server_step_players(srv);

    const int32_t frame_ms = timer_elapsed_ms(g.frame_timer);
    k.slowest_render_ms = std::max(k.slowest_render_ms, frame_ms);
    k.fastest_render_ms = std::min(k.fastest_render_ms, frame_ms);
}

}  // namespace kv
