// The briefing screens (slots 4 and 7).

#include "ui/briefing.h"

#include "beings/being_game.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "ui/gui.h"
#include "ui/screens.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kSideNames[3] = {"blue", "red", "black"};
constexpr int32_t kCameraChangeSeconds = 5;
constexpr int32_t kGameFlagFlyingCamera = 4;
constexpr int32_t kWidePictures = 100;
constexpr int32_t kEnterGame = 1;
constexpr int32_t kMapTextColumns = 50;
constexpr int32_t kMapTextRows = 32;
constexpr float kItemColour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
// The rolls' items: base texts 79-82 (no side, then the sides), 83-86 and 87-91.
constexpr int32_t kRollTexts[3][2] = {{79, 82}, {83, 86}, {87, 91}};

int32_t roll_index(kvscreen& s, int32_t i) {
    const kvroll* roll = kvscreen_roll(s, i);
    return roll ? roll->current : -1;
}

void set_button(kvscreen& s, int32_t i, const std::string& text) {
    if (kvbutton* button = kvscreen_button(s, i)) kvtext_set_text(button->label, text);
}

// No soldier to play: the camera follows nobody.
void spectator_setup(kvgame& game) {
    if (game.bound_camera) kvbound_camera_attach(*game.bound_camera, nullptr);
    game.followed_player.reset();
    game.static_camera = nullptr;
}

void enter_game(kvgame& game) {
    if (being* b = game.local_being) {
        if (game.bound_camera) kvbound_camera_attach(*game.bound_camera, b);
        being_set_view_mode(*b, 0);
        game.static_camera = nullptr;
        kvgame_select_camera(game, false);
        gui_show_screen(game, kScreenGame, false);
        return;
    }
    server& srv = kvgame_server(game);
    const player_record* own = server_find_player(srv, game.local_player_id);
    if (!own || own->team == kNoTeam) spectator_setup(game);
    if (srv.snapshot.flags & kGameFlagFlyingCamera) {
        game.hud.spectator_camera = 1;
        kvgame_place_flying_camera(game);
        kvgame_select_camera(game, true);
    }
    gui_show_screen(game, kScreenGame, false);
}

}  // namespace

std::string briefing_preview_name(bool wide, int32_t side, int32_t second, int32_t soldier) {
    if (side < 1 || side > 3 || second < 0 || second > 3 || soldier < 0 || soldier > 4) return {};
    return str_format(wide ? "gui_pw_%ss%d" : "gui_p_%ss%d", kSideNames[side - 1], soldier + 1);
}

void briefing_set_preview(kvgame& game, int32_t side, int32_t second, int32_t soldier) {
    const std::string name = briefing_preview_name(game.briefing.wide != 0, side, second, soldier);
    kvscreen* s = game.gui.screens[kScreenBriefing];
    if (name.empty() || !s) return;
    if (kvstatic* p = kvscreen_picture(*s, 0)) {
        kvstatic_set_texture(*p, name);
        kvstatic_set_texture_rect(*p, 0.0f, 0.0f, 1.0f, 1.0f);
    }
}

void briefing_on_show(kvgame& game) {
    kvscreen* s = game.gui.screens[kScreenBriefing];
    if (!s) return;
    server& srv = kvgame_server(game);
    if (kvcheck* check = kvscreen_check(*s, 0)) kvcheck_set_text(*check, server_text(srv, kTextBase, 76));
    set_button(*s, 0, server_text(srv, kTextBase, 77));
    const player_record* own = server_find_player(srv, game.local_player_id);
    set_button(*s, 1, server_text(srv, kTextBase, own && own->team != kNoTeam ? 111 : 78));
    game.briefing.shown_side = -1;
}

void briefing_draw(kvgame& game, int32_t flag, timer& draw_timer) {
    kvscreen* s = game.gui.screens[kScreenBriefing];
    if (flag && s) {
        const server& srv = kvgame_server(game);
        kvroll* first = kvscreen_roll(*s, 0);
        if (first && first->items.empty()) {
            for (int32_t r = 0; r < 3; ++r) {
                kvroll* roll = kvscreen_roll(*s, r);
                if (!roll) continue;
                for (int32_t n = kRollTexts[r][0]; n <= kRollTexts[r][1]; ++n)
                    kvroll_add_item(*roll, server_text(srv, kTextBase, n), kItemColour);
            }
        }
        const int32_t side = roll_index(*s, 0);
        briefing_set_preview(game, side, roll_index(*s, 1), roll_index(*s, 2));
        if (side != game.briefing.shown_side) {
            game.briefing.shown_side = side;
            if (kvmltext* text = kvscreen_mltext(*s, 0))
                kvmltext_set_text(*text, side >= 0 ? server_text(srv, kTextMap, side) : std::string(),
                                  kMapTextColumns, kMapTextRows);
        }
    }
    if (timer_elapsed_seconds(draw_timer) > kCameraChangeSeconds) {
        timer_restart(draw_timer);
        kvgame_pick_static_camera(game, -1, 0);
        kvgame_select_camera(game, false);
    }
}

void briefing_handle_event(kvgame& game, int32_t code) {
    if (code >= 1000) return;
    if (code == kEnterGame) {
        enter_game(game);
        return;
    }
    kvscreen* s = game.gui.screens[kScreenBriefing];
    if (!s) return;
    const int32_t side = roll_index(*s, 0);
    if (side < 1 || side > 3) return;
    game.briefing.side = side;
    const int32_t soldier = roll_index(*s, 2) + (game.briefing.wide ? kWidePictures : 0);
    const int32_t values[5] = {static_cast<int32_t>(game.local_player_id), roll_index(*s, 1), side - 1, soldier, 0};
    client_send_join(kvgame_server(game).client, values);
    gui_show_screen(game, kScreenBriefing2, false);
}

void briefing2_step(kvgame& game, int32_t) {
    server& srv = kvgame_server(game);
    int32_t& step = game.gui.step_state;
    switch (step) {
        case kJoinAwaitAnswer: {
            const int32_t result = client_server_list_result(srv.client);
            if (result > 0) {
                client_send_say(srv.client, static_cast<int32_t>(game.local_player_id), 0, 0, "#join");
                if (!srv.pending_bot_login.empty()) {
                    client_send_blogin(srv.client, srv.pending_bot_login);
                    srv.pending_bot_login.clear();
                    step = kJoinAwaitBots;
                } else {
                    step = kJoinEnter;
                }
            } else if (result == 0) {
                step = kJoinRefused;
            }
            break;
        }
        case kJoinAwaitBots:
            if (client_server_list_result(srv.client) >= 0) step = kJoinEnter;
            break;
        case kJoinEnter:
            if (game.current_camera) camera_unfreeze(*game.current_camera);
            gui_show_screen(game, kScreenGame, false);
            break;
        default:
            break;
    }
}

}  // namespace kv
