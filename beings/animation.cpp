#include "beings/animation.h"

#include <algorithm>

#include "data/package.h"
#include "data/qxps_stream.h"
#include "util/byte_order.h"
#include "util/text.h"
#include "world/world_read.h"

namespace kv {

std::vector<bone_key> animation_read_keys(qxps_stream& s, uint64_t count, const std::string& what) {
    const uint8_t* in = world_take(s, count, kBoneKeyRecordSize, what);
    std::vector<bone_key> keys(static_cast<std::size_t>(count));
    for (bone_key& key : keys) {
        key.bone = in[0];
        const vec3 translation{be_load_f32(in + 1), be_load_f32(in + 5), be_load_f32(in + 9)};
        const vec3 axis{be_load_f32(in + 13), be_load_f32(in + 17), be_load_f32(in + 21)};
        const float angle = be_load_f32(in + 25);
        mat4_set_translation(key.matrix, translation.x, translation.y, translation.z);
        mat4_rotate_axis(key.matrix, axis, angle);
        in += kBoneKeyRecordSize;
    }
    return keys;
}

std::unique_ptr<animation> animation_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto a = std::make_unique<animation>();
    qxps_stream_enter_chunk(s, a.get());
    a->name = qxps_stream_read_string(s);
    a->value = static_cast<int16_t>(qxps_stream_read_u16(s));
    a->frame_count = qxps_stream_read_u16(s);
    a->keys_per_frame = qxps_stream_read_u8(s);
    a->keys = animation_read_keys(s, uint64_t{a->frame_count} * a->keys_per_frame,
                                  str_format("animation `%s'", a->name.c_str()));
    qxps_stream_leave_chunk(s);
    return a;
}

std::span<bone_key> animation_frame_keys(animation& anim, int32_t frame) {
    if (frame < 0 || static_cast<uint32_t>(frame) >= anim.frame_count) return {};
    const std::size_t first = static_cast<std::size_t>(frame) * anim.keys_per_frame;
    if (first + anim.keys_per_frame > anim.keys.size()) return {};
    return std::span<bone_key>(anim.keys).subspan(first, anim.keys_per_frame);
}

std::span<const bone_key> animation_frame_keys(const animation& anim, int32_t frame) {
    return animation_frame_keys(const_cast<animation&>(anim), frame);
}

const bone_key* animation_find_key(int32_t bone, std::span<const bone_key> keys) {
    const int32_t count = static_cast<int32_t>(keys.size());
    if (count == 0 || bone < 0) return nullptr;
    int32_t i = std::min(bone, count - 1);
    if (keys[static_cast<std::size_t>(i)].bone < bone) {
        for (; i < count; ++i) {
            const int32_t b = keys[static_cast<std::size_t>(i)].bone;
            if (b > bone) return nullptr;
            if (b == bone) return &keys[static_cast<std::size_t>(i)];
        }
        return nullptr;
    }
    for (; i >= 0; --i) {
        const int32_t b = keys[static_cast<std::size_t>(i)].bone;
        if (b < bone) return nullptr;
        if (b == bone) return &keys[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

bone_key* animation_find_key(int32_t bone, std::span<bone_key> keys) {
    return const_cast<bone_key*>(animation_find_key(bone, std::span<const bone_key>(keys)));
}

void animation_bone_matrix(mat4& out, int32_t bone, std::span<const bone_key> keys,
                           std::span<const uint16_t> split, std::span<const mat4* const> overrides) {
    mat4 acc = kMat4Identity;
    // The split table sends a bone to bone 5 or ends the chain, so it is two steps at most; the
    // bound keeps a damaged table from looping.
    for (std::size_t step = 0; step <= split.size(); ++step) {
        const bool in_skeleton =
            split.empty() || (bone >= 0 && static_cast<std::size_t>(bone) < split.size());
        if (!in_skeleton) break;
        if (const bone_key* key = animation_find_key(bone, keys)) acc = mat4_mul(key->matrix, acc);
        if (split.empty()) break;
        const int32_t p = static_cast<int16_t>(split[static_cast<std::size_t>(bone)]);
        if (p < 0 || static_cast<std::size_t>(p) >= split.size()) break;
        if (static_cast<std::size_t>(p) < overrides.size() && overrides[static_cast<std::size_t>(p)])
            acc = mat4_mul(*overrides[static_cast<std::size_t>(p)], acc);
        bone = p;
    }
    out = acc;
}

void animation_split_pose(mat4& out, int32_t bone, std::span<const bone_key> keys_a,
                          std::span<const bone_key> keys_b, int32_t root_bone,
                          std::span<const uint16_t> split, std::span<const mat4* const> overrides) {
    if (animation_find_key(bone, keys_a)) {
        animation_bone_matrix(out, bone, keys_a, split, overrides);
        return;
    }
    mat4 upper;
    mat4 root;
    animation_bone_matrix(upper, bone, keys_b, split, overrides);
    animation_bone_matrix(root, root_bone, keys_a, split, overrides);
    out = mat4_mul(root, upper);
}

}  // namespace kv
