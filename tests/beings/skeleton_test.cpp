#include "beings/skeleton.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/beings/beings_test_support.h"

namespace kv {
namespace {

class Skeleton : public beings_test {};

vec3 position(const mat4& m) {
    return mat4_is_identity(m) ? vec3{} : mat4_row3(m);
}

void expect_near(const vec3& a, const vec3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-4f);
    EXPECT_NEAR(a.y, b.y, 1e-4f);
    EXPECT_NEAR(a.z, b.z, 1e-4f);
}

TEST_F(Skeleton, KeySearchFindsOnlyTheBonesOfTheFrame) {
    load_test_package();
    const animation& a = anim("sparse");
    EXPECT_EQ(a.frame_count, 1u);
    EXPECT_EQ(a.keys_per_frame, 4u);
    const auto keys = animation_frame_keys(a, 0);
    EXPECT_EQ(animation_find_key(7, keys), &keys[2]);
    EXPECT_EQ(animation_find_key(2, keys), &keys[0]);
    EXPECT_EQ(animation_find_key(9, keys), &keys[3]);
    EXPECT_EQ(animation_find_key(4, keys), nullptr);
    EXPECT_EQ(animation_find_key(12, keys), nullptr);
    EXPECT_EQ(animation_find_key(0, keys), nullptr);
    EXPECT_EQ(animation_find_key(3, std::span<const bone_key>()), nullptr);
    EXPECT_TRUE(animation_frame_keys(a, 1).empty());
    EXPECT_TRUE(animation_frame_keys(a, -1).empty());
}

TEST_F(Skeleton, TheSplitTableAndTheTree) {
    load_test_package();
    const skeleton& s = skel();
    EXPECT_EQ(s.split,
              (std::vector<uint16_t>{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE, 5, 5, 0xFFFF, 5}));
    EXPECT_EQ(skeleton_animated_bone_count(s), 9);
    EXPECT_EQ(skeleton_parent_of(s, 9), 7);
    EXPECT_EQ(skeleton_parent_of(s, 5), 1);
    EXPECT_EQ(skeleton_parent_of(s, 0), -1);
    EXPECT_EQ(skeleton_parent_of(s, 40), -1);
    EXPECT_TRUE(skeleton_is_below(s, 9, 5));
    EXPECT_FALSE(skeleton_is_below(s, 5, 5));
    EXPECT_FALSE(skeleton_is_below(s, 4, 5));
    // The bind pose is converted: bone 5 in the skeleton's frame, bone 9 relative to bone 5.
    mat4 m;
    animation_bone_matrix(m, 5, s.bind_keys, s.split, {});
    expect_near(position(m), {0.0f, 0.0f, 15.0f});
    animation_bone_matrix(m, 9, s.bind_keys, s.split, {});
    expect_near(position(m), {0.0f, 0.0f, 17.0f});
    animation_bone_matrix(m, 4, s.bind_keys, s.split, {});
    expect_near(position(m), {0.0f, 0.0f, 3.0f});
}

TEST_F(Skeleton, AnAnimationIsConvertedOnceAndOnlyByAnEntityWithASkeleton) {
    load_test_package();
    entity bare;
    entity_create(bare, "bare", &srv_);
    EXPECT_TRUE(entity_bind_animation(bare, 0, "test:legs"));
    EXPECT_EQ(anim("legs").converted, 0);

    entity first;
    entity second;
    entity_create(first, "first", &srv_);
    entity_create(second, "second", &srv_);
    ASSERT_TRUE(entity_load_skeleton(first, "test:sk", 4));
    ASSERT_TRUE(entity_load_skeleton(second, "test:sk", 4));
    EXPECT_EQ(skel().slots.size(), 4u);
    EXPECT_TRUE(entity_bind_animation(first, 0, "test:legs"));
    EXPECT_EQ(anim("legs").converted, 1);
    // Bone 5 is in the skeleton's frame now: its parent's 10 plus its own 5.
    const bone_key* five = animation_find_key(5, animation_frame_keys(anim("legs"), 7));
    ASSERT_TRUE(five);
    expect_near(position(five->matrix), {0.0f, 0.0f, 15.0f});
    // The second entity shares the slot table; binding the animation elsewhere converts nothing again.
    EXPECT_TRUE(entity_bind_animation(second, 0, "test:legs"));
    EXPECT_TRUE(entity_bind_animation(second, 1, "test:legs"));
    expect_near(position(five->matrix), {0.0f, 0.0f, 15.0f});
    EXPECT_EQ(skel().slots[0], &anim("legs"));
    EXPECT_EQ(skel().slots[1], &anim("legs"));
    entity_destroy(bare);
    entity_destroy(first);
    entity_destroy(second);
}

TEST_F(Skeleton, TheOverrideAtTheSplitBoneTurnsOnlyTheBonesBelowIt) {
    load_test_package();
    skeleton& s = skel();
    animation& whole = anim("whole");
    skeleton_convert_animation(s, whole);
    mat4 turn;
    mat4_set_rotation_x(turn, 1.5707964f);
    const bone_override aim{&turn, kSplitBone, nullptr};
    for (const int32_t bone : {2, 4, 5, 8}) {
        mat4 still;
        mat4 turned;
        skeleton_bone_pose(s, still, bone, whole, 3, nullptr, 0, -1, nullptr);
        skeleton_bone_pose(s, turned, bone, whole, 3, nullptr, 0, -1, &aim);
        expect_near(position(turned), position(still));
    }
    mat4 still;
    mat4 turned;
    skeleton_bone_pose(s, still, 6, whole, 3, nullptr, 0, -1, nullptr);
    skeleton_bone_pose(s, turned, 6, whole, 3, nullptr, 0, -1, &aim);
    expect_near(position(still), {0.0f, 0.0f, 16.0f});
    expect_near(position(turned), {0.0f, -1.0f, 15.0f});
    skeleton_bone_pose(s, turned, 9, whole, 3, nullptr, 0, -1, &aim);
    expect_near(position(turned), {0.0f, -2.0f, 15.0f});
}

TEST_F(Skeleton, UpperBodyBonesRideOnTheLowerBodysRootBone) {
    load_test_package();
    skeleton& s = skel();
    skeleton_convert_animation(s, anim("legs"));
    skeleton_convert_animation(s, anim("arms"));
    // "arms" starts at bone 6, whose parent 5 is the root bone; "legs" places bone 5 at 15.
    mat4 m;
    skeleton_bone_pose(s, m, 9, anim("legs"), 0, &anim("arms"), 2, 5, nullptr);
    expect_near(position(m), {0.0f, 0.0f, 17.0f});
    skeleton_bone_pose(s, m, 3, anim("legs"), 0, &anim("arms"), 2, 5, nullptr);
    expect_near(position(m), {0.0f, 0.0f, 2.0f});
    // Attachment slot 2 is bone 9; a slot whose byte was 0xFF gives the identity.
    skeleton_attachment_pose(s, m, 2, anim("legs"), 0, &anim("arms"), 2, 5, nullptr);
    expect_near(position(m), {0.0f, 0.0f, 17.0f});
    EXPECT_EQ(s.attachment_bones[0], -1);
    skeleton_attachment_pose(s, m, 0, anim("legs"), 0, &anim("arms"), 2, 5, nullptr);
    EXPECT_TRUE(mat4_is_identity(m));
    skeleton_attachment_pose(s, m, 16, anim("legs"), 0, &anim("arms"), 2, 5, nullptr);
    EXPECT_TRUE(mat4_is_identity(m));
}

struct damaged_case {
    const char* name;
    std::function<void(tools::package_writer&)> write;
    const char* message;
};

class DamagedRecords : public beings_test, public ::testing::WithParamInterface<damaged_case> {};

tools::skeleton_desc damaged_skeleton(const std::function<void(tools::skeleton_desc&)>& change) {
    tools::skeleton_desc s = test_skeleton_desc();
    change(s);
    return s;
}

void write_skeleton(tools::package_writer& w, const std::function<void(tools::skeleton_desc&)>& change) {
    tools::add_skeleton(w, damaged_skeleton(change));
}

const damaged_case kDamaged[] = {
    {"StartsDecrease",
     [](tools::package_writer& w) {
         write_skeleton(w, [](auto& s) { s.starts_override = {{0, 4, 6, 8, 10, 11, 14, 13, 17, 18}}; });
     },
     "child list of node 6"},
    {"StartsPassTheList",
     [](tools::package_writer& w) {
         write_skeleton(w, [](auto& s) { s.starts_override = {{0, 4, 6, 8, 10, 11, 14, 15, 17, 25}}; });
     },
     "child list of node 8 runs from 17 to 25"},
    {"ListWithoutItsNode",
     [](tools::package_writer& w) { write_skeleton(w, [](auto& s) { s.nodes[4] = {3}; }); },
     "child list of node 4 does not begin with it"},
    {"ChildOutsideTheSkeleton",
     [](tools::package_writer& w) { write_skeleton(w, [](auto& s) {
                                        s.nodes[9] = {9, 12};
                                    }); },
     "child 12 of node 9"},
    {"ReferenceBoneOutside",
     [](tools::package_writer& w) { write_skeleton(w, [](auto& s) { s.reference_bone = 10; }); },
     "reference bone 10 of 10 bones"},
    {"AttachmentBoneOutside",
     [](tools::package_writer& w) { write_skeleton(w, [](auto& s) { s.attachment_bones[3] = 10; }); },
     "attachment bone 10 of 10 bones"},
    {"NodeReachedTwice",
     [](tools::package_writer& w) { write_skeleton(w, [](auto& s) {
                                        s.nodes[8] = {8, 3};
                                    }); },
     "node 3 is reached twice"},
    {"BindKeysLongerThanTheChunk",
     [](tools::package_writer& w) { write_skeleton(w, [](auto& s) { s.bind_count_override = 200; }); },
     "corrupt skeleton `sk': 200 entries of 29 bytes"},
    {"AnimationKeysLongerThanTheChunk",
     [](tools::package_writer& w) {
         tools::animation_desc a = test_animation("huge", {1}, 1);
         a.frame_count_override = 65535;
         a.keys_per_frame_override = 255;
         tools::add_animation(w, a);
     },
     "corrupt animation `huge': 16711425 entries of 29 bytes"},
    {"AnimationCutShort",
     [](tools::package_writer& w) {
         tools::animation_desc a = test_animation("cut", {1, 2}, 2);
         a.frame_count_override = 3;
         tools::add_animation(w, a);
     },
     "corrupt animation `cut': 6 entries of 29 bytes"},
};

TEST_P(DamagedRecords, AreRefusedAndTheirPackageFailsToLoad) {
    tools::package_writer w;
    GetParam().write(w);
    write_package("bad", w);
    EXPECT_FALSE(load_package(srv_, "bad", false));
    EXPECT_NE(log().find(GetParam().message), std::string::npos) << log();
    EXPECT_EQ(find("bad"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Skeleton, DamagedRecords, ::testing::ValuesIn(kDamaged),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv
