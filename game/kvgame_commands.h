#pragma once
// The game object's game commands ("g_sights", "b_add", "b_kill") and screenshots.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct server;

// Local bots take the player ids 1 to 99.
inline constexpr uint32_t kFirstBotId = 1;
inline constexpr uint32_t kLastBotId = 99;

// A line of blank-separated words; `being_ids` are the player ids of the game object's beings in
// list order. 0 when handled, 1 when "b_add" finds no free id or "b_kill" no such bot, -1 for any
// other command.
int32_t kvgame_game_command(server& srv, const std::vector<uint32_t>& being_ids, const std::string& text);
// Adds a local bot under the lowest free id; 1 when all are taken.
int32_t kvgame_add_bot(server& srv, const std::string& name, int32_t ignored, int32_t team,
                       int32_t spawn_point);
// Drops the first local bot of exactly that nick among the beings; 1 when there is none.
int32_t kvgame_kill_bot(server& srv, const std::vector<uint32_t>& being_ids, const std::string& name);

// Writes the current frame to the next unused "snapshots/scrNNN.tga" under the write directory
// (the folder is made when missing). Names already on disk are skipped, so nothing is overwritten;
// after "scr999.tga" no more are taken. The name written, or the empty text (a
// file that cannot be opened is skipped all the same).
std::string kvgame_screenshot(server& srv);
// Starts the numbering again from "scr000.tga", as a new run does.
void kvgame_screenshot_restart();

}  // namespace kv
