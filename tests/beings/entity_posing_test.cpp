// Skinned bodies posed on the demo skeleton, written by the package writer's demo-data code.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "beings/entity.h"
#include "beings/entity_body.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "tests/support/call_log.h"
#include "tests/world/world_test_support.h"
#include "tools/beings_writer.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/trace.h"

namespace kv {
namespace {

// Heights above the hips of the head's quad (bone 6, 12 units high) standing and crouched.
constexpr float kStandingHead = 62.0f;
constexpr float kCrouchedHead = 22.0f;
constexpr float kHips = 95.0f;

class EntityPosing : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        test_state_reset();
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        tools::package_writer level;
        tools::add_sector(level, {.name = "hall"});
        write_package("level", level);
        ASSERT_TRUE(load_package(srv_, tools::kDemoBeingsPackage, false)) << log();
        ASSERT_TRUE(load_package(srv_, "level", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        hall_ = find("level")->sectors.items[0];

        srv_.players.emplace_back(7);
        player_record_set(srv_.players.back(), "p", 0, 0, 0, 0, kSlotPlaying);
        server_entity_select(srv_, "pid7");
        body_ = server_entity_current(srv_);
        server_entity_deselect(srv_);
        ASSERT_TRUE(entity_set_model(*body_, "beings:soldier"));
        ASSERT_TRUE(entity_load_skeleton(*body_, "beings:sk-soldier", tools::kSoldierSlots));
        const auto names = tools::soldier_animation_names();
        for (int32_t slot = 0; slot < tools::kSoldierSlots; ++slot) {
            const std::string& name = names[static_cast<std::size_t>(slot)];
            if (!name.empty()) {
                ASSERT_TRUE(entity_bind_animation(*body_, slot, "beings:" + name));
            }
        }
        mat4 place;
        mat4_set_translation(place, 0.0f, kHips, 0.0f);
        entity_update_sample(*body_, place, hall_);
        entity_set_active(*body_, true);
    }

    int32_t slot(const std::string& name) {
        const auto names = tools::soldier_animation_names();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) return static_cast<int32_t>(i);
        }
        ADD_FAILURE() << name;
        return -1;
    }

    // Starts the animations and lets one frame pass.
    void play(const std::string& lower, const std::string& upper) {
        entity_play(*body_, 0, slot(lower), 33);
        if (!upper.empty()) entity_play(*body_, 1, slot(upper), 33);
        clock_.advance_ms(33);
        entity_update(*body_, 0);
    }

    geometry_mesh& mesh() { return *body_->model->meshes.items[0]->geom->skinned.items[0]; }

    // Whether a ray along +x at that height above the floor hits the soldier (whose model the
    // standing box's centre moves off the placement).
    bool hit_at(float height) {
        trace t;
        trace_ray(t, hall_, {-300.0f, height, -entity_posture_row(0).centre.z}, {1.0f, 0.0f, 0.0f},
                  1000.0f * 1000.0f, 1, 1, 0, 0);
        for (const trace_hit& h : t.hits) {
            if (h.player_id == 7) return true;
        }
        return false;
    }

    sector* hall_ = nullptr;
    entity* body_ = nullptr;
};

TEST_F(EntityPosing, TheBindPoseIsTheRestMesh) {
    play("a-idle", "a-m4a1-idle");
    ASSERT_EQ(body_->posed, 1);
    const geometry_mesh& m = mesh();
    ASSERT_EQ(m.posed_vertices.size(), m.rest_vertices.size());
    for (std::size_t i = 0; i < m.rest_vertices.size(); ++i) {
        EXPECT_NEAR(m.posed_vertices[i].x, m.rest_vertices[i].x, 1e-3f) << i;
        EXPECT_NEAR(m.posed_vertices[i].y, m.rest_vertices[i].y, 1e-3f) << i;
        EXPECT_NEAR(m.posed_vertices[i].z, m.rest_vertices[i].z, 1e-3f) << i;
    }
    EXPECT_TRUE(hit_at(kHips + kStandingHead));
}

