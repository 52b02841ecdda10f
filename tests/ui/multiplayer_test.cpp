// The host game screen, the server browser and the LAN game list on the demo's screens in a headless
// menu level, against a recording service, a scripted client session and a bot host set up by hand;
// and the files "bots.cfg" and "servers.lst".

#include "ui/multiplayer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bots/bot_central.h"
#include "net/net_peer.h"
#include "net/server_session.h"
#include "net/service.h"
#include "platform/udp_socket.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/support/client_capture.h"
#include "tests/support/input_fake.h"
#include "tests/support/loopback_relay.h"
#include "ui/gui.h"
#include "ui/input/input.h"
#include "ui/screens.h"

namespace kv {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

server_entry make_entry(uint32_t address, uint16_t port, const std::string& name, const std::string& map,
                        int32_t answered, int32_t ping = 40) {
    server_entry e;
    e.address = address;
    e.port = port;
    e.name = name;
    e.map = map;
    e.tag = 0x1A2B;
    e.numbers[0] = 3;
    e.numbers[1] = 16;
    e.answered = answered;
    e.ping = ping;
    return e;
}

class Multiplayer : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        kvscreen_reset_shared_state();
        saved_write_dir_ = srv_.write_dir;
        saved_bots_ = srv_.bots;
        saved_client_[0] = srv_.client.profile_name;
        saved_client_[1] = srv_.client.server_name_setting;
        srv_.write_dir = srv_.data_dir + "write/";
        std::filesystem::create_directories(srv_.write_dir);
        std::filesystem::create_directories(srv_.data_dir + "maps");
        bots_.ready = 1;
        bots_.configs = {"default", "careful"};
        srv_.bots = &bots_;
        host_bot_presets_reset();
        srv_.client.profile_name = "Ann";
        srv_.client.server_name_setting = "Old name";
        srv_.client.round_time_setting = 7;
        srv_.client.campaign_time_setting = 30;
        srv_.client.net_speed_setting = 1;
        srv_.client.servers.clear();
        multiplayer_links& links = multiplayer_links_get();
        links.service_command = [this](const std::string& line) {
            lines_.push_back(line);
            return true;
        };
        links.master_ok = [this] { return master_ok_; };
    }
    void TearDown() override {
        multiplayer_links_get() = multiplayer_links();
        host_bot_presets_reset();
        srv_.write_dir = saved_write_dir_;
        srv_.bots = saved_bots_;
        srv_.client.profile_name = saved_client_[0];
        srv_.client.server_name_setting = saved_client_[1];
        srv_.client.servers.clear();
        srv_.client.connected = false;
        srv_.client.command_queue.clear();
        client_reset_state(srv_.client);
        srv_.connecting = 0;
        srv_.second_status = 0;
        kvscreen_reset_shared_state();
        headless_game::TearDown();
    }

    kvgame* start_menu() {
        test_level shape;
        shape.title = "Menu";
        shape.screens = true;
        kvgame* g = start(shape, 0);
        if (!g) return nullptr;
        srv_.text_tables[kTextMenu].entries = tools::menu_texts();
        std::vector<std::string>& base = srv_.text_tables[kTextBase].entries;
        base.assign(120, "");
        base[103] = "The server is full";  // reply code 5's text
        for (kvscreen* screen : g->gui.screens) {
            if (screen) screen->cursor_x = screen->cursor_y = 0;
        }
        g->gui.music.is_playing = [] { return true; };
        return g;
    }

    // The host screen reached as a player reaches it, set up by its first frame.
    kvscreen* open_host(kvgame& g, int32_t via) {
        gui_show_screen(g, kScreenMenu, false);
        if (via == kScreenHost) {
            gui_show_screen(g, kScreenHost, false);
        } else {
            gui_show_screen(g, via, false);
            gui_show_screen(g, kScreenHostFromList, false);
        }
        gui_step(g, 0);
        return g.gui.screens[kScreenHost];
    }

    static kvselection& list(kvscreen* s, int32_t i) { return *kvscreen_selection(*s, i); }
    static std::vector<std::string> keys(const kvselection& l) {
        std::vector<std::string> k;
        for (const kvselection_row& r : l.rows) k.push_back(r.key);
        return k;
    }
    static void select(kvselection& l, int32_t index) { kvselection_select_index(l, index, true); }
    static kvroll& roll(kvscreen* s, int32_t i) { return *kvscreen_roll(*s, i); }
    static kvcheck& check(kvscreen* s, int32_t i) { return *kvscreen_check(*s, i); }
    static kvedit& edit(kvscreen* s, int32_t i) { return *kvscreen_edit(*s, i); }
    static kvtext& label(kvscreen* s, int32_t i) { return *kvscreen_label(*s, i); }
    static const std::string& item(kvscreen* s, int32_t i) {
        const kvroll& r = roll(s, i);
        return r.items[static_cast<std::size_t>(r.current)].text;
    }
    // Puts the first map of list 0 into the rotation.
    void rotate_first_map(kvgame& g, kvscreen* s) {
        select(list(s, 0), 0);
        gui_handle_event(g, 5);
    }
    // The login's text, queued or in flight.
    std::string login_text() const {
        const net_client& c = srv_.client;
        return c.command_queue.empty() ? c.command_text : c.command_queue.back();
    }

    BotCentral bots_;
    bool master_ok_ = true;
    std::vector<std::string> lines_;

private:
    std::string saved_write_dir_;
    BotCentral* saved_bots_ = nullptr;
    std::string saved_client_[2];
};

// Host screen.

