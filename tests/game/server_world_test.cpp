#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "platform/random.h"
#include "tests/game/game_test_support.h"
#include "tests/support/client_capture.h"
#include "world/sector.h"

namespace kv {
namespace {

float degrees_between(const vec3& a, const vec3& b) {
    const float c = vec3_dot(vec3_normalise(a), vec3_normalise(b));
    return std::acos(std::fmin(1.0f, std::fmax(-1.0f, c))) * 180.0f / std::numbers::pi_v<float>;
}

class ServerWorld : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        kv_srand(7);
    }

    // The current level as a package of two sectors, "hall" and "yard".
    void fake_level() {
        auto p = std::make_unique<package>();
        p->name = "dock";
        p->sectors.owns = true;
        for (const char* name : {"hall", "yard"}) {
            auto s = std::make_unique<sector>();
            s->name = name;
            p->sectors.items.push_back(s.get());
            p->sectors.storage.push_back(std::move(s));
        }
        srv_.packages.push_back(std::move(p));
        srv_.current_level_name = "dock";
    }

    static grenade_values charge(int32_t id, int32_t kind) {
        grenade_values v;
        v.id = id;
        v.kind = kind;
        return v;
    }

    static dropped_weapon_values weapon(int32_t id, const std::string& text) {
        dropped_weapon_values v;
        v.id = id;
        v.values[0] = 11;
        v.values[1] = 12;
        v.values[2] = 13;
        v.model_name = text;
        return v;
    }

    const int16_t params_[kBlastParams] = {90, 7, 12, 3000, 25, 4};  // 3 degrees, x4 when aimed
};

TEST_F(ServerWorld, ABurstQueuesOneBlastPerPelletWithItsFiveNumbers) {
    load_level();
    const vec3 muzzle{1.0f, 2.0f, 3.0f};
    const vec3 aim{0.0f, 0.0f, 1.0f};
    server_queue_blast(srv_, 42, muzzle, aim, params_, false, 0.0f, 3);

    ASSERT_EQ(srv_.blasts.size(), 3u);
    for (const auto& b : srv_.blasts) {
        EXPECT_EQ(b->owner, 42u);
        EXPECT_EQ(b->point.x, 1.0f);
        EXPECT_EQ(b->point.z, 3.0f);
        // share 90 / 3; the last number is (25 x 7) / 10 in integers.
        EXPECT_EQ(std::vector<float>(b->values, b->values + kBlastValues),
                  (std::vector<float>{30.0f, 7.0f, 12000.0f, 75.0f, 17.0f}));
        EXPECT_NEAR(vec3_length(b->direction), 1.0f, 1e-5f);
        EXPECT_LE(degrees_between(b->direction, aim), 3.0f * std::sqrt(2.0f) + 1e-3f);
    }
    // Each pellet draws its own spread.
    EXPECT_NE(degrees_between(srv_.blasts.front()->direction, srv_.blasts.back()->direction), 0.0f);
    EXPECT_EQ(take_calls(), (calls_t{"game command 4 "}));

    // One pellet takes the whole damage.
    srv_.blasts.clear();
    server_queue_blast(srv_, 42, muzzle, aim, params_, false, 0.0f, 1);
    ASSERT_EQ(srv_.blasts.size(), 1u);
    EXPECT_EQ(srv_.blasts.front()->values[0], 90.0f);
    EXPECT_EQ(srv_.blasts.front()->values[3], 225.0f);
}

TEST_F(ServerWorld, SpreadFollowsAimAndJitterAndWorksStraightUp) {
    const int16_t still[kBlastParams] = {10, 1, 1, 3000, 1, 0};  // aimed: spread x 0
    const vec3 forward{0.6f, 0.0f, 0.8f};
    server_queue_blast(srv_, 1, {}, forward, still, true, 0.0f, 4);
    for (const auto& b : srv_.blasts) EXPECT_LT(degrees_between(b->direction, forward), 1e-2f);

    // Jitter alone turns the whole burst by up to 2.29 degrees per unit on each axis.
    srv_.blasts.clear();
    server_queue_blast(srv_, 1, {}, forward, still, true, 2.0f, 4);
    const vec3 first = srv_.blasts.front()->direction;
    for (const auto& b : srv_.blasts) {
        EXPECT_LT(degrees_between(b->direction, first), 1e-2f);
        EXPECT_LE(degrees_between(b->direction, forward), 2.0f * 2.29f * std::sqrt(2.0f) + 1e-3f);
    }

    // Aimed 45 degrees up or down, the spread still goes sideways as well as up and down.
    for (const vec3 pitched : {vec3{0.0f, 0.7071068f, 0.7071068f}, vec3{0.0f, -0.7071068f, 0.7071068f}}) {
        srv_.blasts.clear();
        server_queue_blast(srv_, 1, {}, pitched, params_, false, 0.0f, 8);
        float widest_sideways = 0.0f;
        for (const auto& b : srv_.blasts)
            widest_sideways = std::fmax(widest_sideways, std::fabs(b->direction.x));
        EXPECT_GT(widest_sideways, 0.002f);
    }

    // Straight up and down the cross axes are built the other way: the spread still applies.
    for (const vec3 vertical : {vec3{0.0f, 1.0f, 0.0f}, vec3{0.0f, -1.0f, 0.0f}}) {
        srv_.blasts.clear();
        server_queue_blast(srv_, 1, {}, vertical, params_, false, 0.0f, 8);
        float widest = 0.0f;
        for (const auto& b : srv_.blasts) {
            ASSERT_FALSE(std::isnan(b->direction.x));
            widest = std::fmax(widest, degrees_between(b->direction, vertical));
        }
        EXPECT_GT(widest, 0.1f);
        EXPECT_LE(widest, 3.0f * std::sqrt(2.0f) + 1e-3f);
    }
}

