#include "world/mesh.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/package.h"
#include "tests/world/world_test_support.h"
#include "util/text.h"
#include "world/geometry.h"

namespace kv {
namespace {

box3 box_of(float lo, float hi) {
    box3 b;
    box3_init(b, {lo, lo, lo}, {hi, hi, hi});
    return b;
}

// A mesh of `vertex_count` vertices and a box tree of `node_count` nodes, node i (from 1) with the
// box (i, i + 1) and covering vertex i - 1 alone.
std::unique_ptr<mesh> tree_mesh(uint16_t vertex_count, int node_count) {
    auto m = std::make_unique<mesh>();
    m->vertex_count = vertex_count;
    m->rest_vertices.resize(vertex_count);
    m->box = box_of(-1.0f, 100.0f);
    for (int i = 1; i <= node_count; ++i) {
        mesh_tree_node node;
        node.box = box_of(static_cast<float>(i), static_cast<float>(i + 1));
        node.first_vertex = static_cast<uint16_t>(i - 1);
        node.vertex_count = 1;
        m->tree.push_back(node);
    }
    return m;
}

TEST(Mesh, BoxTreeNodesAndLeaves) {
    // No nodes: node 0 is a leaf over every vertex.
    auto bare = tree_mesh(5, 0);
    EXPECT_TRUE(mesh_box_is_leaf(*bare, 0));
    const mesh_tree_node whole = mesh_box_node(*bare, 0);
    EXPECT_EQ(whole.first_vertex, 0);
    EXPECT_EQ(whole.vertex_count, 5);
    EXPECT_EQ(whole.box.max.x, 100.0f);
    EXPECT_EQ(mesh_box_node(*bare, 7).vertex_count, 5);

    // Three nodes: node 1 has children 3 and 4; node 3 is at position 2, node 4 resolves to node 1.
    auto three = tree_mesh(5, 3);
    EXPECT_FALSE(mesh_box_is_leaf(*three, 0));
    EXPECT_FALSE(mesh_box_is_leaf(*three, 1));
    EXPECT_TRUE(mesh_box_is_leaf(*three, 2));
    EXPECT_TRUE(mesh_box_is_leaf(*three, 3));
    EXPECT_EQ(mesh_box_node(*three, 1).box.min.x, 1.0f);
    EXPECT_EQ(mesh_box_node(*three, 3).box.min.x, 3.0f);
    EXPECT_EQ(mesh_box_node(*three, 4).box.min.x, 1.0f);
    EXPECT_EQ(mesh_box_node(*three, 0).box.min.x, -1.0f);
    // Far beyond the array the search falls back to the whole mesh or an ancestor, never outside.
    for (int32_t i : {5, 6, 100, 65535, 2147483647}) {
        const mesh_tree_node node = mesh_box_node(*three, i);
        EXPECT_LE(node.first_vertex + node.vertex_count, 5) << i;
    }
    EXPECT_TRUE(mesh_box_is_leaf(*three, 2147483647));
}

TEST(Mesh, FindPartByLevel) {
    mesh m;
    m.parts.resize(2);
    m.parts[0].state = 100;
    m.parts[1].state = 0;
    EXPECT_EQ(mesh_find_part(m, 50), &m.parts[1]);
    EXPECT_EQ(mesh_find_part(m, 2147483647), &m.parts[0]);
    EXPECT_EQ(mesh_find_part(m, -1), nullptr);
}

TEST(Mesh, BreakAndRepair) {
    mesh m;
    m.parts.resize(2);
    EXPECT_FALSE(mesh_is_broken(m));
    m.parts[0].state = 0;
    EXPECT_FALSE(mesh_is_broken(m));
    mesh_break(m);
    EXPECT_TRUE(mesh_is_broken(m));
    EXPECT_EQ(m.parts[1].state, kMeshPartBroken);
    mesh_repair(m);
    EXPECT_FALSE(mesh_is_broken(m));
    EXPECT_EQ(m.parts[0].state, kMeshPartIntact);
}

TEST(Mesh, PrimitivesInRange) {
    mesh_part triangles;
    triangles.indices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};  // the last index is a partial primitive
    EXPECT_EQ(mesh_primitives_in_range(triangles, kMeshTriangles, 3, 4), (std::vector<uint32_t>{3}));
    EXPECT_EQ(mesh_primitives_in_range(triangles, kMeshTriangles, 2, 7), (std::vector<uint32_t>{0, 3, 6}));
    EXPECT_EQ(mesh_primitives_in_range(triangles, kMeshTriangles, 9, 10), (std::vector<uint32_t>{}));
    EXPECT_EQ(mesh_primitives_in_range(triangles, kMeshQuads, 4, 5), (std::vector<uint32_t>{4}));

