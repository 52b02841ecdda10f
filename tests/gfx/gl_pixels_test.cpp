// The OpenGL driver drawing for real: Mesa's software rasteriser on an Xvfb of the test's own.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/screen_image.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "platform/dll.h"
#include "platform/gl_context.h"
#include "platform/messages.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/dds_writer.h"
#include "tools/demo_data.h"
#include "world/mesh.h"

namespace kv {
namespace {

struct rgb {
    int r, g, b;
};

// The platform's GL with the multitexture extension taken out of its extension string.
std::shared_ptr<const dll_module> single_unit_module() {
    static std::string filtered;
    static decltype(&::glGetString) real_get_string = nullptr;
    auto module = std::make_shared<dll_module>();
    const std::shared_ptr<const dll_module> platform = gl_platform_module();
    module->load = platform->load;
    module->unload = platform->unload;
    module->lookup = [platform](const char* name) -> void* {
        if (std::strcmp(name, "glGetString") != 0) return platform->lookup(name);
        real_get_string = reinterpret_cast<decltype(&::glGetString)>(platform->lookup(name));
        return reinterpret_cast<void*>(+[](GLenum which) -> const GLubyte* {
            const GLubyte* text = real_get_string(which);
            if (which != GL_EXTENSIONS || text == nullptr) return text;
            filtered = reinterpret_cast<const char*>(text);
            for (std::size_t at; (at = filtered.find("GL_ARB_multitexture")) != std::string::npos;) {
                filtered.replace(at, std::strlen("GL_ARB_multitexture"), "GL_no_multitexture__");
            }
            return reinterpret_cast<const GLubyte*>(filtered.c_str());
        });
    };
    return module;
}

class GlPixels : public testing::Test {
protected:
    static void SetUpTestSuite() { display_ = new x_display(640, 480); }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        if (!display_->ok()) GTEST_SKIP() << "Xvfb cannot start here";
        env_ = std::make_unique<scoped_display_env>(display_->name());
        log_open(folder_.file("kv.log"));
        server_get().data_dir = folder_.path().string() + "/";
    }
    void TearDown() override {
        driver_.reset();
        dll_register_module("opengl32.dll", nullptr);
        log_close();
        env_.reset();
    }

    bool open(bool fullscreen = false) {
        driver_ = std::make_unique<gl_driver>();
        if (!driver_->open(0, fullscreen, false)) return false;
        driver_->set_viewport(0, 0, 1, 1);
        driver_->begin_frame();
        driver_->fill_rect(0, 0, 1000, 1000, 0, 0, 0, 255);  // black, the colour buffer is not cleared
        return true;
    }
    screen_image read() {
        screen_image image;
        EXPECT_TRUE(driver_->read_screen(0, 0, 1, 1, image));
        return image;
    }
    static rgb at(const screen_image& image, uint32_t x, uint32_t y) {
        const uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    static void expect_near(rgb got, rgb want, int tolerance, const char* where) {
        SCOPED_TRACE(where);
        EXPECT_NEAR(got.r, want.r, tolerance);
        EXPECT_NEAR(got.g, want.g, tolerance);
        EXPECT_NEAR(got.b, want.b, tolerance);
    }
    static std::unique_ptr<texture> image_texture(const char* name, uint8_t kind, uint16_t w, uint16_t h,
                                                  std::vector<uint8_t> pixels) {
        auto t = texture_create(name);
        t->kind = kind;
        t->width = w;
        t->height = h;
        t->pixels = std::move(pixels);
        return t;
    }

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    temp_folder folder_;
    std::unique_ptr<gl_driver> driver_;
};

x_display* GlPixels::display_ = nullptr;

TEST_F(GlPixels, ColourBarsFromAnRgbImage) {
    ASSERT_TRUE(open());
    // Four bars, each a column of whole 4 x 4 blocks, so that a compressed upload keeps them exact.
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<uint8_t> texels;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 16; ++column)
            texels.insert(texels.end(), colours[column / 4], colours[column / 4] + 3);
    }
    auto bars = image_texture("bars", kTextureRgb, 16, 4, texels);
    ASSERT_TRUE(driver_->use_texture(*bars, 0));
    driver_->draw_quad_at(bars.get(), 0, 0, 1000, 1000);
    driver_->end_frame();
    const screen_image image = read();
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    expect_near(at(image, 80, 240), {255, 0, 0}, 2, "red");
    expect_near(at(image, 240, 10), {0, 255, 0}, 2, "green");
    expect_near(at(image, 400, 470), {0, 0, 255}, 2, "blue");
    expect_near(at(image, 560, 240), {255, 255, 255}, 2, "white");
    EXPECT_GT(driver_->texture_upload_ms + 1, 0u);
}

