#pragma once
// The interface as the game object drives it: its 13 screen slots built from the level's screens,
// the current screen's input, step and drawing, and the HUD controls.

#include <cstdint>
#include <string>

namespace kv {

class kvgame;
class kvscreen;
struct being;
struct kvmltext;
struct kvselection;
struct kvstatic;

// Fills the game object's screen slots from the level's screen arties and sets up the message list
// (`kvgame_message_list_init`).
void gui_build_screens(kvgame& game);
// Makes the slot current and runs its on-show work.
void gui_show_screen(kvgame& game, int32_t slot, int32_t flag);
// The current screen's input: an event code for `gui_handle_event`.
int32_t kvscreen_input(kvscreen& screen, int32_t elapsed);
void gui_handle_event(kvgame& game, int32_t code);
// The per-frame step of the current slot; the game screen's runs the message input
// (`kvgame_message_input`).
void gui_step(kvgame& game, int32_t elapsed);
void gui_draw(kvgame& game);
void kvscreen_draw(kvscreen& screen);
// A screen's widgets by kind and index into its lists; null when it has no such widget.
kvstatic* kvscreen_picture(kvscreen& screen, int32_t index);
kvmltext* kvscreen_mltext(kvscreen& screen, int32_t index);
kvselection* kvscreen_selection(kvscreen& screen, int32_t index);
// Back to the game screen after the scores.
void gui_hide_scores(kvgame& game);
// The label of the loading screen.
void gui_set_loading_label(kvgame& game, const std::string& text);

void hud_toggle_rpg();
void hud_set_aim_mark_visible(bool visible);
// Appends to the game object's HUD event list.
void hud_add_message(kvgame& game, int32_t code, const std::string& name);

}  // namespace kv
