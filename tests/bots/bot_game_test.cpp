// Bots in the game: creation, player events, think and the "b_" console, with two test modules.

#include <gmock/gmock.h>

#include <cstring>

#include "gfx/gfx.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "tests/bots/bot_test_support.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/support/recording_driver.h"

namespace kv {
namespace {

using ::testing::HasSubstr;
using calls_list = std::vector<std::string>;

class BotGame : public bot_test {
protected:
    void SetUp() override {
        bot_test::SetUp();
        add_module("alpha", "a.kvb");
        add_module("beta", "b.kvb");
        add_config();
        start();
        calls();
    }
};

TEST_F(BotGame, NewPlayersGetABotPerModuleAndEveryoneHearsOfThem) {
    add_player(5, "ann");
    botc_add_player(*host_, 5, 1);
    EXPECT_EQ(calls(), (calls_list{"alpha create 1 default.cfg", "alpha attach 1 5", "alpha player_added 1 5",
                                   "beta create 1 default.cfg", "beta attach 1 5", "beta player_added 1 5"}));
    add_player(6, "bob");
    botc_add_player(*host_, 6, 0);
    EXPECT_EQ(calls(), (calls_list{"alpha create 0 default.cfg", "alpha attach 2 6", "alpha player_added 2 5",
                                   "alpha player_added 2 6", "beta create 0 default.cfg", "beta attach 2 6",
                                   "beta player_added 2 5", "beta player_added 2 6", "alpha player_added 1 6",
                                   "beta player_added 1 6"}));
    ASSERT_EQ(host_->bots.size(), 4u);
    EXPECT_EQ(host_->bots[2].player_name, "bob");
    EXPECT_EQ(host_->bots[2].config_file, "default.cfg");

    botc_remove_player(*host_, 5);
    EXPECT_EQ(calls(), (calls_list{"alpha player_removed 2 5", "beta player_removed 2 5", "alpha destroy 1",
                                   "beta destroy 1"}));
    EXPECT_EQ(host_->bots.size(), 2u);

    botc_player_event_3(*host_, 6);
    botc_notify_player_bots(*host_, 6);
    botc_round_end(*host_, 2);
    EXPECT_EQ(calls(), (calls_list{"alpha event_3 2 6", "beta event_3 2 6", "alpha notice 2", "beta notice 2",
                                   "alpha round_end 2", "beta round_end 2"}));

    // A level start ends the bots and the debug shapes.
    host_->lines.resize(2);
    botc_level_start(*host_, "depot");
    EXPECT_EQ(calls(), (calls_list{"alpha destroy 2", "beta destroy 2", "alpha level_start depot",
                                   "beta level_start depot"}));
    EXPECT_TRUE(host_->bots.empty());
    EXPECT_TRUE(host_->lines.empty());
}

TEST_F(BotGame, ThinkAppliesActiveBotsOnly) {
    player_record& ann = add_player(5, "ann");
    player_record& bob = add_player(6, "bob");
    botc_add_player(*host_, 5, 1);
    botc_add_player(*host_, 6, 0);
    calls();
    kvbot_command_record record{};
    record.count = 200;  // more than the record holds
    for (int i = 0; i < KVBOT_MAX_CODES; ++i) record.codes[i] = static_cast<int16_t>(i + 1);
    record.view[0] = 12;
    record.view[1] = -3;
    module_export<void (*)(const kvbot_command_record*)>(0, "kvbot_test_set_think")(&record);
    ann.pending_yaw = bob.pending_yaw = 99;
    botc_think(*host_);
    EXPECT_EQ(calls(), (calls_list{"alpha begin_frame", "beta begin_frame", "alpha think 1 1 0",
                                   "beta think 1 1 0", "alpha think 2 1 0", "beta think 2 1 0",
                                   "alpha frame_step 0", "beta frame_step 0", "alpha frame_step 1",
                                   "beta frame_step 1", "alpha frame_step 2", "beta frame_step 2"}));
    // Without a soldier the codes are not queued; the view values are set.
    EXPECT_TRUE(ann.commands.empty());
    EXPECT_EQ(ann.pending_yaw, 0);   // beta's untouched record came last: view values 0
    EXPECT_EQ(bob.pending_yaw, 99);  // not active
    host_->bots[1].active = 0;
    botc_think(*host_);
    EXPECT_EQ(ann.pending_yaw, 12);
    EXPECT_EQ(ann.pending_pitch, -3);
}

TEST_F(BotGame, DisabledHostDoesNothing) {
    add_player(5, "ann");
    botc_enable(*host_, false);
    botc_add_player(*host_, 5, 1);
    botc_think(*host_);
    botc_round_start(*host_);
    EXPECT_EQ(botc_console_command(*host_, "activate ann"), 0);
    EXPECT_TRUE(calls().empty());
    EXPECT_FALSE(host_->round_running);
}

TEST_F(BotGame, FailedCreationIsLoggedAndLeavesNoBot) {
    std::filesystem::remove_all(bot_dir());
    std::filesystem::create_directories(bot_dir());
    add_module("fails", "f.kvb");
    add_module("empty", "e.kvb");
    host_ = std::make_unique<BotCentral>();
    host_->world = &srv_;
    start();
    host_->log_level = 0;
    add_player(5, "ann");
    clear_log();
    botc_add_player(*host_, 5, 1);
    EXPECT_TRUE(host_->bots.empty());
    // Both: the one whose create failed and the one without a create slot.
    const std::string text = log();
    const std::string line = "Bot creation error: config=default.cfg";
    EXPECT_NE(text.find(line), text.rfind(line)) << text;
}

struct console_case {
    const char* text;
    int32_t result;
    calls_list calls;
    const char* log;  // a line the log shows, or ""
};

TEST_F(BotGame, ConsoleCommands) {
    add_player(5, "ann");
    add_player(6, "bo b");
    botc_add_player(*host_, 5, 0);
    calls();
    host_->log_level = 0;
    const console_case cases[] = {
        {"", 2, {}, ""},
        {"   ", 2, {}, ""},
        {"activate", 0, {}, "[botc] syntax: b_activate <player_name> [bot_family_name]\n"},
        {"deactivate", 0, {}, "[botc] syntax: b_deactivate <player_name> [bot_family_name]\n"},
        {"activate nobody", 1, {}, "[botc] player 'nobody' not found\n"},
        {"activate ann nosuch", 1, {}, "[botc] bot family 'nosuch' not found\n"},
        {"activate ann beta", 0, {"beta set_active 1 1"}, ""},
        {"activate \"ann\"", 0, {"alpha set_active 1 1", "beta set_active 1 1"}, ""},
        {"deactivate 'ann' alpha", 0, {"alpha set_active 1 0"}, ""},
        {"goto", 0, {}, ""},
        {"goto nobody", 1, {}, "[botc] player 'nobody' not found\n"},
        {"goto ann", 0, {"alpha console 1 goto (null)", "beta console 1 goto (null)"}, ""},
        {"goto ann 1 2  3", 0, {"alpha console 1 goto 1 2  3", "beta console 1 goto 1 2  3"}, ""},
    };
    for (const console_case& c : cases) {
        SCOPED_TRACE(c.text);
        clear_log();
        EXPECT_EQ(botc_console_command(*host_, c.text), c.result);
        EXPECT_EQ(calls(), c.calls);
        if (*c.log) {
            EXPECT_THAT(log(), HasSubstr(c.log));
        }
    }
    EXPECT_EQ(host_->bots[0].active, 0);
    EXPECT_EQ(host_->bots[1].active, 1);
    // A module that knows the command (or answers null) gives 2.
    module_export<void (*)(const char*)>(1, "kvbot_test_set_answer")("done");
    EXPECT_EQ(botc_console_command(*host_, "goto ann"), 2);
    module_export<void (*)(const char*)>(1, "kvbot_test_set_answer")(nullptr);
    EXPECT_EQ(botc_console_command(*host_, "goto ann"), 2);
}

TEST_F(BotGame, EventEntryReachesThePlayersBotsThroughTheConsoleSlot) {
    add_player(5, "ann");
    botc_add_player(*host_, 5, 0);
    calls();
    entry<kvbot_event_fn>(KVBOT_E_EVENT)(5, "hello");
    entry<kvbot_event_fn>(KVBOT_E_EVENT)(6, "nobody");
    EXPECT_EQ(calls(), (calls_list{"alpha console 1 event hello", "beta console 1 event hello"}));
    bot_game_event e;
    e.goal = 3;
    e.position.z = 2.5f;
    botc_broadcast_event(*host_, 1, e);
    botc_radio_message(*host_, 5, 4);
    EXPECT_EQ(calls(), (calls_list{"alpha game_event 1 3 -1 -1 2.5", "beta game_event 1 3 -1 -1 2.5",
                                   "alpha radio 5 4", "beta radio 5 4"}));
}

TEST_F(BotGame, DebugShapesAreDrawnEvenWhileDisabled) {
    gfx& g = kernel_get().graphics;
    scoped_texture_data textures(srv_.data_dir);
    write_plain_textures(folder_, "data/", {"gui_font02"});
    scoped_recording_driver recorder(g);
    recording_driver& driver = *recorder;
    // The drawing calls, without the matrix uploads.
    auto drawn = [&driver] {
        std::vector<std::string> calls;
        for (const std::string& call : driver.take_calls()) {
            if (call.starts_with("draw_text"))
                calls.push_back(call.substr(0, call.find('|', call.find('|') + 1) + 1));
            else if (call.starts_with("set_colour") || call.starts_with("draw_line"))
                calls.push_back(call);
        }
        return calls;
    };
    const float from[3] = {1, 2, 3};
    const float to[3] = {4, 5, 6};
    const float point[3] = {10, 20, 30};
    const float ahead[3] = {0, 0, 500};
    const float screen[3] = {30, 40, 0};
    const uint8_t red[3] = {255, 0, 0};
    const uint8_t green[3] = {0, 255, 0};
    const uint8_t blue[3] = {0, 0, 255};
    entry<kvbot_line_add_fn>(KVBOT_E_LINE_ADD)(from, to, red, 0);
    entry<kvbot_line_add_fn>(KVBOT_E_LINE_ADD)(to, from, red, 0);
    entry<kvbot_free_fn>(KVBOT_E_LINE_FREE)(1);
    entry<kvbot_point_add_fn>(KVBOT_E_POINT_ADD)(point, green, 2);
    entry<kvbot_text_add_fn>(KVBOT_E_TEXT_ADD)(ahead, "in the world", blue, 2);
    entry<kvbot_text_add_fn>(KVBOT_E_TEXT_ADD)(screen, "on the screen", red, 1);
    entry<kvbot_text_add_fn>(KVBOT_E_TEXT_ADD)(screen, "flags 3", green, 3);
    botc_enable(*host_, false);
    bot_debug_draw(*host_, 0);
    // A point is three 20-unit lines; only the world text draws from a viewport.
    EXPECT_EQ(drawn(), (std::vector<std::string>{
                           "set_colour 1 0 0", "draw_line 1 2 3 4 5 6", "set_colour 0 1 0",
                           "draw_line 0 20 30 20 20 30", "set_colour 0 1 0", "draw_line 10 10 30 10 30 30",
                           "set_colour 0 1 0", "draw_line 10 20 20 10 20 40",
                           "draw_text gui_font02 0 0 1 | 1000 1000 10 22 |"}));
    // The overlay pass draws no lines, the world text again and the other texts at their screen places.
    bot_debug_draw(*host_, 1);
    EXPECT_EQ(drawn(), (std::vector<std::string>{"draw_text gui_font02 0 0 1 | 1000 1000 10 22 |",
                                                 "draw_text gui_font02 1 0 0 | 30 40 10 22 |",
                                                 "draw_text gui_font02 0 1 0 | 30 40 10 22 |"}));
    gfx_texture_list_clear(g);
}

}  // namespace
}  // namespace kv