TEST_F(Multiplayer, TheHostScreenSendsItsSettingsLinesInEachMode) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr) << log();
    const std::vector<std::string> common = {"set game-mode:arcade",
                                             "set friendly-fire:no",
                                             "set respawn-time:0",
                                             "set free-camera:yes",
                                             "set iron-sights:no",
                                             "set id-tags:yes",
                                             "set round-time:7",
                                             "set campaign-time:30",
                                             "set maxplayers1:5",
                                             "set maxplayers2:5",
                                             "set maxplayers3:5",
                                             "set bots-setup:2001 2001 0000",
                                             "start"};
    const struct {
        int32_t via;
        bool tick_dedicated;
        std::vector<std::string> head;
    } cases[] = {
        {kScreenHost,
         false,
         {"stop", "set pkg-name:training", "set dedicated:no", "set net-mode:local",
          "set server-name:\"Local game\""}},
        {kScreenLanList,
         false,
         {"stop", "set pkg-name:training", "set dedicated:no", "set net-mode:lan",
          "set server-name:\"Old name\""}},
        {kScreenBrowser,
         true,
         {"stop", "set pkg-name:training", "set dedicated:yes", "set net-mode:inet",
          "set server-name:\"Old name\""}},
    };
    for (const auto& c : cases) {
        kvscreen* s = open_host(*g, c.via);
        kvselection_set_visible(list(s, 0), true);
        rotate_first_map(*g, s);
        kvroll_select(roll(s, 4), 1);  // the bot preset "Skirmish", for teams 1 and 2
        gui_handle_event(*g, 1004);
        for (int32_t box : {6, 7}) {
            kvcheck_set_checked(check(s, box), true);
            gui_handle_event(*g, 2000 + box);
        }
        if (c.tick_dedicated) kvcheck_set_checked(check(s, 5), true);
        lines_.clear();
        gui_handle_event(*g, 4);
        bots_.enabled = 0;
        gui_step(*g, 0);
        std::vector<std::string> expected = c.head;
        expected.insert(expected.end(), common.begin(), common.end());
        EXPECT_EQ(lines_, expected) << c.via;
        EXPECT_EQ(bots_.enabled, 1);
        EXPECT_EQ(g->gui.step_state, 2);
    }
}

TEST_F(Multiplayer, RespawnTimesNamesAndEmptyNumbersBecomeTheirLines) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    const struct {
        bool respawn;
        std::string respawn_text, round, campaign, name;
        std::vector<std::string> lines;
    } cases[] = {
        {true,
         "5",
         "3",
         "9",
         "Ann's \"best\"\tserver",
         {"set respawn-time:10", "set round-time:3", "set campaign-time:9",
          "set server-name:\"Ann's best server\""}},
        {true, "0", "", "", "x", {"set respawn-time:0", "set round-time:0", "set campaign-time:0"}},
        {true, "25", "12", "0", "x", {"set respawn-time:25", "set round-time:12"}},
        {false, "25", "1", "1", "x", {"set respawn-time:0"}},
    };
    for (const auto& c : cases) {
        kvscreen* s = open_host(*g, kScreenLanList);
        rotate_first_map(*g, s);
        kvroll_select(roll(s, 0), 2);  // custom: the rule boxes are the player's
        gui_handle_event(*g, 1000);
        kvcheck_set_checked(check(s, 1), c.respawn);
        gui_handle_event(*g, 2001);
        EXPECT_EQ(edit(s, 2).enabled != 0, c.respawn);
        edit(s, 2).text = c.respawn_text;
        edit(s, 3).text = c.round;
        edit(s, 4).text = c.campaign;
        edit(s, 1).text = c.name;
        lines_.clear();
        gui_handle_event(*g, 4);
        gui_step(*g, 0);
        for (const std::string& line : c.lines) {
            EXPECT_NE(std::find(lines_.begin(), lines_.end(), line), lines_.end()) << line;
        }
    }
    // The cleaned name is also the one remembered; the round and campaign times too.
    EXPECT_EQ(srv_.client.server_name_setting, "x");
    EXPECT_EQ(srv_.client.round_time_setting, 1);
    // Edits 2 to 4 take digits only.
    kvscreen* s = open_host(*g, kScreenHost);
    for (int32_t i = 2; i <= 4; ++i) EXPECT_EQ(edit(s, i).digits_only, 1) << i;
    EXPECT_EQ(edit(s, 0).digits_only, 0);
}

TEST_F(Multiplayer, AnEmptyRotationStartsNothing) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* s = open_host(*g, kScreenHost);
    gui_handle_event(*g, -6);  // pointing at start
    EXPECT_EQ(label(s, 51).text, "Put at least one map in the rotation first");
    gui_handle_event(*g, 4);
    gui_step(*g, 0);
    EXPECT_TRUE(lines_.empty());
    EXPECT_EQ(g->gui.step_state, 5);
}

TEST_F(Multiplayer, TheDedicatedBoxAndTheServerNameFollowTheMode) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    const struct {
        int32_t via;
        bool visible, enabled, name_enabled;
        const char* title;
    } cases[] = {
        {kScreenHost, false, false, false, "Host game"},
        {kScreenLanList, true, false, true, "Host a LAN game"},
        {kScreenBrowser, true, true, true, "Host an internet game"},
    };
    for (const auto& c : cases) {
        kvscreen* s = open_host(*g, c.via);
        gui_handle_event(*g, 1);  // the rules page
        EXPECT_EQ(check(s, 5).visible != 0, c.visible) << c.via;
        if (c.visible) {
            EXPECT_EQ(check(s, 5).enabled != 0, c.enabled) << c.via;
        }
        EXPECT_EQ(label(s, 23).visible != 0, c.visible) << c.via;
        EXPECT_EQ(edit(s, 1).enabled != 0, c.name_enabled) << c.via;
        EXPECT_EQ(label(s, 2).text, c.title);
        EXPECT_EQ(label(s, 9).text, "Game rules");
        EXPECT_FALSE(kvscreen_button(*s, 1)->enabled);
        EXPECT_TRUE(kvscreen_button(*s, 2)->enabled);
        EXPECT_TRUE(kvscreen_picture(*s, 101)->visible);
        EXPECT_FALSE(kvscreen_picture(*s, 102)->visible);
        // Page 0 shows, pages 1 and 2 hide.
        EXPECT_TRUE(roll(s, 0).visible);
        EXPECT_FALSE(roll(s, 1).visible);
        EXPECT_FALSE(roll(s, 4).visible);
    }
    // ESCAPE goes back to the main menu.
    input& in = kernel_get().input_layer;
    fake_input_scope keyboard(in);
    open_host(*g, kScreenLanList);
    ASSERT_TRUE(input_post_event(146));
    gui_handle_event(*g, 2);
    EXPECT_EQ(g->gui.current_slot, kScreenMenu);
    // Back returns to the slot it came from.
    open_host(*g, kScreenLanList);
    gui_handle_event(*g, 0);
    EXPECT_EQ(g->gui.current_slot, kScreenLanList);
}

TEST_F(Multiplayer, TheGameModePresetsSetTheRuleBoxes) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* s = open_host(*g, kScreenHost);
    const struct {
        int32_t mode;
        bool boxes[5];
        bool enabled;
        float green;
    } cases[] = {
        {2, {false, false, false, false, false}, true, 0.87f},
        {0, {false, true, true, false, true}, false, 0.47f},
        {1, {true, false, false, true, false}, false, 0.47f},
    };
    for (const auto& c : cases) {
        kvroll_select(roll(s, 0), c.mode);
        gui_handle_event(*g, 1000);
        for (int32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(kvcheck_is_checked(check(s, i)), c.boxes[i]) << c.mode << " " << i;
            EXPECT_EQ(check(s, i).enabled != 0, c.enabled) << c.mode << " " << i;
        }
        float colour[4] = {};
        kvtext_get_color(label(s, 19), colour);
        EXPECT_FLOAT_EQ(colour[1], c.green);
    }
}

TEST_F(Multiplayer, MapsMoveBetweenTheListsAndListZeroStaysSorted) {
    for (const char* name : {"delta", "alpha", "charlie"}) write_file(srv_.data_dir + "maps/" + name, "x");
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* s = open_host(*g, kScreenHost);
    EXPECT_EQ(keys(list(s, 0)), (std::vector<std::string>{"alpha", "charlie", "delta", "training"}));
    // Button 5, then a second click on list 0's selected row (code 3002 + index).
    select(list(s, 0), 1);
    gui_handle_event(*g, 5);
    select(list(s, 0), 2);
    gui_handle_event(*g, 3004);
    EXPECT_EQ(keys(list(s, 0)), (std::vector<std::string>{"alpha", "delta"}));
    EXPECT_EQ(keys(list(s, 1)), (std::vector<std::string>{"charlie", "training"}));
    EXPECT_EQ(list(s, 1).rows[1].cells[0].text, "training");
    EXPECT_EQ(kvselection_selected_index(list(s, 1)), -1);
    // Back with button 6 and a second click on list 1 (3502 + index): list 0 is sorted again.
    select(list(s, 1), 1);
    gui_handle_event(*g, 6);
    EXPECT_EQ(keys(list(s, 0)), (std::vector<std::string>{"alpha", "delta", "training"}));
    select(list(s, 1), 0);
    gui_handle_event(*g, 3502);
    EXPECT_EQ(keys(list(s, 0)), (std::vector<std::string>{"alpha", "charlie", "delta", "training"}));
    EXPECT_TRUE(list(s, 1).rows.empty());
    // Nothing selected moves nothing.
    gui_handle_event(*g, 5);
    EXPECT_TRUE(list(s, 1).rows.empty());
    // The start button's help tells whether the rotation holds maps.
    select(list(s, 0), 0);
    gui_handle_event(*g, 5);
    gui_handle_event(*g, -6);
    EXPECT_EQ(label(s, 51).text, "Start the server with these settings");
    EXPECT_TRUE(kvscreen_picture(*s, 105)->visible);
    gui_handle_event(*g, -1);
    EXPECT_EQ(label(s, 51).text, "");
    EXPECT_FALSE(kvscreen_picture(*s, 105)->visible);
}

TEST_F(Multiplayer, TheBotLineFromTheTeamBoxes) {
    const int32_t values[12] = {1, 2, 3, 4, 2, 0, 0, 1, 0, 1, 1, 3};
    const struct {
        bool ticked[3];
        const char* line;
    } cases[] = {
        {{false, false, false}, ""},
        {{false, true, false}, "0000 2001 0000"},
        {{true, false, true}, "1234 0000 0113 "},
        {{true, true, true}, "1234 2001 0113 "},
    };
    for (const auto& c : cases) EXPECT_EQ(host_bot_line(c.ticked, values), c.line);
    const int32_t zeros[12] = {};
    const bool all[3] = {true, true, true};
    EXPECT_EQ(host_bot_line(all, zeros), "0000 0000 0000 ");
}

TEST_F(Multiplayer, CustomPresetsAreStoredAndSavedBuiltInOnesNot) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* s = open_host(*g, kScreenHost);
    gui_handle_event(*g, 3);  // the bots page
    EXPECT_EQ(item(s, 5), "default");
    EXPECT_EQ(roll(s, 4).items.size(), 7u);  // entry 7 is not offered
    // Preset 1: values 2 0 0 1 for teams 1 and 2, no team ticked (its mask is 0) but the boxes enabled;
    // no saving.
    kvroll_select(roll(s, 4), 1);
    gui_handle_event(*g, 1004);
    EXPECT_FALSE(kvcheck_is_checked(check(s, 6)));
    EXPECT_TRUE(check(s, 6).enabled);
    EXPECT_FALSE(kvcheck_is_checked(check(s, 8)));
    EXPECT_EQ(roll(s, 6).current, 2);
    EXPECT_EQ(roll(s, 9).current, 1);
    EXPECT_FALSE(roll(s, 14).enabled);
    EXPECT_FALSE(kvscreen_button(*s, 7)->enabled);
    kvroll_select(roll(s, 7), 2);
    gui_handle_event(*g, 1007);
    kvcheck_set_checked(check(s, 8), true);
    gui_handle_event(*g, 2008);
    EXPECT_TRUE(roll(s, 14).enabled);
    EXPECT_EQ(host_bot_presets()[1], (bot_preset{2, 0, 0, 1, 2, 0, 0, 1, 0, 0, 0, 0, 0}));
    // Preset 5 stores every change.
    kvroll_select(roll(s, 4), 5);
    gui_handle_event(*g, 1004);
    EXPECT_TRUE(kvscreen_button(*s, 7)->enabled);
    EXPECT_FALSE(kvcheck_is_checked(check(s, 7)));
    kvcheck_set_checked(check(s, 7), true);
    gui_handle_event(*g, 2007);
    kvroll_select(roll(s, 10), 4);
    gui_handle_event(*g, 1010);
    kvroll_select(roll(s, 13), 3);
    gui_handle_event(*g, 1013);
    EXPECT_EQ(host_bot_presets()[5], (bot_preset{0, 0, 0, 0, 4, 0, 0, 3, 0, 0, 0, 0, 2}));
    gui_handle_event(*g, 7);
    EXPECT_EQ(read_file(srv_.write_dir + "bots.cfg"),
              "0 0 0 0 0 0 0 0 0 0 0 0 0 \n"
              "0 0 0 0 4 0 0 3 0 0 0 0 2 \n"
              "0 0 0 0 0 0 0 0 0 0 0 0 0 \n"
              "0 0 0 0 0 0 0 0 0 0 0 0 0 \n");
    // The next showing reads the file back; a value beyond a roll's items selects its last item.
    host_bot_presets_reset();
    write_file(srv_.write_dir + "bots.cfg", "9 9 9 9 1 1 1 1 0 0 0 0 7\n");
    s = open_host(*g, kScreenHost);
    kvroll_select(roll(s, 4), 4);
    gui_handle_event(*g, 1004);
    EXPECT_EQ(roll(s, 6).current, 4);
    EXPECT_EQ(roll(s, 8).current, 1);
    EXPECT_TRUE(kvcheck_is_checked(check(s, 8)));
}

