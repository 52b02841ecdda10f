#include "game/kvgoal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "beings/being_game.h"
#include "bots/goal_record.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/support/client_capture.h"
#include "util/byte_order.h"
#include "util/placement.h"

namespace kv {
namespace {

using tools::token_writer;

class KvGoal : public headless_game {
protected:
    kvgoal* spawn(const std::string& name, const token_writer& parameters) {
        arty_description* d = add(name, parameters);
        arty_factory_spawn_group(srv_.factory, &d, 1);
        return arty_factory_find_as<kvgoal>(srv_.factory, srv_.factory.current_id);
    }
    arty_description* add(const std::string& name, const token_writer& parameters) {
        auto d = std::make_unique<arty_description>();
        d->class_name = "kvgoal";
        d->instance_name = name;
        const std::vector<uint8_t> bytes = parameters.bytes();
        d->parameters = std::make_unique<token_list>();
        token_list_init(*d->parameters, bytes.size(), bytes.data());
        descriptions_.push_back(std::move(d));
        return descriptions_.back().get();
    }
    std::vector<std::unique_ptr<arty_description>> descriptions_;
};

TEST_F(KvGoal, ReadsItsDescription) {
    kvgoal* goal = spawn("g-7", token_writer()
                                    .key("type:")
                                    .str("download")
                                    .key("team:")
                                    .integer(1)
                                    .key("team:")
                                    .integer(1)
                                    .key("team:")
                                    .str("2")  // wrong kind: skipped
                                    .key("cond:")
                                    .str("g-3")
                                    .key("cond:")
                                    .str("g-12")
                                    .key("key:")
                                    .integer(5)
                                    .key("pos:")
                                    .integer(1)
                                    .number(2.5f)
                                    .integer(3)
                                    .key("angley:")
                                    .number(180.0f));
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->number, 7);
    EXPECT_EQ(goal->kind, kGoalDownload);
    EXPECT_EQ(goal->hud_icon, "hud_i_push");
    ASSERT_EQ(goal->teams.size(), 1u);
    EXPECT_EQ(goal->teams[0].team, 1);
    EXPECT_EQ(goal->condition_names, (std::vector<std::string>{"g-3", "g-12"}));
    EXPECT_EQ(goal->key, 1);
    EXPECT_FLOAT_EQ(goal->position.y, 2.5f);
    EXPECT_FLOAT_EQ(goal->yaw, 3.14159265f);

