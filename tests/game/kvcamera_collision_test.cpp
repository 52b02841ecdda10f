#include "game/kvcamera.h"

#include <gtest/gtest.h>

#include "tests/game/arty_test_support.h"
#include "tests/world/trace_world_support.h"

namespace kv {
namespace {

class CameraCollision : public trace_world {};

TEST_F(CameraCollision, FreeCameraStopsAtTheWallOfItsSectorAndFliesFreelyWithoutOne) {
    description_holder descriptions;
    auto* cam = descriptions.spawn<kvloose_camera>(srv_.factory, "kvloose_camera", "cam");
    ASSERT_NE(cam, nullptr);

    // In the room, heading for the wall at x = 200: asked for 150 units, it stops short of the wall.
    cam->view_setup({120.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, room_);
    cam->input(true, 1);  // forward
    cam->tick(150);
    const float stopped = mat4_row3(cam->place.transform).x;
    EXPECT_GT(stopped, 120.0f);
    EXPECT_NEAR(stopped, 200.0f - 30.0f - 0.75f, 1e-3f);

    // Without a sector nothing stops it.
    cam->view_setup({120.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, nullptr);
    cam->place.sector = nullptr;
    cam->tick(150);
    EXPECT_NEAR(mat4_row3(cam->place.transform).x, 270.0f, 1e-3f);
}

}  // namespace
}  // namespace kv