TEST_F(Multiplayer, WithoutABotHostTheBotPageIsOff) {
    bots_.ready = 0;
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* s = open_host(*g, kScreenHost);
    EXPECT_EQ(roll(s, 4).items.size(), 1u);
    EXPECT_EQ(item(s, 4), "No bots");
    EXPECT_FALSE(roll(s, 4).enabled);
    EXPECT_EQ(item(s, 5), "-----");
    EXPECT_FALSE(roll(s, 5).enabled);
    EXPECT_FALSE(kvscreen_button(*s, 7)->enabled);
    for (int32_t i = 6; i <= 8; ++i) {
        EXPECT_FALSE(kvcheck_is_checked(check(s, i)));
        EXPECT_FALSE(check(s, i).enabled);
    }
    for (int32_t i = 6; i <= 17; ++i) {
        EXPECT_EQ(roll(s, i).items.size(), 1u);
        EXPECT_FALSE(roll(s, i).enabled);
    }
    rotate_first_map(*g, s);
    gui_handle_event(*g, 4);
    gui_step(*g, 0);
    EXPECT_EQ(lines_[lines_.size() - 2], "set bots-setup:");
}

TEST_F(Multiplayer, AfterStartTheScreenWaitsLogsInAndGreets) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    const struct {
        int32_t via;
        int32_t speed;
    } cases[] = {{kScreenBrowser, 65536}, {kScreenHost, 1048576}};
    for (const auto& c : cases) {
        kvscreen* s = open_host(*g, c.via);
        rotate_first_map(*g, s);
        edit(s, 0).text = "Bea";
        kvroll_select(roll(s, 4), 2);
        gui_handle_event(*g, 1004);
        kvcheck_set_checked(check(s, 6), true);
        gui_handle_event(*g, 2006);
        gui_handle_event(*g, 4);
        master_ok_ = false;
        gui_step(*g, 0);
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 2);
        master_ok_ = true;
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 3);
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 4);
        EXPECT_EQ(srv_.connecting, 1);
        EXPECT_EQ(srv_.client.speed_limit, c.speed);
        EXPECT_EQ(srv_.client.lan_mode, false);
        EXPECT_EQ(login_text(), str_format("*login 01 0 %d \"Bea\"", c.speed));
        client_capture_connect(srv_.client);
        srv_.client.request_result = -1;
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 4);
        srv_.map_follow_latch = 1;
        srv_.client.request_result = 1;
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 5);
        EXPECT_EQ(srv_.connecting, 0);
        EXPECT_EQ(srv_.map_follow_latch, 0) << "the world follows the server's map once in";
        srv_.map_follow_latch = 1;
        EXPECT_EQ(client_capture_take(srv_.client), (std::vector<std::string>{"say 0 0 0 #conn"}));
        EXPECT_EQ(srv_.host_bot_line, "1101 0000 0000");
        EXPECT_EQ(srv_.pending_bot_login, srv_.host_bot_line);
        srv_.client.connected = false;
        client_reset_state(srv_.client);
        srv_.client.command_queue.clear();
    }
}

TEST_F(Multiplayer, ARefusedHostLoginShowsItsReplyText) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    const struct {
        const char* status;
        const char* shown;
    } cases[] = {{"FLD 5", "The server is full"}, {"FLD 20", "FLD 20"}};
    for (const auto& c : cases) {
        kvscreen* s = open_host(*g, kScreenHost);
        rotate_first_map(*g, s);
        gui_handle_event(*g, 4);
        for (int i = 0; i < 3; ++i) gui_step(*g, 0);
        ASSERT_EQ(g->gui.step_state, 4);
        srv_.client.request_result = 0;
        srv_.client.status_text = c.status;
        gui_step(*g, 0);
        EXPECT_EQ(g->gui.step_state, 5);
        EXPECT_EQ(srv_.connecting, 0);
        gui_handle_event(*g, -1);  // nothing pointed at: the text stays
        EXPECT_EQ(label(s, 51).text, c.shown);
        EXPECT_TRUE(kvscreen_picture(*s, 105)->visible);
        EXPECT_NE(log().find(std::string("host: the login was refused: ") + c.shown), std::string::npos);
        client_reset_state(srv_.client);
    }
    // A master that has not answered yet ("FLD 9") makes the screen wait and log in again.
    kvscreen* s = open_host(*g, kScreenHost);
    rotate_first_map(*g, s);
    gui_handle_event(*g, 4);
    for (int i = 0; i < 3; ++i) gui_step(*g, 0);
    srv_.client.request_result = 0;
    srv_.client.status_text = "FLD 9";
    gui_step(*g, 0);
    EXPECT_EQ(g->gui.step_state, 2);
    EXPECT_EQ(label(s, 51).text, "");
}