TEST_F(ServerWorld, ABurstWithoutPelletsQueuesNothing) {
    load_level();
    for (int32_t count : {0, -3}) {
        server_queue_blast(srv_, 42, {}, {0.0f, 0.0f, 1.0f}, params_, false, 0.0f, count);
        EXPECT_TRUE(srv_.blasts.empty());
    }
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(ServerWorld, ABurstOfMorePelletsThanAShotCanHoldIsRefused) {
    load_level();
    clear_log();
    // Two billion rays would take all memory; the largest sane burst still goes out whole.
    server_queue_blast(srv_, 42, {}, {0.0f, 0.0f, 1.0f}, params_, false, 0.0f, 2147483647);
    server_queue_blast(srv_, 42, {}, {0.0f, 0.0f, 1.0f}, params_, false, 0.0f, 257);
    EXPECT_TRUE(srv_.blasts.empty());
    EXPECT_TRUE(take_calls("game command").empty());  // no round spent
    EXPECT_EQ(log(),
              "[0s0] server: *WARNING* burst of 2147483647 rays from player 42 refused (at most 256).\n"
              "[0s0] server: *WARNING* burst of 257 rays from player 42 refused (at most 256).\n");
    server_queue_blast(srv_, 42, {}, {0.0f, 0.0f, 1.0f}, params_, false, 0.0f, 256);
    EXPECT_EQ(srv_.blasts.size(), 256u);
}

TEST_F(ServerWorld, BlastsApplyFromTheirOwnersSectorAndAreGoneAfterTheStep) {
    sector hall;
    hall.name = "hall";
    server_entity_select(srv_, "pid7");
    server_entity_current(srv_)->in_sector = &hall;
    server_entity_select(srv_, "pid70");
    // Beings are named after the id taken as a signed 32-bit number.
    server_entity_select(srv_, "pid-1");
    server_entity_current(srv_)->in_sector = &hall;
    server_entity_deselect(srv_);

    for (uint32_t owner : {7u, 8u, 70u, 0xFFFFFFFFu}) {
        auto b = std::make_unique<blast>();
        b->owner = owner;
        srv_.blasts.push_back(std::move(b));
    }
    // The sectors hold no geometry and no soldier: the rays meet nothing, and a body without a sector
    // casts no ray at all.
    take_calls();
    server_apply_blasts(srv_);
    EXPECT_TRUE(take_calls().empty());
    EXPECT_TRUE(srv_.blasts.empty());
}

TEST_F(ServerWorld, AThrownGrenadeStartsBesideTheThrower) {
    load_level();
    grenade_values values = charge(3, 1);
    values.model = "frag";
    server_throw_entity_grenade(srv_, 9, {10.0f, 20.0f, 30.0f}, {0.0f, 0.0f, 1.0f}, values, 5.0f, 7.0f, 0.0f,
                                0.0f);
    ASSERT_EQ(srv_.grenades.size(), 1u);
    const grenade& g = *srv_.grenades.front();
    EXPECT_EQ(g.owner, 9u);
    EXPECT_EQ(g.id, 3);
    EXPECT_EQ(g.model_name, "frag");
    EXPECT_EQ(g.quiet, 0);
    // Across a throw along z lies x.
    EXPECT_NEAR(std::fabs(g.arc_start.x - 10.0f), 5.0f, 1e-4f);
    EXPECT_NEAR(g.arc_start.y, 27.0f, 1e-4f);
    EXPECT_NEAR(g.arc_start.z, 30.0f, 1e-4f);
    EXPECT_LT(degrees_between(g.velocity, {0.0f, 0.0f, 1.0f}), 1e-2f);
    EXPECT_EQ(take_calls(), (calls_t{"game command 4 "}));

    // The caller's angle lifts the throw about the cross axis.
    server_throw_entity_grenade(srv_, 9, {}, {0.0f, 0.0f, 1.0f}, values, 5.0f, 0.0f,
                                std::numbers::pi_v<float> / 4.0f, 0.0f);
    const vec3 lifted = srv_.grenades.back()->velocity;
    EXPECT_NEAR(degrees_between(lifted, {0.0f, 0.0f, 1.0f}), 45.0f, 1e-2f);
    EXPECT_NEAR(std::fabs(lifted.y), std::sqrt(0.5f), 1e-4f);
}

TEST_F(ServerWorld, NetworkRecordsTakeTheLevelsSectorByIndex) {
    fake_level();
    server_add_local_player(srv_, 4);
    const std::size_t queued = srv_.client.command_queue.size();
    const std::size_t echoed = srv_.client.event_stream.body.size();

    ASSERT_TRUE(server_add_grenade(srv_, 4, {}, {}, charge(1, 2), 1));
    ASSERT_TRUE(server_add_grenade(srv_, 4, {}, {}, charge(2, 2), 2));  // past the table's end
    ASSERT_TRUE(server_add_dropped_weapon(srv_, weapon(5, "m4"), 7, 0, 4));
    ASSERT_EQ(srv_.grenades.size(), 2u);
    EXPECT_EQ(srv_.grenades.front()->in_sector->name, "yard");
    EXPECT_EQ(srv_.grenades.back()->in_sector, nullptr);
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    EXPECT_EQ(srv_.dropped_weapons.front()->in_sector->name, "hall");
    EXPECT_EQ(srv_.dropped_weapons.front()->serial, 7);
    EXPECT_EQ(srv_.grenades.front()->quiet, 1);
    // The reporting player gets an empty weapon entry; nothing goes back to the network.
    ASSERT_EQ(server_find_player(srv_, 4)->weapons.size(), 1u);
    EXPECT_EQ(server_find_player(srv_, 4)->weapons[0].values[0], -1);
    EXPECT_EQ(srv_.client.command_queue.size(), queued);
    EXPECT_EQ(srv_.client.event_stream.body.size(), echoed);

    // A negative index is refused.
    clear_log();
    EXPECT_FALSE(server_add_grenade(srv_, 4, {}, {}, charge(3, 2), -1));
    EXPECT_FALSE(server_add_dropped_weapon(srv_, weapon(6, "ak"), 7, -5, 4));
    EXPECT_EQ(srv_.grenades.size(), 2u);
    EXPECT_EQ(srv_.dropped_weapons.size(), 1u);
    EXPECT_EQ(server_find_player(srv_, 4)->weapons.size(), 1u);
    EXPECT_EQ(log(),
              "[0s0] server: *WARNING* grenade with sector index -1 refused.\n"
              "[0s0] server: *WARNING* dropped weapon with sector index -5 refused.\n");
}

TEST_F(ServerWorld, DroppedWeaponsArePickedUpOnceAndOnlyWhenTheyMatch) {
    server_add_local_player(srv_, 4);
    client_capture_connect(srv_.client);
    dropped_weapon_reset_serials();
    EXPECT_EQ(server_drop_weapon(srv_, weapon(5, "m4"), nullptr), 0);
    EXPECT_EQ(server_drop_weapon(srv_, weapon(6, "ak"), nullptr), 0);
    EXPECT_EQ(srv_.dropped_weapons.front()->serial, 0);
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"drop 5 0", "drop 6 1"}));

    // No weapon of that id (or of that serial): nothing changes, nothing is sent.
    server_remove_dropped_weapon(srv_, 4, 9, 0, true);
    server_remove_dropped_weapon(srv_, 4, 5, 3, false);
    EXPECT_EQ(srv_.dropped_weapons.size(), 2u);
    EXPECT_TRUE(take_calls().empty());
    EXPECT_TRUE(server_find_player(srv_, 4)->weapons.empty());

    // Taking it gives the player its values, id and text.
    srv_.dropped_weapon_cursor = srv_.dropped_weapons.begin();
    server_remove_dropped_weapon(srv_, 4, 5, 0, true);
    ASSERT_EQ(server_find_player(srv_, 4)->weapons.size(), 1u);
    const weapon_entry& got = server_find_player(srv_, 4)->weapons[0];
    EXPECT_EQ(std::vector<int32_t>(got.values, got.values + 4), (std::vector<int32_t>{11, 12, 13, 5}));
    EXPECT_EQ(got.text, "m4");
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    EXPECT_EQ(srv_.dropped_weapon_cursor, srv_.dropped_weapons.begin());

    // Not taking it asks the game server.
    server_remove_dropped_weapon(srv_, 4, 6, 1, false);
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"pickup 4 6 1"}));
    EXPECT_TRUE(srv_.dropped_weapons.empty());
}

