#pragma once
// A bone animation: a package object of F frames, each a list of K keys sorted by bone number, so a
// frame may cover only part of the body. Each key is a rigid transform built when the record is read;
// the first entity with a skeleton that binds the animation converts every frame into that
// skeleton's frame once (beings/skeleton.h).
//
// Stream form (in its own chunk): name; a signed 16-bit value kept with the animation; frame count F
// (u16); keys per frame K (u8); F x K key records, frame after frame. A key record is 29 bytes: bone
// number (u8), translation (three floats), rotation axis (three floats), angle (float, radians).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "util/mat4.h"

namespace kv {

struct package_read_context;
struct qxps_stream;

inline constexpr uint32_t kBoneKeyRecordSize = 29;

// One key: the bone it moves and its matrix (the rotation applies first, then the translation).
struct bone_key {
    uint8_t bone = 0;
    mat4 matrix;
};

struct animation {
    std::string name;
    int32_t value = 0;  // kept with the animation; posing does not read it
    uint32_t frame_count = 0;
    uint32_t keys_per_frame = 0;
    std::vector<bone_key> keys;  // frame f: the keys_per_frame keys from f x keys_per_frame
    uint8_t converted = 0;
};

std::unique_ptr<animation> animation_read(package_read_context& ctx);
// Reads count key records in one block and builds the keys; the block is checked against what is
// left of the chunk before anything is allocated.
std::vector<bone_key> animation_read_keys(qxps_stream& s, uint64_t count, const std::string& what);
// The keys of a frame; empty for a frame outside the animation.
std::span<bone_key> animation_frame_keys(animation& anim, int32_t frame);
std::span<const bone_key> animation_frame_keys(const animation& anim, int32_t frame);

// The key of the bone in keys sorted by bone number, or null.
const bone_key* animation_find_key(int32_t bone, std::span<const bone_key> keys);
bone_key* animation_find_key(int32_t bone, std::span<bone_key> keys);

// The bone's chain: its key, then, while the split table names a further bone p for it, the
// override of p (when set) and p's key. Without a split table the key alone. A bone without a key
// (or outside the split table) adds nothing to the chain.
void animation_bone_matrix(mat4& out, int32_t bone, std::span<const bone_key> keys,
                           std::span<const uint16_t> split, std::span<const mat4* const> overrides);
// A bone's pose from a frame of A and, for the bones A's frame lacks, a frame of B riding on A's
// root bone: B's chain for the bone, then A's chain for the root bone.
void animation_split_pose(mat4& out, int32_t bone, std::span<const bone_key> keys_a,
                          std::span<const bone_key> keys_b, int32_t root_bone,
                          std::span<const uint16_t> split, std::span<const mat4* const> overrides);

}  // namespace kv
