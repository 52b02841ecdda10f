#include "net/service.h"

#include <gtest/gtest.h>

#include <string>

#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/server_session.h"
#include "platform/clock.h"
#include "tests/support/scripted_client.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

class Service : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_open(folder.file("kv.log")));
        timer_restart(run_timer());
        server& srv = server_get();
        map_record depot;
        depot.described = 1;
        depot.name = "depot";
        std::fill(std::begin(depot.level_values), std::end(depot.level_values), 8);
        srv.maps = {depot};
        srv.data_dir = folder.path().string() + "/data/";
        srv.write_dir = folder.path().string() + "/write/";
        folder.write("data/net.cfg", "master:127.0.0.1\n");
        folder.write("write/.keep", "");
        srv.dedicated = 0;
        kernel_get().running = true;
        service_settings_init(st);
    }
    void TearDown() override {
        service_command(st, "stop");
        server_session_destroy();
        server& srv = server_get();
        srv.maps.clear();
        srv.data_dir.clear();
        srv.write_dir.clear();
        srv.dedicated = 0;
        srv.hosting = 0;
        log_close();
    }
    bool run(std::initializer_list<const char*> lines) {
        bool last = false;
        for (const char* line : lines) last = service_command(st, line);
        return last;
    }
    std::string log() const { return folder.read("kv.log"); }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    service_settings st;
};

TEST_F(Service, SetLines) {
    EXPECT_EQ(st.game_mode, 0);
    EXPECT_EQ(st.maxplayers1, 10);
    EXPECT_TRUE(run({"set game-mode:custom"}));
    EXPECT_EQ(st.game_mode, 2);
    run({"set game-mode:realistic"});
    EXPECT_EQ(st.game_mode, 1);
    run({"set game-mode:whatever"});
    EXPECT_EQ(st.game_mode, 2);

    EXPECT_FALSE(run({"set net-mode:xyz"}));
    EXPECT_EQ(st.net_mode, 0);
    EXPECT_TRUE(run({"set net-mode:inet"}));
    EXPECT_EQ(st.net_mode, 1);

    run({"set server-name:\"My:Server\"", "set friendly-fire:yes", "set id-tags:Yes", "set round-time:12x",
         "set max-fps:50", "set bots-setup:1000 0100 0000", "set pkg-name:depot", "set pkg-name:yard",
         "set unknown:1"});
    EXPECT_EQ(st.server_name, "My:Server");
    EXPECT_TRUE(st.friendly_fire);
    EXPECT_FALSE(st.id_tags);
    EXPECT_EQ(st.round_time, 12);
    EXPECT_EQ(st.min_frame_ms, 20);
    EXPECT_EQ(st.bots_setup, "1000 0100 0000");
    EXPECT_EQ(st.packages, (std::vector<std::string>{"depot", "yard"}));
    EXPECT_TRUE(run({"set server-name"}));  // no colon, no value
    EXPECT_EQ(st.server_name, "");
    EXPECT_TRUE(run({"set"}));
    EXPECT_FALSE(run({"sets dedicated:yes"}));
    EXPECT_FALSE(st.dedicated);
    EXPECT_FALSE(run({"stop"}));
    EXPECT_EQ(log().find("stopped"), std::string::npos);
}

TEST_F(Service, ClampLowersTheLargestTeamLaterFirst) {
    struct Case {
        int32_t in[3];
        int32_t out[3];
    };
    const Case cases[] = {{{20, 20, 5}, {13, 12, 5}},
                          {{10, 10, 10}, {10, 10, 10}},
                          {{-4, 40, 0}, {0, 30, 0}},
                          {{11, 11, 11}, {10, 10, 10}}};
    for (const Case& c : cases) {
        st.maxplayers1 = c.in[0];
        st.maxplayers2 = c.in[1];
        st.maxplayers3 = c.in[2];
        service_clamp_team_sizes(st);
        EXPECT_EQ(st.maxplayers1, c.out[0]);
        EXPECT_EQ(st.maxplayers2, c.out[1]);
        EXPECT_EQ(st.maxplayers3, c.out[2]);
    }
}

