#include "world/world_query.h"

#include <gtest/gtest.h>

#include "tests/support/call_log.h"
#include "tests/world/trace_world_support.h"
#include "world/collision.h"
#include "world/lmap_binding.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

class WorldQuery : public trace_world {
protected:
    void TearDown() override {
        kernel_get().graphics.statistics.last_frame_ms = 10;
        test_state_reset();
        trace_world::TearDown();
    }

    box3 around(float x) {
        box3 b;
        box3_init(b, {x - 5.0f, -10.0f, -10.0f}, {x + 5.0f, 10.0f, 10.0f});
        return b;
    }

    mesh_instance* water() { return hall_->meshes.items[1]; }
    query_area_record record_;
};

TEST_F(WorldQuery, AreaFindsOverlappingMeshesButNotLimitThroughOrShootKinds) {
    query_area(record_, *hall_, around(60.0f));
    ASSERT_EQ(record_.hits.size(), 1u);
    EXPECT_EQ(record_.hits[0].material, surface_table_get(kernel_get().surfaces, "water1"));
    EXPECT_EQ(record_.hits[0].player_id, -1);
    query_area(record_, *hall_, around(50.0f));
    EXPECT_TRUE(record_.hits.empty());
}

TEST_F(WorldQuery, AreaComparesTheMeshBoxWhereItsInstancePutsIt) {
    // The geometry's box reaches the query box, the mesh placed by its instance does not; its own
    // untransformed box would.
    box3_init(water()->geom->box, {-1000.0f, -1000.0f, -1000.0f}, {1000.0f, 1000.0f, 1000.0f});
    mat4_set_translation(water()->transform, 0.0f, 0.0f, 500.0f);
    query_area(record_, *hall_, around(60.0f));
    EXPECT_TRUE(record_.hits.empty());
    query_area(record_, *hall_, [] {
        box3 b;
        box3_init(b, {55.0f, -10.0f, 490.0f}, {65.0f, 10.0f, 510.0f});
        return b;
    }());
    EXPECT_EQ(record_.hits.size(), 1u);
}

TEST_F(WorldQuery, AreaWithoutBudgetReturnsAnEmptyList) {
    // A frame that took no time (a dedicated server's) still leaves half the shortest world frame.
    kernel_get().graphics.statistics.last_frame_ms = 0;
    query_area(record_, *hall_, around(60.0f));
    ASSERT_EQ(record_.hits.size(), 1u);
    // Once this frame's traces and queries took that long, the next query is refused.
    timer_section_begin(srv_.trace_timer);
    clock_.advance_ms(kWorldFrameMinMs / 2);
    timer_section_end(srv_.trace_timer);
    const uint16_t stamp = world_visit_stamp();
    query_area(record_, *hall_, around(60.0f));
    EXPECT_TRUE(record_.hits.empty());
    EXPECT_EQ(world_visit_stamp(), stamp);
}

TEST_F(WorldQuery, VisitStampWrapsAndSkipsAnObjectStampedExactlyOneCycleEarlier) {
    world_visit_stamp_set(65535);
    EXPECT_EQ(world_visit_stamp_advance(), 0);
    // The next walk uses stamp 1: an instance that still carries 1 from 65,536 walks ago is skipped once.
    water()->visit_stamp = 1;
    query_area(record_, *hall_, around(60.0f));
    EXPECT_TRUE(record_.hits.empty());
    query_area(record_, *hall_, around(60.0f));
    EXPECT_EQ(record_.hits.size(), 1u);

    uint16_t object = 0xFFFF;
    EXPECT_TRUE(world_visit_mark(object));
    EXPECT_EQ(object, world_visit_stamp());
    EXPECT_FALSE(world_visit_mark(object));
}

TEST_F(WorldQuery, ObjectNumberingAddsSkippedObjectsAndMeshIndex) {
    object_numbering n;
    object_number_enter(n, 7);
    object_number_skip(n, 3);
    EXPECT_EQ(object_number_mesh(n, 2), 12u);
}

TEST_F(WorldQuery, LightSampleReadsTheBindingOfTheNearestFace) {
    float colour[4];
    // No bindings: white.
    lmap_sample_ray(colour, *hall_, vec3{0, 0, 0}, vec3{1, 0, 0});
    EXPECT_EQ(std::vector<float>(colour, colour + 4), (std::vector<float>{1, 1, 1, 0}));

    // The shoot quad (number 0) is nearest; binding 0's first vertex colour.
    auto binding = std::make_unique<lmap_binding>();
    binding->colours = {51, 102, 204, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    binding->textures.assign(4, nullptr);
    lmap_binding* b = object_table_add_owned(hall_->lmap_bindings, std::move(binding));
    lmap_sample_ray(colour, *hall_, vec3{0, 0, 0}, vec3{1, 0, 0});
    EXPECT_FLOAT_EQ(colour[0], 0.2f);
    EXPECT_FLOAT_EQ(colour[1], 0.4f);
    EXPECT_FLOAT_EQ(colour[2], 0.8f);
    EXPECT_FLOAT_EQ(colour[3], 0.0f);

    // With a light map the colour is scaled by its texel; a coordinate that comes out below 0 reads
    // the edge texel.
    // (A wrapped -0.01 would read the far corner, 255.)
    texture page;
    page.kind = kTextureLightMap;
    page.bytes_per_texel = 1;
    page.width = page.height = 2;
    page.pixels = {51, 255, 255, 255};
    b->textures[0] = &page;
    b->generation = lmap_registry_generation();
    b->coords.assign(4, lmap_uv{-0.01f, -0.01f});
    lmap_sample_ray(colour, *hall_, vec3{0, 0, 0}, vec3{1, 0, 0});
    EXPECT_FLOAT_EQ(colour[0], 0.2f * 0.2f);
    EXPECT_FLOAT_EQ(colour[2], 0.8f * 0.2f);
    // Once the registry was cleared (another world loading its level) the binding's textures are
    // stale: only the vertex colour is read.
    lmap_registry_clear();
    lmap_sample_ray(colour, *hall_, vec3{0, 0, 0}, vec3{1, 0, 0});
    EXPECT_FLOAT_EQ(colour[0], 0.2f);
    EXPECT_FLOAT_EQ(colour[2], 0.8f);
    b->textures[0] = nullptr;

    // Arrays too short for the face: white, nothing read past them.
    b->colours.resize(2);
    lmap_sample_ray(colour, *hall_, vec3{0, 0, 0}, vec3{1, 0, 0});
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    // Beyond 150 units nothing is hit.
    lmap_sample_ray(colour, *hall_, vec3{-200.0f, 0, 0}, vec3{1, 0, 0});
    EXPECT_FLOAT_EQ(colour[1], 1.0f);
}

}  // namespace
}  // namespace kv
