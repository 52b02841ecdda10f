// The soldier in a headless local game: the game object of the level below, the demo "beings" package
// for the bodies and animations, the fake clock; player 100 (Rambo, the local player the bound camera
// follows) and bot 5 driven here, their commands queued in their player records.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "beings/anim_tables.h"
#include "beings/being.h"
#include "beings/being_game.h"
#include "bots/bot_central.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "gfx/effects/water_ripple_effect.h"
#include "kernel/kernel.h"
#include "tests/beings/level_meshes.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/support/call_log.h"
#include "tests/support/client_capture.h"
#include "tests/support/input_fake.h"
#include "tools/beings_writer.h"
#include "tools/targa_writer.h"
#include "ui/hud_effects.h"
#include "util/text.h"
#include "world/hit_map.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr uint32_t kBot = 5;
constexpr float kEye = 95.0f;   // above the floor: the box's bottom is 94.85 below the view
constexpr float kRest = 97.0f;  // where the sweep leaves a standing soldier's view
constexpr float kChestBone = 30.0f;

// Places of the field (one sector, floor at y 0).
const vec3 kOpen{0.0f, kEye, 0.0f};
const vec3 kUnderSlab{1200.0f, kEye, 0.0f};               // a ceiling 176 above the floor
const vec3 kLedgeEdge{-1010.0f, 400.0f + kEye, 0.0f};     // facing +x, 400 up
const vec3 kStepEdge{-2010.0f, 100.0f + kEye, 0.0f};      // 100 up
const vec3 kTowerEdge{2390.0f, 900.0f + kEye, -2600.0f};  // 900 up, the deep pool ahead
const vec3 kUnderWater{2700.0f, kEye, -900.0f};           // deep pool, under a slab at 200
const vec3 kDeepPool{2700.0f, kEye, -1500.0f};            // surface 300
const vec3 kShallow{2700.0f, kEye, 500.0f};               // surface 15
const vec3 kMidPool{2700.0f, kEye, 1500.0f};              // surface 150: immersion 87
const vec3 kLowPool{2700.0f, kEye, 2500.0f};              // surface 145: immersion 84

class BeingGame : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        write_hit_maps();
        write_data("maps/training", level());
        srv_.load_request = kLoadRequestMenu;
        srv_.snapshot.name = "training";
        server_set_game_package(srv_, "training");
        for (int i = 0; i < 4; ++i) frame();
        g_ = game();
        ASSERT_NE(g_, nullptr) << log();
        ASSERT_EQ(g_->state, kGameObjectRunning) << log();
        rambo_ = g_->local_being;
        ASSERT_NE(rambo_, nullptr) << log();
        field_ = static_cast<sector*>(rambo_->place.sector);
        ASSERT_NE(field_, nullptr);
        ASSERT_EQ(field_->name, "field");
        dress(*rambo_);
        // The bot, driven here too.
        player_init(srv_, slot(kBot, 1, 0));
        server_add_local_player(srv_, kBot);
        kvgame_sync_beings(*g_);
        bot_ = kvgame_find_player(*g_, kBot);
        ASSERT_NE(bot_, nullptr);
        dress(*bot_);
        place(*bot_, {-2800.0f, kEye, 2800.0f});
        frame();
        test_call_log().calls.clear();
        // What the soldiers send stays in the client session's queues.
        client_capture_connect(srv_.client);
    }

    void TearDown() override {
        client_capture_take(srv_.client);
        srv_.client.connected = false;
        being_set_gravity(1.0f);
        for (image8& map : hit_maps()) map = image8();
        headless_game::TearDown();
    }

    std::vector<uint8_t> level() {
        field_level level;
        level.add(level_quad(-3000.0f, 3000.0f, -3000.0f, 3000.0f, 0.0f), "concrete10");
        level.add(box_mesh({1000.0f, 176.0f, -200.0f}, {1400.0f, 220.0f, 200.0f}), "concrete10");
        level.add(box_mesh({-1400.0f, 0.0f, -200.0f}, {-1000.0f, 400.0f, 200.0f}), "concrete10");
        level.add(box_mesh({-2400.0f, 0.0f, -200.0f}, {-2000.0f, 100.0f, 200.0f}), "concrete10");
        level.add(box_mesh({2000.0f, 0.0f, -2800.0f}, {2400.0f, 900.0f, -2400.0f}), "concrete10");
        level.add(box_mesh({2600.0f, 200.0f, -1000.0f}, {2800.0f, 240.0f, -800.0f}), "concrete10");
        level.add(level_quad(2400.0f, 3000.0f, -3000.0f, -200.0f, 300.0f), "water1");
        level.add(level_quad(2400.0f, 3000.0f, 0.0f, 1000.0f, 15.0f), "water1");
        level.add(level_quad(2400.0f, 3000.0f, 1000.0f, 2000.0f, 150.0f), "water1");
        level.add(level_quad(2400.0f, 3000.0f, 2000.0f, 3000.0f, 145.0f), "water1");
        level.add(pane(-300.0f, -2100.0f, -1900.0f), "glass");
        level.add(pane(-300.0f, -2600.0f, -2400.0f), "metal1");
        level.write_field();
        level.w.add_arty("kvstatic_camera", "scam1", tools::token_writer().key("mode:").integer(0).bytes());
        level.w.add_arty("kvlevel", "level", tools::token_writer().key("title:").str("Field").bytes());
        add_field_spawn_points(level.w, kEye);
        return level.w.finish();
    }

    // Zones by rows of 8 x 8: head 16, chest 32, legs 144.
    void write_hit_maps() {
        const std::vector<uint8_t> map = striped_hit_map();
        for (int i = 0; i < 3; ++i) write_data("tex/tga/hitmap" + std::to_string(i) + ".tga", map);
        srv_.texture_dir = "tga/";
        server_load_hit_maps(srv_);
    }

    static player_slot slot(uint32_t id, int32_t team, int32_t spawn, int32_t state = kSlotPlaying,
                            int32_t value = 0) {
        player_slot s;
        s.id = id;
        s.name = "p" + std::to_string(id);
        s.team = team;
        s.spawn = spawn;
        s.state = state;
        s.health = 100;
        s.cause = value;
        return s;
    }

    // The body the demo package has (the team models come with their own package).
    void dress(being& b) {
        being_set_model(b, "beings:soldier", "");
        being_reset_posture(b);
    }

    void place(being& b, const vec3& at, const vec3& forward = {1.0f, 0.0f, 0.0f}) {
        being_set_view(b, at, forward, {0.0f, 1.0f, 0.0f}, field_);
    }

    // Places, then lets it settle on what holds it.
    void put(being& b, const vec3& at, const vec3& forward = {1.0f, 0.0f, 0.0f}, int frames = 3) {
        place(b, at, forward);
        for (int i = 0; i < frames; ++i) frame();
    }

    void command(being& b, int32_t code) { being_record(b)->commands.push_back(static_cast<int16_t>(code)); }

    void frames(int count, int32_t ms = 16) {
        for (int i = 0; i < count; ++i) {
            clock_.advance_ms(ms);
            server_frame(srv_, ms);
        }
    }

    entity& body(being& b) { return *server_entity_find(srv_, b.name); }

    static vec3 at(const being& b) { return being_position(b); }

    // The hits the soldier's side sent about this player: "code amount position" each.
    std::vector<std::string> hits_on(uint32_t id) {
        for (std::string& line : client_capture_take(srv_.client)) sent_.push_back(std::move(line));
        std::vector<std::string> out;
        const std::string prefix = "hit " + std::to_string(id) + " " + std::to_string(id) + " ";
        for (const std::string& c : sent_) {
            if (c.starts_with(prefix)) out.push_back(c.substr(prefix.size()));
        }
        return out;
    }

    void forget_sent() {
        client_capture_take(srv_.client);
        sent_.clear();
    }

    int32_t lower_slot(int32_t row) const {
        return anim_tables_get()
            .lower[row][being_weapon_index(rambo_->weapons, -1) >= 0 ? being_weapon_index(rambo_->weapons, -1)
                                                                     : kWeaponHands];
    }

    kvgame* g_ = nullptr;
    calls_t sent_;  // what the client session queued, read so far
    being* rambo_ = nullptr;
    being* bot_ = nullptr;
    sector* field_ = nullptr;
};

