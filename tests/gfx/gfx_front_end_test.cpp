// The front end's start-up and set-up on the recording driver: the display-mode choice, driver kinds,
// the renderer options in "options-c", views and cameras, drawing on and off, the sky.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>

#include "data/package.h"
#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "gfx/gfx_camera.h"
#include "gfx/surface.h"
#include "kernel/kernel.h"
#include "kernel/option_registry.h"
#include "tests/gfx/gfx_test_support.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

using mode_list = std::vector<std::pair<int32_t, int32_t>>;

// A recording driver with its own mode table.
class mode_driver : public recording_driver {
public:
    explicit mode_driver(mode_list modes) : modes_(std::move(modes)) {}
    bool get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) override {
        if (index < 0 || static_cast<std::size_t>(index) >= modes_.size()) return false;
        width = modes_[static_cast<std::size_t>(index)].first;
        height = modes_[static_cast<std::size_t>(index)].second;
        name = std::to_string(width) + "x" + std::to_string(height);
        return true;
    }

private:
    mode_list modes_;
};

class GfxFrontEnd : public gfx_test {};

TEST_F(GfxFrontEnd, DisplayModeChoice) {
    const mode_list three = {{640, 480}, {800, 600}, {1024, 768}};
    const mode_list widths = {{640, 480}, {800, 600}, {1024, 768}, {800, 400}};
    const struct {
        const char* what;
        mode_list modes;
        int32_t width;
        int32_t height;
        bool open_result;
        int32_t result;
        std::vector<std::string> opens;
        std::string log;
    } cases[] = {
        {"exact",
         three,
         800,
         600,
         true,
         0,
         {"open 1 0 1"},
         "gfx: A mode for required resolution `800x600' found.\n"},
        {"the last mode of that width",
         widths,
         800,
         500,
         true,
         0,
         {"open 3 0 0"},
         "gfx: Required resolution not found. Trying `800x400'.\n"},
        {"no such width",
         three,
         700,
         500,
         true,
         -1,
         {},
         "gfx: No such mode that matches required resolution found.\n"},
        {"exact open fails",
         three,
         800,
         600,
         false,
         -1,
         {"open 1 0 1"},
         "gfx: Gfx driver initialization failed!\n"},
        {"width open fails",
         widths,
         800,
         500,
         false,
         -1,
         {"open 3 0 0"},
         "gfx: Required resolution not found. Trying `800x400'.\ngfx: Gfx driver initialization failed!\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear_log();
        auto driver = std::make_unique<mode_driver>(c.modes);
        driver->open_result = c.open_result;
        mode_driver* d = driver.get();
        g_.driver = std::move(driver);
        EXPECT_EQ(gfx_open_display(g_, c.width, c.height), c.result);
        std::vector<std::string> opens;
        for (const std::string& call : d->take_calls())
            if (call.starts_with("open ")) opens.push_back(call);
        EXPECT_EQ(opens, c.opens);
        EXPECT_EQ(log(), c.log);
    }

    // Fullscreen is the option's.
    g_.options.fullscreen = true;
    auto driver = std::make_unique<mode_driver>(three);
    mode_driver* d = driver.get();
    g_.driver = std::move(driver);
    EXPECT_EQ(gfx_open_display(g_, 1024, 768), 0);
    EXPECT_EQ(d->take_calls().back(), "open 2 1 1");

    // Without a driver nothing opens.
    clear_log();
    g_.driver.reset();
    EXPECT_EQ(gfx_open_display(g_, 640, 480), -1);
    EXPECT_EQ(log(), "gfx: Gfx driver initialization failed!\n");
}

gfx_driver* g_handed = nullptr;
std::unique_ptr<gfx_driver> hand_the_same_driver(int32_t) {
    return std::unique_ptr<gfx_driver>(g_handed);
}

TEST_F(GfxFrontEnd, DriverKinds) {
    g_.driver.reset();
    enum class made { none, null, opengl, direct3d };
    const struct {
        int32_t kind;
        int32_t result;
        made driver;
    } cases[] = {{0, -1, made::none},
                 {1, 0, made::null},
                 {2, 0, made::opengl},
                 {3, 0, made::direct3d},
                 {4, -1, made::none}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        auto kept = std::make_unique<recording_driver>();
        recording_driver* before = kept.get();
        g_.driver = std::move(kept);
        EXPECT_EQ(gfx_select_driver(g_, c.kind), c.result);
        if (c.driver == made::null) {
            EXPECT_NE(dynamic_cast<null_driver*>(g_.driver.get()), nullptr);
        } else if (c.driver == made::opengl) {
            EXPECT_NE(dynamic_cast<gl_driver*>(g_.driver.get()), nullptr);
        } else if (c.driver == made::direct3d) {
            EXPECT_NE(dynamic_cast<d3d_driver*>(g_.driver.get()), nullptr);
        } else {
            // A failure changes nothing.
            EXPECT_EQ(g_.driver.get(), before);
        }
    }

    // The driver it owns, handed again, is kept alive.
    auto owned = std::make_unique<recording_driver>();
    recording_driver* same = owned.get();
    g_.driver = std::move(owned);
    g_handed = same;
    gfx_set_driver_maker(hand_the_same_driver);
    EXPECT_EQ(gfx_select_driver(g_, kGfxDriverOpenGl), 0);
    gfx_set_driver_maker(nullptr);
    ASSERT_EQ(g_.driver.get(), same);
    EXPECT_EQ(same->calls.size(), 0u);
    EXPECT_EQ(gfx_max_texture_side(g_), 2048);
    g_.driver.reset();
    EXPECT_EQ(gfx_max_texture_side(g_), 0);
}

TEST_F(GfxFrontEnd, InitBindsTheThirteenOptionsWithTheirDefaults) {
    world_visit_stamp_set(7);
    g_.draw_enabled = true;
    g_.switches.lighting = false;
    option_registry registry;
    gfx_init(g_, registry);
    EXPECT_EQ(world_visit_stamp(), 65534);
    EXPECT_FALSE(g_.draw_enabled);
    EXPECT_TRUE(g_.switches.lighting);
    EXPECT_TRUE(g_.switches.first_person);
    EXPECT_TRUE(g_.switches.effect_echo);
    EXPECT_EQ(g_.switches.dynamic_lights, 1);
    EXPECT_EQ(g_.sky_geometry, nullptr);

    // Kind letters and defaults; the save writes them in key order.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"BLOD_on", "false"},         {"Bbfcull_on", "true"},     {"Bfullscreen", "false"},
        {"Bgfx_varrays", "false"},    {"Boccluders_on", "true"},  {"Bportals_on", "true"},
        {"Bshow_occluders", "false"}, {"Bshow_portals", "false"}, {"Fminarea", "0.0005"},
        {"Foccmark", "0.05"},         {"Igfx_rpath", "0"},        {"Iminfps", "15"},
        {"Irti_dispmode", "0"},
    };
    ASSERT_EQ(registry.bindings.size(), expected.size());
    std::size_t i = 0;
    for (const auto& [key, binding] : registry.bindings) {
        EXPECT_EQ(key, expected[i].first);
        EXPECT_EQ(option_registry_get_text(registry, key.substr(1)), expected[i].second) << key;
        ++i;
    }

    // Changed values come back from the saved file into a fresh front end.
    g_.options.LOD_on = true;
    g_.options.occmark = 0.25f;
    g_.options.gfx_rpath = 3;
    g_.options.minfps = 40;
    const std::string path = folder_.file("options-c");
    save_options(registry, path);
    gfx fresh;
    option_registry reread;
    gfx_init(fresh, reread);
    load_options(reread, path);
    EXPECT_TRUE(fresh.options.LOD_on);
    EXPECT_FLOAT_EQ(fresh.options.occmark, 0.25f);
    EXPECT_EQ(fresh.options.gfx_rpath, 3);
    EXPECT_EQ(fresh.options.minfps, 40);
    EXPECT_TRUE(fresh.options.portals_on);
    EXPECT_FLOAT_EQ(fresh.options.minarea, 0.0005f);
}

