#pragma once
// The handlers of the screen slots, as the screen manager (ui/gui.h) calls them: on-show, events
// (codes 0 and above), the help line for the pointed item p and for nothing pointed at, the per-frame
// step and the drawing step.

#include <cstdint>

namespace kv {

class kvgame;
struct timer;

// The main menu (slot 0) and the dedicated start-up that its step runs.
void main_menu_on_show(kvgame& game);
void main_menu_handle_event(kvgame& game, int32_t code);
void main_menu_show_help(kvgame& game, int32_t pointed);
void main_menu_clear_help(kvgame& game);
void main_menu_step(kvgame& game, int32_t elapsed_ms);

// The loading (slot 1), controls (slot 6) and quit (slot 12) screens.
void loading_on_show(kvgame& game);
void controls_on_show(kvgame& game);
void controls_draw(kvgame& game);
void quit_on_show(kvgame& game);
void quit_handle_event(kvgame& game, int32_t code);
void quit_draw(kvgame& game, timer& draw_timer);

// The options screen (slot 10).
void options_on_show(kvgame& game);
void options_load_values(kvgame& game);
void options_handle_event(kvgame& game, int32_t code);
void options_step(kvgame& game, int32_t elapsed_ms);
void options_show_help(kvgame& game, int32_t pointed);
void options_clear_help(kvgame& game);

// The screens of the host game, the LAN list and server browser, the briefings and the scores, and the
// HUD's drawing.
void host_on_show(kvgame& game);
void host_handle_event(kvgame& game, int32_t code);
void host_show_help(kvgame& game, int32_t pointed);
void host_clear_help(kvgame& game);
void host_step(kvgame& game, int32_t elapsed_ms);
void lan_list_on_show(kvgame& game);
void lan_list_handle_event(kvgame& game, int32_t code);
void lan_list_step(kvgame& game, int32_t elapsed_ms);
void browser_handle_event(kvgame& game, int32_t code);
void browser_step(kvgame& game, int32_t elapsed_ms);
void briefing_on_show(kvgame& game);
void briefing_handle_event(kvgame& game, int32_t code);
void briefing_draw(kvgame& game, int32_t flag, timer& draw_timer);
void briefing2_step(kvgame& game, int32_t elapsed_ms);
void scores_on_show(kvgame& game);
void scores_draw(kvgame& game);
void hud_draw_statistics(kvgame& game);
void hud_draw_passes(kvgame& game, timer& draw_timer);
void hud_clear_inventory();
void hud_clear_rpg();

}  // namespace kv
