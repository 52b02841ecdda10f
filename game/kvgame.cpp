#include "game/kvgame.h"

#include <cmath>
#include <numbers>

#include "beings/being_game.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvgoal.h"
#include "game/kvlevel.h"
#include "game/kvspawn_point.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_snapshot.h"
#include "gfx/gfx_camera.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "platform/random.h"
#include "ui/hud_effects.h"
#include "ui/gui.h"
#include "ui/hud.h"
#include "util/placement.h"

namespace kv {
namespace {

constexpr float kDegrees = std::numbers::pi_v<float> / 180.0f;
constexpr int kTeams = 3;
constexpr int kSpecialisations = 4;
constexpr int kAllowedWeapons = 23;
constexpr int kKitSlots = 4;

// Weapons each team and specialisation may carry (row = team x 4 + specialisation); -1 ends a row.
constexpr int8_t kAllowed[kTeams * kSpecialisations][kAllowedWeapons] = {
    {0, 5, 3, 14, 12, 37, 39, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {35, 36, 45, 46, 15, 16, 17, 18, 48, 49, 37, 39, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {31, 28, 34, 32, 37, 39, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {1, 4, 27, 37, 40, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {9, 8, 13, 42, 43, 41, 52, 53, 54, 55, 56, 57, 58, 60, 61, -1},
    {22, 23, 9, 50, 51, 42, 43, 41, 52, 53, 54, 55, 56, 57, 58, 60, 61, -1},
    {29, 33, 42, 43, 41, 52, 53, 54, 55, 56, 57, 58, 60, 61, -1},
    {10, 26, 25, 42, 43, 41, 52, 53, 54, 55, 56, 57, 58, 60, 61, -1},
    {11, 8, 0, 2, 6, 7, 40, 44, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {24, 19, 20, 21, 11, 48, 49, 40, 44, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {30, 28, 29, 32, 40, 44, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
    {1, 27, 25, 40, 44, 38, 47, 52, 53, 55, 56, 57, 58, 60, 61, -1},
};

constexpr int8_t kKit[kTeams * kSpecialisations][kKitSlots] = {
    {0, -1, 52, -1}, {16, -1, 52, 61}, {28, 37, 52, -1}, {27, -1, 52, -1},
    {8, -1, 54, -1}, {23, -1, 54, 61}, {29, 42, 54, -1}, {25, -1, 54, -1},
    {2, -1, 53, -1}, {20, -1, 53, 61}, {28, 44, 53, -1}, {27, -1, 53, -1},
};

constexpr uint8_t kKitCounts[kTeams * kSpecialisations][kKitSlots] = {
    {0, 2, 0, 0}, {0, 2, 0, 0}, {0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}, {0, 2, 0, 0},
    {0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}, {0, 2, 0, 0}, {0, 0, 0, 0}, {0, 1, 0, 0},
};

int specialisation_row(int32_t team, int32_t specialisation) {
    if (team < 0 || team >= kTeams || specialisation < 0 || specialisation >= kSpecialisations) return -1;
    return team * kSpecialisations + specialisation;
}

void fatal(const char* text) {
    log_write("%s", text);
    kernel_stop_failed(kernel_get());
}

void freeze(kvloose_camera* camera) {
    if (camera) camera_freeze(*camera);
}

void unfreeze(kvloose_camera* camera) {
    if (camera) camera_unfreeze(*camera);
}

// The sector of that name in the world server's game package, or null.
sector* game_sector(server& srv, const std::string& name) {
    package* level = server_find_package(srv, srv.game_package);
    return level ? package_find_sector(*level, name) : nullptr;
}

void open_everything(kvgame& game) {
    kernel& k = kernel_get();
    if (cmd_open_screen(k, "kvbase:basic") != 0) {
        fatal("kvgame: *FATAL* couldn't open screen `kvbase:basic'.\n");
        game.halted = 1;
        return;
    }
    if (cmd_open_view(k, "default") != 0) {
        fatal("kvgame: *FATAL* couldn't open view `default'.\n");
        game.halted = 1;
        return;
    }
    arty_factory& factory = *game.factory;
    game.cable_camera = arty_factory_find_by_name_as<kvcable_camera>(factory, "ccam");
    game.bound_camera = arty_factory_find_by_name_as<kvbound_camera>(factory, "cam");
    if (!game.bound_camera) {
        fatal("kvgame: *FATAL* couldn't open camera `cam'.\n");
        game.halted = 1;
        return;
    }
    game.dedicated = kvgame_server(game).dedicated;
    game.state = kGameObjectLoading;
}

void start_local_test_game(kvgame& game, server& srv) {
    gui_show_screen(game, kScreenGame, 0);
    game.local_player_id = kLocalTestPlayer;
    player_slot slot;
    slot.id = kLocalTestPlayer;
    slot.name = "Rambo";
    slot.spawn = 1;
    slot.team = 0;
    slot.specialisation = 0;
    slot.skin = 0;
    slot.state = kSlotPlaying;
    slot.health = 100;
    player_init(srv, slot);
    server_add_local_player(srv, kLocalTestPlayer);
    server_purge_players(srv);
    kvgame_select_camera(game, false);
}

void load_level(kvgame& game) {
    server& srv = kvgame_server(game);
    kernel& k = kernel_get();
    gui_build_screens(game);
    game.level = arty_factory_find_by_name_as<kvlevel>(*game.factory, "level");
    if (game.level) {
        being_set_gravity(game.level->gravity);
        cmd_sky(k, game.level->sky);
        if (game.level->fog) {
            game.fog = {game.level->fog_values[0], game.level->fog_values[1], game.level->fog_values[2],
                        game.level->fog_values[3]};
            kernel_set_fog(k, &game.fog);
        } else {
            kernel_set_fog(k, nullptr);
        }
        game.game_level = game.level->title != "Menu" ? 1 : 0;
    }
    kvgame_collect_active_arties(game);
    kvgame_collect_goals(game);
    kvgame_collect_doors(game);
    kvgame_place_flying_camera(game);
    if (!game.game_level) {
        gui_show_screen(game, kScreenMenu, 0);
        kvgame_select_camera(game, true);
    } else if (srv.load_request == kLoadRequestMapChange) {
        game.local_player_id = static_cast<uint32_t>(client_local_player_id(srv.client));
        // A dedicated server keeps its menu current: the menu's step runs the dedicated start-up on
        // to its end (the bots' login waits for this level).
        gui_show_screen(game, game.dedicated ? kScreenMenu : kScreenBriefing, 0);
        kvgame_pick_static_camera(game, -1, 0);
        srv.map_follow_latch = 0;
        kvgame_select_camera(game, false);
    } else if (srv.load_request == kLoadRequestMenu) {
        start_local_test_game(game, srv);
    } else {
        gui_show_screen(game, kScreenGame, 0);
        kvgame_select_camera(game, false);
    }
    game.state = kGameObjectRunning;
}

void run_frame(kvgame& game, int32_t t) {
    server& srv = kvgame_server(game);
    being* followed = game.bound_camera ? game.bound_camera->followed : nullptr;
    for (const auto& player : game.players) {
        if (const player_record* r = being_record(*player); r && r->driven_here)
            being_update(*player, t, player.get() == followed);
    }
    if (game.current_camera) game.current_camera->tick(t);
    mat4 view;
    if (followed) {
        view = placement_inverse(followed->place);
    } else if (game.current_camera) {
        view = placement_inverse(game.current_camera->place);
    }
    for (const auto& player : game.players) {
        if (player.get() != followed) being_update_visibility(*player, view);
    }
    if (!game.dedicated && game.gui.screens[game.gui.current_slot])
        gui_handle_event(game, kvscreen_input(*game.gui.screens[game.gui.current_slot], t));
    gui_step(game, t);
    kvgame_tick_active_arties(game, t);
    kvgame_tick_goals(game, t);
    kvgame_tick_doors(game, t);
    kvgame_update_hud_effects(game);
    // Turned off directly: the key handler ignores keys while the level ends.
    if (game.weapon_view && !snapshot_package_check_state(srv.snapshot, server_end_seconds_left(srv)))
        kvgame_toggle_weaponry(game);
}

}  // namespace

kvgame::kvgame(arty_factory& f, const arty_description& description) : arty(f, description) {
    arty_factory_set_input_target(f);
    arty_factory_set_game_arty(f);
}

kvgame::~kvgame() {
    hud_unbind_game(*this);
    // The renderer keeps its own copy of the fog.
}

void kvgame::tick(int32_t) {
    if (!tick_timer) tick_timer = std::make_unique<timer>();
    const int32_t t = timer_elapsed_ms(*tick_timer);
    if (!halted) {
        switch (state) {
            case kGameObjectOpening:
                open_everything(*this);
                break;
            case kGameObjectLoading:
                load_level(*this);
                break;
            default:
                run_frame(*this, t);
                break;
        }
    }
    timer_restart(*tick_timer);
}

server& kvgame_server(const kvgame& game) {
    return game.factory->owner ? *game.factory->owner : server_get();
}

int32_t kvgame_get_toggle(const kvgame& game, int32_t which) {
    return which == 0 ? game.weapon_view : 0;
}

being* kvgame_local_being(const kvgame& game) {
    return game.bound_camera ? game.bound_camera->followed : nullptr;
}

being* kvgame_player_at(const kvgame& game, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(game.players.size())) return nullptr;
    return game.players[static_cast<std::size_t>(index)].get();
}

being* kvgame::player_at(int32_t index) const {
    return kvgame_player_at(*this, index);
}

being* kvgame_find_player(const kvgame& game, uint32_t player_id) {
    for (const auto& player : game.players) {
        if (const player_record* r = being_record(*player); r && r->id == player_id) return player.get();
    }
    return nullptr;
}

being* kvgame_find_player_by_record(const kvgame& game, const player_record* record) {
    for (const auto& player : game.players) {
        if (being_record(*player) == record) return player.get();
    }
    return nullptr;
}

bool kvgame_spec_allows_weapon(int32_t team, int32_t specialisation, int32_t weapon) {
    const int row = specialisation_row(team, specialisation);
    if (row < 0) return false;
    for (int8_t w : kAllowed[row]) {
        if (w < 0) break;
        if (w == weapon) return true;
    }
    return false;
}

bool kvgame_spec_kit_has_weapon(int32_t team, int32_t specialisation, int32_t weapon) {
    const int row = specialisation_row(team, specialisation);
    if (row < 0 || weapon < 0) return false;
    for (int8_t w : kKit[row]) {
        if (w == weapon) return true;
    }
    return false;
}

const uint8_t* kvgame_spec_kit_counts(int32_t team, int32_t specialisation) {
    const int row = specialisation_row(team, specialisation);
    return row < 0 ? nullptr : kKitCounts[row];
}

// The allowed weapons of a row up to its end, for the being's set-up.
std::vector<int32_t> kvgame_spec_allowed_weapons(int32_t team, int32_t specialisation) {
    std::vector<int32_t> weapons;
    const int row = specialisation_row(team, specialisation);
    if (row < 0) return weapons;
    for (int8_t w : kAllowed[row]) {
        if (w < 0) break;
        weapons.push_back(w);
    }
    return weapons;
}

void kvgame_select_camera(kvgame& game, bool menu) {
    if (menu && game.cable_camera) {
        game.current_camera = game.cable_camera;
        unfreeze(game.cable_camera);
        freeze(game.bound_camera);
    } else if (game.static_camera) {
        game.current_camera = game.static_camera;
        freeze(game.cable_camera);
        freeze(game.bound_camera);
    } else {
        game.current_camera = game.bound_camera;
        freeze(game.cable_camera);
        unfreeze(game.bound_camera);
    }
    if (!game.current_camera) return;
    gfx& graphics = kernel_get().graphics;
    gfx_bind_view_camera(graphics, game.current_camera->place, 0);
    gfx_enable_drawing(graphics);
}

bool kvgame_pick_static_camera(kvgame& game, int32_t index, int32_t team) {
    arty_factory& factory = *game.factory;
    // Every "scam" arty has a place in the draw; one that is no static camera is drawn again.
    std::vector<kvstatic_camera*> cameras;
    kvstatic_camera* first = nullptr;
    bool mode_found = false;
    for (arty_id id : arty_factory_list_ids_by_prefix(factory, "scam")) {
        kvstatic_camera* camera = arty_factory_find_as<kvstatic_camera>(factory, id);
        cameras.push_back(camera);
        if (camera && !first) first = camera;
        if (camera && camera->mode == team) mode_found = true;
    }
    game.static_camera = nullptr;
    if (index >= 0) return false;
    // The draw would never end without a camera of the mode.
    if (!mode_found) {
        log_write("kvgame: *WARNING* no static camera of mode %d; taking %s.\n", team,
                  first ? "another static camera" : "the bound camera");
        game.static_camera = first;
        return first != nullptr;
    }
    kvstatic_camera* drawn = nullptr;
    while (!drawn || drawn->mode != team) {
        const int64_t r = kv_rand();
        drawn = cameras[static_cast<std::size_t>(r * static_cast<int64_t>(cameras.size()) / (kRandMax + 1))];
    }
    game.static_camera = drawn;
    return true;
}

void kvgame_place_flying_camera(kvgame& game) {
    if (!kvgame_find_spawn_point(game, 0)) {
        fatal("kvgame: *FATAL* couldn't find flying camera spawn point (sp0).\n");
        return;
    }
    const kvspawn_point& point = *game.found_spawn_point;
    sector* where = game_sector(kvgame_server(game), point.sector_name);
    if (!where) return;
    const float a = point.angle * kDegrees;
    const vec3 forward{std::sin(a), 0.0f, std::cos(a)};
    const vec3 up{0.0f, 1.0f, 0.0f};
    if (game.bound_camera) game.bound_camera->view_setup(point.position, forward, up, where);
    if (game.cable_camera) game.cable_camera->view_setup(point.position, forward, up, where);
}

void kvgame_update_hud_effects(kvgame& game) {
    if (!game.local_being) return;
    const int32_t state = server_game_state(kvgame_server(game));
    if (state == kGameOneTeam || state == kGameRunning) {
        // Every being: one that spawned during the round starts its life here too.
        for (const auto& player : game.players) hud_effects_start(*player);
    } else if (state == kGameFreeze || state == kGameReport) {
        for (const auto& player : game.players) {
            if (hud_effects_stop(*player) && state == kGameReport) hud_effects_decay(*player);
        }
    }
}

}  // namespace kv
