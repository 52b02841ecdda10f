// The HUD passes on the demo's game screen in a headless training level: colour thresholds, the
// weapon and inventory panels, the statistics lines, event messages, the status line by game state,
// the sights and their sway; then the scores and the briefing screens.

#include "ui/hud.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bots/bot_central.h"
#include "game/kvcamera.h"
#include "game/server_snapshot.h"
#include "net/snapshot_package.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/client_capture.h"
#include "tests/support/fake_textures.h"
#include "tests/support/recording_driver.h"
#include "tests/support/text_tables.h"
#include "ui/briefing.h"
#include "ui/gui.h"
#include "ui/screens.h"
#include "ui/widgets/kvradar.h"

namespace kv {
namespace {

struct rgb {
    float r, g, b;
};

constexpr rgb kBarGreen{27.0f / 255.0f, 210.0f / 255.0f, 27.0f / 255.0f};
constexpr rgb kBarYellow{210.0f / 255.0f, 158.0f / 255.0f, 0.0f};
constexpr rgb kBarRed{219.0f / 255.0f, 47.0f / 255.0f, 17.0f / 255.0f};
constexpr rgb kGreen{0.0f, 1.0f, 0.0f};
constexpr rgb kRed{1.0f, 0.0f, 0.0f};
constexpr rgb kGrey{0.4f, 0.4f, 0.4f};

template <typename Widget>
void expect_colour(const Widget& w, rgb c) {
    EXPECT_FLOAT_EQ(w.colour[0], c.r);
    EXPECT_FLOAT_EQ(w.colour[1], c.g);
    EXPECT_FLOAT_EQ(w.colour[2], c.b);
}

class Hud : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        kvscreen_reset_shared_state();
    }
    void TearDown() override {
        srv_.client.connected = false;
        srv_.client.silence = 0;
        srv_.client.request_result = -1;
        srv_.snapshot = snapshot_package();
        srv_.pending_bot_login.clear();
        kernel_get().graphics.options.rti_dispmode = 0;
        kvscreen_reset_shared_state();
        headless_game::TearDown();
    }

    // The training level with the demo's screens, on the game screen; the bound camera follows the
    // local soldier.
    kvgame* start_game() {
        test_level shape;
        shape.screens = true;
        kvgame* g = start(shape);
        if (!g) return nullptr;
        text_table_fill(srv_, kTextBase,
                        {{4, "Scout"}, {7, "G3"}, {92, "Waiting"}, {93, "Watching %s"}, {94, "Out"},
                         {95, "One more (%d)"}, {96, "%d more"}, {97, "Start in %d"}, {98, "Silent %d s"},
                         {113, "Planted"}, {114, "Defused"}, {115, "Taken"}, {127, "Draw"}, {128, "Blue"},
                         {129, "Red"}, {154, "Pick a side"}});
        gui_show_screen(*g, kScreenGame, false);
        if (g->bound_camera && g->local_being) kvbound_camera_attach(*g->bound_camera, g->local_being);
        return g;
    }
    kvscreen& scr(kvgame& g, int32_t slot = kScreenGame) { return *g.gui.screens[slot]; }
    kvstatic& picture(kvgame& g, int32_t i) { return *kvscreen_picture(scr(g), i); }
    kvtext& label(kvgame& g, int32_t i) { return *kvscreen_label(scr(g), i); }
    kvcounter& counter(kvgame& g, int32_t i) { return *kvscreen_counter(scr(g), i); }
    player_record& own() { return *server_find_player(srv_, kLocalTestPlayer); }

    // Replaces the soldier's weapons: one held slot a row of {weapon, slot kind, weight, rounds,
    // magazines, launcher rounds}; the first is in hand.
    struct slot_row {
        int32_t weapon, kind, weight, rounds, magazines, launcher;
    };
    void arm(being& b, const std::vector<slot_row>& rows) {
        b.weapons = weapon_slots();
        for (const slot_row& r : rows) {
            weapon_slot& s = b.weapons.slots[b.weapons.used++];
            s = weapon_slot{r.weapon, 0, 0, 0, r.rounds, r.magazines, 30, r.launcher, r.kind, r.weight, 1};
        }
    }
    void draw(kvgame& g) { hud_draw_passes(g, *draw_timer(g)); }
    timer* draw_timer(kvgame& g) {
        if (!g.gui.draw_timer) g.gui.draw_timer = std::make_unique<timer>();
        return g.gui.draw_timer.get();
    }
};

