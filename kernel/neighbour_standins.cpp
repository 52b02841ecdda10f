// Do-nothing bodies of the services the kernel calls in the subsystems not built yet (see
// neighbour_standins.h). Each section goes when its subsystem arrives.

#include "kernel/neighbour_standins.h"

#include <algorithm>
#include <cstdarg>
#include <numbers>

#include "beings/being.h"
#include "beings/being_commands.h"
#include "beings/being_game.h"
#include "beings/blast.h"
#include "beings/dropped_weapon.h"
#include "beings/entity.h"
#include "beings/grenade.h"
#include "bots/bot_central.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/gfx_camera.h"
#include "gfx/texture.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/dedicated_start.h"
#include "net/net_client.h"
#include "net/service.h"
#include "net/player_state.h"
#include "sound/ambient_source.h"
#include "sound/sound_system.h"
#include "ui/console_view.h"
#include "ui/gui.h"
#include "ui/hud.h"
#include "ui/kvtext.h"
#include "ui/widgets.h"
#include "util/text.h"
#include "world/sector.h"

namespace kv {

neighbour_standins& standins() {
    // Never destroyed: the singletons' destructors still call stand-ins at exit.
    static neighbour_standins* instance = new neighbour_standins();
    return *instance;
}

void standins_reset() {
    standins() = neighbour_standins();
    // The texture list of the front end stands for the textures the stand-in loader made.
    gfx_texture_list_clear(kernel_get().graphics);
}

namespace {

void record(std::string call) {
    std::vector<std::string>& calls = standins().calls;
    if (calls.size() < neighbour_standins::kMaxCalls) calls.push_back(std::move(call));
}

}  // namespace

// Sound and music.

void ambient_source_tick(ambient_source& source, const sector& owner) {
    record("ambient_source_tick " + source.sample_name + " " + owner.name);
}

void music_fade_out(sound_system&) {
    record("music_fade_out");
}

// User interface.

void hud_set_sights(int32_t mode, const std::string& picture_a, const std::string& picture_b) {
    record(str_format("hud_set_sights %d %s %s", mode, picture_a.c_str(), picture_b.c_str()));
}

void kvstatic_set_rect(kvstatic& w, int32_t x, int32_t y, int32_t width, int32_t height) {
    w.rect[0] = x;
    w.rect[1] = y;
    w.rect[2] = width;
    w.rect[3] = height;
}

void kvstatic_set_visible(kvstatic& w, bool visible) {
    w.visible = visible;
}

void kvmltext_set_text(kvmltext& w, const std::string& text, int32_t, int32_t) {
    w.text = text;
}

void kvmltext_set_visible(kvmltext& w, bool visible) {
    w.visible = visible;
}

void kvselection_add_column(kvselection& w, const std::string& title, int32_t width, int32_t value) {
    w.columns.push_back({title, width, value});
}

void kvtext_init(kvtext& t, float x, float y, const float (&colour)[4], const std::string& text,
                 const int32_t (&values)[3], int32_t alignment, const std::string& font) {
    t.x = x;
    t.y = y;
    for (int i = 0; i < 4; ++i) t.colour[i] = colour[i];
    t.text = text;
    for (int i = 0; i < 3; ++i) t.values[i] = values[i];
    t.alignment = alignment;
    t.font = font;
}

void kvtext_set_position(kvtext& t, float x, float y) {
    t.x = x;
    t.y = y;
}

void kvtext_set_color(kvtext& t, const float (&colour)[4]) {
    for (int i = 0; i < 4; ++i) t.colour[i] = colour[i];
}

void kvtext_draw(const kvtext& t) {
    record(str_format("kvtext_draw %s %g %g %g %g", t.text.c_str(), t.colour[0], t.colour[1], t.colour[2],
                      t.colour[3]));
}

void console_view_set_input(console_view& console, const std::string& line) {
    console.pending_command = line;
}

std::string console_view_take_input(console_view& console) {
    std::string line;
    line.swap(console.pending_command);
    return line;
}

void console_view_print(console_view& console, const std::string& text) {
    if (text.find('\n') == std::string::npos) {
        console.lines.push_back(text);
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.empty()) break;
        console.lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

void console_view_printf(console_view& console, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = str_vformat(format, args);
    va_end(args);
    if (text.size() > 4095) text.resize(4095);
    console_view_print(console, text);
}

void console_view_add_line(console_view& console, const std::string& line) {
    console.lines.push_back(line);
}

void console_view_relayout(console_view&) {
    record("console_view_relayout");
}

void console_view_tick(console_view&, int32_t elapsed_ms) {
    record(str_format("console_view_tick %d", elapsed_ms));
}

// Renderer.

int32_t gfx_select_driver(gfx& g, int32_t kind) {
    record(str_format("gfx_select_driver %d", kind));
    if (kind == kGfxDriverOpenGl) {
        if (standins().gfx_select_driver_result != 0) return standins().gfx_select_driver_result;
        g.driver = gl_driver_create();
        return 0;
    }
    if (kind == kGfxDriverDirect3d && !standins().gfx_display_drivers_present) return -1;
    return standins().gfx_select_driver_result;
}

void gfx_init(gfx&, option_registry&) {
    record("gfx_init");
}

int32_t gfx_open_display(gfx& g, int32_t width, int32_t height) {
    record(str_format("gfx_open_display %dx%d", width, height));
    if (standins().gfx_open_display_result != 0 || !standins().gfx_open_display_opens_driver || !g.driver) {
        return standins().gfx_open_display_result;
    }
    // The OpenGL driver really opens, windowed, in the mode of that size.
    std::string name;
    int32_t w = 0;
    int32_t h = 0;
    for (int32_t mode = 0; g.driver->get_mode(mode, name, w, h); ++mode) {
        if (w != width || h != height) continue;
        log_write("gfx: A mode for required resolution `%s' found.\n", name.c_str());
        if (g.driver->open(mode, false, false)) return 0;
        break;
    }
    log_write("gfx: Gfx driver initialization failed!\n");
    return -1;
}

void gfx_render_frame(gfx&) {
    record("gfx_render_frame");
}

int32_t gfx_console_command(gfx&, const std::string& line) {
    record("gfx_console_command " + line);
    return standins().gfx_console_command_result;
}

void gfx_open_screen(gfx& g, view_set* screen) {
    g.current_screen = screen;
    record("gfx_open_screen");
}

bool gfx_open_view(gfx&, const std::string& name) {
    record("gfx_open_view " + name);
    return standins().gfx_open_view_result;
}

bool gfx_set_sky(gfx& g, geometry* sky, surface* sky_surface) {
    g.sky_geometry = sky;
    g.sky_surface = sky_surface;
    record(str_format("gfx_set_sky %s %s", sky ? "geometry" : "null", sky_surface ? "surface" : "null"));
    return sky_surface != nullptr;
}

void gfx_set_fog(gfx& g, const gfx_fog* fog) {
    g.fog = fog;
    record(fog ? "gfx_set_fog" : "gfx_set_fog null");
}

bool gfx_save_screenshot(gfx&, file_stream&) {
    record("gfx_save_screenshot");
    return standins().gfx_save_screenshot_result;
}

int32_t gfx_max_texture_side(gfx&) {
    return standins().gfx_max_texture_side_result;
}

void gfx_disable_drawing(gfx&) {
    record("gfx_disable_drawing");
}

void gfx_free_textures(gfx& g) {
    lmap_registry_clear();
    lmap_file_clear(g.lightmaps);
    lamp_free_texture(g.camera_lamp);
    gfx_texture_list_clear(g);
    record("gfx_free_textures");
}

void gfx_load_lightmaps(gfx& g, const std::string& package_name) {
    record("gfx_load_lightmaps " + package_name);
    lmap_file_load(g.lightmaps, server_get(), package_name);
}

void gfx_add_texture_scroll_effect(gfx&) {
    record("gfx_add_texture_scroll_effect");
}

void gfx_forget_last_effect(gfx&) {
    record("gfx_forget_last_effect");
}

void gfx_add_weapon_model_effect(gfx&, const vec3& point, const std::string& name,
                                 const std::string& second_name, int32_t flag) {
    record(str_format("gfx_add_weapon_model_effect %g %g %g %s %s %d", point.x, point.y, point.z, name.c_str(),
                      second_name.c_str(), flag));
}

void gfx_set_weapon_model_effect(gfx&, float parameter, float second_parameter) {
    record(str_format("gfx_set_weapon_model_effect %g %g", parameter, second_parameter));
}

void gfx_add_shell_effect(gfx&, const mat4& frame, sector* in_sector) {
    const vec3 at = mat4_row3(frame);
    record(str_format("gfx_add_shell_effect %g %g %g %s", at.x, at.y, at.z,
                      in_sector ? in_sector->name.c_str() : "-"));
}

int32_t gfx_dynamic_lights(gfx&) {
    return standins().gfx_dynamic_lights_result;
}

void gfx_clear_effects(gfx&) {
    record("gfx_clear_effects");
}

void gfx_draw_textured_rect(gfx&, const texture& t, const float (&colour)[4], float left, float top,
                            float width, float height, const float (&texture_rect)[4]) {
    record(str_format("gfx_draw_textured_rect %s | %g %g %g %g | %g %g %g %g | %g %g %g %g", t.name.c_str(),
                      colour[0], colour[1], colour[2], colour[3], left, top, width, height, texture_rect[0],
                      texture_rect[1], texture_rect[2], texture_rect[3]));
}

void texture_load(texture& t) {
    record("texture_load " + t.name);
    const std::vector<std::string>& loadable = standins().loadable_textures;
    if (std::find(loadable.begin(), loadable.end(), t.name) == loadable.end()) return;
    t.kind = kTextureRgb;
    t.width = t.height = 1;
    t.bytes_per_texel = 3;
    t.pixels.assign(3, 0xFF);
}

std::unique_ptr<texture> texture_create_for_lmap(int32_t id) {
    auto t = std::make_unique<texture>();
    t->kind = kTextureLightMap;
    t->bytes_per_texel = 1;
    const lmap_file& store = kernel_get().graphics.lightmaps;
    if (const uint8_t* square = lmap_file_data(store, id)) {
        t->width = t->height = lmap_file_entry(store, id).side;
        t->texels = square;
    }
    record(str_format("texture_create_for_lmap %d", id));
    return t;
}

// Network and server service.

net_client& net_client_get() {
    return server_get().client;
}

void net_client_tick(net_client&, int32_t elapsed_ms) {
    record(str_format("net_client_tick %d", elapsed_ms));
}

int32_t client_console_command(net_client&, const std::string& line) {
    record("client_console_command " + line);
    return standins().client_console_command_result;
}

void client_set_mode(net_client&, int32_t mode) {
    record(str_format("client_set_mode %d", mode));
}

void client_set_net_speed(net_client&, int32_t in_speed, int32_t out_speed) {
    record(str_format("client_set_net_speed %d %d", in_speed, out_speed));
}

void client_login(net_client&, int32_t player_id, const std::string& nick) {
    record(str_format("client_login %d %s", player_id, nick.c_str()));
}

void client_send_blogin(net_client&, const std::string& line) {
    record("client_send_blogin " + line);
}

int32_t client_pending_result(const net_client&) {
    return standins().client_pending_result;
}

int32_t client_send_command(net_client&, const std::string& text, int32_t flags) {
    record(str_format("client_send_command %s|%d", text.c_str(), flags));
    return standins().client_send_command_result;
}

std::string client_take_status_text(net_client&) {
    std::string text;
    text.swap(standins().client_status_text);
    return text;
}

int32_t client_server_list_result(const net_client&) {
    return standins().client_server_list_result;
}

void client_send_bye(net_client&, int32_t player_id) {
    record(str_format("client_send_bye %d", player_id));
}

bool client_settings_init(net_client&) {
    record("client_settings_init");
    return true;
}

void client_set_master_address(net_client&, const std::string& address) {
    record("client_set_master_address " + address);
}

void client_store_player_record(net_client&, const player_state& state) {
    record(str_format("client_store_player_record %u", state.id));
}

void client_send_hit_event(net_client&, uint32_t attacker, uint32_t victim, int32_t code, int32_t amount,
                           uint16_t position) {
    record(str_format("client_send_hit_event %u %u %d %d %04x", attacker, victim, code, amount, position));
}

int32_t client_send_drop_event(net_client&, const dropped_weapon& weapon) {
    record(str_format("client_send_drop_event %d %u", weapon.weapon_id, weapon.kind));
    return standins().client_send_drop_event_result;
}

int32_t client_send_pickup(net_client&, uint32_t player_id, int32_t weapon_id, uint8_t kind) {
    record(str_format("client_send_pickup %u %d %u", player_id, weapon_id, kind));
    return 0;
}

int32_t client_send_defused(net_client&, uint32_t owner, int32_t grenade_id) {
    record(str_format("client_send_defused %u %d", owner, grenade_id));
    return 0;
}

int32_t client_send_say(net_client&, int32_t player_id, int32_t flag, int32_t number,
                        const std::string& text) {
    record(str_format("client_send_say %d %d %d %s", player_id, flag, number, text.c_str()));
    return 0;
}

// Beings.

timer& kernel_collision_section() {
    static timer section;
    return section;
}

void blast_create(blast& b, uint32_t owner, const vec3& point, const vec3& direction,
                  const float (&values)[kBlastValues]) {
    b.owner = owner;
    b.point = point;
    b.direction = direction;
    for (int i = 0; i < kBlastValues; ++i) b.values[i] = values[i];
}

void blast_apply(blast& b, sector* origin) {
    record(str_format("blast_apply %u %s", b.owner, origin ? origin->name.c_str() : "-"));
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

void being_set_view(being& b, const vec3& position, const vec3& forward, const vec3& up,
                    placement_sector* sector) {
    placement_set(b.place, position, forward, up, sector);
    record("being_set_view " + b.name);
}

int32_t being_handle_command(being& b, bool pressed, int32_t code) {
    record(str_format("being_handle_command %s %d %d", b.name.c_str(), pressed ? 1 : 0, code));
    return standins().being_handle_command_result;
}

void being_view_matrix(const being& b, mat4& out, int32_t flag) {
    if (flag == 0) {
        mat4_set_rotation_x(out, b.view_pitch);
        return;
    }
    mat4 turn;
    mat4_set_rotation_z(turn, -std::numbers::pi_v<float> / 2.0f);
    out = mat4_mul(b.body_matrix, turn);
}

void being_set_ladder(being& b, uintptr_t sensor_id, bool on) {
    if (on) {
        b.ladder_id = sensor_id;
        b.on_ladder = true;
    } else if (b.ladder_id == sensor_id) {
        b.on_ladder = false;
    }
    record(str_format("being_set_ladder %s %d", b.name.c_str(), on ? 1 : 0));
}

// Bot host.

BotCentral& bot_central_get() {
    static BotCentral bots;
    return bots;
}

bool botc_console_command(BotCentral&, const std::string& text) {
    record("botc_console_command " + text);
    return standins().botc_console_command_result;
}

void botc_start(BotCentral&, const std::string& directory) {
    record("botc_start " + directory);
}

void botc_end(BotCentral&) {
    record("botc_end");
}

void botc_enable(BotCentral&, bool enabled) {
    record(str_format("botc_enable %d", enabled ? 1 : 0));
}

void botc_notify_player_bots(BotCentral&, uint32_t player_id) {
    record(str_format("botc_notify_player_bots %u", player_id));
}

bool botc_level_loaded(BotCentral&, const std::string& package_name) {
    record("botc_level_loaded " + package_name);
    return false;
}

void botc_level_change(BotCentral&) {
    record("botc_level_change");
}

void botc_think(BotCentral&) {
    record("botc_think");
}

void botc_remove_player(BotCentral&, uint32_t player_id) {
    record(str_format("botc_remove_player %u", player_id));
}

void botc_round_start(BotCentral&) {
    record("botc_round_start");
}

void botc_round_end(BotCentral&, uint8_t value) {
    record(str_format("botc_round_end %u", value));
}

// Renderer textures: a light-map page reads full brightness until the texture code arrives.
int32_t texture_sample(const texture&, float u, float v) {
    record(str_format("texture_sample %g %g", u, v));
    return standins().texture_sample_result;
}

// The game object's neighbours: beings, interface, renderer view, network client and bot host.

std::unique_ptr<being> being_create(server& srv, const std::string& name, int32_t flag, uint32_t player_id) {
    auto b = std::make_unique<being>();
    b->name = name;
    b->record = server_find_player(srv, player_id);
    record(str_format("being_create %s %d %u", name.c_str(), flag, player_id));
    return b;
}

void being_tick(being& b, int32_t elapsed, bool followed) {
    record(str_format("being_tick %s %d %d", b.name.c_str(), elapsed, followed ? 1 : 0));
}

void being_set_model(being& b, const std::string& model, const std::string& skin) {
    record("being_set_model " + b.name + " " + model + " " + skin);
}

void being_set_first_person_model(being& b, const std::string& model, const std::string& skin) {
    record("being_set_first_person_model " + b.name + " " + model + " " + skin);
}

void being_record_reset(being& b, int32_t specialisation, int32_t team) {
    if (b.record) {
        b.record->weapons.clear();
        b.record->entry_values[0] = specialisation;
        b.record->entry_values[1] = team;
    }
    record(str_format("being_record_reset %s %d %d", b.name.c_str(), specialisation, team));
}

void being_give_weapon(being& b, int32_t weapon) {
    record(str_format("being_give_weapon %s %d", b.name.c_str(), weapon));
}

void being_set_view_mode(being& b, int32_t mode) {
    if (mode == 1) {
        b.view_flags |= kBeingThirdPerson;
    } else {
        b.view_flags &= ~kBeingThirdPerson;
    }
    record(str_format("being_set_view_mode %s %d", b.name.c_str(), mode));
}

void being_die(being& b, int32_t kind) {
    record(str_format("being_die %s %d", b.name.c_str(), kind));
}

void being_reset_weapon_slots(being& b) {
    record("being_reset_weapon_slots " + b.name);
}

void being_set_state0(being& b) {
    record("being_set_state0 " + b.name);
}

void being_notify_bots(being& b, int32_t event) {
    record(str_format("being_notify_bots %s %d", b.name.c_str(), event));
}

void being_set_weapon_slot_mask(being& b, const uint32_t (&mask)[4], const uint8_t (&counts)[4]) {
    record(str_format("being_set_weapon_slot_mask %s %u %u %u %u %u %u %u %u", b.name.c_str(), mask[0],
                      mask[1], mask[2], mask[3], counts[0], counts[1], counts[2], counts[3]));
}

void being_weapon_slot_mask(const being&, uint32_t (&mask)[4], uint8_t (&counts)[4]) {
    for (uint32_t& m : mask) m = 0;
    for (uint8_t& c : counts) c = 0;
}

void being_equip_weapon_models(being& b, int32_t which) {
    record(str_format("being_equip_weapon_models %s %d", b.name.c_str(), which));
}

void being_update_load(being& b) {
    record("being_update_load " + b.name);
}

void being_apply_anim_state(being& b, const int32_t (&)[3][3]) {
    record("being_apply_anim_state " + b.name);
}

void being_apply_record_weapons(being& b, const int32_t (&)[2]) {
    record("being_apply_record_weapons " + b.name);
}

void being_apply_status(being& b, const uint8_t (&status)[3]) {
    record(str_format("being_apply_status %s %u %u %u", b.name.c_str(), status[0], status[1], status[2]));
}

void being_store_anim_state(being& b) {
    record("being_store_anim_state " + b.name);
}

void being_update_visibility(being& b, const mat4&) {
    record("being_update_visibility " + b.name);
}

void being_draw_name_tag(being& b) {
    record("being_draw_name_tag " + b.name);
}

void being_use_round(being& b) {
    record("being_use_round " + b.name);
}

void being_release_inputs(being& b) {
    record("being_release_inputs " + b.name);
}

void being_sights_update(being& b) {
    record("being_sights_update " + b.name);
}

void being_set_goal_state(being& b, int32_t on, const std::string& icon) {
    record(str_format("being_set_goal_state %s %d %s", b.name.c_str(), on, icon.c_str()));
}

void being_set_gravity(float gravity) {
    record(str_format("being_set_gravity %g", static_cast<double>(gravity)));
}

vec3 being_position(const being& b) {
    return mat4_row3(b.place.transform);
}

void gui_build_screens(kvgame& game) {
    record("gui_build_screens");
    kvgame_message_list_init(game);
}

void gui_show_screen(kvgame& game, int32_t slot, int32_t flag) {
    game.current_screen = slot;
    record(str_format("gui_show_screen %d %d", slot, flag));
}

int32_t kvscreen_input(kvscreen&, int32_t elapsed) {
    record(str_format("kvscreen_input %d", elapsed));
    return standins().kvscreen_input_result;
}

void gui_handle_event(kvgame&, int32_t code) {
    record(str_format("gui_handle_event %d", code));
}

void gui_step(kvgame& game, int32_t elapsed) {
    record(str_format("gui_step %d", elapsed));
    if (game.dedicated && game.current_screen == kScreenMenu)
        dedicated_start_step(dedicated_start_get(), server_get());
    if (game.current_screen == kScreenGame) kvgame_message_input(game);
}

void gui_draw(kvgame&) {
    record("gui_draw");
}

void kvscreen_draw(kvscreen&) {
    record("kvscreen_draw");
}

namespace {

template <typename T>
T* widget_at(std::vector<T>& list, int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size()
               ? &list[static_cast<std::size_t>(index)]
               : nullptr;
}

}  // namespace

kvstatic* kvscreen_picture(kvscreen& screen, int32_t index) {
    return widget_at(standins().screen_widgets[&screen].pictures, index);
}

kvmltext* kvscreen_mltext(kvscreen& screen, int32_t index) {
    return widget_at(standins().screen_widgets[&screen].mltexts, index);
}

kvselection* kvscreen_selection(kvscreen& screen, int32_t index) {
    return widget_at(standins().screen_widgets[&screen].selections, index);
}

void gui_hide_scores(kvgame& game) {
    game.current_screen = kScreenGame;
    record("gui_hide_scores");
}

void gui_set_loading_label(kvgame&, const std::string& text) {
    record("gui_set_loading_label " + text);
}

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

bool hud_effects_start(being& b) {
    record("hud_effects_start " + b.name);
    return standins().hud_effects_result;
}

bool hud_effects_stop(being& b) {
    record("hud_effects_stop " + b.name);
    return standins().hud_effects_result;
}

void hud_effects_decay(being& b) {
    record("hud_effects_decay " + b.name);
}

void hud_effects_accumulate(being& b, int32_t load) {
    record(str_format("hud_effects_accumulate %s %d", b.name.c_str(), load));
}

void console_view_toggle(console_view&) {
    record("console_view_toggle");
}

bool gfx_bind_view_camera(gfx&, placement&, int32_t viewport) {
    record(str_format("gfx_bind_view_camera %d", viewport));
    return standins().gfx_bind_view_camera_result;
}

void gfx_enable_drawing(gfx&) {
    record("gfx_enable_drawing");
}

void client_send_goal(net_client&, const std::string& word, int32_t goal, int32_t team) {
    record(str_format("client_send_goal %s %d %d", word.c_str(), goal, team));
}

bool client_is_connected(const net_client&) {
    return standins().client_connected;
}

int32_t client_local_player_id(const net_client&) {
    return standins().client_local_player_id;
}

void botc_broadcast_event(BotCentral&, int32_t kind, const bot_game_event& event) {
    record(str_format("botc_broadcast_event %d %d %d %d %g %g %g", kind, event.goal, event.player, event.team,
                      static_cast<double>(event.position.x), static_cast<double>(event.position.y),
                      static_cast<double>(event.position.z)));
}

}  // namespace kv
