// Both display drivers draw alike: one small scene through the OpenGL driver and through the
// Direct3D driver on the same Xvfb, read back with `read_screen` and compared pixel by pixel.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/screen_image.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "world/mesh.h"

namespace kv {
namespace {

std::unique_ptr<texture> image_texture(const char* name, uint8_t kind, uint16_t w, uint16_t h,
                                       std::vector<uint8_t> pixels) {
    auto t = texture_create(name);
    t->kind = kind;
    t->width = w;
    t->height = h;
    t->pixels = std::move(pixels);
    return t;
}

// The scene's textures, made again for each driver.
struct scene_textures {
    std::unique_ptr<texture> base, lightmap, picture, font;
    scene_textures() {
        std::vector<uint8_t> checker;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool light = ((x / 4) + (y / 4)) % 2 == 0;
                checker.insert(checker.end(), {static_cast<uint8_t>(light ? 230 : 60), 120,
                                               static_cast<uint8_t>(light ? 40 : 200)});
            }
        }
        base = image_texture("base", kTextureRgb, 16, 16, checker);
        std::vector<uint8_t> ramp;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) ramp.push_back(static_cast<uint8_t>(80 + x * 10));
        }
        lightmap = image_texture("", kTextureLightMap, 16, 16, ramp);
        std::vector<uint8_t> rgba;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                rgba.insert(rgba.end(), {static_cast<uint8_t>(x < 8 ? 250 : 20), static_cast<uint8_t>(y < 8 ? 240 : 30),
                                         90, static_cast<uint8_t>(x + y < 24 ? 255 : 0)});
            }
        }
        picture = image_texture("picture", kTextureRgba, 16, 16, rgba);
        // A font atlas of 16 x 16 cells of 8 x 8 texels: each cell's middle opaque white.
        std::vector<uint8_t> atlas;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                const bool ink = x % 8 >= 2 && x % 8 < 6 && y % 8 >= 1 && y % 8 < 7;
                atlas.insert(atlas.end(), {255, 255, 255, static_cast<uint8_t>(ink ? 255 : 0)});
            }
        }
        font = image_texture("font_test", kTextureRgba, 128, 128, atlas);
        font->two_level_alpha = 1;
    }
};

