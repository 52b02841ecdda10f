#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/kvgame_commands.h"
#include "game/player_record.h"
#include "game/server.h"
#include "tests/game/game_test_support.h"
#include "tests/game/kvgame_test_support.h"
#include "ui/gui.h"
#include "ui/kvscreen.h"
#include "ui/widgets/kvstatic.h"

namespace kv {
namespace {

class KvgameCommands : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        kvgame_screenshot_restart();
    }
    void TearDown() override {
        kvgame_screenshot_restart();
        game_test::TearDown();
    }

    int32_t command(const std::string& text) { return kvgame_game_command(srv_, beings_, text); }

    // The player ids of the game object's beings, in its list order.
    std::vector<uint32_t> beings_;
};

TEST_F(KvgameCommands, BAddMakesALocalBotUnderTheLowestFreeId) {
    load_level();
    server_add_local_player(srv_, 2);
    ASSERT_EQ(command("b_add Bob 0 1 3"), 0);
    const player_record* bob = server_find_player(srv_, 1);
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->nick, "Bob");
    EXPECT_EQ(bob->team, 1);
    EXPECT_EQ(bob->spawn_point, 3);
    EXPECT_EQ(bob->specialisation, 0);
    EXPECT_EQ(bob->state, 2);
    EXPECT_EQ(bob->health, 100);
    EXPECT_EQ(bob->driven_here, 1);
    EXPECT_EQ(take_calls("game"), (calls_t{"game event 0"}));

    // Words that are not numbers count as 0; id 2 is held, so the next is 3.
    ASSERT_EQ(command("b_add Ann x y z"), 0);
    const player_record* ann = server_find_player(srv_, 3);
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(ann->team, 0);
    EXPECT_EQ(ann->spawn_point, 0);

    // A team off the three is refused: no record is left behind to hold a bot id.
    clear_log();
    const std::size_t before = srv_.players.size();
    for (const char* line : {"b_add Dan 0 3 1", "b_add Dan 0 -1 1", "b_add Dan 0 7 1"})
        EXPECT_EQ(command(line), 1);
    EXPECT_EQ(srv_.players.size(), before);
    EXPECT_NE(log().find("kvgame: *WARNING* b_add: team 7 out of range, no bot added.\n"), std::string::npos);

    // With every bot id held nothing happens.
    for (uint32_t id = 4; id <= 99; ++id) server_add_local_player(srv_, id);
    const std::size_t players = srv_.players.size();
    take_calls();
    EXPECT_EQ(command("b_add Cid 0 1 1"), 1);
    EXPECT_EQ(srv_.players.size(), players);
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(KvgameCommands, BKillFindsOnlyBotsByTheirExactNick) {
    load_level();
    ASSERT_EQ(command("b_add Bob 0 1 3"), 0);
    ASSERT_EQ(command("b_add Bobby 0 0 1"), 0);
    server_add_local_player(srv_, 100);
    player_record_set_nick(*server_find_player(srv_, 100), "Bob");
    beings_ = {100, 2, 1};
    take_calls();

    // Neither a prefix nor the local player (id 100) is a match; the bot Bob is.
    EXPECT_EQ(command("b_kill Bo"), 1);
    EXPECT_EQ(command("b_kill Bob"), 0);
    EXPECT_EQ(server_find_player(srv_, 1), nullptr);
    EXPECT_NE(server_find_player(srv_, 100), nullptr);
    EXPECT_NE(server_find_player(srv_, 2), nullptr);
    EXPECT_EQ(take_calls("game"), (calls_t{"game event 0"}));
    beings_ = {100, 2};
    EXPECT_EQ(command("b_kill Bob"), 1);

    // A bot without a being is not found either.
    beings_.clear();
    EXPECT_EQ(command("b_kill Bobby"), 1);
}

// The sight commands show on the HUD's overlay: the game screen's pictures 0-5 in a headless game with
// the demo's screens, its camera following the local soldier.
class KvgameCommandsInAGame : public headless_game {};

