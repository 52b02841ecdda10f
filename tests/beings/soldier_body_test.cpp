// The demo soldier's body in a level: the team models of the demo data with their box tree and hit
// zones, the posture fit under a table, and the weapon frame of the view-model step.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "beings/anim_tables.h"
#include "beings/entity_body.h"
#include "beings/skeleton.h"
#include "beings/soldier_anims.h"
#include "beings/soldier_slots.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "tests/support/call_log.h"
#include "tests/world/trace_world_support.h"
#include "tools/beings_writer.h"
#include "tools/demo_data.h"
#include "tools/teams_writer.h"
#include "world/hit_map.h"
#include "world/mesh.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr float kHalfTurn = std::numbers::pi_v<float> / 2.0f;
// Turns about y that point the model's z axis (its front) along +x and -x.
constexpr float kFacingPlusX = -kHalfTurn;
constexpr float kFacingMinusX = kHalfTurn;

// The trace level (hall, and the room with its metal wall at x = 200) with the demo data's soldier
// packages and hit maps loaded.
class DemoSoldier : public trace_world {
protected:
    void SetUp() override {
        trace_world::SetUp();
        test_state_reset();
        ASSERT_TRUE(tools::write_demo_data(folder_.file("data")));
        for (const char* name : {tools::kDemoBeingsPackage, tools::kDemoTeamsPackage})
            ASSERT_TRUE(load_package(srv_, name, false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        srv_.texture_dir = "tga/";
        ASSERT_EQ(server_load_hit_maps(srv_), kHitMapCount) << log();
    }

    void TearDown() override {
        for (image8& map : hit_maps()) map = {};
        trace_world::TearDown();
    }

    // Player `id`'s body on a team model, its hips at the point, turned about y by the angle.
    entity* soldier(uint32_t id, const vec3& hips, float turn, sector* in,
                    const std::string& model = "teams:blue-s") {
        srv_.players.emplace_back(id);
        player_record_set(srv_.players.back(), "p", 0, 0, 0, 0, kSlotPlaying);
        server_entity_select(srv_, "pid" + std::to_string(id));
        entity* e = server_entity_current(srv_);
        server_entity_deselect(srv_);
        EXPECT_TRUE(entity_set_model(*e, model)) << log();
        mat4 place;
        mat4_set_rotation_y(place, turn);
        mat4_set_row3(place, hips.x, hips.y, hips.z);
        e->model_root->transform = place;
        e->placement = place;
        e->in_sector = in;
        return e;
    }
};

TEST_F(DemoSoldier, EveryModelAndSkinTheGameObjectNamesResolves) {
    entity e;
    entity_create(e, "pid3", &srv_);
    for (int32_t team = 0; team < 3; ++team) {
        for (int32_t specialisation = 0; specialisation < 4; ++specialisation) {
            const std::string model = kvgame_body_model(team, specialisation);
            ASSERT_TRUE(entity_set_model(e, model)) << model;
            for (int32_t skin = 0; skin < 5; ++skin) {
                const std::string name = kvgame_body_skin(team, specialisation, skin);
                EXPECT_TRUE(entity_set_surface(e, name)) << name;
            }
        }
    }
    ASSERT_TRUE(entity_set_model(e, "beings:hands-1st"));
    for (int32_t team = 0; team < 3; ++team) {
        for (int32_t skin = 0; skin < 5; ++skin)
            EXPECT_TRUE(entity_set_surface(e, kvgame_hands_skin(team, skin)))
                << kvgame_hands_skin(team, skin);
    }
    EXPECT_TRUE(entity_load_skeleton(e, "beings:sk-soldier-1st", kSoldierFirstSlotCount));
    EXPECT_EQ(log().find("WARNING"), std::string::npos) << log();
    entity_destroy(e);
}

TEST_F(DemoSoldier, TheBodyMeshHasTheChestNodesTheTraceAroundUses) {
    entity* e = soldier(1, {0.0f, 0.0f, 0.0f}, 0.0f, hall_);
    const mesh* body = e->model->meshes.items[0]->geom->skinned.items[0];
    ASSERT_GE(body->tree.size(), 15u);
    const box3 front = mesh_box_node(*body, tools::kBodyChestFrontNode).box;
    const box3 back = mesh_box_node(*body, tools::kBodyChestBackNode).box;
    EXPECT_TRUE(mesh_box_is_leaf(*body, tools::kBodyChestFrontNode));
    EXPECT_TRUE(mesh_box_is_leaf(*body, tools::kBodyChestBackNode));
    // Side by side at chest height, the front ahead of the back.
    EXPECT_GT(front.min.y, 0.0f);
    EXPECT_LT(front.max.y, 60.0f);
    EXPECT_GE(front.min.z, back.max.z);
    EXPECT_FLOAT_EQ(front.min.y, back.min.y);
}

TEST_F(DemoSoldier, TraceAroundFindsAWallJustAheadOfOrBehindTheChest) {
    // The room's metal wall stands at x = 200; the chest's front node looks 30 units each way, its back
    // node 40.
    struct around_case {
        float x;
        float turn;
        bool near;
    };
    const around_case cases[] = {
        {175.0f, kFacingPlusX, true},    // the wall 19.5 ahead of the chest's front
        {150.0f, kFacingPlusX, false},   // 44.5 ahead: out of both reaches
        {165.0f, kFacingMinusX, true},   // back to the wall: only the back node's 40 reach it
        {150.0f, kFacingMinusX, false},  // the back node 44.5 from it
    };
    uint32_t id = 1;
    for (const around_case& c : cases) {
        entity* e = soldier(id++, {c.x, 0.0f, 0.0f}, c.turn, room_);
        EXPECT_EQ(entity_trace_around(*e), c.near) << c.x << " " << c.turn;
    }
}

TEST_F(DemoSoldier, ShotsReadTheHitZoneOfTheBodyPartTheyMeet) {
    soldier(4, {0.0f, 0.0f, 0.0f}, 0.0f, hall_);  // facing +z
    struct zone_case {
        const char* part;
        float x;
        float y;
        float from_z;  // the ray runs from there towards the body along z
        int32_t zone;
    };
    const zone_case cases[] = {
        {"head", 0.0f, 68.0f, 300.0f, tools::kHitZoneHead},
        {"chest", 0.0f, 30.0f, 300.0f, tools::kHitZoneChest},
        {"back", 0.0f, 30.0f, -300.0f, tools::kHitZoneChest},
        {"right arm", 21.0f, 45.0f, 300.0f, tools::kHitZoneArms},
        {"left arm", -21.0f, 45.0f, -300.0f, tools::kHitZoneArms},
        {"thigh", 10.0f, -20.0f, 300.0f, tools::kHitZoneLegs},
        {"shin", -10.0f, -60.0f, 300.0f, tools::kHitZoneLegs},
    };
    trace t;
    for (const zone_case& c : cases) {
        const vec3 start{c.x, c.y, c.from_z};
        trace_ray(t, hall_, start, vec3{0.0f, 0.0f, c.from_z > 0.0f ? -1.0f : 1.0f}, 1e6f, 1, 0, 0, 0);
        ASSERT_EQ(t.hits.size(), 1u) << c.part;
        EXPECT_EQ(t.hits[0].player_id, 4) << c.part;
        EXPECT_EQ(t.hits[0].hit.value, c.zone) << c.part;
    }
    // Beside the body the ray meets nothing.
    trace_ray(t, hall_, vec3{40.0f, 30.0f, 300.0f}, vec3{0.0f, 0.0f, -1.0f}, 1e6f, 1, 0, 0, 0);
    EXPECT_TRUE(t.hits.empty());
}

// A table (a top on four legs) in a room of its own; the top's underside is 90 units above the floor.
class TableRoom : public DemoSoldier {
protected:
    void SetUp() override {
        DemoSoldier::SetUp();
        tools::package_writer w;
        auto& q = w.qxps();
        w.add_surface("paint");
        tools::mesh_desc table;
        tools::add_box(table, {-60.0f, 90.0f, 30.0f}, {60.0f, 96.0f, 150.0f}, 0, 0.0f, 0.0f);
        for (const float x : {-60.0f, 54.0f}) {
            for (const float z : {30.0f, 144.0f})
                tools::add_box(table, {x, 0.0f, z}, {x + 6.0f, 90.0f, z + 6.0f}, 0, 0.0f, 0.0f);
        }
        box3_init(table.box, {-60.0f, 0.0f, 30.0f}, {60.0f, 96.0f, 150.0f});
        table.parts[0].draws = {{0, static_cast<uint16_t>(table.parts[0].indices.size() / 3), 0}};
        table.tree = {{table.box, static_cast<uint16_t>(table.vertices.size()), 0}};
        tools::add_geometry(w, {"g-table", table.box, {tools::add_mesh(q, table)}, {}});
        tools::sector_desc kitchen;
        kitchen.name = "kitchen";
        kitchen.meshes = {tools::add_mesh_instance(q, {{}, "g-table", "paint", "wood20", 0})};
        tools::add_sector(w, kitchen);
        write_package("kitchen", w);
        ASSERT_TRUE(load_package(srv_, "kitchen", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        kitchen_ = find("kitchen")->sectors.items[0];
    }

    // The posture change's trial moves: each offset in the body's frame with the posture's box.
    bool posture_fits(entity& e, const mat4& frame, int32_t posture) {
        for (const vec3& offset : {vec3{0.0f, 5.0f, 0.0f}, vec3{0.0f, 50.0f, -50.0f},
                                   vec3{0.0f, -25.0f, 25.0f}, vec3{5.0f, 5.0f, 0.0f}}) {
            if (!entity_move(e, frame, offset, posture)) return false;
        }
        return true;
    }

    sector* kitchen_ = nullptr;
};

TEST_F(TableRoom, GoingProneWithTheBodyUnderATableIsRefused) {
    // Crouched at the table's edge, facing it, the hips 95 units above the floor: lying down would
    // put the front third of the body under the top.
    entity* e = soldier(1, {0.0f, 95.0f, 0.0f}, 0.0f, kitchen_);
    const entity_posture& crouched = entity_posture_row(1);
    e->box = crouched.box;
    e->centre = crouched.centre;
    e->posture_index = 1;
    mat4 at_table;
    mat4_set_translation(at_table, 0.0f, 95.0f, 0.0f);
    EXPECT_FALSE(posture_fits(*e, at_table, 2));
    // Backed away from the table by the body's length, the same soldier lies down.
    mat4 clear;
    mat4_set_translation(clear, 0.0f, 95.0f, -250.0f);
    EXPECT_TRUE(posture_fits(*e, clear, 2));
    // Turned sideways to the table at the same spot, its legs and top stay clear of the body too.
    mat4 sideways;
    mat4_set_rotation_y(sideways, kHalfTurn);
    mat4_set_row3(sideways, 0.0f, 95.0f, -60.0f);
    EXPECT_TRUE(posture_fits(*e, sideways, 2));
}

TEST_F(TableRoom, AProneBodyIsSweptAsThreeShortBoxes) {
    entity* e = soldier(1, {0.0f, 95.0f, 0.0f}, 0.0f, kitchen_);
    e->box = entity_posture_row(1).box;
    e->centre = entity_posture_row(1).centre;
    // Lying along +z, the front third's middle beside the table's right front leg (x 54-60, z 30-36),
    // stepping 6 units towards it: the front third, a short box of its own, is as wide there as the body
    // and meets the leg; one box of the whole length would be rounded off so far forward and pass it.
    mat4 by_leg;
    mat4_set_translation(by_leg, 21.0f, 95.0f, -37.5f);
    EXPECT_FALSE(entity_move(*e, by_leg, {6.0f, 0.0f, 0.0f}, 2));
    // Further from the leg the step is free.
    mat4 off_leg;
    mat4_set_translation(off_leg, 10.0f, 95.0f, -37.5f);
    EXPECT_TRUE(entity_move(*e, off_leg, {6.0f, 0.0f, 0.0f}, 2));
}

// A soldier set up from the demo "beings" package on a team body, playing the standing idle.
class DemoSoldierFrame : public DemoSoldier {
protected:
    void SetUp() override {
        DemoSoldier::SetUp();
        ASSERT_TRUE(being_setup_animations(srv_, m_)) << log();
        srv_.players.emplace_back(7u);
        player_record_set(srv_.players.back(), "p", 0, 0, 0, 0, kSlotPlaying);
        third_ = server_entity_find(srv_, m_.third);
        ASSERT_TRUE(third_);
        ASSERT_TRUE(entity_set_model(*third_, "teams:blue-s"));
        entity_set_active(*third_, true);
        entity_set_view_offset(*third_, 0.0f, 0.0f, -40.0f, 0.0f);
        ASSERT_TRUE(being_play_action(srv_, m_, kRowIdle, 0, 0));
    }

    soldier_models m_{"pid7", "pid7-1st", 7};
    entity* third_ = nullptr;
};

TEST_F(DemoSoldierFrame, TheWeaponFrameLooksAlongTheViewAndSitsAtTheEye) {
    // The aim angle is the view's pitch, positive up: it bends the upper body about the body's sideways
    // axis, so the weapon points where the soldier looks.
    const float pitch = 0.3f;
    struct look_case {
        float turn;
        float aim;
        vec3 forward;
    };
    const look_case cases[] = {
        {0.0f, 0.0f, {0.0f, 0.0f, 1.0f}},
        {kFacingPlusX, 0.0f, {1.0f, 0.0f, 0.0f}},
        {0.0f, -pitch, {0.0f, -std::sin(pitch), std::cos(pitch)}},
        {0.0f, pitch, {0.0f, std::sin(pitch), std::cos(pitch)}},
        {kFacingPlusX, -pitch, {std::cos(pitch), -std::sin(pitch), 0.0f}},
    };
    for (const look_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.turn) + " " + std::to_string(c.aim));
        mat4 place;
        mat4_set_rotation_y(place, c.turn);
        mat4_set_row3(place, 10.0f, 95.0f, -20.0f);
        entity_update_sample(*third_, place, hall_);
        third_->aim_angle = c.aim;
        clock_.advance_ms(100);
        entity_update(*third_, 0);
        ASSERT_TRUE(entity_view_model_step(*third_));
        // The weapon frame's z axis, the direction of every shot, is the view's forward axis.
        const vec3 z = vec3_normalise(third_->motion);
        EXPECT_GT(vec3_dot(z, c.forward), std::cos(std::numbers::pi_v<float> / 180.0f))
            << z.x << " " << z.y << " " << z.z;
        // Its position lies near the eye: the head bone's place in the world.
        mat4 head;
        entity_bone_matrix(*third_, head, kEyeBone);
        const mat4& swap = skeleton_posing_matrix();
        const vec3 eye = mat4_transform_point(third_->model_root->transform,
                                              mat4_row3(mat4_mul(swap, mat4_mul(head, swap))));
        EXPECT_LT(vec3_length(third_->position - eye), 60.0f);
        EXPECT_GT(eye.y, 95.0f + 50.0f);  // the head stands above the hips
    }
}

}  // namespace
}  // namespace kv
