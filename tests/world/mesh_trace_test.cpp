#include <gtest/gtest.h>

#include <bit>

#include "beings/animation.h"
#include "beings/skeleton.h"
#include "world/hit_map.h"
#include "world/mesh.h"

namespace kv {
namespace {

// Quads in the planes x = 10, 20, 30 (each spanning -1..1 on y and z), one draw record each,
// ids 0, 1, 2; optionally a box tree.
std::unique_ptr<mesh> wall_stack(std::vector<mesh_tree_node> tree = {}) {
    auto m = std::make_unique<mesh>();
    m->primitive_kind = kMeshQuads;
    mesh_part part;
    for (int q = 0; q < 3; ++q) {
        const float x = 10.0f * static_cast<float>(q + 1);
        for (const auto& [y, z] : {std::pair{-1.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}}) {
            mesh_vertex v;
            v.x = x;
            v.y = y;
            v.z = z;
            v.u = 0.25f;
            m->rest_vertices.push_back(v);
        }
        for (int k = 0; k < 4; ++k) part.indices.push_back(static_cast<uint16_t>(4 * q + k));
        mesh_draw_record d;
        d.draw_id = static_cast<uint16_t>(q);
        d.primitive_count = 1;
        d.first_index = static_cast<uint32_t>(4 * q);
        part.draws.push_back(d);
    }
    m->parts.push_back(part);
    m->vertex_count = 12;
    box3_init(m->box, {10, -1, -1}, {30, 1, 1});
    m->tree = std::move(tree);
    return m;
}

const ray kAlongX({0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f});

TEST(MeshTrace, KeepAllNearestOnlyAndStopAtFirst) {
    auto m = wall_stack();
    std::vector<mesh_hit> hits;
    mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 1e6f, true, false, nullptr, 7);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_FLOAT_EQ(hits[1].distance_sq, 400.0f);
    EXPECT_EQ(hits[1].first_index, 4u);
    EXPECT_EQ(hits[1].point_count, 4);
    EXPECT_EQ(hits[1].value, 7);
    hits.clear();
    // Without keep-all a hit must be nearer than the last one kept: only the first, as they come in order.
    mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 1e6f, false, false, nullptr, 0);
    EXPECT_EQ(hits.size(), 1u);
    hits.clear();
    mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 450.0f, true, false, nullptr, 0);
    EXPECT_EQ(hits.size(), 2u) << "faces beyond the distance are missed";
    hits.clear();
    const ray backwards({25.0f, 0.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f, 0.0f});
    mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, backwards, 1e6f, true, true, nullptr, 0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_FLOAT_EQ(hits[0].point.x, 10.0f);
}

TEST(MeshTrace, ChildBeyondTheNodeArrayStandsForItsParentOnce) {
    // Three stored nodes: node 1 (all) has children 3 (stored) and 4 (past the array: node 1's
    // range again, as a leaf). Whatever node 3 covers, each face is hit once.
    const mesh_tree_node all{{{10, -1, -1}, {30, 1, 1}}, 12, 0};
    const mesh_tree_node none{{{-5, -5, -5}, {-4, -4, -4}}, 0, 0};
    const mesh_tree_node first_quad{{{10, -1, -1}, {10, 1, 1}}, 4, 0};
    for (const mesh_tree_node& third : {all, first_quad}) {
        auto m = wall_stack({all, none, third});
        std::vector<mesh_hit> hits;
        mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 1e6f, true, false, nullptr, 0);
        ASSERT_EQ(hits.size(), 3u) << third.vertex_count;
        EXPECT_EQ(hits[0].first_index, 0u);
        EXPECT_EQ(hits[1].first_index, 4u);
        EXPECT_EQ(hits[2].first_index, 8u);
        // The hits already in the list belong to other meshes: they do not hide this mesh's faces.
        mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 1e6f, true, false, nullptr, 0);
        EXPECT_EQ(hits.size(), 6u);
    }
}

TEST(MeshTrace, SamplesTheImageAtFirstTexCoordShiftedByDrawId) {
    auto m = wall_stack();
    const image8 image{4, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
    std::vector<mesh_hit> hits;
    mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 1e6f, true, false, &image, 99);
    ASSERT_EQ(hits.size(), 3u);
    // (0.25 + d) x 4 mod 4 with v = 0: columns 1, 1 + 4 = 1, ...: every draw id shifts a whole turn.
    for (const mesh_hit& h : hits) EXPECT_EQ(h.value, 1);
    image8 wide{8, 1, {0, 1, 2, 3, 4, 5, 6, 7}};  // m = 1: column int(u + d) mod 8
    hits.clear();
    mesh_trace(*m, hits, kMeshAnyLevel, kMat4Identity, kAlongX, 1e6f, true, false, &wide, 99);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].value, 0);
    EXPECT_EQ(hits[1].value, 1);
    EXPECT_EQ(hits[2].value, 2);
}