TEST_F(Multiplayer, TheTeamSizesStartAtFive) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    kvscreen* s = open_host(*g, kScreenHost);
    for (int32_t i = 1; i <= 3; ++i) {
        EXPECT_EQ(roll(s, i).items.size(), 11u);
        EXPECT_EQ(roll(s, i).current, 5);
    }
    // Ten in every team is 30: the rule has nothing to take.
    for (int32_t i = 1; i <= 3; ++i) kvroll_select(roll(s, i), 10);
    gui_handle_event(*g, 1001);
    for (int32_t i = 1; i <= 3; ++i) EXPECT_EQ(roll(s, i).current, 10);
    // The captions.
    EXPECT_EQ(kvscreen_button(*s, 4)->label.text, "Start");
    EXPECT_EQ(label(s, 53).text, "ver : 1.0");
    EXPECT_EQ(label(s, 54).text, "build : 182");
    EXPECT_EQ(edit(s, 0).text, "Ann");
    EXPECT_EQ(edit(s, 1).text, "Local game");
    EXPECT_EQ(edit(s, 3).text, "7");
    EXPECT_EQ(edit(s, 4).text, "30");
    EXPECT_EQ(log().find("gui: *WARNING*"), std::string::npos) << log();
}

// The whole road on loopback: the host screen starts a listen server in this process through the
// real service, waits for its network server and logs its own client in.
// The host screen starts a real listen server on a free loopback port and logs its own client in;
// then a second process (a fork of this one, with a client of its own on a new socket) opens the LAN
// list, finds that game by its broadcast to the server's port on loopback and joins it. The server's
// log shows both logins and both greetings. No fixed port is used, so parallel tests cannot clash.
TEST_F(Multiplayer, TheHostScreenStartsAListenServerThatASecondProcessFindsInItsLanListAndJoins) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    // The real service and network server; the lines are kept for the failure message.
    multiplayer_links_get() = multiplayer_links();
    multiplayer_links_get().service_command = [this](const std::string& line) {
        lines_.push_back(line);
        return service_command(srv_.service, line);
    };
    write_file(srv_.data_dir + "net.cfg", "master:127.0.0.1\n");
    // The service hosts for the program's world server: it reads its folders.
    server& world = server_get();
    const std::string saved_dirs[2] = {world.data_dir, world.write_dir};
    world.data_dir = srv_.data_dir;
    world.write_dir = srv_.write_dir;
    server_session_destroy();
    service_settings_init(srv_.service);
    service_command(srv_.service, "set server-port:0");
    net_client& client = srv_.client;
    client.client_port = 0;
    client_reset_state(client);
    client.request_kind = kRequestBindPort;
    kvscreen* s = open_host(*g, kScreenLanList);
    rotate_first_map(*g, s);
    edit(s, 0).text = "Bea";
    gui_handle_event(*g, 4);
    for (int i = 0; i < 400 && g->gui.step_state != 5; ++i) {
        clock_.advance_ms(16);
        gui_step(*g, 16);
        service_tick(srv_.service, 16);
        net_client_tick(client, 16);
    }
    EXPECT_EQ(g->gui.step_state, 5) << log();
    EXPECT_TRUE(srv_.service.running) << testing::PrintToString(lines_);
    EXPECT_TRUE(client_is_connected(client));
    EXPECT_EQ(label(s, 51).text, "");
    // The server took the login: it gave this client a player id.
    const int32_t host_id = client_local_player_id(client);
    EXPECT_GT(host_id, 0);
    server_session& session = server_session_get();
    ASSERT_TRUE(session.network);
    const uint16_t game_port = session.network->socket().port();
    ASSERT_NE(game_port, 0);

    // The second client: everything it learns goes to a file the test reads afterwards.
    const std::string report_path = srv_.write_dir + "joiner.txt";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A client of its own: the copy of the host's socket stays unused.
        client.~net_client();
        new (&client) net_client(srv_, srv_.log_level);
        client.client_port = 0;
        net_client_tick(client, 16);  // binds its port, as a client does at start
        client.profile_name = "Cy";
        net_set_broadcast_port(game_port);
        udp_set_broadcast_address(kLoopbackAddress);
        gui_show_screen(*g, kScreenLanList, false);
        kvscreen* lan = g->gui.screens[kScreenLanList];
        auto run = [&](int32_t state) {
            for (int i = 0; i < 2000 && g->gui.step_state != state; ++i) {
                clock_.advance_ms(16);
                gui_step(*g, 16);
                net_client_tick(client, 16);
                std::this_thread::sleep_for(std::chrono::milliseconds(16));
            }
        };
        run(2);
        std::string report = label(lan, 12).text + "\n" + std::to_string(list(lan, 0).rows.size()) + "\n";
        report += (client.servers.empty() ? std::string() : client.servers[0].name) + "\n";
        if (!list(lan, 0).rows.empty()) {
            select(list(lan, 0), 0);
            gui_handle_event(*g, 4);
            run(4);
        }
        report += std::to_string(g->gui.step_state) + "\n" +
                  (client_is_connected(client) ? "connected" : "-") + "\n" +
                  std::to_string(client_local_player_id(client)) + "\n" + label(lan, 12).text + "\n";
        // The greeting goes out with the next ticks.
        for (int i = 0; i < 30; ++i) {
            clock_.advance_ms(16);
            net_client_tick(client, 16);
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
        write_file(report_path, report);
        _exit(0);
    }
    // Meanwhile this process runs the server and the host's client. Both processes keep their clocks
    // at about the pace of the real one, so that the list's one-second wait is a real second.
    int status = -1;
    for (int i = 0; i < 4000; ++i) {
        if (waitpid(child, &status, WNOHANG) == child) break;
        clock_.advance_ms(16);
        service_tick(srv_.service, 16);
        net_client_tick(client, 16);
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    if (!WIFEXITED(status)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    for (int i = 0; i < 10; ++i) {
        clock_.advance_ms(16);
        service_tick(srv_.service, 16);
        net_client_tick(client, 16);
    }
    std::vector<std::string> report;
    std::istringstream report_lines(read_file(report_path));
    for (std::string line; std::getline(report_lines, line);) report.push_back(line);
    ASSERT_EQ(report.size(), 7u) << read_file(report_path) << log();
    EXPECT_EQ(report[0], "1 game found");
    EXPECT_EQ(report[1], "1");
    EXPECT_EQ(report[2], session.server_name);
    EXPECT_EQ(report[3], "4") << log();
    EXPECT_EQ(report[4], "connected") << report[6];
    const int32_t joiner_id = str_to_int(report[5]);
    EXPECT_GT(joiner_id, 0);
    EXPECT_NE(joiner_id, host_id);
    // The server's log: both logins and both greetings ("#conn") arrived.
    std::string server_log;
    for (const auto& file : std::filesystem::directory_iterator(session.log.directory + "logs"))
        server_log += read_file(file.path().string());
    for (const int32_t id : {host_id, joiner_id}) {
        EXPECT_NE(server_log.find(str_format("PLR %d ", id)), std::string::npos) << id << "\n" << server_log;
        EXPECT_NE(server_log.find(str_format("MSG ALL %d ", id)), std::string::npos) << id << "\n"
                                                                                     << server_log;
    }
    service_command(srv_.service, "stop");
    server_session_destroy();
    world.data_dir = saved_dirs[0];
    world.write_dir = saved_dirs[1];
    client.connected = false;
}

// "bots.cfg".

TEST_F(Multiplayer, BotsFileLinesReadWithMissingFieldsZeroAndExtraLinesIgnored) {
    bot_preset_table table = {};
    table[4][0] = 99;
    bots_file_parse(table,
                    {"1 2 3", "-4 x 5 6 7 8 9 10 11 12 13 14 15 16", "", "7 7 7 7 7 7 7 7 7 7 7 7 7", "9 9"});
    EXPECT_EQ(table[4], (bot_preset{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(table[5], (bot_preset{-4, 0, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(table[6], bot_preset{});
    EXPECT_EQ(table[7], (bot_preset{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(table[0], bot_preset{});
    // Fewer lines leave the later entries alone; a missing file leaves them all.
    bots_file_parse(table, {"1"});
    EXPECT_EQ(table[5][0], -4);
    bot_preset_table copy = table;
    std::filesystem::remove(srv_.write_dir + "bots.cfg");
    EXPECT_FALSE(bots_file_load(srv_, table));
    EXPECT_EQ(table, copy);
    // The data folder's copy serves when the write folder has none.
    write_file(srv_.data_dir + "bots.cfg", "5 5 5 5 5 5 5 5 5 5 5 5 5 \n");
    EXPECT_TRUE(bots_file_load(srv_, table));
    EXPECT_EQ(table[4][12], 5);
}

// "servers.lst".

TEST_F(Multiplayer, ServersFileRoundTripsEntriesAndReadsBadNumbersAsZero) {
    net_client& client = srv_.client;
    client.servers = {make_entry(0x0A000005, 57777, "Two words", "Big map", 0),
                      make_entry(0x0A000006, 57778, "Silent", "m", -1)};
    client.servers[1].tag = 0xFFFE;
    ASSERT_TRUE(servers_file_save(srv_, client));
    EXPECT_EQ(read_file(srv_.write_dir + "servers.lst"),
              "10.0.0.5 57777 \"Two words\" 6699 \"Big map\" 3 16 0 40\n"
              "10.0.0.6 57778 \"Silent\" -2 \"m\" 3 16 -1 40\n");
    client.servers.clear();
    ASSERT_TRUE(servers_file_load(srv_, client));
    ASSERT_EQ(client.servers.size(), 2u);
    const server_entry& e = client.servers[0];
    EXPECT_EQ(e.address, 0x0A000005u);
    EXPECT_EQ(e.port, 57777);
    EXPECT_EQ(e.name, "Two words");
    EXPECT_EQ(e.map, "Big map");
    EXPECT_EQ(e.numbers[0], 3);
    EXPECT_EQ(e.numbers[1], 16);
    EXPECT_EQ(e.answered, 0);
    EXPECT_EQ(e.ping, 40);
    EXPECT_EQ(client.servers[1].answered, -1);
    EXPECT_EQ(client.servers[1].tag, 0xFFFE);
    // An empty list leaves the file.
    client.servers.clear();
    EXPECT_TRUE(servers_file_save(srv_, client));
    EXPECT_NE(read_file(srv_.write_dir + "servers.lst"), "");

    // Lines as a hand may write them: ports beyond 16 bits, numbers that do not read, missing fields,
    // reading up to the first empty line.
    write_file(srv_.write_dir + "servers.lst",
               "1.2.3.4 65537 \"a\" 0 \"b\" x7 16 0 40\n"
               "nonsense\n"
               "\n"
               "5.6.7.8 1 \"after\" 0 \"m\" 1 1 0 1\n");
    ASSERT_TRUE(servers_file_load(srv_, client));
    ASSERT_EQ(client.servers.size(), 2u);
    EXPECT_EQ(client.servers[0].port, 1);
    EXPECT_EQ(client.servers[0].numbers[0], 0);
    EXPECT_EQ(client.servers[1].address, 0u);
    EXPECT_EQ(client.servers[1].name, "");
    EXPECT_EQ(client.servers[1].answered, 0);
    // A missing file leaves the list.
    std::filesystem::remove(srv_.write_dir + "servers.lst");
    EXPECT_FALSE(servers_file_load(srv_, client));
    EXPECT_EQ(client.servers.size(), 2u);
}

TEST_F(Multiplayer, RemoteNamesCannotBreakTheServersFile) {
    net_client& client = srv_.client;
    const std::string names[] = {"quote \" inside", std::string("tab\there\nnewline"), std::string(300, 'n')};
    for (const std::string& name : names) {
        client.servers = {make_entry(0x7F000001, 1234, name, name, 5, 77)};
        ASSERT_TRUE(servers_file_save(srv_, client));
        client.servers.clear();
        ASSERT_TRUE(servers_file_load(srv_, client));
        ASSERT_EQ(client.servers.size(), 1u) << name;
        const server_entry& e = client.servers[0];
        EXPECT_EQ(e.address, 0x7F000001u);
        EXPECT_EQ(e.port, 1234);
        EXPECT_EQ(e.numbers[0], 3);
        EXPECT_EQ(e.numbers[1], 16);
        EXPECT_EQ(e.answered, 5);
        EXPECT_EQ(e.ping, 77);
        EXPECT_EQ(e.name.find('"'), std::string::npos);
        EXPECT_LE(e.name.size(), 63u);
        EXPECT_EQ(e.name, e.map);
    }
    EXPECT_EQ(client.servers[0].name, std::string(63, 'n'));
    client.servers = {make_entry(1, 2, std::string("tab\there"), "m", 0)};
    EXPECT_EQ(servers_file_line(client.servers[0]), "0.0.0.1 2 \"tab here\" 6699 \"m\" 3 16 0 40");
}

// The server browser.

class Browser : public Multiplayer {
protected:
    kvgame* open() {
        kvgame* g = start_menu();
        if (!g) return nullptr;
        gui_show_screen(*g, kScreenBrowser, false);
        gui_step(*g, 0);
        return g;
    }
    kvscreen* s(kvgame* g) { return g->gui.screens[kScreenBrowser]; }
};

TEST_F(Browser, TheFirstFrameReadsTheFileAndListsTheAnsweredServers) {
    write_file(srv_.write_dir + "servers.lst",
               "10.0.0.5 57777 \"Alpha\" 0 \"map a\" 3 16 0 40\n"
               "10.0.0.6 57777 \"Quiet\" 0 \"map b\" 0 8 -1 0\n");
    srv_.client.net_speed_setting = 7;
    kvgame* g = open();
    ASSERT_NE(g, nullptr);
    kvscreen* scr = s(g);
    EXPECT_EQ(g->gui.step_state, 10);
    ASSERT_EQ(srv_.client.servers.size(), 2u);
    kvselection& rows = list(scr, 0);
    ASSERT_EQ(rows.columns.size(), 5u);
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0].key, "10.0.0.5 57777");
    EXPECT_EQ(rows.rows[0].cells[0].text, "Alpha");
    EXPECT_EQ(rows.rows[0].cells[1].text, "map a");
    EXPECT_EQ(rows.rows[0].cells[2].text, "40");
    EXPECT_EQ(rows.rows[0].cells[3].text, "3/16");
    EXPECT_EQ(rows.rows[0].cells[4].text, net_format_game_flags(0));
    // An out-of-range stored line speed selects a valid item; the roll is enabled here.
    EXPECT_EQ(roll(scr, 0).items.size(), 3u);
    EXPECT_GE(roll(scr, 0).current, 0);
    EXPECT_LT(roll(scr, 0).current, 3);
    EXPECT_TRUE(roll(scr, 0).enabled);
    EXPECT_EQ(label(scr, 4).text, "Host game");
    EXPECT_EQ(label(scr, 16).text, "ver : 1.0");
    EXPECT_EQ(log().find("gui: *WARNING*"), std::string::npos) << log();
}

TEST_F(Browser, AMasterQueryAndPingRoundsEndInTheAnsweredCount) {
    kvgame* g = open();
    ASSERT_NE(g, nullptr);
    kvscreen* scr = s(g);
    net_client& client = srv_.client;
    client.request_kind = kRequestNone;
    gui_handle_event(*g, 2);
    EXPECT_EQ(g->gui.step_state, 1);
    EXPECT_FALSE(kvscreen_button(*scr, 4)->enabled);
    EXPECT_TRUE(client.list_source);
    // The master list arrives: three servers, none answered.
    client.servers = {make_entry(1, 1, "a", "m", -1), make_entry(2, 2, "b", "m", -1),
                      make_entry(3, 3, "c", "m", -1)};
    client.request_result = 1;
    client.request_kind = kRequestNone;
    gui_step(*g, 600);
    EXPECT_EQ(g->gui.step_state, 1);
    gui_step(*g, 600);
    EXPECT_EQ(g->gui.step_state, 2);
    EXPECT_FALSE(client.list_source);
    // Rounds of pings: the status counts the silent ones.
    client.servers[0].answered = 0;
    client.request_result = 1;
    client.request_kind = kRequestNone;
    gui_step(*g, 10);
    EXPECT_EQ(label(scr, 12).text, "Waiting for 2 servers to answer...");
    EXPECT_EQ(list(scr, 0).rows.size(), 1u);
    gui_step(*g, 1000);
    EXPECT_EQ(g->gui.step_state, 3);
    // A round still running is waited for.
    client.request_result = -1;
    gui_step(*g, 1001);
    EXPECT_EQ(g->gui.step_state, 3);
    // Every round up to step 8 asks again; then the count of answers ends the rounds.
    for (int i = 0; i < 10; ++i) {
        client.request_kind = kRequestNone;
        client.request_result = 1;
        gui_step(*g, 1001);
    }
    EXPECT_EQ(g->gui.step_state, 10);
    EXPECT_EQ(label(scr, 12).text, "1 server answered");
    EXPECT_TRUE(kvscreen_button(*scr, 4)->enabled);
    // All three answer after a refresh.
    for (server_entry& e : client.servers) e.answered = 0;
    gui_handle_event(*g, 3);
    EXPECT_EQ(g->gui.step_state, 2);
    EXPECT_TRUE(list(scr, 0).rows.empty());
    client.request_result = 1;
    gui_step(*g, 1001);
    EXPECT_EQ(label(scr, 12).text, "3 servers answered");
    EXPECT_EQ(list(scr, 0).rows.size(), 3u);
}

TEST_F(Browser, AJoinAfterASortLogsInWithTheChosenRowsEntry) {
    kvgame* g = open();
    ASSERT_NE(g, nullptr);
    kvscreen* scr = s(g);
    net_client& client = srv_.client;
    client.servers = {make_entry(0x0A000001, 1, "zulu", "m", 0), make_entry(0x0A000002, 2, "alpha", "m", 0)};
    browser_fill_rows(list(scr, 0), client.servers);
    kvselection_sort(list(scr, 0), 0, kSortAscending);
    ASSERT_EQ(list(scr, 0).rows[0].key, "10.0.0.2 2");
    select(list(scr, 0), 0);
    kvroll_select(roll(scr, 0), 0);
    kvcheck_set_checked(check(scr, 0), true);
    bots_.enabled = 1;
    gui_handle_event(*g, 4);
    EXPECT_EQ(g->gui.step_state, 9);
    EXPECT_EQ(client.current_server.name, "alpha");
    EXPECT_EQ(client.current_server.port, 2);
    EXPECT_EQ(login_text(), "*login 01 1 14500 \"Ann\"");
    EXPECT_EQ(client.net_speed_setting, 0);
    EXPECT_EQ(bots_.enabled, 0);
    EXPECT_EQ(label(scr, 12).text, "Connecting...");
    EXPECT_FALSE(kvscreen_button(*scr, 4)->enabled);
    EXPECT_NE(read_file(srv_.write_dir + "servers.lst"), "");
    // Step 9 waits while the login is pending, then shows why it was refused.
    client.request_result = -1;
    gui_step(*g, 0);
    EXPECT_EQ(g->gui.step_state, 9);
    client.request_result = 0;
    client.status_text = "FLD 5";
    gui_step(*g, 0);
    EXPECT_EQ(g->gui.step_state, 10);
    EXPECT_EQ(label(scr, 12).text, "The server is full");
    // A status without a message shows the status.
    client.request_kind = kRequestNone;
    gui_handle_event(*g, 3002);
    client.request_result = 0;
    client.status_text = "FLD 42";
    gui_step(*g, 0);
    EXPECT_EQ(label(scr, 12).text, "FLD 42");
    // A granted login greets the server.
    client.request_kind = kRequestNone;
    gui_handle_event(*g, 4);
    client_capture_connect(client);
    srv_.map_follow_latch = 1;
    client.request_result = 1;
    gui_step(*g, 0);
    EXPECT_EQ(client_capture_take(client), (std::vector<std::string>{"say 0 0 0 #conn"}));
    EXPECT_TRUE(kvscreen_button(*scr, 4)->enabled);
    EXPECT_EQ(srv_.map_follow_latch, 0) << "the world follows the server's map once in";
    srv_.map_follow_latch = 1;
}

TEST_F(Browser, LeavingSavesTheListAndTheBackKeyDoesNot) {
    kvgame* g = open();
    ASSERT_NE(g, nullptr);
    srv_.client.servers = {make_entry(1, 1, "a", "m", 0)};
    const struct {
        int32_t code, slot;
        bool saved;
    } cases[] = {{5146, kScreenMenu, false}, {1, kScreenMenu, true}, {0, kScreenHostFromList, true}};
    for (const auto& c : cases) {
        std::filesystem::remove(srv_.write_dir + "servers.lst");
        gui_show_screen(*g, kScreenBrowser, false);
        browser_handle_event(*g, c.code);
        EXPECT_EQ(g->gui.current_slot, c.slot) << c.code;
        EXPECT_EQ(std::filesystem::exists(srv_.write_dir + "servers.lst"), c.saved) << c.code;
    }
}

// The LAN game list.

TEST_F(Multiplayer, TheLanListFindsGamesAndJoinsTheChosenRowsEntry) {
    kvgame* g = start_menu();
    ASSERT_NE(g, nullptr);
    net_client& client = srv_.client;
    client.request_kind = kRequestNone;
    gui_show_screen(*g, kScreenLanList, false);
    kvscreen* scr = g->gui.screens[kScreenLanList];
    gui_step(*g, 0);
    EXPECT_EQ(g->gui.step_state, 1);
    EXPECT_TRUE(client.lan_mode);
    EXPECT_EQ(list(scr, 0).columns.size(), 5u);
    EXPECT_EQ(roll(scr, 0).items.size(), 1u);
    EXPECT_FALSE(roll(scr, 0).enabled);
    EXPECT_EQ(label(scr, 12).text, "Searching the local network...");
    // Nothing found.
    client.request_result = 1;
    gui_step(*g, 600);
    gui_step(*g, 600);
    EXPECT_EQ(g->gui.step_state, 2);
    EXPECT_EQ(label(scr, 12).text, "0 games found");
    EXPECT_TRUE(list(scr, 0).rows.empty());
    // Two games, sorted by name so that the rows no longer follow the entries.
    client.request_kind = kRequestNone;
    gui_handle_event(*g, 2);
    EXPECT_EQ(g->gui.step_state, 1);
    client.servers = {make_entry(0x0A000001, 57778, "zulu", "m", -1),
                      make_entry(0x0A000002, 57778, "alpha", "m", 0)};
    client.request_result = 1;
    gui_step(*g, 1001);
    EXPECT_EQ(label(scr, 12).text, "2 games found");
    ASSERT_EQ(list(scr, 0).rows.size(), 2u);
    kvselection_sort(list(scr, 0), 0, kSortAscending);
    EXPECT_EQ(list(scr, 0).rows[0].key, "1");
    // Nothing selected: nothing happens.
    gui_handle_event(*g, 4);
    EXPECT_EQ(g->gui.step_state, 2);
    select(list(scr, 0), 0);
    client.request_kind = kRequestNone;
    bots_.enabled = 1;
    gui_handle_event(*g, 3000);
    EXPECT_EQ(g->gui.step_state, 3);
    EXPECT_EQ(client.current_server.name, "alpha");
    EXPECT_EQ(login_text(), "*login 01 0 1048576 \"Ann\"");
    EXPECT_EQ(srv_.second_status, 1);
    EXPECT_EQ(bots_.enabled, 0);
    // The login's first argument is the entry's index plus one: the second entry.
    client.request_result = -1;
    gui_step(*g, 0);
    EXPECT_EQ(g->gui.step_state, 3);
    client_capture_connect(client);
    srv_.map_follow_latch = 1;
    client.request_result = 1;
    gui_step(*g, 0);
    EXPECT_EQ(g->gui.step_state, 4);
    EXPECT_EQ(client_capture_take(client), (std::vector<std::string>{"say 0 0 0 #conn"}));
    EXPECT_EQ(srv_.map_follow_latch, 0) << "the world follows the server's map once in";
    srv_.map_follow_latch = 1;
    // Buttons 0 and 1 leave for the host screen and the menu.
    gui_handle_event(*g, 0);
    EXPECT_EQ(g->gui.current_slot, kScreenHostFromList);
}

}  // namespace
}  // namespace kv
