#include "util/placement.h"

#include <gtest/gtest.h>

#include <array>
#include <numbers>
#include <vector>

namespace kv {
namespace {

// A sector of fixed portals that records which targets were asked for.
class test_sector : public placement_sector {
public:
    struct portal {
        std::array<vec3, 4> points;
        placement_sector* target = nullptr;
    };

    const mat4& world_transform() const override { return transform; }
    int portal_count() const override { return static_cast<int>(portals.size()); }
    std::span<const vec3, 4> portal_points(int i) const override { return portals.at(i).points; }
    placement_sector* portal_target(int i) override {
        asked.push_back(i);
        return portals.at(i).target;
    }

    mat4 transform;
    std::vector<portal> portals;
    std::vector<int> asked;
};

// A 2 x 2 door in the plane z = 0; its front faces +z. Reversed, the front faces -z.
constexpr std::array<vec3, 4> kDoor = {
    {{-1.0f, -1.0f, 0.0f}, {1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {-1.0f, 1.0f, 0.0f}}};
constexpr std::array<vec3, 4> kDoorReversed = {
    {{-1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {1.0f, -1.0f, 0.0f}, {-1.0f, -1.0f, 0.0f}}};

TEST(PlacementSector, PortalCrossingRules) {
    struct Case {
        const char* name;
        vec3 from;
        vec3 to;
        bool crossed;
    };
    const Case cases[] = {
        {"back to front through the middle", {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}, true},
        {"slanted through", {-2.0f, 0.5f, -1.0f}, {2.0f, 0.5f, 1.0f}, true},
        {"front to back (one-way)", {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, -1.0f}, false},
        {"through the plane beside the quad", {3.0f, 0.0f, -1.0f}, {3.0f, 0.0f, 1.0f}, false},
        {"slanted past the quad", {0.0f, -3.0f, -1.0f}, {0.0f, -1.0f, 1.0f}, false},
        {"from the plane to behind", {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, true},
        {"from the plane to the front", {0.5f, 0.5f, 0.0f}, {0.5f, 0.5f, 1.0f}, true},
        {"from behind onto the plane", {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 0.0f}, true},
        {"from the plane beside the quad", {5.0f, 5.0f, 0.0f}, {5.0f, 5.0f, -1.0f}, false},
        {"along the plane", {0.0f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.0f}, false},
        {"staying behind", {0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, -1.0f}, false},
        {"from within the side tolerance", {0.0f, 0.0f, -0.000005f}, {0.0f, 0.0f, -1.0f}, true},
        {"through an edge", {1.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 1.0f}, true},
        {"through a corner", {1.0f, 1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}, true},
        {"just beside an edge", {1.001f, 0.0f, -1.0f}, {1.001f, 0.0f, 1.0f}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(portal_crossed(kDoor, kMat4Identity, c.from, c.to), c.crossed) << c.name;
}

TEST(PlacementSector, PortalPointsGoThroughTheSectorTransform) {
    // The door turned a right angle about y (its front now faces -x) and moved to x = 10.
    mat4 transform;
    mat4_set_translation(transform, 10.0f, 0.0f, 0.0f);
    mat4_rotate_y(transform, std::numbers::pi_v<float> / 2.0f);
    EXPECT_TRUE(portal_crossed(kDoor, transform, {11.0f, 0.5f, 0.5f}, {9.0f, 0.5f, 0.5f}));
    EXPECT_FALSE(portal_crossed(kDoor, transform, {9.0f, 0.5f, 0.5f}, {11.0f, 0.5f, 0.5f}));
    EXPECT_FALSE(portal_crossed(kDoor, transform, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}));
    EXPECT_FALSE(portal_crossed(kDoor, transform, {11.0f, 0.5f, 1.5f}, {9.0f, 0.5f, 1.5f}));
}

TEST(PlacementSector, DegenerateQuadIsNeverCrossed) {
    const std::array<vec3, 4> sliver = {
        {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {3.0f, 0.0f, 0.0f}}};
    const std::array<vec3, 4> point = {};
    for (const auto& quad : {sliver, point}) {
        EXPECT_FALSE(portal_crossed(quad, kMat4Identity, {1.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 1.0f}));
        EXPECT_FALSE(portal_crossed(quad, kMat4Identity, {1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}));
    }
}

TEST(PlacementSector, PassesOnlyTheFirstCrossedPortal) {
    test_sector hall;
    test_sector first;
    test_sector second;
    const vec3 from{0.0f, 0.0f, -1.0f};
    const vec3 to{0.0f, 0.0f, 1.0f};

    // Nothing crossed: the sector itself, and no target is asked for.
    hall.portals = {{kDoorReversed, &first}};
    EXPECT_EQ(sector_pass_portals(hall, from, to), &hall);
    EXPECT_TRUE(hall.asked.empty());

    // Both crossed: the first in order wins.
    hall.portals = {{kDoorReversed, &first}, {kDoor, &second}, {kDoor, &first}};
    EXPECT_EQ(sector_pass_portals(hall, from, to), &second);
    EXPECT_EQ(hall.asked, std::vector<int>({1}));

    // The first crossed portal leads nowhere: stay, and try no later portal.
    hall.asked.clear();
    hall.portals = {{kDoor, nullptr}, {kDoor, &second}};
    EXPECT_EQ(sector_pass_portals(hall, from, to), &hall);
    EXPECT_EQ(hall.asked, std::vector<int>({0}));
}

TEST(Placement, StartsAsTheIdentityWithoutASector) {
    const placement pl;
    EXPECT_TRUE(mat4_is_identity(pl.transform));
    EXPECT_EQ(pl.sector, nullptr);
}

TEST(Placement, SetBuildsTheFrameFromItsAxes) {
    test_sector room;
    test_sector other;
    placement pl;
    pl.transform.m[3] = 4.0f;
    pl.transform.m[7] = 5.0f;
    pl.transform.m[11] = 6.0f;
    placement_set(pl, {1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, &room);
    const vec3 side = mat4_row0(pl.transform);
    EXPECT_EQ(side.x, 1.0f);
    EXPECT_EQ(side.y, 0.0f);
    EXPECT_EQ(side.z, 0.0f);
    EXPECT_EQ(mat4_row1(pl.transform).y, 1.0f);
    EXPECT_EQ(mat4_row2(pl.transform).z, 1.0f);
    EXPECT_EQ(mat4_row3(pl.transform).z, 3.0f);
    EXPECT_EQ(pl.transform.m[3], 4.0f);
    EXPECT_EQ(pl.transform.m[7], 5.0f);
    EXPECT_EQ(pl.transform.m[11], 6.0f);
    EXPECT_EQ(pl.transform.m[15], 1.0f);
    EXPECT_EQ(pl.sector, &room);

    placement_set(pl, {}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    EXPECT_EQ(pl.sector, &room);  // no sector given: kept
    EXPECT_EQ(mat4_row0(pl.transform).z, -1.0f);
    placement_set(pl, {}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, &other);
    EXPECT_EQ(pl.sector, &other);
}

TEST(Placement, InverseIsTheViewMatrix) {
    placement camera;
    placement_set(camera, {1.0f, 2.0f, 3.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    mat4 view;
    placement_inverse(view, camera);
    const vec3 eye = mat4_transform_point(view, {1.0f, 2.0f, 3.0f});
    EXPECT_NEAR(vec3_length(eye), 0.0f, 1e-6f);
    const vec3 ahead = mat4_transform_point(view, {6.0f, 2.0f, 3.0f});
    EXPECT_NEAR(ahead.x, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.z, 5.0f, 1e-6f);
    const vec3 above = mat4_transform_point(placement_inverse(camera), {1.0f, 4.0f, 3.0f});
    EXPECT_NEAR(above.y, 2.0f, 1e-6f);
}

TEST(Placement, MovesThroughPortals) {
    // Two rooms joined at z = 0: room a lies at z < 0, room b at z > 0, each with a door into the other.
    test_sector a;
    test_sector b;
    a.portals = {{kDoor, &b}};
    b.portals = {{kDoorReversed, &a}};

    placement walker;
    EXPECT_FALSE(placement_move(walker, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}));  // no sector
    EXPECT_EQ(walker.sector, nullptr);

    placement_set(walker, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, &a);
    EXPECT_FALSE(placement_move(walker, {0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(walker.sector, &a);
    EXPECT_FALSE(placement_move(walker, {3.0f, 0.0f, -1.0f}, {3.0f, 0.0f, 1.0f}));  // beside the door
    EXPECT_EQ(walker.sector, &a);

    EXPECT_TRUE(placement_move(walker, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(walker.sector, &b);
    EXPECT_FALSE(placement_move(walker, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 2.0f}));
    EXPECT_EQ(walker.sector, &b);
    EXPECT_TRUE(placement_move(walker, {0.0f, 0.5f, 1.0f}, {0.0f, 0.5f, -1.0f}));
    EXPECT_EQ(walker.sector, &a);

    // A door whose room is not loaded keeps the walker where it is.
    a.portals = {{kDoor, nullptr}};
    EXPECT_FALSE(placement_move(walker, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(walker.sector, &a);
}

}  // namespace
}  // namespace kv
