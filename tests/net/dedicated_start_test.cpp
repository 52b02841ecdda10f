#include "bots/bot_central.h"
#include "net/dedicated_start.h"

#include <gtest/gtest.h>

#include <string>

#include "game/server.h"
#include "kernel/log.h"
#include "net/server_session.h"
#include "net/service.h"
#include "platform/clock.h"
#include "tests/support/call_log.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

class DedicatedStart : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_open(folder.file("kv.log")));
        test_state_reset();
        server& srv = server_get();
        srv.data_dir = folder.path().string() + "/";
        srv.write_dir = srv.data_dir;
        srv.dedicated = 1;
        service_settings_init(srv.service);
        folder.write("net.cfg", "");
        reset_client();
    }
    // Idle, not connected, on any free port.
    static void reset_client() {
        net_client& client = server_get().client;
        client.client_port = 0;
        client_reset_state(client);
        client.command_queue.clear();
        client.status_text.clear();
        client.request_result = 0;
        client.connected = false;
    }
    void TearDown() override {
        service_command(server_get().service, "stop");
        server_session_destroy();
        server& srv = server_get();
        srv.data_dir.clear();
        srv.write_dir.clear();
        srv.dedicated = 0;
        srv.connecting = 0;
        srv.map_follow_latch = 1;
        reset_client();
        log_close();
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    dedicated_start start;
};

TEST_F(DedicatedStart, UnreadableScriptIsReportedOnce) {
    for (int i = 0; i < 4; ++i) dedicated_start_step(start, server_get());
    EXPECT_EQ(start.state, kDedicatedDone);
    const std::string log = folder.read("kv.log");
    const std::string line = "[game] *ERROR* Settings script `" + folder.file("mp.cfg") +
                             "' could not be read: no server started\n";
    EXPECT_EQ(log.find(line), log.rfind(line));
    EXPECT_NE(log.find(line), std::string::npos) << log;
    EXPECT_FALSE(bot_central_get().enabled);
}

TEST_F(DedicatedStart, ReadsTheScriptEnablesBotsAndLogsTheHostIn) {
    folder.write("mp.cfg", "set server-port:0\nset bots-setup:1000 0000 0000\nset pkg-name:depot\nstart\n");
    dedicated_start_step(start, server_get());
    EXPECT_TRUE(server_get().service.running);
    EXPECT_TRUE(bot_central_get().enabled);
    botc_enable(bot_central_get(), false);
    net_client& client = server_get().client;
    dedicated_start_step(start, server_get());
    EXPECT_EQ(client.command_text, "*login 01 0 1048576 \"!q!\"");
    EXPECT_EQ(client.current_server.address, 0x7F000001u);
    EXPECT_EQ(client.current_server.port, server_session_get().network->socket().port());
    EXPECT_EQ(client.send_interval, 16);
    EXPECT_EQ(server_get().connecting, 1);

    dedicated_start_step(start, server_get());
    EXPECT_EQ(start.state, kDedicatedAwaitLogin);
    // The master is busy: a second later the login is tried again.
    client_reset_state(client);
    client.request_result = 0;
    client.status_text = "FLD 9";
    dedicated_start_step(start, server_get());
    EXPECT_EQ(start.state, kDedicatedRetry);
    clock.advance_ms(999);
    dedicated_start_step(start, server_get());
    EXPECT_EQ(start.state, kDedicatedRetry);
    clock.advance_ms(1);
    dedicated_start_step(start, server_get());
    EXPECT_EQ(start.state, kDedicatedLogin);
    dedicated_start_step(start, server_get());
    EXPECT_EQ(client.request_kind, kRequestCommand);
    client_reset_state(client);
    client.request_result = 1;
    dedicated_start_step(start, server_get());
    EXPECT_EQ(start.state, kDedicatedAwaitLevel);
    // The host is in: the world follows the session's map.
    EXPECT_EQ(server_get().map_follow_latch, 0);
    EXPECT_EQ(server_get().connecting, 0);
}

}  // namespace
}  // namespace kv
