// The client's world event stream (written while connected, sent in packets cut between records,
// replayed in pairs with the echo off) and its server lists (the LAN broadcast reaching a real session
// on this machine, a master server played by a loopback peer, the refresh).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/explosion_effect.h"
#include "gfx/effects/smoke_effect.h"
#include "gfx/effects/water_ripple_effect.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "net/server_session.h"
#include "platform/clock.h"
#include "tests/support/call_log.h"
#include "tests/support/fake_socket.h"
#include "tests/support/loopback_relay.h"
#include "tests/support/temp_folder.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kStepMs = 20;

// The effects of the kernel's front end, explosions and smoke with their settings; then the list is
// emptied.
std::vector<std::string> take_effects() {
    gfx& g = kernel_get().graphics;
    std::vector<std::string> seen;
    for (const std::unique_ptr<effect>& e : g.effects.items) {
        if (const auto* x = dynamic_cast<const explosion_effect*>(e.get())) {
            seen.push_back(str_format("explosion %g %g %g %g %g %g %s %u %s", x->position.x, x->position.y,
                                      x->position.z, x->scale.x, x->scale.y, x->scale.z,
                                      x->sprite_texture.c_str(), x->part_flags, x->arc_texture.c_str()));
        } else if (const auto* s = dynamic_cast<const smoke_effect*>(e.get())) {
            seen.push_back(str_format("smoke %g %g %g %g %g %g %s", s->position.x, s->position.y,
                                      s->position.z, s->velocity.x, s->velocity.y, s->velocity.z,
                                      s->texture.c_str()));
        } else {
            seen.push_back(str_format("class %d", static_cast<int>(e->kind())));
        }
    }
    gfx_clear_effects(g);
    return seen;
}

class ClientEvents : public testing::Test {
protected:
    void SetUp() override {
        test_state_reset();
        gfx_reset_effects(kernel_get().graphics);
        world.client.request_kind = kRequestNone;
        world.client.connected = true;
        world.client.current_server.address = kLoopbackAddress;
        world.client.current_server.port = 9;
    }
    void TearDown() override {
        gfx_reset_effects(kernel_get().graphics);
        test_state_reset();
    }

    // The stream as one received W-SNAPSHOT.
    packet received() {
        packet p(world.client.event_stream.body.data(), world.client.event_stream.body.size());
        world.client.event_stream = packet(kPacketWorldSnapshot);
        world.client.event_groups.clear();
        return p;
    }

    server world;
};

