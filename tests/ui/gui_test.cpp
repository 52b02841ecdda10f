// The screen manager and the screens it runs, on the demo's screens in a headless menu level: the slots,
// switching, music, event stages, the main menu with its banner and start-ups, and the loading,
// controls, quit and options screens.

#include "ui/gui.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/kvcamera.h"
#include "kernel/option_registry.h"
#include "net/dedicated_start.h"
#include "net/snapshot_package.h"
#include "sound/sound_system.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/support/input_fake.h"
#include "ui/input/input.h"

namespace kv {
namespace {

class Gui : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        kvscreen_reset_shared_state();
        input& in = kernel_get().input_layer;
        saved_bindings_ = in.bindings;
        saved_sensitivity_ = in.mouse_sensitivity;
        saved_invert_ = in.mouse_invert;
        saved_volume_ = kernel_get().sound.global_volume;
        saved_write_dir_ = srv_.write_dir;
        srv_.write_dir = srv_.data_dir + "write/";
        std::filesystem::create_directories(srv_.write_dir);
    }
    // The texts the screens show (the level's load reads the tables anew).
    void set_texts() {
        srv_.text_tables[kTextMenu].entries = tools::menu_texts();
        std::vector<std::string>& base = srv_.text_tables[kTextBase].entries;
        base.assign(120, "");
        base[73] = "Controls";
        base[74] = "Loading...";
        base[110] = "Leave?";
        base[111] = "Resume";
        base[112] = "Leave the game";
    }
    void TearDown() override {
        input& in = kernel_get().input_layer;
        in.bindings = saved_bindings_;
        in.mouse_sensitivity = saved_sensitivity_;
        in.mouse_invert = saved_invert_;
        kernel_get().sound.global_volume = saved_volume_;
        srv_.write_dir = saved_write_dir_;
        srv_.developer = 0;
        srv_.join_nick.clear();
        dedicated_start_get() = dedicated_start();
        kvscreen_reset_shared_state();
        headless_game::TearDown();
    }

    // The menu level with the demo's screens, the music facade recorded: `music_fails` names the
    // files that cannot be played.
    kvgame* start_menu(const std::string& title = "Menu") {
        test_level shape;
        shape.title = title;
        shape.screens = true;
        kvgame* g = start(shape, title == "Menu" ? 0 : kLoadRequestMenu);
        if (!g) return nullptr;
        set_texts();
        // The pointers rest where no widget is.
        for (kvscreen* screen : g->gui.screens) {
            if (screen) screen->cursor_x = screen->cursor_y = 0;
        }
        gui_show_screen(*g, g->gui.current_slot, false);
        g->gui.music.is_playing = [this] { return music_on_; };
        g->gui.music.play = [this](const std::string& name, bool loop) {
            played_.push_back(name + (loop ? " loop" : ""));
            music_on_ = music_fails_.empty() || name.find(music_fails_) == std::string::npos;
            return music_on_;
        };
        return g;
    }
    static kvtext& label(kvscreen* s, int32_t i) { return *kvscreen_label(*s, i); }
    static kvbutton& button(kvscreen* s, int32_t i) { return *kvscreen_button(*s, i); }
    static kvstatic& picture(kvscreen* s, int32_t i) { return *kvscreen_picture(*s, i); }

    bool music_on_ = false;
    std::string music_fails_;
    std::vector<std::string> played_;

private:
    std::vector<key_binding> saved_bindings_;
    float saved_sensitivity_ = 0.0f;
    uint8_t saved_invert_ = 0;
    float saved_volume_ = 1.0f;
    std::string saved_write_dir_;
};

TEST_F(Gui, TheSlotsTakeTheLevelsScreensByName) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr) << log();
    const char* names[kScreenSlots] = {"menu_scr",     "loading_scr", "game_scr",     "mplayer_scr",
                                       "briefing_scr", "scores_scr",  "controls_scr", "briefing2_scr",
                                       "host_scr",     "mplayer_scr", "options_scr",  "host_scr",
                                       "quit_scr"};
    for (int slot = 0; slot < kScreenSlots; ++slot) {
        ASSERT_NE(g->gui.screens[slot], nullptr) << slot;
        EXPECT_EQ(g->gui.screens[slot]->name, names[slot]) << slot;
    }
    EXPECT_EQ(g->gui.screens[3], g->gui.screens[9]);
    EXPECT_EQ(g->gui.screens[8], g->gui.screens[11]);
    // The menu level opens the main menu; no warning for any widget the screens address.
    EXPECT_EQ(g->gui.current_slot, kScreenMenu);
    EXPECT_TRUE(g->gui.screens[kScreenMenu]->active);
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(log().find("gui: *WARNING*"), std::string::npos) << log();
}

