#include "game/player_record.h"

#include <optional>

#include "bots/bot_central.h"
#include "game/game_events.h"
#include "game/server.h"
#include "kernel/log.h"
#include "util/float_convert.h"

namespace kv {
namespace {

constexpr int32_t kStateMask = 7;
constexpr int32_t kSpecialisations = 4;
constexpr int32_t kTeams = 4;  // three teams and no team
constexpr int32_t kCodeAlwaysHurts = 253;
constexpr uint16_t kNoPosition = 0xFFFF;
constexpr float kPackedPositionUnit = 200.0f;
constexpr int32_t kPlayerStepMs = 34;

bool state_is(const player_record& r, int32_t value) {
    return (r.state & kStateMask) == value;
}

}  // namespace

player_record::player_record(uint32_t player_id) : id(player_id) {
    state_record.id = player_id;
}

void player_record_set(player_record& r, const std::string& nick, int32_t specialisation, int32_t team,
                       int32_t skin, int32_t spawn_point, int32_t state) {
    r.left = 0;
    r.specialisation = specialisation;
    r.nick = nick;
    r.team = team;
    r.skin = skin;
    r.spawn_point = spawn_point;
    if (state == kSlotFrozen && r.state != kSlotFrozen) r.became_alive = 1;
    r.state = state;
}

void player_record_set_health(player_record& r, int32_t health) {
    r.health = health;
}

void player_record_set_nick(player_record& r, const std::string& nick) {
    r.nick = nick;
}

bool player_record_is_active(const player_record& r) {
    const int32_t s = r.state & kStateMask;
    return s >= 1 && s <= 3 && r.team != kNoTeam && !r.left;
}

bool player_record_is_alive(const player_record& r) {
    const int32_t s = r.state & kStateMask;
    return s >= 1 && s <= 3;
}

bool player_record_state_is_1(const player_record& r) {
    return state_is(r, 1);
}

bool player_record_state_is_3(const player_record& r) {
    return state_is(r, 3);
}

bool player_record_take_became_alive(player_record& r) {
    const bool was = r.became_alive != 0;
    r.became_alive = 0;
    return was;
}

bool player_record_take_update(player_record& r, player_state& out) {
    if (!r.update_pending) return false;
    out = r.state_record;
    r.update_pending = 0;
    return true;
}

void player_record_get_counters(const player_record& r, uint8_t (&levels)[kPlayerLevels]) {
    for (int i = 0; i < kPlayerLevels; ++i) levels[i] = r.levels[i];
}

void player_record_set_counters(player_record& r, const uint8_t (&levels)[kPlayerLevels]) {
    int32_t sum = 0;
    for (uint8_t level : levels) sum += level;
    if (sum == 0) return;
    for (int i = 0; i < kPlayerLevels; ++i) r.levels[i] = levels[i];
    r.levels_changed = 1;
}

uint16_t player_record_pack_position(const player_record& r) {
    const uint8_t high = float_to_byte(r.state_record.position.x / kPackedPositionUnit);
    const uint8_t low = float_to_byte(r.state_record.position.y / kPackedPositionUnit);
    return static_cast<uint16_t>((high << 8) | low);
}

player_record* server_find_player(server& srv, uint32_t id) {
    for (player_record& r : srv.players) {
        if (r.id == id) return &r;
    }
    return nullptr;
}

player_record* server_find_player_by_nick(server& srv, const std::string& nick) {
    for (player_record& r : srv.players) {
        if (r.nick == nick) return &r;
    }
    return nullptr;
}

void player_init(server& srv, const player_slot& slot) {
    player_record* r = server_find_player(srv, slot.id);
    if (!r) r = &srv.players.emplace_back(slot.id);
    // Team and specialisation index the game's tables: a value off the tables keeps the old one.
    int32_t team = slot.team;
    if (team < 0 || team >= kTeams) {
        log_write("player_init: *WARNING* player %u: team %d out of range, ignored.\n", slot.id, team);
        team = r->team;
    }
    int32_t specialisation = slot.specialisation;
    if (specialisation < 0 || specialisation >= kSpecialisations) {
        log_write("player_init: *WARNING* player %u: specialisation %d out of range, ignored.\n", slot.id,
                  specialisation);
        specialisation = r->specialisation;
    }
    player_record_set(*r, slot.name, specialisation, team, slot.skin, slot.spawn, slot.state);
    player_record_set_health(*r, slot.health);
    r->slot_value = slot.cause;
    if (srv.log_level != 0) {
        // The server's own debug line; its third field is the player's specialisation.
        log_write("player_init: id=%d nick=%s kind=%d team=%d sp=%d state=%d health=%d\n",
                  static_cast<int32_t>(r->id), log_printable(r->nick).c_str(), r->specialisation, r->team,
                  r->spawn_point, r->state, r->health);
    }
}

player_record* server_add_local_player(server& srv, uint32_t id) {
    player_record* r = server_find_player(srv, id);
    if (!r) r = &srv.players.emplace_back(id);
    r->driven_here = 1;
    return r;
}

bool server_player_update(server& srv, uint32_t id, const player_state& state) {
    player_record* r = server_find_player(srv, id);
    if (!r) return false;
    r->update_pending = player_state_assign(r->state_record, state) ? 1 : 0;
    return r->update_pending != 0;
}

void server_damage_player(server& srv, uint32_t attacker, uint32_t victim, float amount, int32_t code,
                          bool hosting) {
    const int32_t damage = float_to_int32(amount);
    if (!hosting) {
        client_send_hit_event(srv.client, attacker, victim, code, damage, kNoPosition);
        return;
    }
    std::optional<int32_t> attacker_team;
    std::optional<int32_t> victim_team;
    uint16_t position = kNoPosition;
    for (const player_record& r : srv.players) {
        if (r.id == attacker && !attacker_team) attacker_team = r.team;
        if (r.id == victim && !victim_team) {
            victim_team = r.team;
            position = player_record_pack_position(r);
            if (r.health == 0) return;  // the dead take no more hits
        }
        if (attacker_team && victim_team) break;
    }
    // A player's own hits (falls, drowning) are no team mates' hits.
    const bool friendly_fire = (srv.snapshot.flags & kSnapshotFriendlyFire) != 0;
    if (attacker_team == victim_team && attacker != victim && !friendly_fire && code != kCodeAlwaysHurts)
        return;
    client_send_hit_event(srv.client, attacker, victim, code, damage, position);
}

void server_give_weapon(server& srv, uint32_t id, int32_t a, int32_t b, int32_t c, int32_t d,
                        const std::string& text) {
    player_record* r = server_find_player(srv, id);
    if (!r) return;
    weapon_entry entry;
    entry.values[0] = a;
    entry.values[1] = b;
    entry.values[2] = c;
    entry.values[3] = d;
    entry.text = text;
    r->weapons.push_back(std::move(entry));
}

void server_give_empty_weapon(server& srv, uint32_t id) {
    server_give_weapon(srv, id, -1, -1, -1, -1, std::string());
}

void server_mark_players_left(server& srv) {
    for (player_record& r : srv.players) r.left = 1;
}

void server_reset_player_states(server& srv) {
    for (player_record& r : srv.players) r.state = 0;
}

void server_purge_players(server& srv) {
    arty_factory_post_event(srv.factory, kGameEventSyncBeings);
    for (auto it = srv.players.begin(); it != srv.players.end();) {
        if (!it->left) {
            ++it;
            continue;
        }
        if (it->bot_registered) botc_remove_player(*srv.bots, it->id);
        it = srv.players.erase(it);
    }
}

void server_step_players(server& srv) {
    if (!srv.player_step_timer) {
        srv.player_step_timer = std::make_unique<timer>();
        // The first call finds the timer just started: nothing is due yet.
    }
    if (timer_elapsed_ms(*srv.player_step_timer) < kPlayerStepMs) return;
    arty_factory_post_event(srv.factory, kGameEventStep);
    for (const player_record& r : srv.players) {
        if (r.driven_here && player_record_is_active(r))
            client_store_player_record(srv.client, r.state_record);
    }
    timer_restart(*srv.player_step_timer);
}

}  // namespace kv
