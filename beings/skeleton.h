#pragma once
// A skeleton: a tree of N bones (node i is bone i, node 0 the root) from which entities pose their
// skinned meshes, find single bones and attachment points, and ride an upper-body animation on a
// lower-body one.
//
// The split bone (bone 5) divides the body. Keys of the split bone and of the bones outside its
// sub-tree are kept in the skeleton's frame; keys of the bones below it are relative to the split
// bone. A bone's pose is its key, or below the split bone its key, then an optional override at the
// split bone (the aim), then the split bone's key.
//
// Stream form (in its own chunk): name; reference bone (i8); 16 attachment bones (i8 each, -1 none);
// node count N (u16); N child-list starts (u16); child-list length L (u16); L bytes of child lists
// (node i's list runs from its start to the next node's start, the last to L; its first byte is i,
// the rest its children); bind-key count B (u8); B key records (beings/animation.h), each local to
// its parent bone. The tables are read only when their counts are not 0.
//
// A damaged record (starts that decrease or pass L, a list that does not begin with its node, a
// child, reference or attachment bone of N or more, a node reached twice from the root, a key block
// longer than the chunk) raises the reader's error.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "beings/animation.h"
#include "util/mat4.h"

namespace kv {

class geometry_mesh;

inline constexpr int32_t kSplitBone = 5;
inline constexpr uint16_t kSplitBelow = kSplitBone;
inline constexpr uint16_t kSplitSelf = 0xFFFE;
inline constexpr uint16_t kSplitOutside = 0xFFFF;
inline constexpr int32_t kAttachmentSlots = 16;

// One record of an override list: the matrix turns the bones below `bone`.
struct bone_override {
    const mat4* matrix = nullptr;
    int32_t bone = 0;
    const bone_override* next = nullptr;
};

struct skeleton {
    std::string name;
    int32_t reference_bone = 0;
    std::array<int32_t, kAttachmentSlots> attachment_bones{};
    std::vector<uint16_t> child_starts;
    std::vector<uint16_t> split;
    std::vector<uint8_t> child_list;
    std::vector<const mat4*> overrides;  // per bone, for the pose being made
    std::vector<bone_key> bind_keys;
    // Slot -> animation, shared by every entity that uses the skeleton.
    std::vector<animation*> slots;
    std::vector<int16_t> parents;  // per bone: the node whose list names it, or -1 (built when read)
};

// The axis swap between the skeleton's frame and the model frame (the identity with y and z
// exchanged).
const mat4& skeleton_posing_matrix();

std::unique_ptr<skeleton> skeleton_read(package_read_context& ctx);

int32_t skeleton_node_count(const skeleton& skel);
// Keys per frame of a whole-body animation: N - 1.
int32_t skeleton_animated_bone_count(const skeleton& skel);
// The node whose child list names the bone, or -1.
int32_t skeleton_parent_of(const skeleton& skel, int32_t bone);
// Whether the bone lies below the ancestor (a bone is not below itself).
bool skeleton_is_below(const skeleton& skel, int32_t bone, int32_t ancestor);
// Converts the keys of the list into the skeleton's frame, as the file header says.
void skeleton_convert_keys(const skeleton& skel, std::span<bone_key> keys);
void skeleton_convert_animation_frame(const skeleton& skel, animation& anim, int32_t frame);
// Every frame, once: sets the converted flag.
void skeleton_convert_animation(const skeleton& skel, animation& anim);
void skeleton_set_overrides(skeleton& skel, const bone_override* list);

void skeleton_pose_mesh(skeleton& skel, geometry_mesh& mesh, const animation& anim, int32_t frame,
                        const bone_override* overrides);
void skeleton_pose_mesh_blend(skeleton& skel, geometry_mesh& mesh, const animation& a, int32_t frame_a,
                              const animation& b, int32_t frame_b, int32_t root_bone,
                              const bone_override* overrides);
// One bone's pose: from A's frame when it has a key for the bone, else B's chain for the bone
// followed by A's chain for the root bone. B may be null.
void skeleton_bone_pose(skeleton& skel, mat4& out, int32_t bone, const animation& a, int32_t frame_a,
                        const animation* b, int32_t frame_b, int32_t root_bone,
                        const bone_override* overrides);
// The identity for a slot without a bone, else the pose of the slot's bone.
void skeleton_attachment_pose(skeleton& skel, mat4& out, int32_t slot, const animation& a, int32_t frame_a,
                              const animation* b, int32_t frame_b, int32_t root_bone,
                              const bone_override* overrides);

}  // namespace kv