TEST_F(Hud, TheGameScreenHasEveryWidgetOfItsRoles) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    kvscreen& s = scr(*g);
    EXPECT_GE(s.pictures.size(), 60u);
    EXPECT_GE(s.labels.size(), 16u);
    EXPECT_GE(s.counters.size(), 5u);
    EXPECT_NE(dynamic_cast<kvradar*>(s.pictures[kHudRadar].get()), nullptr);
    EXPECT_FALSE(s.mltexts.empty());
    g->weapon_view = 1;
    g->hud.rpg = 1;
    g->local_being->progress = 0.5f;
    for (int i = 0; i < 12; ++i) {
        frame();
        draw(*g);
    }
    EXPECT_EQ(log().find("gui: *WARNING*"), std::string::npos) << log();
}

TEST_F(Hud, ColourThresholdsOfHealthRoundsAndMagazines) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    being& b = *g->local_being;
    struct threshold_case {
        int32_t health, rounds, magazines;
        rgb health_colour, rounds_colour, magazines_colour;
        float width;
    };
    const threshold_case cases[] = {
        {34, 6, 2, kBarYellow, kGreen, kGreen, 42.0f},
        {33, 5, 1, kBarRed, kRed, kRed, 41.0f},
        {67, 6, 2, kBarGreen, kGreen, kGreen, 83.0f},
        {66, 5, 1, kBarYellow, kRed, kRed, 82.0f},
        {100, 30, 4, kBarGreen, kGreen, kGreen, 125.0f},
    };
    for (const threshold_case& c : cases) {
        SCOPED_TRACE(c.health);
        own().health = c.health;
        arm(b, {{0, 0, 3, c.rounds, c.magazines, 0}});
        draw(*g);
        expect_colour(picture(*g, 46), c.health_colour);
        EXPECT_FLOAT_EQ(picture(*g, 46).width, c.width);
        EXPECT_FLOAT_EQ(picture(*g, 46).height, 19.0f);
        EXPECT_FLOAT_EQ(picture(*g, 46).texture_rect[2], 0.1f + 0.008f * static_cast<float>(c.health));
        expect_colour(counter(*g, 0), c.rounds_colour);
        expect_colour(counter(*g, 1), c.magazines_colour);
        EXPECT_EQ(counter(*g, 0).digits, str_format("%03d", c.rounds));
    }
    // Drowning's loss shows; the bar never leaves its frame.
    b.drowning_loss = 50;
    own().health = 60;
    draw(*g);
    EXPECT_FLOAT_EQ(picture(*g, 46).width, 12.0f);
    own().health = 900;
    b.drowning_loss = 0;
    draw(*g);
    EXPECT_FLOAT_EQ(picture(*g, 46).width, 125.0f);
}

TEST_F(Hud, WeaponPanelAttachmentAndNoSoldier) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    being& b = *g->local_being;
    arm(b, {{3, 0, 3, 10, 2, -3}});
    draw(*g);
    EXPECT_TRUE(counter(*g, 2).visible);
    EXPECT_EQ(counter(*g, 2).digits, "2");
    EXPECT_EQ(picture(*g, 7).texture_name, "hud_g3");
    EXPECT_EQ(label(*g, 4).text, "G3");
    arm(b, {{3, 0, 3, 10, 2, 0}});
    draw(*g);
    EXPECT_FALSE(counter(*g, 2).visible);
    // The movement-state icon follows the soldier's state.
    b.falling = 0;
    b.movement_state = kStateCrawl;
    draw(*g);
    EXPECT_TRUE(picture(*g, 10).visible);
    EXPECT_EQ(picture(*g, 10).texture_name, "hud_i_crawl");
    b.movement_state = kStateStill;
    draw(*g);
    EXPECT_FALSE(picture(*g, 10).visible);
    // Nobody followed: the panels hide.
    kvbound_camera_attach(*g->bound_camera, nullptr);
    draw(*g);
    for (int32_t i : {7, 8, 10, 12, 45, 46, 47, 48, 49, 50}) EXPECT_FALSE(picture(*g, i).visible) << i;
    for (int32_t i : {0, 1, 2}) EXPECT_FALSE(counter(*g, i).visible) << i;
    EXPECT_FALSE(label(*g, 4).visible);
}