TEST_F(ServerWorld, ADefusalMarksTheOwnersCharges) {
    for (const auto& [owner, id, kind] : {std::tuple{1u, 4, 5}, std::tuple{1u, 4, 2}, std::tuple{2u, 4, 5}}) {
        auto g = std::make_unique<grenade>();
        grenade_create(*g, srv_, owner, {}, {}, charge(id, kind), nullptr, true);
        srv_.grenades.push_back(std::move(g));
    }
    const auto state = [this] {
        std::string s;
        for (const auto& g : srv_.grenades) s += str_format("%u%u ", g->defused, g->alive);
        return s;
    };

    // The hosting process keeps the charge alive for its own step to finish.
    client_capture_connect(srv_.client);
    srv_.hosting = 1;
    server_grenade_event(srv_, 1, 4, true);
    EXPECT_EQ(state(), "11 01 01 ");
    EXPECT_TRUE(client_capture_take(srv_.client).empty());

    srv_.hosting = 0;
    server_grenade_event(srv_, 1, 4, false);
    EXPECT_EQ(state(), "10 00 01 ");
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"defused 1 4"}));
}

TEST_F(ServerWorld, FinishedGrenadesLeaveAfterTheirStepAndDroppedWeaponsStay) {
    server_add_grenade(srv_, 1, {}, {}, charge(1, kGrenadeSmoke), 0);
    server_drop_weapon(srv_, weapon(5, "m4"), nullptr);
    for (int i = 0; i < 3; ++i) {
        clock_.advance_ms(16);
        server_update_grenades(srv_);
        server_update_dropped_weapons(srv_);
    }
    EXPECT_EQ(srv_.grenades.size(), 1u);
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);

    // The smoke grenade ends at its fuse; the weapon lies on until it is picked up.
    clock_.advance_ms(4000);
    srv_.dropped_weapon_cursor = srv_.dropped_weapons.begin();
    server_update_grenades(srv_);
    server_update_dropped_weapons(srv_);
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_EQ(srv_.dropped_weapons.size(), 1u);
    srv_.dropped_weapons.front()->alive = 0;
    server_update_dropped_weapons(srv_);
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    EXPECT_EQ(srv_.dropped_weapon_cursor, srv_.dropped_weapons.end());
}

