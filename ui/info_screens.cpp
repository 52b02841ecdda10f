// The loading (slot 1), controls (slot 6) and quit (slot 12) screens.

#include "beings/being_game.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "ui/gui.h"
#include "ui/screens.h"

namespace kv {
namespace {

constexpr int32_t kBindingColumns = 50;
constexpr int32_t kBindingRows = 32;
constexpr int32_t kCameraChangeSeconds = 5;

void set_label(kvscreen* s, int32_t index, const std::string& text) {
    if (!s) return;
    if (kvtext* label = kvscreen_label(*s, index)) kvtext_set_text(*label, text);
}

void set_button(kvscreen* s, int32_t index, const std::string& text) {
    if (!s) return;
    if (kvbutton* button = kvscreen_button(*s, index)) kvtext_set_text(button->label, text);
}

}  // namespace

void loading_on_show(kvgame& game) {
    set_label(game.gui.screens[kScreenLoading], 0, server_text(kvgame_server(game), kTextBase, 74));
}

void controls_on_show(kvgame& game) {
    kvscreen* s = game.gui.screens[kScreenControls];
    const std::string& text = server_text(kvgame_server(game), kTextBase, 73);
    set_label(s, 0, text);
    set_label(s, 1, text);
}

void controls_draw(kvgame& game) {
    kvscreen* s = game.gui.screens[kScreenControls];
    if (!s) return;
    const server& srv = kvgame_server(game);
    if (kvmltext* keys = kvscreen_mltext(*s, 0))
        kvmltext_set_text(*keys, srv.binding_keys_text, kBindingColumns, kBindingRows);
    if (kvmltext* labels = kvscreen_mltext(*s, 1))
        kvmltext_set_text(*labels, srv.binding_labels_text, kBindingColumns, kBindingRows);
}

void quit_on_show(kvgame& game) {
    kvscreen* s = game.gui.screens[kScreenQuit];
    const server& srv = kvgame_server(game);
    set_label(s, 0, server_text(srv, kTextBase, 110));
    set_label(s, 1, server_text(srv, kTextBase, 110));
    set_label(s, 2, server_text(srv, kTextBase, 111));
    set_button(s, 0, server_text(srv, kTextBase, 111));
    set_label(s, 3, server_text(srv, kTextBase, 112));
    set_button(s, 1, server_text(srv, kTextBase, 112));
    set_label(s, 4, server_text(srv, kTextMenu, 5));
    set_button(s, 2, server_text(srv, kTextMenu, 5));
}

void quit_handle_event(kvgame& game, int32_t code) {
    switch (code) {
        case 0:
            if (being* b = game.local_being) {
                if (game.bound_camera) kvbound_camera_attach(*game.bound_camera, b);
                being_set_view_mode(*b, 0);
                game.static_camera = nullptr;
                kvgame_select_camera(game, false);
                gui_show_screen(game, kScreenGame, false);
            } else {
                gui_show_screen(game, kScreenBriefing, true);
            }
            break;
        case 1:
            if (!game.dedicated && game.game_level) kvgame_leave_level(game);
            break;
        case 2:
            kernel_stop(kernel_get());
            break;
        default:
            break;
    }
}

void quit_draw(kvgame& game, timer& draw_timer) {
    if (timer_elapsed_seconds(draw_timer) < kCameraChangeSeconds) return;
    timer_restart(draw_timer);
    kvgame_pick_static_camera(game, -1, 0);
    kvgame_select_camera(game, false);
}

}  // namespace kv