TEST_F(Hud, InventoryRowsAndTheLoadGauge) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    being& b = *g->local_being;
    own().nick = "Ann";
    own().specialisation = 1;
    own().team = 3;
    // Loads 3, 3, 2, 1 and 1 in slot kinds 0-4: rows four and five pass the limit of 8.
    arm(b, {{0, 0, 3, 30, 3, 0}, {29, 1, 3, 12, 2, 0}, {3, 2, 2, 1, 0, 0}, {8, 3, 1, 1, 0, 0}, {22, 4, 1, 1, 0, 0}});
    draw(*g);
    EXPECT_FALSE(picture(*g, 13).visible);  // the toggle is off
    g->weapon_view = 1;
    draw(*g);
    EXPECT_TRUE(picture(*g, 13).visible);
    EXPECT_EQ(label(*g, 5).text, "Ann");
    EXPECT_EQ(label(*g, 7).text, std::string(1, static_cast<char>(29)));
    EXPECT_EQ(label(*g, 9).text, std::string(1, static_cast<char>(26)));
    expect_colour(label(*g, 10), {0.5f, 0.5f, 0.5f});
    const rgb weapon_colours[5] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {0.75f, 0.75f, 0.75f}, {0.75f, 0.75f, 0.75f}};
    const float strip_left[5] = {0.4f, 0.4f, 0.2f, 0.0f, 0.0f};
    for (int r = 0; r < 5; ++r) {
        SCOPED_TRACE(r);
        EXPECT_TRUE(picture(*g, 35 + r).visible);
        expect_colour(picture(*g, 35 + r), weapon_colours[r]);
        expect_colour(picture(*g, 40 + r), r < 3 ? kGreen : kRed);
        EXPECT_FLOAT_EQ(picture(*g, 40 + r).texture_rect[0], strip_left[r]);
        EXPECT_FLOAT_EQ(picture(*g, 40 + r).texture_rect[2], strip_left[r] + 0.2f);
    }
    EXPECT_EQ(picture(*g, 35).texture_name, "hud_m4a1");
    for (int i = 26; i <= 34; ++i) expect_colour(picture(*g, i), kRed);
    // Within the limit the gauge fills from picture 34 down; an empty row hides.
    own().team = 1;
    arm(b, {{0, 0, 3, 30, 3, 0}, {29, 1, 2, 12, 2, 0}});
    draw(*g);
    for (int i = 26; i <= 34; ++i) expect_colour(picture(*g, i), i >= 30 ? kGreen : kGrey);
    EXPECT_FALSE(picture(*g, 37).visible);
    EXPECT_FALSE(label(*g, 13).visible);
    expect_colour(label(*g, 10), {1.0f, 0.0f, 0.0f});
    // A specialisation out of range shows no glyph.
    own().specialisation = 9;
    draw(*g);
    EXPECT_EQ(label(*g, 7).text, "");
}

TEST_F(Hud, StatisticsLinesWaitForTenFrames) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    gfx& gx = kernel_get().graphics;
    gx.options.rti_dispmode = 1;
    gx.statistics.last_frame_ms = 20;
    label(*g, 0).text = "before";
    for (int i = 0; i < 9; ++i) hud_draw_statistics(*g);
    EXPECT_EQ(label(*g, 0).text, "before");
    EXPECT_TRUE(label(*g, 0).visible);
    EXPECT_FALSE(label(*g, 1).visible);
    hud_draw_statistics(*g);
    EXPECT_EQ(label(*g, 0).text.substr(0, 9), "FPS 50.0 ");
    EXPECT_EQ(g->hud.frames_per_second, 50);
    // A frame time of 0 is not a sample.
    gx.statistics.last_frame_ms = 0;
    gx.options.rti_dispmode = 0;
    hud_draw_statistics(*g);
    EXPECT_FALSE(label(*g, 0).visible);
    EXPECT_EQ(g->hud.sample_count, 0);
}