TEST_F(ClientEvents, ReplaysInPairsWithTheEchoOff) {
    net_client& c = world.client;
    gfx& g = kernel_get().graphics;
    const std::string blast = "explosion 1 2 3 2 2 2 a 1 b";
    // After every replay the echo is back on and no effect is left to set up.
    auto settled = [&] { return gfx_effect_echo(g) && g.effects.last_effect == nullptr; };

    // Both settings records apply to the explosion before them.
    client_write_explosion_event(c, {1, 2, 3}, {2, 2, 2});
    client_write_explosion_params_event(c, "a", 1, "b", 0);
    client_write_explosion_params_event(c, "c", 1, "", 1);
    packet p = received();
    client_apply_events(c, p);
    EXPECT_TRUE(settled());
    EXPECT_EQ(take_effects(), (std::vector<std::string>{"explosion 1 2 3 2 2 2 c 3 b"}));

    // Two explosions in one pair.
    for (int i = 0; i < 2; ++i) {
        client_write_explosion_event(c, {1, 2, 3}, {2, 2, 2});
        client_write_explosion_params_event(c, "a", 1, "b", 0);
    }
    p = received();
    client_apply_events(c, p);
    EXPECT_EQ(take_effects(), (std::vector<std::string>{blast, blast}));

    client_write_impact_event(c, {1, 0, 0}, {0, 1, 0}, 255, 3);
    client_write_smoke_event(c, {4, 5, 6}, {0, 0, 1});
    p = received();
    client_apply_events(c, p);
    EXPECT_TRUE(settled());
    EXPECT_EQ(take_effects(),
              (std::vector<std::string>{str_format("class %d", static_cast<int>(effect_class::impact)),
                                        "smoke 4 5 6 0 0 1 smoke_anim"}));
    // Replayed with the echo off: nothing goes back out.
    EXPECT_EQ(c.event_stream.body.size(), kPacketHeaderSize);

    p = received();
    client_apply_events(c, p);
    EXPECT_EQ(take_effects(), (std::vector<std::string>{}));

    // The other kinds replay through their operations; settings first in a stream set nothing, and a
    // pane that is not in the current level does not break.
    client_write_impact_params_event(c, "smoke", "hole", 1, 0.5f);
    client_write_smoke_param_event(c, "puff");
    client_write_water_ripple_event(c, {1, 0, 1}, 2.0f, 4);
    client_write_water_ripple_params_event(c, "ring", 900, 1);
    client_write_screen_tint_event(c, 6, {0, 1, 0});
    client_write_decal_event(c, 513, 2, 7);
    p = received();
    client_apply_events(c, p);
    ASSERT_EQ(g.effects.count, 2u);
    const auto* ripple = dynamic_cast<const water_ripple_effect*>(g.effects.items.front().get());
    ASSERT_NE(ripple, nullptr);
    EXPECT_EQ(ripple->texture, "ring");
    EXPECT_EQ(ripple->lifetime_ms, 900);
    EXPECT_EQ(ripple->sound, 1);
    EXPECT_EQ(g.effects.items.back()->kind(), effect_class::screen_tint);
    EXPECT_TRUE(g.effects.broken_meshes.empty());
    EXPECT_TRUE(settled());
    EXPECT_EQ(c.event_stream.body.size(), kPacketHeaderSize);
}

// A kind the stream does not know, or a record cut short, ends the replay: the last effect is
// forgotten and the echo comes back on.
TEST_F(ClientEvents, AnUnknownKindOrACutRecordEndsTheReplay) {
    net_client& c = world.client;
    gfx& g = kernel_get().graphics;
    client_write_water_ripple_event(c, {4, 5, 6}, 1.0f, 0);
    packet p = received();
    p.body.seek(-1);
    p.body.write_u8(11);
    p.body.write_u8(4);  // never read
    p.body.rewind();
    p = packet(p.body.data(), p.body.size());
    client_apply_events(c, p);
    EXPECT_EQ(g.effects.count, 1u);
    EXPECT_EQ(g.effects.last_effect, nullptr);
    EXPECT_TRUE(gfx_effect_echo(g));

    client_write_water_ripple_event(c, {4, 5, 6}, 1.0f, 0);
    p = received();
    packet cut(p.body.data(), p.body.size() - 2);
    client_apply_events(c, cut);
    EXPECT_EQ(g.effects.count, 1u);
    EXPECT_EQ(g.effects.last_effect, nullptr);
    EXPECT_TRUE(gfx_effect_echo(g));
}

// Offline nothing is written; a flush cuts the stream into datagrams of at most 1,024 bytes between
// records, a settings record staying with the effect before it.
TEST_F(ClientEvents, TheFlushCutsBetweenRecords) {
    net_client& c = world.client;
    c.connected = false;
    client_write_smoke_event(c, {}, {});
    EXPECT_EQ(c.event_stream.body.size(), kPacketHeaderSize);
    EXPECT_FALSE(net_client_flush_events(c));

    c.connected = true;
    const std::string texture(40, 't');
    for (int i = 0; i < 30; ++i) {
        client_write_smoke_event(c, {static_cast<float>(i), 0, 0}, {});
        client_write_smoke_param_event(c, texture);
    }
    const std::size_t total = c.event_stream.body.size() - kPacketHeaderSize;
    ASSERT_TRUE(net_client_flush_events(c));
    EXPECT_EQ(c.event_stream.body.size(), kPacketHeaderSize);
    c.select(kLoopbackAddress, 9);
    const std::deque<packet>& queued = c.current()->unreliable;
    ASSERT_GE(queued.size(), 3u);
    std::size_t carried = 0;
    int smokes = 0;
    for (const packet& q : queued) {
        EXPECT_LE(q.body.size(), kMaxEventPacketBytes);
        carried += q.body.size() - kPacketHeaderSize;
        packet p(q.body.data(), q.body.size());
        client_apply_events(c, p);
        // Every packet holds whole pairs: each smoke with its texture.
        for (const std::string& smoke : take_effects()) {
            ++smokes;
            EXPECT_TRUE(smoke.ends_with(" " + texture)) << smoke;
        }
    }
    EXPECT_EQ(carried, total);
    EXPECT_EQ(smokes, 30);
}

