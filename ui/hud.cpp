// The HUD passes of the game screen, its sight overlay and sway, its status line and event messages,
// and the frame-rate and statistics lines of the screens that show them.

#include "ui/hud.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "beings/being.h"
#include "beings/being_game.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_snapshot.h"
#include "gfx/gfx_stats.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "ui/gui.h"
#include "ui/screens.h"
#include "util/text.h"
#include "util/text_format.h"

namespace kv {
namespace {

constexpr int32_t kLabelRate = 0;
constexpr int32_t kLabelStatistics = 1;
constexpr int32_t kLabelWeapon = 4;
constexpr int32_t kPictureWeapon = 7;
constexpr int32_t kPictureWeaponFrame = 8;
constexpr int32_t kPictureStateIcon = 10;
constexpr int32_t kPictureInventoryFrame = 13;
constexpr int32_t kPictureLoadFirst = 26;
constexpr int32_t kPictureLoadLast = 34;
constexpr int32_t kPictureRowWeapon = 35;
constexpr int32_t kPictureRowStrip = 40;
constexpr int32_t kLabelRowName = 11;
constexpr int32_t kInventoryRows = 5;
constexpr int32_t kPictureHealthFrame = 45;
constexpr int32_t kPictureHealth = 46;
constexpr int32_t kPictureSteadiness = 48;
constexpr int32_t kPictureStamina = 50;
constexpr int32_t kPictureLevelsFrame = 51;
constexpr int32_t kPictureLevelFirst = 52;
constexpr int32_t kPictureProgressFrame = 58;
constexpr int32_t kPictureProgress = 59;
constexpr int32_t kCarriedLoadLimit = 8;
constexpr int32_t kMessageShowMs = 5000;
constexpr int32_t kMessageChannel = 1;
constexpr int32_t kSpectatorShowMs = 1000;
constexpr int32_t kCameraChangeSeconds = 4;
constexpr int32_t kGameFlagNoAimMark = 2;
constexpr int32_t kGameFlagFlyingCamera = 4;

constexpr float kGreen[4] = {27.0f / 255.0f, 210.0f / 255.0f, 27.0f / 255.0f, 0.0f};
constexpr float kYellow[4] = {210.0f / 255.0f, 158.0f / 255.0f, 0.0f, 0.0f};
constexpr float kRed[4] = {219.0f / 255.0f, 47.0f / 255.0f, 17.0f / 255.0f, 0.0f};
constexpr float kPureGreen[4] = {0.0f, 1.0f, 0.0f, 0.0f};
constexpr float kPureRed[4] = {1.0f, 0.0f, 0.0f, 0.0f};
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 0.0f};
constexpr float kOverloaded[4] = {0.75f, 0.75f, 0.75f, 0.0f};
constexpr float kGaugeOff[4] = {0.4f, 0.4f, 0.4f, 0.0f};
// Label 10's colour by team; team 3 (no side) grey.
constexpr float kTeamColours[4][4] = {
    {0.0f, 0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f, 0.0f}};
// The specialisation glyphs of the font (soldier, scout, sniper, specialist) and the side mark.
constexpr char kSpecialisationGlyphs[4] = {31, 29, 28, 30};
constexpr char kSideGlyph = 26;
constexpr const char* kSpecialisationWords[4] = {"soldier", "scout", "sniper", "specialist"};

kvscreen* game_screen(kvgame& game) {
    return game.gui.current_slot == kScreenGame ? game.gui.screens[kScreenGame] : nullptr;
}

void show_picture(kvscreen& s, int32_t i, bool on) {
    if (kvstatic* p = kvscreen_picture(s, i)) kvstatic_set_visible(*p, on);
}

void show_label(kvscreen& s, int32_t i, bool on) {
    if (kvtext* t = kvscreen_label(s, i)) kvtext_set_visible(*t, on);
}

void show_counter(kvscreen& s, int32_t i, bool on) {
    if (kvcounter* c = kvscreen_counter(s, i)) kvcounter_set_visible(*c, on);
}

void set_label(kvscreen& s, int32_t i, const std::string& text) {
    if (kvtext* t = kvscreen_label(s, i)) kvtext_set_text(*t, text);
}

void set_colour(kvstatic& p, const float (&c)[4]) {
    kvstatic_set_color(p, c[0], c[1], c[2], c[3]);
}

void set_counter(kvscreen& s, int32_t i, int32_t value, int32_t digits, const float (&c)[4]) {
    kvcounter* counter = kvscreen_counter(s, i);
    if (!counter) return;
    kvcounter_set_value(*counter, value, digits);
    for (int k = 0; k < 4; ++k) counter->colour[k] = c[k];
}

// The bar colour of a value 0..1.
const float (&bar_colour(float value))[4] {
    if (value <= 0.33f) return kRed;
    if (value <= 0.66f) return kYellow;
    return kGreen;
}

// Each pass starts from the soldier the bound camera follows.
being* followed(kvgame& game) {
    game.found_being = game.bound_camera ? game.bound_camera->followed : nullptr;
    return game.found_being;
}

const std::string& base_text(kvgame& game, int32_t number) {
    return server_text(kvgame_server(game), kTextBase, number);
}

std::string base_format(kvgame& game, int32_t number, const std::vector<std::string>& values) {
    return text_format(base_text(game, number), values);
}

int32_t game_flags(kvgame& game) {
    return kvgame_server(game).snapshot.flags;
}

void hud_bar(kvstatic& p, float value, float width, float scale) {
    set_colour(p, bar_colour(value));
    p.width = static_cast<float>(static_cast<int32_t>(value * width));
    kvstatic_set_texture_rect(p, p.texture_rect[0], p.texture_rect[1], p.texture_rect[0] + value * scale,
                              p.texture_rect[3]);
}

// One inventory row: its weapon's picture, name and load strip; the load units it adds.
int32_t hud_draw_inventory_row(kvgame& game, kvscreen& s, being& b, int32_t row, int32_t kind, int32_t load) {
    kvstatic* picture = kvscreen_picture(s, kPictureRowWeapon + row);
    kvtext* name = kvscreen_label(s, kLabelRowName + row);
    kvstatic* strip = kvscreen_picture(s, kPictureRowStrip + row);
    const int32_t weapon = being_weapon_index(b.weapons, kind);
    if (weapon < 0) {
        if (picture) kvstatic_set_visible(*picture, false);
        if (name) kvtext_set_visible(*name, false);
        if (strip) kvstatic_set_visible(*strip, false);
        return 0;
    }
    const int32_t units = being_weapon_amount(b.weapons, kind);
    const bool over = load + units > kCarriedLoadLimit;
    if (picture) {
        kvstatic_set_texture(*picture, std::string("hud_") + being_weapon_name(b.weapons, kind));
        kvstatic_set_visible(*picture, true);
        set_colour(*picture, over ? kOverloaded : kWhite);
    }
    if (name) {
        kvtext_set_text(*name, base_text(game, weapon + 4));
        kvtext_set_visible(*name, true);
    }
    if (strip) {
        kvstatic_set_visible(*strip, units >= 1);
        if (units >= 1) {
            const float left = std::min(0.2f * static_cast<float>(units - 1), 0.8f);
            kvstatic_set_texture_rect(*strip, left, 0.0f, left + 0.2f, 1.0f);
        }
        set_colour(*strip, over ? kPureRed : kPureGreen);
    }
    return units;
}

// Shows the aim mark unless the server's game flags forbid it.
void show_aim_mark(kvgame& game, kvscreen& s, bool visible) {
    if (visible && (game_flags(game) & kGameFlagNoAimMark)) return;
    show_picture(s, kHudAimMark, visible);
}

// The status pass's camera change: a random static camera every few seconds, or the flying camera.
void change_camera(kvgame& game, timer& camera_timer) {
    if (game_flags(game) & kGameFlagFlyingCamera) {
        kvgame_place_flying_camera(game);
        kvgame_select_camera(game, true);
        game.hud.spectator_camera = 1;
        return;
    }
    if (timer_elapsed_seconds(camera_timer) <= kCameraChangeSeconds) return;
    timer_restart(camera_timer);
    kvgame_pick_static_camera(game, -1, 0);
    kvgame_select_camera(game, false);
    game.hud.spectator_camera = 0;
}

// The event messages: the first waiting one after 5 s of the current one, with its sound.
void run_messages(kvgame& game) {
    if (timer_elapsed_ms(game.hud_timer) <= kMessageShowMs) return;
    if (game.hud_events.empty()) {
        game.hud_text.clear();
        return;
    }
    const hud_event first = game.hud_events.front();
    game.hud_events.erase(game.hud_events.begin());
    game.hud_text = base_text(game, first.code);
    snd_play(kernel_get().sound, kMessageChannel, first.name, 0, 0, false);
    timer_restart(game.hud_timer);
}

std::string status_text(kvgame& game, timer& camera_timer) {
    server& srv = kvgame_server(game);
    const net_client& client = srv.client;
    if (client.silence > 1) return base_format(game, 98, {std::to_string(client.silence)});
    being* b = game.found_being;
    const bool follows_local = b && b == game.local_being;
    const player_record* followed_record = b ? being_record(*b) : nullptr;
    std::string text;
    switch (server_game_state(srv)) {
        case kGameWaiting:
            if (client_is_connected(client)) {
                const int32_t result = srv.snapshot.result;
                text = result == 1 ? base_format(game, 95, {"1"}) : base_format(game, 96, {std::to_string(result)});
            }
            if (game_flags(game) & kGameFlagFlyingCamera) {
                game.hud.spectator_camera = 1;
                game.static_camera = nullptr;
                kvgame_place_flying_camera(game);
                kvgame_select_camera(game, true);
            }
            break;
        case kGameOneTeam:
            if (!b || follows_local) {
                text = base_text(game, 92);
            } else {
                text = base_format(game, 93, {followed_record ? followed_record->nick : std::string()});
            }
            game.hud.spectator_camera = 0;
            break;
        case kGameFreeze:
            text = base_format(game, 97, {std::to_string(server_seconds_left(srv))});
            if (!follows_local) change_camera(game, camera_timer);
            break;
        case kGameRunning: {
            run_messages(game);
            text = game.hud_text;
            const player_record* own = server_find_player(srv, game.local_player_id);
            if (own && !player_record_is_active(*own) && text.empty()) {
                text = base_text(game, (own->state & 7) == 0 ? 154 : 94);
                change_camera(game, camera_timer);
            }
            if (!b && game.followed_player && timer_elapsed_ms(game.chase_timer) < kSpectatorShowMs) {
                // The described player is looked up each frame: records come and go.
                if (const player_record* r = server_find_player(srv, *game.followed_player)) {
                    const int32_t kind = r->specialisation;
                    const char* word = kind >= 0 && kind < 4 ? kSpecialisationWords[kind] : "";
                    text = str_format("Name: %s, Health: %d%%, Kind: %s", r->nick.c_str(), r->health, word);
                }
            }
            if (b && !follows_local && text.empty())
                text = base_format(game, 93, {followed_record ? followed_record->nick : std::string()});
            break;
        }
        case kGameReport: {
            const int32_t result = srv.snapshot.result;
            if (result >= 0 && result <= 2) text = base_text(game, 127 + result);
            break;
        }
        case kGameInitial:
        case kGameLevelEnding:
        case kGameMapChange:
            game.hud.spectator_camera = 0;
            break;
        default:
            break;
    }
    return text;
}

// The second pair of labels, the captions of the two statistics lines, by slot; -1 for none.
int32_t caption_label(int32_t slot) {
    switch (slot) {
        case kScreenMenu:
            return 10;
        case kScreenLanList:
        case kScreenBrowser:
            return 16;
        case kScreenHost:
        case kScreenHostFromList:
            return 53;
        case kScreenOptions:
            return 20;
        default:
            return -1;
    }
}

}  // namespace