TEST_F(KvgameCommandsInAGame, SightsAndOtherCommands) {
    test_level shape;
    shape.screens = true;
    kvgame* g = start(shape);
    ASSERT_NE(g, nullptr) << log();
    ASSERT_NE(g->bound_camera, nullptr);
    ASSERT_NE(g->local_being, nullptr);
    gui_show_screen(*g, kScreenGame, false);
    kvbound_camera_attach(*g->bound_camera, g->local_being);
    g->local_being->sight_step = 1;
    ASSERT_NE(g->gui.screens[kScreenGame], nullptr) << log();
    kvscreen& scr = *g->gui.screens[kScreenGame];
    auto picture = [&](int32_t i) -> const kvstatic& { return *kvscreen_picture(scr, i); };
    auto command = [&](const std::string& text) { return kvgame_game_command(srv_, {}, text); };
    // A scope shows picture B and the strips of its edges (pictures 2-5), never picture A.
    auto expect_scope = [&](const std::string& texture) {
        EXPECT_FALSE(picture(1).visible) << texture;
        for (int32_t i : {0, 2, 3, 4, 5}) {
            EXPECT_TRUE(picture(i).visible) << texture << " " << i;
            EXPECT_EQ(picture(i).texture_name, texture) << i;
        }
    };
    EXPECT_EQ(command("g_sights 2 sight-a sight-b"), 0);
    expect_scope("sight-b");
    EXPECT_EQ(command("g_sights 0"), 0);
    for (int32_t i = 0; i <= 5; ++i) EXPECT_FALSE(picture(i).visible) << i;
    // After a change of weapon the overlay follows the same way.
    EXPECT_EQ(command("wpn_sights 5 hud_sghts9 hud_sghts9"), 0);
    expect_scope("hud_sghts9");
    EXPECT_EQ(command("b_list"), -1);
    EXPECT_EQ(command(""), -1);
}

TEST_F(KvgameCommands, ScreenshotsNeverOverwriteAndContinueAfterTheLastFile) {
    folder_.write("write/keep", "");
    const std::string shots = folder_.file("write/snapshots/");

    EXPECT_EQ(kvgame_screenshot(srv_), "scr000.tga");
    EXPECT_EQ(kvgame_screenshot(srv_), "scr001.tga");
    EXPECT_TRUE(std::filesystem::exists(shots + "scr000.tga"));
    EXPECT_TRUE(std::filesystem::exists(shots + "scr001.tga"));

    // A new run starts counting again but skips what is on disk, so the old files stay.
    folder_.write("write/snapshots/scr000.tga", "old");
    kvgame_screenshot_restart();
    EXPECT_EQ(kvgame_screenshot(srv_), "scr002.tga");
    EXPECT_EQ(folder_.read("write/snapshots/scr000.tga"), "old");

    // Gaps are filled, later numbers are skipped.
    folder_.write("write/snapshots/scr004.tga", "old");
    kvgame_screenshot_restart();
    std::filesystem::remove(shots + "scr001.tga");
    EXPECT_EQ(kvgame_screenshot(srv_), "scr001.tga");
    EXPECT_EQ(kvgame_screenshot(srv_), "scr003.tga");
    EXPECT_EQ(kvgame_screenshot(srv_), "scr005.tga");
    EXPECT_EQ(folder_.read("write/snapshots/scr004.tga"), "old");
}

TEST_F(KvgameCommands, ScreenshotsStopAfterScr999) {
    folder_.write("write/snapshots/scr997.tga", "");
    for (int n = 0; n < 997; ++n) folder_.write("write/snapshots/" + str_format("scr%03d.tga", n), "");
    clear_log();
    EXPECT_EQ(kvgame_screenshot(srv_), "scr998.tga");
    EXPECT_EQ(kvgame_screenshot(srv_), "scr999.tga");
    EXPECT_EQ(kvgame_screenshot(srv_), "");
    EXPECT_EQ(kvgame_screenshot(srv_), "");
    EXPECT_FALSE(std::filesystem::exists(folder_.file("write/snapshots/scr1000.tga")));
    EXPECT_EQ(log(),
              "[0s0] kvgame: *WARNING* no screenshot taken: names up to scr999.tga are used.\n"
              "[0s0] kvgame: *WARNING* no screenshot taken: names up to scr999.tga are used.\n");
}

TEST_F(KvgameCommands, AScreenshotWithoutItsFolderIsSkippedWithALogLine) {
    // The write directory itself is missing: the folder cannot be made.
    clear_log();
    EXPECT_EQ(kvgame_screenshot(srv_), "");
    EXPECT_TRUE(take_calls().empty());
    EXPECT_NE(log().find("kvgame: *WARNING* couldn't create the folder"), std::string::npos);
}

}  // namespace
}  // namespace kv
