#include "net/net_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kernel/log.h"
#include "platform/clock.h"
#include "tests/support/child_process.h"
#include "tests/support/loopback_relay.h"
#include "tests/support/recording_session.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

struct command_result {
    uint8_t id = 0;
    std::string text;
    bool reliable = false;
};

packet command_packet(uint8_t type, int32_t request_id, const std::string& text) {
    packet p(type);
    if (type == kPacketCommand || type == kPacketCommandResult)
        p.body.write_u8(static_cast<uint8_t>(request_id));
    p.body.write_string(text);
    return p;
}

// A client, or a master server, on its own loopback socket, talking to one server port.
class scripted_peer : public net_peer {
public:
    scripted_peer(const int& log_level, uint16_t server_port)
        : net_peer(log_level), server_port_(server_port) {
        socket().bind(0);
    }
    void tick(int32_t) override {}

    void send_packet(const packet& p) {
        to_server();
        queue(p);
        flush();
    }
    void command(int32_t request_id, const std::string& text) {
        send_packet(command_packet(kPacketCommand, request_id, text));
    }
    void async_command(const std::string& text) {
        send_packet(command_packet(kPacketAsyncCommand, -1, text));
    }
    // A NONE that carries this side's acknowledgement.
    void acknowledge() { send_packet(packet(kPacketNone)); }

    // Reads what arrived; the packets of `type`, oldest first.
    std::vector<packet> take_all(uint8_t type) {
        receive();
        to_server();
        std::vector<packet> found;
        packet p;
        for (int32_t index = find(type, 0); index >= 0; index = find(type, 0)) {
            take(p, index);
            found.push_back(p);
        }
        return found;
    }
    std::vector<command_result> results(uint8_t type = kPacketCommandResult) {
        std::vector<command_result> found;
        for (packet& p : take_all(type)) {
            command_result r;
            r.reliable = (p.seq & kSeqFlag) != 0;
            p.body.read_u8(r.id);
            p.body.read_string(r.text);
            found.push_back(r);
        }
        return found;
    }
    uint16_t port() { return socket().port(); }
    void to_server() { select(kLoopbackAddress, server_port_); }

private:
    uint16_t server_port_;
};

class NetServerLoopback : public testing::Test {
protected:
    void start(int32_t mode) {
        server = std::make_unique<net_server>(session, log_level);
        server->set_mode_and_port(mode, 0);
        if (mode == kModeInternet) server->set_master_name("127.0.0.1");
        server->tick(0);
        ASSERT_EQ(server->state, kServerRunning);
        if (mode == kModeInternet) {
            // A fake master server; the server says its first "hello" in its next tick.
            master = std::make_unique<scripted_peer>(log_level, server_port());
            server->master_port = master->port();
        }
    }

    uint16_t server_port() { return server->socket().port(); }
    std::unique_ptr<scripted_peer> client() {
        return std::make_unique<scripted_peer>(log_level, server_port());
    }
    // A client whose peer holds the slot of player `id` (its first datagram is a command: only a
    // command makes a record).
    std::unique_ptr<scripted_peer> player_client(int32_t id) {
        auto peer = client();
        session.players[{kLoopbackAddress, peer->port()}] = id;
        peer->command(0, "nonsense");
        return peer;
    }
    void step(int64_t ms = 50) {
        clock.advance_ms(ms);
        server->tick(static_cast<int32_t>(ms));
    }
    // One command, one tick, and what came back.
    std::vector<command_result> ask(scripted_peer& peer, const std::string& text, int32_t request_id = 7) {
        peer.command(request_id, text);
        step();
        return peer.results();
    }
    // Lets the master answer every "hello" it got.
    int answer_master_hellos() {
        int answered = 0;
        for (packet& p : master->take_all(kPacketCommand)) {
            uint8_t id = 0;
            std::string text;
            p.body.read_u8(id);
            p.body.read_string(text);
            if (text != "hello") continue;
            master->send_packet(command_packet(kPacketCommandResult, id, "OK"));
            ++answered;
        }
        return answered;
    }
    std::string where(scripted_peer& peer) { return str_format("127.0.0.1:%d net", peer.port()); }

    fake_clock clock;
    scoped_clock use_clock{clock};
    int log_level = 0;
    recording_session session;
    std::unique_ptr<net_server> server;
    std::unique_ptr<scripted_peer> master;
};

