#include "gfx/view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/package.h"
#include "tests/gfx/gfx_test_support.h"
#include "tools/package_writer.h"

namespace kv {
namespace {

using tools::package_writer;

class View : public gfx_test {
protected:
    // Reads one view of one viewport.
    const viewport& read(const tools::viewport_desc& desc) {
        package_writer w;
        w.add_screen("main", {w.add_view_record("v", {w.add_viewport(desc)})});
        write_data("views", w.finish());
        EXPECT_TRUE(load_package(srv_, "views", false));
        return *package_list_find(srv_.packages, "views")
                    ->screens.items[0]
                    ->views.items[0]
                    ->viewports.items[0];
    }
};

TEST_F(View, ViewportValuesAreKeptAndItsTransformMovesThenTurns) {
    tools::viewport_desc desc;
    desc.x = -5;
    desc.y = 10;
    desc.width = 300;
    desc.height = 400;
    desc.name = "cam";
    desc.position[0] = 1.0f;
    desc.position[1] = 2.0f;
    desc.position[2] = 3.0f;
    desc.axis[2] = 1.0f;
    desc.angle = std::numbers::pi_v<float> / 2.0f;
    const viewport& vp = read(desc);
    EXPECT_EQ(vp.rect[0], -5);
    EXPECT_EQ(vp.rect[1], 10);
    EXPECT_EQ(vp.rect[2], 300);
    EXPECT_EQ(vp.rect[3], 400);
    EXPECT_EQ(vp.name, "cam");
    for (int i = 0; i < kViewportProjectionValues; ++i) EXPECT_EQ(vp.projection[i], desc.projection[i]);
    EXPECT_EQ(vp.camera, nullptr);
    // The origin moves by the position first, then turns a quarter about z: (1, 2, 3) -> (-2, 1, 3).
    const vec3 p = mat4_transform_point(vp.transform, vec3{});
    EXPECT_NEAR(p.x, -2.0f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);
    EXPECT_NEAR(p.z, 3.0f, 1e-5f);
}

TEST_F(View, NoTurnOrAZeroAxisIsAPureTranslation) {
    for (const float axis_x : {1.0f, 0.0f}) {
        SCOPED_TRACE(axis_x);
        tools::viewport_desc desc;
        desc.position[0] = 4.0f;
        desc.position[2] = -1.0f;
        desc.axis[0] = axis_x;
        desc.angle = axis_x == 0.0f ? 1.0f : 0.0f;
        const viewport& vp = read(desc);
        const vec3 p = mat4_transform_point(vp.transform, vec3{1.0f, 1.0f, 1.0f});
        EXPECT_FLOAT_EQ(p.x, 5.0f);
        EXPECT_FLOAT_EQ(p.y, 1.0f);
        EXPECT_FLOAT_EQ(p.z, 0.0f);
        for (const float e : vp.transform.m) EXPECT_TRUE(std::isfinite(e));
        package_destroy(srv_, *srv_.packages.back());
    }
}

TEST_F(View, AViewWithoutViewportsReadsItsNameAndCount) {
    package_writer w;
    w.add_screen("main", {w.add_view_record("empty")});
    write_data("views", w.finish());
    ASSERT_TRUE(load_package(srv_, "views", false));
    const view& v = *srv_.packages.back()->screens.items[0]->views.items[0];
    EXPECT_EQ(v.name, "empty");
    EXPECT_TRUE(v.viewports.items.empty());
}

}  // namespace
}  // namespace kv
