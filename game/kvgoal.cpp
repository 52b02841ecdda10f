#include "game/kvgoal.h"

#include <algorithm>
#include <cstdlib>
#include <numbers>

#include "beings/being_game.h"
#include "bots/bot_central.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "game/server_snapshot.h"
#include "game/server_world.h"
#include "net/net_client.h"
#include "ui/gui.h"

namespace kv {
namespace {

constexpr float kDegrees = std::numbers::pi_v<float> / 180.0f;

const char* const kKindNames[] = {"bomb", "delivery", "take", "rescue", "download"};
const char* const kKindIcons[] = {"hud_i_bomb", "hud_i_drop", "hud_i_pick", "hud_i_point", "hud_i_push"};

// Three numbers from the items after a key.
void read_vec3(const token_list& list, int index, vec3& v) {
    arty_value_number(list, index, v.x);
    arty_value_number(list, index + 1, v.y);
    arty_value_number(list, index + 2, v.z);
}

bool contains(const std::vector<int32_t>& list, int32_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

void erase_value(std::vector<int32_t>& list, int32_t value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

int32_t player_id_of(const being& b) {
    return b.record ? static_cast<int32_t>(b.record->id) : -1;
}

int32_t team_of(const being& b) {
    return b.record ? b.record->team : kNoTeam;
}

// The being's team is among the goal's, and it stands in the zone (bounds included).
bool in_zone(const kvgoal& goal, const being& b) {
    return kvgoal_has_team(goal, team_of(b)) && box3_contains_point(goal.zone, being_position(b));
}

void tell_bots(const kvgoal& goal, server& srv) {
    if (!srv.hosting) return;
    bot_game_event event;
    event.goal = goal.number;
    event.player = -1;
    event.team = goal.winning_team;
    event.position = goal.position;
    botc_broadcast_event(*srv.bots, kBotEventGoalReached, event);
}

void bomb_step(kvgoal& goal, kvgame& game, server& srv) {
    for (const auto& item : srv.grenades) {
        if (item->kind != kGrenadeDefusable || !kvgoal_has_team(goal, item->team) ||
            !box3_contains_point(goal.zone, item->position))
            continue;
        const bool listed = contains(goal.charges, item->id);
        if (item->exploded && listed) {
            erase_value(goal.charges, item->id);
            if (srv.hosting) {
                kvgoal_reach(goal, game, 1, item->team, item->id);
                tell_bots(goal, srv);
            }
        } else if (!item->exploded && !item->defused && !listed) {
            goal.charges.push_back(item->id);
            hud_add_message(game, kHudGoalBombPlanted, kvgoal_hud_name(kHudGoalBombPlanted));
        } else if (item->defused && listed) {
            erase_value(goal.charges, item->id);
            hud_add_message(game, kHudGoalBombDefused, kvgoal_hud_name(kHudGoalBombDefused));
        }
    }
    if (!srv.hosting) return;
    for (const auto& item : srv.grenades) {
        if (!item->defused || !kvgoal_has_team(goal, item->team)) continue;
        for (goal_team& t : goal.teams) {
            if (t.team == item->team) t.active = 0;
        }
        item->alive = 0;
    }
}

void delivery_step(kvgoal& goal, kvgame& game, server& srv) {
    for (const auto& player : game.players) {
        const int32_t id = player_id_of(*player);
        if (!contains(goal.holders, id) || !in_zone(goal, *player)) continue;
        kvgoal_reach(goal, game, 1, team_of(*player), id);
        tell_bots(goal, srv);
        erase_value(goal.holders, id);
    }
}

void download_step(kvgoal& goal, kvgame& game, server& srv, int32_t pending_player) {
    if (pending_player < 0) return;
    for (const auto& player : game.players) {
        const int32_t id = player_id_of(*player);
        if (id != pending_player || !in_zone(goal, *player)) continue;
        goal.downloaders.push_back(id);
        kvgoal_reach(goal, game, 1, team_of(*player), id);
        tell_bots(goal, srv);
    }
}

// The goal of that number, or null.
kvgoal* find_goal(kvgame& game, int32_t number) {
    for (kvgoal* goal : game.goals) {
        if (goal->number == number) return goal;
    }
    return nullptr;
}

}  // namespace

kvgoal::kvgoal(arty_factory& factory, const arty_description& description) : arty(factory, description) {
    std::string type;
    arty_read_keys(
        description,
        {
            {"sector:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, sector_name); }},
            {"type:", 1,
             [this](const token_list& l, int i) {
                 std::string text;
                 arty_value_string(l, i, text);
                 for (int k = 0; k < static_cast<int>(std::size(kKindNames)); ++k) {
                     if (text == kKindNames[k]) kind = k;
                 }
             }},
            {"model:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, model_name); }},
            {"team:", 1,
             [this](const token_list& l, int i) {
                 int32_t value = -1;
                 arty_value_integer(l, i, value);
                 if (value < 0 || value > 255) return;
                 for (const goal_team& t : teams) {
                     if (t.team == value) return;
                 }
                 teams.push_back({static_cast<uint8_t>(value), 1});
             }},
            {"cond:", 1,
             [this](const token_list& l, int i) {
                 std::string name;
                 arty_value_string(l, i, name);
                 if (!name.empty()) condition_names.push_back(name);
             }},
            {"deliver:", 1,
             [this](const token_list& l, int i) {
                 std::string name;
                 arty_value_string(l, i, name);
                 if (!name.empty()) delivery_names.push_back(name);
             }},
            {"key:", 1,
             [this](const token_list& l, int i) {
                 int32_t value = key;
                 arty_value_integer(l, i, value);
                 key = value != 0 ? 1 : 0;
             }},
            {"pos:", 3, [this](const token_list& l, int i) { read_vec3(l, i, position); }},
            {"min:", 3, [this](const token_list& l, int i) { read_vec3(l, i, box.min); }},
            {"max:", 3, [this](const token_list& l, int i) { read_vec3(l, i, box.max); }},
            {"angley:", 1,
             [this](const token_list& l, int i) {
                 float degrees = yaw / kDegrees;
                 arty_value_number(l, i, degrees);
                 yaw = degrees * kDegrees;
             }},
        });
    zone = box;
    if (kind != kGoalNone) hud_icon = kKindIcons[kind];
    number = kvgoal_number_of(description.instance_name);
}

void kvgoal::tick(int32_t) {}

void kvgoal::goal_tick(kvgame& game, int32_t elapsed, int32_t pending_player) {
    server& srv = kvgame_server(game);
    being* local = game.local_being;
    if (local && !done && kvgoal_conditions_done(*this) && in_zone(*this, *local))
        being_set_goal_state(*local, 1, hud_icon);

    if (!srv.hosting && kind != kGoalBomb) return;
    if (!started) {
        started = 1;
        package* level = server_find_package(srv, srv.game_package);
        goal_sector = level ? package_find_sector(*level, sector_name) : nullptr;
        if (kind == kGoalTake) {
            server_drop_weapon(srv, position, {0.0f, -1.0f, 0.0f}, kWeaponGoalItem, 1, 0, model_name,
                               goal_sector, {0.0f, -978.0f, 0.0f}, number, 1.0f);
        }
    }
    time += elapsed;
    if (kvgoal_conditions_done(*this)) {
        switch (kind) {
            case kGoalBomb:
                bomb_step(*this, game, srv);
                break;
            case kGoalDelivery:
                delivery_step(*this, game, srv);
                break;
            case kGoalDownload:
                download_step(*this, game, srv, pending_player);
                break;
            default:
                break;
        }
    }
    // Goal results come from the hosting process only.
    if (!srv.hosting) return;
    if (done && !done_sent) {
        client_send_goal(srv.client, "done", number, winning_team);
        done_sent = 1;
    }
    if (done && key && !victory_sent) {
        client_send_goal(srv.client, "victory", number, winning_team);
        victory_sent = 1;
    }
}

void kvgoal_reset(kvgoal& goal) {
    goal.done = 0;
    goal.time = 0;
    goal.started = 0;
    goal.winning_team = -1;
    goal.winning_player = -1;
    goal.victory_sent = 0;
    goal.done_sent = 0;
    goal.charges.clear();
    goal.downloaders.clear();
    goal.holders.clear();
    // A team stopped by a defused bomb plays for the goal again in the next round.
    for (goal_team& t : goal.teams) t.active = 1;
}

void kvgoal_reach(kvgoal& goal, kvgame& game, uint8_t flag, int32_t team, int32_t player) {
    goal.done = flag;
    goal.winning_team = flag ? team : -1;
    goal.winning_player = flag ? player : -1;
    if (flag != 1) return;
    const int32_t code = kvgoal_hud_code(goal.kind, team);
    if (code != 0) hud_add_message(game, code, kvgoal_hud_name(code));
}

bool kvgoal_has_team(const kvgoal& goal, int32_t team) {
    for (const goal_team& t : goal.teams) {
        if (t.active && t.team == team) return true;
    }
    return false;
}

bool kvgoal_conditions_done(const kvgoal& goal) {
    for (const kvgoal* condition : goal.condition_goals) {
        if (!condition->done) return false;
    }
    return true;
}

int32_t kvgoal_hud_code(int32_t kind, int32_t team) {
    int32_t base = 0;
    switch (kind) {
        case kGoalBomb:
            base = kHudGoalBlueBomb;
            break;
        case kGoalDelivery:
            base = kHudGoalBlueDelivery;
            break;
        case kGoalTake:
            base = kHudGoalBlueTake;
            break;
        case kGoalDownload:
            base = kHudGoalBlueTransfer;
            break;
        default:
            return 0;
    }
    return base + (team == 1 || team == 2 ? team : 0);
}

const std::string& kvgoal_hud_name(int32_t code) {
    static const std::string kNames[] = {
        "goal_blue_trans", "goal_red_trans",  "goal_black_trans", "goal_bomb_plant",  "goal_blue_take",
        "goal_red_take",   "goal_black_take", "goal_item_drop",   "goal_blue_bomb",   "goal_red_bomb",
        "goal_black_bomb", "goal_blue_deliv", "goal_red_deliv",   "goal_black_deliv",
    };
    static const std::string kDefused = "goal_bomb_defused";
    static const std::string kNone;
    if (code == kHudGoalBombDefused) return kDefused;
    if (code >= kHudGoalBlueTransfer && code < kHudGoalBlueTransfer + static_cast<int32_t>(std::size(kNames)))
        return kNames[code - kHudGoalBlueTransfer];
    return kNone;
}

int32_t kvgoal_number_of(const std::string& name) {
    if (name.size() <= 2) return 0;
    return static_cast<int32_t>(std::strtol(name.c_str() + 2, nullptr, 10));
}

void kvgame_collect_goals(kvgame& game) {
    arty_factory& factory = *game.factory;
    for (arty_id id : arty_factory_list_ids_by_prefix(factory, "g-")) {
        if (kvgoal* goal = arty_factory_find_as<kvgoal>(factory, id)) game.goals.push_back(goal);
    }
    for (kvgoal* goal : game.goals) {
        for (const std::string& name : goal->condition_names) {
            if (kvgoal* found = arty_factory_find_by_name_as<kvgoal>(factory, name))
                goal->condition_goals.push_back(found);
        }
        for (const std::string& name : goal->delivery_names) {
            if (kvgoal* found = arty_factory_find_by_name_as<kvgoal>(factory, name))
                goal->delivery_goals.push_back(found);
        }
    }
}

void kvgame_tick_goals(kvgame& game, int32_t elapsed) {
    server& srv = kvgame_server(game);
    if (server_game_state(srv) != kGameRunning) return;
    if (game.local_being) being_set_goal_state(*game.local_being, 0, "");
    const int32_t pending_player = server_snapshot_take_pending(srv);
    int32_t pending_goal = -1;
    int32_t pending_team = -1;
    server_take_pending_pair(srv, pending_goal, pending_team);
    timer loop;
    for (kvgoal* goal : game.goals) {
        goal->goal_tick(game, elapsed + timer_elapsed_ms(loop), pending_player);
        if (!srv.hosting && goal->number == pending_goal) kvgoal_reach(*goal, game, 1, pending_team, -1);
    }
}

void kvgame_goals_reset(kvgame& game) {
    for (kvgoal* goal : game.goals) kvgoal_reset(*goal);
}

int32_t kvgame_goal_take(kvgame& game, int32_t message_kind, int32_t goal_number, being& b) {
    if (message_kind != kGoalItemMessage) return 0;
    server& srv = kvgame_server(game);
    kvgoal* goal = find_goal(game, goal_number);
    if (!goal || !srv.hosting || goal->kind != kGoalTake) return 0;
    if (!kvgoal_has_team(*goal, team_of(b)) || !kvgoal_conditions_done(*goal)) return 0;
    const int32_t id = player_id_of(b);
    kvgoal_reach(*goal, game, 1, team_of(b), id);
    tell_bots(*goal, srv);
    for (kvgoal* delivery : goal->delivery_goals) {
        if (!contains(delivery->holders, id)) delivery->holders.push_back(id);
    }
    return 1;
}

void kvgame_goal_release(kvgame& game, int32_t message_kind, being& b) {
    server& srv = kvgame_server(game);
    bot_game_event event;
    event.goal = -1;
    event.player = player_id_of(b);
    event.team = team_of(b);
    event.position = being_position(b);
    botc_broadcast_event(*srv.bots, kBotEventItemDropped, event);
    if (message_kind != kGoalItemMessage) return;
    for (kvgoal* goal : game.goals) {
        hud_add_message(game, kHudGoalItemDropped, kvgoal_hud_name(kHudGoalItemDropped));
        erase_value(goal->holders, event.player);
    }
}

bool kvgame_goal_can_take(kvgame& game, int32_t goal_number, being& b) {
    const kvgoal* goal = find_goal(game, goal_number);
    return goal && goal->kind == kGoalTake && kvgoal_has_team(*goal, team_of(b)) &&
           kvgoal_conditions_done(*goal);
}

bool kvgame_find_download_goal(kvgame& game, being& b, vec3& point) {
    const int32_t id = player_id_of(b);
    for (const kvgoal* goal : game.goals) {
        if (goal->kind != kGoalDownload || !kvgoal_conditions_done(*goal) || !in_zone(*goal, b) ||
            contains(goal->downloaders, id))
            continue;
        point = goal->position;
        return true;
    }
    return false;
}

int32_t kvgame_goal_count(const kvgame& game) {
    return static_cast<int32_t>(game.goals.size());
}

void kvgame_goal_info(const kvgame& game, int32_t index, goal_record& record) {
    if (index < 0 || index >= kvgame_goal_count(game)) return;
    const kvgoal& goal = *game.goals[static_cast<std::size_t>(index)];
    goal_record_values values;
    values.number = goal.number;
    values.kind = goal.kind;
    values.done = goal.done;
    values.key = goal.key;
    values.winning_team = goal.winning_team;
    values.position = goal.position;
    values.box_min = goal.box.min;
    values.box_max = goal.box.max;
    for (const goal_team& t : goal.teams) values.teams.push_back(t.team);
    for (const std::string& name : goal.condition_names)
        values.condition_numbers.push_back(kvgoal_number_of(name));
    for (const std::string& name : goal.delivery_names)
        values.delivery_numbers.push_back(kvgoal_number_of(name));
    goal_record_write(record, values);
}

void kvgame_goals_forget_being(kvgame& game, being& b) {
    const int32_t id = player_id_of(b);
    for (kvgoal* goal : game.goals) {
        erase_value(goal->holders, id);
        erase_value(goal->charges, id);
        erase_value(goal->downloaders, id);
    }
}

}  // namespace kv
