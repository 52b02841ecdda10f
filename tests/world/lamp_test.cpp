#include "world/lamp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/texture.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/support/call_log.h"
#include "tests/world/world_test_support.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/sector.h"

namespace kv {
namespace {

tools::transform_block moved_to(float x, float y, float z) {
    tools::transform_block t;
    t.translation = {x, y, z};
    return t;
}

// A square portal across the z axis at that depth.
std::array<vec3, 4> gate(float z) {
    return {{{-10.0f, -10.0f, z}, {10.0f, -10.0f, z}, {10.0f, 10.0f, z}, {-10.0f, 10.0f, z}}};
}

// The camera at `at` looking along `forward` (a unit axis); its first row is any axis across it.
mat4 camera(const vec3& at, const vec3& forward, const vec3& across) {
    mat4 m;
    const vec3 up = vec3_cross(forward, across);
    mat4_set_row0(m, across.x, across.y, across.z);
    mat4_set_row1(m, up.x, up.y, up.z);
    mat4_set_row2(m, forward.x, forward.y, forward.z);
    mat4_set_row3(m, at.x, at.y, at.z);
    return m;
}

// Sector "hall" (the camera's) with a crate ahead of the camera and two portals, both ahead and
// both into sector "room", which holds a block far ahead, a block off to the side, a block
// straight below the camera and a block ahead that gets broken.
class lamp_test : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        test_state_reset();
        lamp_clear_lit();
        textures_ = std::make_unique<scoped_texture_data>(srv_.data_dir);
        write_plain_textures(folder_, "data/", {"lamp"});

        tools::package_writer w;
        auto& q = w.qxps();
        w.add_surface("s-wall");
        // A 4 x 4 x 4 block of one mesh with a box tree of two leaves.
        tools::mesh_desc block = test_mesh(4);
        block.box = test_box(-2.0f, 2.0f);
        block.tree = {{test_box(-2.0f, 0.0f), 2, 0}, {test_box(0.0f, 2.0f), 2, 2}};
        for (const char* name : {"crate", "far", "side", "below", "glass"})
            tools::add_geometry(w, {name, test_box(-2.0f, 2.0f), {tools::add_mesh(q, block)}, {}});

        tools::sector_desc hall;
        hall.name = "hall";
        hall.meshes = {
            tools::add_mesh_instance(q, {moved_to(0.0f, 0.0f, 30.0f), "crate", "s-wall", "wood20", 0})};
        hall.portals = {tools::add_portal(q, {"room", gate(50.0f)}),
                        tools::add_portal(q, {"room", gate(60.0f)})};
        tools::add_sector(w, hall);