TEST_F(Gui, SwitchingKeepsThePreviousSlotAndSetsThePointer) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    gui_state& gui = g->gui;
    gui.step_state = 5;
    gui.screens[kScreenMenu]->cursor_x = 123;
    gui.screens[kScreenMenu]->cursor_y = 456;
    gui_show_screen(*g, kScreenQuit, true);
    EXPECT_EQ(gui.previous_slot, kScreenMenu);
    EXPECT_EQ(gui.current_slot, kScreenQuit);
    EXPECT_EQ(gui.step_state, 0);
    EXPECT_EQ(gui.screens[kScreenQuit]->cursor_x, 123);
    EXPECT_EQ(gui.screens[kScreenQuit]->cursor_y, 456);
    gui.screens[kScreenLoading]->cursor_x = 321;
    gui_show_screen(*g, kScreenLoading, false);
    EXPECT_EQ(gui.screens[kScreenLoading]->cursor_x, 321);
    // Slots outside 0-12 change nothing.
    for (int32_t slot : {-1, 13, 1000}) {
        gui_show_screen(*g, slot, true);
        EXPECT_EQ(gui.current_slot, kScreenLoading);
        EXPECT_EQ(gui.previous_slot, kScreenQuit);
    }
    // The pointer is on for the menus and off for the loading, game, controls and second briefing.
    const bool on[kScreenSlots] = {true,  false, false, true, true, true, false,
                                   false, true,  true,  true, true, true};
    for (int slot = 0; slot < kScreenSlots; ++slot) {
        gui_show_screen(*g, slot, false);
        EXPECT_EQ(gui.screens[slot]->active != 0, on[slot]) << slot;
    }
    // The host screen's two slots run the same on-show.
    for (int32_t slot : {kScreenHost, kScreenHostFromList}) {
        kvscreen_label(*gui.screens[slot], 53)->text.clear();
        gui_show_screen(*g, slot, false);
        EXPECT_EQ(kvscreen_label(*gui.screens[slot], 53)->text, "ver : 1.0") << slot;
    }
}

TEST_F(Gui, TheMenuStartsTheMenuMusicFallingBackToMp3) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    const struct {
        const char* what;
        bool playing;
        std::string fails;
        int32_t slot;
        std::vector<std::string> played;
    } cases[] = {
        {"nothing plays: the menu starts its music", false, "", kScreenMenu, {"data\\sound\\menu.wma loop"}},
        {"no wma", false, "wma", kScreenMenu, {"data\\sound\\menu.wma loop", "data\\sound\\menu.mp3 loop"}},
        {"music already plays", true, "", kScreenMenu, {}},
        {"another slot starts nothing", false, "", kScreenLanList, {}},
    };
    for (const auto& c : cases) {
        gui_show_screen(*g, kScreenLoading, false);
        music_on_ = c.playing;
        music_fails_ = c.fails;
        played_.clear();
        gui_show_screen(*g, c.slot, false);
        EXPECT_EQ(played_, c.played) << c.what;
    }
    // The real facade without a sound device: the switch goes on silently.
    g->gui.music = gui_music();
    gui_show_screen(*g, kScreenMenu, false);
    EXPECT_EQ(g->gui.current_slot, kScreenMenu);
}

