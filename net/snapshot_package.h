#pragma once
// The game snapshot: the round's map name, settings flags, game state, round clock, result and
// winner, and one slot per player in order of joining. The server session keeps the authoritative
// one and changes it through the setters and slot operations below; each tick it goes to every
// client as a G-SNAPSHOT, and the slots flagged for it as a D-SNAPSHOT. The world server keeps a
// merged copy of what its client session receives (`snapshot_package_assign`).

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct packet;

// Game states (the round and map machine's).
inline constexpr int32_t kGameWaiting = 0;
inline constexpr int32_t kGameOneTeam = 1;
inline constexpr int32_t kGameFreeze = 2;
inline constexpr int32_t kGameRunning = 3;
inline constexpr int32_t kGameReport = 4;
inline constexpr int32_t kGameQuit = 5;
inline constexpr int32_t kGameInitial = 6;
inline constexpr int32_t kGameLevelEnding = 7;
inline constexpr int32_t kGameMapChange = 8;

// Player-slot states.
inline constexpr int32_t kSlotNotInRound = 0;
inline constexpr int32_t kSlotFrozen = 1;
inline constexpr int32_t kSlotPlaying = 2;
inline constexpr int32_t kSlotDying = 3;
inline constexpr int32_t kSlotDead = 4;

// The settings flags: the game mode in bits 6-7, then one bit for each switch.
inline constexpr int32_t kSnapshotFriendlyFire = 1;
inline constexpr int32_t kSnapshotIronSights = 2;
inline constexpr int32_t kSnapshotFreeCamera = 4;
inline constexpr int32_t kSnapshotIdTags = 8;
inline constexpr int32_t kSnapshotModeShift = 6;

// `snapshot_package_set_team_state` selections besides a team number.
inline constexpr int32_t kEveryTeam = -1;
inline constexpr int32_t kRespawnSelection = -2;

// Results of `snapshot_package_winner_team` when no team has won yet.
inline constexpr int32_t kSeveralTeamsAlive = -1;
inline constexpr int32_t kNobodyAlive = -2;

inline constexpr int kSlotCounters = 3;
inline constexpr int kSlotStatistics = 6;
inline constexpr std::size_t kPlayerSlotBytes = 8;
inline constexpr int32_t kFullHealth = 100;

struct player_slot {
    uint32_t id = 0;  // 1-99 bots, 0 and 100 upwards persons
    int32_t spawn = 0;
    int32_t team = 3;  // 0-2, 3 none
    int32_t specialisation = 0;
    int32_t skin = 0;  // 0-7 or 100-107
    int32_t state = kSlotNotInRound;
    int32_t health = 0;
    int32_t ping = 0;   // half the round trip in milliseconds
    int32_t cause = 0;  // of the last death, 0-7
    std::string name;
    int32_t counters[kSlotCounters] = {};      // the profile's counters
    uint8_t statistics[kSlotStatistics] = {};  // the profile's statistics bytes
    uint32_t address = 0;                      // the player's peer, IPv4 in host order
    uint16_t port = 0;
    int32_t death_second = 0;  // on the session's death timer
    bool profile_changed = false;
    bool needs_all_profiles = false;
    bool next_d_snapshot = false;
};

struct snapshot_package {
    bool changed = false;
    std::string name;  // the map
    int32_t flags = 0;
    int32_t state = kGameInitial;
    int32_t seconds = 0;  // left of the current state
    int32_t result = 0;
    int32_t goal_event_a = -1;  // not carried on the wire
    int32_t goal_event_b = -1;
    int32_t winner = -1;
    int32_t download = -1;  // handed out once
    std::vector<player_slot> slots;
    // Index of the slot the last search found or the last addition made; -1 none. Checked against
    // the slots before every use.
    int32_t current_slot = -1;
};

// Merges a received package into the world server's copy: the header and the slots are the
// source's, but names, counters, statistics and ping (which come in other packets) stay by id.
void snapshot_package_assign(snapshot_package& target, const snapshot_package& source);

