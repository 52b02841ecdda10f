#pragma once
// The engine table handed to bot modules: entries that reach the host, the world server, the game and
// its soldiers. The table reaches the host that filled it last.

#include <cstdint>

#include "bots/bot_central.h"
#include "bots/goal_record.h"

namespace kv {

struct player_record;

// Entry 1's levelled log for the host's own lines: written when the level is above the host's.
void botc_log(BotCentral& bots, uint8_t level, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The 24-byte event record at its offsets.
void botc_write_event_record(const bot_game_event& event, uint8_t* out);
// The 120-byte player-info record at its offsets; the nick points into the record.
void botc_write_player_info(const player_record& r, uint8_t* out);

// Folds c against the depth z: the full rule, or the front rule that sends points behind to 0.
float botc_fold(float c, float z, bool full);

}  // namespace kv
