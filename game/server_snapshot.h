#pragma once
// The game snapshots that the client session receives, the round events they carry and the game
// clock that runs down between them, one whole second at a time.

#include <cstdint>

#include "game/server.h"

namespace kv {

inline constexpr int32_t kEndCountdownSeconds = 30;

// Keeps a copy of the snapshot; while the game package is loaded also refreshes the player records,
// resets the round, tells the bots when a round starts or ends and sets the clock. A snapshot of
// state "quit" only sends the quit key.
void game_snapshot_update(server& srv, const snapshot_package& snapshot);
// Elapsed seconds := 0; seconds left := seconds.
void server_set_clock(server& srv, int32_t seconds);
int32_t server_seconds_left(const server& srv);
int32_t server_end_seconds_left(const server& srv);
int32_t server_game_state(const server& srv);
// The snapshot's two pending values, set back to -1.
void server_take_pending_pair(server& srv, int32_t& a, int32_t& b);
int32_t server_snapshot_take_pending(server& srv);
// Effects, grenades and dropped weapons go (no network messages) and the screen tint is cleared.
void server_round_reset(server& srv);
// Counts the whole seconds since the last step (the rest is kept for the next).
void server_clock_tick(server& srv);
// While the map-follow latch is clear: when the snapshot names another map than the game package,
// the game arty is asked to change the level.
void server_check_map_change(server& srv);

}  // namespace kv
