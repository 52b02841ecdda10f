// The game object's message operation: the player's actions, the game events and the command
// records, and the player machinery behind game event 0 that keeps one being per active player.

#include <cmath>
#include <numbers>

#include "beings/being_game.h"
#include "beings/entity.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/game_events.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/kvspawn_point.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_snapshot.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "ui/console_view.h"
#include "ui/gui.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr float kDegrees = std::numbers::pi_v<float> / 180.0f;

// Input codes the game object handles (the message keys' are with the message panel).
constexpr int32_t kActionQuit = kInputQuit;
constexpr int32_t kActionScreenshot = 22;
constexpr int32_t kActionShowControls = 23;
constexpr int32_t kActionShowScores = 24;
constexpr int32_t kActionToggleConsole = 26;
constexpr int32_t kActionChangeTeam = 27;
constexpr int32_t kActionCameraSelect = 29;
constexpr int32_t kActionFire2 = 38;
constexpr int32_t kActionToggleRpgHud = 46;
constexpr int32_t kActionShowWeaponry = 47;
constexpr int32_t kActionUnnamed = 4096;

constexpr int32_t kGameEventLoading = 2;
constexpr int32_t kGameEventUseRound = 5;
constexpr int32_t kGameEventAimMark = 0x800;

constexpr int kTeams = 3;
constexpr int kSpecialisations = 4;
constexpr int kSkins = 5;
constexpr int32_t kSkinOffset = 100;

const char* const kBodyModels[kTeams * kSpecialisations] = {
    "teams:blue-s", "teams:blue-sc", "teams:blue-sn", "teams:blue-sp",  "teams:red-s",    "teams:red-sc",
    "teams:red-sn", "teams:red-sp",  "teams:black-s", "teams:black-sc", "teams:black-sn", "teams:black-sp",
};
const char* const kSkinWords[kTeams][kSkins] = {
    {"socom", "bwehr", "uk", "fr", "usdes"},
    {"spetz", "spetz2", "spetz", "spetz", "spetz"},
    {"merc", "merc2", "merc3", "merc", "merc"},
};
const char* const kSpecSuffixes[kSpecialisations] = {"-s", "-sc", "-sn", "-sp"};
const char* const kHandSkins[kTeams][kSkins] = {
    {"beings:hands-socom", "beings:hands-bwehr", "beings:hands-uk", "beings:hands-fr", "beings:hands-usdes"},
    {"beings:hands-spetz", "beings:hands-spetz2", "beings:hands-spetz", "beings:hands-spetz",
     "beings:hands-spetz"},
    {"beings:hands-merc1", "beings:hands-merc2", "beings:hands-merc3", "beings:hands-merc1",
     "beings:hands-merc1"},
};

std::string being_name(uint32_t player_id) {
    return str_format("pid%d", static_cast<int32_t>(player_id));
}

void detach_bound_camera(kvgame& game) {
    if (game.bound_camera) kvbound_camera_detach(*game.bound_camera);
}

being* followed_being(const kvgame& game) {
    return game.bound_camera ? game.bound_camera->followed : nullptr;
}

void give_record_weapons(being& b, const player_record& r) {
    being_set_weapon_slot_mask(b, r.weapon_mask, r.grenade_counts);
    being_equip_weapon_models(b, kWeaponAll);
}

void restore_screen(kvgame& game) {
    if (game.saved_screen == kNoSavedScreen) return;
    gui_show_screen(game, game.saved_screen, 0);
    if (game.local_being) being_sights_update(*game.local_being);
    game.saved_screen = kNoSavedScreen;
}

void show_weaponry(kvgame& game) {
    server& srv = kvgame_server(game);
    if (!snapshot_package_check_state(srv.snapshot, server_end_seconds_left(srv)) && !game.weapon_view)
        return;
    game.weapon_view = game.weapon_view ? 0 : 1;
    being* followed = followed_being(game);
    if (game.weapon_view || !followed) return;
    being_update_load(*followed);
    if (game.local_being) {
        if (player_record* r = server_find_player(srv, game.local_player_id))
            being_weapon_slot_mask(*game.local_being, r->weapon_mask, r->grenade_counts);
    }
    being_equip_weapon_models(*followed, kWeaponAll);
}

