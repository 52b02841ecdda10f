// The client session against the real server session on loopback: two world servers of their own on
// the demo level, each with its client, play through the session (login, join, player states, chat and
// radio, hits, grenades and drops, world events, profiles, a map change and the goodbye), and a login
// and join go through a lossy test network.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "beings/being.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_world.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/effects/explosion_effect.h"
#include "gfx/effects/smoke_effect.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "net/server_session.h"
#include "platform/clock.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/support/call_log.h"
#include "tests/support/loopback_relay.h"
#include "tests/support/temp_folder.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int32_t kStepMs = 20;

map_record map_of(const std::string& name) {
    map_record map;
    map.described = 1;
    map.name = name;
    const int32_t values[kMapLevelValues] = {4, 4, 4, 1, 1, 0, 0};
    std::copy(std::begin(values), std::end(values), map.level_values);
    return map;
}

class ClientSession : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_open(folder.file("kv.log")));
        timer_restart(run_timer());
        test_state_reset();
        kernel_get().running = true;
        ASSERT_TRUE(tools::write_demo_data(folder.file("data")));
        // A second map to change to: the depot under another name.
        std::filesystem::copy_file(folder.file("data/maps/depot"), folder.file("data/maps/yard"));
        std::filesystem::create_directories(folder.file("write"));
        server& host = server_get();
        // The screen the game objects open, where the kernel looks.
        auto screens = std::make_unique<package>();
        screens->name = "kvbase";
        auto basic = std::make_unique<view_set>();
        basic->name = "basic";
        object_table_add_owned(screens->screens, std::move(basic));
        screens_ = screens.get();
        host.packages.push_back(std::move(screens));
        host.maps = {map_of("depot"), map_of("yard")};
        host.write_dir = folder.file("write") + "/";
        folder.write("net.cfg", "server-name:Yard\n");
        session_add_map(s, "depot");
        session_add_map(s, "yard");
        server_session_start(s, kNetModeLan, 0, "Test", folder.file("net.cfg"));
        ASSERT_TRUE(server_session_is_running(s));
        for (const char* line : {"times 3 10 5 10 10 0 0", "map depot", "gsetup 0 0 0 0 0", "teams 4 4 4"})
            server_session_local_command(s, line);
        a = make_world();
        b = make_world();
        // The worlds load the level and bind their ports.
        step(3);
        ASSERT_TRUE(server_game_package_loaded(*a)) << folder.read("kv.log");
        ASSERT_TRUE(server_game_package_loaded(*b));
    }
    void TearDown() override {
        a.reset();
        b.reset();
        server& host = server_get();
        auto& packages = host.packages;
        packages.erase(std::remove_if(packages.begin(), packages.end(),
                                      [this](const auto& p) { return p.get() == screens_; }),
                       packages.end());
        host.maps.clear();
        host.write_dir.clear();
        test_state_reset();
        log_close();
    }

    std::unique_ptr<server> make_world() {
        auto w = std::make_unique<server>();
        w->data_dir = folder.file("data") + "/";
        w->write_dir = folder.file("write") + "/";
        w->client.client_port = 0;
        server_set_language(*w, "en");
        w->load_request = kLoadRequestMapChange;
        w->snapshot.name = tools::kDemoMap;
        server_set_game_package(*w, tools::kDemoMap);
        return w;
    }

    uint16_t session_port() { return s.network->socket().port(); }

    void step(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.advance_ms(kStepMs);
            server_session_tick(s, kStepMs);
            if (relay) relay->pump();
            for (server* w : {a.get(), b.get()}) {
                net_client_tick(w->client, kStepMs);
                server_frame(*w, kStepMs);
            }
            if (relay) relay->pump();
        }
    }
    // Steps until `done` holds; false when it never did within the steps.
    bool step_until(const std::function<bool()>& done, int limit = 600) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            step();
        }
        return done();
    }
    // Runs one command to its end: the result and the status text.
    std::pair<int32_t, std::string> finish(net_client& client) {
        EXPECT_TRUE(step_until([&] { return client_server_list_result(client) >= 0; }));
        return {client_server_list_result(client), client_take_status_text(client)};
    }
    int32_t login(server& w, const std::string& nick, uint16_t port = 0) {
        client_login_new_player(w.client, 0x7F000001u, port != 0 ? port : session_port(), nick);
        const auto [result, text] = finish(w.client);
        EXPECT_EQ(result, 1) << text;
        EXPECT_TRUE(text.starts_with("OK ")) << text;
        return text.size() > 3 ? std::stoi(text.substr(3)) : 0;
    }
    std::string join(server& w, int32_t id, int32_t team) {
        const int32_t values[5] = {id, 0, team, 0, 0};
        EXPECT_EQ(client_send_join(w.client, values), -1);
        const auto [result, text] = finish(w.client);
        EXPECT_EQ(result, 1) << text;
        return text;
    }
    static kvgame* game(server& w) { return arty_factory_find_by_name_as<kvgame>(w.factory, "game"); }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    server_session s;
    std::unique_ptr<server> a;
    std::unique_ptr<server> b;
    std::unique_ptr<loopback_relay> relay;
    package* screens_ = nullptr;
};

