#include "game/kvactor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "beings/being.h"
#include "game/game_players.h"
#include "game/kvproximity_sensor.h"
#include "game/kvrotator.h"
#include "game/player_record.h"
#include "tests/game/level_test_support.h"

namespace kv {
namespace {

using tools::token_writer;

constexpr float kRadian = std::numbers::pi_v<float> / 180.0f;

// A game arty holding the players' beings that a test puts there.
class players_game : public arty, public game_players {
public:
    players_game(arty_factory& f, const arty_description& d) : arty(f, d) {}
    being* player_at(int32_t index) const override {
        return index >= 0 && index < static_cast<int32_t>(beings.size()) ? beings[index] : nullptr;
    }
    std::vector<being*> beings;
};

class Actor : public level_test {
protected:
    void SetUp() override {
        level_test::SetUp();
        for (arty_class& c : srv_.factory.classes) {
            if (c.name == "kvgame") {
                c.make = [](arty_factory& f, const arty_description& d) -> std::unique_ptr<arty> {
                    return std::make_unique<players_game>(f, d);
                };
            }
        }
    }

    // A being of a player record, standing at `position` looking along `forward`.
    being& add_being(uint32_t id, const vec3& position, const vec3& forward, bool driven_here = true) {
        records_.push_back(std::make_unique<player_record>(id));
        records_.back()->driven_here = driven_here ? 1 : 0;
        auto b = std::make_unique<being>();
        b->name = str_format("pid%d", static_cast<int32_t>(id));
        b->record = records_.back().get();
        b->movement_state = kStateWalk;  // a ladder takes a walking soldier
        placement_set(b->place, position, forward, {0.0f, 1.0f, 0.0f});
        beings_.push_back(std::move(b));
        return *beings_.back();
    }

    void seat_beings() {
        auto* game = find<players_game>("game");
        ASSERT_NE(game, nullptr);
        for (auto& b : beings_) game->beings.push_back(b.get());
    }