TEST_F(NetServerLoopback, CommandTableCallsTheSessionAndSendsItsReply) {
    start(0);
    struct table_case {
        std::string text;
        std::string call;   // "" when the session must not be called
        std::string reply;  // "-" when no reply may come
    };
    const table_case cases[] = {
        {"joiner 1 2 1 0 0", "join 1 2 1 0 0", "OK"},
        {"join 1 2 5 0 0", "", "FLD 1"},
        {"join 1 2 -1 0 0", "", "FLD 1"},
        {"join 99999999999999999999 x 2", "join 2147483647 0 2 0 0", "OK"},
        {"reg", "", "FLD 2"},
        {"times 1 2 3 4 5 6 7", "times 1 2 3 4 5 6 7", "OK"},
        {"gsetup 2 1 0 1 yes", "gsetup 2 1 0 1 0", "OK"},
        {"teams 4 5", "teams 4 5 0", "OK"},
        {"say 100 1 0 hello there\tall", "say 100 1 0 hello there all", "-"},
        {"hit 100 101 2 50 -1", "hit 100 101 2 50 -1", "-"},
        {"kill 100 101", "kill 100 101", "OK"},
        {"kick a b", "kick a b", "OK"},
        {"map level2 pw", "map level2 pw", "OK"},
        {"pwd new old", "pwd new old", "OK"},
        {"restart pw", "restart pw", "OK"},
        {"goal done 2 1", "goal done 2 1", "-"},
        {"drop 1 2 3", "replicated ASYNC-COMMAND", "-"},
        {"defused 100 4", "replicated ASYNC-COMMAND", "-"},
        {"blogin 123 Fred", "bot_connect 1 2 3 Fred", "OK 1"},
        {"blogin 012", "bot_connect 0 1 2 Bot", "OK 2"},
        {"blogin 13 Fred", "", "FLD 1"},
        {"blogin 923", "", "FLD 1"},
        {"state", "", "OK"},
        {"nonsense 1 2", "", "-"},
        {"", "", "-"},
    };
    for (const table_case& c : cases) {
        SCOPED_TRACE(c.text);
        session.calls.clear();
        auto peer = client();
        const std::vector<command_result> replies = ask(*peer, c.text);
        if (c.call.empty()) {
            EXPECT_TRUE(session.calls.empty()) << session.calls.front();
        } else {
            ASSERT_EQ(session.calls.size(), 1u);
            EXPECT_EQ(session.calls[0], c.call + " " + where(*peer));
        }
        if (c.reply == "-") {
            EXPECT_TRUE(replies.empty());
        } else {
            ASSERT_EQ(replies.size(), 1u);
            EXPECT_EQ(replies[0].text, c.reply);
            EXPECT_EQ(replies[0].id, 7);
            EXPECT_TRUE(replies[0].reliable);
        }
    }
}

TEST_F(NetServerLoopback, BotLineExpandsIntoOneBotConnectPerBot) {
    start(0);
    auto peer = client();
    // Team 0: one of specialisation 1; team 2: two of specialisation 3.
    auto replies = ask(*peer, "blogin 0100 0000 0002");
    EXPECT_EQ(session.calls, (std::vector<std::string>{"bot_connect 0 1 0  " + where(*peer),
                                                       "bot_connect 2 3 0  " + where(*peer),
                                                       "bot_connect 2 3 0  " + where(*peer)}));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "OK 1 2 3");

    session.replies["bot_connect"] = "FLD 5";
    peer->acknowledge();
    replies = ask(*peer, "blogin 000000000001");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "FLD 5");
}

TEST_F(NetServerLoopback, AdministratorCommandsGetThePasswordOnlyFromLocalDispatch) {
    start(0);
    auto peer = client();
    // Only a command makes a record for a new address.
    peer->command(0, "nonsense");
    peer->async_command("kick a b");
    peer->async_command("quit");
    session.allow_quit = false;
    step();
    EXPECT_EQ(session.calls, (std::vector<std::string>{"kick a b " + where(*peer), "quit  " + where(*peer)}));
    EXPECT_TRUE(peer->results().empty());

    session.calls.clear();
    EXPECT_EQ(server->dispatch_local("kick a"), 13);
    EXPECT_EQ(session.calls, (std::vector<std::string>{"kick a secret 0.0.0.0:65535 local"}));
    EXPECT_EQ(server->state, kServerRunning);
}

TEST_F(NetServerLoopback, RefusedQuitAnswersFld11AndTheServerKeepsServing) {
    start(0);
    session.allow_quit = false;
    auto peer = client();
    auto replies = ask(*peer, "quit wrong");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "FLD 11");
    EXPECT_EQ(server->state, kServerRunning);
    EXPECT_TRUE(server->keeps_running());

    peer->acknowledge();
    replies = ask(*peer, "times 1 2 3 4 5 6 7");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "OK");

    session.allow_quit = true;
    server->dispatch_local("quit");
    EXPECT_EQ(session.calls.back(), "quit secret 0.0.0.0:65535 local");
    EXPECT_EQ(server->state, kServerStopping);
    step();
    EXPECT_FALSE(server->keeps_running());
}

