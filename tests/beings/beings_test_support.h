#pragma once
// A small skeleton package written with the package writer for the skeleton and entity tests.
//
// Skeleton "test:sk" of 10 bones: 0 holds 1, 2 and 8; 1 holds the split bone 5; 2 holds 3, which
// holds 4; 5 holds 6 and 7; 7 holds 9. Bone 1 stands 10 up from the root, bone 5 5 above bone 1,
// the others 1 above their parents (the skeleton's z is up). Attachment slot 2 is bone 9, the others
// have none. Animations: "whole" (8 frames of every bone but the root), "legs" (8 frames of bones 1,
// 2, 3, 4, 5, 8), "arms" (3 frames of 6, 7, 9), "short" (2 frames of the whole body) and "sparse"
// (one frame of 2, 3, 7, 9).

#include <string>
#include <vector>

#include "beings/animation.h"
#include "beings/skeleton.h"
#include "tests/world/world_test_support.h"

namespace kv {

inline tools::bone_key_desc test_key(uint8_t bone, float up = 1.0f, float angle = 0.0f) {
    return {.bone = bone, .translation = {0.0f, 0.0f, up}, .axis = {0.0f, 0.0f, 1.0f}, .angle = angle};
}

inline tools::skeleton_desc test_skeleton_desc() {
    tools::skeleton_desc s;
    s.name = "sk";
    s.reference_bone = 0;
    s.attachment_bones[2] = 9;
    s.nodes = {{0, 1, 2, 8}, {1, 5}, {2, 3}, {3, 4}, {4}, {5, 6, 7}, {6}, {7, 9}, {8}, {9}};
    for (uint8_t b = 1; b < 10; ++b)
        s.bind_keys.push_back(test_key(b, b == 1 ? 10.0f : b == 5 ? 5.0f : 1.0f));
    return s;
}

inline tools::animation_desc test_animation(const std::string& name, const std::vector<uint8_t>& bones,
                                            int frames) {
    tools::animation_desc a;
    a.name = name;
    for (int f = 0; f < frames; ++f) {
        std::vector<tools::bone_key_desc> keys;
        for (uint8_t b : bones) keys.push_back(test_key(b, b == 1 ? 10.0f : b == 5 ? 5.0f : 1.0f));
        a.frames.push_back(keys);
    }
    return a;
}

class beings_test : public world_test {
protected:
    // Writes and loads package "test" with the skeleton, the animations and whatever `more` adds.
    template <class More>
    void load_test_package(More more) {
        tools::package_writer w;
        tools::add_skeleton(w, test_skeleton_desc());
        tools::add_animation(w, test_animation("whole", {1, 2, 3, 4, 5, 6, 7, 8, 9}, 8));
        tools::add_animation(w, test_animation("legs", {1, 2, 3, 4, 5, 8}, 8));
        tools::add_animation(w, test_animation("arms", {6, 7, 9}, 3));
        tools::add_animation(w, test_animation("short", {1, 2, 3, 4, 5, 6, 7, 8, 9}, 2));
        tools::add_animation(w, test_animation("sparse", {2, 3, 7, 9}, 1));
        more(w);
        write_package("test", w);
        ASSERT_TRUE(load_package(srv_, "test", false)) << log();
        test_ = find("test");
        ASSERT_TRUE(test_);
    }
    void load_test_package() {
        load_test_package([](tools::package_writer&) {});
    }

    skeleton& skel() { return *test_->skeletons.items[0]; }
    animation& anim(const std::string& name) { return *package_find_animation(*test_, name); }

    package* test_ = nullptr;
};

}  // namespace kv
