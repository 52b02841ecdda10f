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
#include "beings/dropped_weapon.h"
#include "beings/entity.h"
#include "beings/grenade.h"
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

// User interface.

void hud_set_sights(int32_t mode, const std::string& picture_a, const std::string& picture_b) {
    record(str_format("hud_set_sights %d %s %s", mode, picture_a.c_str(), picture_b.c_str()));
}

// Renderer.

// Until the world's frame is drawn here, a frame shows the interface alone: the game object's draw
// event (its screen), then the console.
void gfx_render_frame(gfx& g) {
    record("gfx_render_frame");
    if (!g.draw_enabled || !g.driver || !g.driver->device_ready()) return;
    g.driver->set_viewport(0.0f, 0.0f, 1.0f, 1.0f);
    g.driver->begin_frame();
    arty_factory_post_event(server_get().factory, 1);
    console_view_draw(kernel_get().console);
    g.driver->end_frame();
}

void gfx_set_fog(gfx& g, const gfx_fog* fog) {
    g.fog = fog;
    record(fog ? "gfx_set_fog" : "gfx_set_fog null");
}

void gfx_draw_textured_rect(gfx&, const texture& t, const float (&colour)[4], float left, float top,
                            float width, float height, const float (&texture_rect)[4]) {
    record(str_format("gfx_draw_textured_rect %s | %g %g %g %g | %g %g %g %g | %g %g %g %g", t.name.c_str(),
                      colour[0], colour[1], colour[2], colour[3], left, top, width, height, texture_rect[0],
                      texture_rect[1], texture_rect[2], texture_rect[3]));
}

// Renderer effects not built yet: explosions, smoke and shattering glass.

void gfx_add_explosion_effect(gfx&, const vec3& position, const vec3& scale) {
    record(str_format("gfx_add_explosion_effect %g %g %g %g %g %g", position.x, position.y, position.z,
                      scale.x, scale.y, scale.z));
}

void gfx_set_explosion_effect(gfx&, const std::string& first, uint8_t first_on, const std::string& second,
                              uint8_t second_on) {
    record(str_format("gfx_set_explosion_effect %s %u %s %u", first.c_str(), first_on, second.c_str(),
                      second_on));
}

void gfx_add_smoke_effect(gfx&, const vec3& position, const vec3& velocity) {
    record(str_format("gfx_add_smoke_effect %g %g %g %g %g %g", position.x, position.y, position.z,
                      velocity.x, velocity.y, velocity.z));
}

void gfx_set_smoke_effect(gfx&, const std::string& texture) {
    record("gfx_set_smoke_effect " + texture);
}

void gfx_add_glass_shatter_effect_by_ids(gfx&, uint16_t key, int32_t surface_index, int32_t sector_index) {
    record(str_format("gfx_add_glass_shatter_effect_by_ids %u %d %d", key, surface_index, sector_index));
}

void gfx_add_glass_shatter_effect(gfx&, const trace_hit& hit, sector*) {
    record(str_format("gfx_add_glass_shatter_effect %g %g %g", hit.hit.point.x, hit.hit.point.y, hit.hit.point.z));
}

// Beings.

timer& kernel_collision_section() {
    static timer section;
    return section;
}

void grenade_create(grenade& g, uint32_t owner, const vec3& position, const vec3& velocity,
                    const grenade_values& values, sector* in_sector) {
    g.owner = owner;
    g.kind = values.kind;
    g.id = values.id;
    g.position = position;
    g.velocity = velocity;
    g.in_sector = in_sector;
    g.values = values;
}

void grenade_destroy(grenade& g) {
    record(str_format("grenade_destroy %u %d", g.owner, g.id));
}

void grenade_update(grenade& g) {
    record(str_format("grenade_update %u %d", g.owner, g.id));
    if (standins().finish_on_update) g.alive = 0;
}

void dropped_weapon_create(dropped_weapon& w, const dropped_weapon_values& values, uint8_t kind,
                           sector* in_sector) {
    w.weapon_id = values.weapon_id;
    w.kind = kind;
    for (int i = 0; i < 3; ++i) w.values[i] = values.values[i];
    w.text = values.text;
    w.position = values.position;
    w.velocity = values.velocity;
    w.in_sector = in_sector;
    w.gravity = values.gravity;
    w.factor = values.factor;
}

void dropped_weapon_destroy(dropped_weapon& w) {
    record(str_format("dropped_weapon_destroy %d %u", w.weapon_id, w.kind));
}

void dropped_weapon_update(dropped_weapon& w) {
    record(str_format("dropped_weapon_update %d %u", w.weapon_id, w.kind));
    if (standins().finish_on_update) w.alive = 0;
}

bool dropped_weapon_matches(const dropped_weapon& w, int32_t weapon_id, uint8_t kind) {
    return w.weapon_id == weapon_id && w.kind == kind;
}

// Until the dropped weapon brings its model's box: 20 units every way around its position.
box3 dropped_weapon_bounds(const dropped_weapon& w) {
    box3 b;
    const vec3 half{20.0f, 20.0f, 20.0f};
    box3_init(b, w.position - half, w.position + half);
    return b;
}

// The soldier's neighbours: HUD effects, renderer flags and effects, the mouse, the bot host's player
// events and the weapon actions.









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

// The game object's neighbours: beings, interface, renderer view, network client and bot host.

// The screens of the host game, the LAN list, the server browser, the briefings and the scores, and
// the HUD's drawing.

void host_on_show(kvgame&) {
    record("host_on_show");
}

void host_handle_event(kvgame&, int32_t code) {
    record(str_format("host_handle_event %d", code));
}

void host_show_help(kvgame&, int32_t pointed) {
    record(str_format("host_show_help %d", pointed));
}

void host_clear_help(kvgame&) {}

void host_step(kvgame&, int32_t) {}

void lan_list_on_show(kvgame&) {
    record("lan_list_on_show");
}

void lan_list_handle_event(kvgame&, int32_t code) {
    record(str_format("lan_list_handle_event %d", code));
}

void lan_list_step(kvgame&, int32_t) {}

void browser_handle_event(kvgame&, int32_t code) {
    record(str_format("browser_handle_event %d", code));
}

void browser_step(kvgame&, int32_t) {}

void briefing_on_show(kvgame&) {
    record("briefing_on_show");
}

void briefing_handle_event(kvgame&, int32_t code) {
    record(str_format("briefing_handle_event %d", code));
}

void briefing_draw(kvgame&, int32_t flag, timer&) {
    record(str_format("briefing_draw %d", flag));
}

void briefing2_step(kvgame&, int32_t) {}

void scores_on_show(kvgame&) {
    record("scores_on_show");
}

void scores_draw(kvgame&) {}

void hud_draw_statistics(kvgame&) {}

void hud_draw_passes(kvgame&, timer&) {
    record("hud_draw_passes");
}

void hud_clear_inventory() {}

void hud_clear_rpg() {}

void hud_toggle_rpg() {
    record("hud_toggle_rpg");
}

void hud_set_aim_mark_visible(bool visible) {
    record(str_format("hud_set_aim_mark_visible %d", visible ? 1 : 0));
}

void hud_add_message(kvgame& game, int32_t code, const std::string& name) {
    game.hud_events.push_back({code, name});
    record(str_format("hud_add_message %d %s", code, name.c_str()));
}





}  // namespace kv