TEST_F(Gui, TheMainMenusTextsButtonsAndHelpLine) {
    srv_.developer = 1;
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* menu = g->gui.screens[kScreenMenu];
    frame();
    EXPECT_EQ(label(menu, 2).text, "Main menu");
    EXPECT_EQ(label(menu, 3).text, "Main menu");
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(label(menu, 3 + i).text, tools::menu_texts()[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(button(menu, i - 1).label.text, tools::menu_texts()[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(label(menu, 10).text, "ver : 1.0");
    EXPECT_EQ(label(menu, 11).text, "build : 182");
    EXPECT_FALSE(picture(menu, 4).visible);
    EXPECT_FALSE(button(menu, 5).visible);
    EXPECT_TRUE(button(menu, 6).visible);
    EXPECT_EQ(g->gui.step_state, 1);

    // Pointing at button 1 shows its help; nothing pointed at (and a click, which is code 0 and up)
    // clears it.
    gui_handle_event(*g, -3);
    EXPECT_TRUE(picture(menu, 4).visible);
    EXPECT_EQ(label(menu, 9).text, "Start a server on this machine");
    gui_handle_event(*g, -7);  // button 5 has no help
    EXPECT_EQ(label(menu, 9).text, "Start a server on this machine");
    gui_handle_event(*g, -1);
    EXPECT_FALSE(picture(menu, 4).visible);
    EXPECT_EQ(label(menu, 9).text, "");

    // Buttons 1 to 3 open their screens; 5 does nothing.
    const struct {
        int32_t code, slot;
        bool carried;
    } buttons[] = {{1, kScreenHost, true},
                   {2, kScreenLanList, false},
                   {3, kScreenBrowser, false},
                   {5, kScreenMenu, false}};
    for (const auto& b : buttons) {
        gui_show_screen(*g, kScreenMenu, false);
        menu->cursor_x = 77;
        gui_handle_event(*g, b.code);
        EXPECT_EQ(g->gui.current_slot, b.slot) << b.code;
        if (b.slot != kScreenMenu) {
            EXPECT_EQ(g->gui.screens[b.slot]->cursor_x == 77, b.carried) << b.code;
        }
        g->gui.screens[b.slot]->cursor_x = 500;
    }
    // Quit stops the kernel.
    gui_show_screen(*g, kScreenMenu, false);
    gui_handle_event(*g, 4);
    EXPECT_FALSE(kernel_get().running);
    kernel_get().running = true;
}

TEST_F(Gui, TrainingIsForDevelopersAndLoadsItsLevelBehindTheLoadingScreen) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    frame();
    EXPECT_FALSE(button(g->gui.screens[kScreenMenu], 6).visible);
    gui_handle_event(*g, 6);
    EXPECT_EQ(g->gui.current_slot, kScreenLoading);
    EXPECT_EQ(label(g->gui.screens[kScreenLoading], 0).text, "loading cvicak...");
    EXPECT_EQ(srv_.game_package, "cvicak");
    EXPECT_EQ(srv_.load_request, kLoadRequestMenu);
}

TEST_F(Gui, TheBannerScrollsThreeUnitsEvery30Ms) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvstatic& banner = picture(g->gui.screens[kScreenMenu], 2);
    std::vector<int32_t> seen;
    for (int step = 0; step < 336; ++step) {
        gui_step(*g, 0);
        seen.push_back(static_cast<int32_t>(banner.x));
        clock_.advance_ms(31);
        gui_step(*g, 0);  // at most one step per 30 ms, however often the step runs
    }
    ASSERT_EQ(seen.size(), 336u);
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 3);
    EXPECT_EQ(seen[332], 996);
    EXPECT_EQ(seen[333], 999);
    EXPECT_EQ(seen[334], -60);
    EXPECT_EQ(seen[335], -57);
}

TEST_F(Gui, AJoinFromTheCommandLineLogsInOnceAndEmptiesTheRequest) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    for (const int32_t result : {1, 0}) {
        srv_.join_address = 0x7F000001;
        srv_.join_port = 9;
        srv_.join_nick = "Ann";
        srv_.map_follow_latch = 1;
        g->gui.step_state = 0;
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 1);
        EXPECT_EQ(srv_.connecting, 1);
        srv_.client.request_result = -1;
        gui_step(*g, 0);  // waits
        EXPECT_EQ(g->gui.step_state, 1);
        srv_.client.request_result = result;
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, result ? 2 : 0) << result;
        EXPECT_EQ(srv_.connecting, 0);
        EXPECT_EQ(srv_.join_nick, "");
        EXPECT_EQ(srv_.map_follow_latch, result ? 0 : 1) << "the world follows the server's map once in";
        client_reset_state(srv_.client);
    }
}

