#include "net/server_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game/server.h"
#include "kernel/log.h"
#include "net/player_state.h"
#include "net/session_players.h"
#include "net/session_rounds.h"
#include "platform/clock.h"
#include "platform/udp_socket.h"
#include "tests/support/scripted_client.h"
#include "tests/support/temp_folder.h"
#include "tools/teams_writer.h"
#include "util/text.h"

namespace kv {
namespace {

map_record depot() {
    map_record map;
    map.described = 1;
    map.name = "depot";
    const int32_t values[kMapLevelValues] = {4, 4, 4, 1, 1, 0, 0};
    std::copy(std::begin(values), std::end(values), map.level_values);
    return map;
}

class ServerSession : public testing::Test {
protected:
    void SetUp() override {
        timer_restart(run_timer());
        server& srv = server_get();
        srv.maps = {depot()};
        srv.write_dir = folder.path().string() + "/";
        folder.write("net.cfg", "# the session's settings\nserver-name:Yard: North\n");
        session_add_map(s, "depot");
        server_session_start(s, kNetModeLan, 0, "Test", folder.file("net.cfg"));
        ASSERT_TRUE(server_session_is_running(s));
        EXPECT_EQ(s.server_name, "Yard: North");
        for (const char* line : {"times 3 10 5 10 10 0 0", "map depot", "gsetup 0 0 0 0 0", "teams 4 4 4"})
            server_session_local_command(s, line);
        step();
        ASSERT_EQ(s.snapshot.state, kGameWaiting);
    }
    void TearDown() override {
        clients.clear();
        server_get().maps.clear();
        server_get().write_dir.clear();
    }

