#pragma once
// A skeleton: the bones that animations move.

#include <cstdint>
#include <string>

#include "util/mat4.h"

namespace kv {

struct animation;

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the beings readers.
struct skeleton {
    std::string name;
};

// The bone's key matrix in the animation at the frame, multiplied with those of its parents up the
// skeleton's chain; `overrides` (or null) holds matrices that replace bones' keys.
void animation_bone_matrix(mat4& out, int32_t bone, const animation& anim, float frame, const skeleton& skel,
                           const mat4* overrides);
// The constant posing matrix that skinned meshes compose with their bone matrices: the identity
// with the y and z axes swapped.
const mat4& skeleton_posing_matrix();

}  // namespace kv
