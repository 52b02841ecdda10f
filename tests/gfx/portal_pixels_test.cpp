// Pixels of the portal walk through the OpenGL driver, on Mesa under an Xvfb of the test's own: two
// rooms joined by a doorway. The near room's wall has a hole where its portal is; the far room is a
// green wall behind it. The sectors the walk hands on are drawn as flat polygons, as the frame's
// sector drawing will draw their meshes. Then a screenshot taken by the game's command is read back
// from "snapshots/scr000.tga" and compared with the frame.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/kvgame_commands.h"
#include "game/server.h"
#include "gfx/camera_view.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/gfx.h"
#include "gfx/gfx_commands.h"
#include "gfx/portal_walk.h"
#include "gfx/screen_image.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "tests/support/x_display.h"
#include "tests/world/world_test_support.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

constexpr float kQuarter = 0.785398163f;
constexpr float kDoorHalf = 2.0f;
constexpr float kWallZ = 10.0f;
constexpr float kFarWallZ = 30.0f;

struct rgb {
    int r, g, b;
};

using quad = std::array<vec3, 4>;

// An upright rectangle at depth z.
quad rect(float x0, float y0, float x1, float y1, float z) {
    return {{{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}};
}

class PortalPixels : public world_test {
protected:
    static void SetUpTestSuite() { display_ = new x_display(640, 480); }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        world_test::SetUp();
        if (!display_->ok()) GTEST_SKIP() << "Xvfb cannot start here";
        env_ = std::make_unique<scoped_display_env>(display_->name());

        // The near room "near" opens through a 4 x 4 doorway at z = 10 into "far".
        tools::package_writer w;
        auto& q = w.qxps();
        tools::sector_desc near_room;
        near_room.name = "near";
        const quad door = rect(-kDoorHalf, -kDoorHalf, kDoorHalf, kDoorHalf, kWallZ);
        near_room.portals = {tools::add_portal(q, {"far", door})};
        tools::add_sector(w, near_room);
        tools::sector_desc far_room;
        far_room.name = "far";
        tools::add_sector(w, far_room);
        write_package("rooms", w);
        ASSERT_TRUE(load_package(srv_, "rooms", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        near_ = package_find_sector(*find("rooms"), "near");
        far_ = package_find_sector(*find("rooms"), "far");
        ASSERT_TRUE(near_ && far_);

        // The game's screenshot command writes through the kernel's front end.
        gfx& g = kernel_get().graphics;
        auto driver = std::make_unique<gl_driver>();
        ASSERT_TRUE(driver->open(0, false, false));
        g.driver = std::move(driver);
        viewport record;
        const float values[kViewportProjectionValues] = {1.0f,     kQuarter, kQuarter, kQuarter,
                                                         kQuarter, 0.0f,     1000.0f};
        std::copy(std::begin(values), std::end(values), record.projection);
        view_stack_clear_viewports(g.views);
        view_stack_add_viewport(g.views, camera_view_copy(record));
        view_stack_set_camera(g.views, placement());
        g.options = gfx_options();
        g.switches = gfx_switches();
        g.camera.position = {};
        g.camera.forward = {0.0f, 0.0f, 1.0f};
    }
    void TearDown() override {
        gfx& g = kernel_get().graphics;
        g.driver.reset();
        view_stack_clear_viewports(g.views);
        view_stack_reset_matrices(g.views);
        g.options = gfx_options();
        kvgame_screenshot_restart();
        env_.reset();
        world_test::TearDown();
    }

    void draw_quad(gfx& g, const gfx_colour& colour, const quad& corners) {
        mesh_vertex v[4];
        for (int k = 0; k < 4; ++k) {
            v[k].x = corners[static_cast<std::size_t>(k)].x;
            v[k].y = corners[static_cast<std::size_t>(k)].y;
            v[k].z = corners[static_cast<std::size_t>(k)].z;
        }
        g.driver->set_colour(colour);
        g.driver->draw_polygon(v, 4, false);
    }

    // The near room: its wall around the doorway, grey, with a red lintel above it. The far room: a
    // green wall.
    void draw_room(gfx& g, sector& s) {
        g.driver->set_modelview(gfx_sector_to_eye(g, s), false);
        if (&s == near_) {
            draw_quad(g, {0.5f, 0.5f, 0.5f}, rect(-40, -40, -kDoorHalf, 40, kWallZ));
            draw_quad(g, {0.5f, 0.5f, 0.5f}, rect(kDoorHalf, -40, 40, 40, kWallZ));
            draw_quad(g, {0.5f, 0.5f, 0.5f}, rect(-kDoorHalf, -40, kDoorHalf, -kDoorHalf, kWallZ));
            draw_quad(g, {1.0f, 0.0f, 0.0f}, rect(-kDoorHalf, kDoorHalf, kDoorHalf, 40, kWallZ));
        } else {
            draw_quad(g, {0.0f, 1.0f, 0.0f}, rect(-100, -100, 100, 100, kFarWallZ));
        }
        s.render_stamp = world_visit_stamp();
    }

    // One frame of the two rooms from the near room; the frame read back.
    screen_image frame() {
        gfx& g = kernel_get().graphics;
        g.driver->set_viewport(0, 0, 1, 1);
        g.driver->begin_frame();
        g.driver->fill_rect(0, 0, 1000, 1000, 0, 0, 0, 255);
        g.driver->set_perspective(1.0f, 1000.0f);
        world_visit_stamp_advance();
        view_stack_reset_matrices(g.views);
        view_stack_begin_world(g.views, 0);
        gfx_draw_world_from(g, *near_, [&](sector& s) { draw_room(g, s); });
        g.driver->end_frame();
        screen_image image;
        EXPECT_TRUE(g.driver->read_screen(0, 0, 1, 1, image));
        return image;
    }

    static rgb at(const screen_image& image, uint32_t x, uint32_t y) {
        const uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    static bool green(rgb c) { return c.g > 200 && c.r < 40 && c.b < 40; }

    // Green pixels in and out of the doorway's outline on the screen: the door spans 2 / 10 of the
    // half-width around the centre (0.4 to 0.6 of each side).
    void count_green(const screen_image& image, int& inside, int& outside) {
        inside = outside = 0;
        for (uint32_t y = 0; y < image.height; ++y) {
            for (uint32_t x = 0; x < image.width; ++x) {
                if (!green(at(image, x, y))) continue;
                const double fx = (x + 0.5) / image.width;
                const double fy = (y + 0.5) / image.height;
                const bool in_door = fx > 0.39 && fx < 0.61 && fy > 0.39 && fy < 0.61;
                ++(in_door ? inside : outside);
            }
        }
    }

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    sector* near_ = nullptr;
    sector* far_ = nullptr;
};

x_display* PortalPixels::display_ = nullptr;

TEST_F(PortalPixels, TheFarRoomShowsOnlyThroughTheDoorway) {
    screen_image image = frame();
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    int inside = 0;
    int outside = 0;
    count_green(image, inside, outside);
    EXPECT_TRUE(green(at(image, 320, 240)));
    EXPECT_GT(inside, 100 * 80);  // most of the doorway's 128 x 96 pixels
    EXPECT_EQ(outside, 0);
    const rgb wall = at(image, 100, 240);
    EXPECT_NEAR(wall.g, 128, 3);
    EXPECT_NEAR(wall.r, 128, 3);

    gfx_console_command(kernel_get().graphics, "g_portals 0");
    image = frame();
    count_green(image, inside, outside);
    EXPECT_EQ(inside + outside, 0);
    const rgb hole = at(image, 320, 240);
    EXPECT_EQ(hole.r + hole.g + hole.b, 0);
}

TEST_F(PortalPixels, TheGamesScreenshotIsTheFrameUpright) {
    srv_.write_dir = folder_.file("write") + "/";
    std::filesystem::create_directories(srv_.write_dir);
    const screen_image image = frame();
    kvgame_screenshot_restart();
    ASSERT_EQ(kvgame_screenshot(srv_), "scr000.tga");
    const std::string file = folder_.read("write/snapshots/scr000.tga");
    ASSERT_EQ(file.size(), 18u + 640u * 480u * 3u);
    EXPECT_EQ(static_cast<uint8_t>(file[2]), 2);  // uncompressed true colour
    EXPECT_EQ(static_cast<uint8_t>(file[12]), 640 & 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(file[13]), 640 >> 8);
    EXPECT_EQ(static_cast<uint8_t>(file[14]), 480 & 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(file[16]), 24);
    EXPECT_EQ(static_cast<uint8_t>(file[17]), 0x20);  // the first row is the top row
    // Every pixel as read back, blue, green, red.
    std::size_t differing = 0;
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
        const auto* p = reinterpret_cast<const uint8_t*>(file.data() + 18 + i);
        if (p[0] != image.pixels[i + 2] || p[1] != image.pixels[i + 1] || p[2] != image.pixels[i])
            ++differing;
    }
    EXPECT_EQ(differing, 0u);
    // Upright: the red lintel above the doorway is in the file's upper half, the grey below it.
    const auto file_pixel = [&](uint32_t x, uint32_t y) {
        const auto* p =
            reinterpret_cast<const uint8_t*>(file.data() + 18 + (static_cast<std::size_t>(y) * 640 + x) * 3);
        return rgb{p[2], p[1], p[0]};
    };
    EXPECT_GT(file_pixel(320, 150).r, 200);
    EXPECT_LT(file_pixel(320, 150).g, 40);
    EXPECT_NEAR(file_pixel(320, 330).r, 128, 3);
}

}  // namespace
}  // namespace kv
