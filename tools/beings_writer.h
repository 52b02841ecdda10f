#pragma once
// The soldiers' demo package "beings": the skeletons "sk-soldier" (the body) and "sk-soldier-1st"
// (arms and weapon), every animation the soldier animation sets name ("a-" followed by the family and
// action words, or the first-person name), the model "soldier", a skinned body of one small quad per
// bone facing along x, and the first-person arms "hands-1st" with the hands' skins ("hands-socom" ...,
// surfaces without layers: this package has no shader to paint them).
//
// The body skeleton (z up, y forward, x to the right, the root at the hips 95 units above the feet):
// spine 1-4, the split bone 5 at the chest, the head 6 with its top 7, the chest front 11, the right
// arm 12-15 with the hand's chain 16-29 and the muzzle 55, the left arm 30-33 with the hand's chain
// 34-44, and the legs 45-49 (right) and 50-54 (left): hip, knee, ankle, heel, sole. Attachment slots: 0
// the right hand (melee point), 2 the muzzle, 3 the hand's first bone (shell). Lower-body animations
// key bone 5 and the bones outside its sub-tree, upper-body ones the bones below it; crouched ones
// lower the body by 40 units, prone ones by 75. The split bone is turned a quarter about y, so that its
// z axis, about which the aim angle turns the upper body, points to the left (looking up bends the
// body up); the head keeps that turn (its x axis up the neck, the eyes' frame), and the other children
// of the two turn back, so every other bone keeps the skeleton's axes.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "util/vec3.h"

namespace kv::tools {

inline constexpr const char* kDemoBeingsPackage = "beings";
inline constexpr int kSoldierBones = 56;
inline constexpr int kSoldierSlots = 298;
inline constexpr int kSoldierFirstSlots = 173;
inline constexpr int kSoldierFrames = 64;
inline constexpr int kSoldierShotFrames = 3;
inline constexpr float kSoldierCrouchDrop = 40.0f;

// Object names ("a-...") by slot; empty for a slot left unbound.
std::vector<std::string> soldier_animation_names();
std::vector<std::string> soldier_first_animation_names();
// Where each bone of the body stands at the bind pose, in the skeleton's frame.
vec3 soldier_bone_position(int bone);
skeleton_desc soldier_skeleton();
skeleton_desc soldier_first_skeleton();
// A body animation of that name ("a-" and the family and action words) and length, and a first-person one.
animation_desc soldier_animation(const std::string& name, int frames);
animation_desc soldier_first_animation(const std::string& name, int frames);
// Appends a box from `lo` to `hi` to the mesh: 8 corners skinned to `bone` with the texture
// coordinates (u, v), 12 triangles facing out, in the mesh's first part.
void add_box(mesh_desc& m, const vec3& lo, const vec3& hi, uint8_t bone, float u, float v);
// The first-person model "hands-1st" on "sk-soldier-1st": both arms as boxes. Its skins, by the
// word after "hands-": the game object's hands skins.
mesh_desc hands_mesh();
std::vector<std::string> hands_skin_names();
std::vector<uint8_t> beings_package();
// Both skeletons, both models and, of `frames` frames each, the animations "a-idle", "a-cidle", "a-walk",
// "a-m4a1-idle", "a-m4a1-shoot" and "a-m4a1-idle-1st": for seeds and benchmarks.
std::vector<uint8_t> beings_sample_package(int frames);

}  // namespace kv::tools