    mesh_part polygons;
    // A triangle over 0..2, a quad over 3..6, a triangle over 7..9.
    polygons.indices = {3, 0, 1, 2, 4, 3, 4, 5, 6, 3, 7, 8, 9};
    for (int32_t kind : {kMeshPolygons, kMeshPolygonsAlt}) {
        EXPECT_EQ(mesh_primitives_in_range(polygons, kind, 6, 8), (std::vector<uint32_t>{5, 10}));
        EXPECT_EQ(mesh_primitives_in_range(polygons, kind, 0, 10), (std::vector<uint32_t>{1, 5, 10}));
    }
    // A damaged count that runs past the list ends the walk instead of reading beyond it.
    polygons.indices = {3, 0, 1, 2, 200, 3};
    EXPECT_EQ(mesh_primitives_in_range(polygons, kMeshPolygons, 0, 300), (std::vector<uint32_t>{1}));
}

TEST(Mesh, CreateAtRunTime) {
    const float vertices[] = {0, 0, 0, 0, 0, 4, 0, 0, 1, 0, 0, -2, 3, 0, 1, 1, 1, 1, 1, 1};
    const uint32_t indices[] = {0, 1, 2, 0x10002, 1, 3};
    auto triangles = mesh_create(kMeshTriangles, 4, vertices, 6, indices, 7, 100);
    ASSERT_NE(triangles, nullptr);
    EXPECT_EQ(triangles->id, 0u);
    EXPECT_EQ(triangles->tree.size(), 0u);
    EXPECT_EQ(triangles->box.min.y, -2.0f);
    EXPECT_EQ(triangles->box.max.x, 4.0f);
    EXPECT_EQ(triangles->box.max.z, 3.0f);
    EXPECT_EQ(triangles->rest_vertices[2].u, 0.0f);
    EXPECT_EQ(triangles->rest_vertices[3].v, 1.0f);
    ASSERT_EQ(triangles->parts.size(), 1u);
    EXPECT_EQ(triangles->parts[0].indices[3], 2);  // low 16 bits
    ASSERT_EQ(triangles->parts[0].draws.size(), 1u);
    const mesh_draw_record& draw = triangles->parts[0].draws[0];
    EXPECT_EQ(draw.primitive_count, 2);
    EXPECT_EQ(draw.draw_id, 7);
    EXPECT_EQ(draw.sort_key, 0x8007);
    EXPECT_EQ(draw.owner, triangles.get());

    auto quads = mesh_create(kMeshQuads, 4, vertices, 4, indices, 0xFFFF, 0);
    ASSERT_NE(quads, nullptr);
    EXPECT_EQ(quads->parts[0].draws[0].primitive_count, 1);
    EXPECT_EQ(quads->parts[0].draws[0].sort_key, 0x7FFF);
    EXPECT_TRUE(mesh_is_broken(*quads));

    const uint32_t outside[] = {0, 1, 4};
    EXPECT_EQ(mesh_create(kMeshTriangles, 4, vertices, 3, outside, 0, 100), nullptr);
    EXPECT_EQ(mesh_create(kMeshPolygons, 4, vertices, 3, indices, 0, 100), nullptr);
}

TEST(Mesh, CopiesAreIndependent) {
    auto skinned = std::make_unique<geometry_mesh>();
    skinned->id = 12;
    skinned->vertex_count = 3;
    skinned->rest_vertices.resize(3);
    skinned->posed_vertices.resize(3);
    skinned->bones = {0, 1, 2};
    skinned->parts.resize(1);
    skinned->parts[0].indices = {0, 1, 2};
    skinned->parts[0].draws.push_back({1, 0x8001, 1, 0, skinned.get()});
    skinned->tree.push_back({});
    skinned->lit_index = 4;

    std::unique_ptr<mesh> copy = mesh_copy(*skinned);
    auto* copied = dynamic_cast<geometry_mesh*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->id, 12u);
    EXPECT_EQ(copied->bones, skinned->bones);
    EXPECT_EQ(copied->parts[0].draws[0].owner, copied);
    EXPECT_EQ(copied->lit_index, -1);
    EXPECT_EQ(copied->vertices().data(), copied->posed_vertices.data());
    copied->parts[0].indices[0] = 2;
    mesh_break(*copied);
    EXPECT_EQ(skinned->parts[0].indices[0], 0);
    EXPECT_FALSE(mesh_is_broken(*skinned));
    EXPECT_TRUE(mesh_check(*copied).empty());
}

