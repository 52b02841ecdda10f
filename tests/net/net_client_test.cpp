// The client session's requests, console commands, world event stream and server lists, against
// peers on loopback that play the game server and the master server.

#include "net/net_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/password.h"
#include "net/server_session.h"
#include "net/snapshot_package.h"
#include "platform/clock.h"
#include "tests/support/call_log.h"
#include "tests/support/fake_socket.h"
#include "tests/support/loopback_relay.h"
#include "tests/support/temp_folder.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kStepMs = 20;

// A game or master server reduced to its datagrams: what the client sent, and replies by hand.
class fake_peer : public net_peer {
public:
    explicit fake_peer(const int& log_level) : net_peer(log_level) { socket().bind(0); }
    void tick(int32_t) override {}
    uint16_t port() { return socket().port(); }

    // Everything received from the client so far, as "<type> <id> <text>" lines for commands.
    std::vector<std::string> take_lines(uint16_t client_port) {
        receive();
        select(kLoopbackAddress, client_port);
        std::vector<std::string> lines;
        packet p;
        while (take(p, 0)) {
            uint8_t id = 0;
            std::string text;
            if (p.type == kPacketCommand) {
                p.body.read_u8(id);
                p.body.read_string(text);
                lines.push_back(str_format("COMMAND %u ", id) + text);
            } else if (p.type == kPacketAsyncCommand) {
                p.body.read_string(text);
                lines.push_back("ASYNC " + text);
            } else {
                lines.push_back(p.type_name());
            }
        }
        // Acknowledges what came.
        send_to(client_port, packet(kPacketNone));
        return lines;
    }
    void send_to(uint16_t client_port, const packet& p, bool reliable = false) {
        select(kLoopbackAddress, client_port);
        reliable ? queue_reliable(p) : queue(p);
        flush();
    }
    void reply(uint16_t client_port, uint8_t id, const std::string& text) {
        packet p(kPacketCommandResult);
        p.body.write_u8(id);
        p.body.write_string(text);
        send_to(client_port, p);
    }
    void snapshot(uint16_t client_port, const std::string& map) {
        snapshot_package s;
        s.name = map;
        s.state = kGameWaiting;
        packet p(kPacketGameSnapshot);
        snapshot_package_write(s, p);
        send_to(client_port, p);
    }
};

class ClientRequests : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_open(folder.file("kv.log")));
        test_state_reset();
        world.client.client_port = 0;
        step();  // binds the port
        ASSERT_NE(client_port(), 0);
    }
    void TearDown() override {
        test_state_reset();
        log_close();
    }
    uint16_t client_port() { return world.client.socket().port(); }
    void step(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.advance_ms(kStepMs);
            net_client_tick(world.client, kStepMs);
        }
    }
    // The server's commands once the client sent them (a few steps).
    std::vector<std::string> sent() {
        step(3);
        return peer.take_lines(client_port());
    }
    // Logged in as player 100 through the fake server.
    void log_in() {
        client_login_new_player(world.client, kLoopbackAddress, peer.port(), "Ann");
        const std::vector<std::string> lines = sent();
        ASSERT_EQ(lines.size(), 1u);
        peer.reply(client_port(), static_cast<uint8_t>(std::stoi(lines[0].substr(8))), "OK 100");
        peer.snapshot(client_port(), "depot");
        step(3);
        ASSERT_EQ(client_server_list_result(world.client), 1);
        ASSERT_TRUE(client_is_connected(world.client));
        client_take_status_text(world.client);
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    int log_level = 0;
    server world;
    fake_peer peer{log_level};
};

