#pragma once
// The in-game screens of the demo: the game screen with the HUD's widgets in their roles (sights,
// aim mark, weapon panel, chat panel, radar, inventory, health, steadiness, stamina, skill levels,
// progress bar; status, weapon and inventory labels; rounds and clock counters), the scores, the two
// briefing screens, their "base" texts and their pictures (HUD bars, frames, sights, scopes,
// movement-state icons, weapon pictures and the briefing's soldier previews).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/widget_pictures.h"

namespace kv::tools {

// The sight pictures the demo's "g_sights" lines name.
inline constexpr const char* kHudIronSight = "hud_sight";
inline constexpr const char* kHudScope = "hud_scope";

// The "kvscreen" token lists.
std::vector<uint8_t> game_screen();
std::vector<uint8_t> scores_screen();
std::vector<uint8_t> briefing_screen();
std::vector<uint8_t> briefing2_screen();
// The HUD's and the briefing's pictures.
std::vector<widget_picture> game_screen_pictures();
// Sets the "base" entries the in-game screens show (the table grows as needed).
void game_screen_texts(std::vector<std::string>& base);

}  // namespace kv::tools
