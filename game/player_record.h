#pragma once
// Player records: one for every player the world server knows of (the local player, the bots driven
// here and the remote players the game server reports), kept in order of creation. The world learns
// of players only through its client session, which applies snapshot slots with `player_init`.

#include <cstdint>
#include <string>
#include <vector>

#include "net/player_state.h"
#include "net/snapshot_package.h"

namespace kv {

struct server;

inline constexpr int32_t kNoTeam = 3;

// A weapon given to a player, read by the being's weapon set-up.
struct weapon_entry {
    int32_t values[4] = {};
    std::string text;
};

inline constexpr int kPlayerLevels = 6;

// Other subsystems add their fields at the end.
struct player_record {
    explicit player_record(uint32_t player_id);

    uint32_t id;
    int32_t specialisation = 0;
    std::string nick;
    int32_t spawn_point = 0;
    int32_t team = kNoTeam;
    int32_t skin = 0;
    int32_t state = kSlotFrozen;  // only the low 3 bits are tested
    int32_t health = 0;
    int32_t slot_value = 0;  // the slot's value before its nick
    uint8_t left = 0;        // dropped by the next purge
    uint8_t driven_here = 0;
    uint8_t update_pending = 0;
    uint8_t became_alive = 0;
    uint8_t levels[kPlayerLevels] = {};
    uint8_t levels_changed = 0;
    player_state state_record;
    std::vector<int32_t> values;  // kept for the being code
    std::vector<weapon_entry> weapons;
    int32_t entry_values[2] = {-1, -1};
    uint8_t bot_registered = 0;  // announced to the bot host
    uint8_t armour = 0;          // protection against blades and blasts: 255 halves their damage
    // The held weapons as a bit mask per slot and the grenade counts, as the being last wrote them.
    uint32_t weapon_mask[4] = {};
    uint8_t grenade_counts[4] = {};
    // The being's: signed command codes queued by the input, the network and bots (positive press,
    // negative release), emptied by each update; mouse motion not yet turned into a turn; the speeds
    // the last movement step chose.
    std::vector<int16_t> commands;
    int32_t pending_yaw = 0;
    int32_t pending_pitch = 0;
    float run_speed = 0.0f;
    float current_speed[2] = {};  // forward, sideways
};

void player_record_set(player_record& r, const std::string& nick, int32_t specialisation, int32_t team,
                       int32_t skin, int32_t spawn_point, int32_t state);
void player_record_set_health(player_record& r, int32_t health);
void player_record_set_nick(player_record& r, const std::string& nick);
// State 1, 2 or 3 (low 3 bits), a team, and not left.
bool player_record_is_active(const player_record& r);
// State 1, 2 or 3 (low 3 bits): the being moves and acts.
bool player_record_is_alive(const player_record& r);
bool player_record_state_is_1(const player_record& r);
bool player_record_state_is_3(const player_record& r);
// The became-alive flag, cleared.
bool player_record_take_became_alive(player_record& r);
// When an update is pending: copies the state record out, clears the flag and answers true.
bool player_record_take_update(player_record& r, player_state& out);
void player_record_get_counters(const player_record& r, uint8_t (&levels)[kPlayerLevels]);
// Stores the six levels only when their sum is not 0.
void player_record_set_counters(player_record& r, const uint8_t (&levels)[kPlayerLevels]);
// The first two position coordinates / 200, each truncated to a byte: the first high, the second low.
uint16_t player_record_pack_position(const player_record& r);

// The server's player operations.
player_record* server_find_player(server& srv, uint32_t id);
player_record* server_find_player_by_nick(server& srv, const std::string& nick);
// Creates or refreshes the record of the slot's player. Team and specialisation outside their
// ranges are ignored with a warning.
void player_init(server& srv, const player_slot& slot);
// Finds or creates the record and marks it as driven by this process.
player_record* server_add_local_player(server& srv, uint32_t id);
// Applies a received state record; true when the record of that id changed (its update-pending flag).
bool server_player_update(server& srv, uint32_t id, const player_state& state);
// The hit filter: on a client every hit goes to the server; the host drops hits on dead victims and,
// without friendly fire, hits between team mates (code 253 and a player's own hits always pass).
void server_damage_player(server& srv, uint32_t attacker, uint32_t victim, float amount, int32_t code,
                          bool hosting);
void server_give_weapon(server& srv, uint32_t id, int32_t a, int32_t b, int32_t c, int32_t d,
                        const std::string& text);
void server_give_empty_weapon(server& srv, uint32_t id);
void server_mark_players_left(server& srv);
void server_reset_player_states(server& srv);
// Game event 0 to the game arty, then the records marked left are dropped (and their bots).
void server_purge_players(server& srv);
// At most once every 34 ms: game event 4, then the state of every active player driven here goes to
// the network client.
void server_step_players(server& srv);

}  // namespace kv
