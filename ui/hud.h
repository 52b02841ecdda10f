#pragma once
// The game screen's HUD: per-frame passes of the game object that show, hide, move, recolour and
// retexture the widgets the game screen's description made, addressed by their index in the screen's
// lists (labels 0 and 1 the frame-rate and statistics lines, 2 and 3 the status line, 4 the weapon's
// name, 5-15 the inventory panel; counters 0-2 the weapon's rounds, 3 and 4 the round clock; pictures
// 0-5 the sights, 6 the aim mark, 7, 8 and 10 the weapon panel, 12 the radar, 13-44 the inventory,
// 45-50 health, steadiness and stamina, 51-57 the skill levels, 58 and 59 the progress bar). The
// screen manager's draw step runs them (ui/screens.h: `hud_draw_statistics`, `hud_draw_passes`).
// Without a soldier to show (the bound camera follows no being) a pass hides its widgets.

#include <cstdint>
#include <string>

namespace kv {

class kvgame;
struct being;
struct timer;

inline constexpr int32_t kHudAimMark = 6;
inline constexpr int32_t kHudRadar = 12;

// The sight overlay: mode 0 hides all its pictures; 2, 4 and 5 are scopes (picture B with the
// one-texel strips of its edges around it), any other iron sights (picture A). Only on the game screen.
void hud_set_sights(int32_t mode, const std::string& picture_a, const std::string& picture_b);

// The game object the HUD's calls without one (sights, aim mark, RPG toggle) work on: the one whose
// screens were built last (`gui_build_screens`) while it lives, else the world server's game arty;
// null when there is none.
kvgame* hud_game();
void hud_bind_game(kvgame& game);
// The game object goes: the HUD forgets it.
void hud_unbind_game(const kvgame& game);

void hud_draw_weapon(kvgame& game);
void hud_draw_inventory(kvgame& game);
void hud_draw_clock(kvgame& game);
void hud_draw_health(kvgame& game);
void hud_draw_bars(kvgame& game);
void hud_draw_levels(kvgame& game);
void hud_draw_status(kvgame& game, timer& camera_timer);
void hud_sway_sights(kvgame& game, timer& camera_timer);

}  // namespace kv
