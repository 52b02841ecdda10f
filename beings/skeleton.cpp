#include "beings/skeleton.h"

#include <utility>

#include "data/package.h"
#include "data/qxps_stream.h"
#include "util/text.h"
#include "world/mesh.h"
#include "world/world_read.h"

namespace kv {
namespace {

// The end of node i's child list.
std::size_t list_end(const skeleton& skel, std::size_t i) {
    return i + 1 < skel.child_starts.size() ? skel.child_starts[i + 1] : skel.child_list.size();
}

void check_skeleton(const skeleton& skel, const std::string& what) {
    const std::size_t n = skel.child_starts.size();
    auto is_bone = [n](int32_t bone) { return bone >= 0 && static_cast<std::size_t>(bone) < n; };
    if (!is_bone(skel.reference_bone))
        world_corrupt(what, str_format("reference bone %d of %zu bones", skel.reference_bone, n));
    for (const int32_t bone : skel.attachment_bones) {
        if (bone >= 0 && !is_bone(bone))
            world_corrupt(what, str_format("attachment bone %d of %zu bones", bone, n));
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t start = skel.child_starts[i];
        const std::size_t end = list_end(skel, i);
        if (end > skel.child_list.size() || start > end)
            world_corrupt(what, str_format("child list of node %zu runs from %zu to %zu", i, start, end));
        if (start == end || skel.child_list[start] != i)
            world_corrupt(what, str_format("child list of node %zu does not begin with it", i));
        for (std::size_t k = start + 1; k < end; ++k) {
            if (!is_bone(skel.child_list[k]))
                world_corrupt(what, str_format("child %d of node %zu", skel.child_list[k], i));
        }
    }
    // Every node is reached once at most from the root.
    std::vector<uint8_t> seen(n, 0);
    std::vector<std::size_t> stack;
    if (n > 0) {
        stack.push_back(0);
        seen[0] = 1;
    }
    while (!stack.empty()) {
        const std::size_t node = stack.back();
        stack.pop_back();
        for (std::size_t k = skel.child_starts[node] + 1u; k < list_end(skel, node); ++k) {
            const uint8_t child = skel.child_list[k];
            if (seen[child]) world_corrupt(what, str_format("node %d is reached twice", child));
            seen[child] = 1;
            stack.push_back(child);
        }
    }
}

void build_parent_table(skeleton& skel) {
    const std::size_t n = skel.child_starts.size();
    skel.parents.assign(n, -1);
    for (std::size_t node = 0; node < n; ++node) {
        for (std::size_t k = skel.child_starts[node] + 1u; k < list_end(skel, node); ++k)
            skel.parents[skel.child_list[k]] = static_cast<int16_t>(node);
    }
}

void build_split_table(skeleton& skel) {
    const int32_t n = skeleton_node_count(skel);
    skel.split.assign(static_cast<std::size_t>(n), kSplitOutside);
    for (int32_t b = 0; b < n; ++b) {
        if (skeleton_is_below(skel, b, kSplitBone)) {
            skel.split[static_cast<std::size_t>(b)] = kSplitBelow;
        } else if (b == kSplitBone) {
            skel.split[static_cast<std::size_t>(b)] = kSplitSelf;
        }
    }
}

std::span<const mat4* const> override_table(const skeleton& skel) {
    return skel.overrides;
}

}  // namespace

const mat4& skeleton_posing_matrix() {
    static const mat4 swap = [] {
        mat4 m;
        mat4_make(m, kMat4KindSwapYZ);
        return m;
    }();
    return swap;
}

std::unique_ptr<skeleton> skeleton_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto skel = std::make_unique<skeleton>();
    qxps_stream_enter_chunk(s, skel.get());
    skel->name = qxps_stream_read_string(s);
    const std::string what = str_format("skeleton `%s'", skel->name.c_str());
    skel->reference_bone = static_cast<int8_t>(qxps_stream_read_u8(s));
    for (int32_t& bone : skel->attachment_bones) bone = static_cast<int8_t>(qxps_stream_read_u8(s));
    const uint16_t node_count = qxps_stream_read_u16(s);
    const uint8_t* starts = world_take(s, node_count, 2, what);
    skel->child_starts.resize(node_count);
    for (std::size_t i = 0; i < node_count; ++i)
        skel->child_starts[i] = static_cast<uint16_t>((starts[2 * i] << 8) | starts[2 * i + 1]);
    const uint16_t list_length = qxps_stream_read_u16(s);
    const uint8_t* list = world_take(s, list_length, 1, what);
    skel->child_list.assign(list, list + list_length);
    const uint8_t bind_count = qxps_stream_read_u8(s);
    skel->bind_keys = animation_read_keys(s, bind_count, what);
    check_skeleton(*skel, what);
    skel->overrides.assign(node_count, nullptr);
    build_parent_table(*skel);
    build_split_table(*skel);
    skeleton_convert_keys(*skel, skel->bind_keys);
    qxps_stream_leave_chunk(s);
    return skel;
}