namespace {
kvgame* bound_game = nullptr;
}  // namespace

void hud_bind_game(kvgame& game) {
    bound_game = &game;
}

void hud_unbind_game(const kvgame& game) {
    if (bound_game == &game) bound_game = nullptr;
}

kvgame* hud_game() {
    if (bound_game) return bound_game;
    server& srv = server_get();
    return arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty);
}

void hud_set_sights(int32_t mode, const std::string& picture_a, const std::string& picture_b) {
    kvgame* game = hud_game();
    if (!game) return;
    kvscreen* s = game_screen(*game);
    if (!s) return;
    if (mode == 0) {
        for (int32_t i = 0; i <= 5; ++i) show_picture(*s, i, false);
        return;
    }
    if (mode != 2 && mode != 4 && mode != 5) {
        for (int32_t i = 0; i <= 1; ++i) {
            if (kvstatic* p = kvscreen_picture(*s, i)) {
                kvstatic_set_texture(*p, picture_a);
                kvstatic_set_texture_rect(*p, 0.0f, 0.01f, 1.0f, 1.0f);
                kvstatic_set_visible(*p, true);
            }
        }
        if (kvstatic* p = kvscreen_picture(*s, 5)) {
            kvstatic_set_texture_rect(*p, 0.0f, 0.01f, 1.0f, 0.01f);
            kvstatic_set_visible(*p, true);
        }
        return;
    }
    being* b = followed(*game);
    if (!b) return;
    const int32_t step = b->sight_step;
    kvstatic* first = kvscreen_picture(*s, 0);
    kvstatic* second = kvscreen_picture(*s, 1);
    if (mode == 4 && step == 2) {
        if (second) {
            kvstatic_set_texture(*second, picture_a);
            kvstatic_set_visible(*second, true);
        }
    } else {
        if (second) kvstatic_set_visible(*second, false);
        if (first) {
            kvstatic_set_texture(*first, picture_b);
            kvstatic_set_visible(*first, !(mode == 4 && step != 1 && step != 3));
        }
    }
    // One-texel strips of the scope picture's edges fill the screen around it.
    const float strips[4][4] = {{0.0f, 0.0f, 0.0f, 1.0f},
                                {1.0f, 0.0f, 1.0f, 1.0f},
                                {0.0f, 0.01f, 1.0f, 0.01f},
                                {0.0f, 0.99f, 1.0f, 0.99f}};
    for (int32_t i = 0; i < 4; ++i) {
        if (kvstatic* p = kvscreen_picture(*s, 2 + i)) {
            kvstatic_set_texture(*p, picture_b);
            kvstatic_set_texture_rect(*p, strips[i][0], strips[i][1], strips[i][2], strips[i][3]);
            kvstatic_set_visible(*p, true);
        }
    }
}

