#include "game/kvdoor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/game/level_test_support.h"
#include "tests/sound/sound_test_support.h"

namespace kv {
namespace {

using tools::token_writer;

constexpr float kQuarter = std::numbers::pi_v<float> / 2.0f;
constexpr float kRadian = std::numbers::pi_v<float> / 180.0f;

class Door : public level_test {
protected:
    void SetUp() override {
        level_test::SetUp();
        sound_ = std::make_unique<kernel_sound_probe>(srv_.data_dir,
                                                      std::vector<std::string>{"snd-door1", "creak"});
    }
    void TearDown() override {
        sound_.reset();
        level_test::TearDown();
    }

    kvdoor& door_with(const token_writer& keys, const tools::transform_block& at = {}) {
        load_level({{"kvdoor", "d-door", keys}}, at);
        kvdoor* d = find<kvdoor>("d-door");
        EXPECT_NE(d, nullptr);
        return *d;
    }

    // Ticks every 25 ms for `ms` milliseconds.
    void run(kvdoor& d, int ms) {
        for (int t = 0; t < ms; t += 25) {
            clock_.advance_ms(25);
            d.tick(25);
        }
    }

    // The door's sounds played since the last look.
    int door_sounds() { return static_cast<int>(sound_->take().size()); }

    // The world position of a point given in the door's current frame.
    vec3 at_door(const vec3& local) { return mat4_transform_point(door_instance().transform, local); }

    std::unique_ptr<kernel_sound_probe> sound_;
};

TEST_F(Door, OpensAwayFromABeingAtSideAAndClosesThreeSecondsAfterItLeaves) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1"));
    entity& body = add_body("pid100", {50.0f, 100.0f, -50.0f});
    take_calls();

    d.tick(0);
    EXPECT_EQ(d.moving, 1);
    run(d, 950);
    EXPECT_GT(d.angle, 0.0f);
    EXPECT_LT(d.angle, kQuarter);
    run(d, 100);
    EXPECT_FLOAT_EQ(d.angle, kQuarter);
    EXPECT_EQ(d.moving, 0);
    EXPECT_EQ(door_sounds(), 1);
    // The geometry turned about its own y axis: its far end now points along +z.
    const vec3 end = mat4_transform_point(door_instance().transform, {100.0f, 0.0f, 0.0f});
    EXPECT_NEAR(end.x, 0.0f, 1e-3f);
    EXPECT_NEAR(end.z, 100.0f, 1e-3f);

    // While the being stays near, the door stays open.
    run(d, 5000);
    EXPECT_FLOAT_EQ(d.angle, kQuarter);

    place_body(body, {50.0f, 100.0f, -1000.0f});
    d.tick(0);  // restarts nothing: the timer runs from the last step
    EXPECT_EQ(d.moving, 1) << "the last step was more than 3 s ago";
    run(d, 1100);
    EXPECT_EQ(d.angle, 0.0f);
    EXPECT_EQ(d.moving, 0);
    EXPECT_EQ(door_sounds(), 1);
    EXPECT_TRUE(mat4_equal(door_instance().transform, mat4_mul(d.rest, d.rotation)));
}

TEST_F(Door, ClosesOnlyAfterThreeSecondsUnattended) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1"));
    entity& body = add_body("pid7", {50.0f, 100.0f, -50.0f});
    d.tick(0);
    run(d, 1100);
    ASSERT_FLOAT_EQ(d.angle, kQuarter);
    place_body(body, {50.0f, 100.0f, 400.0f});  // beyond 300 units
    run(d, 1900);
    EXPECT_EQ(d.moving, 0);
    EXPECT_FLOAT_EQ(d.angle, kQuarter);
    run(d, 1200);
    EXPECT_EQ(d.moving, 1);
    EXPECT_LT(d.angle, kQuarter);
}

TEST_F(Door, ABeingInItsWayStopsIt) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1"));
    add_body("pid1", {50.0f, 100.0f, -50.0f});
    d.tick(0);
    run(d, 300);
    const float reached = d.angle;
    ASSERT_GT(reached, 0.0f);
    add_body("pid2", at_door({50.0f, 100.0f, 50.0f}));  // side B, where the door swings to
    run(d, 25);
    EXPECT_EQ(d.moving, 0);
    const float stopped = d.angle;
    run(d, 2000);
    EXPECT_EQ(d.angle, stopped);
    EXPECT_NEAR(stopped, reached, 30.0f * kQuarter / 1000.0f);
}