TEST_F(GlPixels, FillAndTint) {
    ASSERT_TRUE(open());
    driver_->fill_rect(0, 0, 500, 1000, 255, 0, 0, 128);   // half red over black
    driver_->set_tint(true);                               // green 75 at half strength over everything
    driver_->fill_rect(500, 0, 500, 500, 100, 0, 0, 255);  // added while the tint is on
    driver_->end_frame();
    const screen_image image = read();
    expect_near(at(image, 100, 400), {64, 38, 0}, 3, "left: half red, then tinted");
    expect_near(at(image, 500, 100), {100, 38, 0}, 3, "top right: tinted, then added");
    expect_near(at(image, 500, 400), {0, 38, 0}, 3, "bottom right: tinted only");
    EXPECT_EQ(driver_->state()->blend, 0) << "blending is off after a fill";
}

TEST_F(GlPixels, TextWithAndWithoutWidths) {
    ASSERT_TRUE(open());
    auto font =
        image_texture("gui_font", kTextureRgba, 128, 128, tools::dds_solid_rgba(128, 128, 255, 255, 255));
    int8_t widths[256];
    std::memset(widths, 8, sizeof widths);
    ASSERT_TRUE(driver_->use_texture(*font, 0));
    driver_->draw_text(font.get(), {1, 0, 0}, 100, 300, 100, 100, "AA", false, nullptr);
    driver_->draw_text(font.get(), {0, 0, 1}, 100, 700, 100, 100, "AA", false, widths);
    driver_->end_frame();
    const screen_image image = read();
    // Glyphs stand above their y: rows 200..300 and 600..700 of the virtual screen.
    auto px = [](float v, int side) { return static_cast<uint32_t>(v / 1000.0f * static_cast<float>(side)); };
    expect_near(at(image, px(150, 640), px(250, 480)), {255, 0, 0}, 2, "first glyph");
    expect_near(at(image, px(250, 640), px(250, 480)), {255, 0, 0}, 2, "second glyph, a whole cell on");
    expect_near(at(image, px(150, 640), px(320, 480)), {0, 0, 0}, 2, "nothing below the line");
    expect_near(at(image, px(120, 640), px(650, 480)), {0, 0, 255}, 2, "narrow first glyph");
    expect_near(at(image, px(175, 640), px(650, 480)), {0, 0, 255}, 2, "narrow second glyph");
    expect_near(at(image, px(230, 640), px(650, 480)), {0, 0, 0}, 2, "no third half-cell");
    EXPECT_EQ(driver_->state()->texenv, kGlTexenvModulate);
}

// A light-mapped mesh over the whole view: white vertex colours, a grey base texture and a mid-grey
// light map, drawn with two units in one pass or with one unit in two.
rgb draw_light_mapped(gl_driver& driver, bool indexed) {
    mesh_vertex v[4];
    const float corners[4][2] = {{-40, -40}, {40, -40}, {40, 40}, {-40, 40}};
    for (int i = 0; i < 4; ++i) {
        v[i].x = corners[i][0];
        v[i].y = corners[i][1];
        v[i].z = 20;
        v[i].u = i == 1 || i == 2 ? 1.0f : 0.0f;
        v[i].v = i >= 2 ? 1.0f : 0.0f;
    }
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    const uint8_t colours[16] = {255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0};
    const float coordinates[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    auto base = texture_create("base");
    base->kind = kTextureRgb;
    base->width = base->height = 1;
    base->pixels = {200, 200, 200};
    auto lightmap = texture_create("lm");
    lightmap->kind = kTextureLightMap;
    lightmap->width = lightmap->height = 1;
    lightmap->pixels = {128};
    texture* table[1] = {lightmap.get()};
    driver.set_lightmap_layer(coordinates, table);
    driver.use_texture(*base, 0);
    if (indexed) {
        driver.set_colour_array(colours, 2);
        driver.set_vertex_array(v, 4);
        driver.draw_triangles(indices, 2, false);
        driver.set_colour_array(nullptr, 0);
    } else {
        driver.draw_mesh(v, kIndexTriangles, indices, 2, false, colours);
    }
    driver.end_frame();
    screen_image image;
    driver.read_screen(0, 0, 1, 1, image);
    const uint8_t* p = &image.pixels[(240 * 640 + 320) * 3];
    driver.delete_texture(*base);
    driver.delete_texture(*lightmap);
    return {p[0], p[1], p[2]};
}

TEST_F(GlPixels, LightMapsLookAlikeWithTwoUnitsAndWithOne) {
    const int expected = 200 * 128 / 255;
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "draw_triangles" : "draw_mesh");
        ASSERT_TRUE(open());
        ASSERT_GE(driver_->state()->texture_units, 2);
        const rgb two = draw_light_mapped(*driver_, indexed);
        driver_.reset();
        dll_register_module("opengl32.dll", single_unit_module());
        ASSERT_TRUE(open());
        ASSERT_EQ(driver_->state()->multitexture, 0);
        const rgb one = draw_light_mapped(*driver_, indexed);
        driver_.reset();
        dll_register_module("opengl32.dll", nullptr);
        expect_near(two, {expected, expected, expected}, 3, "two units");
        expect_near(one, two, 3, "one unit");
    }
}