    scripted_client& client() {
        clients.push_back(std::make_unique<scripted_client>(log_level, s.network->socket().port()));
        return *clients.back();
    }
    // Server ticks with every client answering in between, so reliable packets follow each other.
    void step(int times = 6) {
        for (int i = 0; i < times; ++i) {
            clock.advance_ms(40);
            ASSERT_TRUE(server_session_tick(s, 40));
            for (auto& c : clients) c->poll();
        }
    }
    std::vector<std::string> ask(scripted_client& c, const std::string& text) {
        c.command(1, text);
        step();
        return c.replies();
    }
    // A client logged in with the nick and joined to the team; its player id.
    scripted_client& player(const std::string& nick, int32_t team) {
        scripted_client& c = client();
        const std::vector<std::string> login = ask(c, "login 0 0 1000 \"" + nick + "\"");
        const int32_t id = login.size() == 1 ? str_to_int(login[0].substr(3)) : 0;
        EXPECT_EQ(ask(c, str_format("join %d 0 %d 0 0", id, team)).size(), 1u);
        return c;
    }
    std::string session_log() const { return folder.read(session_log_name(s.log.directory, date_time())); }
    static std::string nick(server_session& session, uint32_t id) {
        return find(session.profiles, id) ? current_nick(session.profiles) : "";
    }
    player_slot& slot(uint32_t id) {
        find_by_id(s.snapshot, id);
        return *snapshot_package_current(s.snapshot);
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    int log_level = 0;
    server_session s;
    std::vector<std::unique_ptr<scripted_client>> clients;
};

TEST_F(ServerSession, LoginJoinAndUniqueNicks) {
    scripted_client& ann = client();
    EXPECT_EQ(ask(ann, "login 0 0 1000 \"Ann\""), std::vector<std::string>{"OK 100"});
    std::vector<packet> snapshots = ann.take_type(kPacketGameSnapshot);
    ASSERT_FALSE(snapshots.empty());
    snapshot_package received;
    ASSERT_TRUE(snapshot_package_read(received, snapshots.back()));
    EXPECT_EQ(received.name, "depot");
    ASSERT_EQ(received.slots.size(), 1u);
    EXPECT_EQ(received.slots[0].id, 100u);
    EXPECT_NE(session_log().find("] PLR 100 Ann CONN\n"), std::string::npos);

    EXPECT_EQ(ask(ann, "join 100 0 0 0 0"), std::vector<std::string>{"OK 1"});
    EXPECT_NE(session_log().find("] PLR 100 JOINED 1\n"), std::string::npos);

    scripted_client& second = client();
    scripted_client& third = client();
    EXPECT_EQ(ask(second, "login 0 0 1000 \"Ann\""), std::vector<std::string>{"OK 101"});
    EXPECT_EQ(ask(third, "login 100 0 1000 \"Ann\""), std::vector<std::string>{"OK 102"});  // 100 is taken
    EXPECT_EQ(nick(s, 101), "Ann.1");
    EXPECT_EQ(nick(s, 102), "Ann.2");

    // Team 2's spawn numbers start after the four of teams 0 and 1: bots fill 9-12.
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(ask(ann, "blogin 200 Bot"), std::vector<std::string>{"OK " + std::to_string(n + 1)});
    EXPECT_EQ(slot(1).spawn, 9);
    EXPECT_EQ(slot(4).spawn, 12);
    EXPECT_EQ(ask(ann, "blogin 200 Bot"), std::vector<std::string>{"FLD 7"});
    EXPECT_EQ(session_bot_connect(s, 9, 0, 0, "Bot", 0x7F000001u, ann.port()), "FLD 1");
    EXPECT_EQ(ask(second, "join 101 0 2 0 0"), std::vector<std::string>{"FLD 7"});
    EXPECT_EQ(ask(second, "join 100 0 1 0 0"), std::vector<std::string>{"FLD 1"});  // not his player
    EXPECT_EQ(slot(100).team, 0);

    listing_info listed;
    session_listing_info(s, listed);
    EXPECT_EQ(listed.host_name, "Yard: North");
    EXPECT_EQ(listed.map_name, "depot");
    ASSERT_EQ(listed.players.size(), 7u);
    EXPECT_EQ(listed.players[2].name, "Ann.2");
    EXPECT_EQ(listed.players[3].team, 2);
}

TEST_F(ServerSession, FullServerRefusesUnlessTheHostIsIn) {
    server_session_local_command(s, "teams 4 4 0");
    for (uint16_t port = 1; port <= 8; ++port)
        EXPECT_EQ(session_player_connect(s, "P", 0, 1, 0x7F000001u, port), "OK " + std::to_string(99 + port));
    EXPECT_EQ(session_player_connect(s, "P", 0, 1, 0x7F000001u, 9), "FLD 5");
    EXPECT_EQ(session_player_connect(s, "P", 0, 0, 0x7F000001u, 9), "FLD 13");
    s.host_player_id = 100;
    EXPECT_EQ(session_player_connect(s, "P", 0, 1, 0x7F000001u, 9), "OK 108");
    EXPECT_EQ(session_player_connect(s, "P", 0, 1, 0x7F000001u, 10), "FLD 5");
    // The same peer again takes its slot back.
    EXPECT_EQ(session_player_connect(s, "P", 0, 1, 0x7F000001u, 3), "FLD 5");
    s.host_player_id = 0;
    server_session_local_command(s, "teams 10 10 10");
    EXPECT_EQ(session_player_connect(s, "P", 0, 1, 0x7F000001u, 3), "OK 102");
    EXPECT_NE(session_log().find("] PLR 102 BACK\n"), std::string::npos);

    // A player without a profile still leaves; an upload's answer keeps the profile of an id in play.
    remove(s.profiles, 103);
    EXPECT_EQ(session_player_leave(s, 103), "OK");
    EXPECT_FALSE(find_by_id(s.snapshot, 103));
    s.profile_remove(104);
    EXPECT_TRUE(find(s.profiles, 104));
    EXPECT_EQ(session_player_leave(s, 103), "FLD 1");
}

TEST_F(ServerSession, HitsKillsAndCounters) {
    player("Ann", 0);
    scripted_client& bob = player("Bob", 1);
    session_player_connect(s, "Cid", 0, 1, 0x7F000001u, 7);
    session_player_join(s, 102, 0, 0, 0, 0, 0x7F000001u, 7);
    step(100);  // the freeze is over
    ASSERT_EQ(s.snapshot.state, kGameRunning);
    bob.inbox.clear();

    session_player_hit(s, 100, 101, 30, 50);
    EXPECT_EQ(slot(101).health, 50);
    step();
    std::vector<packet> events = bob.take_type(kPacketAsyncEvent);
    ASSERT_EQ(events.size(), 1u);
    uint8_t kind = 0, health = 0;
    uint32_t victim = 0;
    events[0].body.read_u8(kind);
    events[0].body.read_u32(victim);
    events[0].body.read_u8(health);
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(victim, 101u);
    EXPECT_EQ(health, 50);

    session_player_hit(s, 100, 101, 20, 100);
    EXPECT_EQ(slot(101).state, kSlotDying);
    EXPECT_EQ(slot(100).counters[1], 1);
    EXPECT_EQ(slot(101).counters[2], 1);
    EXPECT_NE(session_log().find("] PLR 100 101 0 KILL\n"), std::string::npos);

    // Team kills take kills back, never below 0; a hit from nobody counts for nobody.
    session_player_hit(s, 100, 102, 20, 100);
    EXPECT_EQ(slot(100).counters[1], 0);
    slot(102).state = kSlotPlaying;
    slot(102).health = 100;
    session_player_hit(s, 100, 102, 20, 100);
    EXPECT_EQ(slot(100).counters[1], 0);
    const int32_t deaths = slot(102).counters[2];
    slot(102).state = kSlotPlaying;
    slot(102).health = 100;
    session_player_hit(s, 555, 102, 20, 100);
    EXPECT_EQ(slot(102).state, kSlotDying);
    EXPECT_EQ(slot(102).counters[2], deaths);
    EXPECT_EQ(session_log().find("PLR 555"), std::string::npos);
    // Zones past the table do nothing.
    slot(100).health = 100;
    session_player_hit(s, 101, 100, 256, 100);
    EXPECT_EQ(slot(100).health, 100);
}

TEST_F(ServerSession, TheDemoBodysHitZonesHitAsHeadChestArmsAndLegs) {
    player("Ann", 0);
    player("Bob", 1);
    step(100);
    ASSERT_EQ(s.snapshot.state, kGameRunning);
    // At half power: head 300, chest 100, arms 30, legs 50.
    struct zone_case {
        uint8_t zone;
        int32_t health;
    };
    for (const zone_case& c : {zone_case{tools::kHitZoneHead, 0}, zone_case{tools::kHitZoneChest, 50},
                               zone_case{tools::kHitZoneArms, 85}, zone_case{tools::kHitZoneLegs, 75}}) {
        slot(101).state = kSlotPlaying;
        slot(101).health = 100;
        session_player_hit(s, 100, 101, c.zone, 50);
        EXPECT_EQ(slot(101).health, c.health) << int{c.zone};
    }
    // The head shot killed as one.
    EXPECT_NE(session_log().find("] PLR 100 101 0 KILL\n"), std::string::npos);
}

TEST_F(ServerSession, ChatReachesTheRightPlayers) {
    scripted_client& ann = player("Ann", 0);
    scripted_client& bob = player("Bob", 1);
    scripted_client& cid = player("Cid", 0);
    auto heard = [&](scripted_client& c) {
        std::vector<std::string> texts;
        for (packet& p : c.take_type(kPacketRadioMessage)) {
            uint8_t number = 0;
            std::string from, text;
            p.body.read_u8(number);
            p.body.read_string(from);
            p.body.read_string(text);
            texts.push_back(from + ": " + text);
        }
        return texts;
    };
    for (auto& c : clients) c->inbox.clear();

    ann.async_command("say 100 0 0 hold\tthe door");
    step();
    EXPECT_EQ(heard(ann), std::vector<std::string>{"Ann: hold the door"});
    EXPECT_EQ(heard(cid), std::vector<std::string>{"Ann: hold the door"});
    EXPECT_TRUE(heard(bob).empty());
    EXPECT_NE(session_log().find("] MSG TEAM 100 \"hold the door\"\n"), std::string::npos);

    ann.async_command("say 101 1 0 forged");  // not his player
    bob.async_command("say 101 1 0 hello");
    // The report keeps the slots as they are.
    s.snapshot.state = kGameReport;
    session_set_state_duration(s, 100);
    slot(102).state = kSlotDead;
    cid.async_command("say 102 1 0 boo");
    step();
    EXPECT_EQ(heard(ann), std::vector<std::string>{"Bob: hello"});
    EXPECT_EQ(heard(cid), (std::vector<std::string>{"Bob: hello", "Cid: boo"}));
    EXPECT_EQ(session_log().find("forged"), std::string::npos);
}

TEST_F(ServerSession, GoalsFromTheHostRelaysAndFarewell) {
    scripted_client& host = client();
    scripted_client& ann = client();
    ask(host, "login 0 0 1000 \"!q!\"");
    ask(ann, "login 0 0 1000 \"Ann\"");
    EXPECT_EQ(s.host_player_id, 100u);
    for (auto& c : clients) c->inbox.clear();

    ann.async_command("goal done 7 1");
    host.async_command("goal done 3 1");
    step();
    std::vector<packet> commands = ann.take_type(kPacketAsyncCommand);
    ASSERT_EQ(commands.size(), 1u);
    std::string text;
    commands[0].body.read_string(text);
    EXPECT_EQ(text, "goald 3 1");

    // A P-SNAPSHOT reaches the others with only the sender's own records.
    player_state own;
    own.id = 101;
    player_state forged;
    forged.id = 100;
    for (packet& p : player_states_write({own, forged})) ann.send_packet(p);
    step();
    EXPECT_TRUE(ann.take_type(kPacketPlayerSnapshot).empty());
    std::vector<packet> relayed = host.take_type(kPacketPlayerSnapshot);
    ASSERT_EQ(relayed.size(), 1u);
    std::vector<player_state> states;
    ASSERT_TRUE(player_states_read(relayed[0], states));
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].id, 101u);