// Leaves the local being for a static camera of team 0 (quit and change team).
void leave_being_for_static_camera(kvgame& game) {
    if (game.local_being) being_release_inputs(*game.local_being);
    detach_bound_camera(game);
}

int32_t pass_to_camera(kvgame& game, bool down, int32_t code) {
    if (game.current_camera) game.current_camera->input(down, code);
    return 0;
}

bool everyone_without_team(const snapshot_package& snapshot) {
    for (const player_slot& slot : snapshot.slots) {
        if (slot.team != kNoTeam) return false;
    }
    return true;
}

}  // namespace

int32_t kvgame::message(arty_message kind, uintptr_t argument) {
    switch (kind) {
        case kArtyKeyDown:
            return kvgame_key(*this, true, static_cast<int32_t>(argument));
        case kArtyKeyUp:
            return kvgame_key(*this, false, static_cast<int32_t>(argument));
        case kArtyGameEvent:
            return kvgame_game_event(*this, static_cast<int32_t>(argument));
        case kArtyCommand:
            return kvgame_command(*this, arty_message_command(argument));
    }
    return 0;
}

int32_t kvgame_key(kvgame& game, bool down, int32_t code) {
    server& srv = kvgame_server(game);
    if (down) {
        switch (code) {
            case kActionQuit:
                if (!game.game_level) return 0;
                leave_being_for_static_camera(game);
                kvgame_pick_static_camera(game, -1, 0);
                kvgame_select_camera(game, false);
                gui_show_screen(game, kScreenQuit, 1);
                return 1;
            case kActionUnnamed:
                return 1;
            case kActionScreenshot:
                kvgame_take_screenshot(game);
                return 1;
            case kActionToggleConsole:
                console_view_open(kernel_get().console);
                return 1;
            default:
                break;
        }
    }
    if (server_game_state(srv) == kGameLevelEnding) return 0;
    switch (code) {
        case kActionShowScores:
            if (!game.game_level) break;
            if (down) {
                if (game.saved_screen == kNoSavedScreen) {
                    game.saved_screen = game.gui.current_slot;
                    gui_show_screen(game, kScreenScores, 0);
                }
            } else {
                gui_hide_scores(game);
                restore_screen(game);
            }
            break;
        case kActionShowControls:
            if (!game.game_level) return 0;
            if (down) {
                if (game.saved_screen == kNoSavedScreen) {
                    game.saved_screen = game.gui.current_slot;
                    gui_show_screen(game, kScreenControls, 0);
                }
            } else {
                restore_screen(game);
            }
            break;
        case kActionCameraSelect:
            break;
        case kActionFire2:
            if (down) kvgame_follow_next_player(game, true);
            break;
        case kActionChangeTeam:
            if (!down) break;
            if (!game.game_level) return 0;
            leave_being_for_static_camera(game);
            if (game.local_being) being_set_view_mode(*game.local_being, 1);
            kvgame_pick_static_camera(game, -1, 0);
            kvgame_select_camera(game, false);
            gui_show_screen(game, kScreenBriefing, 0);
            return 0;
        case kActionShowComhud:
            kvgame_comhud_key(game, down);
            break;
        case kActionToggleRpgHud:
            if (down) hud_toggle_rpg();
            break;
        case kActionSendMessage:
            kvgame_chat_key(game, down);
            break;
        case kActionRadio:
            kvgame_radio_key(game, down);
            break;
        case kActionShowWeaponry:
            if (down) show_weaponry(game);
            break;
        default:
            break;
    }
    return pass_to_camera(game, down, code);
}