// A screen with a view of two viewports and a second view.
struct test_screen {
    view_set screen;
    view* shown = nullptr;
    view* other = nullptr;

    test_screen() {
        screen.name = "main";
        shown = add_view("default", 2);
        other = add_view("map", 1);
    }
    view* add_view(const std::string& name, int count) {
        auto v = std::make_unique<view>();
        v->name = name;
        for (int i = 0; i < count; ++i) {
            auto port = std::make_unique<viewport>();
            port->name = name + std::to_string(i);
            const float square[kViewportProjectionValues] = {1.0f,
                                                             std::numbers::pi_v<float> / 4,
                                                             std::numbers::pi_v<float> / 4,
                                                             std::numbers::pi_v<float> / 4,
                                                             std::numbers::pi_v<float> / 4,
                                                             0.0f,
                                                             5000.0f};
            std::copy(std::begin(square), std::end(square), port->projection);
            object_table_add_owned(v->viewports, std::move(port));
        }
        return object_table_add_owned(screen.views, std::move(v));
    }
};

TEST_F(GfxFrontEnd, ViewsAndCameras) {
    test_screen s;
    placement camera;
    // No screen, no view.
    EXPECT_FALSE(gfx_open_view(g_, "default"));
    EXPECT_FALSE(gfx_bind_view_camera(g_, camera, 0));

    gfx_open_screen(g_, &s.screen);
    EXPECT_FALSE(gfx_open_view(g_, "none"));
    EXPECT_EQ(log(), "server: No view `main:none' found.\n");
    EXPECT_EQ(g_.current_view, nullptr);

    ASSERT_TRUE(gfx_open_view(g_, "default"));
    EXPECT_EQ(g_.current_view, s.shown);
    ASSERT_EQ(view_stack_viewport_count(g_.views), 2u);
    EXPECT_EQ(g_.views.viewports[1].record.name, "default1");

    // Opening the view shown again keeps its copies and their zoom.
    camera_view_set_zoom(g_.views.viewports[0], 50);
    ASSERT_TRUE(gfx_open_view(g_, "default"));
    EXPECT_EQ(g_.views.viewports[0].zoom, 50);
    ASSERT_FALSE(gfx_open_view(g_, "none"));
    EXPECT_EQ(g_.current_view, s.shown);

    // Cameras bind to the viewports of the view shown.
    const struct {
        int32_t index;
        bool bound;
    } binds[] = {{0, true}, {1, true}, {2, false}, {-1, false}};
    for (const auto& b : binds) {
        SCOPED_TRACE(b.index);
        EXPECT_EQ(gfx_bind_view_camera(g_, camera, b.index), b.bound);
    }
    EXPECT_EQ(s.shown->viewports.items[1]->camera, &camera);

    // Another view replaces the copies; a new screen shows no view.
    ASSERT_TRUE(gfx_open_view(g_, "map"));
    ASSERT_EQ(view_stack_viewport_count(g_.views), 1u);
    EXPECT_EQ(g_.views.viewports[0].zoom, 0);
    EXPECT_FALSE(gfx_bind_view_camera(g_, camera, 1));
    gfx_open_screen(g_, &s.screen);
    EXPECT_EQ(g_.current_view, nullptr);
    EXPECT_FALSE(gfx_bind_view_camera(g_, camera, 0));
}