TEST(MeshTrace, PlacedByTheTransformAndNoPartMeansNoHit) {
    auto m = wall_stack();
    mat4 moved;
    mat4_set_translation(moved, 0.0f, 5.0f, 0.0f);
    std::vector<mesh_hit> hits;
    mesh_trace(*m, hits, kMeshAnyLevel, moved, kAlongX, 1e6f, true, false, nullptr, 0);
    EXPECT_TRUE(hits.empty());
    mesh_trace(*m, hits, -1, kMat4Identity, kAlongX, 1e6f, true, false, nullptr, 0);
    EXPECT_TRUE(hits.empty());
}

TEST(MeshPose, BonesMoveTheirVerticesFromTheBindPoseAndBoxesAreRebuilt) {
    geometry_mesh m;
    m.primitive_kind = kMeshTriangles;
    for (int i = 0; i < 5; ++i) {
        mesh_vertex v;
        v.x = static_cast<float>(i);
        v.y = 10.0f * static_cast<float>(i);
        v.z = -1.0f;
        v.u = 0.5f;
        m.rest_vertices.push_back(v);
    }
    m.vertex_count = 5;
    // Two bones; the last vertex names a bone the skeleton lacks and follows the reference bone 1.
    m.bones = {0, 0, 1, 1, 7};
    m.posed_vertices = m.rest_vertices;
    m.box.max.w = std::bit_cast<float>(2);
    // Node 1 covers vertices 0..1 and has leaf children 3 (vertices 2..3) and 4 (past the array).
    m.tree = {{{}, 2, 0}, {{}, 1, 0}, {{}, 2, 2}};
    const std::vector<uint16_t> split = {0xFFFF, 0xFFFF};
    auto key = [](uint8_t bone, float up) {
        bone_key k{bone, {}};
        mat4_set_translation(k.matrix, 0.0f, 0.0f, up);  // the skeleton's z is the model's y
        return k;
    };
    const std::vector<bone_key> bind = {key(1, 5.0f)};
    const std::vector<bone_key> frame = {key(1, 8.0f)};

    // At the bind pose the posed mesh is the rest mesh.
    geometry_mesh_pose_bounds(m, 1, bind, bind, split, {});
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(m.posed_vertices[i].x, m.rest_vertices[i].x);
        EXPECT_NEAR(m.posed_vertices[i].y, m.rest_vertices[i].y, 1e-4f);
        EXPECT_NEAR(m.posed_vertices[i].z, -1.0f, 1e-4f);
    }

    geometry_mesh_pose_bounds(m, 1, bind, frame, split, {});
    EXPECT_FLOAT_EQ(m.posed_vertices[1].y, 10.0f);
    EXPECT_FLOAT_EQ(m.posed_vertices[2].y, 23.0f);
    EXPECT_FLOAT_EQ(m.posed_vertices[4].y, 43.0f);
    EXPECT_FLOAT_EQ(m.posed_vertices[3].u, 0.5f);
    EXPECT_FLOAT_EQ(m.box.min.x, 0.0f);
    EXPECT_FLOAT_EQ(m.box.max.y, 43.0f);
    EXPECT_EQ(std::bit_cast<int32_t>(m.box.max.w), 2);
    EXPECT_FLOAT_EQ(m.tree[2].box.min.y, 23.0f);  // node 3: vertices 2..3
    EXPECT_FLOAT_EQ(m.tree[0].box.max.y, 33.0f);  // node 1: union of node 3 only
    // Drawing and tracing use the posed vertices.
    EXPECT_EQ(m.vertices().data(), m.posed_vertices.data());

    // A blend whose lower frame lacks bone 1 takes it from the upper frame.
    const std::vector<mesh_vertex> single = m.posed_vertices;
    geometry_mesh_pose_bounds_blend(m, 1, 0, bind, {}, frame, split, {});
    EXPECT_FLOAT_EQ(m.posed_vertices[3].y, single[3].y);
}

}  // namespace
}  // namespace kv