TEST_F(GlPixels, AViewportOverTheTopHalfAndReadBackTopFirst) {
    ASSERT_TRUE(open());
    driver_->fill_rect(0, 500, 1000, 500, 0, 0, 255, 255);
    driver_->set_viewport(0, 0, 1, 0.5f);
    driver_->fill_rect(0, 0, 1000, 1000, 255, 0, 0, 255);  // the whole viewport: the upper half
    driver_->end_frame();
    driver_->set_viewport(0, 0, 1, 1);
    const screen_image image = read();
    expect_near(at(image, 320, 0), {255, 0, 0}, 0, "the first row is the top");
    expect_near(at(image, 320, 239), {255, 0, 0}, 0, "red to the middle");
    expect_near(at(image, 320, 240), {0, 0, 255}, 0, "blue below");
    expect_near(at(image, 0, 479), {0, 0, 255}, 0, "the last row is the bottom");

    screen_image lower;
    ASSERT_TRUE(driver_->read_screen(0.5f, 0.5f, 1, 1, lower));
    EXPECT_EQ(lower.width, 320u);
    EXPECT_EQ(lower.height, 240u);
    expect_near(at(lower, 0, 0), {0, 0, 255}, 0, "a region from the top left");
    EXPECT_NE(folder_.read("kv.log").find("[OpenGL] Screen region [320,240] -> [639,479] read from FB.\n"),
              std::string::npos);
    screen_image empty;
    EXPECT_FALSE(driver_->read_screen(0.5f, 0.2f, 0.5f, 0.8f, empty));
}

TEST_F(GlPixels, AGreyImageBlendsByItsGrey) {
    ASSERT_TRUE(open());
    auto grey = image_texture("grey", kTextureGrey, 2, 2, {128, 128, 128, 128});
    grey->bytes_per_texel = 1;
    ASSERT_TRUE(driver_->use_texture(*grey, 0));
    driver_->draw_quad_at(grey.get(), 0, 0, 1000, 1000);
    driver_->end_frame();
    expect_near(at(read(), 320, 240), {64, 64, 64}, 2, "grey 128 at alpha 128 over black");
}

// A picture with alpha drawn after a fill, its texture still bound, is blended as before the fill.
TEST_F(GlPixels, APictureAfterAFillKeepsItsTransparency) {
    ASSERT_TRUE(open());
    auto half = image_texture("half", kTextureRgba, 4, 4, tools::dds_solid_rgba(4, 4, 255, 255, 255));
    for (std::size_t i = 3; i < half->pixels.size(); i += 4) half->pixels[i] = 128;
    ASSERT_TRUE(driver_->use_texture(*half, 0));
    driver_->draw_quad_at(half.get(), 0, 0, 500, 1000);
    driver_->fill_rect(500, 0, 500, 1000, 0, 0, 255, 255);
    ASSERT_TRUE(driver_->use_texture(*half, 0));
    driver_->draw_quad_at(half.get(), 500, 0, 500, 1000);
    const screen_image image = read();
    expect_near(at(image, 160, 240), {128, 128, 128}, 3, "white at half strength over black");
    expect_near(at(image, 480, 240), {128, 128, 255}, 3, "white at half strength over the blue fill");
}

TEST_F(GlPixels, ACentredImage) {
    ASSERT_TRUE(open());
    pixel_image picture;
    picture.width = 64;
    picture.height = 32;
    picture.pixels = tools::dds_solid_rgba(64, 32, 0, 255, 0);
    for (std::size_t i = 0; i < 64 * 4; i += 4) picture.pixels[i] = 255;  // the top row yellow
    driver_->draw_image(picture);
    driver_->end_frame();
    const screen_image image = read();
    expect_near(at(image, 320, 240), {0, 255, 0}, 0, "centre");
    expect_near(at(image, 320, 224), {255, 255, 0}, 0, "the top row on top");
    expect_near(at(image, 287, 240), {0, 0, 0}, 0, "left of the image");
    EXPECT_EQ(driver_->state()->depth_test, 1);
}