// A bot module's display text takes the statistics line whatever the chosen statistics, and the chosen
// ones come back once it is empty again.
TEST_F(Hud, TheBotHostsDisplayTextTakesTheStatisticsLine) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    gfx& gx = kernel_get().graphics;
    gx.options.rti_dispmode = 2;
    gx.statistics.last_frame_ms = 20;
    BotCentral& bots = bot_central_get();
    bots.display_text = "bot 3: to the bridge";
    for (int i = 0; i < 10; ++i) hud_draw_statistics(*g);
    EXPECT_EQ(label(*g, 1).text, "bot 3: to the bridge");
    bots.display_text.clear();
    for (int i = 0; i < 10; ++i) hud_draw_statistics(*g);
    EXPECT_NE(label(*g, 1).text.find("BOT)"), std::string::npos) << label(*g, 1).text;
}

TEST_F(Hud, MessagesAreShownFiveSecondsApart) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    srv_.snapshot.state = kGameRunning;
    own().state = kSlotPlaying;
    own().team = 0;
    // Each message plays its sound as it shows, on the interface's channel.
    kernel_sound_probe sound(server_get().data_dir,
                             {"goal_bomb_planted", "goal_bomb_defused", "goal_item_taken"});
    clock_.advance_ms(6000);  // a quiet spell: the first message shows at once
    hud_add_message(*g, 113, "goal_bomb_planted");
    hud_add_message(*g, 114, "goal_bomb_defused");
    hud_add_message(*g, 115, "goal_item_taken");
    std::vector<std::string> shown;
    std::vector<std::string> played;
    for (int step = 0; step <= 160; ++step) {
        draw(*g);
        for (const std::string& entry : sound.take()) played.push_back(entry);
        const std::string& text = label(*g, 2).text;
        if (shown.empty() || shown.back() != text) shown.push_back(text);
        EXPECT_EQ(label(*g, 3).text, text);
        if (step == 1) {
            EXPECT_EQ(g->hud_events.size(), 2u);
        }
        clock_.advance_ms(100);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Planted", "Defused", "Taken", ""}));
    EXPECT_EQ(played, (std::vector<std::string>{"1 goal_bomb_planted 0 0", "1 goal_bomb_defused 0 0",
                                                "1 goal_item_taken 0 0"}));
}

TEST_F(Hud, StatusLineByGameState) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    net_client& client = srv_.client;
    client.connected = true;
    struct status_case {
        int32_t state, result;
        const char* text;
    };
    const status_case cases[] = {
        {kGameWaiting, 1, "One more (1)"}, {kGameWaiting, 3, "3 more"}, {kGameOneTeam, 0, "Waiting"},
        {kGameReport, 0, "Draw"},          {kGameReport, 2, "Red"},     {kGameReport, 7, ""},
    };
    for (const status_case& c : cases) {
        srv_.snapshot.state = c.state;
        srv_.snapshot.result = c.result;
        draw(*g);
        EXPECT_EQ(label(*g, 2).text, c.text) << c.state << " " << c.result;
    }
    srv_.snapshot.state = kGameFreeze;
    server_set_clock(srv_, 7);
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "Start in 7");
    // Two seconds of silence replace every other text.
    client.silence = 2;
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "Silent 2 s");
    client.silence = 1;
    // Out of the round: "Pick a side" for state 0, else 94.
    srv_.snapshot.state = kGameRunning;
    own().state = 0;
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "Pick a side");
    own().state = kSlotDead;
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "Out");
    // A spectator that just moved to a player reads about it for one second.
    kvbound_camera_attach(*g->bound_camera, nullptr);
    own().state = kSlotPlaying;
    own().team = 0;
    player_record& other = srv_.players.emplace_back(7);
    other.nick = "Bob";
    other.health = 80;
    other.specialisation = 2;
    g->followed_player = 7;
    timer_restart(g->chase_timer);
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "Name: Bob, Health: 80%, Kind: sniper");
    other.specialisation = 7;
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "Name: Bob, Health: 80%, Kind: ");
    clock_.advance_ms(1000);
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "");
    // The record is gone: nothing is read from it.
    srv_.players.pop_back();
    timer_restart(g->chase_timer);
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "");
}