    EXPECT_EQ(ask(ann, "bye 100"), std::vector<std::string>{"FLD 1"});
    ann.inbox.clear();
    ann.command(2, "bye 101");
    step();
    snapshot_package farewell;
    std::vector<packet> last = ann.take_type(kPacketGameSnapshot);
    ASSERT_FALSE(last.empty());
    ASSERT_TRUE(snapshot_package_read(farewell, last.front()));
    EXPECT_EQ(farewell.state, kGameQuit);
    EXPECT_FALSE(find_by_id(s.snapshot, 101));
    EXPECT_NE(session_log().find("] PLR 101 LEFT\n"), std::string::npos);
    EXPECT_EQ(s.snapshot.state, kGameWaiting);
}

TEST_F(ServerSession, FloodLeavesAServedPlayerServedWholeAndHimself) {
    scripted_client& ann = client();
    ASSERT_EQ(ask(ann, "login 0 0 1000 \"Ann\""), std::vector<std::string>{"OK 100"});
    ASSERT_EQ(ask(ann, "join 100 0 0 0 0"), std::vector<std::string>{"OK 1"});
    std::vector<std::unique_ptr<udp_socket>> senders;
    for (int i = 0; i < 100; ++i) {
        senders.push_back(std::make_unique<udp_socket>());
        ASSERT_TRUE(senders.back()->bind(0));
    }
    std::mt19937 random(28);
    const std::vector<std::string> commands = {"login 0 0 1000",
                                               "login 100 0 1000 \"\"",
                                               "quit x",
                                               "kill 0 2",
                                               "kill 100 2",
                                               "bye 100",
                                               "say 100 1 0 pwned",
                                               "join 100 0 1 0 0",
                                               "kick Ann",
                                               "hit 100 100 10 100",
                                               "map depot",
                                               "pwd x y"};
    const std::vector<std::string> async_commands = {"quit", "kick Ann", "kill 0 2", "bye 100",
                                                     "say 100 1 0 pwned"};
    const uint16_t port = s.network->socket().port();
    int answered_ticks = 0;
    for (int tick = 0; tick < 40; ++tick) {
        ann.command(tick % 200, "state");
        for (auto& sender : senders) {
            packet p(kPacketCommand);
            switch (random() % 5) {
                case 0:
                    p = packet(kPacketNone);
                    p.body.truncate();
                    p.body.rewind();
                    p.body.write_u8(static_cast<uint8_t>(random()));  // short
                    break;
                case 1:
                    p.body.seek(9000);  // oversized
                    break;
                case 2:
                    p.body.write_u8(1);
                    p.body.write_string(commands[random() % commands.size()]);
                    p.set_header(static_cast<uint32_t>(random()), static_cast<uint32_t>(random()),
                                 static_cast<uint16_t>(random()));
                    break;
                case 3:
                    p = packet(kPacketAsyncCommand);
                    p.body.write_string(async_commands[random() % async_commands.size()]);
                    break;
                default: {
                    p = packet(kPacketAsyncEvent);  // a hit in Ann's name
                    p.body.write_u8(0);
                    p.body.write_u32(100);
                    p.body.write_u32(100);
                    p.body.write_u8(10);
                    p.body.write_u8(255);
                    p.body.write_u16(0xFFFF);
                }
            }
            sender->send(p.body.data(), p.body.size(), kLoopbackAddress, port);
        }
        const uint32_t before = ann.packets_in;
        step(2);
        if (ann.packets_in > before) ++answered_ticks;
    }
    step();
    EXPECT_GE(answered_ticks, 35);
    EXPECT_GE(ann.replies().size(), 30u);
    ASSERT_TRUE(find_by_id(s.snapshot, 100));
    EXPECT_EQ(slot(100).address, kLoopbackAddress);
    EXPECT_EQ(slot(100).port, ann.port());
    EXPECT_EQ(slot(100).team, 0);
    EXPECT_EQ(slot(100).health, kFullHealth);
    EXPECT_NE(slot(100).state, kSlotDead);
    EXPECT_EQ(nick(s, 100), "Ann");
    EXPECT_TRUE(server_session_is_running(s));
    EXPECT_EQ(s.network->state, kServerRunning);
    const std::string text = session_log();
    EXPECT_EQ(text.find("pwned"), std::string::npos);
    EXPECT_EQ(text.find("PLR 100 LEFT"), std::string::npos);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) EXPECT_TRUE(line.starts_with("[") || line.starts_with("***")) << line;
}

}  // namespace
}  // namespace kv
