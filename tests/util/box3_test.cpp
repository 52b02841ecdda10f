#include "util/box3.h"

#include <gtest/gtest.h>

#include "util/mat4.h"

namespace kv {
namespace {

box3 make_box(vec3 min, vec3 max) {
    box3 box;
    box3_init(box, min, max);
    return box;
}

TEST(Box3, GrowsByPointsAndBoxes) {
    box3 box;
    box3_init_point(box, {1.0f, 2.0f, 3.0f});
    EXPECT_EQ(box.min.x, 1.0f);
    EXPECT_EQ(box.max.z, 3.0f);

    // Below min on x, above max on y.
    box3_add_point(box, {0.0f, 5.0f, 3.0f});
    EXPECT_EQ(box.min.x, 0.0f);
    EXPECT_EQ(box.max.x, 1.0f);
    EXPECT_EQ(box.min.y, 2.0f);
    EXPECT_EQ(box.max.y, 5.0f);

    const box3 grown = box3_union(box, make_box({-1.0f, 3.0f, 3.0f}, {0.5f, 4.0f, 10.0f}));
    EXPECT_EQ(grown.min.x, -1.0f);
    EXPECT_EQ(grown.max.x, 1.0f);
    EXPECT_EQ(grown.min.y, 2.0f);
    EXPECT_EQ(grown.max.y, 5.0f);
    EXPECT_EQ(grown.max.z, 10.0f);
    EXPECT_EQ(box.max.z, 3.0f);  // the union is a copy
}

TEST(Box3, DisjointCountsTouchingBoxes) {
    const box3 unit = make_box({0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
    struct Case {
        const char* name;
        box3 other;
        bool disjoint;
    };
    const Case cases[] = {
        {"shares a face", make_box({1.0f, 0.0f, 0.0f}, {2.0f, 1.0f, 1.0f}), true},
        {"shares a face below", make_box({0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 1.0f}), true},
        {"touches at a corner", make_box({1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f}), true},
        {"apart on z only", make_box({0.0f, 0.0f, 1.5f}, {1.0f, 1.0f, 2.0f}), true},
        {"overlaps a sliver", make_box({0.999f, 0.0f, 0.0f}, {2.0f, 1.0f, 1.0f}), false},
        {"inside", make_box({0.25f, 0.25f, 0.25f}, {0.5f, 0.5f, 0.5f}), false},
        {"encloses", make_box({-1.0f, -1.0f, -1.0f}, {2.0f, 2.0f, 2.0f}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(box3_disjoint(unit, c.other), c.disjoint) << c.name;
        EXPECT_EQ(box3_disjoint(c.other, unit), c.disjoint) << c.name << " (swapped)";
    }
}

TEST(Box3, ContainsPointsOnItsBounds) {
    const box3 box = make_box({-1.0f, 0.0f, 2.0f}, {1.0f, 3.0f, 4.0f});
    struct Case {
        vec3 point;
        bool inside;
    };
    const Case cases[] = {
        {{0.0f, 1.0f, 3.0f}, true},   {{1.0f, 1.0f, 3.0f}, true},    {{-1.0f, 0.0f, 2.0f}, true},
        {{1.0f, 3.0f, 4.0f}, true},   {{1.001f, 1.0f, 3.0f}, false}, {{0.0f, -0.001f, 3.0f}, false},
        {{0.0f, 1.0f, 4.01f}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(box3_contains_point(box, c.point), c.inside)
            << c.point.x << "," << c.point.y << "," << c.point.z;
    }
}

TEST(Box3, ViewPyramidBoundsAreStrict) {
    constexpr float kFar = 100.0f;
    struct Case {
        const char* name;
        box3 box;
        bool touches;
    };
    const Case cases[] = {
        {"ahead", make_box({-1.0f, -1.0f, 10.0f}, {1.0f, 1.0f, 12.0f}), true},
        {"behind the near distance", make_box({-1.0f, -1.0f, -5.0f}, {1.0f, 1.0f, 1.0f}), false},
        {"just past the near distance", make_box({-1.0f, -1.0f, -5.0f}, {1.0f, 1.0f, 1.001f}), true},
        {"starts at far", make_box({-1.0f, -1.0f, kFar}, {1.0f, 1.0f, 200.0f}), false},
        {"starts before far", make_box({-1.0f, -1.0f, 99.0f}, {1.0f, 1.0f, 200.0f}), true},
        {"on the right edge", make_box({10.0f, -1.0f, 5.0f}, {12.0f, 1.0f, 10.0f}), false},
        {"inside the right edge", make_box({9.9f, -1.0f, 5.0f}, {12.0f, 1.0f, 10.0f}), true},
        {"on the left edge", make_box({-12.0f, -1.0f, 5.0f}, {-10.0f, 1.0f, 10.0f}), false},
        {"above", make_box({-1.0f, 10.0f, 5.0f}, {1.0f, 12.0f, 10.0f}), false},
        {"below", make_box({-1.0f, -12.0f, 5.0f}, {1.0f, -10.0f, 10.0f}), false},
        {"below, reaching in", make_box({-1.0f, -12.0f, 5.0f}, {1.0f, -9.0f, 10.0f}), true},
    };
    for (const Case& c : cases) EXPECT_EQ(box3_touches_view_pyramid(c.box, kFar), c.touches) << c.name;
}

TEST(Box3, CornerBitsTakeMinWhenSet) {
    const box3 box = make_box({-1.0f, -2.0f, -3.0f, 7.0f}, {1.0f, 2.0f, 3.0f, 7.0f});
    for (int bits = 0; bits < 8; ++bits) {
        vec3 corner{9.0f, 9.0f, 9.0f, 9.0f};
        box3_corner(box, corner, bits);
        EXPECT_EQ(corner.x, (bits & 1) ? -1.0f : 1.0f) << bits;
        EXPECT_EQ(corner.y, (bits & 2) ? -2.0f : 2.0f) << bits;
        EXPECT_EQ(corner.z, (bits & 4) ? -3.0f : 3.0f) << bits;
        EXPECT_EQ(corner.w, 0.0f) << bits;
    }
}

TEST(Box3, BoxThroughTransform) {
    mat4 turn;
    mat4_set_rotation_z(turn, 3.14159265f / 2.0f);
    mat4_translate(turn, {1.0f, 0.0f, 0.0f});
    box3 b;
    box3_init(b, {0.0f, 0.0f, 0.0f}, {2.0f, 1.0f, 1.0f});
    const box3 moved = box3_transform(b, turn);
    EXPECT_NEAR(moved.min.x, -1.0f, 1e-5f);
    EXPECT_NEAR(moved.max.x, 0.0f, 1e-5f);
    EXPECT_NEAR(moved.min.y, 1.0f, 1e-5f);
    EXPECT_NEAR(moved.max.y, 3.0f, 1e-5f);
    const box3 same = box3_transform(b, kMat4Identity);
    EXPECT_EQ(same.max.x, 2.0f);
    EXPECT_EQ(same.min.y, 0.0f);
}

// The bounds of the eight moved corners, for any box corner order and any affine transform.
TEST(Box3, BoxThroughTransformBoundsTheMovedCorners) {
    mat4 tilt;
    mat4_set_rotation_axis(tilt, 1.0f, 2.0f, -0.5f, 0.7f);
    mat4 scaled;
    mat4_set_scale(scaled, 2.0f, -1.0f, 0.5f);
    mat4_mul_assign(tilt, scaled);
    mat4_translate(tilt, {10.0f, -4.0f, 3.0f});
    const box3 boxes[] = {make_box({-1.0f, 0.0f, 2.0f}, {3.0f, 5.0f, 2.5f}),
                          make_box({3.0f, 5.0f, 2.5f}, {-1.0f, 0.0f, 2.0f})};  // given upside down
    for (const box3& b : boxes) {
        box3 expected;
        for (int bits = 0; bits < 8; ++bits) {
            vec3 corner;
            box3_corner(b, corner, bits);
            const vec3 moved = mat4_transform_point(tilt, corner);
            if (bits == 0) {
                box3_init_point(expected, moved);
            } else {
                box3_add_point(expected, moved);
            }
        }
        const box3 moved = box3_transform(b, tilt);
        EXPECT_NEAR(moved.min.x, expected.min.x, 1e-4f);
        EXPECT_NEAR(moved.min.y, expected.min.y, 1e-4f);
        EXPECT_NEAR(moved.min.z, expected.min.z, 1e-4f);
        EXPECT_NEAR(moved.max.x, expected.max.x, 1e-4f);
        EXPECT_NEAR(moved.max.y, expected.max.y, 1e-4f);
        EXPECT_NEAR(moved.max.z, expected.max.z, 1e-4f);
    }
}

}  // namespace
}  // namespace kv
