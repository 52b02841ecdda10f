// The body's tests against a level written by the package writer: real collision and traces.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "beings/entity_body.h"
#include "game/player_record.h"
#include "tests/support/call_log.h"
#include "tests/support/client_capture.h"
#include "tests/world/trace_world_support.h"

namespace kv {
namespace {

// Hall: solid "shoot" quad at x = 50; room (behind the portal at x = 100): a metal wall at x = 200.
class EntityBody : public trace_world {
protected:
    void SetUp() override {
        trace_world::SetUp();
        client_capture_connect(srv_.client);
        test_state_reset();
    }

    // A body of player `id` whose world matrix stands at the position (standing posture).
    entity* body(uint32_t id, const vec3& at, sector* in, int32_t team = 0) {
        entity* e = add_player(id, at, in);
        srv_.players.back().team = team;
        srv_.players.back().health = 100;
        mat4_set_translation(e->placement, at.x, at.y - e->centre.y, at.z);
        return e;
    }

    // The hits sent so far.
    int32_t hits() {
        for (const std::string& line : client_capture_take(srv_.client)) sent_.push_back(line);
        int32_t n = 0;
        for (const std::string& line : sent_) n += line.rfind("hit ", 0) == 0;
        return n;
    }

    std::vector<std::string> sent_;
};

TEST_F(EntityBody, OverlappingBodiesArePushedThreeUnitsApartHorizontally) {
    entity* a = body(1, {0.0f, 0.0f, 0.0f}, hall_);
    body(2, {-10.0f, 0.0f, 0.0f}, hall_);
    vec3 m = entity_push_apart(*a, {0.0f, -5.0f, 7.0f});
    EXPECT_FLOAT_EQ(m.x, 3.0f);
    EXPECT_FLOAT_EQ(m.y, -5.0f);
    EXPECT_NEAR(m.z, 0.0f, 1e-6f);

    // Two bodies spawned on one spot: no direction between them, pushed along +x, never NaN.
    entity* c = body(3, {0.0f, 0.0f, 0.0f}, hall_);
    m = entity_push_apart(*c, {});
    EXPECT_FALSE(std::isnan(m.x) || std::isnan(m.z));
    EXPECT_NEAR(std::hypot(m.x, m.z), 3.0f, 1e-5f);
}

TEST_F(EntityBody, OverlappingBoxesWithApartFootprintsAreNotPushed) {
    entity* a = body(1, {0.0f, 0.0f, 0.0f}, hall_);
    body(2, {50.0f, 0.0f, 50.0f}, hall_);  // boxes overlap at the corner; 70.7 apart > 2 x 33.4
    const vec3 m = entity_push_apart(*a, {1.0f, 0.0f, 2.0f});
    EXPECT_FLOAT_EQ(m.x, 1.0f);
    EXPECT_FLOAT_EQ(m.z, 2.0f);
}

TEST_F(EntityBody, PickStopsAtTheWallAndPostureFitsAreTestedWithTheirOwnBoxes) {
    entity* a = body(1, {0.0f, 0.0f, 0.0f}, hall_);
    mat4 frame;
    mat4_set_translation(frame, 0.0f, 0.0f, 0.0f);
    // Towards the solid quad at x = 50: stopped short of it.
    const vec3 allowed = entity_pick(*a, frame, {100.0f, 0.0f, 0.0f}, 0.75f, nullptr);
    EXPECT_LT(allowed.x, 50.0f);
    EXPECT_GT(allowed.x, 0.0f);
    // Away from it: free.
    const vec3 back = entity_pick(*a, frame, {-20.0f, 0.0f, 0.0f}, 0.75f, nullptr);
    EXPECT_NEAR(back.x, -20.0f, 1e-3f);

    // Facing the quad 110 units off and moving 10 towards it, the standing and crouched boxes
    // (reaching 61 and 81 units ahead) fit; the prone one (reaching 106, swept as three parts) does not.
    mat4 facing;
    mat4_set_rotation_y(facing, -std::numbers::pi_v<float> / 2.0f);
    const vec3 forward = mat4_row2(facing);
    ASSERT_NEAR(forward.x, 1.0f, 1e-6f);
    mat4_set_row3(facing, 50.0f - 110.0f, 0.0f, 0.0f);
    const vec3 small{10.0f, 0.0f, 0.0f};
    EXPECT_TRUE(entity_move(*a, facing, small, 0));
    EXPECT_TRUE(entity_move(*a, facing, small, 1));
    EXPECT_FALSE(entity_move(*a, facing, small, 2));
    EXPECT_TRUE(entity_sweep(*a, facing, small));
}

TEST_F(EntityBody, TheTurnCheckRefusesTurningAcrossACloseWall) {
    entity* a = body(1, {175.0f, 0.0f, 0.0f}, room_);
    EXPECT_TRUE(entity_check_turn(*a, 0.0f));  // front to back along z: parallel to the wall
    EXPECT_FALSE(entity_check_turn(*a, std::numbers::pi_v<float> / 2.0f));
    EXPECT_FALSE(entity_check_turn(*a, -std::numbers::pi_v<float> / 2.0f));
    // Far from the wall any angle is free.
    entity* b = body(2, {130.0f, 0.0f, 0.0f}, room_);
    EXPECT_TRUE(entity_check_turn(*b, std::numbers::pi_v<float> / 2.0f));
    // A first-person model is never blocked.
    a->parent = b;
    EXPECT_TRUE(entity_check_turn(*a, std::numbers::pi_v<float> / 2.0f));
    a->parent = nullptr;
}

TEST_F(EntityBody, TheStrikeHitsEachOtherSoldierOnceAndNeverItsOwner) {
    entity* owner = body(7, {0.0f, 0.0f, 0.0f}, hall_);
    body(8, {20.0f, 0.0f, 0.0f}, hall_, 1);
    body(9, {30.0f, 0.0f, 0.0f}, hall_, 1);
    body(10, {45.0f, 0.0f, 0.0f}, hall_, 1);  // 45 units off: out of reach
    server_find_player(srv_, 9)->armour = 255;
    mat4 frame;  // x axis along +x, from inside the owner's body
    mat4_set_translation(frame, 0.0f, 0.0f, 0.0f);
    entity_strike(*owner, frame, hall_, 7);
    ASSERT_EQ(hits(), 2) << ::testing::PrintToString(sent_);
    std::string text;
    for (const std::string& line : sent_) text += line + "\n";
    EXPECT_NE(text.find("hit 7 8 "), std::string::npos) << text;
    EXPECT_NE(text.find(" 80 "), std::string::npos) << text;
    EXPECT_NE(text.find("hit 7 9 "), std::string::npos) << text;
    EXPECT_NE(text.find(" 40 "), std::string::npos) << text;
    EXPECT_EQ(text.find("hit 7 7 "), std::string::npos) << text;

    // Later frames of the same swing hit nobody twice; re-armed triggers strike again.
    entity_strike(*owner, frame, hall_, 7);
    EXPECT_EQ(hits(), 2);
    entity_clear_frame_triggers(*owner);
    entity_strike(*owner, frame, hall_, 7);
    EXPECT_EQ(hits(), 4);
}

TEST_F(EntityBody, ShakeAndViewModelStepOfAFirstPersonModelFollowItsParent) {
    entity* a = body(1, {0.0f, 0.0f, 0.0f}, hall_);
    entity* hands = body(2, {0.0f, 0.0f, 0.0f}, hall_);
    hands->parent = a;
    EXPECT_FALSE(entity_view_model_step(*hands));  // the parent has not changed
    entity_set_view_offset(*a, 0.0f, 10.0f, 0.0f, 0.0f);
    EXPECT_TRUE(entity_view_model_step(*a));
    EXPECT_EQ(a->view_model_changed, 1);
    EXPECT_TRUE(entity_view_model_step(*hands));
    EXPECT_EQ(a->view_model_changed, 0);
    EXPECT_TRUE(mat4_equal(hands->view_model, a->view_model));

    // The shake displaces the eye and fades out.
    const vec3 still = mat4_row3(a->view_model);
    entity_start_shake(*a, 2.0f);
    clock_.advance_ms(10);
    entity_view_model_step(*a);
    EXPECT_GT(vec3_length(mat4_row3(a->view_model) - still), 1.0f);
    for (int i = 0; i < 200; ++i) {
        clock_.advance_ms(50);
        entity_view_model_step(*a);
    }
    EXPECT_FLOAT_EQ(a->shake_amplitude, 0.0f);
}

TEST_F(EntityBody, ImmersionIsThePartOfTheBodyUnderTheWaterSurface) {
    // A water body whose box-tree node spans the hall with its surface at y = 0.
    geometry water_geometry;
    auto water_mesh = std::make_unique<mesh>();
    mesh_tree_node node;
    box3_init(node.box, {-500.0f, 0.0f, -500.0f}, {500.0f, 10.0f, 500.0f});
    water_mesh->tree.push_back(node);
    water_geometry.meshes.items.push_back(water_mesh.get());
    mesh_instance water;
    water.geom = &water_geometry;
    srv_.water_instances.push_back(&water);

    entity* a = body(1, {0.0f, 0.0f, 0.0f}, hall_);
    // Standing: box height 170.9264; the feet lie at the node's y + centre y + box min y.
    const float feet_to_node = -a->centre.y - a->box.min.y;
    struct depth_case {
        float feet;
        int32_t immersion;
    };
    for (const depth_case& c :
         {depth_case{-10.0f, 5}, depth_case{10.0f, 0}, depth_case{-400.0f, 100}, depth_case{-85.0f, 49}}) {
        mat4_set_translation(a->model_root->transform, 0.0f, c.feet + feet_to_node, 0.0f);
        entity_step_check(*a);
        EXPECT_EQ(a->immersion, c.immersion) << c.feet;
        EXPECT_FLOAT_EQ(a->water_height, 0.0f);
    }
    // A depth of exactly the box height is wholly under.
    a->centre.y = 0.0f;
    box3_init(a->box, {-10.0f, -100.0f, -10.0f}, {10.0f, 100.0f, 10.0f});
    a->immersion = 3;
    mat4_set_translation(a->model_root->transform, 0.0f, -100.0f, 0.0f);
    entity_step_check(*a);
    EXPECT_EQ(a->immersion, 100);
    // Outside every water body: dry.
    mat4_set_translation(a->model_root->transform, 900.0f, -100.0f, 0.0f);
    entity_step_check(*a);
    EXPECT_EQ(a->immersion, 0);
    std::erase(srv_.water_instances, &water);
}

}  // namespace
}  // namespace kv
