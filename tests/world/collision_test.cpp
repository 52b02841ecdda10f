#include "world/collision.h"

#include <gtest/gtest.h>

#include "tests/world/trace_world_support.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

// The written level: water at x = 60, reed at x = 70 (both pass), the wall at x = 200 behind the
// portal at x = 100, a shoot quad at x = 50 (solid for movers).
class Collision : public trace_world {
protected:
    vec3 move(const box3& box, const vec3& from, const vec3& motion, sector* in,
              std::vector<const surface_material*>* touched = nullptr) {
        mat4 placement;
        mat4_set_translation(placement, from.x, from.y, from.z);
        collision_sweep sweep;
        collision_sweep_init(sweep, in, box, placement);
        vec3 out;
        const vec3& result = collision_sweep_move(sweep, out, motion, 0.6f, touched);
        EXPECT_EQ(&result, &out);
        return out;
    }

    box3 soldier_ = [] {
        box3 b;
        box3_init(b, {-30.0f, -90.0f, -30.0f}, {30.0f, 90.0f, 30.0f});
        return b;
    }();
};

TEST_F(Collision, HeadOnStopsShortOfTheWallAndWaterAndFoliageAreReportedNotBlocking) {
    // In the room, from x = 120 towards the wall at 200: stops 30 + 0.025 x 30 units before it.
    std::vector<const surface_material*> touched;
    vec3 end = move(soldier_, {120.0f, 0.0f, 0.0f}, {150.0f, 0.0f, 0.0f}, room_, &touched);
    EXPECT_NEAR(end.x, 200.0f - 30.0f - 0.75f, 1e-3f);
    EXPECT_FLOAT_EQ(end.z, 0.0f);
    ASSERT_EQ(touched.size(), 1u);
    EXPECT_EQ(touched[0], surface_table_get(kernel_get().surfaces, "metal1"));

    // In the hall the shoot quad at x = 50 is solid for movers.
    end = move(soldier_, {0.0f, 0.0f, 0.0f}, {30.0f, 0.0f, 0.0f}, hall_);
    EXPECT_NEAR(end.x, 50.0f - 30.0f - 0.75f, 1e-3f);
}

TEST_F(Collision, WaterAndFoliageInReachAreEachReportedOnce) {
    mesh_instance* shoot = hall_->meshes.items[0];
    mesh_break(*shoot->geom->meshes.items[0]);
    std::vector<const surface_material*> touched;
    const vec3 end = move(soldier_, {0.0f, 0.0f, 0.0f}, {60.0f, 0.0f, 0.0f}, hall_, &touched);
    EXPECT_NEAR(end.x, 60.0f, 1e-3f);
    const surface_table& table = kernel_get().surfaces;
    EXPECT_EQ(touched, (std::vector<const surface_material*>{surface_table_get(table, "water1"),
                                                             surface_table_get(table, "reed")}));
    mesh_repair(*shoot->geom->meshes.items[0]);
}

TEST_F(Collision, GlancingMoveSlidesAlongTheWallShortenedBySlideFactor) {
    const vec3 end = move(soldier_, {150.0f, 0.0f, 0.0f}, {60.0f, 0.0f, 60.0f}, room_);
    EXPECT_NEAR(end.x, 200.0f - 30.0f - 0.75f, 0.5f);
    EXPECT_GT(end.z, 10.0f);
    EXPECT_LT(end.z, 60.0f);
}

TEST_F(Collision, NarrowBoxCollidesAtTheMinimumWidth) {
    box3 narrow;
    box3_init(narrow, {-10.0f, -90.0f, -10.0f}, {10.0f, 90.0f, 10.0f});
    const vec3 end = move(narrow, {120.0f, 0.0f, 0.0f}, {150.0f, 0.0f, 0.0f}, room_);
    EXPECT_NEAR(end.x, 200.0f - 30.0f - 0.75f, 1e-3f);
}

TEST_F(Collision, MoverStartingInsideASurfaceIsPushedBack) {
    // 10 units into the wall's reach: pushed back along the motion by (t - 0.025) solver units.
    const vec3 end = move(soldier_, {180.0f, 0.0f, 0.0f}, {5.0f, 0.0f, 0.0f}, room_);
    EXPECT_LT(end.x, 180.0f);
}

TEST_F(Collision, FlatBoxAndMoverWithoutSectorStillMove) {
    box3 flat;
    box3_init(flat, {-30.0f, 0.0f, -30.0f}, {30.0f, 0.0f, 30.0f});
    vec3 end = move(flat, {120.0f, 0.0f, 0.0f}, {150.0f, 0.0f, 0.0f}, room_);
    EXPECT_TRUE(std::isfinite(end.x));
    EXPECT_NEAR(end.x, 200.0f - 30.0f - 0.75f, 1e-3f);
    end = move(soldier_, {1.0f, 2.0f, 3.0f}, {500.0f, 0.0f, 0.0f}, nullptr);
    EXPECT_FLOAT_EQ(end.x, 501.0f);
    EXPECT_FLOAT_EQ(end.y, 2.0f);
}

TEST_F(Collision, GeometryTwoPortalsAwayIsNeverConsidered) {
    // From the hall, the room's wall is one portal away and in reach: it stops the mover.
    mesh_break(*hall_->meshes.items[0]->geom->meshes.items[0]);
    const vec3 end = move(soldier_, {150.0f, 0.0f, 0.0f}, {100.0f, 0.0f, 0.0f}, hall_);
    EXPECT_NEAR(end.x, 200.0f - 30.0f - 0.75f, 1e-3f);
    mesh_repair(*hall_->meshes.items[0]->geom->meshes.items[0]);
}

TEST_F(Collision, ABrokenPortalInReachIsReportedOnceNotEveryMove) {
    hall_->portals.items[0]->target = "nowhere";
    clear_log();
    for (int i = 0; i < 3; ++i) move(soldier_, {80.0f, 0.0f, 0.0f}, {5.0f, 0.0f, 0.0f}, hall_);
    EXPECT_EQ(log(),
              "server: No sector `level:nowhere' found.\n"
              "server: *WARNING* Unknown sector or unloaded package in portal reference `nowhere'.\n");
}

// The solver's floor: a 60-unit box does not move while its motion is under 0.75 units. At the
// crawling speed (0.07 units a millisecond) a world frame must last 11 ms for the mover to move;
// at 1 ms frames (today's machines) it would never move. The world frame waits for that much time.
TEST_F(Collision, FloorFreezesSlowMoversBelowTheWorldFrameMinimum) {
    constexpr float kCrawlPerMs = 0.07f;
    int first_moving = 0;
    for (int ms = 1; ms <= 20 && first_moving == 0; ++ms) {
        const vec3 end =
            move(soldier_, {120.0f, 0.0f, 0.0f}, {kCrawlPerMs * static_cast<float>(ms), 0.0f, 0.0f}, room_);
        if (end.x > 120.0f) first_moving = ms;
    }
    EXPECT_EQ(first_moving, kWorldFrameMinMs);
    EXPECT_FALSE(world_frame_due(1));
    EXPECT_FALSE(world_frame_due(kWorldFrameMinMs - 1));
    EXPECT_TRUE(world_frame_due(kWorldFrameMinMs));
}

TEST_F(Collision, AdvancesTheVisitStampOncePerMove) {
    const uint16_t before = world_visit_stamp();
    move(soldier_, {120.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}, room_);
    EXPECT_EQ(world_visit_stamp(), static_cast<uint16_t>(before + 1));
}

}  // namespace
}  // namespace kv