class ClientLists : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_open(folder.file("kv.log")));
        test_state_reset();
        world.client.client_port = 0;
        step();
    }
    void TearDown() override {
        net_set_broadcast_port(0);
        udp_set_broadcast_address(kLimitedBroadcast);
        log_close();
    }
    void step(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.advance_ms(kStepMs);
            if (session) server_session_tick(*session, kStepMs);
            net_client_tick(world.client, kStepMs);
        }
    }
    int32_t finish() {
        for (int i = 0; i < 400 && client_server_list_result(world.client) < 0; ++i) step();
        return client_server_list_result(world.client);
    }
    uint16_t client_port() { return world.client.socket().port(); }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    int log_level = 0;
    server world;
    std::unique_ptr<server_session> session;
};

// The LAN "hello" reaches the session on this machine, which is listed with its name and map.
TEST_F(ClientLists, TheLanListFindsTheServerOnThisMachine) {
    folder.write("net.cfg", "");
    server_get().write_dir = folder.path().string() + "/";
    map_record depot;
    depot.described = 1;
    depot.name = "depot";
    server_get().maps = {depot};
    session = std::make_unique<server_session>();
    session_add_map(*session, "depot");
    server_session_start(*session, kNetModeLan, 0, "Yard", folder.file("net.cfg"));
    ASSERT_TRUE(server_session_is_running(*session));
    server_session_local_command(*session, "map depot");
    step();
    net_set_broadcast_port(session->network->socket().port());
    udp_set_broadcast_address(kLoopbackAddress);

    ASSERT_EQ(client_request_server_list(world.client, false), -1);
    EXPECT_EQ(client_request_server_list(world.client, false), 0);  // one runs
    EXPECT_EQ(finish(), 1);
    ASSERT_EQ(world.client.servers.size(), 1u);
    const server_entry& e = world.client.servers[0];
    EXPECT_EQ(e.name, "Yard");
    EXPECT_EQ(e.map, "depot");
    EXPECT_EQ(e.port, session->network->socket().port());
    const std::string status = client_take_status_text(world.client);
    EXPECT_TRUE(status.starts_with("OK 1\nHI local \"Yard\"")) << status;
    server_get().write_dir.clear();
    server_get().maps.clear();
}

// A broadcast that cannot go out ends the request with no servers once its second has run out.
TEST(ClientListsOffline, ABroadcastThatCannotGoOutEndsWithNoServers) {
    fake_clock clock;
    scoped_clock use_clock{clock};
    auto socket = std::make_unique<fake_socket>();
    socket->send_result = -1;
    int log_level = 0;
    server world;
    net_client client(world, log_level, std::move(socket));
    client.client_port = 0;
    net_client_tick(client, kStepMs);
    ASSERT_EQ(client_request_server_list(client, false), -1);
    for (int i = 0; i < 60 && client_server_list_result(client) < 0; ++i) {
        clock.advance_ms(kStepMs);
        net_client_tick(client, kStepMs);
    }
    EXPECT_EQ(client_server_list_result(client), 1);
    EXPECT_EQ(client_take_status_text(client), "OK 0\n");
}