TEST_F(EntityPosing, ACrouchedBodyIsMissedAtStandingHeadHeightAndHitLower) {
    EXPECT_TRUE(hit_at(kHips + kStandingHead));  // the rest mesh before any pose
    play("a-cidle", "a-m4a1-cidle");
    EXPECT_FALSE(hit_at(kHips + kStandingHead));
    EXPECT_TRUE(hit_at(kHips + kCrouchedHead));
    // The upper body rides on the crouched legs: the muzzle came down with the chest.
    mat4 muzzle;
    entity_attachment_matrix(*body_, muzzle, 2);
    EXPECT_NEAR(mat4_row3(muzzle).y, tools::soldier_bone_position(55).z - tools::kSoldierCrouchDrop, 1e-3f);
}

TEST_F(EntityPosing, TheWeaponFrameOfAStandingSoldierLooksAlongTheViewAtTheEye) {
    entity_set_view_offset(*body_, 0.0f, 8.0f, 6.0f, 0.0f);
    play("a-idle", "a-m4a1-idle");
    ASSERT_TRUE(entity_view_model_step(*body_));
    // The soldier looks along +z: the weapon frame's z axis is the view's forward axis.
    const vec3 forward = vec3_normalise(body_->motion);
    EXPECT_GT(forward.z, std::cos(std::numbers::pi_v<float> / 180.0f)) << forward.x << " " << forward.y;
    mat4 head;
    entity_bone_matrix(*body_, head, 6);
    const mat4& swap = skeleton_posing_matrix();
    const vec3 eye =
        mat4_transform_point(body_->model_root->transform, mat4_row3(mat4_mul(swap, mat4_mul(head, swap))));
    EXPECT_LT(vec3_length(body_->position - eye), 60.0f);
    EXPECT_GT(body_->position.y, kHips);
}

TEST_F(EntityPosing, PostureMinusOneMeasuresTheBoxFromTheBones) {
    entity_set_flag_pair(*body_, 0, 1);
    body_->posture_index = -1;
    play("a-idle", "a-m4a1-idle");
    // Feet at -95, head top at 76, x within the feet's 10 plus 15, z from the heels' -8 to the chest's 25.
    EXPECT_NEAR(body_->centre.x, 0.0f, 1e-3f);
    EXPECT_NEAR(body_->centre.y, -9.5f, 1e-3f);
    EXPECT_NEAR(body_->centre.z, 8.5f, 1e-3f);
    EXPECT_NEAR(body_->box.max.x, 25.0f, 1e-3f);
    EXPECT_NEAR(body_->box.max.y, 85.5f, 1e-3f);
    EXPECT_NEAR(body_->box.min.z, -16.5f, 1e-3f);
    // Any other posture index takes the table's row.
    body_->posture_index = 2;
    play("a-idle", "a-m4a1-idle");
    EXPECT_FLOAT_EQ(body_->box.max.z, entity_posture_row(2).box.max.z);
    EXPECT_FLOAT_EQ(body_->centre.y, entity_posture_row(2).centre.y);
}

TEST_F(EntityPosing, APartialAnimationWithChannelOneIdlePosesNothing) {
    play("a-cidle", "");
    EXPECT_EQ(body_->posed, 0);
    EXPECT_TRUE(hit_at(kHips + kStandingHead));
}

// Out of view (never visible without a display) a body keeps its first pose, except on a process
// without display, where every frame that passed poses it.
TEST_F(EntityPosing, WithoutDisplayEveryFramePoses) {
    for (const uint8_t dedicated : {0, 1}) {
        srv_.dedicated = dedicated;
        play("a-idle", "a-m4a1-idle");
        entity_update_visibility(*body_, kMat4Identity);
        body_->visible = 0;
        play("a-cidle", "a-m4a1-cidle");
        EXPECT_EQ(hit_at(kHips + kStandingHead), dedicated == 0) << int{dedicated};
        body_->posed = 0;
    }
}

}  // namespace
}  // namespace kv
