// The view stack's matrices and the runtime camera view's zoom projection.

#include "gfx/view_stack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "gfx/camera_view.h"
#include "gfx/gfx_camera.h"
#include "kernel/kernel.h"
#include "tests/data/data_test_support.h"

namespace kv {
namespace {

constexpr float kQuarter = std::numbers::pi_v<float> / 4;

viewport square_viewport(float near = 1.0f) {
    viewport v;
    v.name = "main";
    const float values[kViewportProjectionValues] = {near,     kQuarter, kQuarter, kQuarter,
                                                     kQuarter, 0.0f,     5000.0f};
    std::copy(std::begin(values), std::end(values), v.projection);
    return v;
}

placement camera_at(float x, float y, float z, float turn) {
    placement p;
    mat4_set_rotation_y(p.transform, turn);
    p.transform.m[12] = x;
    p.transform.m[13] = y;
    p.transform.m[14] = z;
    return p;
}

class ViewStack : public data_test {};

TEST_F(ViewStack, PushingTheIdentityMarkerLeavesTheTop) {
    view_stack vs;
    view_stack_init(vs);
    view_stack_add_viewport(vs, camera_view_copy(square_viewport(2.0f)));
    view_stack_set_camera(vs, camera_at(10.0f, 0.0f, -5.0f, 0.3f));
    ASSERT_TRUE(view_stack_begin_world(vs, 0));
    ASSERT_EQ(vs.matrices.size(), 2u);
    const mat4 top = view_stack_top(vs);
    view_stack_push_matrix(vs, kMat4Identity);
    EXPECT_TRUE(mat4_equal(view_stack_top(vs), top));

    // A translation applies first, then the camera product.
    mat4 move;
    mat4_set_translation(move, 1.0f, 2.0f, 3.0f);
    view_stack_push_matrix(vs, move);
    EXPECT_TRUE(mat4_equal(view_stack_top(vs), mat4_mul(top, move)));
    view_stack_pop_matrix(vs);
    view_stack_pop_matrix(vs);
    view_stack_pop_matrix(vs);
    // The bottom identity is never popped.
    view_stack_pop_matrix(vs);
    view_stack_pop_matrix(vs);
    ASSERT_EQ(vs.matrices.size(), 1u);
    EXPECT_TRUE(mat4_is_identity(view_stack_top(vs)));
    EXPECT_FALSE(view_stack_begin_world(vs, 1));
    EXPECT_FALSE(view_stack_begin_sky(vs, 1));
}

TEST_F(ViewStack, ZoomAppliesOnceAtTheNextWorldPass) {
    view_stack vs;
    view_stack_init(vs);
    view_stack_add_viewport(vs, camera_view_copy(square_viewport()));
    view_stack_set_zoom(vs, 50.0f);
    EXPECT_EQ(vs.viewports[0].zoom, 0);
    ASSERT_TRUE(view_stack_begin_sky(vs, 0));
    EXPECT_EQ(vs.viewports[0].zoom, 0);
    ASSERT_TRUE(view_stack_begin_world(vs, 0));
    EXPECT_EQ(vs.viewports[0].zoom, 50);
    const mat4 zoomed = vs.viewports[0].view_projection;
    // A second pass with the same zoom recomputes nothing: a changed record would show.
    vs.viewports[0].record.projection[1] = 0.1f;
    ASSERT_TRUE(view_stack_begin_world(vs, 0));
    EXPECT_TRUE(mat4_equal(vs.viewports[0].view_projection, zoomed));
    // Not a number counts as no zoom.
    view_stack_set_zoom(vs, std::numeric_limits<float>::quiet_NaN());
    ASSERT_TRUE(view_stack_begin_world(vs, 0));
    EXPECT_EQ(vs.viewports[0].zoom, 0);
}

TEST_F(ViewStack, SkyProductHasNoTranslationWhereverTheCameraIs) {
    view_stack vs;
    view_stack_init(vs);
    viewport moved = square_viewport();
    view_stack_add_viewport(vs, camera_view_copy(moved));
    for (const placement& camera : {camera_at(0.0f, 0.0f, 0.0f, 0.0f), camera_at(500.0f, -20.0f, 3.0f, 1.2f),
                                    camera_at(-7.0f, 9000.0f, 1.0f, -2.5f)}) {
        view_stack_set_camera(vs, camera);
        ASSERT_TRUE(view_stack_begin_sky(vs, 0));
        const mat4& sky = view_stack_top(vs);
        EXPECT_NEAR(sky.m[12], 0.0f, 1e-4f);
        EXPECT_NEAR(sky.m[13], 0.0f, 1e-4f);
        EXPECT_NEAR(sky.m[14], 0.0f, 1e-4f);
        // The world's product keeps the camera's translation, turned.
        ASSERT_TRUE(view_stack_begin_world(vs, 0));
        const vec3 position = mat4_row3(camera.transform);
        const float moved_by = std::fabs(position.x) + std::fabs(position.y) + std::fabs(position.z);
        const mat4& world = view_stack_top(vs);
        EXPECT_EQ(std::fabs(world.m[12]) + std::fabs(world.m[13]) + std::fabs(world.m[14]) > 0.5f,
                  moved_by > 0.0f);
    }
}

TEST_F(ViewStack, ZoomScalesTheFrustumAngles) {
    const struct {
        int32_t percent;
        float scale;
    } cases[] = {{0, 1.0f}, {50, 0.53125f}, {100, 0.0625f}, {-20, 1.0f}, {250, 0.0625f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_FLOAT_EQ(camera_view_zoom_scale(c.percent), c.scale);
        camera_view view = camera_view_copy(square_viewport());
        camera_view_set_zoom(view, c.percent);
        // With four equal angles a: element 0 = 1 / tan(s a).
        EXPECT_NEAR(view.view_projection.m[0], 1.0f / std::tan(c.scale * kQuarter), 1e-4f);
        EXPECT_NEAR(view.view_projection.m[5], 1.0f / std::tan(c.scale * kQuarter), 1e-4f);
    }
}

TEST_F(ViewStack, SquareViewWithNearOneIsAnIdentityScale) {
    viewport v = square_viewport();
    mat4_set_rotation_x(v.transform, 0.4f);
    const camera_view view = camera_view_copy(v);
    EXPECT_TRUE(mat4_equal(view.view_projection, v.transform));
    EXPECT_FLOAT_EQ(view.scaled[0], 1.0f);
    EXPECT_FLOAT_EQ(view.scaled[1], kQuarter);

    // Unequal angles shear; the near distance scales.
    viewport off = square_viewport(2.0f);
    off.projection[1] = 0.6f;
    off.projection[2] = 0.4f;
    const camera_view sheared = camera_view_copy(off);
    EXPECT_NEAR(sheared.view_projection.m[8], std::tan(0.2f) / (std::tan(0.5f) * 2.0f), 1e-5f);
    EXPECT_NEAR(sheared.view_projection.m[10], 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(sheared.scaled[0], 1.0f);
}

TEST_F(ViewStack, ValuesWithoutAFiniteProjectionFallBackToTheSquareView) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* what;
        float values[5];  // near, a0..a3
    } cases[] = {
        {"horizontal angles summing to 0", {1.0f, 0.5f, -0.5f, kQuarter, kQuarter}},
        {"vertical angles summing to pi", {1.0f, kQuarter, kQuarter, 1.6f, 1.6f}},
        {"all zero", {0.0f, 0.0f, 0.0f, 0.0f, 0.0f}},
        {"not a number", {1.0f, nan, kQuarter, kQuarter, kQuarter}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear_log();
        viewport v = square_viewport();
        v.name = "bad";
        std::copy(std::begin(c.values), std::end(c.values), v.projection);
        const camera_view view = camera_view_copy(v);
        for (int i = 1; i <= 4; ++i) EXPECT_FLOAT_EQ(view.record.projection[i], kQuarter);
        for (float e : view.view_projection.m) EXPECT_TRUE(std::isfinite(e));
        EXPECT_EQ(log(), "gfx: Viewport `bad' has no finite projection; a 90-degree view is used.\n");
    }
}

// A point through the current viewport's camera and projection, as the name tags place their labels.
TEST_F(ViewStack, PointsAreProjectedThroughTheCurrentViewportsCamera) {
    gfx& g = kernel_get().graphics;
    view_stack_init(g.views);
    // Before any viewport was shown nothing is in front of the viewer.
    EXPECT_EQ(gfx_project_point(g, vec3{1.0f, 2.0f, 3.0f}).w, 0.0f);

    view_stack_add_viewport(g.views, camera_view_copy(square_viewport()));
    view_stack_add_viewport(g.views, camera_view_copy(square_viewport(2.0f)));
    view_stack_set_camera(g.views, camera_at(10.0f, 0.0f, -5.0f, 0.0f));
    ASSERT_TRUE(view_stack_begin_world(g.views, 0));
    struct projection_case {
        vec3 point;
        float x, y, w;
    };
    const projection_case cases[] = {
        {{13.0f, 4.0f, 95.0f}, 3.0f, 4.0f, 100.0f},        // 100 ahead, 3 right and 4 up
        {{10.0f, 0.0f, -55.0f}, 0.0f, 0.0f, -50.0f},       // behind the viewer
        {{-40.0f, -50.0f, 45.0f}, -50.0f, -50.0f, 50.0f},  // on the corner of the square view
    };
    for (const projection_case& c : cases) {
        const vec3 p = gfx_project_point(g, c.point);
        EXPECT_NEAR(p.x, c.x, 1e-3f) << c.point.x;
        EXPECT_NEAR(p.y, c.y, 1e-3f) << c.point.x;
        EXPECT_NEAR(p.w, c.w, 1e-3f) << c.point.x;
    }
    // A turned camera: what lies along its forward axis is straight ahead.
    const placement turned = camera_at(0.0f, 0.0f, 0.0f, std::numbers::pi_v<float> / 2);
    view_stack_set_camera(g.views, turned);
    const vec3 forward = mat4_row2(turned.transform);
    const vec3 ahead = gfx_project_point(g, vec3{forward.x * 100.0f, forward.y * 100.0f, forward.z * 100.0f});
    EXPECT_NEAR(ahead.x, 0.0f, 1e-3f);
    EXPECT_NEAR(ahead.w, 100.0f, 1e-3f);
    EXPECT_NEAR(std::fabs(forward.x), 1.0f, 1e-5f);  // the turn took it off the z axis
    view_stack_init(g.views);
}

}  // namespace
}  // namespace kv