    std::vector<std::unique_ptr<player_record>> records_;
    std::vector<std::unique_ptr<being>> beings_;
};

level_arty ladder_actor(const std::string& controller = "") {
    return {"kvactor", "a-ladder",
            token_writer()
                .key("controller:")
                .str(controller)
                .key("sensor:")
                .str("ls")
                .key("gi:")
                .str("room:ladder1")};
}

TEST_F(Actor, ProximitySensorMarksALadderForASoldierInsideItFacingIt) {
    tools::transform_block at;
    at.translation = {500.0f, 0.0f, 0.0f};
    load_level({{"kvgame", "game", {}}, {"kvproximity_sensor", "ls", {}}, ladder_actor()}, {}, at);
    struct case_t {
        const char* what;
        vec3 position;
        vec3 forward;
        bool driven_here;
        const char* told;  // null: told nothing
    };
    const case_t cases[] = {
        {"in front, facing it", {520.0f, 100.0f, 40.0f}, {0.0f, 0.0f, -1.0f}, true, "1"},
        {"in front, facing away", {520.0f, 100.0f, 40.0f}, {0.0f, 0.0f, 1.0f}, true, "0"},
        {"sideways (z -0.2 is not enough)", {520.0f, 100.0f, 40.0f}, {0.98f, 0.0f, -0.2f}, true, "0"},
        {"on the far edge, x max + 50", {590.0f, 100.0f, 40.0f}, {0.0f, 0.0f, -1.0f}, true, "1"},
        {"past the edge", {591.0f, 100.0f, 40.0f}, {0.0f, 0.0f, -1.0f}, true, "0"},
        {"at the top, y max + 100", {520.0f, 400.0f, 40.0f}, {0.0f, 0.0f, -1.0f}, true, "1"},
        {"below, y min - 81", {520.0f, -81.0f, 40.0f}, {0.0f, 0.0f, -1.0f}, true, "0"},
        {"z max + 110", {520.0f, 100.0f, 120.0f}, {0.0f, 0.0f, -1.0f}, true, "1"},
        {"a remote player", {520.0f, 100.0f, 40.0f}, {0.0f, 0.0f, -1.0f}, false, nullptr},
    };
    uint32_t id = 1;
    for (const case_t& c : cases) add_being(id++, c.position, c.forward, c.driven_here);
    seat_beings();
    kvactor* actor = find<kvactor>("a-ladder");
    ASSERT_NE(actor, nullptr);
    // Every soldier starts marked on this ladder: "off" clears the mark, no word keeps it.
    const uintptr_t sensor = reinterpret_cast<uintptr_t>(ladder_instance().geom);
    for (auto& b : beings_) {
        b->on_ladder = true;
        b->ladder_id = sensor;
    }
    actor->tick(16);

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        const bool told_on = cases[i].told && std::string(cases[i].told) == "1";
        EXPECT_EQ(beings_[i]->on_ladder, told_on || !cases[i].told);
    }
    EXPECT_EQ(beings_[0]->ladder_id, reinterpret_cast<uintptr_t>(ladder_instance().geom));
    EXPECT_FALSE(beings_[1]->on_ladder);
    // The ladder does not move.
    EXPECT_TRUE(mat4_equal(ladder_instance().transform, actor->rest));
}

TEST_F(Actor, LeavingTheLadderClearsTheMark) {
    load_level({{"kvgame", "game", {}}, {"kvproximity_sensor", "ls", {}}, ladder_actor()});
    being& b = add_being(100, {20.0f, 100.0f, 40.0f}, {0.0f, 0.0f, -1.0f});
    seat_beings();
    kvactor& actor = *find<kvactor>("a-ladder");
    actor.tick(16);
    ASSERT_TRUE(b.on_ladder);
    placement_set(b.place, {20.0f, 100.0f, 400.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f});
    actor.tick(16);
    EXPECT_FALSE(b.on_ladder);
}

TEST_F(Actor, WithoutAGameArtyTheSensorTellsNothing) {
    for (const char* game_class : {"", "kvspawn_point"}) {
        SCOPED_TRACE(game_class);
        test_state_reset();
        std::vector<level_arty> arties = {{"kvproximity_sensor", "ls", {}}, ladder_actor()};
        if (*game_class) arties.push_back({game_class, "game", {}});
        load_level(arties);
        being& b = add_being(100, {20.0f, 100.0f, 40.0f}, {0.0f, 0.0f, -1.0f});
        find<kvactor>("a-ladder")->tick(16);
        EXPECT_FALSE(b.on_ladder);
        unload_level();
    }
}

TEST_F(Actor, NamesOfMissingArtiesOrOfTheWrongKindFailTheSetUpWithOneWarning) {
    struct case_t {
        const char* what;
        std::vector<level_arty> arties;
    };
    const case_t cases[] = {
        {"no such controller", {{"kvproximity_sensor", "ls", {}}, ladder_actor("rot")}},
        {"a sensor as controller", {{"kvproximity_sensor", "ls", {}}, ladder_actor("ls")}},
        {"a rotator as sensor", {{"kvrotator", "ls", {}}, ladder_actor()}},
        {"no geometry",
         {{"kvproximity_sensor", "ls", {}},
          {"kvactor", "a-ladder", token_writer().key("sensor:").str("ls").key("gi:").str("room:rope")}}},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.what);
        load_level(c.arties);
        kvactor& actor = *find<kvactor>("a-ladder");
        clear_log();
        for (int i = 0; i < 3; ++i) actor.tick(16);
        const std::string text = log();
        const std::string warning = "kv: *WARNING* actor couldn't initialize\n";
        EXPECT_NE(text.find(warning), std::string::npos) << text;
        EXPECT_EQ(text.find(warning), text.rfind(warning));
        EXPECT_EQ(actor.instance, nullptr);
        unload_level();
    }
}