TEST_F(ServerWorld, NetworkReportsOutsideTheTablesOrTheLevelsReachAreRefused) {
    fake_level();
    server_add_local_player(srv_, 4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    clear_log();
    for (int32_t kind : {0, 10, -1}) EXPECT_FALSE(server_add_grenade(srv_, 4, {}, {}, charge(1, kind), 0)) << kind;
    const vec3 bad[] = {{nan, 0.0f, 0.0f}, {0.0f, inf, 0.0f}, {0.0f, 0.0f, 1e9f}};
    for (const vec3& v : bad) {
        EXPECT_FALSE(server_add_grenade(srv_, 4, v, {}, charge(1, 1), 0));
        EXPECT_FALSE(server_add_grenade(srv_, 4, {}, v, charge(1, 1), 0));
        grenade_values accelerated = charge(1, 1);
        accelerated.acceleration = v;
        EXPECT_FALSE(server_add_grenade(srv_, 4, {}, {}, accelerated, 0));
        dropped_weapon_values w = weapon(5, "m4");
        w.arc_start = v;
        EXPECT_FALSE(server_add_dropped_weapon(srv_, w, 1, 0, 4));
        w = weapon(5, "m4");
        w.velocity = v;
        EXPECT_FALSE(server_add_dropped_weapon(srv_, w, 1, 0, 4));
    }
    for (float speed : {nan, inf, 1e9f}) {
        dropped_weapon_values w = weapon(5, "m4");
        w.speed = speed;
        EXPECT_FALSE(server_add_dropped_weapon(srv_, w, 1, 0, 4));
    }
    for (int32_t kind : {-1, 64}) {
        dropped_weapon_values w = weapon(5, "m4");
        w.values[0] = kind;
        EXPECT_FALSE(server_add_dropped_weapon(srv_, w, 1, 0, 4));
    }
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    EXPECT_TRUE(server_find_player(srv_, 4)->weapons.empty());
    EXPECT_NE(log().find("server: *WARNING* grenade of kind 10 refused.\n"), std::string::npos);
    EXPECT_NE(log().find("server: *WARNING* dropped weapon 64 refused.\n"), std::string::npos);
    EXPECT_TRUE(server_add_grenade(srv_, 4, {}, {0.0f, 0.0f, 100.0f}, charge(1, 9), 0));
}

}  // namespace
}  // namespace kv