int32_t skeleton_node_count(const skeleton& skel) {
    return static_cast<int32_t>(skel.child_starts.size());
}

int32_t skeleton_animated_bone_count(const skeleton& skel) {
    return skeleton_node_count(skel) - 1;
}

int32_t skeleton_parent_of(const skeleton& skel, int32_t bone) {
    if (bone < 0 || static_cast<std::size_t>(bone) >= skel.parents.size()) return -1;
    return skel.parents[static_cast<std::size_t>(bone)];
}

bool skeleton_is_below(const skeleton& skel, int32_t bone, int32_t ancestor) {
    // At most N steps, whatever the lists hold.
    for (int32_t step = 0; step < skeleton_node_count(skel); ++step) {
        bone = skeleton_parent_of(skel, bone);
        if (bone < 0) return false;
        if (bone == ancestor) return true;
    }
    return false;
}

void skeleton_convert_keys(const skeleton& skel, std::span<bone_key> keys) {
    const std::size_t n = skel.child_starts.size();
    if (n == 0 || skel.split.size() != n) return;
    const bone_key* root = animation_find_key(0, keys);
    std::vector<std::pair<std::size_t, mat4>> stack{{0, root ? root->matrix : kMat4Identity}};
    // Each node is reached once (checked when the skeleton was read), so each key turns once.
    for (std::size_t visits = 0; !stack.empty() && visits < n; ++visits) {
        const auto [node, matrix] = stack.back();
        stack.pop_back();
        const mat4 base = skel.split[node] == kSplitSelf ? kMat4Identity : matrix;
        const std::size_t end = std::min(list_end(skel, node), skel.child_list.size());
        for (std::size_t k = skel.child_starts[node] + 1u; k < end; ++k) {
            const uint8_t child = skel.child_list[k];
            mat4 child_matrix = kMat4Identity;
            if (bone_key* key = animation_find_key(child, keys)) {
                key->matrix = mat4_mul(base, key->matrix);
                child_matrix = key->matrix;
            }
            stack.emplace_back(child, child_matrix);
        }
    }
}

void skeleton_convert_animation_frame(const skeleton& skel, animation& anim, int32_t frame) {
    skeleton_convert_keys(skel, animation_frame_keys(anim, frame));
}

void skeleton_convert_animation(const skeleton& skel, animation& anim) {
    if (anim.converted) return;
    for (uint32_t f = 0; f < anim.frame_count; ++f)
        skeleton_convert_animation_frame(skel, anim, static_cast<int32_t>(f));
    anim.converted = 1;
}

void skeleton_set_overrides(skeleton& skel, const bone_override* list) {
    skel.overrides.assign(skel.child_starts.size(), nullptr);
    for (; list; list = list->next) {
        if (list->bone >= 0 && static_cast<std::size_t>(list->bone) < skel.overrides.size())
            skel.overrides[static_cast<std::size_t>(list->bone)] = list->matrix;
    }
}

void skeleton_pose_mesh(skeleton& skel, geometry_mesh& mesh, const animation& anim, int32_t frame,
                        const bone_override* overrides) {
    skeleton_set_overrides(skel, overrides);
    geometry_mesh_pose_bounds(mesh, skel.reference_bone, skel.bind_keys, animation_frame_keys(anim, frame),
                              skel.split, override_table(skel));
}

void skeleton_pose_mesh_blend(skeleton& skel, geometry_mesh& mesh, const animation& a, int32_t frame_a,
                              const animation& b, int32_t frame_b, int32_t root_bone,
                              const bone_override* overrides) {
    skeleton_set_overrides(skel, overrides);
    geometry_mesh_pose_bounds_blend(mesh, skel.reference_bone, root_bone, skel.bind_keys,
                                    animation_frame_keys(a, frame_a), animation_frame_keys(b, frame_b),
                                    skel.split, override_table(skel));
}

void skeleton_bone_pose(skeleton& skel, mat4& out, int32_t bone, const animation& a, int32_t frame_a,
                        const animation* b, int32_t frame_b, int32_t root_bone,
                        const bone_override* overrides) {
    skeleton_set_overrides(skel, overrides);
    animation_split_pose(out, bone, animation_frame_keys(a, frame_a),
                         b ? animation_frame_keys(*b, frame_b) : std::span<const bone_key>(), root_bone,
                         skel.split, override_table(skel));
}

void skeleton_attachment_pose(skeleton& skel, mat4& out, int32_t slot, const animation& a, int32_t frame_a,
                              const animation* b, int32_t frame_b, int32_t root_bone,
                              const bone_override* overrides) {
    if (slot < 0 || slot >= kAttachmentSlots || skel.attachment_bones[static_cast<std::size_t>(slot)] < 0) {
        out = kMat4Identity;
        return;
    }
    skeleton_bone_pose(skel, out, skel.attachment_bones[static_cast<std::size_t>(slot)], a, frame_a, b,
                       frame_b, root_bone, overrides);
}

}  // namespace kv