        tools::sector_desc room;
        room.name = "room";
        room.meshes = {
            tools::add_mesh_instance(q, {moved_to(0.0f, 0.0f, 200.0f), "far", "s-wall", "wood20", 0}),
            tools::add_mesh_instance(q, {moved_to(300.0f, 0.0f, 200.0f), "side", "s-wall", "wood20", 1}),
            tools::add_mesh_instance(q, {moved_to(0.0f, -100.0f, 0.0f), "below", "s-wall", "wood20", 2}),
            tools::add_mesh_instance(q, {moved_to(0.0f, 0.0f, 100.0f), "glass", "s-wall", "wood20", 3})};
        tools::add_sector(w, room);
        write_package("level", w);
        ASSERT_TRUE(load_package(srv_, "level", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        package* level = find("level");
        ASSERT_NE(level, nullptr);
        hall_ = level->sectors.items[0];
        room_ = level->sectors.items[1];
        for (const char* name : {"crate", "far", "side", "below", "glass"})
            for (geometry* g : level->geometries.items)
                if (g->name == name) meshes_.push_back(g->meshes.items[0]);
        clear_log();
    }
    void TearDown() override {
        server_get().log_level = 0;
        lamp_clear_lit();
        test_state_reset();
        textures_.reset();
        world_test::TearDown();
    }

    std::unique_ptr<scoped_texture_data> textures_;

    std::vector<mesh*> lit() const {
        std::vector<mesh*> out;
        for (std::size_t i = 0; i < lamp_lit_count(); ++i) {
            EXPECT_EQ(lamp_lit_entry(i).lit_mesh->lit_index, static_cast<int32_t>(i));
            out.push_back(lamp_lit_entry(i).lit_mesh);
        }
        return out;
    }

    lamp lamp_{kCameraLampAngle, kCameraLampRange, kCameraLampName};
    sector* hall_ = nullptr;
    sector* room_ = nullptr;
    std::vector<mesh*> meshes_;  // crate, far, side, below, glass
};

TEST_F(lamp_test, TwoPortalsIntoOneSectorListEachLitMeshOnce) {
    mesh_break(*meshes_[4]);
    lamp_update(lamp_, hall_, camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(lit(), (std::vector<mesh*>{meshes_[0], meshes_[1]}));
    for (std::size_t i = 0; i < lamp_lit_count(); ++i) EXPECT_EQ(lamp_lit_entry(i).source, &lamp_);
    EXPECT_EQ(meshes_[2]->lit_index, -1);
    EXPECT_EQ(meshes_[4]->lit_index, -1);
    EXPECT_EQ(lamp_.position.z, 0.0f);
    EXPECT_EQ(lamp_.direction.z, 1.0f);
    EXPECT_EQ(log(), "");  // no diagnostics unless asked for

    // Once repaired the mesh is lit too; the list starts afresh each frame.
    mesh_repair(*meshes_[4]);
    lamp_frame(lamp_, true, hall_, camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(lit(), (std::vector<mesh*>{meshes_[0], meshes_[1], meshes_[4]}));
}

TEST_F(lamp_test, APortalOutsideTheVolumeIsNotFollowed) {
    // Looking back along -z: the crate and both portals are behind the lamp.
    lamp_update(lamp_, hall_, camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(lit().empty());
    // From the room itself the side block is ahead when looking along +x from its left.
    lamp_update(lamp_, room_, camera({100.0f, 0.0f, 200.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(lit(), (std::vector<mesh*>{meshes_[2]}));
}

TEST_F(lamp_test, ALampPointingStraightDownUsesTheOtherSideAxis) {
    lamp_update(lamp_, room_, camera({0.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(lit(), (std::vector<mesh*>{meshes_[3]}));
    // Side axis (-dy, dx, 0) = (1, 0, 0): a point below lies straight ahead in lamp space.
    const vec3 below = mat4_transform_point(lamp_.view, {3.0f, -100.0f, 0.0f});
    EXPECT_NEAR(below.x, 3.0f, 1e-4f);
    EXPECT_NEAR(below.y, 0.0f, 1e-4f);
    EXPECT_NEAR(below.z, 100.0f, 1e-4f);
}

TEST_F(lamp_test, FramesEmptyTheListEvenWithTheLampOffAndLoadTheTextureOnce) {
    const mat4 ahead = camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f});
    lamp_frame(lamp_, true, hall_, ahead);
    ASSERT_FALSE(lit().empty());
    ASSERT_NE(lamp_.tex, nullptr);
    EXPECT_EQ(lamp_.tex->name, "lamp");
    EXPECT_TRUE(texture_is_loaded(*lamp_.tex));
    const texture* loaded = lamp_.tex.get();
    lamp_frame(lamp_, true, hall_, ahead);
    lamp_frame(lamp_, false, hall_, ahead);
    EXPECT_TRUE(lit().empty());
    for (mesh* m : meshes_) EXPECT_EQ(m->lit_index, -1);
    EXPECT_EQ(lamp_.tex.get(), loaded);
    EXPECT_FALSE(lamp_load_texture(lamp_));
    lamp_free_texture(lamp_);
    EXPECT_TRUE(lamp_load_texture(lamp_));
}

TEST_F(lamp_test, AMeshDestroyedWhileListedLeavesTheList) {
    auto m = mesh_copy(*meshes_[0]);
    ASSERT_TRUE(lamp_lit_push(lamp_, *m));
    EXPECT_FALSE(lamp_lit_push(lamp_, *m));
    m.reset();
    ASSERT_EQ(lamp_lit_count(), 1u);
    EXPECT_EQ(lamp_lit_entry(0).lit_mesh, nullptr);
    lamp_clear_lit();
    EXPECT_EQ(lamp_lit_count(), 0u);
}

TEST_F(lamp_test, DiagnosticLinesOnlyWithALogLevel) {
    const mat4 ahead = camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f});
    std::vector<lamp_uv> coords;
    for (int frame = 0; frame < 3; ++frame) {
        lamp_frame(lamp_, true, hall_, ahead);
        for (std::size_t i = 0; i < lamp_lit_count(); ++i) {
            mesh& m = *lamp_lit_entry(i).lit_mesh;
            lamp_face_intersect(lamp_, m.parts[0], m.vertices(), coords);
        }
    }
    EXPECT_EQ(log(), "");

    server_get().log_level = 1;
    lamp_update(lamp_, hall_, ahead);
    EXPECT_EQ(log(),
              "---\n[lamp] lamp  pos:    0.000000    0.000000    0.000000\n"
              "[lamp] lamp  dir:    0.000000    0.000000    1.000000\n");
    clear_log();
    lamp_face_intersect(lamp_, meshes_[0]->parts[0], meshes_[0]->vertices(), coords);
    const std::string text = log();
    EXPECT_EQ(text.rfind("[lamp] plane pos:    0.000000    0.000000   10.000000\n"
                         "[lamp] plane nrm: ",
                         0),
              0u)
        << text;
    EXPECT_TRUE(text.ends_with("***\n")) << text;
}

// Faces for the intersection: the lamp at the origin looking along +z, its image plane at z = 10.
TEST(lamp_face_intersect_test, EveryFaceInFrontOfTheImagePlaneGetsItsCoordinates) {
    lamp l(kCameraLampAngle, kCameraLampRange, kCameraLampName);
    lamp_update(l, nullptr, camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f}));
    std::vector<mesh_vertex> v(8);
    const float positions[8][3] = {{5, 0, 20},  {0, 5, 20}, {0, 0, 20},     {-5, 0, 20},
                                   {0, -5, 20}, {0, 0, 5},  {0, 0, 10.05f}, {9, 9, 9}};
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i].x = positions[i][0];
        v[i].y = positions[i][1];
        v[i].z = positions[i][2];
    }
    mesh_part part;
    // Lit, lit, half behind the plane (shares vertex 2 with the lit faces), too close to the plane.
    part.indices = {0, 1, 2, 2, 3, 4, 2, 5, 0, 3, 6, 4};
    std::vector<lamp_uv> coords;
    lamp_face_intersect(l, part, v, coords);

    ASSERT_EQ(coords.size(), 8u);
    // (5, 0, 20) meets the plane at (2.5, 0, 10): u = 0.2 x -2.5 + 0.5.
    const lamp_uv expected[8] = {{0.0f, 0.5f}, {0.5f, 0.0f}, {0.5f, 0.5f}, {1.0f, 0.5f},
                                 {0.5f, 1.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}};
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(coords[i].u, expected[i].u, 1e-5f);
        EXPECT_NEAR(coords[i].v, expected[i].v, 1e-5f);
    }
    EXPECT_NEAR(l.plane_origin.z, 10.0f, 1e-5f);
    EXPECT_NEAR(l.image_plane.normal.z, 1.0f, 1e-5f);
}

}  // namespace
}  // namespace kv
