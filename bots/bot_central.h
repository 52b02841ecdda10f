#pragma once
// The bot host as the kernel's console uses it.

#include <cstdint>
#include <string>

#include "bots/goal_record.h"

namespace kv {

struct BotCentral {};

// The program's one bot host.
BotCentral& bot_central_get();

// The bot console ("activate", "deactivate" ...), given the text after "b_"; true when handled.
bool botc_console_command(BotCentral& bots, const std::string& text);

// Starts the host with the module directory; the world server's start-up passes "./bot".
void botc_start(BotCentral& bots, const std::string& directory);
// Releases the modules and their bots.
void botc_end(BotCentral& bots);
// Hosting a game turns the bot host on; the multiplayer screens turn it off.
void botc_enable(BotCentral& bots, bool enabled);
// A level package has loaded: the modules get its name. Always false.
bool botc_level_loaded(BotCentral& bots, const std::string& package_name);
// A new game package is set while one is named.
void botc_level_change(BotCentral& bots);
// Per frame: the modules think and their bots' input goes to their players.
void botc_think(BotCentral& bots);
// A remote soldier's received animation shows a shot.
void botc_notify_player_bots(BotCentral& bots, uint32_t player_id);
// A player left: its bots are dropped.
void botc_remove_player(BotCentral& bots, uint32_t player_id);
void botc_round_start(BotCentral& bots);
void botc_round_end(BotCentral& bots, uint8_t value);
// A radio message (its number, from 0) of a player.
void botc_radio_message(BotCentral& bots, uint32_t player_id, int32_t number);
// A game event for every module (kinds in bots/goal_record.h).
void botc_broadcast_event(BotCentral& bots, int32_t kind, const bot_game_event& event);

}  // namespace kv