TEST_F(Hud, StatusTextsAreFormattedSafely) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    srv_.text_tables[kTextBase].entries[98] = "%n%x%s%s";
    srv_.client.silence = 4;
    draw(*g);
    EXPECT_EQ(label(*g, 2).text, "%n%x4");
}

TEST_F(Hud, SightsAndTheirSway) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    being& b = *g->local_being;
    // The game's command reaches the overlay: iron sights.
    EXPECT_EQ(kvgame_run_game_command(*g, "g_sights 1 hud_sight hud_scope"), 0);
    EXPECT_EQ(picture(*g, 0).texture_name, "hud_sight");
    EXPECT_TRUE(picture(*g, 1).visible);
    EXPECT_FLOAT_EQ(picture(*g, 5).texture_rect[1], 0.01f);
    EXPECT_FLOAT_EQ(picture(*g, 5).texture_rect[3], 0.01f);
    // A scope: the scope picture and one-texel strips of its edges.
    b.sight_step = 1;
    hud_set_sights(2, "hud_sight", "hud_scope");
    EXPECT_TRUE(picture(*g, 0).visible);
    EXPECT_EQ(picture(*g, 0).texture_name, "hud_scope");
    EXPECT_FALSE(picture(*g, 1).visible);
    const float strips[4][4] = {{0, 0, 0, 1}, {1, 0, 1, 1}, {0, 0.01f, 1, 0.01f}, {0, 0.99f, 1, 0.99f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(picture(*g, 2 + i).visible);
        EXPECT_EQ(picture(*g, 2 + i).texture_name, "hud_scope");
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(picture(*g, 2 + i).texture_rect[k], strips[i][k]) << i;
    }
    // The two-step scope: step 2 shows picture A on picture 1; step 0 hides the scope picture.
    b.sight_step = 2;
    hud_set_sights(4, "hud_sight", "hud_scope");
    EXPECT_TRUE(picture(*g, 1).visible);
    b.sight_step = 0;
    hud_set_sights(4, "hud_sight", "hud_scope");
    EXPECT_FALSE(picture(*g, 0).visible);
    EXPECT_FALSE(picture(*g, 1).visible);
    hud_set_sights(0, "", "");
    for (int i = 0; i <= 5; ++i) EXPECT_FALSE(picture(*g, i).visible) << i;
    // Aiming with iron sights: the aim mark hides and pictures 0 and 1 sway about where they were.
    hud_set_sights(1, "hud_sight", "hud_scope");
    const kvstatic rest = picture(*g, 0);
    arm(b, {{0, 0, 3, 30, 3, 0}});
    b.sights = 1;
    timer& t = *draw_timer(*g);
    timer_restart(t);
    clock_.advance_ms(400);
    hud_sway_sights(*g, t);
    EXPECT_FALSE(picture(*g, kHudAimMark).visible);
    const float a = 1.5f * std::sin(400.0f / 250.0f);
    EXPECT_NEAR(picture(*g, 0).x, rest.x + a, 1e-3);
    EXPECT_NEAR(picture(*g, 0).width, rest.width + a, 1e-3);
    EXPECT_NEAR(picture(*g, 0).y, rest.y + 2.0f * std::sin(400.0f / 150.0f), 1e-3);
    b.sights = 0;
    hud_sway_sights(*g, t);
    EXPECT_FLOAT_EQ(picture(*g, 0).x, rest.x);
    EXPECT_TRUE(picture(*g, kHudAimMark).visible);
    // The server's flag keeps the aim mark hidden; hiding always works.
    srv_.snapshot.flags = 2;
    hud_set_aim_mark_visible(false);
    hud_set_aim_mark_visible(true);
    EXPECT_FALSE(picture(*g, kHudAimMark).visible);
    srv_.snapshot.flags = 0;
    EXPECT_EQ(kvgame_game_event(*g, 0x801), 1);
    EXPECT_TRUE(picture(*g, kHudAimMark).visible);
    // Off the game screen nothing changes.
    gui_show_screen(*g, kScreenQuit, false);
    hud_set_aim_mark_visible(false);
    EXPECT_TRUE(picture(*g, kHudAimMark).visible);
}