TEST(Mesh, CheckFindsDamage) {
    auto make = [] {
        auto m = std::make_unique<mesh>();
        m->vertex_count = 4;
        m->rest_vertices.resize(4);
        m->parts.resize(1);
        m->parts[0].indices = {0, 1, 2, 1, 2, 3};
        m->parts[0].draws.push_back({0, 0x8000, 2, 0, m.get()});
        m->tree.push_back({{}, 4, 0});
        return m;
    };
    EXPECT_EQ(mesh_check(*make()), "");

    struct Case {
        const char* what;
        void (*damage)(mesh&);
    };
    const Case cases[] = {
        {"index past the vertices", [](mesh& m) { m.parts[0].indices[5] = 4; }},
        {"draw run past the indices", [](mesh& m) { m.parts[0].draws[0].primitive_count = 3; }},
        {"draw start past the indices", [](mesh& m) { m.parts[0].draws[0].first_index = 7; }},
        {"node range past the vertices", [](mesh& m) { m.tree[0].first_vertex = 1; }},
        {"unknown primitive kind", [](mesh& m) { m.primitive_kind = 4; }},
        {"polygon count past the indices",
         [](mesh& m) {
             m.primitive_kind = kMeshPolygons;
             m.parts[0].indices = {3, 0, 1, 2, 3, 1, 2};
             m.parts[0].draws[0].primitive_count = 1;
         }},
        {"polygon draw run not on a polygon",
         [](mesh& m) {
             m.primitive_kind = kMeshPolygons;
             m.parts[0].indices = {3, 0, 1, 2, 3, 1, 2, 3};
             m.parts[0].draws[0] = {0, 0x8000, 1, 2, &m};
         }},
        {"polygon draw run too long",
         [](mesh& m) {
             m.primitive_kind = kMeshPolygons;
             m.parts[0].indices = {3, 0, 1, 2, 3, 1, 2, 3};
             m.parts[0].draws[0] = {0, 0x8000, 3, 0, &m};
         }},
    };
    for (const Case& c : cases) {
        auto m = make();
        c.damage(*m);
        EXPECT_NE(mesh_check(*m), "") << c.what;
    }
    auto polygons = make();
    polygons->primitive_kind = kMeshPolygons;
    polygons->parts[0].indices = {3, 0, 1, 2, 3, 1, 2, 3};
    polygons->parts[0].draws[0] = {0, 0x8000, 1, 4, polygons.get()};
    EXPECT_EQ(mesh_check(*polygons), "");
}

TEST(Geometry, BoundsCopyAndLookup) {
    geometry g;
    g.name = "g";
    g.box = box_of(0.0f, 1.0f);
    auto rigid = std::make_unique<mesh>();
    rigid->id = 5;
    rigid->box = box_of(-3.0f, 0.5f);
    object_table_add_owned(g.meshes, std::move(rigid));
    // Rigid meshes only: the box as read, whatever the meshes' boxes are.
    EXPECT_EQ(geometry_bounds(g).min.x, 0.0f);
    EXPECT_EQ(geometry_find_mesh(g, 5), g.meshes.items[0]);
    EXPECT_EQ(geometry_find_mesh(g, 6), nullptr);

    auto skinned = std::make_unique<geometry_mesh>();
    skinned->box = box_of(2.0f, 9.0f);
    object_table_add_owned(g.skinned, std::move(skinned));
    const box3 grown = geometry_bounds(g);
    EXPECT_EQ(grown.min.x, -3.0f);
    EXPECT_EQ(grown.max.x, 9.0f);

    auto copy = geometry_copy(g);
    EXPECT_EQ(copy->name, "g");
    ASSERT_EQ(copy->meshes.items.size(), 1u);
    ASSERT_EQ(copy->skinned.items.size(), 1u);
    EXPECT_NE(copy->meshes.items[0], g.meshes.items[0]);
    EXPECT_NE(copy->skinned.items[0], g.skinned.items[0]);
    EXPECT_EQ(geometry_find_mesh(*copy, 5), copy->meshes.items[0]);
}

// Meshes read from packages.
class MeshRead : public world_test {
protected:
    // Writes a package whose one geometry "g" holds the mesh (skinned when it has bones) and loads
    // it; the geometry, or null when the load failed.
    geometry* load(const tools::mesh_desc& m) {
        srv_.packages.clear();
        clear_log();
        tools::package_writer w;
        const int32_t id =
            m.bones.empty() ? tools::add_mesh(w.qxps(), m) : tools::add_skinned_mesh(w.qxps(), m);
        std::vector<int32_t> rigid;
        std::vector<int32_t> skinned;
        (m.bones.empty() ? rigid : skinned).push_back(id);
        mesh_id_ = id;
        tools::add_geometry(w, {"g", test_box(0, 1), rigid, skinned});
        write_package("meshes", w);
        if (!load_package(srv_, "meshes", false)) return nullptr;
        return find("meshes")->geometries.items[0];
    }

