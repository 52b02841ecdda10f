#include "game/kvgame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "beings/being_game.h"
#include "game/game_events.h"
#include "game/player_record.h"
#include "game/server_snapshot.h"
#include "platform/random.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/client_capture.h"
#include "tests/support/input_fake.h"
#include "data/package.h"
#include "ui/gui.h"
#include "ui/kvscreen.h"
#include "ui/input/input.h"
#include "ui/widgets.h"
#include "util/placement.h"

namespace kv {
namespace {

bool has(const calls_t& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

player_slot slot_of(uint32_t id, int32_t team, int32_t spawn = 0, int32_t specialisation = 0,
                    int32_t skin = 0) {
    player_slot s;
    s.id = id;
    s.name = "p" + std::to_string(id);
    s.team = team;
    s.spawn = spawn;
    s.specialisation = specialisation;
    s.skin = skin;
    s.state = kSlotPlaying;
    s.health = 100;
    return s;
}

class KvGame : public headless_game {};

TEST_F(KvGame, LocalTestGameMakesAndSpawnsRamboAfterTheFirstRunningTick) {
    kvgame* g = start(test_level(), kLoadRequestMenu, 1);
    ASSERT_NE(g, nullptr) << log();
    EXPECT_EQ(g->state, kGameObjectLoading);
    EXPECT_TRUE(g->players.empty());
    frame();
    EXPECT_EQ(g->state, kGameObjectRunning);
    EXPECT_EQ(g->game_level, 1);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    EXPECT_EQ(g->local_player_id, kLocalTestPlayer);
    const player_record* r = server_find_player(srv_, kLocalTestPlayer);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nick, "Rambo");
    EXPECT_EQ(r->team, 0);
    EXPECT_EQ(r->spawn_point, 1);
    EXPECT_EQ(r->driven_here, 1);
    ASSERT_EQ(g->players.size(), 1u);
    being* rambo = g->players[0].get();
    EXPECT_EQ(rambo->name, "pid100");
    EXPECT_EQ(g->local_being, rambo);
    EXPECT_EQ(kvgame_local_being(*g), rambo);
    EXPECT_EQ(g->current_camera, g->bound_camera);
    EXPECT_EQ(rambo->view_flags & kBeingThirdPerson, 0u);  // first person behind the bound camera
    // Spawned at "sp1" (x 10, angle 90: facing +x) in the room.
    const vec3 at = being_position(*rambo);
    EXPECT_FLOAT_EQ(at.x, 10.0f);
    EXPECT_NEAR(mat4_row2(rambo->place.transform).x, 1.0f, 1e-6f);
    EXPECT_NE(rambo->place.sector, nullptr);
    EXPECT_EQ(log().find("*FATAL*"), std::string::npos) << log();

    // The running frame ticks the being driven here: it empties its record's command queue.
    player_record* own = server_find_player(srv_, kLocalTestPlayer);
    own->commands.push_back(1);
    frame();
    EXPECT_TRUE(own->commands.empty());
    EXPECT_NE(rambo->held & kHoldForward, 0u);
}

TEST_F(KvGame, ModelsAndWeaponsFollowTheTeamSpecialisationAndSkin) {
    kvgame* g = start();
    test_call_log().calls.clear();
    srv_.log_level = 1;                                // bare soldiers are reported
    kvgame_init_player(*g, "pid7", 2, 1, 101, -1, 7);  // skin 101 is skin 1
    // The models are looked up by these names (no such package here: each lookup is reported).
    EXPECT_NE(log().find("teams:red-sn"), std::string::npos) << log();
    EXPECT_NE(log().find("teams:spetz2-sn"), std::string::npos);
    EXPECT_NE(log().find("beings:hands-spetz2"), std::string::npos);
    being* pid7 = kvgame_find_being_by_name(*g, "pid7");
    ASSERT_NE(pid7, nullptr);
    EXPECT_EQ(pid7->weapons.slots[0].weapon, 29);  // the kit after the emptying
    EXPECT_GE(being_find_weapon_slot(pid7->weapons, kWeaponHands, false), 0);
    int handhelds = 0;
    for (int32_t i = 0; i < pid7->weapons.used; ++i) handhelds += pid7->weapons.slots[i].weapon == 61;
    EXPECT_EQ(handhelds, 1);

    // Out of range: no soldier for team 5 or specialisation 4; skin 7 becomes skin 0.
    test_call_log().calls.clear();
    kvgame_init_player(*g, "pid8", 0, 5, 0, -1, 8);
    kvgame_init_player(*g, "pid9", 4, 0, 0, -1, 9);
    EXPECT_EQ(kvgame_find_being_by_name(*g, "pid8"), nullptr);
    EXPECT_EQ(kvgame_find_being_by_name(*g, "pid9"), nullptr);
    kvgame_init_player(*g, "pid10", 0, 2, 7, -1, 10);
    EXPECT_NE(log().find("teams:merc-s"), std::string::npos);
    EXPECT_NE(log().find("kvgame: *WARNING* player pid8 has team 5"), std::string::npos);
    EXPECT_NE(log().find("kvgame: *WARNING* player pid10 has skin 7; skin 0 taken."), std::string::npos);
}

TEST_F(KvGame, ShowScoresSavesTheScreenOnceAndRestoresItOnRelease) {
    test_level shape;
    shape.screens = true;
    kvgame* g = start(shape);
    ASSERT_NE(g, nullptr) << log();
    EXPECT_EQ(arty_factory_post_key_down(srv_.factory, 24), 0);
    EXPECT_EQ(g->gui.current_slot, kScreenScores);
    EXPECT_EQ(g->saved_screen, kScreenGame);
    arty_factory_post_key_down(srv_.factory, 24);
    EXPECT_EQ(g->saved_screen, kScreenGame);
    g->local_being->sights = 1;
    test_call_log().calls.clear();
    arty_factory_post_key_up(srv_.factory, 24);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    EXPECT_EQ(g->saved_screen, kNoSavedScreen);
    // Then the key goes on to the bound camera, which offers it to the being it rides on: its sights
    // go down, and the HUD's overlay (the game screen's pictures 0-5) with them, also when no screen
    // is restored that would hide it.
    EXPECT_EQ(g->local_being->sights, 0);
    ASSERT_NE(g->gui.screens[kScreenGame], nullptr) << log();
    kvscreen& game_screen = *g->gui.screens[kScreenGame];
    g->local_being->sights = 1;
    for (int32_t i = 0; i <= 5; ++i) kvstatic_set_visible(*kvscreen_picture(game_screen, i), true);
    arty_factory_post_key_up(srv_.factory, 24);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    EXPECT_EQ(g->local_being->sights, 0);
    for (int32_t i = 0; i <= 5; ++i) EXPECT_FALSE(kvscreen_picture(game_screen, i)->visible) << i;
}

TEST_F(KvGame, QuitLeavesTheBeingForAStaticCameraEvenWithoutOneOfTeamZero) {
    kvgame* g = start();  // the only static camera has mode 1
    being* rambo = g->local_being;
    EXPECT_EQ(arty_factory_post_key_down(srv_.factory, kInputQuit), 1);
    EXPECT_EQ(g->gui.current_slot, kScreenQuit);
    EXPECT_EQ(g->bound_camera->followed, nullptr);
    ASSERT_NE(g->static_camera, nullptr);
    EXPECT_EQ(g->static_camera->mode, 1);
    EXPECT_EQ(g->current_camera, g->static_camera);
    EXPECT_EQ(g->bound_camera->frozen, 1);
    EXPECT_EQ(rambo->movement_state, kStateReset);  // inputs released
    EXPECT_EQ(rambo->held, 0u);
    EXPECT_NE(log().find("kvgame: *WARNING* no static camera of mode 0; taking another static camera.\n"),
              std::string::npos);
    EXPECT_EQ(g->local_being, rambo);
}

TEST_F(KvGame, WithoutStaticCamerasTheBoundCameraStaysCurrent) {
    test_level shape;
    shape.static_camera_modes.clear();
    kvgame* g = start(shape);
    EXPECT_FALSE(kvgame_pick_static_camera(*g, -1, 0));
    kvgame_select_camera(*g, false);
    EXPECT_EQ(g->current_camera, g->bound_camera);
}

// The pick draws over every "scam" camera until one of the wanted mode comes up: the camera, and
// the place it leaves the random sequence at, are the ones of that loop on the same sequence.
TEST_F(KvGame, TheRandomStaticCameraIsTheFirstDrawOfTheWantedMode) {
    test_level shape;
    shape.static_camera_modes = {1, 0, 1, 0, 2};
    kvgame* g = start(shape);
    std::vector<kvstatic_camera*> cameras;
    for (arty_id id : arty_factory_list_ids_by_prefix(srv_.factory, "scam"))
        cameras.push_back(arty_factory_find_as<kvstatic_camera>(srv_.factory, id));
    ASSERT_EQ(cameras.size(), 5u);
    int redraws = 0;
    for (const uint32_t seed : {1u, 2u, 7u, 12345u, 0xDEADBEEFu}) {
        for (const int32_t team : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", mode " << team);
            uint32_t state = seed;
            const auto next = [&state] {
                state = state * 214013u + 2531011u;
                return static_cast<int64_t>((state >> 16) & 0x7FFF);
            };
            kvstatic_camera* expected = nullptr;
            for (int draws = 0; !expected || expected->mode != team; ++draws) {
                expected = cameras[static_cast<std::size_t>(next() * 5 / 32768)];
                if (draws > 0) ++redraws;
            }
            kv_srand(seed);
            ASSERT_TRUE(kvgame_pick_static_camera(*g, -1, team));
            EXPECT_EQ(g->static_camera, expected);
            EXPECT_EQ(kv_rand(), next());
        }
    }
    // The table holds draws that had to be repeated.
    EXPECT_GT(redraws, 0);
    EXPECT_FALSE(kvgame_pick_static_camera(*g, 0, 0));
    EXPECT_EQ(g->static_camera, nullptr);
}

// Without a camera of the wanted mode the draw would never end: the first static camera is taken
// and no random number is drawn.
TEST_F(KvGame, WithoutACameraOfTheModeTheFirstIsTakenWithoutADraw) {
    test_level shape;
    shape.static_camera_modes = {2, 1, 2};
    kvgame* g = start(shape);
    const std::vector<arty_id> ids = arty_factory_list_ids_by_prefix(srv_.factory, "scam");
    ASSERT_EQ(ids.size(), 3u);
    kv_srand(99);
    const int first_number = kv_rand();
    kv_srand(99);
    ASSERT_TRUE(kvgame_pick_static_camera(*g, -1, 0));
    EXPECT_EQ(g->static_camera, arty_factory_find_as<kvstatic_camera>(srv_.factory, ids[0]));
    EXPECT_EQ(kv_rand(), first_number);
    EXPECT_NE(log().find("kvgame: *WARNING* no static camera of mode 0; taking another static camera.\n"),
              std::string::npos);
}

TEST_F(KvGame, ChangeTeamShowsTheBriefingAndIsNotPassedOn) {
    kvgame* g = start();
    being* rambo = g->local_being;
    EXPECT_EQ(arty_factory_post_key_down(srv_.factory, 27), 0);
    EXPECT_EQ(g->gui.current_slot, kScreenBriefing);
    EXPECT_EQ(g->bound_camera->followed, nullptr);
    EXPECT_NE(rambo->view_flags & kBeingThirdPerson, 0u);
    EXPECT_EQ(g->current_camera, g->static_camera);
    // While the briefing shows, binding the local player is ignored.
    kvgame_bind_local_player(*g, "pid100");
    EXPECT_EQ(g->bound_camera->followed, nullptr);
}

TEST_F(KvGame, MenuLevelIgnoresQuitControlsAndChangeTeamAndOrbitsTheCableCamera) {
    test_level shape;
    shape.title = "Menu";
    kvgame* g = start(shape, 0);
    EXPECT_EQ(g->game_level, 0);
    EXPECT_EQ(g->gui.current_slot, kScreenMenu);
    EXPECT_EQ(g->current_camera, g->cable_camera);
    EXPECT_EQ(g->cable_camera->frozen, 0);
    EXPECT_EQ(g->bound_camera->frozen, 1);
    for (int32_t code : {kInputQuit, 23, 27}) EXPECT_EQ(kvgame_key(*g, true, code), 0);
    EXPECT_EQ(g->gui.current_slot, kScreenMenu);

    // A title that only begins with "Menu" is a game level.
    test_level other;
    other.title = "Menus";
    srv_.level_loaded = 0;
    kvgame* g2 = start(other, 0);
    EXPECT_EQ(g2->game_level, 1);
    EXPECT_EQ(g2->gui.current_slot, kScreenGame);
}

TEST_F(KvGame, SnapshotPlayersGetSoldiersAndLoseThemWhenGone) {
    kvgame* g = start();
    srv_.snapshot.state = kGameRunning;
    snapshot_package s;
    s.name = "training";
    s.state = kGameRunning;
    player_slot local = slot_of(kLocalTestPlayer, 0, 1);
    local.name = "Rambo";
    s.slots = {local, slot_of(7, 1, 0, 2), slot_of(8, 3), slot_of(9, 1, 12)};
    game_snapshot_update(srv_, s);
    ASSERT_NE(kvgame_find_player(*g, 7), nullptr);
    EXPECT_EQ(kvgame_find_player(*g, 8), nullptr);  // team 3: no being
    // A remote player whose spawn point is missing stays unspawned; the game goes on.
    ASSERT_NE(kvgame_find_player(*g, 9), nullptr);
    EXPECT_NE(log().find("kvgame: *ERROR* couldn't find spawn point 12 for player pid9\n"),
              std::string::npos);
    EXPECT_TRUE(kernel_get().running);

    s.slots = {local, slot_of(9, 1, 12)};
    game_snapshot_update(srv_, s);
    EXPECT_EQ(kvgame_find_player(*g, 7), nullptr);
    EXPECT_NE(kvgame_find_player(*g, kLocalTestPlayer), nullptr);
    EXPECT_EQ(g->local_being, kvgame_find_player(*g, kLocalTestPlayer));
}

TEST_F(KvGame, AMissingSpawnPointForAPlayerDrivenHereDoesNotStopTheProgram) {
    kvgame* g = start();
    // The game server names spawn point 12 for the local player; the level has only 0 and 1.
    snapshot_package s;
    s.name = "training";
    s.state = kGameRunning;
    player_slot local = slot_of(kLocalTestPlayer, 0, 12);
    local.state = kSlotFrozen;
    s.slots = {local};
    server_find_player(srv_, kLocalTestPlayer)->state = kSlotPlaying;
    game_snapshot_update(srv_, s);
    EXPECT_TRUE(kernel_get().running);
    EXPECT_NE(log().find("kvgame: *ERROR* couldn't find spawn point 12 for player pid100\n"),
              std::string::npos);
    EXPECT_EQ(log().find("*FATAL*"), std::string::npos) << log();
    // A bot added with a spawn point the level lacks is made all the same, unspawned.
    EXPECT_EQ(kvgame_run_game_command(*g, "b_add Zed 0 1 7"), 0);
    EXPECT_TRUE(kernel_get().running);
    EXPECT_NE(kvgame_find_player(*g, 1), nullptr);
    EXPECT_NE(log().find("couldn't find spawn point 7 for player pid1\n"), std::string::npos);
    frame();
    EXPECT_EQ(g->state, kGameObjectRunning);
}

TEST_F(KvGame, TheSpectatorFollowsPlayersByIdAndWrapsOnce) {
    kvgame* g = start();
    for (uint32_t id : {7u, 8u, 9u}) player_init(srv_, slot_of(id, id == 8 ? 1 : 0));
    server_purge_players(srv_);
    kvbound_camera_detach(*g->bound_camera);
    kvgame_follow_next_player(*g, true);
    EXPECT_EQ(g->followed_player, kLocalTestPlayer);
    kvgame_follow_next_player(*g, true);
    EXPECT_EQ(g->followed_player, 7u);
    kvgame_follow_next_player(*g, true);
    EXPECT_EQ(g->followed_player, 9u);  // 8 is on the other team
    kvgame_follow_next_player(*g, true);
    EXPECT_EQ(g->followed_player, kLocalTestPlayer);
    // The followed player leaves: the id stays valid to compare, the walk starts over.
    kvgame_follow_next_player(*g, false);
    EXPECT_EQ(g->followed_player, 7u);
    server_mark_players_left(srv_);
    player_init(srv_, slot_of(kLocalTestPlayer, 0, 1));
    server_purge_players(srv_);
    kvgame_follow_next_player(*g, false);
    EXPECT_EQ(g->followed_player, kLocalTestPlayer);
}

TEST_F(KvGame, CarryingTheTakeItemIntoTheDeliveryZoneReportsTheGoalOnce) {
    kvgame* g = start();
    ASSERT_EQ(g->goals.size(), 2u);
    ASSERT_EQ(g->doors.size(), 1u);
    srv_.hosting = 1;
    srv_.snapshot.state = kGameRunning;
    client_capture_connect(srv_.client);
    const auto sent = [this](const std::string& prefix) {
        calls_t picked;
        for (const std::string& line : client_capture_take(srv_.client))
            if (line.starts_with(prefix)) picked.push_back(line);
        return picked;
    };
    dropped_weapon_reset_serials();
    frame();
    EXPECT_EQ(sent("drop"), (calls_t{"drop 1 0"}));
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    const dropped_weapon& item = *srv_.dropped_weapons.front();
    EXPECT_EQ(std::vector<int32_t>(item.values, item.values + 3), (std::vector<int32_t>{62, 1, 0}));
    EXPECT_EQ(item.model_name, "kvbase:case");
    EXPECT_NE(item.in_sector, nullptr);
    being* rambo = g->local_being;
    EXPECT_EQ(kvgame_goal_take(*g, kGoalItemMessage, 1, *rambo), 1);
    EXPECT_EQ(g->goals[1]->holders, (std::vector<int32_t>{100}));
    frame();
    EXPECT_TRUE(has(sent("goal"), "goal done 1 0"));

    const zero_gravity still;
    placement_set(rambo->place, {150.0f, 0.0f, 150.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
    g->hud_events.clear();
    for (int i = 0; i < 3; ++i) frame();
    ASSERT_EQ(g->hud_events.size(), 1u);
    EXPECT_EQ(g->hud_events[0].code, 124);
    EXPECT_EQ(g->hud_events[0].name, "goal_blue_deliv");
    EXPECT_EQ(sent("goal"), (calls_t{"goal done 2 0"}));
    EXPECT_EQ(g->goals[1]->winning_player, 100);

    // A new round resets the goals and the doors; the item is dropped once more.
    g->doors[0]->angle = 1.0f;
    g->doors[0]->moving = 1;
    EXPECT_EQ(arty_factory_post_event(srv_.factory, kGameEventNewRound), 1);
    EXPECT_EQ(g->goals[1]->done, 0);
    EXPECT_EQ(g->doors[0]->angle, 0.0f);
    EXPECT_EQ(g->doors[0]->moving, 0);
    frame();
    frame();
    EXPECT_EQ(sent("drop").size(), 1u);
}

TEST_F(KvGame, AFatalOpeningStopsTheKernelAndStaysInStateZero) {
    test_level shape;
    shape.bound_camera = false;
    kvgame* g = start(shape, kLoadRequestMenu, 5);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->state, kGameObjectOpening);
    EXPECT_FALSE(kernel_get().running);
    const std::string line = "kvgame: *FATAL* couldn't open camera `cam'.\n";
    const std::string text = log();
    EXPECT_NE(text.find(line), std::string::npos);
    EXPECT_EQ(text.find(line), text.rfind(line));
    EXPECT_TRUE(g->players.empty());
}

TEST_F(KvGame, EventsAimMarkAndUnknown) {
    kvgame* g = start();
    test_call_log().calls.clear();
    EXPECT_EQ(kvgame_game_event(*g, 0x801), 1);
    EXPECT_EQ(kvgame_game_event(*g, 0x800), 1);
    EXPECT_EQ(kvgame_game_event(*g, 0x803), 1);
    EXPECT_EQ(kvgame_game_event(*g, 99), 0);
    player_record* own = server_find_player(srv_, kLocalTestPlayer);
    own->state_record.position = vec3{};
    EXPECT_EQ(kvgame_game_event(*g, kGameEventStep), 1);
    EXPECT_FLOAT_EQ(own->state_record.position.x, being_position(*g->local_being).x);
}

TEST_F(KvGame, ChangingLevelShowsTheLoadingLabelAndNamesThePackage) {
    kvgame* g = start();
    arty_description loading_desc;
    loading_desc.instance_name = "loading_scr";
    kvscreen loading(srv_.factory, loading_desc);
    loading.labels.resize(1);
    g->gui.screens[kScreenLoading] = &loading;
    arty_factory_post_command_text(srv_.factory, kGameCommandChangeLevel, "harbour");
    EXPECT_EQ(g->gui.current_slot, kScreenLoading);
    EXPECT_EQ(srv_.game_package, "harbour");
    // The base text table has no entry 75: the empty text.
    EXPECT_EQ(loading.labels[0].text, " harbour...");
    g->gui.screens[kScreenLoading] = nullptr;
}

TEST_F(KvGame, AChangeToANameOutsideTheMapsFolderIsRefused) {
    kvgame* g = start();
    for (const std::string name : {"../../../etc/passwd", "/dev/zero", "maps\\x", "..", "dm1\nx"}) {
        clear_log();
        test_call_log().calls.clear();
        arty_factory_post_command_text(srv_.factory, kGameCommandChangeLevel, name);
        EXPECT_EQ(srv_.game_package, "training") << name;
        EXPECT_EQ(g->gui.current_slot, kScreenGame) << name;
        EXPECT_NE(log().find("kvgame: *WARNING* change to level `"), std::string::npos) << name;
        EXPECT_NE(log().find("' refused: not a map name.\n"), std::string::npos) << name;
    }
    EXPECT_NE(log().find("`dm1?x'"), std::string::npos);  // control bytes do not reach the log
    // The game server's snapshot naming such a map changes nothing either, and asks only once.
    clear_log();
    srv_.map_follow_latch = 0;
    srv_.snapshot.name = "../training";
    frame();
    frame();
    EXPECT_EQ(srv_.game_package, "training");
    EXPECT_EQ(g->state, kGameObjectRunning);
    const std::string text = log();
    const std::string line = "kvgame: *WARNING* change to level `../training' refused: not a map name.\n";
    const std::size_t first = text.find(line);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find(line, first + 1), std::string::npos) << text;
}

TEST_F(KvGame, TheMessagePanelRunsOnTheGameScreensWidgets) {
    kernel_sound_probe sound(srv_.data_dir, {"rvkv33"});
    kvgame* g = start();
    fake_input_scope keyboard(kernel_get().input_layer);
    ASSERT_EQ(g->gui.current_slot, kScreenGame);
    // Screens with just the widgets the panel and the scores use.
    arty_description game_desc;
    game_desc.instance_name = "game_scr";
    arty_description scores_desc;
    scores_desc.instance_name = "scores_scr";
    kvscreen game_screen(srv_.factory, game_desc);
    kvscreen scores_screen(srv_.factory, scores_desc);
    for (int i = 0; i < 10; ++i) game_screen.pictures.push_back(std::make_unique<kvstatic>());
    game_screen.mltexts.resize(1);
    kvselection_desc scores_list;  // wide enough for the five columns
    scores_list.list[2] = 1000.0f;
    scores_screen.selections.assign(1, kvselection(scores_list));
    srv_.text_tables[kTextBase].entries = {"Radio 1\n", "Radio 2\n",
                                           "Radio 3\n1.  Cover me\n2.  Hold\n3.  Go go go\n"};
    srv_.text_tables[kTextKeys].entries.resize(22);
    srv_.snapshot.flags = 2;  // no aim mark

    gui_build_screens(*g);
    g->gui.screens[kScreenGame] = &game_screen;
    g->gui.screens[kScreenScores] = &scores_screen;
    kvgame_message_list_init(*g);
    const kvstatic& panel = *game_screen.pictures[kPanelPicture];
    const kvstatic& aim = *game_screen.pictures[kAimMarkPicture];
    const kvmltext& label = game_screen.mltexts[kPanelLabel];
    EXPECT_EQ(scores_screen.selections[kScoresList].columns.size(), 5u);
    EXPECT_EQ(aim.x, 436.0f);
    EXPECT_FALSE(aim.visible);
    EXPECT_FALSE(panel.visible);
    EXPECT_FALSE(label.visible);

    // "Send message", then the typed keys reach the entry one per frame through the game screen's step.
    arty_factory_post_key_down(srv_.factory, kActionSendMessage);
    EXPECT_TRUE(panel.visible);
    EXPECT_TRUE(label.visible);
    EXPECT_TRUE(kernel_get().input_layer.text_entry);
    for (int32_t key : {int32_t{'h'}, int32_t{'i'}, kKeyEnter}) input_post_event(key);
    test_call_log().calls.clear();
    client_capture_connect(srv_.client);
    for (int i = 0; i < 3; ++i) frame();
    calls_t said;
    for (const std::string& line : client_capture_take(srv_.client))
        if (line.starts_with("say")) said.push_back(line);
    EXPECT_EQ(said, (calls_t{"say 100 1 0 hi"}));
    EXPECT_EQ(g->messages.entry_mode, kEntryClosed);
    EXPECT_FALSE(kernel_get().input_layer.text_entry);

    // The server's chat and radio records come back as lines of the panel.
    arty_factory_post_command_texts(srv_.factory, 1, "Bob", "hello");
    arty_factory_post_command_int_text(srv_.factory, 2, 23, "Ann");
    EXPECT_EQ(sound.take(), (calls_t{"1 rvkv33 0 0"}));
    EXPECT_EQ(g->messages.lines[0], "(Bob) hello");
    EXPECT_EQ(g->messages.lines[1], "(Ann) Go go go");
    EXPECT_TRUE(kvmltext_text(label).starts_with("(Bob) hello\n(Ann) Go go go\n"));

    // Closing the panel and a new round.
    arty_factory_post_key_down(srv_.factory, kActionShowComhud);
    EXPECT_FALSE(panel.visible);
    arty_factory_post_event(srv_.factory, 6);
    EXPECT_EQ(g->messages.lines[0], "");
    EXPECT_EQ(kvmltext_text(label), "\n\n\n\n\n\n\n\n\n\n");
    g->gui.screens[kScreenGame] = g->gui.screens[kScreenScores] = nullptr;
}

TEST_F(KvGame, LeavingTheLevelWithChatOpenGivesTheKeysBackToActions) {
    kvgame* g = start();
    fake_input_scope keyboard(kernel_get().input_layer);
    arty_factory_post_key_down(srv_.factory, kActionSendMessage);
    ASSERT_TRUE(kernel_get().input_layer.text_entry);
    arty_factory_post_command_text(srv_.factory, kGameCommandChangeLevel, "harbour");
    EXPECT_EQ(g->gui.current_slot, kScreenLoading);
    EXPECT_EQ(g->messages.comhud, 0);
    EXPECT_EQ(g->messages.entry_mode, kEntryClosed);
    EXPECT_FALSE(kernel_get().input_layer.text_entry);
}

TEST_F(KvGame, LevelObjectsSeeThePlayersBeings) {
    kvgame* g = start();
    const game_players* players = arty_factory_find_by_name_as<game_players>(srv_.factory, "game");
    ASSERT_NE(players, nullptr);
    ASSERT_EQ(g->players.size(), 1u);
    EXPECT_EQ(players->player_at(0), g->players[0].get());
    EXPECT_EQ(players->player_at(1), nullptr);
}

// The weaponry opens while the countdown that starts with the freeze runs, not for the whole round.
TEST_F(KvGame, TheWeaponryOpensOnlyWhileTheEndCountdownRuns) {
    kvgame* g = start();
    srv_.snapshot.state = kGameRunning;
    srv_.seconds_left = 100;
    srv_.end_countdown = 0;
    kvgame_key(*g, true, 47);
    EXPECT_EQ(g->weapon_view, 0);
    srv_.end_countdown = 10;
    kvgame_key(*g, true, 47);
    EXPECT_EQ(g->weapon_view, 1);
    // When the level ends (keys are ignored then) the frame closes it.
    srv_.snapshot.state = kGameLevelEnding;
    frame();
    EXPECT_EQ(g->weapon_view, 0);
}

TEST(KvGameTables, SpecialisationRows) {
    EXPECT_TRUE(kvgame_spec_allows_weapon(1, 1, 22));
    EXPECT_TRUE(kvgame_spec_allows_weapon(2, 3, 61));
    EXPECT_FALSE(kvgame_spec_allows_weapon(0, 0, -1));
    EXPECT_FALSE(kvgame_spec_allows_weapon(3, 0, 0));
    EXPECT_TRUE(kvgame_spec_kit_has_weapon(0, 1, 61));
    EXPECT_FALSE(kvgame_spec_kit_has_weapon(0, 1, 0));
    EXPECT_EQ(kvgame_spec_kit_counts(2, 3)[1], 1);
    EXPECT_EQ(kvgame_spec_kit_counts(0, 4), nullptr);
    EXPECT_EQ(kvgame_spec_allowed_weapons(0, 1).size(), 22u);
}

}  // namespace
}  // namespace kv