int32_t kvgame_game_event(kvgame& game, int32_t event) {
    server& srv = kvgame_server(game);
    switch (event) {
        case kGameEventSyncBeings:
            kvgame_sync_beings(game);
            return 1;
        case kGameEventDraw:
            if (kvscreen* screen = game.gui.screens[game.gui.current_slot]) {
                gui_draw(game);
                kvscreen_draw(*screen);
            }
            if (game.gui.current_slot == kScreenGame && game.local_being)
                being_draw_name_tag(*game.local_being);
            return 1;
        case kGameEventLoading:
            kvgame_select_camera(game, false);
            if (game.current_camera) camera_freeze(*game.current_camera);
            gui_show_screen(game, kScreenLoading, 0);
            return 0;
        case kGameEventCameraView:
            if (game.state == kGameObjectRunning && game.current_camera) game.current_camera->view_update();
            return 0;
        case kGameEventStep:
            for (const auto& player : game.players) being_store_anim_state(*player);
            return 1;
        case kGameEventUseRound:
            if (game.local_being) being_use_round(*game.local_being);
            return 0;
        case kGameEventNewRound:
            kvgame_goals_reset(game);
            kvgame_doors_reset(game);
            kvgame_messages_reset(game);
            if (srv.snapshot.state == kGameWaiting && everyone_without_team(srv.snapshot) &&
                game.gui.current_slot == kScreenScores && !game.local_being)
                gui_show_screen(game, kScreenBriefing, 0);
            return 1;
        default:
            break;
    }
    if ((event & ~0x7FF) == kGameEventAimMark) {
        hud_set_aim_mark_visible(((event - kGameEventAimMark) & 1) != 0);
        return 1;
    }
    return 0;
}

int32_t kvgame_command(kvgame& game, arty_command& command) {
    switch (command.code) {
        case 0:
            return kvgame_run_game_command(game, command.first);
        case 1:
            kvgame_chat_line(game, command.first, command.second);
            return 0;
        case 2:
            kvgame_radio_line(game, command.integer, command.first);
            return 0;
        case kGameCommandChangeLevel:
            kvgame_change_level(game, command.first, false);
            return 0;
        case kGameCommandUseRound:
            if (command.integer >= 0) {
                if (being* b = kvgame_find_player(game, static_cast<uint32_t>(command.integer)))
                    being_use_round(*b);
            }
            return 0;
        default:
            return 0;
    }
}

void kvgame_sync_beings(kvgame& game) {
    server& srv = kvgame_server(game);
    for (player_record& r : srv.players) {
        const std::string name = being_name(r.id);
        if (player_record_is_active(r)) {
            being* b = kvgame_find_being_by_name(game, name);
            if (!b) {
                kvgame_init_player(game, name, r.specialisation, r.team, r.skin, r.spawn_point, r.id);
                b = kvgame_find_being_by_name(game, name);
                if (b && r.id == game.local_player_id) {
                    kvgame_bind_local_player(game, name);
                    game.local_being = b;
                }
                // Soldiers driven here meet the world as they move.
                if (b && r.driven_here) b->view_flags |= kBeingCollision;
                if (b && r.driven_here) give_record_weapons(*b, r);
            } else {
                if (player_record_state_is_1(r) && player_record_take_became_alive(r)) {
                    game.found_being = b;
                    kvgame_spawn_player(game, r.spawn_point);
                    give_record_weapons(*b, r);
                }
                if (player_record_state_is_3(r)) {
                    being_die(*b, r.slot_value);
                    being_notify_bots(*b, 2);
                }
            }
            player_state update;
            if (b && player_record_take_update(r, update)) kvgame_apply_player_update(game, name, update);
        } else if (kvgame_find_being_by_name(game, name)) {
            kvgame_player_killed(game, name);
        }
    }
}

being* kvgame_find_being_by_name(kvgame& game, const std::string& name) {
    game.found_being = nullptr;
    for (const auto& player : game.players) {
        if (player->name == name) {
            game.found_being = player.get();
            break;
        }
    }
    return game.found_being;
}

void kvgame_init_player(kvgame& game, const std::string& name, int32_t specialisation, int32_t team,
                        int32_t skin, int32_t spawn_point, uint32_t player_id) {
    if (specialisation < 0) return;
    if (team < 0 || team >= kTeams || specialisation >= kSpecialisations) {
        log_write("kvgame: *WARNING* player %s has team %d and specialisation %d: no soldier made.\n",
                  name.c_str(), team, specialisation);
        return;
    }
    server& srv = kvgame_server(game);
    being* b = kvgame_find_being_by_name(game, name);
    if (!b) {
        game.players.push_back(being_create(srv, name, 0, player_id));
        b = game.players.back().get();
        int32_t s = skin >= kSkinOffset ? skin - kSkinOffset : skin;
        if (s < 0 || s >= kSkins) {
            log_write("kvgame: *WARNING* player %s has skin %d; skin 0 taken.\n", name.c_str(), skin);
            s = 0;
        }
        being_set_model(*b, kvgame_body_model(team, specialisation),
                        kvgame_body_skin(team, specialisation, s));
        being_set_first_person_model(*b, "beings:hands-1st", kvgame_hands_skin(team, s));
        if (b->record && (b->record->entry_values[0] != specialisation || b->record->entry_values[1] != team))
            being_record_reset(*b, specialisation, team);
        being_give_weapon(*b, kWeaponAll);
        for (int32_t weapon : kvgame_spec_allowed_weapons(team, specialisation))
            being_give_weapon(*b, weapon);
        being_give_weapon(*b, kWeaponHands);
        if (srv.log_level != 0) log_write("kvgame: Player %s initialized\n", name.c_str());
    }
    game.found_being = b;
    being_set_view_mode(*b, 1);
    if (spawn_point >= 0) {
        kvgame_spawn_player(game, spawn_point);
        being_notify_bots(*b, 0);
    }
}