// The master's answer: "OK" and the count, then the list of which the first line is skipped and a
// repeated address left out; the refresh then asks each listed server.
TEST_F(ClientLists, AMasterListAndItsRefresh) {
    net_client& c = world.client;
    client_set_mode(c, 1);
    c.master_address_text = "";
    ASSERT_EQ(client_request_server_list(c, true), -1);
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(client_take_status_text(c), "FLD 8");
    EXPECT_NE(folder.read("kv.log").find("[NET] *ERROR* master not found\n"), std::string::npos);

    // The master is a loopback peer at its port; the next request fetches afresh.
    udp_socket master;
    if (!master.bind(kMasterPort)) GTEST_SKIP() << "the master's port is in use";
    c.master_address_text = "127.0.0.1";
    ASSERT_EQ(client_request_server_list(c, true), -1);
    step(2);
    uint8_t buffer[2048];
    uint32_t from = 0;
    uint16_t from_port = 0;
    int32_t length = -1;
    for (int i = 0; i < 100 && length < 0; ++i)
        length = master.receive(buffer, sizeof buffer, from, from_port);
    ASSERT_GT(length, 0);
    packet asked(buffer, static_cast<std::size_t>(length));
    EXPECT_EQ(asked.type, kPacketCommand);
    uint8_t id = 0;
    std::string text;
    asked.body.read_u8(id);
    asked.body.read_string(text);
    EXPECT_EQ(text, "slist");
    packet count(kPacketCommandResult);
    count.body.write_u8(0);
    count.body.write_string("OK 2");
    count.set_header(1, 0, 7);
    packet list(kPacketAsyncCommand);
    list.body.write_string("servers\n127.0.0.1 5000\n127.0.0.1 5000\n127.0.0.2\n");
    list.set_header(2, 0, 7);
    master.send(count.body.data(), count.body.size(), from, from_port);
    master.send(list.body.data(), list.body.size(), from, from_port);
    EXPECT_EQ(finish(), 1);
    ASSERT_EQ(c.servers.size(), 2u);
    EXPECT_EQ(c.servers[0].address, kLoopbackAddress);
    EXPECT_EQ(c.servers[0].port, 5000);
    EXPECT_EQ(c.servers[1].address, 0x7F000002u);
    EXPECT_EQ(c.servers[1].port, kLanServerPort);

    // The refresh: a listed server answers its hello with its status line.
    udp_socket listed;
    ASSERT_TRUE(listed.bind(0));
    c.servers = {c.servers[0]};
    c.servers[0].port = listed.port();
    ASSERT_EQ(client_request_server_list(c, false), -1);
    step(2);
    length = -1;
    for (int i = 0; i < 100 && length < 0; ++i)
        length = listed.receive(buffer, sizeof buffer, from, from_port);
    ASSERT_GT(length, 0);
    clock.advance_ms(40);
    packet hi(kPacketCommandResult);
    hi.body.write_u8(0);
    hi.body.write_string("HI local \"North\" KV depot 3 16 1");
    hi.set_header(1, 0, 9);
    listed.send(hi.body.data(), hi.body.size(), from, from_port);
    EXPECT_EQ(finish(), 1);
    const server_entry& e = c.servers[0];
    EXPECT_EQ(e.name, "North");
    EXPECT_EQ(e.map, "depot");
    EXPECT_EQ(e.numbers[0], 3);
    EXPECT_EQ(e.numbers[1], 16);
    EXPECT_EQ(e.answered, 1);
    EXPECT_GE(e.ping, 20);
}

TEST(ClientServerReply, ParsesTheStatusLine) {
    server_entry e;
    EXPECT_FALSE(client_parse_server_reply("HI local no quotes", e));
    EXPECT_FALSE(client_parse_server_reply("HI \"open", e));
    ASSERT_TRUE(client_parse_server_reply("HI local \"Yard: North\" KV depot 1 8 0", e));
    EXPECT_EQ(e.name, "Yard: North");
    EXPECT_EQ(e.map, "depot");
    EXPECT_EQ(e.numbers[1], 8);
    // Ending at the closing quote: the rest is empty, nothing past the text is read.
    ASSERT_TRUE(client_parse_server_reply("\"Yard\"", e));
    EXPECT_EQ(e.name, "Yard");
    EXPECT_EQ(e.map, "");
    EXPECT_EQ(e.numbers[0], 0);
}

}  // namespace
}  // namespace kv