    int32_t mesh_id_ = 0;
};

TEST_F(MeshRead, IndexWidthFollowsTheVertexCount) {
    for (int n : {3, 255, 256, 1000}) {
        SCOPED_TRACE(n);
        tools::mesh_desc shape = test_mesh(n);
        shape.tree.push_back({test_box(0, 1), 1, static_cast<uint16_t>(n - 1)});
        geometry* g = load(shape);
        ASSERT_NE(g, nullptr) << log();
        ASSERT_EQ(g->meshes.items.size(), 1u);
        const mesh& m = *g->meshes.items[0];
        EXPECT_EQ(m.id, static_cast<uint32_t>(mesh_id_));
        EXPECT_EQ(m.vertex_count, n);
        EXPECT_EQ(m.primitive_kind, kMeshTriangles);
        EXPECT_EQ(m.lit_index, -1);
        EXPECT_EQ(m.box.max.w, 0.0f);
        EXPECT_EQ(m.rest_vertices[static_cast<std::size_t>(n - 1)].x, static_cast<float>(n - 1));
        EXPECT_EQ(m.rest_vertices[1].u, 0.1f);
        EXPECT_EQ(m.rest_vertices[1].v, 0.5f);
        ASSERT_EQ(m.parts.size(), 1u);
        EXPECT_EQ(m.parts[0].indices.size(), static_cast<std::size_t>(3 * (n - 2)));
        EXPECT_EQ(m.parts[0].indices.back(), n - 1);
        ASSERT_EQ(m.parts[0].draws.size(), 1u);
        EXPECT_EQ(m.parts[0].draws[0].draw_id, 3);
        EXPECT_EQ(m.parts[0].draws[0].sort_key, 0x8003);
        EXPECT_EQ(m.parts[0].draws[0].owner, &m);
        ASSERT_EQ(m.tree.size(), 2u);
        EXPECT_EQ(m.tree[0].vertex_count, n);
        EXPECT_EQ(m.tree[1].first_vertex, n - 1);
    }
}

TEST_F(MeshRead, PartsWithLongCountsOrNoIndices) {
    tools::mesh_desc shape = test_mesh(4);
    shape.parts[0].long_count = true;
    shape.parts[0].state = 50;
    tools::mesh_desc::part empty;
    empty.state = -3;
    empty.long_count = true;
    empty.draws.push_back({9, 0, 0});
    shape.parts.push_back(empty);
    geometry* g = load(shape);
    ASSERT_NE(g, nullptr) << log();
    const mesh& m = *g->meshes.items[0];
    ASSERT_EQ(m.parts.size(), 2u);
    EXPECT_EQ(m.parts[0].state, 50);
    EXPECT_EQ(m.parts[0].indices.size(), 6u);
    EXPECT_EQ(m.parts[1].state, -3);
    EXPECT_TRUE(m.parts[1].indices.empty());
    ASSERT_EQ(m.parts[1].draws.size(), 1u);
    EXPECT_EQ(m.parts[1].draws[0].draw_id, 9);
}

TEST_F(MeshRead, SkinnedMeshesCarryBonesAndAPosedCopy) {
    tools::mesh_desc shape = test_mesh(5);
    shape.bones = {4, 3, 2, 1, 0};
    geometry* g = load(shape);
    ASSERT_NE(g, nullptr) << log();
    ASSERT_EQ(g->skinned.items.size(), 1u);
    geometry_mesh& m = *g->skinned.items[0];
    EXPECT_EQ(m.bones, shape.bones);
    ASSERT_EQ(m.posed_vertices.size(), 5u);
    EXPECT_EQ(m.vertices().data(), m.posed_vertices.data());
    EXPECT_EQ(m.vertices()[4].x, 4.0f);
}