TEST_F(Door, OnlyPlayersBodiesInItsSectorWithoutParentCount) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1"));
    add_body("bot1", {50.0f, 100.0f, -50.0f});
    entity& held = add_body("pid2", {50.0f, 100.0f, -50.0f});
    held.parent = &held;
    add_body("pid3", {50.0f, 100.0f, -50.0f}).in_sector = nullptr;
    d.tick(0);
    run(d, 500);
    EXPECT_EQ(d.moving, 0);
    EXPECT_EQ(d.angle, 0.0f);
}

TEST_F(Door, ASideBBeingSwingsItTheOtherWayToItsLimit) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1").key("to:").integer(-45));
    EXPECT_FLOAT_EQ(d.maximum_angle, 45.0f * kRadian);
    add_body("pid1", {50.0f, 100.0f, 50.0f});
    d.tick(0);
    run(d, 1000);
    EXPECT_FLOAT_EQ(d.angle, -45.0f * kRadian);
}

TEST_F(Door, AManualDoorNeverClosesByItself) {
    kvdoor& d = door_with(
        token_writer().key("gi:").str("room:door1").key("mode:").str("manual").key("speed:").number(180.0f));
    entity& body = add_body("pid1", {50.0f, 100.0f, -50.0f});
    d.tick(0);
    run(d, 600);
    ASSERT_FLOAT_EQ(d.angle, kQuarter);
    place_body(body, {0.0f, 0.0f, 5000.0f});
    run(d, 10000);
    EXPECT_FLOAT_EQ(d.angle, kQuarter);
}

TEST_F(Door, SoundIsPositionedAtTheDoorsCentreInItsSector) {
    tools::transform_block at;
    at.translation = {1000.0f, 0.0f, 0.0f};
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1").key("snd:").str("creak"), at);
    add_body("pid1", {1050.0f, 100.0f, -50.0f});
    take_calls();
    d.tick(0);
    run(d, 25);
    // Channel 2, owner 0, the door's sector as its zone.
    EXPECT_EQ(sound_->take(),
              calls_t{str_format("2 creak 0 %zu 3d 1050 100 0",
                                 static_cast<std::size_t>(reinterpret_cast<uintptr_t>(&room())))});
    const audio_3d_params& p = sound_->card.buffers.begin()->second.params;
    EXPECT_EQ(p.cone_orientation.z, -1.0f);
    EXPECT_EQ(p.min_distance, 100.0f);
    EXPECT_EQ(p.max_distance, 5000.0f);
    EXPECT_EQ(p.inside_cone_angle, 360.0f);
    EXPECT_EQ(p.outside_cone_angle, 360.0f);
    EXPECT_EQ(p.outside_volume, 0);
    EXPECT_EQ(sound_->card.buffers.begin()->second.volume, 0);
}

TEST_F(Door, ResetPutsTheGeometryBack) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1"));
    add_body("pid1", {50.0f, 100.0f, -50.0f});
    d.tick(0);
    run(d, 400);
    kvdoor_reset(d);
    EXPECT_EQ(d.angle, 0.0f);
    EXPECT_EQ(d.moving, 0);
    EXPECT_TRUE(mat4_equal(door_instance().transform, d.rest));
}

TEST_F(Door, ADoorThatCannotFindItsGeometryWarnsOnce) {
    kvdoor& d = door_with(token_writer().key("gi:").str("hall:door1"));
    clear_log();
    for (int i = 0; i < 3; ++i) d.tick(0);
    const std::string text = log();
    EXPECT_EQ(text, "server: No sector `level:hall' found.\nkv: *WARNING* door couldn't initialize\n");
    EXPECT_EQ(d.instance, nullptr);
}

TEST_F(Door, DefaultsAndKeys) {
    kvdoor& d = door_with(token_writer().key("gi:").str("room:door1"));
    EXPECT_FLOAT_EQ(d.maximum_angle, kQuarter);
    EXPECT_FLOAT_EQ(d.speed, kQuarter / 1000.0f);
    EXPECT_EQ(d.sound_name, "snd-door1");
    EXPECT_EQ(d.manual, 0);
    kvdoor& other = *find<kvdoor>("d-door");
    EXPECT_EQ(&other, &d);
}

}  // namespace
}  // namespace kv