TEST_F(ClientSession, TwoWorldsPlayThroughTheSession) {
    // A logs in: an id from 100, connected once the first game snapshot is in, the local player made.
    const int32_t ann = login(*a, "Ann");
    EXPECT_GE(ann, 100);
    EXPECT_TRUE(client_is_connected(a->client));
    EXPECT_EQ(client_local_player_id(a->client), ann);
    ASSERT_NE(server_find_player(*a, static_cast<uint32_t>(ann)), nullptr);
    EXPECT_EQ(server_find_player(*a, static_cast<uint32_t>(ann))->driven_here, 1);
    EXPECT_EQ(a->snapshot.name, tools::kDemoMap);
    EXPECT_TRUE(join(*a, ann, 0).starts_with("OK "));

    // B logs in and learns of A's slot and soldier.
    const int32_t bob = login(*b, "Bob");
    EXPECT_NE(bob, ann);
    ASSERT_TRUE(step_until([&] {
        const player_record* r = server_find_player(*b, static_cast<uint32_t>(ann));
        return r && r->team == 0 && kvgame_find_player(*game(*b), static_cast<uint32_t>(ann));
    })) << folder.read("kv.log");
    // The nick came by PROFILES.
    ASSERT_TRUE(
        step_until([&] { return server_find_player(*b, static_cast<uint32_t>(ann))->nick == "Ann"; }));
    EXPECT_TRUE(join(*b, bob, 1).starts_with("OK "));

    // A's player states reach B's record of A (relayed, only A's own records).
    player_state moved;
    moved.id = static_cast<uint32_t>(ann);
    moved.position = {110.0f, 15.0f, -20.0f};  // x and z travel in tens
    moved.angle = 0.5f;
    client_store_player_record(a->client, moved);
    ASSERT_TRUE(step_until([&] {
        const player_record* r = server_find_player(*b, static_cast<uint32_t>(ann));
        return r && r->state_record.position.x == 110.0f && r->state_record.position.z == -20.0f;
    })) << folder.read("kv.log");

    // Chat arrives as (nick, text); a radio message goes to the bot host (its tests show what it does).
    kvgame* bob_game = game(*b);
    bob_game->gui.current_slot = kScreenGame;
    client_send_say(a->client, ann, 1, 0, "hello there");
    client_send_say(a->client, ann, 1, 3, "");
    const auto& lines = bob_game->messages.lines;
    ASSERT_TRUE(step_until([&] {
        return std::find(std::begin(lines), std::end(lines), "(Ann) hello there") != std::end(lines);
    }));
    step(3);

    // In the running round A's hit lowers B's health.
    ASSERT_TRUE(step_until([&] { return b->snapshot.state == kGameRunning; }, 1000)) << b->snapshot.state;
    player_record& bob_on_b = *server_find_player(*b, static_cast<uint32_t>(bob));
    const int32_t health = bob_on_b.health;
    client_send_hit_event(a->client, static_cast<uint32_t>(ann), static_cast<uint32_t>(bob), 32, 50, 0xFFFF);
    ASSERT_TRUE(step_until([&] { return bob_on_b.health < health; })) << health;
    EXPECT_GT(bob_on_b.health, 0);

    // A's grenade and drop reach B with the owner, the number, the sector and the acceleration.
    grenade_values thrown;
    thrown.kind = 1;
    thrown.id = 7;
    thrown.model = "weapons:grenade";
    thrown.acceleration = {0.0f, -978.0f, 0.0f};
    client_send_grenade_event(a->client, static_cast<uint32_t>(ann), {100.0f, 50.0f, -30.0f},
                              {1.0f, 2.0f, 3.0f}, thrown, 1);
    package* a_level = server_find_package(*a, a->current_level_name);
    ASSERT_NE(a_level, nullptr);
    server_drop_weapon(*a, {120.0f, 40.0f, 20.0f}, {0.0f, 1.0f, 0.0f}, 5, 6, 7, "weapons:m4",
                       a_level->sectors.items[1], {0.0f, -978.0f, 0.0f}, ann, 1.0f);
    ASSERT_TRUE(step_until([&] { return !b->grenades.empty() && !b->dropped_weapons.empty(); }));
    const grenade& g = *b->grenades.back();
    EXPECT_EQ(g.owner, static_cast<uint32_t>(ann));
    EXPECT_EQ(g.id, 7);
    EXPECT_EQ(g.model_name, "weapons:grenade");
    EXPECT_EQ(g.acceleration.y, -978.0f);
    EXPECT_EQ(g.quiet, 1);
    EXPECT_EQ(g.arc_start.x, 100.0f);
    EXPECT_EQ(g.arc_start.z, -30.0f);
    package* level = server_find_package(*b, b->current_level_name);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(g.in_sector, level->sectors.items[1]);
    const dropped_weapon& w = *b->dropped_weapons.back();
    EXPECT_EQ(w.id, ann);
    EXPECT_EQ(w.model_name, "weapons:m4");
    EXPECT_EQ(w.acceleration.y, -978.0f);
    EXPECT_EQ(std::vector<int32_t>(w.values, w.values + 3), (std::vector<int32_t>{5, 6, 7}));

    // A's world events replay on B in their pairs, with the echo off meanwhile.
    gfx& graphics = kernel_get().graphics;
    gfx_clear_effects(graphics);
    client_write_explosion_event(a->client, {1.0f, 2.0f, 3.0f}, {1.0f, 1.0f, 1.0f});
    client_write_explosion_params_event(a->client, "fire", 1, "smoke", 0);
    client_write_smoke_event(a->client, {4.0f, 5.0f, 6.0f}, {0.0f, 1.0f, 0.0f});
    ASSERT_TRUE(step_until([&] { return effect_count(graphics, effect_class::smoke) > 0; }));
    ASSERT_EQ(effect_kinds(graphics),
              (std::vector<effect_class>{effect_class::explosion, effect_class::smoke}));
    const auto* blast = dynamic_cast<const explosion_effect*>(graphics.effects.items.front().get());
    ASSERT_NE(blast, nullptr);
    EXPECT_EQ(blast->position.z, 3.0f);
    EXPECT_EQ(blast->sprite_texture, "fire");
    EXPECT_EQ(blast->arc_texture, "smoke");
    EXPECT_EQ(blast->part_flags, kExplosionSprites);
    const auto* smoke = dynamic_cast<const smoke_effect*>(graphics.effects.items.back().get());
    EXPECT_EQ(smoke->position.y, 5.0f);
    EXPECT_EQ(smoke->velocity.y, 1.0f);
    EXPECT_TRUE(gfx_effect_echo(graphics));
    gfx_clear_effects(graphics);

    // A map change: both worlds follow.
    server_session_local_command(s, "map yard");
    ASSERT_TRUE(step_until(
        [&] {
            return server_game_package_loaded(*a) && a->game_package == "yard" &&
                   server_game_package_loaded(*b) && b->game_package == "yard";
        },
        2000))
        << folder.read("kv.log");

    // A's goodbye ends A's connection; B stays.
    EXPECT_EQ(client_send_bye(a->client, ann), -1);
    const auto [result, text] = finish(a->client);
    EXPECT_EQ(result, 1) << text;
    EXPECT_FALSE(client_is_connected(a->client));
    EXPECT_TRUE(client_is_connected(b->client));
    ASSERT_TRUE(step_until([&] { return server_find_player(*b, static_cast<uint32_t>(ann)) == nullptr; }));
}

// Login and join get through a network that loses three datagrams in ten.
TEST_F(ClientSession, LoginAndJoinThroughALossyNetwork) {
    relay_schedule lossy;
    lossy.loss = 0.3;
    lossy.seed = 29;
    relay = std::make_unique<loopback_relay>(a->client.socket().port(), session_port(), lossy);
    client_login_new_player(a->client, 0x7F000001u, relay->port_for_a(), "Ann");
    ASSERT_TRUE(step_until([&] { return client_server_list_result(a->client) >= 0; }, 2000));
    const std::string text = client_take_status_text(a->client);
    ASSERT_TRUE(text.starts_with("OK ")) << text;
    EXPECT_TRUE(client_is_connected(a->client));
    const int32_t ann = std::stoi(text.substr(3));
    const int32_t values[5] = {ann, 0, 0, 0, 0};
    client_send_join(a->client, values);
    ASSERT_TRUE(step_until([&] { return client_server_list_result(a->client) >= 0; }, 2000));
    EXPECT_TRUE(client_take_status_text(a->client).starts_with("OK "));
    EXPECT_GT(relay->dropped, 0);
}

}  // namespace
}  // namespace kv