class Rotator : public level_test {
protected:
    // A rotator "rot" with the keys, driven by an actor on the door geometry; the actor's first
    // tick sets it up.
    kvrotator& rotator_with(const token_writer& keys) {
        load_level({{"kvrotator", "rot", keys},
                    {"kvactor", "a-door",
                     token_writer().key("controller:").str("rot").key("gi:").str("room:door1")}});
        actor_ = find<kvactor>("a-door");
        EXPECT_NE(actor_, nullptr);
        actor_->tick(0);
        EXPECT_NE(actor_->instance, nullptr);
        return *find<kvrotator>("rot");
    }

    void run(int ms) {
        clock_.advance_ms(ms);
        actor_->tick(ms);
    }

    // The door geometry's turn about y, from its x axis.
    float door_angle() {
        const mat4& m = door_instance().transform;
        return std::atan2(m.m[2], m.m[0]);
    }

    kvactor* actor_ = nullptr;
};

TEST_F(Rotator, TurnsFromNinetyToZeroInTwoSeconds) {
    kvrotator& rot = rotator_with(
        token_writer().key("angles:").integer(90).integer(0).key("speed:").integer(45).key("mode:").integer(
            1));
    EXPECT_FLOAT_EQ(rot.from, 90.0f * kRadian);
    EXPECT_FLOAT_EQ(rot.speed, -45.0f * kRadian);
    rot.start();
    EXPECT_TRUE(rot.is_running());
    run(1000);
    EXPECT_NEAR(door_angle(), 45.0f * kRadian, 1e-4f);
    run(1000);
    EXPECT_FALSE(rot.is_running());
    EXPECT_EQ(actor_->state.value, 0.0f);
    EXPECT_EQ(actor_->state.kind, kControllerIdle);
    EXPECT_NEAR(door_angle(), 0.0f, 1e-4f);
}

TEST_F(Rotator, ModeZeroTurnsBackOnTheNextStart) {
    kvrotator& rot =
        rotator_with(token_writer().key("angles:").integer(0).integer(90).key("speed:").integer(90));
    rot.start();
    run(1500);
    EXPECT_EQ(actor_->state.kind, kControllerBackward);
    EXPECT_FLOAT_EQ(actor_->state.value, 90.0f * kRadian);
    rot.start();
    run(250);
    EXPECT_NEAR(actor_->state.value, 67.5f * kRadian, 1e-4f);
    run(1000);
    EXPECT_FLOAT_EQ(actor_->state.value, 0.0f);
    EXPECT_EQ(actor_->state.kind, kControllerForward);
}

TEST_F(Rotator, StoppedTimeDoesNotCountAndAStartWhileRunningReverses) {
    kvrotator& rot =
        rotator_with(token_writer().key("angles:").integer(0).integer(90).key("speed:").integer(90));
    rot.start();
    run(250);
    rot.stop();
    clock_.advance_ms(5000);
    actor_->tick(5000);  // not running: the geometry stays
    EXPECT_NEAR(actor_->state.value, 22.5f * kRadian, 1e-4f);
    rot.start();
    run(250);
    EXPECT_NEAR(actor_->state.value, 45.0f * kRadian, 1e-4f);
    rot.start();  // while running: turn back
    run(0);
    EXPECT_EQ(actor_->state.kind, kControllerBackward);
}

TEST_F(Rotator, WithoutKeysItHasZeroAnglesAndSpeed) {
    kvrotator& rot = rotator_with(token_writer());
    EXPECT_EQ(rot.from, 0.0f);
    EXPECT_EQ(rot.to, 0.0f);
    EXPECT_EQ(rot.speed, 0.0f);
    EXPECT_EQ(rot.mode, 0);
    // Ticked with no record attached it does nothing.
    kvrotator lone(srv_.factory, *package_list_find(srv_.packages, "level")->arties.items[0]);
    lone.tick(10);
    EXPECT_FALSE(lone.is_running());
}

}  // namespace
}  // namespace kv
