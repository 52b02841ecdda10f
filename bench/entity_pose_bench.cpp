// Posing a soldier's skinned body of 1,000 vertices on the demo skeleton with both channels blended
// (a walking lower body, an upper body and the aim override): 32 soldiers a frame must stay within a
// millisecond, so one pose may cost at most about 25 microseconds.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "beings/skeleton.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "tools/beings_writer.h"
#include "tools/byte_writer.h"
#include "world/mesh.h"

namespace kv {
namespace {

constexpr int kVertices = 1000;
constexpr int kFrames = 16;

void BM_PoseBlendedBody(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kv-entity-pose-bench";
    tools::write_file(folder / tools::kDemoBeingsPackage, tools::beings_sample_package(kFrames));
    server srv;
    srv.data_dir = folder.string() + "/";
    if (!load_package(srv, tools::kDemoBeingsPackage, false)) {
        state.SkipWithError("the sample package does not load");
        return;
    }
    package& p = *srv.packages.front();
    skeleton& skel = *package_find_skeleton(p, "sk-soldier");
    animation& legs = *package_find_animation(p, "a-walk");
    animation& arms = *package_find_animation(p, "a-m4a1-idle");
    skeleton_convert_animation(skel, legs);
    skeleton_convert_animation(skel, arms);
    const int32_t root = skeleton_parent_of(skel, arms.keys[0].bone);

    geometry_mesh body;
    for (int i = 0; i < kVertices; ++i) {
        mesh_vertex v;
        v.x = static_cast<float>(i % 7);
        v.y = static_cast<float>(i % 170) - 95.0f;
        v.z = static_cast<float>(i % 11);
        body.rest_vertices.push_back(v);
        body.bones.push_back(static_cast<uint8_t>(1 + i % (tools::kSoldierBones - 1)));
    }
    body.vertex_count = kVertices;
    body.posed_vertices = body.rest_vertices;
    for (int n = 0; n < 7; ++n)
        body.tree.push_back({{}, kVertices / 8, static_cast<uint16_t>(n * kVertices / 8)});

    mat4 aim;
    mat4_set_rotation_z(aim, -0.2f);
    const bone_override overrides{&aim, kSplitBone, nullptr};
    int frame = 0;
    for (auto _ : state) {
        skeleton_pose_mesh_blend(skel, body, legs, frame % kFrames, arms, (frame / 2) % kFrames, root,
                                 &overrides);
        benchmark::DoNotOptimize(body.posed_vertices.data());
        ++frame;
    }
    state.counters["poses/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    ref_list().items.clear();
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_PoseBlendedBody)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