std::string kvgame_body_model(int32_t team, int32_t specialisation) {
    if (team < 0 || team >= kTeams || specialisation < 0 || specialisation >= kSpecialisations) return {};
    return kBodyModels[team * kSpecialisations + specialisation];
}

std::string kvgame_body_skin(int32_t team, int32_t specialisation, int32_t skin) {
    if (kvgame_body_model(team, specialisation).empty() || skin < 0 || skin >= kSkins) return {};
    return std::string("teams:") + kSkinWords[team][skin] + kSpecSuffixes[specialisation];
}

std::string kvgame_hands_skin(int32_t team, int32_t skin) {
    if (team < 0 || team >= kTeams || skin < 0 || skin >= kSkins) return {};
    return kHandSkins[team][skin];
}

bool kvgame_find_spawn_point(kvgame& game, int32_t index) {
    game.found_spawn_point =
        arty_factory_find_by_name_as<kvspawn_point>(*game.factory, str_format("sp%d", index));
    return game.found_spawn_point != nullptr;
}

bool kvgame_spawn_player(kvgame& game, int32_t index) {
    being* b = game.found_being;
    if (!b) return false;
    server& srv = kvgame_server(game);
    if (!kvgame_find_spawn_point(game, index)) {
        // The index comes from the game server (or a bot command): a missing point never stops the
        // program, not even for a player driven here.
        log_write("kvgame: *ERROR* couldn't find spawn point %d for player %s\n", index, b->name.c_str());
        return false;
    }
    const kvspawn_point& point = *game.found_spawn_point;
    package* level = server_find_package(srv, srv.game_package);
    if (sector* where = level ? package_find_sector(*level, point.sector_name) : nullptr) {
        const float a = point.angle * kDegrees;
        being_set_view(*b, point.position, {std::sin(a), 0.0f, std::cos(a)}, {0.0f, 1.0f, 0.0f}, where);
        being_die(*b, -1);
        being_reset_weapon_slots(*b);
        being_reset_posture(*b);
        being_notify_bots(*b, 3);
    }
    if (srv.log_level != 0) log_write("kvgame: Player %s (re)spawned\n", b->name.c_str());
    return true;
}

void kvgame_player_killed(kvgame& game, const std::string& name) {
    being* b = kvgame_find_being_by_name(game, name);
    if (!b) return;
    if (kvgame_server(game).log_level != 0) log_write("kvgame: Player %s killed\n", name.c_str());
    if (followed_being(game) == b) detach_bound_camera(game);
    if (game.local_being == b) game.local_being = nullptr;
    game.found_being = nullptr;
    for (auto it = game.players.begin(); it != game.players.end(); ++it) {
        if (it->get() == b) {
            game.players.erase(it);
            break;
        }
    }
}

void kvgame_apply_player_update(kvgame& game, const std::string& name, const player_state& update) {
    being* b = kvgame_find_being_by_name(game, name);
    if (!b) return;
    server& srv = kvgame_server(game);
    package* level = server_find_package(srv, srv.game_package);
    const int32_t index = update.state;
    if (!level || index < 0 || index >= object_table_count(level->sectors)) return;
    const vec3& p = update.position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(update.angle)) {
        log_write("kvgame: *WARNING* state of player %s refused: its position or heading is not a number.\n",
                  name.c_str());
        return;
    }
    // The debug line of a record's place as the network brought it.
    if (srv.log_level >= 2) log_write("kvgame: Player %s at %.0f %.0f %.0f\n", name.c_str(), p.x, p.y, p.z);
    const float a = update.angle;
    being_set_view(*b, update.position, {std::sin(a), 0.0f, std::cos(a)}, {0.0f, 1.0f, 0.0f},
                   level->sectors.items[static_cast<std::size_t>(index)]);
    being_apply_anim_state(*b, update.groups, update.second_angle);
    being_apply_record_weapons(*b, update.small_values);
    being_apply_remote_inputs(*b, update.bytes);
}

