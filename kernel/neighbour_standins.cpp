// Do-nothing bodies of the services the kernel calls in the subsystems not built yet (see
// neighbour_standins.h). Each section goes when its subsystem arrives.

#include "kernel/neighbour_standins.h"

#include <algorithm>
#include <cstdarg>
#include <numbers>

#include "beings/being.h"
#include "beings/being_commands.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/blast.h"
#include "beings/entity.h"
#include "bots/bot_central.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "game/server_world.h"
#include "gfx/gfx.h"
#include "gfx/gfx_camera.h"
#include "gfx/texture.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/dedicated_start.h"
#include "net/net_client.h"
#include "net/service.h"
#include "net/player_state.h"
#include "ui/console_view.h"
#include "ui/gui.h"
#include "ui/hud.h"
#include "ui/screens.h"
#include "ui/widgets.h"
#include "util/text.h"
#include "world/sector.h"
#include "world/trace.h"

namespace kv {

neighbour_standins& standins() {
    // Never destroyed: the singletons' destructors still call stand-ins at exit.
    static neighbour_standins* instance = new neighbour_standins();
    return *instance;
}

void standins_reset() {
    standins() = neighbour_standins();
    // Textures earlier tests loaded into the front end's list go with them.
    gfx_texture_list_clear(kernel_get().graphics);
}

namespace {

void record(std::string call) {
    std::vector<std::string>& calls = standins().calls;
    if (calls.size() < neighbour_standins::kMaxCalls) calls.push_back(std::move(call));
}

}  // namespace

// Renderer.

void gfx_draw_textured_rect(gfx&, const texture& t, const float (&colour)[4], float left, float top,
                            float width, float height, const float (&texture_rect)[4]) {
    record(str_format("gfx_draw_textured_rect %s | %g %g %g %g | %g %g %g %g | %g %g %g %g", t.name.c_str(),
                      colour[0], colour[1], colour[2], colour[3], left, top, width, height, texture_rect[0],
                      texture_rect[1], texture_rect[2], texture_rect[3]));
}

// Beings.

// The entities' and dropped weapons' debug drawing of the renderer's `g_helpers` pass.
void entity_render_hook(entity& e) {
    record("entity_render_hook " + e.name);
}

void dropped_weapon_draw(dropped_weapon&) {
    record("dropped_weapon_draw");
}

timer& kernel_collision_section() {
    static timer section;
    return section;
}

// The soldier's neighbours: the renderer's flags, the name tag's projection and the weapon switch.

void gfx_set_weapon_view(gfx&, bool on) {
    standins().weapon_view = on;
}

void gfx_toggle_lamp(gfx&) {
    standins().lamp = !standins().lamp;
    record(str_format("gfx_toggle_lamp %d", standins().lamp ? 1 : 0));
}

void gfx_lamp_off(gfx&) {
    standins().lamp = false;
}

void gfx_toggle_night_view(gfx&) {
    standins().night_view = !standins().night_view;
    record(str_format("gfx_toggle_night_view %d", standins().night_view ? 1 : 0));
}

vec3 gfx_project_point(gfx&, const vec3& point) {
    record(str_format("gfx_project_point %g %g %g", static_cast<double>(point.x),
                      static_cast<double>(point.y), static_cast<double>(point.z)));
    return standins().projected;
}

void being_switch_weapon(being& b) {
    record("being_switch_weapon " + b.name);
}

}  // namespace kv