    kvgoal* unknown = spawn("g-", token_writer().key("type:").str("Bomb"));
    EXPECT_EQ(unknown->kind, kGoalNone);
    EXPECT_EQ(unknown->hud_icon, "");
    EXPECT_EQ(unknown->number, 0);
}

TEST_F(KvGoal, HudCodesByKindAndTeam) {
    struct row {
        int32_t kind, team, code;
        const char* name;
    };
    for (const row& r :
         {row{kGoalTake, 5, 117, "goal_blue_take"}, row{kGoalTake, 1, 118, "goal_red_take"},
          row{kGoalBomb, 2, 123, "goal_black_bomb"}, row{kGoalDownload, 0, 113, "goal_blue_trans"},
          row{kGoalDelivery, 1, 125, "goal_red_deliv"}, row{kGoalRescue, 0, 0, ""}}) {
        EXPECT_EQ(kvgoal_hud_code(r.kind, r.team), r.code);
        EXPECT_EQ(kvgoal_hud_name(r.code), r.name);
    }
    EXPECT_EQ(kvgoal_hud_name(130), "goal_bomb_defused");
}

TEST_F(KvGoal, TheGoalRecordIsLaidOutByteForByte) {
    goal_record_values v;
    v.number = 7;
    v.kind = kGoalDelivery;
    v.done = 1;
    v.key = 1;
    v.winning_team = -1;
    v.position = {1.0f, 2.0f, 3.0f};
    v.box_min = {-4.0f, 0.0f, 0.0f};
    v.box_max = {0.0f, 0.0f, 9.5f};
    v.teams = {2, 0, 1, 1};
    for (int i = 0; i < 12; ++i) v.condition_numbers.push_back(i + 1);
    v.delivery_numbers = {42};
    goal_record record;
    for (uint8_t& b : record.bytes) b = 0xAA;
    goal_record_write(record, v);
    const uint8_t* p = record.bytes;
    EXPECT_EQ(le_load_u32(p + 0), 7u);
    EXPECT_EQ(le_load_u32(p + 4), 1u);
    EXPECT_EQ(p[8], 1);
    EXPECT_EQ(p[9], 1);
    EXPECT_EQ(p[10], 0);  // never written, zeroed first
    EXPECT_EQ(p[11], 0);
    EXPECT_EQ(le_load_u32(p + 12), 0xFFFFFFFFu);
    EXPECT_EQ(le_load_f32(p + 20), 2.0f);
    EXPECT_EQ(le_load_f32(p + 28), -4.0f);
    EXPECT_EQ(le_load_f32(p + 48), 9.5f);
    EXPECT_EQ(le_load_u32(p + 52), 4u);
    EXPECT_EQ(le_load_u32(p + 56), 12u);
    EXPECT_EQ(le_load_u32(p + 60), 1u);
    EXPECT_EQ(le_load_u32(p + 64), 2u);
    EXPECT_EQ(le_load_u32(p + 72), 1u);
    EXPECT_EQ(le_load_u32(p + 76), 1u);
    EXPECT_EQ(le_load_u32(p + 112), 10u);
    EXPECT_EQ(le_load_u32(p + 116), 42u);
    EXPECT_EQ(le_load_u32(p + 120), 0u);
    EXPECT_EQ(le_load_u32(p + 152), 0u);
}

TEST_F(KvGoal, ConditionsAndDeliveriesResolveOnlyToGoalsAndGateTheZone) {
    test_level shape;
    shape.goals = false;
    write_level("training", shape);
    kvgoal* gate = spawn("g-1", token_writer().key("type:").str("rescue"));
    kvgoal* download = spawn("g-2", token_writer()
                                        .key("type:")
                                        .str("download")
                                        .key("team:")
                                        .integer(0)
                                        .key("cond:")
                                        .str("g-1")
                                        .key("cond:")
                                        .str("level")  // not a goal
                                        .key("deliver:")
                                        .str("g-9")
                                        .key("min:")
                                        .number(-1.0f)
                                        .number(-1.0f)
                                        .number(-1.0f)
                                        .key("max:")
                                        .number(1.0f)
                                        .number(1.0f)
                                        .number(1.0f));
    kvgame* g = start(shape);
    ASSERT_EQ(g->goals.size(), 2u);
    EXPECT_EQ(download->condition_goals, (std::vector<kvgoal*>{gate}));
    EXPECT_TRUE(download->delivery_goals.empty());

    being* rambo = g->local_being;
    const zero_gravity still;
    placement_set(rambo->place, {1.0f, 1.0f, -1.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});  // on the edge
    vec3 point;
    EXPECT_FALSE(kvgame_find_download_goal(*g, *rambo, point));
    gate->done = 1;
    EXPECT_TRUE(kvgame_find_download_goal(*g, *rambo, point));

    // A download for the pending player reaches the goal on the host.
    srv_.hosting = 1;
    srv_.snapshot.state = kGameRunning;
    srv_.snapshot.download = 100;
    frame();
    EXPECT_EQ(download->done, 1);
    EXPECT_EQ(download->downloaders, (std::vector<int32_t>{100}));
    EXPECT_FALSE(kvgame_find_download_goal(*g, *rambo, point));
    goal_record record;
    kvgame_goal_info(*g, 1, record);
    EXPECT_EQ(le_load_u32(record.bytes + 0), 2u);
    EXPECT_EQ(le_load_u32(record.bytes + 56), 2u);
    EXPECT_EQ(le_load_u32(record.bytes + 80), 0u);  // "level" has no number
}

TEST_F(KvGoal, ResetStartsTheGoalAgainOnlyOnceEvenWithZeroMilliseconds) {
    kvgame* g = start();
    srv_.hosting = 1;
    srv_.snapshot.state = kGameRunning;
    kvgoal& take = *g->goals[0];
    client_capture_connect(srv_.client);
    kvgame_tick_goals(*g, 0);
    kvgame_tick_goals(*g, 0);
    EXPECT_EQ(client_capture_take(srv_.client).size(), 1u);
    kvgame_goals_reset(*g);
    dropped_weapon_reset_serials();
    kvgame_tick_goals(*g, 0);
    kvgame_tick_goals(*g, 0);
    EXPECT_EQ(client_capture_take(srv_.client), (std::vector<std::string>{"drop 1 0"}));
    EXPECT_EQ(take.time, 0);
}

TEST_F(KvGoal, PlantedAndDefusedBombs) {
    test_level shape;
    shape.goals = false;
    write_level("training", shape);
    kvgoal* bomb = spawn("g-1", token_writer()
                                    .key("type:")
                                    .str("bomb")
                                    .key("team:")
                                    .integer(1)
                                    .key("min:")
                                    .number(0.0f)
                                    .number(0.0f)
                                    .number(0.0f)
                                    .key("max:")
                                    .number(10.0f)
                                    .number(10.0f)
                                    .number(10.0f));
    kvgame* g = start(shape);
    srv_.hosting = 1;
    srv_.snapshot.state = kGameRunning;
    auto charge = std::make_unique<grenade>();
    charge->kind = kGrenadeDefusable;
    charge->id = 55;
    charge->team = 1;
    charge->position = {5.0f, 5.0f, 5.0f};
    grenade* c = charge.get();
    srv_.grenades.push_back(std::move(charge));
    frame();
    EXPECT_EQ(bomb->charges, (std::vector<int32_t>{55}));
    c->defused = 1;
    frame();
    EXPECT_TRUE(bomb->charges.empty());
    EXPECT_TRUE(srv_.grenades.empty());       // finished: the grenade step removed it
    EXPECT_FALSE(kvgoal_has_team(*bomb, 1));  // the defused team no longer counts
    std::vector<int32_t> codes;
    for (const hud_event& e : g->hud_events) codes.push_back(e.code);
    EXPECT_EQ(codes, (std::vector<int32_t>{116, 130}));
    // ... for this round: the next one gives it the goal back.
    kvgame_goals_reset(*g);
    EXPECT_TRUE(kvgoal_has_team(*bomb, 1));
}

// Goal results go to the game server from the hosting process only.
TEST_F(KvGoal, OnlyTheHostReportsAGoalDone) {
    kvgame* g = start();
    srv_.snapshot.state = kGameRunning;
    client_capture_connect(srv_.client);
    kvgoal& take = *g->goals[0];
    const auto goal_lines = [this] {
        std::vector<std::string> picked;
        for (const std::string& line : client_capture_take(srv_.client))
            if (line.starts_with("goal ")) picked.push_back(line);
        return picked;
    };
    srv_.hosting = 0;
    take.done = 1;
    kvgame_tick_goals(*g, 0);
    EXPECT_TRUE(goal_lines().empty());
    srv_.hosting = 1;
    kvgame_tick_goals(*g, 0);
    const std::vector<std::string> sent = goal_lines();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].starts_with("goal done ")) << sent[0];
}

}  // namespace
}  // namespace kv