void hud_set_aim_mark_visible(bool visible) {
    kvgame* game = hud_game();
    if (!game) return;
    if (kvscreen* s = game_screen(*game)) show_aim_mark(*game, *s, visible);
}

void hud_toggle_rpg() {
    kvgame* game = hud_game();
    if (game && game->gui.current_slot == kScreenGame) game->hud.rpg = game->hud.rpg ? 0 : 1;
}

void hud_clear_inventory() {
    if (kvgame* game = hud_game()) game->weapon_view = 0;
}

// The skill-level bars keep their switch across levels: only the "Toggle RPG hud" action flips it.
void hud_clear_rpg() {}

void hud_add_message(kvgame& game, int32_t code, const std::string& name) {
    game.hud_events.push_back({code, name});
}

void hud_draw_statistics(kvgame& game) {
    kvscreen* s = gui_current_screen(game);
    if (!s) return;
    gfx& g = kernel_get().graphics;
    const int32_t mode = g.options.rti_dispmode;
    const int32_t caption = caption_label(game.gui.current_slot);
    if (mode >= 0 && mode <= 2) {
        show_label(*s, kLabelRate, mode >= 1);
        show_label(*s, kLabelStatistics, mode == 2);
        if (caption >= 0) {
            show_label(*s, caption, mode != 0);
            show_label(*s, caption + 1, mode != 0);
        }
    }
    hud_state& hud = game.hud;
    const int32_t frame_ms = g.statistics.last_frame_ms;
    if (frame_ms > 0) {
        hud.samples[hud.sample_count++] = frame_ms;
        if (hud.sample_count == kFrameSamples) {
            int64_t sum = 0;
            for (int32_t v : hud.samples) sum += v;
            hud.average_ms = static_cast<float>(sum) / static_cast<float>(kFrameSamples);
            hud.sample_count = 0;
        }
    }
    if (hud.average_ms <= 0.0f) return;
    const float rate = 1000.0f / hud.average_ms;
    hud.frames_per_second = static_cast<int32_t>(rate);
    set_label(*s, kLabelRate, str_format("FPS %.1f (%d)", static_cast<double>(rate), g.rti.elements));
    set_label(*s, kLabelStatistics, gfx_rti_text(g));
}