TEST_F(NetServerLoopback, LoginReachesConnectAndItsReplyGoesReliablyWithTheRequestId) {
    start(0);
    const std::string long_name(300, 'n');
    const struct {
        std::string text;
        std::string call;
    } cases[] = {
        {"login 01 0 20 \"Othello\"", "connect 1 0 20 Othello 1"},
        {"login 01 0 20", "connect 1 0 20 Player 1"},
        {"login", "connect 0 0 0 Player 1"},
        {"login 120 1 2000 \"\"", "connect 120 1 2000 Player 1"},
        {"login 01 0 20 \"" + long_name + "\"", "connect 1 0 20 " + long_name.substr(0, 31) + " 1"},
        {"login 01 0 20 \"Two words\"", "connect 1 0 20 Two words 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        session.calls.clear();
        auto peer = client();
        peer->command(42, c.text);
        step();
        // The login is answered when the pending queue is stepped, in the tick after it arrived.
        step();
        const std::vector<command_result> replies = peer->results();
        ASSERT_EQ(session.calls.size(), 1u);
        EXPECT_EQ(session.calls[0], c.call + " " + where(*peer));
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0].id, 42);
        EXPECT_TRUE(replies[0].reliable);
    }
}

TEST_F(NetServerLoopback, PlayerNamedOthelloKeepsHisRecordAndBrowsersDoNot) {
    start(0);
    auto othello = client();
    othello->command(1, "login 01 0 2000 \"Othello\"");
    step();
    server->select(kLoopbackAddress, othello->port());
    EXPECT_EQ(server->current()->speed, 20);
    step();
    server->select(kLoopbackAddress, othello->port());
    EXPECT_EQ(server->current()->session_words[0], 20);
    session.players[{kLoopbackAddress, othello->port()}] = 100;

    auto browser = client();
    const std::vector<command_result> hi = ask(*browser, "hello");
    ASSERT_EQ(hi.size(), 1u);
    EXPECT_EQ(hi[0].text, "HI local status");
    EXPECT_FALSE(hi[0].reliable);
    step();
    EXPECT_FALSE(server->has_remote(kLoopbackAddress, browser->port()));
    for (int i = 0; i < 5; ++i) {
        othello->command(2, "say 100 1 0 hello all");
        othello->acknowledge();
        step();
    }
    EXPECT_TRUE(server->has_remote(kLoopbackAddress, othello->port()));
    EXPECT_EQ(server->remote_count(), 1u);
}

TEST_F(NetServerLoopback, SilentLocalServerLeavesHelloUnanswered) {
    start(kModeSilentLocal);
    auto browser = client();
    EXPECT_TRUE(ask(*browser, "hello").empty());
}

TEST_F(NetServerLoopback, KeepAlivesGoToPlayersOnlyAndSilentStraysAreLostOnce) {
    start(0);
    auto player = player_client(100);
    auto stray = client();
    stray->command(1, "nonsense");
    step();
    player->receive();
    stray->receive();
    const uint32_t player_before = player->packets_in;
    const uint32_t stray_before = stray->packets_in;
    for (int tick = 0; tick < 20; ++tick) {
        step(100);
        player->receive();
        EXPECT_GE(player->packets_in, player_before + static_cast<uint32_t>(tick) + 1) << "tick " << tick;
    }
    stray->receive();
    EXPECT_EQ(stray->packets_in, stray_before);

    // Ten silent seconds: the stray is reported lost once and forgotten.
    for (int tick = 0; tick < 100; ++tick) {
        player->acknowledge();
        step(100);
    }
    EXPECT_EQ(session.lost_count, 1);
    EXPECT_EQ(session.calls_of("lost"), (std::vector<std::string>{"lost " + where(*stray)}));
    EXPECT_FALSE(server->has_remote(kLoopbackAddress, stray->port()));
    EXPECT_TRUE(server->has_remote(kLoopbackAddress, player->port()));
}

