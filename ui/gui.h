#pragma once
// The screen manager: the part of the game object that runs the interface of a level. It fills the
// thirteen screen slots from the level's screens by name, makes one current (starting the menu music
// and the slot's on-show work), hands the current screen's event code to the slot's handlers, runs
// the slot's per-frame step and its drawing (the screen's widgets draw themselves, ui/kvscreen.h).

#include <cstdint>
#include <string>

#include "ui/gui_state.h"
#include "ui/kvscreen.h"

namespace kv {

class kvgame;
struct being;

// Fills the slots from the level's screen arties and sets up the message list.
void gui_build_screens(kvgame& game);
// Makes the slot (0-12; any other is ignored) current and runs its on-show work; with
// `carry_cursor` the new screen takes the pointer where the current one has it.
void gui_show_screen(kvgame& game, int32_t slot, bool carry_cursor);
void gui_handle_event(kvgame& game, int32_t code);
void gui_step(kvgame& game, int32_t elapsed_ms);
void gui_draw(kvgame& game);
// The current slot's screen, or null.
kvscreen* gui_current_screen(kvgame& game);
// Back to the game screen after the scores.
void gui_hide_scores(kvgame& game);
// The label of the loading screen.
void gui_set_loading_label(kvgame& game, const std::string& text);

void hud_toggle_rpg();
void hud_set_aim_mark_visible(bool visible);
// Appends to the game object's HUD event list.
void hud_add_message(kvgame& game, int32_t code, const std::string& name);

}  // namespace kv