TEST_F(BeingGame, BothSoldiersStandOnTheFloorWithTheirBodiesInTheWorld) {
    EXPECT_EQ(rambo_->name, "pid100");
    EXPECT_EQ(rambo_->view_model_name, "~pid100");
    EXPECT_NE(rambo_->view_flags & kBeingCollision, 0u);
    EXPECT_EQ(body(*rambo_).model_root != nullptr, true);
    // The first-person model rides on the body and is drawn only in the first-person pass.
    entity* hands = server_entity_find(srv_, "~pid100");
    ASSERT_NE(hands, nullptr);
    EXPECT_EQ(hands->parent, &body(*rambo_));
    EXPECT_EQ(hands->node_tint.flags & 1u, 1u);
    put(*rambo_, kOpen + vec3{0.0f, 50.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 10);
    EXPECT_NEAR(at(*rambo_).y, kRest, 0.5f);
    EXPECT_EQ(rambo_->movement_state, kStateStill);
    EXPECT_EQ(body(*rambo_).in_sector, field_);
    EXPECT_EQ(log().find("*WARNING* model"), std::string::npos) << log();
}

TEST_F(BeingGame, RunningCoversTheRunSpeedTimesTheTimeAndBackPlaysTheRunReversed) {
    put(*rambo_, kOpen);
    command(*rambo_, 1);
    frame();
    EXPECT_EQ(rambo_->movement_state, kStateRun);
    const vec3 start = at(*rambo_);
    frames(62);  // 992 ms
    const float run = at(*rambo_).x - start.x;
    EXPECT_NEAR(run, 0.45f * 992.0f, 5.0f);
    EXPECT_NEAR(at(*rambo_).z, start.z, 0.01f);
    EXPECT_NEAR(at(*rambo_).y, start.y, 0.5f);
    EXPECT_FLOAT_EQ(being_record(*rambo_)->current_speed[0], 0.45f);

    // Back alone: the forward run, reversed, backwards.
    command(*rambo_, -1);
    command(*rambo_, 2);
    frame();
    EXPECT_EQ(rambo_->movement_state, kStateRun);
    EXPECT_EQ(body(*rambo_).channels[0].animation, lower_slot(2));
    EXPECT_EQ(body(*rambo_).channels[0].reverse, 1);
    const vec3 back_start = at(*rambo_);
    frames(10);
    EXPECT_NEAR(at(*rambo_).x - back_start.x, -0.45f * 160.0f, 2.0f);

    // Forward and back together cancel.
    command(*rambo_, 1);
    frame();
    const vec3 both = at(*rambo_);
    frames(10);
    EXPECT_NEAR(vec3_length(at(*rambo_) - both), 0.0f, 0.01f);
}

TEST_F(BeingGame, ADiagonalIsNeverLongerThanTheSpeedAndAStalledFrameMovesNobody) {
    put(*rambo_, kOpen);
    command(*rambo_, 1);
    command(*rambo_, 12);
    frame();
    for (int i = 0; i < 10; ++i) {
        const vec3 before = at(*rambo_);
        frame();
        const vec3 d = at(*rambo_) - before;
        EXPECT_LE(std::hypot(d.x, d.z), 0.45f * 16.0f + 0.01f);
        EXPECT_LT(d.z, 0.0f);  // facing +x, the right is -z
    }
    // A pause over 250 ms: nothing moves; the next frame moves again.
    const vec3 before = at(*rambo_);
    frames(1, 300);
    EXPECT_NEAR(vec3_length(at(*rambo_) - before), 0.0f, 1e-4f);
    frame();
    EXPECT_GT(vec3_length(at(*rambo_) - before), 5.0f);
}

TEST_F(BeingGame, CrouchingAndLyingPlayTheirTransitionsAndALowCeilingRefusesThem) {
    put(*rambo_, kOpen);
    command(*rambo_, 19);
    command(*rambo_, -19);
    frame();
    EXPECT_EQ(rambo_->movement_state, kStateCrouched);
    EXPECT_EQ(rambo_->special_action, 1);
    EXPECT_EQ(body(*rambo_).channels[0].animation, lower_slot(45));
    EXPECT_EQ(body(*rambo_).channels[0].next, lower_slot(18));
    EXPECT_EQ(body(*rambo_).posture_index, -1);
    frames(200);
    EXPECT_EQ(rambo_->special_action, 0);
    EXPECT_EQ(body(*rambo_).posture_index, 1);
    std::string icon;
    EXPECT_TRUE(being_state_icon(*rambo_, icon));
    EXPECT_EQ(icon, "hud_i_bend");

    // Down again: lying.
    command(*rambo_, 19);
    command(*rambo_, -19);
    frame();
    EXPECT_EQ(rambo_->movement_state, kStateLying);
    EXPECT_EQ(body(*rambo_).channels[0].animation, lower_slot(47));
    frames(200);
    EXPECT_EQ(body(*rambo_).posture_index, 2);
    EXPECT_TRUE(being_state_icon(*rambo_, icon));
    EXPECT_EQ(icon, "hud_i_crawl");

    // Under the slab a soldier stands, but may not crouch: the crouching body's trial up and back
    // meets the slab (lying down fits).
    put(*bot_, kUnderSlab, {1.0f, 0.0f, 0.0f}, 5);
    ASSERT_EQ(bot_->movement_state, kStateStill);
    command(*bot_, 19);
    command(*bot_, -19);
    frame();
    EXPECT_EQ(bot_->movement_state, kStateStill);
    EXPECT_FALSE(being_has_state_icon(*bot_));
    command(*bot_, 20);
    command(*bot_, -20);
    frame();
    EXPECT_EQ(bot_->movement_state, kStateLying);
}

TEST_F(BeingGame, AJumpOffAStepIsAirborneLandsAndGivesBackTheRun) {
    put(*rambo_, kStepEdge);
    command(*rambo_, 1);
    frame();
    command(*rambo_, 17);
    frame();
    ASSERT_EQ(rambo_->jumping, 1);
    EXPECT_EQ(rambo_->movement_state, kStateRun);  // a running jump stays in the run
    EXPECT_TRUE(being_in_air(*rambo_));
    bool airborne = false;
    bool landed = false;
    for (int i = 0; i < 120 && !landed; ++i) {
        frame();
        airborne = airborne || rambo_->airborne;
        landed = airborne && rambo_->landing_sound_pending;
    }
    EXPECT_TRUE(airborne);
    ASSERT_TRUE(landed);
    EXPECT_EQ(rambo_->jumping, 0);
    EXPECT_EQ(rambo_->movement_state, kStateRun);
    EXPECT_NEAR(at(*rambo_).y, kRest, 1.0f);
    EXPECT_TRUE(hits_on(100).empty()) << ::testing::PrintToString(hits_on(100));  // 100 units hurt nobody
}

TEST_F(BeingGame, FallsHurtBySquaredDistanceAFifthIntoWaterAndDeadlyOnesEveryUpdate) {
    // Straight down 400 units: a squared distance of 160,000 hits for 6.
    put(*rambo_, kOpen + vec3{0.0f, 400.0f + kRest - kEye, 0.0f}, {1.0f, 0.0f, 0.0f}, 0);
    frames(30);
    EXPECT_NEAR(at(*rambo_).y, kRest, 1.0f);
    std::vector<std::string> hits = hits_on(100);
    ASSERT_EQ(hits.size(), 1u) << ::testing::PrintToString(test_call_log().calls);
    EXPECT_EQ(hits[0], "255 6 ffff");

    // Running off the ledge: the squared distance from where the fall began over 25,000.
    forget_sent();
    put(*rambo_, kLedgeEdge);
    command(*rambo_, 1);
    for (int i = 0; i < 60 && hits_on(100).empty(); ++i) frame();
    const float ledge_d2 = vec3_length_sq(at(*rambo_) - rambo_->fall_start);
    hits = hits_on(100);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_GT(ledge_d2, 80000.0f);
    EXPECT_EQ(hits[0], str_format("255 %d ffff", static_cast<int>(ledge_d2 / 25000.0f)));

    // 900 units down into the pool: a fifth of it.
    forget_sent();
    command(*rambo_, -1);
    put(*rambo_, kTowerEdge);
    command(*rambo_, 1);
    int32_t frame_count = 0;
    while (hits_on(100).empty() && frame_count++ < 60) frame();
    const float pool_d2 = vec3_length_sq(at(*rambo_) - rambo_->fall_start);
    hits = hits_on(100);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_GT(pool_d2, 250000.0f);
    EXPECT_EQ(hits[0], str_format("255 %d ffff", static_cast<int>(pool_d2 / 25000.0f) / 5));
    EXPECT_GT(rambo_->immersion, 0);

    // From 5000 up: past 2236 units every update hits 10.
    forget_sent();
    command(*rambo_, -1);
    put(*rambo_, kOpen + vec3{0.0f, 5000.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0);
    frames(60);
    EXPECT_TRUE(hits_on(100).empty());
    frames(30);
    hits = hits_on(100);
    ASSERT_GE(hits.size(), 10u);
    for (const std::string& h : hits) EXPECT_TRUE(h.starts_with("255 10 ")) << h;
    EXPECT_TRUE(rambo_->falling);
    std::string icon;
    EXPECT_TRUE(being_state_icon(*rambo_, icon));
    EXPECT_EQ(icon, "hud_i_fall");
}

TEST_F(BeingGame, SwimmingStartsAbove85EndsAt35AndHoldsThePitch) {
    put(*bot_, kLowPool, {1.0f, 0.0f, 0.0f}, 3);
    EXPECT_EQ(bot_->immersion, 84);
    EXPECT_NE(bot_->movement_state, kStateSwim);
    put(*bot_, kMidPool, {1.0f, 0.0f, 0.0f}, 3);
    EXPECT_EQ(bot_->movement_state, kStateSwim) << bot_->immersion;
    std::string icon;
    EXPECT_TRUE(being_state_icon(*bot_, icon));
    EXPECT_EQ(icon, "hud_i_swim");
    // Into water 15 deep: the swimmer's flat body stands 29 per cent in it and gets up.
    put(*bot_, kShallow, {1.0f, 0.0f, 0.0f}, 3);
    EXPECT_NE(bot_->movement_state, kStateSwim);
    EXPECT_GT(bot_->immersion, 0);

    // "Swim mode" does nothing in shallow water.
    command(*bot_, 41);
    frame();
    EXPECT_NE(bot_->movement_state, kStateSwim);

    // Mouse look: the local player's pitch is held to 45 degrees up and 60 down, 36 down swimming.
    put(*rambo_, kOpen);
    fake_input_scope mouse(kernel_get().input_layer);
    di_post_mouse_motion(0, 100000);
    frame();
    EXPECT_FLOAT_EQ(rambo_->pitch, 0.7853982f);
    di_post_mouse_motion(0, -100000);
    frame();
    EXPECT_FLOAT_EQ(rambo_->pitch, -1.0471976f);
    put(*rambo_, kMidPool);
    ASSERT_EQ(rambo_->movement_state, kStateSwim);
    di_post_mouse_motion(0, -100000);
    frame();
    EXPECT_FLOAT_EQ(rambo_->pitch, -0.62831855f);
    EXPECT_FALSE(kernel_get().graphics.switches.first_person);  // no first-person weapon while swimming
}

TEST_F(BeingGame, MouseLookIsScaledBySensitivityAndZoom) {
    put(*rambo_, kOpen);
    fake_input_scope mouse(kernel_get().input_layer);
    struct look_case {
        float sensitivity;
        float zoom;
        int32_t dx;
    };
    for (const look_case& c :
         {look_case{1.0f, 0.0f, 100}, {5.0f, 0.0f, 40}, {5.0f, 20.0f, 40}, {2.0f, 60.0f, -80}}) {
        kernel_get().input_layer.mouse_sensitivity = c.sensitivity;
        rambo_->zoom = c.zoom;
        const vec3 before = mat4_row2(rambo_->place.transform);
        di_post_mouse_motion(c.dx, 0);
        frame();
        const vec3 after = mat4_row2(rambo_->place.transform);
        const float turned = std::atan2(after.x, after.z) - std::atan2(before.x, before.z);
        const float scale = c.sensitivity / ((c.zoom / 20.0f + 1.0f) * 100.0f);
        EXPECT_NEAR(std::fabs(turned), std::fabs(static_cast<float>(c.dx) * kPi / 1000.0f * scale * 25.0f),
                    1e-4f);
    }
    kernel_get().input_layer.mouse_sensitivity = 1.0f;
    rambo_->zoom = 0.0f;
    // The record's pending turn is taken with the mouse and cleared.
    being_record(*rambo_)->pending_yaw = 100;
    frame();
    EXPECT_EQ(being_record(*rambo_)->pending_yaw, 0);
    // The bot has no mouse: its pending turn waits.
    being_record(*bot_)->pending_yaw = 100;
    frame();
    EXPECT_EQ(being_record(*bot_)->pending_yaw, 100);
}

TEST_F(BeingGame, LaddersTakeWalkersRunnersAndSwimmersAndLetGoOnlyForTheirSensor) {
    put(*rambo_, kOpen);
    being_set_ladder(*rambo_, 7, true);  // standing still: not taken
    EXPECT_FALSE(rambo_->on_ladder);
    command(*rambo_, 1);
    frame();
    being_set_ladder(*rambo_, 7, true);
    EXPECT_TRUE(rambo_->on_ladder);
    std::string icon;
    EXPECT_TRUE(being_state_icon(*rambo_, icon));
    EXPECT_EQ(icon, "hud_i_ladder");
    being_set_ladder(*rambo_, 8, false);
    EXPECT_TRUE(rambo_->on_ladder);
    // Forward climbs at the ladder speed.
    const float y = at(*rambo_).y;
    frames(10);
    EXPECT_NEAR(at(*rambo_).y - y, 0.4f * 160.0f, 1.0f);
    being_set_ladder(*rambo_, 7, false);
    EXPECT_FALSE(rambo_->on_ladder);
    // A goal's state shows its icon.
    being_set_goal_state(*rambo_, 1, "hud_i_bomb");
    EXPECT_TRUE(being_state_icon(*rambo_, icon));
    EXPECT_EQ(icon, "hud_i_bomb");
}

TEST_F(BeingGame, DrowningKillsAfter59SecondsAndSurfacingGivesBackTheLoss) {
    put(*rambo_, kUnderWater, {1.0f, 0.0f, 0.0f}, 5);
    ASSERT_EQ(rambo_->movement_state, kStateSwim);
    ASSERT_GE(rambo_->immersion, 90);
    forget_sent();
    int32_t killed_at = -1;
    int32_t health_at_50 = -1;
    for (int32_t ms = 0; ms <= 62000 && killed_at < 0; ms += 200) {
        frames(1, 200);
        if (ms == 50000) health_at_50 = being_health(*rambo_);
        if (!hits_on(100).empty()) killed_at = ms;
    }
    EXPECT_EQ(health_at_50, 50);
    EXPECT_GE(killed_at, 58600);
    EXPECT_LE(killed_at, 59600);
    EXPECT_EQ(hits_on(100), std::vector<std::string>{"255 100 ffff"});
    EXPECT_EQ(being_record(*rambo_)->health, 100);  // the snapshots own it

    // Under again for 40 s, then up for air: the loss is gone.
    put(*rambo_, kOpen, {1.0f, 0.0f, 0.0f}, 1);
    put(*bot_, kUnderWater, {1.0f, 0.0f, 0.0f}, 5);
    ASSERT_GE(bot_->immersion, 90);
    frames(200, 200);
    EXPECT_LT(being_health(*bot_), 100);
    place(*bot_, kDeepPool + vec3{0.0f, 230.0f, 0.0f});
    frame();
    ASSERT_LT(bot_->immersion, 90);
    EXPECT_EQ(being_health(*bot_), 100);
}

TEST_F(BeingGame, ADyingCrouchedSoldierPlaysHisDeathHeldDropsHisItemsAndKeepsTheHands) {
    // He carries the three items (the kit gives them unheld).
    for (const int32_t w : {60, 61, 62}) {
        being_give_weapon(*bot_, w);
        bot_->weapons.slots[being_find_weapon_slot(bot_->weapons, w, false)].held = 1;
    }
    put(*bot_, kOpen + vec3{0.0f, 0.0f, 600.0f});
    command(*bot_, 19);
    command(*bot_, -19);
    frames(200);
    ASSERT_EQ(bot_->movement_state, kStateCrouched);
    srv_.hosting = 1;
    test_call_log().calls.clear();
    player_init(srv_, slot(kBot, 1, 0, kSlotDying, 2));
    kvgame_sync_beings(*g_);
    EXPECT_EQ(bot_->movement_state, kStateDead);
    EXPECT_EQ(body(*bot_).channels[0].animation, 194);
    EXPECT_EQ(body(*bot_).channels[1].animation, 204);
    EXPECT_EQ(body(*bot_).channels[0].lock, 1);
    EXPECT_EQ(body(*bot_).channels[0].loop, 0);
    std::vector<int32_t> dropped;
    for (const auto& d : srv_.dropped_weapons) dropped.push_back(d->values[0]);
    EXPECT_EQ(dropped, (std::vector<int32_t>{60, 61, 62}));
    EXPECT_EQ(being_weapon_index(bot_->weapons, -1), kWeaponHands);
    EXPECT_NE(bot_->view_flags & kBeingThirdPerson, 0u);
    // Once per life.
    kvgame_sync_beings(*g_);
    EXPECT_EQ(srv_.dropped_weapons.size(), 3u);
    // A new life lets go of the held death.
    being_die(*bot_, -1);
    being_reset_posture(*bot_);
    EXPECT_EQ(bot_->movement_state, kStateStill);
    EXPECT_EQ(body(*bot_).channels[0].animation, anim_tables_get().lower[kRowIdle][kWeaponHands]);
}

TEST_F(BeingGame, RaysMeetTheOtherSoldiersBodyUntilHeCrouches) {
    put(*rambo_, kOpen);
    // Facing +z, the demo body's quads face the ray along x.
    put(*bot_, kOpen + vec3{300.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    // The demo body's chest: its spine's quads 20 to 45 above the model's root.
    const float head = mat4_row3(body(*bot_).model_root->transform).y + kChestBone;
    auto ray_at = [&](float height) {
        trace t;
        trace_ray(t, field_, {kOpen.x + 100.0f, height, kOpen.z}, {1.0f, 0.0f, 0.0f}, 1e6f, 1, 1, 1, 0);
        for (const trace_hit& h : t.hits) {
            if (h.player_id >= 0) return std::pair{h.player_id, static_cast<int32_t>(h.hit.value)};
        }
        return std::pair{int32_t{-1}, int32_t{-1}};
    };
    const auto met = ray_at(head);
    EXPECT_EQ(met.first, static_cast<int32_t>(kBot));
    EXPECT_TRUE(met.second == 16 || met.second == 32 || met.second == 144) << met.second;
    command(*bot_, 19);
    command(*bot_, -19);
    frames(200);
    ASSERT_EQ(bot_->movement_state, kStateCrouched);
    EXPECT_EQ(ray_at(head).first, -1);
    EXPECT_EQ(ray_at(head - tools::kSoldierCrouchDrop).first, static_cast<int32_t>(kBot));
}

// The labels a name-tag pass draws: text and colour of each shown tag.
calls_t drawn_tags(const being& b) {
    calls_t drawn;
    for (int i = 0; i < kNameTagLabels; ++i) {
        if (!b.tag_shown[i]) continue;
        const kvtext& t = b.tags[i];
        drawn.push_back(str_format("kvtext_draw %s %g %g %g %g", t.text.c_str(), t.colour[0], t.colour[1],
                                   t.colour[2], t.colour[3]));
    }
    return drawn;
}

// The renderer's current view sends every point to (0.2, 0.5) at depth w.
void project_everything_to(float w) {
    camera_view view;
    for (float& e : view.view_projection.m) e = 0.0f;
    view.view_projection.m[12] = 0.2f;
    view.view_projection.m[13] = 0.5f;
    view.view_projection.m[14] = w;
    view.view_projection.m[15] = 1.0f;
    view_stack& views = kernel_get().graphics.views;
    view_stack_clear_viewports(views);
    views.current = static_cast<uint32_t>(view_stack_add_viewport(views, view));
}

TEST_F(BeingGame, NameTagsSeeThroughGlassNotThroughWallsAndOnlyWithTheFlag) {
    put(*rambo_, {-500.0f, kEye, -2000.0f});
    put(*bot_, {-100.0f, kEye, -2000.0f}, {0.0f, 0.0f, 1.0f});
    rambo_->pitch = -0.075f;  // from the head down onto the demo body's chest 400 units off
    srv_.snapshot.flags = 0;
    clock_.advance_ms(400);
    being_draw_name_tag(*rambo_);
    EXPECT_EQ(rambo_->tag_target, -1);
    EXPECT_TRUE(drawn_tags(*rambo_).empty());

    srv_.snapshot.flags = 8;
    project_everything_to(2.0f);
    being_draw_name_tag(*rambo_);
    EXPECT_EQ(rambo_->tag_target, static_cast<int32_t>(kBot));
    EXPECT_EQ(drawn_tags(*rambo_), (calls_t{"kvtext_draw Enemy soldier 1 0 0 1", "kvtext_draw p5 1 0 0 1",
                                            "kvtext_draw Health: 100% 1 0 0 1"}));
    // x = (0.1 + 1) x 500, y = (1 - 0.25) x 500.
    EXPECT_FLOAT_EQ(rambo_->tags[1].x, 550.0f);
    EXPECT_FLOAT_EQ(rambo_->tags[1].y, 375.0f - 45.0f);
    EXPECT_FLOAT_EQ(rambo_->tags[0].y, 375.0f - 20.0f);
    EXPECT_FLOAT_EQ(rambo_->tags[2].y, 375.0f);

    // Behind the wall: the next ray finds nobody; until then the tag stays.
    put(*rambo_, {-500.0f, kEye, -2500.0f}, {1.0f, 0.0f, 0.0f}, 1);
    put(*bot_, {-100.0f, kEye, -2500.0f}, {0.0f, 0.0f, 1.0f}, 1);
    being_draw_name_tag(*rambo_);
    EXPECT_EQ(rambo_->tag_target, static_cast<int32_t>(kBot));
    EXPECT_EQ(drawn_tags(*rambo_).size(), 3u);
    clock_.advance_ms(400);
    being_draw_name_tag(*rambo_);
    EXPECT_EQ(rambo_->tag_target, -1);
    EXPECT_TRUE(drawn_tags(*rambo_).empty());

    // Behind the viewer nothing shows.
    put(*rambo_, {-500.0f, kEye, -2000.0f}, {1.0f, 0.0f, 0.0f}, 1);
    put(*bot_, {-100.0f, kEye, -2000.0f}, {0.0f, 0.0f, 1.0f}, 1);
    clock_.advance_ms(400);
    project_everything_to(-1.0f);
    being_draw_name_tag(*rambo_);
    EXPECT_EQ(rambo_->tag_target, static_cast<int32_t>(kBot));
    EXPECT_TRUE(drawn_tags(*rambo_).empty());
    view_stack_clear_viewports(kernel_get().graphics.views);
}

TEST_F(BeingGame, ARemoteSoldierIsPlacedAndAnimatedFromHisPlayerState) {
    player_init(srv_, slot(7, 1, -1));
    kvgame_sync_beings(*g_);
    being* remote = kvgame_find_player(*g_, 7);
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(remote->view_flags & kBeingCollision, 0u);
    player_state state;
    state.position = vec3{300.0f, kEye, 700.0f};
    state.angle = kPi / 2.0f;
    state.state = 0;
    const int32_t run = anim_tables_get().lower[2][kWeaponHands];
    state.groups[0][0] = run;
    state.groups[0][1] = 3;
    state.groups[0][2] = anim_tables_get().lower_speed[2][kWeaponHands];
    state.second_angle = 0.25f;
    ASSERT_TRUE(server_player_update(srv_, 7, state));
    kvgame_sync_beings(*g_);
    EXPECT_NEAR(at(*remote).x, 300.0f, 1e-3f);
    EXPECT_NEAR(at(*remote).z, 700.0f, 1e-3f);
    EXPECT_NEAR(mat4_row2(remote->place.transform).x, 1.0f, 1e-5f);
    EXPECT_EQ(body(*remote).channels[0].animation, run);
    EXPECT_FLOAT_EQ(body(*remote).aim_angle, 0.25f);
    EXPECT_FLOAT_EQ(remote->aim_angle, 0.25f);
    EXPECT_EQ(remote->movement_state, kStateRun);
    // Not driven here: it is never ticked.
    const vec3 still = at(*remote);
    frames(5);
    EXPECT_NEAR(vec3_length(at(*remote) - still), 0.0f, 1e-4f);
    // A state whose position is not a number is refused.
    state.position.y = std::nanf("");
    kvgame_apply_player_update(*g_, "pid7", state);
    EXPECT_NEAR(vec3_length(at(*remote) - still), 0.0f, 1e-4f);
    EXPECT_NE(
        log().find(
            "kvgame: *WARNING* state of player pid7 refused: its position or heading is not a number.\n"),
        std::string::npos);
}

TEST_F(BeingGame, TheStoredStateCarriesPositionHeadingSectorAndChannels) {
    put(*rambo_, kOpen, {0.0f, 0.0f, 1.0f});
    command(*rambo_, 1);
    frame();
    being_store_anim_state(*rambo_);
    const player_state& st = being_record(*rambo_)->state_record;
    EXPECT_NEAR(st.position.x, at(*rambo_).x, 1e-4f);
    EXPECT_NEAR(st.angle, 0.0f, 1e-5f);
    EXPECT_EQ(st.state, 0);
    EXPECT_EQ(st.groups[0][0], lower_slot(2));
    // Forward or back held: bit 1 of the input flags.
    EXPECT_EQ(st.bytes[0], 0x02);
}

TEST_F(BeingGame, RecordLevelsAreClampedNeverWrapped) {
    const float levels[6] = {1.2f, 0.5f, -0.1f, 1.0f, 0.0f, std::nanf("")};
    being_set_record_levels(*bot_, levels);
    const player_record& r = *being_record(*bot_);
    EXPECT_EQ(std::vector<int>(r.levels, r.levels + 6), (std::vector<int>{255, 127, 0, 255, 0, 0}));
    EXPECT_EQ(r.levels_changed, 1);
}

TEST_F(BeingGame, QueuedCodesOutsideTheTablesAndWithoutMeaningAreIgnored) {
    put(*bot_, kOpen + vec3{0.0f, 0.0f, 800.0f});
    for (const int16_t code : {int16_t{0}, int16_t{-32768}, int16_t{9999}, int16_t{-9999}, int16_t{32767}})
        being_record(*bot_)->commands.push_back(code);
    const vec3 before = at(*bot_);
    frames(5);
    EXPECT_TRUE(being_record(*bot_)->commands.empty());
    EXPECT_EQ(bot_->held, 0u);
    EXPECT_EQ(bot_->movement_state, kStateStill);
    EXPECT_NEAR(vec3_length(at(*bot_) - before), 0.0f, 0.01f);
    // The release of a code never held, and walking toggled on and off.
    for (const int16_t code : {int16_t{-1}, int16_t{18}, int16_t{1}, int16_t{-18}})
        being_record(*bot_)->commands.push_back(code);
    frame();
    EXPECT_EQ(bot_->movement_state, kStateRun);
}

TEST_F(BeingGame, ASoldierWithoutARecordStaysStillWithOneWarning) {
    std::unique_ptr<being> ghost = being_create(srv_, "pid77", 1, 77);
    being_update(*ghost, 16, false);
    EXPECT_EQ(being_handle_command(*ghost, true, 1), 0);
    EXPECT_EQ(being_player_id(*ghost), 0u);
    EXPECT_EQ(being_player_nick(*ghost), "");
    EXPECT_EQ(being_health(*ghost), 0);
    const std::string line = "being: *WARNING* pid77 has no player record; it stays still.\n";
    EXPECT_NE(log().find(line), std::string::npos) << log();
    EXPECT_EQ(log().find(line), log().rfind(line));
    EXPECT_NE(server_entity_find(srv_, "pid77"), nullptr);
    ghost.reset();
    EXPECT_EQ(server_entity_find(srv_, "pid77"), nullptr);
    EXPECT_EQ(server_entity_find(srv_, "~pid77"), nullptr);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(BeingGame, LostHealthFlashesForThePersonAndPulsesForEveryone) {
    put(*rambo_, kOpen);
    put(*bot_, kOpen + vec3{0.0f, 0.0f, 800.0f});
    test_call_log().calls.clear();
    gfx_reset_effects(kernel_get().graphics);
    being_record(*rambo_)->health = 80;
    being_record(*bot_)->health = 50;
    frame();
    EXPECT_EQ(effect_count(kernel_get().graphics, effect_class::red_flash), 1u);
    EXPECT_EQ(kernel_get().graphics.effects.last_effect, nullptr);
    gfx_reset_effects(kernel_get().graphics);
    test_call_log().calls = {};
    rambo_->condition.hit_pulse = 0.0f;
    bot_->condition.hit_pulse = 0.0f;
    being_record(*rambo_)->health = 70;
    being_record(*bot_)->health = 40;
    frame();
    // A loss of 10 is a hit pulse of 4 x 0.1 for both soldiers (worn off a little in the same frame).
    EXPECT_NEAR(rambo_->condition.hit_pulse, 0.4f, 0.05f);
    EXPECT_NEAR(bot_->condition.hit_pulse, 0.4f, 0.05f);
    const float before = rambo_->condition.hit_pulse;
    frame();
    EXPECT_LE(rambo_->condition.hit_pulse, before);
}

TEST_F(BeingGame, WadingSoldiersMakeRipplesAndSlowDown) {
    put(*bot_, kShallow + vec3{-200.0f, 0.0f, 0.0f});
    ASSERT_GT(bot_->immersion, 0);
    test_call_log().calls.clear();
    gfx_reset_effects(kernel_get().graphics);
    command(*bot_, 1);
    frame();
    const vec3 start = at(*bot_);
    frames(30);
    // Wading: the step times 1 - immersion / 100 x 0.95.
    const float expected =
        0.45f * 16.0f * 30.0f * (1.0f - static_cast<float>(bot_->immersion) / 100.0f * 0.95f);
    EXPECT_NEAR(at(*bot_).x - start.x, expected, 8.0f);
    std::size_t ripples = 0;
    for (const std::unique_ptr<effect>& e : kernel_get().graphics.effects.items) {
        const auto* ripple = dynamic_cast<const water_ripple_effect*>(e.get());
        if (!ripple) continue;
        ++ripples;
        EXPECT_EQ(ripple->texture, "water_ripple");
        EXPECT_EQ(ripple->sound, 1);
        EXPECT_EQ(ripple->in_sector, static_cast<sector*>(bot_->place.sector));
    }
    EXPECT_GT(ripples, 0u);
    gfx_reset_effects(kernel_get().graphics);
}

TEST_F(BeingGame, CommandCodesOfTheRendererTheHudAndTheWeapons) {
    put(*rambo_, kOpen);
    // The breath was last held long enough ago.
    clock_.advance_ms(4000);
    gfx& g = kernel_get().graphics;
    g.switches.lamp = false;
    g.screen_tint = false;
    struct code_case {
        int32_t code;
        bool pressed;
        int32_t result;
        bool lamp;   // the renderer's camera lamp afterwards
        bool night;  // and its night view (the screen tint)
    };
    const code_case cases[] = {
        {42, true, 1, true, false},
        {42, false, 1, true, false},
        {43, true, 1, true, true},
        {45, true, 1, true, true},
        {45, false, 1, true, true},
        // Weapon actions are taken; codes past the sights' that are none are not.
        {40, true, 1, true, true},
        {4107, true, 0, true, true},
        {4109, true, 0, true, true},
        {43, true, 1, true, false},
        {42, true, 1, false, false},
        {42, true, 1, true, false},
    };
    for (const code_case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(being_handle_command(*rambo_, c.pressed, c.code), c.result);
        // Command 45 holds the breath (the condition's timer 6) while it is held.
        if (c.code == 45) {
            EXPECT_EQ(rambo_->condition.running[6], c.pressed ? 1 : 0);
        }
        EXPECT_EQ(g.switches.lamp, c.lamp);
        EXPECT_EQ(g.screen_tint, c.night);
    }

    // A code the weapons do not take makes the whole command false.
    EXPECT_EQ(being_handle_command(*rambo_, true, 30), 0);
    // Command 44 keeps its byte; a dead soldier takes nothing.
    EXPECT_EQ(being_handle_command(*rambo_, true, 44), 1);
    EXPECT_EQ(rambo_->command44, 1);
    being_record(*rambo_)->state = kSlotDying;
    EXPECT_EQ(being_handle_command(*rambo_, true, 1), 0);
    EXPECT_EQ(rambo_->held & kHoldForward, 0u);
    // Death puts the lamp out.
    ASSERT_TRUE(g.switches.lamp);
    being_die(*rambo_, 0);
    EXPECT_FALSE(g.switches.lamp);
}

// The sample bot module drives a soldier added with "b_add": it walks.
TEST_F(BeingGame, ASampleModuleBotAddedWithBAddWalks) {
    BotCentral& host = *srv_.bots;
    struct host_guard {
        BotCentral& host;
        ~host_guard() {
            botc_end(host);
            botc_enable(host, false);
            botc_unload_modules(host);
        }
    } guard{host};
    botc_start(host, KV_SAMPLE_BOT_DIR);
    ASSERT_EQ(host.modules.size(), 1u) << log();
    botc_enable(host, true);
    // The console hands "b_add" to the game object.
    EXPECT_EQ(kvgame_run_game_command(*g_, "b_add Kai 0 1 0"), 0);
    frames(3);
    const player_record* r = server_find_player_by_nick(srv_, "Kai");
    ASSERT_NE(r, nullptr);
    being* kai = kvgame_find_player(*g_, r->id);
    ASSERT_NE(kai, nullptr);
    ASSERT_EQ(host.bots.size(), 1u);
    EXPECT_TRUE(host.bots[0].active);
    EXPECT_NE(log().find(str_format("kvbot: bot 1 attached to player %u\n", r->id)), std::string::npos)
        << log();
    // Held still while it is set on open ground; activated again, it sets off anew.
    EXPECT_EQ(botc_console_command(host, "deactivate Kai"), 0);
    put(*kai, kOpen);
    EXPECT_EQ(botc_console_command(host, "activate Kai kvbot"), 0);
    const vec3 start = at(*kai);
    frames(60);
    const vec3 end = at(*kai);
    EXPECT_GT(std::hypot(end.x - start.x, end.z - start.z), 100.0f);
}

// The engine entries that look into the world: line tests, cover, the pick, the skeleton, the weapon
// choice and the screenshot, on the field's wall (the ledge block at x -1400..-1000, 400 high).
TEST_F(BeingGame, BotEngineEntriesTraceThroughTheWorldAndReachTheSoldiers) {
    BotCentral& host = *srv_.bots;
    botc_fill_engine_table(host);
    const auto entry = [&host](int index) { return host.engine.entry[index]; };
    const auto line_test = reinterpret_cast<kvbot_line_test_fn>(entry(KVBOT_E_LINE_TEST));
    const auto sees = reinterpret_cast<kvbot_sees_player_fn>(entry(KVBOT_E_SEES_PLAYER));
    const auto cover = reinterpret_cast<kvbot_cover_fn>(entry(KVBOT_E_COVER));
    const uint32_t me = being_record(*rambo_)->id;
    put(*rambo_, kOpen);
    // Facing +z, the demo body's quads face a ray along x.
    put(*bot_, kOpen + vec3{300.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    const float chest = mat4_row3(body(*bot_).model_root->transform).y + kChestBone;

    const float here[3] = {-700.0f, 50.0f, 0.0f};
    const float short_of_wall[3] = {-900.0f, 50.0f, 0.0f};
    const float behind_wall[3] = {-1500.0f, 50.0f, 0.0f};
    const float before_bot[3] = {100.0f, chest, 0.0f};
    const float beyond_bot[3] = {600.0f, chest, 0.0f};
    struct line_case {
        const char* what;
        const float* from;
        const float* to;
        uint8_t flags;
        uint8_t clear;
        int32_t cover;
    };
    const line_case cases[] = {
        {"open line", here, short_of_wall, 0, 1, 0},
        // World geometry has no id: it blocks only with flags bit 0.
        {"wall, bit 0 clear", here, behind_wall, 0, 1, 60},
        {"wall, bit 0 set", here, behind_wall, 1, 0, 60},
        // With bit 2 bodies are tested: the bot's body has an id.
        {"body, bodies tested", before_bot, beyond_bot, 4, 0, 0},
        {"body, bodies not tested", before_bot, beyond_bot, 0, 1, 0},
    };
    for (const line_case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(line_test(me, c.from, c.to, c.flags), c.clear);
        // Cover: concrete10's byte 153 of 255.
        EXPECT_EQ(cover(me, c.from, c.to), c.cover);
    }
    EXPECT_EQ(sees(me, before_bot, beyond_bot), 0);
    EXPECT_EQ(sees(kBot, before_bot, beyond_bot), 1);
    EXPECT_EQ(sees(kBot, here, short_of_wall), 0);
    // A player without a soldier traces nothing.
    EXPECT_EQ(line_test(77, here, behind_wall, 1), 0);
    EXPECT_EQ(sees(77, before_bot, beyond_bot), 0);
    EXPECT_EQ(cover(77, here, behind_wall), 0);

    // The pick: a motion into the wall is cut short; an open one is kept.
    const auto pick = reinterpret_cast<kvbot_pick_fn>(entry(KVBOT_E_PICK));
    float into_wall[3] = {-1500.0f, 0.0f, 0.0f};
    EXPECT_EQ(pick(me, into_wall), 0);
    EXPECT_GT(into_wall[0], -1000.0f);
    EXPECT_LT(into_wall[0], -800.0f);
    float away[3] = {50.0f, 0.0f, 0.0f};
    EXPECT_EQ(pick(me, away), 0);
    EXPECT_NEAR(away[0], 50.0f, 0.01f);
    EXPECT_EQ(pick(77, away), 1);

    // The skeleton: every point on the soldier, in the record's order.
    const auto skeleton = reinterpret_cast<kvbot_skeleton_fn>(entry(KVBOT_E_SKELETON));
    kvbot_skeleton bones;
    EXPECT_EQ(skeleton(me, &bones), 0);
    EXPECT_EQ(bones.five, 5);
    EXPECT_EQ(std::vector<uint8_t>(bones.order, bones.order + 5), (std::vector<uint8_t>{1, 0, 2, 3, 4}));
    const vec3 feet = at(*rambo_);
    for (const auto& p : bones.points) {
        EXPECT_LT(std::hypot(p[0] - feet.x, p[2] - feet.z), 120.0f);
        EXPECT_GT(p[1], feet.y - 150.0f);
        EXPECT_LT(p[1], feet.y + 150.0f);
    }
    // The head bone stands above the body's origin.
    EXPECT_GT(bones.points[0][1], bones.points[7][1]);
    EXPECT_EQ(skeleton(77, &bones), 1);

    // The weapon choice, while the game runs: dropping everything is always possible; nobody there
    // is refused, and so is a weapon past the table.
    srv_.snapshot.state = kGameRunning;
    const auto select = reinterpret_cast<kvbot_select_weapon_fn>(entry(KVBOT_E_SELECT_WEAPON));
    EXPECT_EQ(select(me, -1, 4), 0);
    EXPECT_EQ(select(77, -1, 4), 1);
    EXPECT_EQ(select(me, 64, 0), 1);

    // A screenshot into a folder that does not exist cannot be written.
    const auto screenshot = reinterpret_cast<kvbot_screenshot_fn>(entry(KVBOT_E_SCREENSHOT));
    EXPECT_EQ(screenshot(folder_.file("missing/shot.tga").c_str()), 1);
    EXPECT_EQ(screenshot(nullptr), 1);
}

// The game object's walk over the soldiers' lives: every idle one starts while the round runs (one that
// spawned late too), every running one stops at the freeze, and at the report the levels are updated.
TEST_F(BeingGame, EverySoldiersLifeStartsAndStopsWithTheRound) {
    srv_.snapshot.flags |= kGameFlagLevels;
    srv_.snapshot.state = kGameRunning;
    frame();
    EXPECT_TRUE(rambo_->condition.running[0]);
    EXPECT_TRUE(bot_->condition.running[0]);
    // The bot's life ends (as a late spawn's has not begun): the next walk starts it again even
    // though the first soldier's runs already.
    bot_->condition.running[0] = 0;
    frame();
    EXPECT_TRUE(bot_->condition.running[0]);
    // A person without levels got the levels mode's presets.
    const player_record* r = being_record(*rambo_);
    int sum = 0;
    for (const uint8_t level : r->levels) sum += level;
    EXPECT_GT(sum, 0);
    srv_.snapshot.state = kGameReport;
    srv_.snapshot.winner = r->team;
    const uint8_t before = r->levels[0];
    frame();
    EXPECT_FALSE(rambo_->condition.running[0]);
    EXPECT_FALSE(bot_->condition.running[0]);
    // Decayed by 0.01 (a life this short gains almost nothing).
    EXPECT_LE(being_record(*rambo_)->levels[0], before);
    EXPECT_GE(being_record(*rambo_)->levels[0], before - 3);
}

}  // namespace
}  // namespace kv