TEST_F(Hud, LevelBarsWithTheRpgToggle) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    const uint8_t levels[kPlayerLevels] = {255, 128, 0, 51, 1, 2};
    player_record_set_counters(own(), levels);
    draw(*g);
    EXPECT_FALSE(picture(*g, 51).visible);
    hud_toggle_rpg();
    draw(*g);
    EXPECT_TRUE(picture(*g, 51).visible);
    EXPECT_FLOAT_EQ(picture(*g, 52).width, 125.0f);
    EXPECT_FLOAT_EQ(picture(*g, 53).width, 62.0f);
    EXPECT_FLOAT_EQ(picture(*g, 55).width, 25.0f);
    EXPECT_FLOAT_EQ(picture(*g, 52).texture_rect[2], 0.9f);
    hud_toggle_rpg();
    draw(*g);
    EXPECT_FALSE(picture(*g, 52).visible);
}

TEST_F(Hud, TheGameScreenDrawsTheClockAndTheHealthBar) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    gfx& gx = kernel_get().graphics;
    std::unique_ptr<gfx_driver> made = std::make_unique<recording_driver>();
    auto* driver = static_cast<recording_driver*>(made.get());
    std::swap(gx.driver, made);
    for (const char* name : {"hud_bar", tools::kDigits}) fake_texture_add(gx, name);
    own().health = 50;
    server_set_clock(srv_, 125);
    arm(*g->local_being, {{0, 0, 3, 30, 3, 0}});
    draw(*g);
    driver->calls.clear();
    kvscreen_draw(scr(*g));
    std::vector<std::string> bars, digits;
    for (const std::string& call : driver->take_calls()) {
        if (call.starts_with("draw_quad_uv_tinted hud_bar")) bars.push_back(call);
        if (call.starts_with("draw_quad_uv_tinted kvDigits")) digits.push_back(call);
    }
    std::swap(gx.driver, made);
    // The health bar: half its width, yellow, cut to the lit half of the picture.
    ASSERT_FALSE(bars.empty());
    EXPECT_NE(bars.front().find("| 25 934 62 19 | 0.1 0.71875 0.5 0.9375"), std::string::npos) << bars.front();
    // Rounds (3 digits), magazines (1), minutes and seconds (2 each): 02 and 05.
    ASSERT_EQ(digits.size(), 8u);
    EXPECT_EQ(digits[0], "draw_quad_uv_tinted kvDigits 0 1 0 | 825 940 20 26 | 0 0 0.1 1");
    const std::vector<std::string> clock(digits.begin() + 4, digits.end());
    EXPECT_EQ(clock, (std::vector<std::string>{"draw_quad_uv_tinted kvDigits 1 1 1 | 450 20 22 28 | 0 0 0.1 1",
                                                "draw_quad_uv_tinted kvDigits 1 1 1 | 472 20 22 28 | 0.2 0 0.3 1",
                                                "draw_quad_uv_tinted kvDigits 1 1 1 | 506 20 22 28 | 0 0 0.1 1",
                                                "draw_quad_uv_tinted kvDigits 1 1 1 | 528 20 22 28 | 0.5 0 0.6 1"}));
}

// Scores.