TEST_F(NetServerLoopback, PingRoundsEveryFiveSecondsAndPingReports) {
    start(0);
    auto player = player_client(100);
    int rounds = 0;
    for (int tick = 0; tick < 130; ++tick) {
        step(100);
        const std::vector<packet> pings = player->take_all(kPacketPing);
        if (pings.empty()) {
            player->acknowledge();
            continue;
        }
        ++rounds;
        // The answer leaves 40 ms after the round: half a round trip of 20 ms.
        clock.advance_ms(40);
        player->send_packet(packet(kPacketPing));
        step(0);
    }
    EXPECT_GE(rounds, 2);
    const std::vector<std::string> reports = session.calls_of("ping");
    ASSERT_FALSE(reports.empty());
    // The same half round trip is reported once.
    EXPECT_EQ(reports, (std::vector<std::string>{"ping 100 20"}));

    // A stray's PING is answered with a PING.
    auto stray = client();
    stray->command(1, "nonsense");
    stray->send_packet(packet(kPacketPing));
    step();
    EXPECT_EQ(stray->take_all(kPacketPing).size(), 1u);
}

TEST_F(NetServerLoopback, InternetModeWaitsForTheMasterBeforeCommandsThatNeedIt) {
    start(kModeInternet);
    step();
    EXPECT_FALSE(server->master_ok());
    auto peer = client();
    auto replies = ask(*peer, "join 1 2 1 0 0");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "FLD 9");
    EXPECT_TRUE(session.calls.empty());
    peer->acknowledge();
    replies = ask(*peer, "times 1 2 3 4 5 6 7");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "OK");

    EXPECT_EQ(answer_master_hellos(), 1);
    step();
    EXPECT_TRUE(server->master_ok());
    peer->acknowledge();
    replies = ask(*peer, "join 1 2 1 0 0");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "OK");
}

TEST_F(NetServerLoopback, SilentMasterFailsTheServerAfterFifteenTriesTwoSecondsApart) {
    start(kModeInternet);
    int hellos = 0;
    int ticks = 0;
    while (server->keeps_running() && ticks < 1000) {
        step(100);
        ++ticks;
        hellos += static_cast<int>(master->take_all(kPacketCommand).size());
    }
    EXPECT_FALSE(server->keeps_running());
    EXPECT_EQ(server->state, kServerFailed);
    EXPECT_EQ(hellos, 15);
    EXPECT_GE(ticks, 14 * 20);
    EXPECT_LE(ticks, 15 * 21 + 2);
}

TEST_F(NetServerLoopback, ProfileUploadsGoToTheMasterAndAreGivenUpAfterTenTries) {
    temp_folder folder;
    ASSERT_TRUE(log_open(folder.file("kv.log")));
    start(kModeInternet);
    step();
    answer_master_hellos();
    step();
    ASSERT_TRUE(server->master_ok());
    auto peer = client();

    // Answered: the profile leaves the table.
    peer->command(1, "upldp 100");
    step();
    step();
    std::vector<packet> uploads = master->take_all(kPacketCommand);
    ASSERT_EQ(uploads.size(), 1u);
    uint8_t id = 0;
    std::string text;
    uploads[0].body.read_u8(id);
    uploads[0].body.read_string(text);
    EXPECT_EQ(text, "setp 100 1 2 3");
    master->send_packet(command_packet(kPacketCommandResult, id, "OK"));
    step();
    EXPECT_EQ(session.calls_of("profile_remove"), (std::vector<std::string>{"profile_remove 100"}));
    EXPECT_TRUE(server->pending.empty());

    // Unanswered: ten sends, then the warning.
    peer->command(2, "upldp 101");
    step();
    int sends = 0;
    for (int tick = 0; tick < 300 && !server->pending.empty(); ++tick) {
        step(100);
        sends += static_cast<int>(master->take_all(kPacketCommand).size());
    }
    EXPECT_TRUE(server->pending.empty());
    EXPECT_EQ(sends, 10);
    log_close();
    EXPECT_NE(folder.read("kv.log").find("[NET] *WARNING* failed to upload profile for 101\n"),
              std::string::npos);
}