TEST_F(Gui, ADedicatedProcessesMenuStepRunsTheServerStart) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    g->dedicated = 1;
    std::filesystem::remove(srv_.data_dir + "mp.cfg");
    gui_step(*g, 0);
    EXPECT_EQ(dedicated_start_get().state, kDedicatedAwaitBots);
    EXPECT_NE(log().find("[game] *ERROR* Settings script `"), std::string::npos) << log();
    g->dedicated = 0;
}

TEST_F(Gui, TheScoresOpenByThemselvesOnceInState7) {
    kvgame* g = start_menu("Training");
    ASSERT_NE(g, nullptr);
    srv_.snapshot.state = kGameLevelEnding;
    srv_.text_tables[kTextBase].entries[68] = "Side";
    for (int i = 0; i < 3; ++i) gui_draw(*g);
    EXPECT_EQ(g->gui.current_slot, kScreenScores);
    // Shown once: its titles are set.
    EXPECT_EQ(label(g->gui.screens[kScreenScores], 0).text, "Side");
    // Not while this client logs in.
    gui_show_screen(*g, kScreenGame, false);
    srv_.connecting = 1;
    gui_draw(*g);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    srv_.connecting = 0;
    srv_.snapshot.state = 0;
}

TEST_F(Gui, TheQuitScreensChoices) {
    kvgame* g = start_menu("Training");
    ASSERT_NE(g, nullptr);
    gui_show_screen(*g, kScreenQuit, true);
    kvscreen* quit = g->gui.screens[kScreenQuit];
    EXPECT_EQ(label(quit, 0).text, "Leave?");
    EXPECT_EQ(button(quit, 0).label.text, "Resume");
    EXPECT_EQ(button(quit, 1).label.text, "Leave the game");
    EXPECT_EQ(button(quit, 2).label.text, "Quit");
    // Negative codes do nothing here.
    gui_handle_event(*g, -3);
    EXPECT_EQ(g->gui.current_slot, kScreenQuit);

    // A soldier resumes on the game screen in its own view; a spectator lands on the briefing.
    ASSERT_NE(g->local_being, nullptr);
    gui_handle_event(*g, 0);
    EXPECT_EQ(g->gui.current_slot, kScreenGame);
    EXPECT_EQ(g->bound_camera->followed, g->local_being);
    EXPECT_EQ(g->static_camera, nullptr);
    being* soldier = g->local_being;
    g->local_being = nullptr;
    gui_show_screen(*g, kScreenQuit, false);
    gui_handle_event(*g, 0);
    EXPECT_EQ(g->gui.current_slot, kScreenBriefing);
    g->local_being = soldier;

    // Leave the game: not in the dedicated process, not on the menu level.
    gui_show_screen(*g, kScreenQuit, false);
    g->dedicated = 1;
    gui_handle_event(*g, 1);
    EXPECT_EQ(g->gui.current_slot, kScreenQuit);
    g->dedicated = 0;
    gui_handle_event(*g, 1);
    EXPECT_EQ(g->gui.current_slot, kScreenLoading);
    // Quit.
    gui_show_screen(*g, kScreenQuit, false);
    gui_handle_event(*g, 2);
    EXPECT_FALSE(kernel_get().running);
    kernel_get().running = true;
}

TEST_F(Gui, TheQuitScreenChangesTheCameraEveryFiveSeconds) {
    kvgame* g = start_menu("Training");
    ASSERT_NE(g, nullptr);
    gui_draw(*g);  // the draw timer starts
    gui_show_screen(*g, kScreenQuit, false);
    int changes = 0;
    for (int ms = 0; ms < 12000; ms += 100) {
        g->static_camera = nullptr;
        clock_.advance_ms(100);
        gui_draw(*g);
        if (g->static_camera) ++changes;
    }
    EXPECT_EQ(changes, 2);
}

TEST_F(Gui, TheLoadingAndControlsScreensShowTheirTexts) {
    kvgame* g = start_menu("Training");
    ASSERT_NE(g, nullptr);
    gui_show_screen(*g, kScreenLoading, false);
    EXPECT_EQ(label(g->gui.screens[kScreenLoading], 0).text, "Loading...");
    srv_.binding_keys_text = "[ W ]\n[ S ]\n";
    srv_.binding_labels_text = "Forward\nBack\n";
    gui_show_screen(*g, kScreenControls, false);
    kvscreen* controls = g->gui.screens[kScreenControls];
    EXPECT_EQ(label(controls, 0).text, "Controls");
    gui_draw(*g);
    EXPECT_EQ(kvmltext_text(*kvscreen_mltext(*controls, 0)), "[ W ]\n[ S ]\n");
    EXPECT_EQ(kvmltext_text(*kvscreen_mltext(*controls, 1)), "Forward\nBack\n");
    EXPECT_EQ(kvscreen_mltext(*controls, 0)->columns, 50);
    // Each frame shows the texts as the world server holds them.
    srv_.binding_keys_text = "[ X ]\n";
    gui_draw(*g);
    EXPECT_EQ(kvmltext_text(*kvscreen_mltext(*controls, 0)), "[ X ]\n");
}