void hud_draw_weapon(kvgame& game) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    being* b = followed(game);
    if (!b) {
        for (int32_t i = 0; i <= 2; ++i) show_counter(*s, i, false);
        for (int32_t i : {kPictureWeapon, kPictureWeaponFrame, kPictureStateIcon, kHudRadar}) show_picture(*s, i, false);
        show_label(*s, kLabelWeapon, false);
        return;
    }
    show_counter(*s, 0, true);
    show_counter(*s, 1, true);
    for (int32_t i : {kPictureWeapon, kPictureWeaponFrame, kHudRadar}) show_picture(*s, i, true);
    show_label(*s, kLabelWeapon, true);
    if (kvstatic* icon = kvscreen_picture(*s, kPictureStateIcon)) {
        std::string name;
        const bool shown = being_has_state_icon(*b) && being_state_icon(*b, name);
        kvstatic_set_visible(*icon, shown);
        if (shown) kvstatic_set_texture(*icon, name);
    }
    if (kvstatic* picture = kvscreen_picture(*s, kPictureWeapon))
        kvstatic_set_texture(*picture, std::string("hud_") + being_weapon_name(b->weapons, -1));
    const int32_t weapon = being_weapon_index(b->weapons, -1);
    set_label(*s, kLabelWeapon, weapon >= 0 ? base_text(game, weapon + 4) : std::string());
    const int32_t rounds = being_weapon_rounds(b->weapons);
    set_counter(*s, 0, rounds, 3, rounds > 5 ? kPureGreen : kPureRed);
    const int32_t magazines = being_weapon_magazines(b->weapons);
    set_counter(*s, 1, magazines, 1, magazines > 1 ? kPureGreen : kPureRed);
    const int32_t extra = being_weapon_extra_rounds(b->weapons);
    show_counter(*s, 2, extra != 0);
    if (extra != 0) {
        if (kvcounter* c = kvscreen_counter(*s, 2)) kvcounter_set_value(*c, std::abs(extra) - 1, 1);
    }
}