void kvgame_bind_local_player(kvgame& game, const std::string& name) {
    if (game.gui.current_slot == kScreenBriefing) return;
    game.static_camera = nullptr;
    kvgame_select_camera(game, false);
    being* b = kvgame_find_being_by_name(game, name);
    if (!game.bound_camera) return;
    being* before = game.bound_camera->followed;
    if (before && before != b) being_set_view_mode(*before, 1);
    kvbound_camera_attach(*game.bound_camera, b);
    if (b) being_set_view_mode(*b, 0);
}

void kvgame_follow_next_player(kvgame& game, bool same_team) {
    if (followed_being(game) || game.players.empty()) return;
    server& srv = kvgame_server(game);
    const player_record* own = server_find_player(srv, game.local_player_id);
    const int32_t own_team = own ? own->team : kNoTeam;
    std::vector<player_record*> records;
    for (player_record& r : srv.players) records.push_back(&r);
    std::size_t start = 0;
    if (game.followed_player) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i]->id == *game.followed_player) start = i + 1;
        }
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = start; i < records.size(); ++i) {
            player_record& r = *records[i];
            if (same_team && r.team != own_team) continue;
            being* b = kvgame_find_player_by_record(game, &r);
            if (!b || !player_record_is_active(r)) continue;
            game.followed_player = r.id;
            kvgame_chase_view(game, *b);
            return;
        }
        game.followed_player.reset();
        start = 0;
    }
}

void kvgame_chase_view(kvgame& game, being& b) {
    server& srv = kvgame_server(game);
    if (!game.bound_camera) return;
    for (const auto& e : srv.entities) {
        if (e->name != b.name) continue;
        mat4 shift;
        mat4_set_translation(shift, 0.0f, 100.0f, -200.0f);
        mat4 pitch;
        mat4_set_rotation_x(pitch, 15.0f * kDegrees);
        game.bound_camera->place.transform = mat4_mul(entity_world_matrix(*e), mat4_mul(shift, pitch));
        break;
    }
    timer_restart(game.chase_timer);
}

void kvgame_change_level(kvgame& game, const std::string& package_name, bool leaving) {
    server& srv = kvgame_server(game);
    // The name comes from the game server and is looked up under "maps/": only a plain file name.
    if (!leaving && !package_name.empty() && !package_name_is_plain(package_name)) {
        log_stamped("kvgame: *WARNING* change to level `%s' refused: not a map name.\n",
                    log_printable(package_name).c_str());
        return;
    }
    if (leaving) {
        server_mark_players_left(srv);
        server_purge_players(srv);
        srv.map_follow_latch = 1;
        srv.load_request = 0;
        if (client_is_connected(srv.client))
            client_send_bye(srv.client, static_cast<int32_t>(game.local_player_id));
    } else {
        server_reset_player_states(srv);
        server_purge_players(srv);
    }
    server_round_reset(srv);
    kvgame_select_camera(game, false);
    if (game.current_camera) camera_freeze(*game.current_camera);
    gui_show_screen(game, kScreenLoading, 0);
    gui_set_loading_label(
        game, str_format("%s %s...", server_text(srv, kTextBase, 75).c_str(), package_name.c_str()));
    // The loading screen is already current, where the comhud key does nothing: the panel is
    // closed directly, so that keys are actions again on the next level.
    if (game.messages.comhud) kvgame_messages_close(game);
    server_set_game_package(srv, package_name);
}

void kvgame_leave_level(kvgame& game) {
    if (!game.dedicated && game.game_level) kvgame_change_level(game, "", true);
}

void kvgame_toggle_weaponry(kvgame& game) {
    show_weaponry(game);
}

}  // namespace kv
