// The OpenGL driver on a recording GL module: no display, every GL call written down.

#include "gfx/drivers/gl_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "data/package.h"
#include "game/arty.h"
#include "game/arty_factory.h"
#include "game/game_events.h"
#include "game/server.h"
#include "gfx/texture.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/display_modes.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "platform/window.h"
#include "tests/support/call_log.h"
#include "tests/support/input_fake.h"
#include "tests/support/recording_gl.h"
#include "tests/support/temp_folder.h"
#include "tools/dds_writer.h"
#include "world/mesh.h"

namespace kv {
namespace {

class GlDriver : public testing::Test {
protected:
    void SetUp() override {
        log_open(folder_.file("kv.log"));
        sys_fake_display_modes({{640, 480, 32, 60}, {800, 600, 32, 60}}, {1024, 768, 24, 60}, false);
        while (key_queue_waiting(gl_key_queue())) key_queue_pop(gl_key_queue());
    }
    void TearDown() override {
        driver_.reset();
        gl_.reset();
        sys_real_display_modes();
        log_close();
    }

    // A driver opened windowed in 640 x 480 on a recording module with these options.
    bool open(recording_gl_options options = {}, bool fullscreen = false) {
        driver_.reset();
        gl_.reset();
        gl_ = std::make_unique<recording_gl>(std::move(options));
        driver_ = std::make_unique<gl_driver>();
        const bool ok = driver_->open(0, fullscreen, false);
        take_log();
        return ok;
    }
    std::vector<std::string> calls() { return gl_->take(); }
    std::string take_log() {
        const std::string all = folder_.read("kv.log");
        std::string fresh = all.substr(std::min(log_seen_, all.size()));
        log_seen_ = all.size();
        return fresh;
    }
    static bool has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static int count_of(const std::vector<std::string>& lines, const std::string& prefix) {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }

    temp_folder folder_;
    std::size_t log_seen_ = 0;
    std::unique_ptr<recording_gl> gl_;
    std::unique_ptr<gl_driver> driver_;
};

TEST_F(GlDriver, AMissingEntryPointIsLoggedAloneAndOpenFails) {
    for (const char* name : {"glPixelZoom", "gluBuild2DMipmaps"}) {
        SCOPED_TRACE(name);
        recording_gl_options options;
        options.missing = {name};
        const std::size_t before = folder_.read("kv.log").size();
        EXPECT_FALSE(open(options));
        driver_.reset();
        gl_.reset();
        EXPECT_EQ(folder_.read("kv.log").substr(before),
                  std::string("[OpenGL] *FATAL* no symbol `") + name + "' found in DLL.\n");
    }
}

TEST_F(GlDriver, OpenLogsTheContextAndReachesAKnownState) {
    ASSERT_TRUE(open());
    const std::string all = folder_.read("kv.log");
    for (const char* line :
         {"1 pixel formats available\nPFD_DRAW_TO_WINDOW PFD_SUPPORT_OPENGL PFD_DOUBLEBUFFER",
          "[OpenGL] Pixel format 1 selected.\n", "Vendor    : Recording\n", "Version   : 1.1\n",
          "Renderer  : recording GL\n", "Extensions: GL_EXT_compiled_vertex_array",
          "[OpenGL] Multi-texturing extension found and used, available units: 2\n"}) {
        EXPECT_NE(all.find(line), std::string::npos) << line;
    }
    const gl_state& s = *driver_->state();
    EXPECT_EQ(s.depth_test, 0);
    EXPECT_EQ(s.depth_mask, -1);
    EXPECT_EQ(s.colour_array, 0);
    EXPECT_EQ(s.texenv, 0);
    EXPECT_NE(driver_->window_handle(), nullptr);
    EXPECT_EQ(sys_main_window(), driver_->window_handle());
    EXPECT_EQ(sys_gl_window_title(sys_main_window()), "Korvane 1.0");
    EXPECT_EQ(driver_->dds_folder(), server_get().data_dir + server_get().texture_base_dir + "dds/");
    driver_.reset();
    EXPECT_EQ(sys_main_window(), nullptr);
}

TEST_F(GlDriver, ExtensionProbe) {
    const struct {
        const char* extensions;
        std::set<std::string> missing;
        int cva, compression, s3tc, multitexture, units, swap;
    } cases[] = {
        {"GL_EXT_compiled_vertex_array GL_ARB_texture_compression GL_EXT_texture_compression_s3tc "
         "GL_ARB_multitexture WGL_EXT_swap_control",
         {},
         1,
         1,
         1,
         1,
         2,
         1},
        {"", {}, 0, 0, 0, 0, 0, 0},
        // s3tc needs the compression extension.
        {"GL_EXT_texture_compression_s3tc", {}, 0, 0, 0, 0, 0, 0},
        // A missing entry point clears only its own extension.
        {"GL_ARB_multitexture GL_EXT_compiled_vertex_array", {"glClientActiveTextureARB"}, 1, 0, 0, 0, 2, 0},
        {"GL_EXT_compiled_vertex_array GL_ARB_texture_compression", {"glUnlockArraysEXT"}, 0, 1, 0, 0, 0, 0},
        {"WGL_EXT_swap_control", {"wglSwapIntervalEXT"}, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extensions);
        recording_gl_options options;
        options.extensions = c.extensions;
        options.missing = c.missing;
        const std::size_t before = folder_.read("kv.log").size();
        ASSERT_TRUE(open(options));
        const std::string log = folder_.read("kv.log").substr(before);
        const gl_state& s = *driver_->state();
        EXPECT_EQ(s.compiled_vertex_arrays, c.cva);
        EXPECT_EQ(s.texture_compression, c.compression);
        EXPECT_EQ(s.s3tc, c.s3tc);
        EXPECT_EQ(s.multitexture, c.multitexture);
        EXPECT_EQ(s.texture_units, c.units);
        EXPECT_EQ(s.swap_control, c.swap);
        EXPECT_EQ(log.find("Multi-texturing extension") != std::string::npos, c.multitexture == 1);
        EXPECT_EQ(log.find("Texture compression s3tc extension") != std::string::npos, c.s3tc == 1);
        EXPECT_EQ(driver_->has_compressed_textures(), c.s3tc == 1);
        driver_.reset();
        gl_.reset();
    }
}

TEST_F(GlDriver, PixelFormatScores) {
    const uint32_t generic = kPfdGenericFormat;
    const struct {
        const char* what;
        std::vector<sys_pixel_format> formats;
        int32_t chosen;
    } cases[] = {
        {"exact sizes win", {recording_pixel_format(16, 16, 0), recording_pixel_format(32, 32, 8)}, 2},
        {"the lower of equal scores",
         {recording_pixel_format(32, 24, 8), recording_pixel_format(32, 16, 8)},
         1},
        {"stencil counts", {recording_pixel_format(32, 24, 0), recording_pixel_format(32, 24, 4)}, 2},
        {"software formats are skipped",
         {recording_pixel_format(32, 32, 8, generic), recording_pixel_format(16, 16, 0)},
         2},
        {"accelerated generic formats count",
         {recording_pixel_format(32, 32, 8, generic | kPfdGenericAccelerated)},
         1},
        {"none qualifies: the system's choice", {recording_pixel_format(32, 32, 8, generic)}, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        recording_gl_options options;
        options.formats = c.formats;
        options.system_choice = 7;
        const std::size_t before = folder_.read("kv.log").size();
        ASSERT_TRUE(open(options));
        EXPECT_NE(folder_.read("kv.log").find(
                      "[OpenGL] Pixel format " + std::to_string(c.chosen) + " selected.\n", before),
                  std::string::npos);
        driver_.reset();
        gl_.reset();
    }
}

TEST_F(GlDriver, ARefusedPixelFormatLeavesNoWindowAndTheSecondTryOpens) {
    recording_gl_options options;
    options.formats = {recording_pixel_format(32, 32, 8), recording_pixel_format(16, 32, 8)};
    options.refused_formats = {1};
    gl_ = std::make_unique<recording_gl>(options);
    driver_ = std::make_unique<gl_driver>();
    ASSERT_TRUE(driver_->open(0, false, false));
    const std::string log = take_log();
    EXPECT_NE(log.find("[OpenGL] cannot set pixel format (32 32 8).\n"), std::string::npos);
    EXPECT_NE(log.find("[OpenGL] Pixel format 2 selected.\n"), std::string::npos);
    EXPECT_EQ(sys_main_window(), driver_->window_handle());

    // Refused both times: neither a window nor a main window stays behind.
    options.refused_formats = {1, 2};
    driver_.reset();
    gl_.reset();
    gl_ = std::make_unique<recording_gl>(options);
    driver_ = std::make_unique<gl_driver>();
    EXPECT_FALSE(driver_->open(0, false, false));
    EXPECT_NE(
        take_log().find("[OpenGL] *FATAL* couldn't switch to any suitable accelerated graphics mode.\n"),
        std::string::npos);
    EXPECT_EQ(driver_->window_handle(), nullptr);
    EXPECT_EQ(sys_main_window(), nullptr);
}

TEST_F(GlDriver, FullScreenTakesTheHighestRefreshAndFailsWithoutAChange) {
    sys_fake_display_modes({{640, 480, 32, 60}, {640, 480, 32, 85}, {640, 480, 16, 100}, {640, 480, 32, 75}},
                           {640, 480, 32, 60}, false);
    ASSERT_TRUE(open({}, true));
    EXPECT_EQ(sys_full_screen_mode().refresh_rate, 85);
    driver_.reset();
    EXPECT_EQ(sys_full_screen_mode().width, 0) << "the desktop mode is back";

    sys_fake_display_modes({{640, 480, 32, 60}}, {640, 480, 32, 60}, true);
    EXPECT_FALSE(open({}, true));
    const std::string log = folder_.read("kv.log");
    EXPECT_NE(log.find("[OpenGL] cannot change display settings.\n[OpenGL] cannot change display settings.\n"
                       "[OpenGL] *FATAL* couldn't switch to any suitable accelerated graphics mode.\n"),
              std::string::npos);
}

// The cached setters, each as the calls it makes.
TEST_F(GlDriver, SettersCallOpenGlOnlyWhenTheStateChanges) {
    ASSERT_TRUE(open());
    const double planes[4][4] = {};
    const float ambient[4] = {};
    const float other_ambient[4] = {};
    const struct {
        const char* what;
        std::function<void(gl_driver&)> act;
        std::vector<std::string> expected;
    } cases[] = {
        {"blend 3, 6, 3 sets the function each time",
         [](gl_driver& d) {
             d.gl_set_blend(3);
             d.gl_set_blend(6);
             d.gl_set_blend(3);
         },
         {"glEnable 0xBE2", "glBlendFunc 0x302 0x303", "glDisable 0xBC0", "glBlendFunc 0x1 0x1",
          "glBlendFunc 0x302 0x303", "glDisable 0xBC0"}},
        {"blend 4 then 0 keeps the alpha test",
         [](gl_driver& d) {
             d.gl_set_blend(4);
             d.gl_set_blend(0);
         },
         {"glEnable 0xBE2", "glBlendFunc 0x1 0x0", "glEnable 0xBC0", "glDisable 0xBE2"}},
        {"blend 1 and unknown modes do nothing",
         [](gl_driver& d) {
             d.gl_set_blend(1);
             d.gl_set_blend(7);
         },
         {}},
        {"depth test under alpha blending writes no depth; again after blend 0 it does",
         [](gl_driver& d) {
             d.gl_set_blend(3);
             d.gl_set_depth_test(1);
             d.gl_set_blend(0);
             d.gl_set_depth_test(1);
         },
         {"glEnable 0xBE2", "glBlendFunc 0x302 0x303", "glDisable 0xBC0", "glEnable 0xB71", "glDepthMask 0",
          "glDisable 0xBE2", "glDepthMask 1"}},
        {"lighting with the same ambient pointer once",
         [&](gl_driver& d) {
             d.gl_set_lighting(12, ambient);
             d.gl_set_lighting(12, ambient);
             d.gl_set_lighting(12, other_ambient);
         },
         {"glMaterialfv 0x404 0x1200 p", "glLightModelfv 0xB53 p", "glEnable 0xB50",
          "glMaterialfv 0x404 0x1200 p", "glLightModelfv 0xB53 p"}},
        {"clip planes 4 then 2 switch off planes 2 and 3 only",
         [&](gl_driver& d) {
             d.set_clip_planes(4, planes);
             d.set_clip_planes(2, planes);
             d.set_clip_planes(0, planes);
         },
         {"glEnable 0x3000", "glClipPlane 0x3000 p", "glEnable 0x3001", "glClipPlane 0x3001 p",
          "glEnable 0x3002", "glClipPlane 0x3002 p", "glEnable 0x3003", "glClipPlane 0x3003 p",
          "glClipPlane 0x3000 p", "glClipPlane 0x3001 p", "glDisable 0x3002", "glDisable 0x3003",
          "glDisable 0x3000", "glDisable 0x3001"}},
        {"wireframe twice sets the mode once",
         [](gl_driver& d) {
             d.set_wireframe(true);
             d.set_wireframe(true);
             d.set_wireframe(false);
         },
         {"glPolygonMode 0x408 0x1B01", "glPolygonMode 0x408 0x1B02"}},
        {"a viewport over the left half",
         [](gl_driver& d) { d.set_viewport(0.0f, 0.0f, 0.5f, 1.0f); },
         {"glViewport 0 0 320 480"}},
        {"a viewport over the top half is the upper rows",
         [](gl_driver& d) { d.set_viewport(0.0f, 0.0f, 1.0f, 0.5f); },
         {"glViewport 0 240 640 240"}},
        {"texture environment -1 after set_colour switches texturing off",
         [](gl_driver& d) {
             d.gl_set_texenv(9);
             d.set_colour({1, 1, 1});
             d.gl_set_texenv(-1);
         },
         {"glActiveTextureARB 0x84C0", "glEnable 0xDE1", "glActiveTextureARB 0x84C0",
          "glTexEnvi 0x2300 0x2200 7681", "glColor3f 1 1 1", "glActiveTextureARB 0x84C0", "glDisable 0xDE1"}},
        {"two units modulate, each on its own unit",
         [](gl_driver& d) { d.gl_set_texenv(11); },
         {"glActiveTextureARB 0x84C0", "glEnable 0xDE1", "glActiveTextureARB 0x84C0",
          "glTexEnvi 0x2300 0x2200 8448", "glActiveTextureARB 0x84C1", "glEnable 0xDE1",
          "glActiveTextureARB 0x84C1", "glTexEnvi 0x2300 0x2200 8448"}},
        {"set_modelview twice with the same matrix applies it once; forced again",
         [](gl_driver& d) {
             mat4 m;
             m.m[15] = 1.0f;
             m.m[12] = 5.0f;
             d.set_modelview(m, false);
             d.set_modelview(m, false);
             d.set_modelview(m, true);
         },
         {"glPushMatrix", "glMultMatrixf p", "glPopMatrix", "glPushMatrix", "glMultMatrixf p"}},
        {"no model-view cache survives a viewport change",
         [](gl_driver& d) {
             mat4 m;
             m.m[15] = 1.0f;
             d.set_modelview(m, false);
             d.set_viewport(0, 0, 1, 1);
             d.set_modelview(m, false);
         },
         {"glPushMatrix", "glMultMatrixf p", "glViewport 0 0 640 480", "glPopMatrix", "glPushMatrix",
          "glMultMatrixf p"}},
        {"a fill leaves the current colour as set_colour made it",
         [](gl_driver& d) {
             d.set_colour({0.5f, 0.25f, 1.0f});
             d.fill_rect(0, 0, 10, 10, 1, 2, 3, 4);
         },
         {"glColor3f 0.5 0.25 1",    "glEnable 0xBE2",
          "glBlendFunc 0x302 0x303", "glDisable 0xBC0",
          "glMatrixMode 0x1701",     "glPushMatrix",
          "glLoadIdentity",          "glFrustum -1 1 -1 1 1 100",
          "glMatrixMode 0x1700",     "glBegin 0x7",
          "glColor4ubv p",           "glVertex3f -15 15 15",
          "glVertex3f -14.7 15 15",  "glVertex3f -14.7 14.7 15",
          "glVertex3f -15 14.7 15",  "glEnd",
          "glMatrixMode 0x1701",     "glPopMatrix",
          "glMatrixMode 0x1700",     "glColor4f 0.5 0.25 1 1",
          "glDisable 0xBE2"}},
        {"an identity-marked matrix is pushed, not multiplied",
         [](gl_driver& d) { d.push_matrix(mat4{}); },
         {"glPushMatrix"}},
        {"begin_frame clears depth only",
         [](gl_driver& d) { d.begin_frame(); },
         {"glDepthMask 1", "glClear 0x100"}},
        {"clear_frame clears colour and depth",
         [](gl_driver& d) { d.clear_frame(); },
         {"glDepthMask 1", "glClear 0x4100"}},
        {"dither",
         [](gl_driver& d) {
             d.set_dither(0);
             d.set_dither(2);
             d.set_dither(5);
         },
         {"glDisable 0xBD0", "glEnable 0xBD0"}},
        {"fog",
         [](gl_driver& d) {
             const gfx_fog fog{0.5f, 1, 0, 0};
             d.set_fog(&fog);
             d.set_fog(nullptr);
         },
         {"glEnable 0xB60", "glFogi 0xB65 2048", "glFogf 0xB62 0.5", "glFogfv 0xB66 p", "glDisable 0xB60"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        driver_.reset();
        gl_.reset();
        ASSERT_TRUE(open());
        calls();
        c.act(*driver_);
        EXPECT_EQ(calls(), c.expected);
    }
}

// A second driver starts with its own clip-plane and pushed flags.
TEST_F(GlDriver, ASecondDriverKeepsNoFlagsOfTheFirst) {
    const double planes[1][4] = {};
    mat4 m;
    m.m[15] = 1.0f;
    ASSERT_TRUE(open());
    driver_->set_clip_planes(1, planes);
    driver_->set_modelview(m, false);
    driver_.reset();
    gl_.reset();
    ASSERT_TRUE(open());
    calls();
    driver_->set_clip_planes(1, planes);
    driver_->set_modelview(m, false);
    EXPECT_EQ(calls(), (std::vector<std::string>{"glEnable 0x3000", "glClipPlane 0x3000 p", "glPushMatrix",
                                                 "glMultMatrixf p"}));
}

TEST_F(GlDriver, TextureUnitsSwitchOnAndOffWithTheLowestLeftActive) {
    ASSERT_TRUE(open());
    driver_->enable_texture_unit(0);
    driver_->enable_texture_unit(1);
    driver_->enable_texture_unit(2);
    calls();
    driver_->disable_texture_unit(2);
    EXPECT_EQ(calls(), (std::vector<std::string>{"glActiveTextureARB 0x84C2", "glDisable 0xDE1",
                                                 "glActiveTextureARB 0x84C0"}));
    driver_->disable_texture_unit(2);
    driver_->enable_texture_unit(1);
    EXPECT_EQ(calls(), std::vector<std::string>{});

    recording_gl_options single;
    single.extensions = "";
    driver_.reset();
    gl_.reset();
    ASSERT_TRUE(open(single));
    calls();
    driver_->disable_texture_unit(1);
    driver_->enable_texture_unit(0);
    EXPECT_EQ(calls(), std::vector<std::string>{"glEnable 0xDE1"});
}

struct mesh_fixture {
    mesh_vertex vertices[4];
    uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    uint8_t colours[16] = {255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0};
    float coordinates[8] = {0, 0, 1, 0, 1, 1, 0, 1};
};

// Format 2: which passes are drawn for colours, a light map, a lamp and the unit count.
TEST_F(GlDriver, FormatTwoPasses) {
    const struct {
        const char* what;
        bool colours, lightmap, lamp;
        const char* extensions;
        int begins;        // glBegin calls
        int second_unit;   // glMultiTexCoord2fvARB calls
        int colour_calls;  // glColor3ubv calls
        bool depth_equal;  // the one-unit light-map pass
    } cases[] = {
        {"plain textured", false, false, false, "GL_ARB_multitexture", 1, 0, 0, false},
        {"vertex colours", true, false, false, "GL_ARB_multitexture", 1, 0, 6, false},
        {"light map, two units", true, true, false, "GL_ARB_multitexture", 1, 6, 6, false},
        {"light map, one unit", true, true, false, "", 2, 0, 6, true},
        {"light map without colours, two units", false, true, false, "GL_ARB_multitexture", 1, 6, 0, false},
        {"light map without colours, one unit", false, true, false, "", 2, 0, 0, true},
        {"lamp", true, true, true, "GL_ARB_multitexture", 3, 0, 6, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        recording_gl_options options;
        options.extensions = c.extensions;
        driver_.reset();
        gl_.reset();
        ASSERT_TRUE(open(options));
        mesh_fixture m;
        auto lightmap = texture_create("lm");
        lightmap->kind = kTextureLightMap;
        lightmap->width = lightmap->height = 1;
        lightmap->pixels = {200};
        auto lamp = texture_create("lamp");
        lamp->kind = kTextureRgb;
        lamp->width = lamp->height = 1;
        lamp->pixels = {1, 2, 3};
        texture* table[1] = {lightmap.get()};
        driver_->set_lightmap_layer(c.lightmap ? m.coordinates : nullptr, c.lightmap ? table : nullptr);
        driver_->set_lamp_layer(c.lamp ? m.coordinates : nullptr, c.lamp ? lamp.get() : nullptr);
        calls();
        EXPECT_EQ(driver_->draw_mesh(m.vertices, kIndexTriangles, m.indices, 2, false,
                                     c.colours ? m.colours : nullptr),
                  2);
        const std::vector<std::string> lines = calls();
        EXPECT_EQ(count_of(lines, "glBegin 0x4"), c.begins);
        EXPECT_EQ(count_of(lines, "glMultiTexCoord2fvARB 0x84C1"), c.second_unit);
        EXPECT_EQ(count_of(lines, "glColor3ubv"), c.colour_calls);
        EXPECT_EQ(has(lines, "glDepthFunc 0x202"), c.depth_equal);
    }
}

TEST_F(GlDriver, CountedRunsOfFewerThanThreeCountNothing) {
    ASSERT_TRUE(open());
    mesh_vertex vertices[5];
    const uint16_t strips[] = {3, 0, 1, 2, 5, 0, 1, 2, 3, 4, 2, 0, 1};
    EXPECT_EQ(driver_->draw_mesh(vertices, kIndexStrips, strips, 3, false, nullptr), 4);
    EXPECT_EQ(driver_->draw_mesh(vertices, kIndexPolygons, strips, 3, false, nullptr), 2);
    driver_->set_vertex_array(vertices, 5);
    calls();
    EXPECT_EQ(driver_->draw_strips(strips, 3, false), 4);
    EXPECT_EQ(count_of(calls(), "glDrawElements 0x5"), 2);
    EXPECT_EQ(driver_->draw_mesh(vertices, 4, strips, 1, false, nullptr), 0);
}

// Indexed triangles with a light map on one unit: a second pass, then unit 0 reads the vertices again.
TEST_F(GlDriver, OneUnitLightMapPassPointsUnitZeroBackAtTheVertices) {
    recording_gl_options options;
    options.extensions = "";
    ASSERT_TRUE(open(options));
    mesh_fixture m;
    auto lightmap = texture_create("lm");
    lightmap->kind = kTextureLightMap;
    lightmap->width = lightmap->height = 1;
    lightmap->pixels = {200};
    texture* table[1] = {lightmap.get()};
    driver_->set_lightmap_layer(m.coordinates, table);
    driver_->set_vertex_array(m.vertices, 4);
    calls();
    EXPECT_EQ(driver_->draw_triangles(m.indices, 2, false), 2);
    const std::vector<std::string> lines = calls();
    EXPECT_EQ(count_of(lines, "glDrawElements"), 2);
    EXPECT_EQ(lines.back(), "glTexCoordPointer 2 0x1406 36 p");

    // A null entry for the first index draws one plain pass.
    table[0] = nullptr;
    driver_->draw_triangles(m.indices, 2, false);
    EXPECT_EQ(count_of(calls(), "glDrawElements"), 1);
}

TEST_F(GlDriver, TextureUploads) {
    ASSERT_TRUE(open());
    auto font = texture_create("gui_font_light");
    font->kind = kTextureLightMap;
    font->width = font->height = 2;
    font->pixels.assign(4, 9);
    calls();
    ASSERT_TRUE(driver_->use_texture(*font, 0));
    std::vector<std::string> lines = calls();
    EXPECT_TRUE(has(lines, "glTexParameteri 0xDE1 0x2801 9729"))
        << "a light map minifies linearly, font or not";
    EXPECT_TRUE(has(lines, "glTexParameteri 0xDE1 0x2802 10496")) << "clamped";
    EXPECT_EQ(count_of(lines, "glGetTexLevelParameteriv 0xDE1 0 0x86A0"), 0) << "not held compressed";
    ASSERT_TRUE(driver_->use_texture(*font, 0));
    EXPECT_EQ(calls(), std::vector<std::string>{}) << "already bound: nothing";
    EXPECT_EQ(driver_->state()->bound[0], font->handle);

    auto rgb = texture_create("wall_font");
    rgb->kind = kTextureRgb;
    rgb->width = rgb->height = 2;
    rgb->pixels.assign(12, 1);
    ASSERT_TRUE(driver_->use_texture(*rgb, 1));
    lines = calls();
    EXPECT_EQ(lines[0], "glActiveTextureARB 0x84C1");
    EXPECT_TRUE(has(lines, "glTexParameteri 0xDE1 0x2801 9985")) << "fonts within the nearest level";
    EXPECT_TRUE(has(lines, "gluBuild2DMipmaps 0xDE1 34029 2 2 0x1907 0x1401 p")) << "compressed RGB";
    EXPECT_TRUE(has(lines, "glGetTexLevelParameteriv 0xDE1 0 0x86A1")) << "asked whether GL compressed it";

    // A light-map page without pixels of its own uploads the store's square.
    const uint8_t square[4] = {1, 2, 3, 4};
    auto page = texture_create("page");
    page->kind = kTextureLightMap;
    page->width = page->height = 2;
    page->texels = square;
    ASSERT_TRUE(driver_->use_texture(*page, 0));
    EXPECT_TRUE(has(calls(), "glTexImage2D 0xDE1 0 34026 2 2 0 0x1909 0x1401 p"));

    // A short image is refused, logged once, and leaves the unit untextured.
    auto short_image = texture_create("short");
    short_image->kind = kTextureRgba;
    short_image->width = short_image->height = 4;
    short_image->pixels.assign(10, 0);
    take_log();
    EXPECT_TRUE(driver_->use_texture(*short_image, 0));
    EXPECT_TRUE(driver_->use_texture(*short_image, 0));
    EXPECT_EQ(take_log(), "[OpenGL] Cannot upload texture - short (4x4, kind 4, 10 bytes)\n");
    EXPECT_EQ(driver_->state()->bound[0], 0u);
    EXPECT_FALSE(short_image->uploaded);

    // The clamped binding records its handle: the next use of the texture it replaced binds again.
    ASSERT_TRUE(driver_->use_texture(*page, 0));
    driver_->bind_texture_clamped(*rgb);
    calls();
    ASSERT_TRUE(driver_->use_texture(*page, 0));
    char bind[64];
    std::snprintf(bind, sizeof bind, "glBindTexture 0xDE1 0x%X", static_cast<unsigned>(page->handle));
    EXPECT_TRUE(has(calls(), bind));

    // 2D quads draw with what unit 0 holds and bind nothing.
    calls();
    driver_->draw_quad_at(rgb.get(), 0, 0, 100, 100);
    driver_->draw_text(rgb.get(), {1, 1, 1}, 0, 100, 10, 10, "ab", false, nullptr);
    EXPECT_EQ(count_of(calls(), "glBindTexture"), 0);

    // Deleting forgets the handle.
    driver_->delete_texture(*page);
    EXPECT_EQ(page->handle, kNoTextureHandle);
    EXPECT_FALSE(page->uploaded);
}

// A light-map page without pixels of its own uploads the store's square also without compression.
TEST_F(GlDriver, ALightMapPageUploadsItsSecondImageUncompressed) {
    recording_gl_options options;
    options.extensions = "";
    ASSERT_TRUE(open(options));
    const uint8_t square[4] = {1, 2, 3, 4};
    auto page = texture_create("page");
    page->kind = kTextureLightMap;
    page->width = page->height = 2;
    page->texels = square;
    calls();
    ASSERT_TRUE(driver_->use_texture(*page, 0));
    EXPECT_TRUE(has(calls(), "glTexImage2D 0xDE1 0 32832 2 2 0 0x1909 0x1401 p"));
}

// draw_image: only 4-byte pixels, both attribute groups saved, the caches left as GL is.
TEST_F(GlDriver, DrawImageSavesBothAttributeGroups) {
    ASSERT_TRUE(open());
    pixel_image rgb_image;
    rgb_image.width = rgb_image.height = 2;
    rgb_image.bytes_per_pixel = 3;
    rgb_image.pixels.assign(12, 0);
    calls();
    driver_->draw_image(rgb_image);
    EXPECT_EQ(calls(), std::vector<std::string>{});
    pixel_image image;
    image.width = image.height = 2;
    image.pixels.assign(16, 0);
    driver_->draw_image(image);
    const std::vector<std::string> lines = calls();
    EXPECT_TRUE(has(lines, "glPushAttrib 0x1800"));
    EXPECT_TRUE(has(lines, "glViewport 319 241 0 0"));
    EXPECT_TRUE(has(lines, "glDrawPixels 2 2 0x1908 0x1401 p"));
    EXPECT_EQ(driver_->state()->depth_test, 1);
    EXPECT_EQ(driver_->state()->blend, 0);
    // The next textured request switches texturing on again.
    calls();
    driver_->gl_set_texenv(kGlTexenvReplace);
    EXPECT_TRUE(has(calls(), "glEnable 0xDE1"));
}

TEST_F(GlDriver, BlendingFollowsTheImageKind) {
    ASSERT_TRUE(open());
    const struct {
        uint8_t kind;
        uint8_t two_level;
        std::size_t bytes;
        int32_t blend;
    } cases[] = {{kTextureRgb, 0, 3, 2},
                 {kTextureRgba, 0, 4, 3},
                 {kTextureRgba, 1, 4, 4},
                 {kTextureGrey, 0, 1, 3},
                 {kTextureLightMap, 0, 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        auto t = texture_create("t");
        t->kind = c.kind;
        t->two_level_alpha = c.two_level;
        t->width = t->height = 1;
        t->pixels.assign(c.bytes, 100);
        calls();
        ASSERT_TRUE(driver_->use_texture(*t, 0));
        EXPECT_EQ(driver_->state()->blend, c.blend);
        if (c.kind == kTextureGrey) {
            EXPECT_TRUE(has(calls(), "gluBuild2DMipmaps 0xDE1 32843 1 1 0x1909 0x1401 p"))
                << "an intensity texture";
        }
    }
}

// A fill or a pixel image turns blending off; the texture still bound gets its blending back when it
// is made current again (a picture after them keeps its transparency). Otherwise a texture already
// bound changes nothing, also when another blending was chosen since.
TEST_F(GlDriver, TheBoundTextureGetsItsBlendingBackAfterAFill) {
    ASSERT_TRUE(open());
    auto t = texture_create("t");
    t->kind = kTextureRgba;
    t->width = t->height = 1;
    t->pixels.assign(4, 100);
    ASSERT_TRUE(driver_->use_texture(*t, 0));
    pixel_image image;
    image.width = image.height = 1;
    image.pixels.assign(4, 0);
    const std::function<void()> overlays[] = {[&] { driver_->fill_rect(0, 0, 10, 10, 1, 2, 3, 4); },
                                              [&] { driver_->draw_image(image); }};
    for (const auto& overlay : overlays) {
        overlay();
        EXPECT_EQ(driver_->state()->blend, kGlBlendOff);
        calls();
        ASSERT_TRUE(driver_->use_texture(*t, 0));
        EXPECT_EQ(driver_->state()->blend, kGlBlendAlpha);
        EXPECT_TRUE(has(calls(), "glBlendFunc 0x302 0x303"));
        ASSERT_TRUE(driver_->use_texture(*t, 0));
        EXPECT_EQ(calls(), std::vector<std::string>{}) << "once is enough";
    }
    driver_->fill_rect(0, 0, 10, 10, 1, 2, 3, 4);
    driver_->gl_set_blend(kGlBlendAdd);
    calls();
    ASSERT_TRUE(driver_->use_texture(*t, 0));
    EXPECT_EQ(calls(), std::vector<std::string>{}) << "a blending chosen after the fill stays";
    EXPECT_EQ(driver_->state()->blend, kGlBlendAdd);
}

// DDS textures come from "tex/dds/" under the data folder, named by kind and alpha mark.
TEST_F(GlDriver, DdsFilesByName) {
    server_get().data_dir = folder_.path().string() + "/";
    auto dds = [](uint32_t w, uint32_t h, uint32_t levels) {
        const std::vector<uint8_t> bytes =
            tools::dds_file({"DXT1", w, h, levels, tools::dds_solid_rgba(w, h, 10, 20, 30), 0});
        return std::string(bytes.begin(), bytes.end());
    };
    folder_.write("tex/dds/masked.dds", dds(8, 2, 4));
    folder_.write("tex/dds/blended.dda", dds(4, 4, 1));
    folder_.write("tex/dds/opaque.ddn", dds(1, 1, 1));
    folder_.write("tex/dds/grey.ddn", dds(1, 1, 1));
    ASSERT_TRUE(open());
    const struct {
        const char* name;
        uint8_t kind;
        uint8_t two_level;
        bool ok;
        int levels;
        uint32_t memory;
    } cases[] = {
        {"masked", kTextureRgba, 1, true, 4, 16 + 8 + 8 + 8},
        {"blended", kTextureRgba, 0, true, 1, 8},
        {"opaque", kTextureRgb, 0, true, 1, 8},
        {"grey", kTextureGrey, 0, false, 0, 0},  // no DDS name for the kind
        {"missing", kTextureRgb, 0, false, 0, 0},
        {"blended", kTextureRgba, 1, false, 0, 0},  // "blended.dds" is not there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = texture_create(c.name);
        t->kind = c.kind;
        t->two_level_alpha = c.two_level;
        t->dds_state = kDdsFound;
        take_log();
        calls();
        EXPECT_EQ(driver_->use_texture(*t, 0), c.ok);
        const std::vector<std::string> lines = calls();
        EXPECT_EQ(count_of(lines, "glCompressedTexImage2DARB 0xDE1"), c.levels);
        EXPECT_EQ(t->memory_size, c.memory);
        if (c.ok) {
            EXPECT_EQ(t->mip_levels, c.levels);
            EXPECT_TRUE(t->uploaded);
            EXPECT_TRUE(has(lines, "glTexParameteri 0xDE1 0x813D " + std::to_string(c.levels - 1)))
                << "the file's levels are the whole chain";
            EXPECT_EQ(take_log(), "");
        } else {
            EXPECT_EQ(take_log(), std::string("[OpenGL] Failed to load dds texture - ") + c.name + "\n");
            EXPECT_TRUE(driver_->use_texture(*t, 0)) << "failed once: binds nothing from then on";
            EXPECT_EQ(take_log(), "");
            EXPECT_EQ(driver_->state()->bound[0], 0u);
        }
    }
}

// The window's events: keys queue their virtual-key codes, close keeps the window, focus acquires.
TEST_F(GlDriver, WindowProcedure) {
    ASSERT_TRUE(open());
    const uint32_t id = sys_gl_window_id(static_cast<sys_gl_window*>(driver_->window_handle()));
    auto send = [id](sys_event_kind kind, uint32_t key = 0) {
        sys_event e;
        e.kind = kind;
        e.window_id = id;
        e.virtual_key = key;
        sys_dispatch_event(e);
    };
    send(sys_event_kind::key_down, kVkLeftWindows);
    send(sys_event_kind::key_up, kVkLeftWindows);
    send(sys_event_kind::key_down, 'A');
    send(sys_event_kind::key_up, 'A');
    send(sys_event_kind::key_down, 0);
    ASSERT_TRUE(driver_->key_waiting());
    const key_event expected[] = {{kKeyReleased, kVkLeftWindows}, {kKeyPressed, 'A'}, {kKeyReleased, 'A'}};
    for (const key_event& e : expected) {
        ASSERT_TRUE(driver_->key_waiting());
        const key_event got = driver_->read_key();
        EXPECT_EQ(got.state, e.state);
        EXPECT_EQ(got.key, e.key);
    }
    EXPECT_FALSE(driver_->key_waiting());

    // Focus releases and takes the input devices.
    {
        fake_input_scope devices(kernel_get().input_layer);
        send(sys_event_kind::focus_lost);
        EXPECT_FALSE(di_device_acquired(di_device::keyboard));
        send(sys_event_kind::focus_gained);
        EXPECT_TRUE(di_device_acquired(di_device::keyboard));
        EXPECT_TRUE(di_device_acquired(di_device::mouse));
    }
    test_state_reset();

    // Close posts the key-down of Quit to the input target and leaves the window.
    struct quit_probe : arty {
        using arty::arty;
        int32_t message(arty_message kind, uintptr_t argument) override {
            seen.push_back({kind, static_cast<int32_t>(argument)});
            return 0;
        }
        std::vector<std::pair<int32_t, int32_t>> seen;
    };
    arty_factory& factory = server_get().factory;
    arty_description description;
    description.class_name = description.instance_name = "probe";
    constexpr arty_id kProbe = 0x7FFF0001u;
    registry_entry entry;
    entry.description = &description;
    entry.object = std::make_unique<quit_probe>(factory, description);
    auto* probe = static_cast<quit_probe*>(entry.object.get());
    factory.registry.entries[kProbe] = std::move(entry);
    const arty_id old_target = factory.input_target;
    factory.input_target = kProbe;
    void* window = driver_->window_handle();
    send(sys_event_kind::close);
    EXPECT_EQ(probe->seen, (std::vector<std::pair<int32_t, int32_t>>{{kArtyKeyDown, kInputQuit}}));
    factory.input_target = old_target;
    factory.registry.entries.erase(kProbe);
    EXPECT_EQ(driver_->window_handle(), window);
    EXPECT_EQ(sys_main_window(), window);
}

// One table over the Win32 pairs: each virtual key is reached from its SDL key; others give nothing.
TEST(VirtualKeys, EachWin32KeyComesFromItsSdlKey) {
    const struct {
        int32_t sdl;
        uint32_t vk;
    } cases[] = {
        {'\t', 9},
        {'\r', 13},
        {27, 27},
        {'\b', 8},
        {127, 46},
        {0x40000050, 37},
        {0x40000052, 38},
        {0x4000004F, 39},
        {0x40000051, 40},
        {0x400000E1, 160},
        {0x400000E0, 162},
        {0x400000E2, 164},
        {0x400000E5, 161},
        {0x400000E4, 163},
        {0x400000E6, 165},
        {0x4000003A, 112},
        {0x40000043, 121},
        {0x40000044, 122},
        {0x40000045, 123},
        {' ', 32},
        {'0', 48},
        {'9', 57},
        {'a', 65},
        {'z', 90},
        {0x400000E3, 0x5B},
        {0x400000E7, 0x5C},
        {0x40000065, 0x5D},
        // No virtual key: punctuation, the keypad, caps lock.
        {'-', 0},
        {'/', 0},
        {0x40000059, 0},
        {0x40000039, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sdl);
        EXPECT_EQ(sys_virtual_key(c.sdl), c.vk);
    }
}

}  // namespace
}  // namespace kv