TEST_F(Hud, ScoresRowsLevelsAndMarkup) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    client_capture_connect(srv_.client);
    // Six slots, two of them without a side; one whose record is gone.
    const int32_t teams[6] = {0, 3, 1, 3, 2, 1};
    for (int i = 0; i < 6; ++i) {
        player_slot s;
        s.id = static_cast<uint32_t>(200 + i);
        s.team = teams[i];
        s.state = i == 2 ? kSlotDead : kSlotPlaying;
        s.counters[0] = 3 * i;
        s.counters[1] = i;
        s.ping = 40 + i;
        srv_.snapshot.slots.push_back(s);
        if (i == 5) continue;
        player_record& r = srv_.players.emplace_back(s.id);
        r.nick = "p" + std::to_string(i);
        r.specialisation = i % 4;
        r.levels[0] = 255;
        r.levels[1] = 128;
    }
    gui_show_screen(*g, kScreenScores, false);
    scores_draw(*g);
    kvselection& list = *kvscreen_selection(scr(*g, kScreenScores), 0);
    ASSERT_EQ(list.rows.size(), 6u);
    const auto cell = [&](int row, int column) {
        const auto& cells = list.rows[static_cast<std::size_t>(row)].cells;
        return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)].text
                                                              : std::string();
    };
    EXPECT_EQ(cell(0, 0), str_format("/c1/c/fgui_font01/f%c %c", 26, 29));
    EXPECT_EQ(cell(0, 1), "/c255/c/fgui_font02/fp0");
    EXPECT_EQ(cell(0, 2), "000 / 000 - 100 50 00 00 00 00");
    EXPECT_EQ(cell(0, 3), "40");
    EXPECT_EQ(cell(0, 4), "");
    EXPECT_EQ(cell(1, 0), str_format("/c4/c/fgui_font01/f%c %c", 26, 28));
    EXPECT_EQ(cell(1, 4), str_format("/c4/c/fgui_font01/f%c", 134));
    EXPECT_EQ(cell(2, 1), "/c255/c/fgui_font02/fp4");
    // The slot without a record keeps its row empty; the last two rows are left over.
    for (int row = 3; row < 6; ++row) {
        for (int column = 0; column < 5; ++column) EXPECT_EQ(cell(row, column), "") << row << " " << column;
    }
    // Not connected: the list stays as it was.
    srv_.client.connected = false;
    srv_.snapshot.slots.clear();
    scores_draw(*g);
    EXPECT_EQ(list.rows.size(), 6u);
}

// Briefing.

TEST_F(Hud, PreviewNamesForValidIndicesOnly) {
    struct preview_case {
        bool wide;
        int32_t side, second, soldier;
        const char* name;
    };
    const preview_case cases[] = {
        {false, 1, 0, 0, "gui_p_blues1"}, {false, 3, 3, 4, "gui_p_blacks5"}, {true, 2, 1, 2, "gui_pw_reds3"},
        {false, 0, 0, 0, ""},             {false, 4, 0, 0, ""},              {false, 1, 4, 0, ""},
        {false, 1, -1, 0, ""},            {false, 1, 0, 5, ""},              {false, 2, 0, -1, ""},
    };
    for (const preview_case& c : cases) {
        EXPECT_EQ(briefing_preview_name(c.wide, c.side, c.second, c.soldier), c.name)
            << c.side << " " << c.second << " " << c.soldier;
    }
}

TEST_F(Hud, BriefingSendsTheJoinOnlyWithASide) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    client_capture_connect(srv_.client);
    gui_show_screen(*g, kScreenBriefing, false);
    briefing_draw(*g, 1, *draw_timer(*g));
    kvscreen& s = scr(*g, kScreenBriefing);
    ASSERT_EQ(kvscreen_roll(s, 0)->items.size(), 4u);
    ASSERT_EQ(kvscreen_roll(s, 2)->items.size(), 5u);
    // No side yet: nothing is sent.
    gui_handle_event(*g, 0);
    EXPECT_TRUE(client_capture_take(srv_.client).empty());
    EXPECT_EQ(g->gui.current_slot, kScreenBriefing);
    kvroll_select(*kvscreen_roll(s, 0), 2);
    kvroll_select(*kvscreen_roll(s, 1), 1);
    kvroll_select(*kvscreen_roll(s, 2), 3);
    srv_.text_tables[kTextMap].entries = {"", "Blue's task", "Red's task", "Black's task"};
    briefing_draw(*g, 1, *draw_timer(*g));
    EXPECT_EQ(kvscreen_picture(s, 0)->texture_name, "gui_p_reds4");
    ASSERT_FALSE(kvscreen_mltext(s, 0)->lines.empty());
    EXPECT_EQ(kvscreen_mltext(s, 0)->lines[0], "Red's task");
    // Roll events are not joins.
    gui_handle_event(*g, 1001);
    EXPECT_TRUE(client_capture_take(srv_.client).empty());
    g->briefing.wide = 1;
    gui_handle_event(*g, 0);
    EXPECT_EQ(client_capture_take(srv_.client), (std::vector<std::string>{"command join 100 1 1 103 0"}));
    EXPECT_EQ(g->briefing.side, 2);
    EXPECT_EQ(g->gui.current_slot, kScreenBriefing2);
}