// Parses a G-SNAPSHOT body at the cursor; true when the seven header fields were read. Slots are
// appended up to the first that fails to read.
bool snapshot_package_read(snapshot_package& snapshot, packet& in);
// Appends the G-SNAPSHOT body; every slot written loses its next-D-SNAPSHOT flag.
void snapshot_package_write(snapshot_package& snapshot, packet& out);
// One 8-byte slot into the wire fields of `slot`; a short packet fails and leaves the slot as it was.
bool snapshot_package_read_slot(player_slot& slot, packet& in);
// Appends one 8-byte slot and clears its next-D-SNAPSHOT flag.
void snapshot_package_write_slot(player_slot& slot, packet& out);
// D-SNAPSHOT packets with the slots flagged for one, as many as the datagram limits need; none when
// no slot is flagged.
std::vector<packet> snapshot_package_write_d_snapshots(snapshot_package& snapshot);
// A D-SNAPSHOT body: fresh slots up to the first that fails to read; false when one failed.
bool snapshot_package_read_d_snapshot(packet& in, std::vector<player_slot>& slots);
// Writes the package and its slots to the log.
void dump(const snapshot_package& snapshot);

void snapshot_package_set_name(snapshot_package& snapshot, const std::string& name);
void snapshot_package_set_game_setup(snapshot_package& snapshot, int32_t game_mode, bool friendly_fire,
                                     bool iron_sights, bool free_camera, bool id_tags);
void snapshot_package_set_state(snapshot_package& snapshot, int32_t state);
void snapshot_package_set_seconds(snapshot_package& snapshot, int32_t seconds);
void snapshot_package_set_result(snapshot_package& snapshot, int32_t result);
void snapshot_package_set_events(snapshot_package& snapshot, int32_t a, int32_t b);
void snapshot_package_set_winner(snapshot_package& snapshot, int32_t winner);
void snapshot_package_set_download(snapshot_package& snapshot, int32_t download);
// The pending value, set back to -1.
int32_t snapshot_package_take_pending(snapshot_package& snapshot);
bool snapshot_package_take_changed(snapshot_package& snapshot);

int32_t snapshot_package_player_count(const snapshot_package& snapshot);
int32_t snapshot_package_count_team(const snapshot_package& snapshot, int32_t team);
// Slots of the team that are frozen or playing.
int32_t snapshot_package_count_alive(const snapshot_package& snapshot, int32_t team);
int32_t snapshot_package_teams_present(const snapshot_package& snapshot);
// Players the teams lack to reach their minimums (a minimum of 0 asks for nobody).
int32_t snapshot_package_missing_players(const snapshot_package& snapshot, const int32_t (&minimums)[3]);
bool snapshot_package_no_human_playing(const snapshot_package& snapshot);
// The winner once set, else the only team with players alive, -1 for several, -2 for none.
int32_t snapshot_package_winner_team(const snapshot_package& snapshot);
bool snapshot_package_flag0(const snapshot_package& snapshot);
// Whether the last snapshot's game state lets a player look at the weaponry: state 1, or 2 or 3 while
// the end-of-round countdown (started when the state became 2) still runs.
bool snapshot_package_check_state(const snapshot_package& snapshot, int32_t countdown_left);
bool snapshot_package_slot_is_bot(const player_slot& slot);
// The settings code of server lists: the mode letter (A, R, C), then F, T, S and + for the switches.
std::string net_format_game_flags(int32_t flags);

// The current slot; null when there is none.
player_slot* snapshot_package_current(snapshot_package& snapshot);
bool find_by_id(snapshot_package& snapshot, uint32_t id);
bool find_by_address(snapshot_package& snapshot, uint32_t address, uint16_t port);
// The smallest id at or above `start` that no slot holds.
uint32_t free_id(const snapshot_package& snapshot, uint32_t start);
// Appends a slot for a new id (true) or renews the existing one (false); either way it becomes
// current, starts with skin, ping, counters and statistics 0 and is flagged for profiles and the
// next D-SNAPSHOT.
bool snapshot_package_add_slot(snapshot_package& snapshot, uint32_t id, int32_t spawn, int32_t team,
                               int32_t state, int32_t health, uint32_t address, uint16_t port);
void snapshot_package_remove_slot(snapshot_package& snapshot, uint32_t id);
// Sets the state of the slots of a team, of every slot (-1), or of the dead and waiting players of
// teams 0-2 (-2, the respawn selection, which also heals them).
void snapshot_package_set_team_state(snapshot_package& snapshot, int32_t team, int32_t state);
void snapshot_package_clear_teams(snapshot_package& snapshot);

}  // namespace kv
