#include "util/plane.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

plane ground() {
    plane pl;
    plane_init(pl, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    return pl;
}

TEST(Plane, MadeFromThreePoints) {
    const plane pl = ground();
    EXPECT_EQ(pl.normal.x, 0.0f);
    EXPECT_EQ(pl.normal.y, 0.0f);
    EXPECT_EQ(pl.normal.z, 1.0f);
    EXPECT_EQ(pl.d, 0.0f);

    plane raised;
    plane_set(raised, {0.0f, 0.0f, 5.0f}, {0.0f, 3.0f, 5.0f},
              {3.0f, 0.0f, 5.0f});  // clockwise seen from above
    EXPECT_FLOAT_EQ(raised.normal.z, -1.0f);
    EXPECT_FLOAT_EQ(raised.d, 5.0f);
    EXPECT_EQ(plane_side(raised, {0.0f, 0.0f, 0.0f}), 1);
}

TEST(Plane, SideTestTolerance) {
    const plane pl = ground();
    struct Case {
        float z;
        int side;
    };
    const Case cases[] = {{0.0f, 0},      {0.00001f, 0}, {-0.00001f, 0}, {0.0001f, 1},
                          {-0.0001f, -1}, {3.0f, 1},     {-3.0f, -1}};
    for (const Case& c : cases) EXPECT_EQ(plane_side(pl, {7.0f, -2.0f, c.z}), c.side) << c.z;
}

TEST(Plane, ClassifiesBoxesByTheirCorners) {
    const plane pl = ground();
    struct Case {
        const char* name;
        box3 box;
        int result;
    };
    const Case cases[] = {
        {"lying in the plane", {{-1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}}, -1},
        {"in front", {{-1.0f, -1.0f, 1.0f}, {1.0f, 1.0f, 2.0f}}, 1},
        {"resting on the plane from the front", {{-1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 2.0f}}, 1},
        {"behind", {{-1.0f, -1.0f, -2.0f}, {1.0f, 1.0f, -1.0f}}, -1},
        {"straddling", {{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}}, 0},
        {"straddling within tolerance", {{-1.0f, -1.0f, -0.000005f}, {1.0f, 1.0f, 1.0f}}, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(plane_classify_box(pl, c.box), c.result) << c.name;
}

TEST(Plane, IntersectsTheWholeLine) {
    const plane pl = ground();
    float t = 0.0f;
    const vec3 hit = plane_intersect_line(pl, {1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f}, &t);
    EXPECT_FLOAT_EQ(t, -3.0f);  // behind the origin
    EXPECT_FLOAT_EQ(hit.x, 1.0f);
    EXPECT_FLOAT_EQ(hit.y, 2.0f);
    EXPECT_FLOAT_EQ(hit.z, 0.0f);

    const vec3 slanted = plane_intersect_line(pl, {0.0f, 0.0f, 2.0f}, {1.0f, 0.0f, -1.0f});
    EXPECT_FLOAT_EQ(slanted.x, 2.0f);
    EXPECT_FLOAT_EQ(slanted.z, 0.0f);
}

TEST(Plane, ParallelLineAndDegeneratePlaneStayFinite) {
    float t = 5.0f;
    const vec3 parallel = plane_intersect_line(ground(), {1.0f, 2.0f, 3.0f}, {1.0f, 0.0f, 0.0f}, &t);
    EXPECT_EQ(t, 0.0f);
    EXPECT_EQ(parallel.x, 1.0f);
    EXPECT_EQ(parallel.z, 3.0f);

    plane line;
    plane_init(line, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f});
    EXPECT_FALSE(std::isnan(line.normal.x) || std::isnan(line.d));
    EXPECT_EQ(plane_side(line, {5.0f, -3.0f, 1.0f}), 0);
    const vec3 hit = plane_intersect_line(line, {1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f});
    EXPECT_FALSE(std::isnan(hit.x) || std::isnan(hit.y) || std::isnan(hit.z));
}

TEST(Plane, DistanceSnapsNearPointsToZero) {
    const plane pl = ground();
    struct Case {
        float z;
        float distance;
    };
    const Case cases[] = {{0.005f, 0.0f},   {-0.009f, 0.0f}, {0.01f, 0.01f},
                          {-0.01f, -0.01f}, {0.5f, 0.5f},    {-2.0f, -2.0f}};
    for (const Case& c : cases) EXPECT_EQ(plane_distance(pl, {3.0f, 4.0f, c.z}), c.distance) << c.z;
}

}  // namespace
}  // namespace kv