TEST_F(GfxFrontEnd, DrawingOnAndOff) {
    kernel_get().frame_count = 12;
    gfx_enable_drawing(g_);
    EXPECT_TRUE(g_.draw_enabled);
    EXPECT_EQ(kernel_get().frame_count, 0);

    sector old_level;
    g_.camera.in_sector = &old_level;
    g_.camera.position = {1.0f, 2.0f, 3.0f};
    g_.switches.underwater = true;
    gfx_add_red_flash_effect(g_);
    effect_register_texture(g_, "hit_metal");
    gfx_disable_drawing(g_);
    EXPECT_FALSE(g_.draw_enabled);
    EXPECT_FALSE(g_.switches.underwater);
    // No later frame reaches a sector of the level that goes away.
    EXPECT_EQ(g_.camera.in_sector, nullptr);
    EXPECT_EQ(g_.camera.position.x, 0.0f);
    // The effects go, and the layers they made in the effect surface.
    EXPECT_EQ(g_.effects.count, 0u);
    EXPECT_TRUE(g_.effects.items.empty());
    EXPECT_TRUE(g_.effects.effect_surface.descriptions.empty());
}

TEST_F(GfxFrontEnd, SkyTakesTheBoxOfItsFirstMesh) {
    surface sky_surface;
    geometry sky;
    box3_init(sky.box, {-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f});
    auto first = std::make_unique<mesh>();
    box3_init(first->box, {-9.0f, -8.0f, -7.0f}, {9.0f, 8.0f, 7.0f});
    object_table_add_owned(sky.meshes, std::move(first));
    auto second = std::make_unique<mesh>();
    box3_init(second->box, {-90.0f, -90.0f, -90.0f}, {90.0f, 90.0f, 90.0f});
    object_table_add_owned(sky.meshes, std::move(second));

    EXPECT_TRUE(gfx_set_sky(g_, &sky, &sky_surface));
    EXPECT_EQ(g_.sky_geometry, &sky);
    EXPECT_EQ(g_.sky_surface, &sky_surface);
    EXPECT_EQ(sky.box.max.x, 9.0f);
    EXPECT_EQ(sky.box.min.z, -7.0f);

    // Without a surface it is stored and refused; without meshes no box is touched.
    geometry bare;
    box3_init(bare.box, {-2.0f, -2.0f, -2.0f}, {2.0f, 2.0f, 2.0f});
    EXPECT_FALSE(gfx_set_sky(g_, &bare, nullptr));
    EXPECT_EQ(g_.sky_geometry, &bare);
    EXPECT_EQ(g_.sky_surface, nullptr);
    EXPECT_EQ(bare.box.max.x, 2.0f);
    EXPECT_TRUE(gfx_set_sky(g_, nullptr, &sky_surface));
    EXPECT_EQ(g_.sky_geometry, nullptr);
}

}  // namespace
}  // namespace kv
