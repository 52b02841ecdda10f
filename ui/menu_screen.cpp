// The main menu (slot 0): its texts, buttons and help line, the scrolling banner, and the step that
// also runs a `-join` from the command line and the dedicated server's start-up.

#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "net/dedicated_start.h"
#include "net/net_client.h"
#include "ui/gui.h"
#include "ui/input/input.h"
#include "ui/screens.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kVersionText = "1.0";
constexpr int32_t kBuild = 182;
constexpr int32_t kBannerPicture = 2;
constexpr int32_t kHelpPicture = 4;
constexpr int32_t kHelpLabel = 9;
constexpr int32_t kHelpTexts = 79;
constexpr int32_t kBannerStepMs = 30;
constexpr int32_t kBannerStep = 3;
constexpr int32_t kBannerEnd = 1000;
constexpr int32_t kBannerStart = -60;
constexpr const char* kTrainingLevel = "cvicak";

// The states of the `-join` step.
constexpr int32_t kJoinLogin = 0;
constexpr int32_t kJoinAwait = 1;
constexpr int32_t kJoinDone = 2;

kvscreen* menu(kvgame& game) {
    return game.gui.screens[kScreenMenu];
}

void set_label(kvscreen& s, int32_t index, const std::string& text) {
    if (kvtext* label = kvscreen_label(s, index)) kvtext_set_text(*label, text);
}

void show_label(kvscreen& s, int32_t index, bool visible) {
    if (kvtext* label = kvscreen_label(s, index)) kvtext_set_visible(*label, visible);
}

void show_picture(kvscreen& s, int32_t index, bool visible) {
    if (kvstatic* picture = kvscreen_picture(s, index)) kvstatic_set_visible(*picture, visible);
}

void show_button(kvscreen& s, int32_t index, bool visible) {
    if (kvbutton* button = kvscreen_button(s, index)) kvbutton_set_visible(*button, visible);
}

void run_banner(kvgame& game, kvscreen& s) {
    gui_state& gui = game.gui;
    if (kvstatic* banner = kvscreen_picture(s, kBannerPicture))
        banner->x = static_cast<float>(gui.banner_offset);
    if (!gui.banner_timer) gui.banner_timer = std::make_unique<timer>();
    if (timer_elapsed_ms(*gui.banner_timer) > kBannerStepMs) {
        gui.banner_offset += kBannerStep;
        timer_restart(*gui.banner_timer);
    }
    if (gui.banner_offset >= kBannerEnd) gui.banner_offset = kBannerStart;
}

void interactive_step(kvgame& game) {
    kvscreen* s = menu(game);
    if (game.gui.step_state == 0) {
        if (s) {
            show_button(*s, 5, false);
            show_button(*s, 6, kvgame_server(game).developer != 0);
        }
        options_load_values(game);
        game.gui.step_state = 1;
    }
    if (s) run_banner(game, *s);
}

void join_step(kvgame& game) {
    server& srv = kvgame_server(game);
    int32_t& state = game.gui.step_state;
    if (state == kJoinLogin) {
        client_set_mode(srv.client, 1);
        client_login_new_player(srv.client, srv.join_address, srv.join_port, srv.join_nick);
        srv.connecting = 1;
        state = kJoinAwait;
    } else if (state == kJoinAwait) {
        const int32_t result = client_server_list_result(srv.client);
        if (result < 0) return;
        // A refused login no longer counts as logging in: the scores and the host screen read it.
        srv.connecting = 0;
        srv.join_nick.clear();
        // In the game, the world follows the server's map from here on, as a host's does.
        if (result > 0) srv.map_follow_latch = 0;
        state = result > 0 ? kJoinDone : kJoinLogin;
    }
}

}  // namespace

void main_menu_on_show(kvgame& game) {
    kvscreen* s = menu(game);
    if (!s) return;
    const server& srv = kvgame_server(game);
    set_label(*s, 2, server_text(srv, kTextMenu, 0));
    set_label(*s, 3, server_text(srv, kTextMenu, 0));
    for (int32_t i = 1; i <= 5; ++i) {
        set_label(*s, 3 + i, server_text(srv, kTextMenu, i));
        if (kvbutton* button = kvscreen_button(*s, i - 1))
            kvtext_set_text(button->label, server_text(srv, kTextMenu, i));
    }
    show_label(*s, 10, true);
    show_label(*s, 11, true);
    set_label(*s, 10, str_format("ver : %s", kVersionText));
    set_label(*s, 11, str_format("build : %i", kBuild));
    show_picture(*s, kHelpPicture, false);
}

void main_menu_handle_event(kvgame& game, int32_t code) {
    server& srv = kvgame_server(game);
    switch (code) {
        case 0: {
            if (kvscreen* options = game.gui.screens[kScreenOptions]) {
                if (kvcontrol* list = kvscreen_control(*options, 0))
                    kvcontrol_load(*list, kvgame_server(game));
                if (input_mouse_invert(kernel_get().input_layer)) {
                    if (kvcheck* invert = kvscreen_check(*options, 0)) kvcheck_set_checked(*invert, true);
                }
            }
            gui_show_screen(game, kScreenOptions, true);
            break;
        }
        case 1:
            gui_show_screen(game, kScreenHost, true);
            break;
        case 2:
            gui_show_screen(game, kScreenLanList, false);
            break;
        case 3:
            gui_show_screen(game, kScreenBrowser, false);
            break;
        case 4:
            kernel_stop(kernel_get());
            break;
        case 6: {
            kvgame_select_camera(game, false);
            if (game.current_camera) camera_freeze(*game.current_camera);
            gui_show_screen(game, kScreenLoading, false);
            srv.load_request = kLoadRequestMenu;
            server_set_game_package(srv, kTrainingLevel);
            if (kvscreen* now = gui_current_screen(game))
                set_label(*now, 0, str_format("loading %s...", kTrainingLevel));
            break;
        }
        default:
            break;
    }
}

void main_menu_show_help(kvgame& game, int32_t pointed) {
    kvscreen* s = menu(game);
    if (!s || pointed < 0 || pointed > 4) return;
    show_picture(*s, kHelpPicture, true);
    set_label(*s, kHelpLabel, server_text(kvgame_server(game), kTextMenu, kHelpTexts + pointed));
}

void main_menu_clear_help(kvgame& game) {
    kvscreen* s = menu(game);
    if (!s) return;
    show_picture(*s, kHelpPicture, false);
    set_label(*s, kHelpLabel, "");
}

void main_menu_step(kvgame& game, int32_t) {
    server& srv = kvgame_server(game);
    if (game.dedicated) {
        dedicated_start_step(dedicated_start_get(), srv);
    } else if (!srv.join_nick.empty()) {
        join_step(game);
    } else {
        interactive_step(game);
    }
}

}  // namespace kv