TEST_F(MeshRead, DamagedMeshesAreRefused) {
    struct Case {
        const char* what;
        void (*damage)(tools::mesh_desc&);
        const char* message;
    };
    const Case cases[] = {
        {"vertex index", [](tools::mesh_desc& m) { m.parts[0].indices[4] = 9; },
         "part 0: vertex index 9 at 4 out of range"},
        {"draw run", [](tools::mesh_desc& m) { m.parts[0].draws[0].primitive_count = 3; },
         "part 0: draw record 0 (first index 0, 3 primitives) out of range"},
        {"node range", [](tools::mesh_desc& m) { m.tree[0].vertex_count = 5; },
         "box-tree node 1 covers vertices 0..5 of 4"},
        {"primitive kind", [](tools::mesh_desc& m) { m.primitive_kind = -1; }, "primitive kind -1 unknown"},
        {"polygon count",
         [](tools::mesh_desc& m) {
             m.primitive_kind = 0;
             m.parts[0].indices = {3, 0, 1, 2, 4, 1, 2, 3};
             m.parts[0].draws[0] = {0, 1, 0};
         },
         "part 0: polygon at index 4 runs past the index list"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tools::mesh_desc shape = test_mesh(4);
        c.damage(shape);
        EXPECT_EQ(load(shape), nullptr);
        EXPECT_NE(
            log().find(str_format("server: *ERROR* corrupt mesh (chunk %d): %s\n", mesh_id_, c.message)),
            std::string::npos)
            << log();
    }
}

// A run of polygons names its first polygon by the position of its count or of its first index;
// any other position is refused.
TEST_F(MeshRead, PolygonDrawRecordsStartAtACountOrTheIndexAfterIt) {
    const struct {
        uint16_t first_index;
        uint16_t primitive_count;
        bool accepted;
    } cases[] = {
        {0, 2, true},  {1, 2, true},  {4, 1, true},  {5, 1, true},  {8, 0, true},
        {5, 2, false}, {2, 1, false}, {3, 1, false}, {9, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "first index " << c.first_index << ", " << c.primitive_count);
        tools::mesh_desc shape = test_mesh(4);
        shape.primitive_kind = 0;
        shape.parts[0].indices = {3, 0, 1, 2, 3, 1, 2, 3};
        shape.parts[0].draws = {{7, c.primitive_count, c.first_index}};
        geometry* g = load(shape);
        EXPECT_EQ(g != nullptr, c.accepted) << log();
        if (g) {
            EXPECT_EQ(g->meshes.items[0]->parts[0].draws[0].first_index, c.first_index);
        } else {
            EXPECT_NE(log().find(str_format("draw record 0 (first index %u, %u primitives) out of range",
                                            c.first_index, c.primitive_count)),
                      std::string::npos)
                << log();
        }
    }
}

TEST_F(MeshRead, CountsBeyondTheChunkAreRefusedBeforeAllocating) {
    tools::package_writer w;
    tools::byte_writer bytes;
    tools::put_box(bytes, test_box(0, 1));
    tools::put_u16(bytes, 0);  // no vertices
    tools::put_u8(bytes, 2);   // triangles
    tools::put_u16(bytes, 1);  // one part
    tools::put_u8(bytes, 100);
    tools::put_u16(bytes, 0);
    tools::put_u32(bytes, 0xFFFFFFF0u);  // an index count no chunk can hold
    const int32_t id = w.qxps().add_chunk();
    w.qxps().data(id) = bytes;
    tools::add_geometry(w, {"g", test_box(0, 1), {id}, {}});
    write_package("meshes", w);
    EXPECT_FALSE(load_package(srv_, "meshes", false));
    EXPECT_NE(
        log().find(str_format("server: *ERROR* corrupt mesh (chunk %d): 4294967280 entries of 1 bytes", id)),
        std::string::npos)
        << log();
}

TEST_F(MeshRead, AChunkReadAsTwoKindsIsRefused) {
    tools::package_writer w;
    tools::mesh_desc shape = test_mesh(3);
    shape.bones = {0, 0, 0};
    const int32_t id = tools::add_skinned_mesh(w.qxps(), shape);
    tools::add_geometry(w, {"g", test_box(0, 1), {}, {id}});
    tools::add_geometry(w, {"h", test_box(0, 1), {id}, {}});
    write_package("meshes", w);
    EXPECT_FALSE(load_package(srv_, "meshes", false));
    EXPECT_NE(log().find("holds another kind of object"), std::string::npos) << log();
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST(Geometry, PackageFindsAMeshByItsChunkAcrossGeometries) {
    package p;
    for (uint32_t id : {7u, 9u}) {
        auto g = std::make_unique<geometry>();
        auto rigid = std::make_unique<mesh>();
        rigid->id = id;
        object_table_add_owned(g->meshes, std::move(rigid));
        object_table_add_owned(p.geometries, std::move(g));
    }
    EXPECT_EQ(package_find_geometry_item(p, 9), p.geometries.items[1]->meshes.items[0]);
    EXPECT_EQ(package_find_geometry_item(p, 7), p.geometries.items[0]->meshes.items[0]);
    EXPECT_EQ(package_find_geometry_item(p, 8), nullptr);
}

}  // namespace
}  // namespace kv
