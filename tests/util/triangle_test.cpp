#include "util/triangle.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// A right triangle in the plane y = 1, and the same corners in the other order.
triangle forward_winding() {
    return triangle({0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 4.0f}, {4.0f, 1.0f, 0.0f});
}
triangle backward_winding() {
    return triangle({0.0f, 1.0f, 0.0f}, {4.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 4.0f});
}

TEST(Triangle, CarriesThePlaneOfItsCorners) {
    const triangle tri = forward_winding();
    EXPECT_FLOAT_EQ(tri.face_plane.normal.y, 1.0f);
    EXPECT_FLOAT_EQ(tri.face_plane.d, -1.0f);
    EXPECT_FLOAT_EQ(backward_winding().face_plane.normal.y, -1.0f);
}

TEST(Triangle, ContainsPointsWhicheverTheWinding) {
    struct Case {
        const char* name;
        vec3 point;
        bool inside;
    };
    const Case cases[] = {
        {"inside", {1.0f, 1.0f, 1.0f}, true},
        {"on the slanted edge", {2.0f, 1.0f, 2.0f}, true},
        {"on a corner", {4.0f, 1.0f, 0.0f}, true},
        {"just past the slanted edge", {2.001f, 1.0f, 2.0f}, false},
        {"outside on the other side", {-0.5f, 1.0f, 1.0f}, false},
    };
    for (const triangle& tri : {forward_winding(), backward_winding()}) {
        for (const Case& c : cases) EXPECT_EQ(triangle_contains_point(tri, c.point), c.inside) << c.name;
    }
    const triangle flat({0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {3.0f, 3.0f, 3.0f});
    EXPECT_FALSE(triangle_contains_point(flat, {1.0f, 1.0f, 1.0f}));
    EXPECT_FALSE(triangle_contains_point(flat, {-8.0f, 2.0f, 1.0f}));
}

TEST(Triangle, IntersectsRaysWithinTheirReach) {
    struct Case {
        const char* name;
        vec3 origin;
        vec3 direction;
        float max_distance_sq;
        bool two_sided;
        bool hits;
    };
    const Case cases[] = {
        {"down onto it", {1.0f, 5.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 100.0f, false, true},
        {"exactly at the reach", {1.0f, 5.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 16.0f, false, true},
        {"beyond the reach", {1.0f, 5.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 15.9f, false, false},
        {"behind the origin, within reach", {1.0f, 3.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, 100.0f, false, true},
        {"beside it", {3.0f, 5.0f, 3.0f}, {0.0f, -1.0f, 0.0f}, 100.0f, false, false},
        {"parallel, one-sided", {1.0f, 1.000001f, -5.0f}, {0.0f, -0.000002f, 1.0f}, 100.0f, false, false},
        {"nearly parallel, two-sided",
         {1.0f, 1.000001f, -5.0f},
         {0.0f, -0.000002f, 1.0f},
         100.0f,
         true,
         false},
        {"nearly parallel, two-sided, in reach",
         {0.5f, 1.000001f, 0.1f},
         {0.0f, -0.000002f, 1.0f},
         100.0f,
         true,
         true},
        {"exactly parallel, two-sided", {1.0f, 1.0f, -5.0f}, {0.0f, 0.0f, 1.0f}, 100.0f, true, false},
    };
    for (const triangle& tri : {forward_winding(), backward_winding()}) {
        for (const Case& c : cases) {
            vec3 hit;
            EXPECT_EQ(
                triangle_intersect_ray(tri, ray(c.origin, c.direction), hit, c.max_distance_sq, c.two_sided),
                c.hits)
                << c.name;
        }
    }
    vec3 hit;
    ASSERT_TRUE(triangle_intersect_ray(forward_winding(), ray({1.0f, 5.0f, 1.0f}, {0.0f, -2.0f, 0.0f}), hit,
                                       100.0f, false));
    EXPECT_FLOAT_EQ(hit.x, 1.0f);
    EXPECT_FLOAT_EQ(hit.y, 1.0f);
    EXPECT_FLOAT_EQ(hit.z, 1.0f);
}

TEST(Triangle, NearestEdgePoint) {
    bool on_edge = false;
    vec3 start;
    vec3 end;
    const vec3 got =
        triangle_nearest_edge_point(forward_winding(), {3.0f, 1.0f, 3.0f}, &on_edge, &start, &end);
    EXPECT_NEAR(got.x, 2.0f, 1e-5f);
    EXPECT_NEAR(got.z, 2.0f, 1e-5f);
    EXPECT_TRUE(on_edge);
    EXPECT_EQ(start.z, 4.0f);
    EXPECT_EQ(end.x, 4.0f);

    const vec3 corner = triangle_nearest_edge_point(forward_winding(), {-1.0f, 1.0f, -1.0f}, &on_edge);
    EXPECT_EQ(corner.x, 0.0f);
    EXPECT_EQ(corner.z, 0.0f);
    EXPECT_FALSE(on_edge);
}

}  // namespace
}  // namespace kv