TEST_F(Gui, OptionsShowAndApplySensitivityVolumeAndInvert) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    input& in = kernel_get().input_layer;
    fake_input_scope keyboard(in);
    option_registry scratch;
    input_register_names(in, scratch);
    in.mouse_sensitivity = 5.0f;
    in.bindings = {{'w', 1}, {'`', 26}};
    input_set_mouse_invert(in, 1);
    kernel_get().sound.global_volume = 0.75f;
    ASSERT_EQ(g->gui.current_slot, kScreenMenu);
    gui_handle_event(*g, 0);  // the main menu's options button
    ASSERT_EQ(g->gui.current_slot, kScreenOptions);
    kvscreen* options = g->gui.screens[kScreenOptions];
    EXPECT_TRUE(kvcheck_is_checked(*kvscreen_check(*options, 0)));
    EXPECT_EQ(label(options, 20).text, "ver : 1.0");
    EXPECT_EQ(label(options, 19).text, "");
    gui_step(*g, 0);  // the first frame loads the values
    EXPECT_FLOAT_EQ(kvscreen_slide(*options, 0)->value, 0.5f);
    EXPECT_FLOAT_EQ(kvscreen_slide(*options, 1)->value, 0.75f);
    EXPECT_EQ(srv_.binding_keys_text, "[ W ]\n[ ` ]\n");
    EXPECT_EQ(kvscreen_control(*options, 0)->keys_text, "");

    // Pointing at slider 1 shows its help.
    gui_handle_event(*g, -4003);
    EXPECT_TRUE(picture(options, 32).visible);
    EXPECT_EQ(label(options, 19).text, "How loud the game plays");
    gui_handle_event(*g, -1);
    EXPECT_FALSE(picture(options, 32).visible);

    kvslide_set_value(*kvscreen_slide(*options, 0), 0.8f);
    gui_handle_event(*g, 4000);
    EXPECT_FLOAT_EQ(in.mouse_sensitivity, 8.0f);
    kvslide_set_value(*kvscreen_slide(*options, 1), 0.25f);
    kvcheck_set_checked(*kvscreen_check(*options, 0), false);
    gui_handle_event(*g, 0);  // back
    EXPECT_EQ(g->gui.current_slot, kScreenMenu);
    EXPECT_EQ(input_mouse_invert(in), 0);
    EXPECT_FLOAT_EQ(kernel_get().sound.global_volume, 0.25f);
    std::ifstream saved(srv_.write_dir + "controls.cfg");
    const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "bind \"Forward\" \"W\"\nbind \"Toggle console\" \"`\"\nminvert off\n");
}

TEST_F(Gui, TheOptionsBarScrollsDownTheScreen) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    gui_show_screen(*g, kScreenOptions, false);
    kvstatic& bar = picture(g->gui.screens[kScreenOptions], 2);
    gui_step(*g, 0);
    EXPECT_EQ(bar.y, 0.0f);
    clock_.advance_ms(31);
    gui_step(*g, 0);
    gui_step(*g, 0);
    EXPECT_EQ(bar.y, 3.0f);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(Gui, TheConsoleKeyOpensTheConsole) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    console_view& console = kernel_get().console;
    EXPECT_EQ(arty_factory_post_key_down(srv_.factory, 26), 1);
    EXPECT_EQ(console.direction, 1);
    // Only the key-down: a second one opens again rather than closing.
    arty_factory_post_key_up(srv_.factory, 26);
    arty_factory_post_key_down(srv_.factory, 26);
    EXPECT_EQ(console.direction, 1);
    console.direction = 0;
    console.offset = 0;
    input_end_text_entry(kernel_get().input_layer);
}

}  // namespace
}  // namespace kv