void hud_draw_inventory(kvgame& game) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    being* b = followed(game);
    // The inventory panel shows while the weaponry is open (the "Show weaponry" toggle).
    const bool shown = game.weapon_view != 0 && b;
    show_picture(*s, kPictureInventoryFrame, shown);
    for (int32_t i = 5; i <= 10; ++i) show_label(*s, i, shown);
    for (int32_t i = 14; i <= kPictureLoadLast; ++i) show_picture(*s, i, shown);
    if (!shown) {
        for (int32_t r = 0; r < kInventoryRows; ++r) {
            show_picture(*s, kPictureRowWeapon + r, false);
            show_label(*s, kLabelRowName + r, false);
            show_picture(*s, kPictureRowStrip + r, false);
        }
        return;
    }
    const player_record* r = being_record(*b);
    const std::string nick = r ? r->nick : std::string();
    set_label(*s, 5, nick);
    set_label(*s, 6, nick);
    const int32_t kind = r ? r->specialisation : -1;
    const std::string glyph =
        kind >= 0 && kind < 4 ? str_format("%c", kSpecialisationGlyphs[kind]) : std::string();
    set_label(*s, 7, glyph);
    set_label(*s, 8, glyph);
    const std::string side = str_format("%c", kSideGlyph);
    set_label(*s, 9, side);
    set_label(*s, 10, side);
    if (kvtext* label = kvscreen_label(*s, 10)) {
        const int32_t team = r ? r->team : -1;
        if (team >= 0 && team < 4) kvtext_set_color(*label, kTeamColours[team]);
    }
    int32_t load = 0;
    for (int32_t row = 0; row < kInventoryRows; ++row) load += hud_draw_inventory_row(game, *s, *b, row, row, load);
    for (int32_t i = kPictureLoadLast; i >= kPictureLoadFirst; --i) {
        kvstatic* p = kvscreen_picture(*s, i);
        if (!p) continue;
        if (load > kCarriedLoadLimit) {
            set_colour(*p, kPureRed);
        } else {
            set_colour(*p, kPictureLoadLast - i < load ? kPureGreen : kGaugeOff);
        }
    }
}

