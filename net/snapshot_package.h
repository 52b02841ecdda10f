#pragma once
// The network game records as the world server uses them: the game snapshot with its player slots,
// and the player state record of P-SNAPSHOT packets.

#include <cstdint>
#include <string>
#include <vector>

#include "util/vec3.h"

namespace kv {

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

inline constexpr int32_t kSnapshotFriendlyFire = 1;  // bit 0 of the flags

struct player_slot {
    uint32_t id = 0;
    int32_t spawn = 0;
    int32_t team = 3;
    int32_t specialisation = 0;
    int32_t skin = 0;
    int32_t state = kSlotNotInRound;
    int32_t health = 0;
    int32_t ping = 0;
    int32_t cause = 0;  // of the last death
    std::string name;
};

struct snapshot_package {
    bool changed = false;
    std::string name;  // the map
    int32_t flags = 0;
    int32_t state = kGameInitial;
    int32_t seconds = 0;
    int32_t result = 0;
    int32_t goal_event_a = -1;
    int32_t goal_event_b = -1;
    int32_t winner = -1;
    int32_t download = -1;
    std::vector<player_slot> slots;
};

// Deep copy of a received snapshot into the world server's one.
void snapshot_package_assign(snapshot_package& target, const snapshot_package& source);
int32_t snapshot_package_player_count(const snapshot_package& snapshot);
// The pending value, set back to -1.
int32_t snapshot_package_take_pending(snapshot_package& snapshot);

// Whether the last snapshot's game state lets a player look at the weaponry: state 1, or 2 or 3 while
// the end-of-round countdown (started when the state became 2) still runs.
bool snapshot_package_check_state(const snapshot_package& snapshot, int32_t countdown_left);

// A player's state as last sent or received.
struct player_state {
    uint32_t id = 0;
    vec3 position;
    float angle = 0.0f;
    int16_t state = 0;
    int32_t groups[3][3] = {};
    int32_t small_values[2] = {};
    float second_angle = 0.0f;
    uint8_t bytes[3] = {};
};

// Copies every field but the id; true when anything changed (positions within 1e-5 are equal).
bool player_state_assign(player_state& target, const player_state& source);

}  // namespace kv