TEST_F(NetServerLoopback, FloodOfJunkLeavesAServedPlayerServedAndTheRemotesBounded) {
    start(0);
    auto player = player_client(100);
    session.record = false;
    session.allow_quit = false;
    std::vector<std::unique_ptr<udp_socket>> senders;
    for (int i = 0; i < 200; ++i) {
        senders.push_back(std::make_unique<udp_socket>());
        ASSERT_TRUE(senders.back()->bind(0));
    }
    std::mt19937 random(27);
    const std::vector<std::string> junk = {"login", "quit",       "kick",  "bye", "blogin 999999999999",
                                           "hello", "join 1 1 1", "upldp", "say", "reg",
                                           "setp",  "pwd x"};
    const auto send_to_server = [&](udp_socket& s, const std::vector<uint8_t>& bytes) {
        s.send(bytes.data(), bytes.size(), kLoopbackAddress, server_port());
    };
    int replies = 0;
    for (int tick = 0; tick < 60; ++tick) {
        // Ahead of the flood: behind it, the socket's full buffer would drop it.
        player->command(static_cast<int32_t>(tick % 200), "times 1 2 3 4 5 6 7");
        for (auto& sender : senders) {
            std::vector<uint8_t> bytes;
            switch (random() % 6) {
                case 0:  // too short for a header
                    bytes.assign(random() % 11, 0x01);
                    break;
                case 1:  // oversized
                    bytes.assign(9000, static_cast<uint8_t>(random()));
                    break;
                case 2:  // random bytes
                    bytes.resize(11 + random() % 64);
                    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
                    break;
                case 3: {  // forged reliable packets that claim to acknowledge anything
                    packet p(static_cast<uint8_t>(random() % kPacketTypeCount));
                    p.body.write_u32(static_cast<uint32_t>(random()));
                    p.set_header(static_cast<uint32_t>(random()), static_cast<uint32_t>(random()),
                                 static_cast<uint16_t>(random()));
                    bytes.assign(p.body.data(), p.body.data() + p.body.size());
                    break;
                }
                case 4: {
                    packet p = command_packet(random() % 2 ? kPacketCommand : kPacketAsyncCommand, 1,
                                              junk[random() % junk.size()]);
                    bytes.assign(p.body.data(), p.body.data() + p.body.size());
                    break;
                }
                default: {
                    const std::string query = random() % 2 ? "\\status\\" : "\\basic\\\\secure\\abc";
                    bytes.assign(query.begin(), query.end());
                }
            }
            send_to_server(*sender, bytes);
        }
        step(200);
        std::size_t alive = 0;
        for (const remote_record& r : server->remotes()) alive += r.alive ? 1 : 0;
        EXPECT_LE(alive, kMaxStrayRemotes + 1);
        const uint32_t before = player->packets_in;
        replies += static_cast<int>(player->results().size());
        EXPECT_GT(player->packets_in, before) << "tick " << tick;
        player->acknowledge();
    }
    EXPECT_GE(replies, 50);
    EXPECT_EQ(server->state, kServerRunning);
    EXPECT_TRUE(server->keeps_running());
}

// The program's full path from PATH; empty when it is not installed.
std::string find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', at), dirs.size());
        const std::filesystem::path candidate = std::filesystem::path(dirs.substr(at, end - at)) / name;
        if (std::filesystem::exists(candidate)) return candidate.string();
        at = end + 1;
    }
    return {};
}

TEST_F(NetServerLoopback, ListingClientFindsTheInternetServerUp) {
    const std::string quakestat = find_program("quakestat");
    ASSERT_FALSE(quakestat.empty())
        << "quakestat is missing: tools/install-deps.sh installs it (package qstat)";
    start(kModeInternet);
    server->listing.source = [](listing_info& info) {
        info.host_name = "Loopback Arena";
        info.host_port = 57778;
        info.map_name = "level2";
        info.max_players = 30;
        info.time_limit = 15;
        info.players = {{"Othello", 3, 1, 12, 40, 0}, {"Desdemona", 1, 3, 9, 60, 1}};
    };
    step();
    answer_master_hellos();
    step();
    ASSERT_TRUE(server->master_ok());
    ASSERT_TRUE(server->listing.running);

    temp_folder folder;
    child_process child(quakestat, {"-xml", "-R", "-P", "-gps", str_format("127.0.0.1:%d", server_port())},
                        folder.path().string());
    ASSERT_TRUE(child.started());
    std::optional<int> status;
    for (int i = 0; i < 5000 && !status; ++i) {
        step(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        status = child.wait(0);
    }
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0);
    const std::string out = folder.read("stdout");
    EXPECT_NE(out.find("status=\"UP\""), std::string::npos) << out;
    EXPECT_NE(out.find("<hostname>127.0.0.1:" + std::to_string(server_port()) + "</hostname>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<name>Loopback Arena</name>"), std::string::npos) << out;
    EXPECT_NE(out.find("<map>level2</map>"), std::string::npos) << out;
    EXPECT_NE(out.find("<numplayers>2</numplayers>"), std::string::npos) << out;
    EXPECT_NE(out.find("<maxplayers>30</maxplayers>"), std::string::npos) << out;
    EXPECT_NE(out.find("Othello"), std::string::npos) << out;
}

}  // namespace
}  // namespace kv