void hud_draw_clock(kvgame& game) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    followed(game);
    const int32_t seconds = server_seconds_left(kvgame_server(game));
    if (kvcounter* c = kvscreen_counter(*s, 3)) kvcounter_set_value(*c, seconds / 60, 2);
    if (kvcounter* c = kvscreen_counter(*s, 4)) kvcounter_set_value(*c, seconds % 60, 2);
}

void hud_draw_health(kvgame& game) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    being* b = followed(game);
    show_picture(*s, kPictureHealthFrame, b != nullptr);
    show_picture(*s, kPictureHealth, b != nullptr);
    if (!b) return;
    kvstatic* bar = kvscreen_picture(*s, kPictureHealth);
    if (!bar) return;
    // The record's health comes from the network: the bar never leaves its frame.
    const int32_t h = std::clamp(being_health(*b), 0, 100);
    set_colour(*bar, h <= 33 ? kRed : h <= 66 ? kYellow : kGreen);
    bar->width = static_cast<float>(h * 125 / 100);
    bar->height = 19.0f;
    kvstatic_set_texture_rect(*bar, 0.1f, 0.71875f, 0.1f + 0.008f * static_cast<float>(h), 0.9375f);
}

void hud_draw_bars(kvgame& game) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    being* b = followed(game);
    for (int32_t i = 47; i <= 50; ++i) show_picture(*s, i, b != nullptr);
    if (!b) {
        show_picture(*s, kPictureProgressFrame, false);
        show_picture(*s, kPictureProgress, false);
        return;
    }
    if (kvstatic* p = kvscreen_picture(*s, kPictureSteadiness))
        hud_bar(*p, std::clamp(being_hud_value_inverse(*b), 0.0f, 1.0f), 125.0f, 0.8f);
    if (kvstatic* p = kvscreen_picture(*s, kPictureStamina))
        hud_bar(*p, std::clamp(being_hud_fade(*b), 0.0f, 1.0f), 125.0f, 0.8f);
    const bool progress = b->progress <= -0.00001f || b->progress >= 0.00001f;
    show_picture(*s, kPictureProgressFrame, progress);
    show_picture(*s, kPictureProgress, progress);
    if (progress) {
        if (kvstatic* p = kvscreen_picture(*s, kPictureProgress)) hud_bar(*p, b->progress, 280.0f, 0.9375f);
    }
}