TEST_F(GlPixels, ATextureFromItsDxt1File) {
    ASSERT_TRUE(open());
    ASSERT_TRUE(driver_->has_compressed_textures());
    folder_.write("tex/dds/crate.ddn", [] {
        tools::dds_desc d{"DXT1", 16, 16, 5, tools::dds_solid_rgba(16, 16, 160, 96, 32), 0};
        const std::vector<uint8_t> bytes = tools::dds_file(d);
        return std::string(bytes.begin(), bytes.end());
    }());
    auto crate = texture_create("crate");
    crate->kind = kTextureRgb;
    crate->dds_state = kDdsFound;
    ASSERT_TRUE(driver_->use_texture(*crate, 0));
    EXPECT_EQ(crate->width, 16);
    EXPECT_EQ(crate->mip_levels, 5);
    EXPECT_EQ(crate->memory_size, 8u * (16 + 4 + 1 + 1 + 1));
    driver_->draw_quad_at(crate.get(), 0, 0, 1000, 1000);
    driver_->end_frame();
    expect_near(at(read(), 320, 240), {160, 96, 32}, 8, "the file's colour");

    // A missing file is logged once, then binds nothing.
    auto missing = texture_create("nothing");
    missing->kind = kTextureRgba;
    missing->dds_state = kDdsFound;
    EXPECT_FALSE(driver_->use_texture(*missing, 0));
    EXPECT_TRUE(driver_->use_texture(*missing, 0));
    const std::string log = folder_.read("kv.log");
    EXPECT_EQ(log.find("[OpenGL] Failed to load dds texture - nothing\n"),
              log.rfind("[OpenGL] Failed to load dds texture - nothing\n"));
    EXPECT_NE(log.find("[OpenGL] Failed to load dds texture - nothing\n"), std::string::npos);
}

// The demo data's crate from its DXT1 file: the checker board's squares come out.
TEST_F(GlPixels, TheDemoCrateFromItsDxt1File) {
    ASSERT_TRUE(tools::write_demo_data(folder_.file("demo")));
    server_get().data_dir = folder_.file("demo") + "/";
    ASSERT_TRUE(open());
    auto crate = texture_create("crate");
    crate->kind = kTextureRgb;
    crate->dds_state = kDdsFound;
    ASSERT_TRUE(driver_->use_texture(*crate, 0));
    EXPECT_EQ(crate->mip_levels, 5);
    driver_->draw_quad_at(crate.get(), 0, 0, 1000, 1000);
    driver_->end_frame();
    const screen_image image = read();
    // Squares of 4 texels: 160 x 120 pixels each.
    expect_near(at(image, 80, 60), {190, 150, 90}, 8, "light square at the top left");
    expect_near(at(image, 240, 60), {110, 80, 40}, 8, "dark square beside it");
    expect_near(at(image, 240, 180), {190, 150, 90}, 8, "light again below that");
}

// Keys typed into the window arrive in the driver's queue as virtual-key codes, through the pump.
TEST_F(GlPixels, KeysThroughTheWindowSystem) {
    ASSERT_TRUE(open());
    for (int i = 0; i < 20; ++i) sys_pump_messages();  // the focus arrives
    while (driver_->key_waiting()) driver_->read_key();
    ASSERT_TRUE(display_->press_key(XK_a));
    ASSERT_TRUE(display_->press_key(XK_F8));
    std::vector<std::pair<uint32_t, uint32_t>> keys;
    for (int i = 0; i < 200 && keys.size() < 4; ++i) {
        sys_pump_messages();
        while (driver_->key_waiting()) {
            const key_event e = driver_->read_key();
            keys.push_back({e.state, e.key});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(keys, (std::vector<std::pair<uint32_t, uint32_t>>{
                        {kKeyPressed, 'A'}, {kKeyReleased, 'A'}, {kKeyPressed, 0x77}, {kKeyReleased, 0x77}}));
}

TEST_F(GlPixels, FullScreenAtTheScreensSize) {
    ASSERT_TRUE(open(true));
    driver_->fill_rect(0, 0, 1000, 1000, 255, 0, 0, 255);
    driver_->end_frame();
    driver_->fill_rect(0, 0, 1000, 1000, 255, 0, 0, 255);
    driver_->end_frame();
    EXPECT_GT(display_->share_of_colour({255, 0, 0}, 2), 0.99);
}

}  // namespace
}  // namespace kv
