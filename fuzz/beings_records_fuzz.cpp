// Reads arbitrary bytes as a package and works its skeletons and animations: conversion into each
// skeleton's frame, bone and attachment poses with the aim override, and the posing of a skinned mesh
// whose vertices name every bone number, alone and as a lower and upper body. Damaged records must
// fail the package, and whatever loads must pose without reading outside a table.

#include <cstdint>
#include <vector>

#include "beings/skeleton.h"
#include "data/file_stream.h"
#include "data/package.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "world/mesh.h"

using namespace kv;

namespace {

constexpr std::size_t kMaxSkeletons = 2;
constexpr std::size_t kMaxAnimations = 3;

void fill_every_bone(geometry_mesh& m) {
    for (int bone = 0; bone < 256; ++bone) {
        mesh_vertex v;
        v.x = static_cast<float>(bone);
        m.rest_vertices.push_back(v);
        m.bones.push_back(static_cast<uint8_t>(bone));
    }
    m.vertex_count = 256;
    m.posed_vertices = m.rest_vertices;
    m.tree = {{{}, 128, 0}, {{}, 200, 100}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    server srv;
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    if (!package_list_load(srv, "fuzz", stream)) return 0;
    package& p = *srv.packages.front();
    geometry_mesh m;
    fill_every_bone(m);
    mat4 aim;
    mat4_set_rotation_z(aim, 0.3f);
    const bone_override overrides{&aim, kSplitBone, nullptr};
    for (std::size_t s = 0; s < p.skeletons.items.size() && s < kMaxSkeletons; ++s) {
        skeleton& skel = *p.skeletons.items[s];
        const int32_t n = skeleton_node_count(skel);
        for (std::size_t i = 0; i < p.animations.items.size() && i < kMaxAnimations; ++i) {
            animation& a = *p.animations.items[i];
            skeleton_convert_animation(skel, a);
            const int32_t last = static_cast<int32_t>(a.frame_count) - 1;
            const int32_t root = a.keys.empty() ? -1 : skeleton_parent_of(skel, a.keys[0].bone);
            for (const int32_t frame : {0, last + 1}) {
                skeleton_pose_mesh(skel, m, a, frame, &overrides);
                skeleton_pose_mesh_blend(skel, m, a, frame, *p.animations.items[0], 0, root, &overrides);
                mat4 out;
                for (int32_t bone = -1; bone <= n; ++bone)
                    skeleton_bone_pose(skel, out, bone, a, frame, p.animations.items[0], frame, root,
                                       &overrides);
                for (int32_t slot = -1; slot <= kAttachmentSlots; ++slot)
                    skeleton_attachment_pose(skel, out, slot, a, frame, nullptr, 0, root, nullptr);
            }
        }
        for (int32_t bone = -1; bone <= n; ++bone) skeleton_is_below(skel, bone, kSplitBone);
    }
    package_destroy(srv, p);
    return 0;
}
