#include "world/trace.h"

#include <gtest/gtest.h>

#include "tests/world/trace_world_support.h"
#include "world/hit_map.h"
#include "world/surface_table.h"

namespace kv {
namespace {

class Trace : public trace_world {
protected:
    void TearDown() override {
        hit_maps() = {};
        trace_world::TearDown();
    }

    void shoot(const vec3& start, const vec3& direction, uint8_t players = 1, uint8_t stop = 0,
               sector* from = nullptr) {
        trace_ray(t_, from ? from : hall_, start, direction, 1000.0f * 1000.0f, players, 1, 1, stop);
    }

    trace t_;
};

// Through the doorway into the room: the water, the player's body, then the wall behind him; the
// shoot quad is never reported, the player appears once although the ray crosses two sectors.
TEST_F(Trace, ShotThroughDoorwayHitsPlayerOnceBeforeWallWithZoneFromHitMap) {
    write_hit_map();
    ASSERT_EQ(server_load_hit_maps(srv_), 1);
    add_player(5, {150.0f, 0.0f, 0.0f}, room_);
    shoot({0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f});

    ASSERT_EQ(t_.hits.size(), 4u);
    EXPECT_FLOAT_EQ(t_.direction.x, 1.0f);
    const surface_table& table = kernel_get().surfaces;
    EXPECT_EQ(t_.hits[0].material, surface_table_get(table, "water1"));
    EXPECT_EQ(t_.hits[1].material, surface_table_get(table, "reed"));
    const trace_hit& body = t_.hits[2];
    EXPECT_EQ(body.player_id, 5);
    EXPECT_FLOAT_EQ(body.hit.point.x, 150.0f);
    // First vertex (0.5 + draw id 1, 0.25) on a 4 x 4 map: column 2, row 1.
    EXPECT_EQ(body.hit.value, 10 + 4 * 1 + 2);
    EXPECT_EQ(body.material, nullptr);
    EXPECT_EQ(body.surf, nullptr);
    EXPECT_EQ(t_.hits[3].material, surface_table_get(table, "metal1"));
    EXPECT_EQ(t_.hits[3].player_id, -1);
    EXPECT_FLOAT_EQ(t_.hits[3].hit.distance_sq, 200.0f * 200.0f);
    EXPECT_FALSE(trace_is_clear(t_));
}

// A ray falling through the body meets its horizontal face (x = 140) before the vertical one
// (x = 150), though the mesh lists the vertical face first: the hit is where the ray enters.
TEST_F(Trace, ABodyHitIsTheNearestFaceOfTheBody) {
    add_player(5, {150.0f, 0.0f, 0.0f}, room_);
    shoot({90.0f, 5.0f, 0.0f}, {1.0f, -0.1f, 0.0f});
    const trace_hit* body = nullptr;
    for (const trace_hit& h : t_.hits) {
        if (h.player_id == 5) body = &h;
    }
    ASSERT_NE(body, nullptr);
    EXPECT_NEAR(body->hit.point.x, 140.0f, 1e-3f);
    EXPECT_NEAR(body->hit.point.y, 0.0f, 1e-3f);
}

TEST_F(Trace, PlayerOutsideTheCrossedSectorsIsFoundAndHisSectorWalked) {
    // Start in the room: the hall is not crossed, but the player stands there (before the reed).
    add_player(5, {65.0f, 0.0f, 0.0f}, hall_);
    shoot({300.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, 1, 0, room_);
    std::vector<int32_t> ids;
    for (const trace_hit& h : t_.hits) ids.push_back(h.player_id);
    // The wall faces -x but the line meets it both ways; then the reed, the body, the water.
    EXPECT_EQ(ids, (std::vector<int32_t>{-1, -1, 5, -1}));
}

TEST_F(Trace, EmptyHitMapGivesZoneZeroAndPlayerTestNeedsBodyAndCreatesNoEntity) {
    add_player(5, {150.0f, 0.0f, 0.0f}, room_);
    // Players without a body, a model or an entity are passed over.
    add_player(6, {120.0f, 0.0f, 0.0f}, room_)->model_root = nullptr;
    srv_.players.emplace_back(7);
    player_record_set(srv_.players.back(), "x", 0, 0, 0, 0, kSlotPlaying);
    const std::size_t entities = srv_.entities.size();
    server_entity_deselect(srv_);

    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
    ASSERT_EQ(t_.hits.size(), 4u);
    EXPECT_EQ(t_.hits[2].player_id, 5);
    EXPECT_EQ(t_.hits[2].hit.value, 0);
    EXPECT_EQ(srv_.entities.size(), entities);
    EXPECT_EQ(server_entity_current(srv_), nullptr);
}

TEST_F(Trace, VerticalRayHitsPlayerAndZeroDirectionGivesNothing) {
    add_player(5, {150.0f, 0.0f, 0.0f}, room_);
    shoot({150.0f, 500.0f, 5.0f}, {0.0f, -1.0f, 0.0f}, 1, 0, room_);
    ASSERT_EQ(t_.hits.size(), 1u);
    EXPECT_EQ(t_.hits[0].player_id, 5);
    EXPECT_FLOAT_EQ(t_.hits[0].hit.point.y, 0.0f);

    shoot({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    EXPECT_TRUE(t_.hits.empty());
}

TEST_F(Trace, PlayerBehindTheStartIsNeverHit) {
    add_player(5, {-30.0f, 0.0f, 0.0f}, hall_);
    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
    for (const trace_hit& h : t_.hits) EXPECT_EQ(h.player_id, -1);
}

// A ray starting beside a body, its root 56 degrees off the ray, crosses the body's face 10 units
// on: the body is hit there, whichever way the root lies.
TEST_F(Trace, BodyBesideTheStartIsHitWhereTheRayCrossesIt) {
    add_player(5, {0.0f, 0.0f, 0.0f}, hall_);
    for (const float side : {-15.0f, 15.0f}) {
        trace_ray(t_, hall_, vec3{-10.0f, 0.0f, side}, vec3{1.0f, 0.0f, 0.0f}, 39.0f * 39.0f, 1, 1, 1, 0);
        ASSERT_EQ(t_.hits.size(), 1u) << side;
        EXPECT_EQ(t_.hits[0].player_id, 5);
        EXPECT_FLOAT_EQ(t_.hits[0].hit.distance_sq, 100.0f);
    }
}

TEST_F(Trace, StopAtFirstHoldsOneHitAndEveryTraceClearsTheCurrentMaterial) {
    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0, 1);
    EXPECT_EQ(t_.hits.size(), 1u);
    EXPECT_NE(t_.material, nullptr);
    // A trace that walks nothing keeps no material from the last one.
    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0, 0, room_);
    trace_ray(t_, hall_, vec3{0, 0, 0}, vec3{1, 0, 0}, 100.0f, 0, 1, 0, 0);
    EXPECT_EQ(t_.material, nullptr);
    EXPECT_EQ(t_.surf, nullptr);
    EXPECT_TRUE(t_.hits.empty());
    EXPECT_TRUE(trace_is_clear(t_));
}

TEST_F(Trace, WaterAndFoliageOnlyAreClear) {
    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0, 0);
    ASSERT_EQ(t_.hits.size(), 3u);
    t_.hits.pop_back();
    EXPECT_TRUE(trace_is_clear(t_));
}

TEST_F(Trace, BrokenMeshIsSkipped) {
    mesh* wall = room_->meshes.items[0]->geom->meshes.items[0];
    mesh_break(*wall);
    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0, 0);
    EXPECT_EQ(t_.hits.size(), 2u);
    mesh_repair(*wall);
}

TEST_F(Trace, CountsTheWorldQuery) {
    const int32_t before = srv_.traces_this_second;
    shoot({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0, 0);
    EXPECT_EQ(srv_.traces_this_second, before + 1);
}

}  // namespace
}  // namespace kv