void draw_scene(gfx_driver& d, scene_textures& t) {
    d.set_viewport(0, 0, 1, 1);
    d.begin_frame();
    d.fill_rect(0, 0, 1000, 1000, 0, 0, 0, 255);  // the colour buffer is not cleared

    // A light-mapped format-2 mesh with vertex colours: two triangles at depth 20.
    std::vector<mesh_vertex> vertices(4);
    const float corners[4][2] = {{-14, -6}, {2, -6}, {2, 10}, {-14, 10}};
    const float uv[4][2] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    for (int i = 0; i < 4; ++i) {
        vertices[i].x = corners[i][0];
        vertices[i].y = corners[i][1];
        vertices[i].z = 20;
        vertices[i].u = uv[i][0];
        vertices[i].v = uv[i][1];
    }
    const float lightmap_coordinates[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    const uint8_t colours[16] = {255, 255, 255, 0, 255, 200, 200, 0, 200, 255, 200, 0, 200, 200, 255, 0};
    const uint16_t triangles[6] = {0, 1, 2, 0, 2, 3};
    texture* table[4] = {t.lightmap.get(), t.lightmap.get(), t.lightmap.get(), t.lightmap.get()};
    d.use_texture(*t.base, 0);
    d.set_lightmap_layer(lightmap_coordinates, table);
    d.set_colour_array(colours, 0);
    d.draw_mesh(vertices.data(), kIndexTriangles, triangles, 2, false, colours);
    d.set_colour_array(nullptr, 0);
    d.set_lightmap_layer(nullptr, nullptr);

    // A line in the current colour under the mesh.
    d.set_colour({1.0f, 0.6f, 0.2f});
    d.draw_line({-14, -8, 20}, {2, -8, 20});

    // A textured quad and a tinted one.
    d.use_texture(*t.picture, 0);
    d.draw_quad_at(t.picture.get(), 600, 60, 160, 160);
    d.draw_quad_uv_tinted_at(t.picture.get(), {1.0f, 0.5f, 0.5f}, 800, 60, 160, 160, {0, 0}, {1, 1});

    // Text with widths.
    int8_t widths[256];
    for (int i = 0; i < 256; ++i) widths[i] = static_cast<int8_t>(6 + i % 8);
    d.use_texture(*t.font, 0);
    d.draw_text(t.font.get(), {1.0f, 1.0f, 0.0f}, 560, 700, 30, 50, "Hello 42", false, widths);

    d.fill_rect(600, 400, 250, 120, 40, 60, 255, 160);
    d.set_tint(true);
    d.set_tint(false);
    d.end_frame();
}

class DriversAlike : public testing::Test {
protected:
    void SetUp() override {
        display_ = std::make_unique<x_display>(640, 480);
        if (!display_->ok()) GTEST_SKIP() << "Xvfb cannot start here";
        env_ = std::make_unique<scoped_display_env>(display_->name());
        log_open(folder_.file("kv.log"));
        server_get().data_dir = folder_.path().string() + "/";
    }
    void TearDown() override {
        log_close();
        env_.reset();
    }

    std::unique_ptr<x_display> display_;
    std::unique_ptr<scoped_display_env> env_;
    temp_folder folder_;
};

TEST_F(DriversAlike, OneSceneThroughEachDriverReadsBackTheSame) {
    screen_image gl_image;
    screen_image d3d_image;
    bool gl_compressed = false;
    bool d3d_compressed = false;
    {
        gl_driver gl;
        ASSERT_TRUE(gl.open(0, false, false)) << folder_.read("kv.log");
        scene_textures textures;
        draw_scene(gl, textures);
        ASSERT_TRUE(gl.read_screen(0, 0, 1, 1, gl_image));
        gl_compressed = gl.state()->texture_compression != 0;
        for (texture* t : {textures.base.get(), textures.lightmap.get(), textures.picture.get(), textures.font.get()})
            gl.delete_texture(*t);
    }
    {
        d3d_driver d3d;
        ASSERT_TRUE(d3d.open(0, false, false)) << folder_.read("kv.log");
        scene_textures textures;
        draw_scene(d3d, textures);
        ASSERT_TRUE(d3d.read_screen(0, 0, 1, 1, d3d_image));
        d3d_compressed = d3d.has_compressed_textures();
    }
    ASSERT_EQ(gl_image.width, 640u);
    ASSERT_EQ(gl_image.height, 480u);
    ASSERT_EQ(d3d_image.width, 640u);
    ASSERT_EQ(d3d_image.height, 480u);
    std::size_t differing = 0;
    std::size_t lit = 0;
    for (std::size_t i = 0; i < gl_image.pixels.size(); i += 3) {
        bool differs = false;
        for (std::size_t c = 0; c < 3; ++c) {
            if (std::abs(gl_image.pixels[i + c] - d3d_image.pixels[i + c]) > 24) differs = true;
        }
        if (differs) ++differing;
        if (gl_image.pixels[i] + gl_image.pixels[i + 1] + gl_image.pixels[i + 2] > 60) ++lit;
    }
    const std::size_t total = static_cast<std::size_t>(640) * 480;
    const double allowed = gl_compressed && d3d_compressed ? 0.03 : 0.01;
    EXPECT_LE(static_cast<double>(differing) / static_cast<double>(total), allowed)
        << differing << " pixels differ";
    // The scene is there to compare: a good part of the screen is drawn.
    EXPECT_GT(lit, total / 20);
    // Both upright: the picture quads stand in the top quarter, the text in the bottom third.
    auto bright = [](const screen_image& image, uint32_t x, uint32_t y) {
        const uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
        return p[0] + p[1] + p[2] > 200;
    };
    for (const screen_image* image : {&gl_image, &d3d_image}) {
        EXPECT_TRUE(bright(*image, 400, 60));    // the picture's red-green corner (600 + 10% of 160 units)
        EXPECT_FALSE(bright(*image, 400, 420));  // far below it, nothing bright
    }
}

}  // namespace
}  // namespace kv
