#include "util/polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace kv {
namespace {

polygon make_polygon(std::initializer_list<vec3> points) {
    polygon poly(static_cast<int>(points.size()));
    int i = 0;
    for (const vec3& p : points) polygon_point(poly, i++) = p;
    return poly;
}

// The unit square in the plane z = 2, counter-clockwise seen from +z, and the same clockwise.
polygon square_ccw() {
    return make_polygon({{0.0f, 0.0f, 2.0f}, {1.0f, 0.0f, 2.0f}, {1.0f, 1.0f, 2.0f}, {0.0f, 1.0f, 2.0f}});
}
polygon square_cw() {
    return make_polygon({{0.0f, 0.0f, 2.0f}, {0.0f, 1.0f, 2.0f}, {1.0f, 1.0f, 2.0f}, {1.0f, 0.0f, 2.0f}});
}

TEST(Polygon, ContainsPointsWhicheverTheWinding) {
    struct Case {
        const char* name;
        vec3 point;
        bool inside;
    };
    const Case cases[] = {
        {"centre", {0.5f, 0.5f, 2.0f}, true},
        {"centre, off the plane", {0.5f, 0.5f, 7.0f}, true},  // the test is a prism along the normal
        {"on an edge", {1.0f, 0.5f, 2.0f}, true},
        {"on a corner", {0.0f, 1.0f, 2.0f}, true},
        {"within the edge tolerance", {1.000005f, 0.5f, 2.0f}, true},
        {"just outside", {1.0001f, 0.5f, 2.0f}, false},
        {"outside below", {0.5f, -0.5f, 2.0f}, false},
        {"outside diagonally", {2.0f, 2.0f, 2.0f}, false},
    };
    for (const polygon& poly : {square_ccw(), square_cw()}) {
        for (const Case& c : cases) EXPECT_EQ(polygon_contains_point(poly, c.point), c.inside) << c.name;
    }
}

TEST(Polygon, EmptyAndDegeneratePolygons) {
    // No points contain every point; points in a line have no normal and contain none.
    EXPECT_TRUE(polygon_contains_point(polygon(), {5.0f, 5.0f, 5.0f}));
    const polygon line = make_polygon({{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}});
    EXPECT_FALSE(polygon_contains_point(line, {1.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(polygon_contains_point(line, {50.0f, 3.0f, 0.0f}));
    EXPECT_FALSE(polygon_contains_point_with_normal(square_ccw(), {0.5f, 0.5f, 2.0f}, {}));

    const vec3 n = polygon_normal(make_polygon({{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}));
    EXPECT_EQ(vec3_length_sq(n), 0.0f);
    EXPECT_EQ(polygon_count(polygon(-3)), 0);
}

TEST(Polygon, IndexesAreChecked) {
    polygon poly(3);
    EXPECT_EQ(polygon_count(poly), 3);
    EXPECT_THROW(polygon_point(poly, 3), std::out_of_range);
    EXPECT_THROW(polygon_point(poly, -1), std::out_of_range);
    const polygon& constant = poly;
    EXPECT_THROW(polygon_point(constant, 3), std::out_of_range);
}

TEST(Polygon, CopiesOwnTheirPoints) {
    polygon a = square_ccw();
    polygon b = a;
    polygon_point(b, 0).x = 9.0f;
    EXPECT_EQ(polygon_point(a, 0).x, 0.0f);
    a = b;
    EXPECT_EQ(polygon_point(a, 0).x, 9.0f);
    polygon& self = a;
    a = self;
    EXPECT_EQ(polygon_count(a), 4);
}

TEST(Polygon, IntersectsRays) {
    struct Case {
        const char* name;
        vec3 origin;
        vec3 direction;
        bool two_sided;
        bool hits;
        vec3 point;
    };
    const Case cases[] = {
        {"straight down", {0.5f, 0.5f, 5.0f}, {0.0f, 0.0f, -1.0f}, false, true, {0.5f, 0.5f, 2.0f}},
        {"from below", {0.25f, 0.75f, 0.0f}, {0.0f, 0.0f, 1.0f}, false, true, {0.25f, 0.75f, 2.0f}},
        {"behind the origin", {0.5f, 0.5f, 5.0f}, {0.0f, 0.0f, 1.0f}, false, true, {0.5f, 0.5f, 2.0f}},
        {"slanted onto an edge", {0.0f, 0.5f, 3.0f}, {1.0f, 0.0f, -1.0f}, false, true, {1.0f, 0.5f, 2.0f}},
        {"beside the square", {1.5f, 0.5f, 5.0f}, {0.0f, 0.0f, -1.0f}, false, false, {1.5f, 0.5f, 2.0f}},
        {"nearly parallel, one-sided", {0.5f, 0.5f, 2.000001f}, {1.0f, 0.0f, -0.000005f}, false, false, {}},
        {"nearly parallel, two-sided", {0.5f, 0.5f, 2.000001f}, {1.0f, 0.0f, -0.000005f}, true, true, {}},
    };
    for (const polygon& poly : {square_ccw(), square_cw()}) {
        for (const Case& c : cases) {
            vec3 hit;
            EXPECT_EQ(polygon_intersect_ray(poly, ray(c.origin, c.direction), hit, c.two_sided), c.hits)
                << c.name;
            if (c.point.z != 0.0f) {
                EXPECT_NEAR(hit.x, c.point.x, 1e-5f) << c.name;
                EXPECT_NEAR(hit.y, c.point.y, 1e-5f) << c.name;
                EXPECT_NEAR(hit.z, c.point.z, 1e-5f) << c.name;
            }
        }
    }
}

TEST(Polygon, ExactlyParallelRaysAndShortPolygonsNeverHit) {
    vec3 hit{7.0f, 7.0f, 7.0f};
    // In the plane and across the square: no single crossing point.
    EXPECT_FALSE(
        polygon_intersect_ray(square_ccw(), ray({-1.0f, 0.5f, 2.0f}, {1.0f, 0.0f, 0.0f}), hit, true));
    // Above the square: without the guard the point would be the origin, inside the prism.
    EXPECT_FALSE(polygon_intersect_ray(square_ccw(), ray({0.5f, 0.5f, 3.0f}, {1.0f, 0.0f, 0.0f}), hit, true));
    EXPECT_EQ(hit.x, 7.0f);
    const polygon two = make_polygon({{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}});
    EXPECT_FALSE(polygon_intersect_ray(two, ray({0.5f, 0.0f, 1.0f}, {0.0f, 0.0f, -1.0f}), hit, true));
}

TEST(Polygon, NearestEdgePoint) {
    struct Case {
        const char* name;
        vec3 point;
        vec3 nearest;
        bool on_edge;
        vec3 edge_start;
        vec3 edge_end;
    };
    const Case cases[] = {
        {"beside the right edge",
         {1.5f, 0.25f, 2.0f},
         {1.0f, 0.25f, 2.0f},
         true,
         {1.0f, 0.0f, 2.0f},
         {1.0f, 1.0f, 2.0f}},
        {"inside, nearest the bottom",
         {0.5f, 0.1f, 2.0f},
         {0.5f, 0.0f, 2.0f},
         true,
         {0.0f, 0.0f, 2.0f},
         {1.0f, 0.0f, 2.0f}},
        {"off a corner",
         {1.5f, 1.5f, 2.0f},
         {1.0f, 1.0f, 2.0f},
         false,
         {1.0f, 0.0f, 2.0f},
         {1.0f, 1.0f, 2.0f}},
        // Equally near the left and bottom edges: the earlier edge (last point to point 0) wins.
        {"tie", {0.25f, 0.25f, 2.0f}, {0.0f, 0.25f, 2.0f}, true, {0.0f, 1.0f, 2.0f}, {0.0f, 0.0f, 2.0f}},
        {"above the plane",
         {0.5f, -1.0f, 5.0f},
         {0.5f, 0.0f, 2.0f},
         true,
         {0.0f, 0.0f, 2.0f},
         {1.0f, 0.0f, 2.0f}},
    };
    const polygon poly = square_ccw();
    for (const Case& c : cases) {
        bool on_edge = !c.on_edge;
        vec3 start;
        vec3 end;
        const vec3 got = polygon_nearest_edge_point(poly, c.point, &on_edge, &start, &end);
        EXPECT_NEAR(got.x, c.nearest.x, 1e-6f) << c.name;
        EXPECT_NEAR(got.y, c.nearest.y, 1e-6f) << c.name;
        EXPECT_NEAR(got.z, c.nearest.z, 1e-6f) << c.name;
        EXPECT_EQ(on_edge, c.on_edge) << c.name;
        EXPECT_EQ(start.x, c.edge_start.x) << c.name;
        EXPECT_EQ(start.y, c.edge_start.y) << c.name;
        EXPECT_EQ(end.x, c.edge_end.x) << c.name;
        EXPECT_EQ(end.y, c.edge_end.y) << c.name;
    }

    // Outputs are optional; the edge is given only when both ends are asked for.
    vec3 start{9.0f, 9.0f, 9.0f};
    polygon_nearest_edge_point(poly, {1.5f, 0.5f, 2.0f}, nullptr, &start, nullptr);
    EXPECT_EQ(start.x, 9.0f);

    // No points: the point itself. A repeated point makes a zero-length edge without NaNs.
    bool on_edge = true;
    const vec3 alone = polygon_nearest_edge_point(polygon(), {3.0f, 4.0f, 5.0f}, &on_edge);
    EXPECT_EQ(alone.y, 4.0f);
    EXPECT_FALSE(on_edge);
    const polygon spike = make_polygon({{1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}});
    const vec3 tip = polygon_nearest_edge_point(spike, {0.0f, 0.0f, 0.0f}, &on_edge);
    EXPECT_EQ(tip.x, 1.0f);
    EXPECT_FALSE(on_edge);
}

TEST(Polygon, Area) {
    const polygon ccw = square_ccw();
    const polygon cw = square_cw();
    EXPECT_FLOAT_EQ(polygon_area(4, ccw.points.data()), 1.0f);
    EXPECT_FLOAT_EQ(polygon_area(4, cw.points.data()), 1.0f);

    const vec3 tilted[] = {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 2.0f}, {2.0f, 3.0f, 2.0f}, {0.0f, 3.0f, 0.0f}};
    EXPECT_NEAR(polygon_area(4, tilted), 3.0f * std::sqrt(8.0f), 1e-5f);
    const vec3 tri[] = {{0.0f, 0.0f, 0.0f}, {4.0f, 0.0f, 0.0f}, {0.0f, 3.0f, 0.0f}};
    EXPECT_FLOAT_EQ(polygon_area(3, tri), 6.0f);
    // The first three points in a line: the area still comes out.
    const vec3 kite[] = {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}};
    EXPECT_FLOAT_EQ(polygon_area(4, kite), 1.0f);
    EXPECT_EQ(polygon_area(2, tri), 0.0f);
    EXPECT_EQ(polygon_area(0, nullptr), 0.0f);
}

}  // namespace
}  // namespace kv
