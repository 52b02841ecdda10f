#include "ui/gui.h"

#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "game/server_snapshot.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "ui/hud.h"
#include "ui/screens.h"

namespace kv {
namespace {

constexpr const char* kSlotScreens[kScreenSlots] = {
    "menu_scr",    "loading_scr",  "game_scr",      "mplayer_scr", "briefing_scr",
    "scores_scr",  "controls_scr", "briefing2_scr", "host_scr",    "mplayer_scr",
    "options_scr", "host_scr",     "quit_scr"};
// The slots whose screen draws and animates its pointer.
constexpr bool kCursorOn[kScreenSlots] = {true,  false, false, true, true, true, false,
                                          false, true,  true,  true, true, true};
constexpr const char* kMenuMusic = "data\\sound\\menu.wma";
constexpr const char* kMenuMusicFallback = "data\\sound\\menu.mp3";
constexpr int32_t kGameStateScores = 7;

bool music_is_playing(const gui_state& gui) {
    return gui.music.is_playing ? gui.music.is_playing() : music_is_playing(kernel_get().sound);
}

bool music_start(const gui_state& gui, const std::string& name) {
    return gui.music.play ? gui.music.play(name, true) : music_play(kernel_get().sound, name, true);
}

void run_on_show(kvgame& game, int32_t slot) {
    switch (slot) {
        case kScreenMenu:
            main_menu_on_show(game);
            break;
        case kScreenLoading:
            loading_on_show(game);
            break;
        case kScreenLanList:
        case kScreenBrowser:
            lan_list_on_show(game);
            break;
        case kScreenBriefing:
            briefing_on_show(game);
            break;
        case kScreenScores:
            scores_on_show(game);
            break;
        case kScreenControls:
            controls_on_show(game);
            break;
        case kScreenHost:
        case kScreenHostFromList:
            host_on_show(game);
            break;
        case kScreenOptions:
            options_on_show(game);
            break;
        case kScreenQuit:
            quit_on_show(game);
            break;
        default:
            break;
    }
}

void run_event(kvgame& game, int32_t code) {
    switch (game.gui.current_slot) {
        case kScreenMenu:
            main_menu_handle_event(game, code);
            break;
        case kScreenLanList:
            lan_list_handle_event(game, code);
            break;
        case kScreenBriefing:
            briefing_handle_event(game, code);
            break;
        case kScreenHost:
        case kScreenHostFromList:
            host_handle_event(game, code);
            break;
        case kScreenBrowser:
            browser_handle_event(game, code);
            break;
        case kScreenOptions:
            options_handle_event(game, code);
            break;
        case kScreenQuit:
            quit_handle_event(game, code);
            break;
        default:
            break;
    }
}

void run_no_pointing(kvgame& game) {
    switch (game.gui.current_slot) {
        case kScreenMenu:
            main_menu_clear_help(game);
            break;
        case kScreenHost:
        case kScreenHostFromList:
            host_clear_help(game);
            break;
        case kScreenOptions:
            options_clear_help(game);
            break;
        default:
            break;
    }
}

void run_pointing(kvgame& game, int32_t pointed) {
    switch (game.gui.current_slot) {
        case kScreenMenu:
            main_menu_show_help(game, pointed);
            break;
        case kScreenHost:
        case kScreenHostFromList:
            host_show_help(game, pointed);
            break;
        case kScreenOptions:
            options_show_help(game, pointed);
            break;
        default:
            break;
    }
}

}  // namespace

void gui_build_screens(kvgame& game) {
    arty_factory& factory = *game.factory;
    for (int slot = 0; slot < kScreenSlots; ++slot) {
        game.gui.screens[slot] = arty_factory_find_by_name_as<kvscreen>(factory, kSlotScreens[slot]);
    }
    kvgame_message_list_init(game);
    hud_bind_game(game);
    hud_clear_inventory();
    hud_clear_rpg();
}

kvscreen* gui_current_screen(kvgame& game) {
    const int32_t slot = game.gui.current_slot;
    return slot >= 0 && slot < kScreenSlots ? game.gui.screens[slot] : nullptr;
}

void gui_show_screen(kvgame& game, int32_t slot, bool carry_cursor) {
    if (slot < 0 || slot >= kScreenSlots) return;
    gui_state& gui = game.gui;
    kvscreen* next = gui.screens[slot];
    if (carry_cursor && next) {
        if (const kvscreen* now = gui_current_screen(game)) kvscreen_copy_cursor(*next, *now);
    }
    gui.previous_slot = gui.current_slot;
    gui.current_slot = slot;
    gui.step_state = 0;
    if (next) kvscreen_set_active(*next, kCursorOn[slot]);
    kvgame_message_list_refresh(game);
    hud_set_sights(0, "", "");
    if (slot == kScreenMenu && !music_is_playing(gui)) {
        if (!music_start(gui, kMenuMusic)) music_start(gui, kMenuMusicFallback);
    }
    run_on_show(game, slot);
}

void gui_handle_event(kvgame& game, int32_t code) {
    if (code >= 0) run_event(game, code);
    // The quit screen has no help line; a click (0 and above) also counts as nothing pointed at.
    if (game.gui.current_slot == kScreenQuit) return;
    if (code >= -1) {
        run_no_pointing(game);
    } else {
        run_pointing(game, -2 - code);
    }
}

void gui_step(kvgame& game, int32_t elapsed_ms) {
    switch (game.gui.current_slot) {
        case kScreenMenu:
            main_menu_step(game, elapsed_ms);
            break;
        case kScreenGame:
            kvgame_message_input(game);
            break;
        case kScreenLanList:
            lan_list_step(game, elapsed_ms);
            break;
        case kScreenBriefing2:
            briefing2_step(game, elapsed_ms);
            break;
        case kScreenHost:
        case kScreenHostFromList:
            host_step(game, elapsed_ms);
            break;
        case kScreenBrowser:
            browser_step(game, elapsed_ms);
            break;
        case kScreenOptions:
            options_step(game, elapsed_ms);
            break;
        default:
            break;
    }
}

void gui_draw(kvgame& game) {
    gui_state& gui = game.gui;
    if (!gui.draw_timer) gui.draw_timer = std::make_unique<timer>();
    server& srv = kvgame_server(game);
    if (server_game_state(srv) == kGameStateScores && gui.current_slot != kScreenScores && !srv.connecting)
        gui_show_screen(game, kScreenScores, false);
    switch (gui.current_slot) {
        case kScreenMenu:
        case kScreenGame:
        case kScreenLanList:
        case kScreenHost:
        case kScreenBrowser:
        case kScreenOptions:
        case kScreenHostFromList:
            hud_draw_statistics(game);
            if (gui.current_slot == kScreenGame && game.game_level) hud_draw_passes(game, *gui.draw_timer);
            break;
        case kScreenBriefing:
            briefing_draw(game, 1, *gui.draw_timer);
            break;
        case kScreenBriefing2:
            briefing_draw(game, 0, *gui.draw_timer);
            break;
        case kScreenScores:
            scores_draw(game);
            break;
        case kScreenControls:
            controls_draw(game);
            break;
        case kScreenQuit:
            quit_draw(game, *gui.draw_timer);
            break;
        default:
            break;
    }
}

void gui_hide_scores(kvgame& game) {
    if (game.gui.current_slot == kScreenScores) gui_show_screen(game, kScreenGame, false);
}

void gui_set_loading_label(kvgame& game, const std::string& text) {
    if (kvscreen* screen = game.gui.screens[kScreenLoading]) {
        if (kvtext* label = kvscreen_label(*screen, 0)) kvtext_set_text(*label, text);
    }
}

}  // namespace kv