TEST_F(Service, LocalModeStartsInProcessAndStopStartsAfresh) {
    EXPECT_TRUE(run({"set server-port:0", "set net-mode:local", "set dedicated:yes", "set maxplayers1:20",
                     "set maxplayers2:20", "set maxplayers3:5", "set round-time:10", "set campaign-time:30",
                     "set pkg-name:depot"}));
    EXPECT_TRUE(run({"start"}));
    EXPECT_TRUE(st.running);
    EXPECT_FALSE(st.dedicated);
    EXPECT_TRUE(kernel_get().running);
    EXPECT_EQ(server_get().hosting, 1);
    EXPECT_NE(log().find("[game] Local KV server service started\n"), std::string::npos);
    EXPECT_FALSE(run({"set freeze-time:4"}));  // stored, but the server runs already
    EXPECT_EQ(st.freeze_time, 4);
    EXPECT_FALSE(run({"start"}));

    server_session& first = server_session_get();
    EXPECT_EQ(first.max_players[0], 13);
    EXPECT_EQ(first.max_players[1], 12);
    EXPECT_EQ(first.max_players[2], 5);
    EXPECT_EQ(first.times.round, 600);
    EXPECT_EQ(first.times.campaign, 1800);
    EXPECT_EQ(first.current_map, "depot");
    ASSERT_TRUE(service_tick(st, 10));
    const uint16_t port = first.network->socket().port();
    ASSERT_NE(port, 0);
    int log_level = 0;
    scripted_client ann(log_level, port);
    ann.command(1, "login 0 0 1000 \"Ann\"");
    for (int i = 0; i < 3; ++i) {
        service_tick(st, 10);
        ann.poll();
    }
    EXPECT_EQ(ann.replies(), std::vector<std::string>{"OK 100"});

    EXPECT_TRUE(run({"stop"}));
    EXPECT_FALSE(st.running);
    EXPECT_TRUE(st.packages.empty());
    EXPECT_EQ(server_get().hosting, 0);
    EXPECT_NE(log().find("[game] Local KV server service stopped\n"), std::string::npos);

    EXPECT_TRUE(run({"set pkg-name:depot", "start"}));
    server_session& second = server_session_get();
    EXPECT_TRUE(second.snapshot.slots.empty());
    EXPECT_EQ(second.maps, std::vector<std::string>{"depot"});
    ASSERT_TRUE(service_tick(st, 10));
    scripted_client bob(log_level, second.network->socket().port());
    bob.command(1, "login 0 0 1000 \"Bob\"");
    for (int i = 0; i < 3; ++i) {
        service_tick(st, 10);
        bob.poll();
    }
    EXPECT_EQ(bob.replies(), std::vector<std::string>{"OK 100"});
}

TEST_F(Service, StartFailures) {
    EXPECT_FALSE(run({"start"}));  // no map to host
    EXPECT_NE(log().find("[game] *ERROR* Local KV server failed to start\n"), std::string::npos);
    std::filesystem::remove(folder.file("data/net.cfg"));
    EXPECT_FALSE(run({"set pkg-name:depot", "start"}));
    EXPECT_FALSE(st.running);
    EXPECT_TRUE(service_tick(st, 10));
}

TEST_F(Service, RelaunchWritesTheScriptThatStartsInTheNextProcess) {
    run({"set server-name:\"Yard\"", "set dedicated:yes", "set iron-sights:yes", "set server-port:0",
         "set campaign-time:20", "set respawn-time:7", "set max-fps:25", "set bots-setup:0100 0000 0000",
         "set pkg-name:depot", "set pkg-name:yard"});
    EXPECT_TRUE(run({"start"}));
    EXPECT_FALSE(st.running);
    EXPECT_FALSE(kernel_get().running);
    EXPECT_EQ(folder.read("write/mp.cfg"),
              "set server-name:\"Yard\"\nset game-mode:arcade\nset friendly-fire:no\nset iron-sights:yes\n"
              "set free-camera:no\nset id-tags:no\nset server-port:0\nset net-mode:lan\nset round-time:300\n"
              "set freeze-time:3\nset report-time:5\nset death-time:10\nset campaign-time:20\n"
              "set maxplayers1:10\nset maxplayers2:10\nset maxplayers3:10\nset respawn-time:7\n"
              "set levelending-time:10\nset max-fps:25\nset bots-setup:0100 0000 0000\nset pkg-name:depot\n"
              "set pkg-name:yard\nstart\n");

    // The relaunched process reads it back and serves itself.
    server_get().dedicated = 1;
    kernel_get().running = true;
    service_settings_init(st);
    ASSERT_TRUE(service_load_config(st));
    EXPECT_TRUE(st.running);
    EXPECT_EQ(st.respawn_time, 7);
    EXPECT_EQ(st.bots_setup, "0100 0000 0000");
    EXPECT_TRUE(kernel_get().running);

    // A dedicated process never asks for another one, whatever its script says.
    run({"stop", "set dedicated:yes", "set pkg-name:depot"});
    EXPECT_TRUE(run({"start"}));
    EXPECT_TRUE(st.running);
    EXPECT_TRUE(kernel_get().running);
}

TEST_F(Service, ScriptEndsAtTheFirstEmptyLineAndUnwritableScriptKeepsTheEngine) {
    folder.write("data/mp.cfg", "set server-name:\"Shipped\"\n");
    ASSERT_TRUE(service_load_config(st));
    EXPECT_EQ(st.server_name, "Shipped");
    folder.write("write/mp.cfg", "set server-name:\"Mine\"\r\n\r\nset round-time:1\n");
    ASSERT_TRUE(service_load_config(st));
    EXPECT_EQ(st.server_name, "Mine");
    EXPECT_EQ(st.round_time, 300);

    std::filesystem::remove_all(folder.file("write"));
    folder.write("write", "a file where the folder should be");
    server_get().write_dir = folder.file("write") + "/";
    run({"set dedicated:yes", "set pkg-name:depot"});
    EXPECT_FALSE(run({"start"}));
    EXPECT_TRUE(kernel_get().running);
    EXPECT_NE(log().find("could not be written"), std::string::npos);
    server_get().write_dir = folder.file("nowhere") + "/";
    server_get().data_dir = folder.file("nowhere") + "/";
    EXPECT_FALSE(service_load_config(st));
}

}  // namespace
}  // namespace kv
