// The polygon clipper against the near and far distances and the 90-degree view pyramid.

#include "gfx/clipper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kv {
namespace {

vec3 p(float x, float y, float z) {
    return {x, y, z};
}

bool has_vertex(std::span<const clip_vertex> result, float x, float y, float z) {
    for (const clip_vertex& v : result) {
        if (v.x == x && v.y == y && v.z == z) return true;
    }
    return false;
}

bool clip_points(clip_buffers& buffers, const std::vector<vec3>& points, float near = 1.0f,
                 float far = 1000.0f, const mat4& transform = kMat4Identity) {
    clip_source source;
    source.points = points;
    source.count = static_cast<int32_t>(points.size());
    return clip_polygon(buffers, near, far, source, transform);
}

TEST(Clipper, PolygonsInsideOutsideAndAcrossThePlanes) {
    struct clip_case {
        const char* what;
        std::vector<vec3> points;
        bool result;
        int32_t count;  // vertices left in buffer A when true
    };
    const clip_case cases[] = {
        {"wholly in view", {p(-1, -1, 10), p(1, -1, 10), p(1, 1, 10), p(-1, 1, 10)}, true, 4},
        {"behind the near distance", {p(-1, -1, 0.5f), p(1, -1, 0.5f), p(1, 1, 0.5f)}, false, 0},
        {"beyond the far distance", {p(-1, -1, 2000), p(1, -1, 2000), p(1, 1, 2000)}, false, 0},
        {"left of the pyramid", {p(-30, -1, 10), p(-20, -1, 10), p(-20, 1, 10)}, false, 0},
        {"above the pyramid", {p(-1, 30, 10), p(1, 30, 10), p(1, 20, 10)}, false, 0},
        {"a corner in view cuts off a triangle", {p(0, 0, 10), p(30, 0, 10), p(0, 30, 10)}, true, 4},
        {"two points are no polygon", {p(0, 0, 10), p(1, 1, 10)}, false, 0},
        {"no points", {}, false, 0},
    };
    clip_buffers buffers;
    clip_buffers_init(buffers);
    for (const clip_case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(clip_points(buffers, c.points), c.result);
        if (c.result) {
            EXPECT_EQ(buffers.a.count, c.count);
        }
    }
}

TEST(Clipper, BehindTheNearDistanceEndsAfterTheFirstPass) {
    clip_buffers buffers;
    // A polygon partly beyond the far distance as well: the far pass never runs.
    EXPECT_FALSE(clip_points(buffers, {p(-1, -1, 0.5f), p(1, -1, 0.9f), p(1, 1, 0.99f)}, 1.0f, 0.1f));
    EXPECT_EQ(buffers.b.count, 0);  // the first pass wrote B and left nothing
    EXPECT_TRUE(clip_result(buffers).empty());
}

TEST(Clipper, AVertexOnASidePlaneIsKeptUnchanged) {
    clip_buffers buffers;
    // (10, 0, 10) lies on x = z.
    ASSERT_TRUE(clip_points(buffers, {p(0, 0, 10), p(10, 0, 10), p(0, 5, 10)}));
    EXPECT_EQ(buffers.a.count, 3);
    EXPECT_TRUE(has_vertex(clip_result(buffers), 10, 0, 10));
    EXPECT_TRUE(has_vertex(clip_result(buffers), 0, 0, 10));
    EXPECT_TRUE(has_vertex(clip_result(buffers), 0, 5, 10));
}

TEST(Clipper, NewPointsLieExactlyOnTheCuttingPlane) {
    clip_buffers buffers;
    // A floor quad from z = 0.25 to z = 7.3 across the near distance 1.0.
    ASSERT_TRUE(clip_points(buffers, {p(-0.1f, -0.2f, 0.25f), p(0.1f, -0.2f, 0.25f), p(0.3f, -0.2f, 7.3f),
                                      p(-0.3f, -0.2f, 7.3f)}));
    int on_near = 0;
    for (const clip_vertex& v : clip_result(buffers)) {
        EXPECT_GE(v.z, 1.0f);
        if (v.z == 1.0f) ++on_near;
    }
    EXPECT_EQ(on_near, 2);
    EXPECT_EQ(buffers.a.count, 4);

    // Cut by the right side x = z: the new points have z equal to their x exactly.
    ASSERT_TRUE(clip_points(buffers, {p(0, 0, 3), p(7.7f, 0.1f, 3), p(7.7f, 0.9f, 3), p(0, 1, 3)}));
    int on_side = 0;
    for (const clip_vertex& v : clip_result(buffers)) {
        EXPECT_LE(v.x, v.z);
        if (v.x == v.z) ++on_side;
        EXPECT_EQ(v.w, 0.0f);
    }
    EXPECT_EQ(on_side, 2);
}

TEST(Clipper, TheTransformMovesThePointsUnlessIdentityMarked) {
    clip_buffers buffers;
    const std::vector<vec3> quad = {p(-1, -1, -10), p(1, -1, -10), p(1, 1, -10), p(-1, 1, -10)};
    EXPECT_FALSE(clip_points(buffers, quad));  // behind the eye as they are
    mat4 forward;
    mat4_set_translation(forward, 0, 0, 20);
    ASSERT_TRUE(clip_points(buffers, quad, 1.0f, 1000.0f, forward));
    EXPECT_TRUE(has_vertex(clip_result(buffers), 1, 1, 10));

    // A matrix carrying the identity mark is not applied, whatever its other elements say.
    mat4 marked = forward;
    marked.m[15] = kMat4IdentityFlag;
    EXPECT_FALSE(clip_points(buffers, quad, 1.0f, 1000.0f, marked));
}

TEST(Clipper, IndexListsEndAtABadEntry) {
    const std::vector<vec3> points = {p(-1, -1, 10), p(1, -1, 10), p(1, 1, 10), p(-1, 1, 10)};
    const std::vector<float> uvs = {0, 0, 1, 0, 1, 1, 0, 1};
    struct index_case {
        const char* what;
        std::vector<int16_t> indices;
        bool with_uvs;
        bool result;
        int32_t count;
    };
    const index_case cases[] = {
        {"a whole quad", {0, 0, 1, 1, 2, 2, 3, 3}, true, true, 4},
        {"a negative first index", {-1, 0, 1, 1, 2, 2, 3, 3}, true, false, 0},
        {"a negative index ends the list", {0, 0, 1, 1, 2, 2, -1, 0, 3, 3}, true, true, 3},
        {"a point index past the points", {0, 0, 1, 1, 2, 2, 4, 0, 3, 3}, true, true, 3},
        {"a point index past the points, early", {0, 0, 9, 1, 2, 2, 3, 3}, true, false, 0},
        {"a coordinate index past the pairs", {0, 0, 1, 1, 2, 2, 3, 7}, true, true, 3},
        {"an unpaired last entry", {0, 0, 1, 1, 2, 2, 3}, true, true, 3},
        {"coordinates not given: their indices unread", {0, 99, 1, -5, 2, 0, 3, 0}, false, true, 4},
    };
    clip_buffers buffers;
    for (const index_case& c : cases) {
        SCOPED_TRACE(c.what);
        clip_source source;
        source.points = points;
        if (c.with_uvs) source.uvs = uvs;
        source.indices = c.indices;
        source.count = static_cast<int32_t>(c.indices.size());
        EXPECT_EQ(clip_polygon(buffers, 1.0f, 1000.0f, source, kMat4Identity), c.result);
        if (c.result) {
            EXPECT_EQ(buffers.a.count, c.count);
        }
    }
}

TEST(Clipper, TextureCoordinatesFollowTheCut) {
    const std::vector<vec3> points = {p(0, 0, 0), p(0, 0, 4), p(0, 1, 4)};
    const std::vector<float> uvs = {0, 0, 1, 0.5f, 1, 1};
    const std::vector<int16_t> indices = {0, 0, 1, 1, 2, 2};
    clip_source source;
    source.points = points;
    source.uvs = uvs;
    source.indices = indices;
    source.count = 6;
    clip_buffers buffers;
    ASSERT_TRUE(clip_polygon(buffers, 1.0f, 1000.0f, source, kMat4Identity));
    bool found = false;
    for (const clip_vertex& v : clip_result(buffers)) {
        if (v.z == 1.0f && v.y == 0.0f) {
            found = true;
            EXPECT_FLOAT_EQ(v.u, 0.25f);  // a quarter of the way from (0, 0) to (1, 0.5)
            EXPECT_FLOAT_EQ(v.v, 0.125f);
        }
    }
    EXPECT_TRUE(found);
}

TEST(Clipper, BuffersGrowForLargePolygonsAndAreFreed) {
    std::vector<vec3> circle;
    for (int i = 0; i < 40; ++i) {
        const float a = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / 40.0f;
        circle.push_back(p(std::cos(a), std::sin(a), 10.0f));
    }
    clip_buffers buffers;
    ASSERT_TRUE(clip_points(buffers, circle));
    EXPECT_EQ(buffers.a.count, 40);
    EXPECT_GE(buffers.a.slots.size(), 40u);
    clip_buffer_free(buffers.a);
    EXPECT_EQ(buffers.a.count, 0);
    EXPECT_EQ(buffers.a.slots.capacity(), 0u);
}

}  // namespace
}  // namespace kv