void hud_draw_levels(kvgame& game) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    being* b = followed(game);
    const player_record* r = b ? being_record(*b) : nullptr;
    const bool shown = r && game.hud.rpg;
    for (int32_t i = kPictureLevelsFrame; i < kPictureLevelFirst + kPlayerLevels; ++i) show_picture(*s, i, shown);
    if (!shown) return;
    uint8_t levels[kPlayerLevels];
    player_record_get_counters(*r, levels);
    for (int32_t i = 0; i < kPlayerLevels; ++i) {
        kvstatic* p = kvscreen_picture(*s, kPictureLevelFirst + i);
        if (!p) continue;
        const float v = static_cast<float>(levels[i]) / 255.0f;
        p->width = static_cast<float>(static_cast<int32_t>(v * 125.0f));
        p->height = 13.0f;
        kvstatic_set_texture_rect(*p, 0.1f, 0.71875f, 0.1f + 0.8f * v, 0.9375f);
    }
}

void hud_draw_status(kvgame& game, timer& camera_timer) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    followed(game);
    const std::string text = status_text(game, camera_timer);
    set_label(*s, 2, text);
    set_label(*s, 3, text);
}

void hud_sway_sights(kvgame& game, timer& camera_timer) {
    kvscreen* s = game_screen(game);
    if (!s) return;
    being* b = followed(game);
    if (!b) return;
    hud_state& hud = game.hud;
    kvstatic* pictures[2] = {kvscreen_picture(*s, 0), kvscreen_picture(*s, 1)};
    if (b->sights && !hud.sway_active) {
        for (int i = 0; i < 2; ++i) {
            if (!pictures[i]) continue;
            hud.saved_sights[i][0] = pictures[i]->x;
            hud.saved_sights[i][1] = pictures[i]->y;
            hud.saved_sights[i][2] = pictures[i]->width;
            hud.saved_sights[i][3] = pictures[i]->height;
        }
        show_aim_mark(game, *s, false);
        hud.sway_active = 1;
    } else if (!b->sights && hud.sway_active) {
        for (int i = 0; i < 2; ++i) {
            if (!pictures[i]) continue;
            pictures[i]->x = hud.saved_sights[i][0];
            pictures[i]->y = hud.saved_sights[i][1];
            pictures[i]->width = hud.saved_sights[i][2];
            pictures[i]->height = hud.saved_sights[i][3];
        }
        show_aim_mark(game, *s, true);
        hud.sway_active = 0;
    }
    if (!hud.sway_active) return;
    const int32_t kind = being_weapon_sight_kind(b->weapons);
    if (kind == 2 || kind == 4 || kind == 5) return;
    const float t = static_cast<float>(timer_elapsed_ms(camera_timer));
    const float offsets[2][2] = {{1.5f * std::sin(t / 250.0f), 2.0f * std::sin(t / 150.0f)},
                                 {std::sin(t / 200.0f), std::sin(t / 150.0f) + 1.0f}};
    for (int i = 0; i < 2; ++i) {
        if (!pictures[i]) continue;
        pictures[i]->x = hud.saved_sights[i][0] + offsets[i][0];
        pictures[i]->y = hud.saved_sights[i][1] + offsets[i][1];
        pictures[i]->width = hud.saved_sights[i][2] + offsets[i][0];
        pictures[i]->height = hud.saved_sights[i][3] + offsets[i][1];
    }
}

void hud_draw_passes(kvgame& game, timer& draw_timer) {
    hud_draw_weapon(game);
    hud_draw_inventory(game);
    hud_draw_clock(game);
    hud_draw_health(game);
    hud_draw_bars(game);
    hud_draw_levels(game);
    hud_draw_status(game, draw_timer);
    hud_sway_sights(game, draw_timer);
}

}  // namespace kv