TEST_F(ClientRequests, SpeedAndModeTables) {
    net_client& c = world.client;
    const struct {
        int32_t speed, limit, interval, speed_limit;
    } speeds[] = {{100, 0, 500, 20}, {5000, 0, 16, 20}, {1500, 14500, 27, 14500}, {50, 0, 27, 14500}};
    for (const auto& row : speeds) {
        SCOPED_TRACE(row.speed);
        EXPECT_EQ(client_set_net_speed(c, row.speed, row.limit), 1);
        EXPECT_EQ(c.send_interval, row.interval);
        EXPECT_EQ(c.speed_limit, row.speed_limit);
    }
    EXPECT_EQ(client_set_mode(c, 7), 1);
    EXPECT_EQ(client_take_status_text(c), "OK 1");
    EXPECT_FALSE(c.lan_mode);
    EXPECT_EQ(client_set_mode(c, 0), 1);
    EXPECT_EQ(client_take_status_text(c), "OK 0");
    EXPECT_TRUE(c.lan_mode);
    c.connected = true;
    EXPECT_EQ(client_set_mode(c, 7), 0);
    EXPECT_EQ(client_take_status_text(c), "FLD 2");
    EXPECT_TRUE(c.lan_mode);
}

TEST_F(ClientRequests, ReplyTextsComeFromTheBaseTable) {
    world.text_tables[kTextBase].entries.resize(110);
    world.text_tables[kTextBase].entries[99] = "The team is full";
    world.text_tables[kTextBase].entries[100] = "Refused";
    const struct {
        const char* reply;
        const char* text;  // null: none
    } cases[] = {{"FLD 7", "The team is full"}, {"FLD 3", "Refused"}, {"FLD 14", ""},
                 {"FLD 15", nullptr},           {"FLD -1", nullptr},  {"FLD", "Refused"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        const std::string* text = net_reply_text(world, c.reply);
        if (!c.text) {
            EXPECT_EQ(text, nullptr);
        } else {
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(*text, c.text);
        }
    }
}

// A join given while the login waits goes out after it with the next id; a late reply of another id
// is dropped instead of blocking what follows.
TEST_F(ClientRequests, AJoinQueuedBehindTheLoginGoesOutNextWithTheNextId) {
    client_login_new_player(world.client, kLoopbackAddress, peer.port(), "Ann");
    const int32_t values[5] = {100, 0, 1, 0, 0};
    EXPECT_EQ(client_send_join(world.client, values), -1);
    std::vector<std::string> lines = sent();
    ASSERT_EQ(lines, std::vector<std::string>{"COMMAND 0 login 01 0 20 \"Ann\""});
    peer.reply(client_port(), 7, "OK 1");  // not the one awaited
    peer.reply(client_port(), 0, "OK 100");
    peer.snapshot(client_port(), "depot");
    step(3);
    EXPECT_TRUE(client_is_connected(world.client));
    EXPECT_EQ(client_local_player_id(world.client), 100);
    EXPECT_EQ(world.client.command_text, "join 100 0 1 0 0");
    EXPECT_EQ(sent(), std::vector<std::string>{"COMMAND 1 join 100 0 1 0 0"});
    peer.reply(client_port(), 1, "OK 3");
    step(3);
    EXPECT_EQ(client_server_list_result(world.client), 1);
    EXPECT_EQ(client_take_status_text(world.client), "OK 3");
}

TEST_F(ClientRequests, ALoginWithoutAGameSnapshotRunsOut) {
    client_login_new_player(world.client, kLoopbackAddress, peer.port(), "Ann");
    ASSERT_EQ(sent().size(), 1u);
    peer.reply(client_port(), 0, "OK 5");
    step(kCommandCountdownMs / kStepMs + 2);
    EXPECT_EQ(client_server_list_result(world.client), 0);
    EXPECT_EQ(client_take_status_text(world.client), "FLD 4");
    EXPECT_FALSE(client_is_connected(world.client));
}

TEST_F(ClientRequests, ARefusedLoginDropsTheServer) {
    client_login_new_player(world.client, kLoopbackAddress, peer.port(), "Ann");
    ASSERT_EQ(sent().size(), 1u);
    peer.reply(client_port(), 0, "FLD 5");
    step(3);
    EXPECT_EQ(client_server_list_result(world.client), 0);
    EXPECT_EQ(client_take_status_text(world.client), "FLD 5");
    EXPECT_FALSE(world.client.has_remote(kLoopbackAddress, peer.port()));
}

// Nothing but a login goes out while not connected; a dead session refuses everything.
TEST_F(ClientRequests, RefusalsSendNothing) {
    net_client& c = world.client;
    c.current_server.address = kLoopbackAddress;
    c.current_server.port = peer.port();
    EXPECT_EQ(client_send_bye(c, 0), 0);
    EXPECT_EQ(client_take_status_text(c), "FLD 3");
    client_send_say(c, 100, 1, 0, "hi");
    client_send_hit_event(c, 100, 101, 32, 50, 0xFFFF);
    client_write_smoke_event(c, {}, {});
    EXPECT_EQ(c.event_stream.body.size(), kPacketHeaderSize);
    EXPECT_TRUE(sent().empty());

    c.servers.resize(2);
    EXPECT_EQ(client_login(c, 3, "Ann", false), 0);
    EXPECT_EQ(client_take_status_text(c), "FLD 1");
    EXPECT_TRUE(sent().empty());

    c.request_state = kRequestNetworkDown;
    EXPECT_EQ(client_login(c, -1, "Ann", false), 0);
    EXPECT_EQ(client_take_status_text(c), "FLD 0");
    EXPECT_EQ(client_request_server_list(c, true), 0);
    EXPECT_FALSE(net_client_tick(c, kStepMs));
}

TEST_F(ClientRequests, AdministratorCommandsCarryTheirDigests) {
    log_in();
    net_client& c = world.client;
    const std::string empty = scramble("", kScrambleDigest);
    EXPECT_EQ(client_send_command(c, "kick 3"), -1);
    EXPECT_EQ(sent(), std::vector<std::string>{"COMMAND 1 kick 3 " + empty});
    peer.reply(client_port(), 1, "OK");
    step(3);
    EXPECT_EQ(client_send_command(c, "pwd new"), -1);
    EXPECT_EQ(sent(),
              std::vector<std::string>{"COMMAND 2 pwd " + scramble("new", kScrambleDigest) + " " + empty});
}

TEST_F(ClientRequests, TheByeEndsTheConnection) {
    log_in();
    EXPECT_EQ(client_send_bye(world.client, 100), -1);
    EXPECT_EQ(sent(), std::vector<std::string>{"COMMAND 1 bye 100"});
    peer.reply(client_port(), 1, "OK");
    step(3);
    EXPECT_FALSE(client_is_connected(world.client));
    EXPECT_EQ(client_send_bye(world.client, 0), 0);
    EXPECT_EQ(client_take_status_text(world.client), "FLD 3");
}

// The program's goodbye at exit goes out at once, though the send interval has not passed since the
// last datagrams, and does not wait behind a command that is still to be answered.
TEST_F(ClientRequests, TheGoodbyeAtExitGoesOutAtOnce) {
    log_in();
    EXPECT_EQ(client_send_command(world.client, "kick 3"), -1);
    EXPECT_EQ(sent().size(), 1u);
    client_send_goodbye(world.client);
    EXPECT_EQ(peer.take_lines(client_port()), std::vector<std::string>{"COMMAND 2 bye 0"});
}

// Packets of a remote that is not the current server are refused.
TEST_F(ClientRequests, StrangersAreNotListenedTo) {
    log_in();
    fake_peer stranger(log_level);
    packet p(kPacketAsyncCommand);
    p.body.write_string("goald 4 5");
    stranger.send_to(client_port(), p);
    step(3);
    EXPECT_FALSE(world.client.has_remote(kLoopbackAddress, stranger.port()));
}

struct console_case {
    const char* line;
    const char* sent;  // the command that goes out; empty: none
    int32_t result;
};

TEST_F(ClientRequests, ConsoleCommands) {
    log_in();
    net_client& c = world.client;
    const console_case cases[] = {
        {"n_join x 100 2 1 3 0", "join 100 2 1 3 0", -1},
        {"n_kill x 100 2", "kill 100 2", -1},
        {"n_blogin 100 0 Bot", "blogin 100 0 Bot", -1},
        {"n_blogin", "blogin ", -1},
        {"n_say x 100 1 0 hello there", "say 100 1 0 hello there", 0},
        {"n_say x 100 1", "say 100 1 0 ", 0},
        {"n_unknown", "", 0},
    };
    uint8_t id = 1;
    for (const console_case& row : cases) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(client_console_command(c, row.line), row.result);
        const std::vector<std::string> lines = sent();
        if (row.sent[0] == 0) {
            EXPECT_TRUE(lines.empty());
        } else if (row.result == 0) {
            EXPECT_EQ(lines, std::vector<std::string>{std::string("ASYNC ") + row.sent});
        } else {
            EXPECT_EQ(lines, std::vector<std::string>{str_format("COMMAND %u ", id) + row.sent});
            peer.reply(client_port(), id++, "OK");
            // A bot login ends with the next game snapshot.
            if (std::string(row.sent).starts_with("blogin")) peer.snapshot(client_port(), "depot");
            step(3);
        }
    }
    EXPECT_EQ(client_console_command(c, "n_hit x 100 101 32 50"), 0);
    step(3);
    peer.receive();
    peer.select(kLoopbackAddress, client_port());
    packet hit;
    ASSERT_TRUE(peer.take(hit, 0));
    EXPECT_EQ(hit.type, kPacketAsyncEvent);
    EXPECT_EQ(std::vector<uint8_t>(hit.body.data() + kPacketHeaderSize, hit.body.data() + hit.body.size()),
              (std::vector<uint8_t>{0, 0, 0, 0, 100, 0, 0, 0, 101, 32, 50, 0xFF, 0xFF}));

    peer.send_to(client_port(), packet(kPacketNone));  // acknowledged
    EXPECT_EQ(client_console_command(c, "n_bye x 100"), -1);
    EXPECT_EQ(sent(), std::vector<std::string>{str_format("COMMAND %u bye 100", id)});

    EXPECT_EQ(client_console_command(c, "n_pwd secret"), 0);
    EXPECT_EQ(c.password_digest, scramble("secret", kScrambleDigest));
    EXPECT_EQ(client_console_command(c, "n_pwd"), 0);
    EXPECT_EQ(c.password_digest, scramble("", kScrambleDigest));
    EXPECT_EQ(client_console_command(c, "n_speed 100"), 1);
    EXPECT_EQ(c.send_interval, 500);
    // Matched on the line's beginning; while connected the mode stays.
    EXPECT_EQ(client_console_command(c, "n_modex 3"), 0);
    EXPECT_EQ(client_take_status_text(c), "FLD 2");
}

TEST_F(ClientRequests, ModeAndListsFromTheConsoleWhileNotConnected) {
    net_client& c = world.client;
    EXPECT_EQ(client_console_command(c, "n_mode"), 1);
    EXPECT_EQ(client_take_status_text(c), "OK 0");
    EXPECT_EQ(client_console_command(c, "n_servers 1"), -1);
    EXPECT_EQ(c.request_kind, kRequestServerList);
    EXPECT_TRUE(c.list_source);
}

// A command given before the port is bound goes out once it is.
TEST(ClientPort, ACommandQueuedBehindTheBindingGoesOutOnceBound) {
    int log_level = 0;
    server world;
    world.client.client_port = 0;
    fake_peer peer(log_level);
    EXPECT_EQ(client_login_new_player(world.client, kLoopbackAddress, peer.port(), "Ann"), -1);
    EXPECT_EQ(world.client.command_queue.size(), 1u);
    net_client_tick(world.client, kStepMs);
    EXPECT_TRUE(world.client.command_queue.empty());
    EXPECT_EQ(world.client.request_kind, kRequestCommand);
    EXPECT_EQ(client_server_list_result(world.client), -1);
}

}  // namespace
}  // namespace kv