TEST_F(Hud, SecondBriefingWaitsForTheAnswer) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    for (const bool bots : {false, true}) {
        SCOPED_TRACE(bots);
        client_capture_connect(srv_.client);
        srv_.pending_bot_login = bots ? "2001 0000 0000" : "";
        gui_show_screen(*g, kScreenBriefing2, false);
        srv_.client.request_result = -1;
        gui_step(*g, 16);
        EXPECT_EQ(g->gui.step_state, kJoinAwaitAnswer);
        srv_.client.request_result = 1;
        gui_step(*g, 16);
        std::vector<std::string> sent = client_capture_take(srv_.client);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), "say 100 0 0 #join");
        if (bots) {
            EXPECT_EQ(sent.back(), "command blogin 2001 0000 0000");
            EXPECT_TRUE(srv_.pending_bot_login.empty());
            EXPECT_EQ(g->gui.step_state, kJoinAwaitBots);
            srv_.client.request_result = -1;
            gui_step(*g, 16);
            EXPECT_EQ(g->gui.step_state, kJoinAwaitBots);
            srv_.client.request_result = 0;
            gui_step(*g, 16);
        }
        EXPECT_EQ(g->gui.step_state, kJoinEnter);
        gui_step(*g, 16);
        EXPECT_EQ(g->gui.current_slot, kScreenGame);
    }
    // Refused: the player stays on the screen.
    gui_show_screen(*g, kScreenBriefing2, false);
    srv_.client.request_result = 0;
    gui_step(*g, 16);
    gui_step(*g, 16);
    EXPECT_EQ(g->gui.step_state, kJoinRefused);
    EXPECT_EQ(g->gui.current_slot, kScreenBriefing2);
}

TEST_F(Hud, EnteringTheGameAsSoldierOrSpectator) {
    kvgame* g = start_game();
    ASSERT_NE(g, nullptr) << log();
    gui_show_screen(*g, kScreenBriefing, false);
    kvbound_camera_attach(*g->bound_camera, nullptr);
    gui_handle_event(*g, 1);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    EXPECT_EQ(g->bound_camera->followed, g->local_being);
    // Without a soldier and without a side: a spectator on the game screen.
    gui_show_screen(*g, kScreenBriefing, false);
    g->local_being = nullptr;
    own().team = kNoTeam;
    g->followed_player = 7;
    gui_handle_event(*g, 1);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    EXPECT_EQ(g->bound_camera->followed, nullptr);
    EXPECT_FALSE(g->followed_player.has_value());
    // The button reads "Resume" once the player has a side.
    srv_.text_tables[kTextBase].entries.resize(112);
    srv_.text_tables[kTextBase].entries[78] = "Watch";
    srv_.text_tables[kTextBase].entries[111] = "Resume";
    gui_show_screen(*g, kScreenBriefing, false);
    EXPECT_EQ(kvscreen_button(scr(*g, kScreenBriefing), 1)->label.text, "Watch");
    own().team = 1;
    gui_show_screen(*g, kScreenBriefing, false);
    EXPECT_EQ(kvscreen_button(scr(*g, kScreenBriefing), 1)->label.text, "Resume");
}

}  // namespace
}  // namespace kv
