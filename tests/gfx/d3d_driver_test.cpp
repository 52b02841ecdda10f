// The Direct3D driver on the Direct3D-shaped layer under an Xvfb of the test's own: its opening and
// its failures through the layer's seams, the lost device, and what it asks of the device (the
// device's own record of its calls).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/screen_image.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/dds_writer.h"
#include "world/mesh.h"

namespace kv {
namespace {

std::string rs(uint32_t state, uint32_t value) {
    return "SetRenderState " + std::to_string(state) + " " + std::to_string(value);
}
std::string tss(uint32_t stage, uint32_t state, uint32_t value) {
    return "SetTextureStageState " + std::to_string(stage) + " " + std::to_string(state) + " " +
           std::to_string(value);
}
std::string set_texture(uint32_t stage, const void* t) {
    char line[64];
    std::snprintf(line, sizeof line, "SetTexture %u %p", stage, t);
    return line;
}
uint32_t float_bits(float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    return u;
}
std::size_t count(const std::vector<std::string>& calls, const std::string& line) {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), line));
}
std::size_t count_prefix(const std::vector<std::string>& calls, const std::string& prefix) {
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.starts_with(prefix); }));
}
std::string joined(const std::vector<std::string>& calls) {
    std::string all;
    for (const std::string& c : calls) all += c + "\n";
    return all;
}

std::unique_ptr<texture> image_texture(const char* name, uint8_t kind, uint16_t w, uint16_t h,
                                       std::vector<uint8_t> pixels) {
    auto t = texture_create(name);
    t->kind = kind;
    t->width = w;
    t->height = h;
    t->pixels = std::move(pixels);
    return t;
}

TEST(D3dDriverModes, RowsOutsideTheTableAreRefusedAndLeaveTheOutputs) {
    d3d_driver driver;
    std::string name = "kept";
    int32_t width = 7;
    int32_t height = 9;
    for (int32_t row : {6, -1}) {
        EXPECT_FALSE(driver.get_mode(row, name, width, height));
        EXPECT_EQ(name, "kept");
        EXPECT_EQ(width, 7);
        EXPECT_EQ(height, 9);
    }
    EXPECT_TRUE(driver.get_mode(5, name, width, height));
    EXPECT_EQ(name, "1280x1024");
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
}

class D3dDriver : public testing::Test {
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
        d3d_clear_forced_results();
        d3d_offer_reference_kind(false);
        sys_message_box_set_sink({});
        log_close();
        env_.reset();
    }

    bool open() {
        driver_ = std::make_unique<d3d_driver>();
        return driver_->open(0, false, false);
    }
    // Opens and records the device's calls from here on.
    void open_recording() {
        ASSERT_TRUE(open()) << log();
        driver_->device()->calls = &calls_;
    }
    d3d_driver_state& state() { return const_cast<d3d_driver_state&>(*driver_->state()); }
    std::string log() const { return folder_.read("kv.log"); }
    const d3d_world_vertex* world_vertices() const {
        return reinterpret_cast<const d3d_world_vertex*>(driver_->state()->world.buffer->data());
    }

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    temp_folder folder_;
    std::unique_ptr<d3d_driver> driver_;
    std::vector<std::string> calls_;
};

x_display* D3dDriver::display_ = nullptr;

TEST_F(D3dDriver, OpensWithItsLinesInOrderAndItsWindow) {
    ASSERT_TRUE(open()) << log();
    const std::string text = log();
    std::size_t at = 0;
    for (const char* line :
         {"[D3D] Quellix Direct3D driver\n", "[D3D] Driver      ", "[D3D] Description ", "[D3D] Product     ",
          "[D3D] Version     ", "[D3D] SubVersion  ", "[D3D] Build       ", "[D3D] VendorId    ",
          "[D3D] DeviceId    ", "[D3D] SubSysId    ", "[D3D] Revision    ", "[D3D] Device type HAL\n",
          "[D3D] hw vp\n", "[D3D] backbuffer format ", "[D3D] depth stencil format ",
          "[D3D] MipMaps                 1\n", "[D3D] Pow2 textures only      ", "[D3D] MaxSimultaneousTextures ",
          "[D3D] Multitexture            1\n", "[D3D] Trilinear filtering     1\n",
          "[D3D] MaxTextureWidth         ", "[D3D] MaxTextureHeight        ", "[D3D] Created vertex buffer2d\n",
          "[D3D] Created vertex buffer3d\n", "[D3D] Created Index Buffer.\n"}) {
        const std::size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << text;
        at = found + 1;
    }
    EXPECT_TRUE(display_->has_window_titled("D3D Korvane 1.0"));
    int width = 0;
    int height = 0;
    ASSERT_TRUE(display_->window_size("D3D Korvane 1.0", width, height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(sys_main_window(), driver_->window_handle());
    EXPECT_EQ(driver_->driver_id(), kDriverIdDirect3d);
    EXPECT_GT(driver_->max_texture_size(), 0);
}

TEST_F(D3dDriver, EachFatalStepLogsItsLineAndLeavesNoState) {
    const struct {
        d3d_call call;
        const char* line;
    } cases[] = {
        {d3d_call::create_object, "[D3D] *FATAL* couldn't create D3D_SDK_VERSION\n"},
        {d3d_call::check_device_type, "[D3D] *FATAL* couldn't BuildDeviceList\n"},
        {d3d_call::create_device, "[D3D] *FATAL* couldn't initialize 3d environment.\n"},
        {d3d_call::create_vertex_buffer, "[D3D] Create - Vertex Buffer 2D failed!"},
        {d3d_call::create_index_buffer, "[D3D] Create Index Buffer failed!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        d3d_force_result(c.call, kD3dErrNotAvailable);
        EXPECT_FALSE(open());
        const std::string text = log();
        const std::size_t line = text.rfind(c.line);
        ASSERT_NE(line, std::string::npos) << text;
        EXPECT_NE(text.find("[D3D] d3d_deinit()\n", line), std::string::npos) << text;
        EXPECT_EQ(driver_->state(), nullptr);
        EXPECT_EQ(driver_->window_handle(), nullptr);
        EXPECT_EQ(driver_->device(), nullptr);
        EXPECT_EQ(sys_main_window(), nullptr);
        d3d_clear_forced_results();
        // Nothing stays behind that stops the next opening.
        ASSERT_TRUE(open()) << log();
        driver_.reset();
    }
}

TEST_F(D3dDriver, FailingHardwareDeviceWarnsAndTakesTheReferenceDevice) {
    std::vector<std::string> boxes;
    sys_message_box_set_sink(
        [&](const std::string&, const std::string& text, message_box_kind) { boxes.push_back(text); });
    d3d_force_result(d3d_call::create_hal_device, kD3dErrNotAvailable);
    // Without a reference kind the failure stands.
    EXPECT_FALSE(open());
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(log().find("[D3D] *FATAL* couldn't initialize 3d environment.\n"), std::string::npos);

    d3d_offer_reference_kind(true);
    ASSERT_TRUE(open()) << log();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], d3d_error_text(kD3dAppWarnSwitchToRef));
    const std::string text = log();
    const std::size_t ref = text.find("[D3D] Device type REF\n");
    ASSERT_NE(ref, std::string::npos) << text;
    EXPECT_EQ(text.find("[D3D] simulated hw vp\n", ref), ref + std::strlen("[D3D] Device type REF\n")) << text;
}

TEST_F(D3dDriver, LostDeviceSkipsFramesAndNotResetRebuildsAndDrawsAgain) {
    open_recording();
    d3d_force_result(d3d_call::test_cooperative_level, kD3dErrDeviceLost);
    EXPECT_FALSE(driver_->device_ready());
    EXPECT_FALSE(driver_->device_ready());
    EXPECT_EQ(count(calls_, "Reset"), 0u);
    EXPECT_NE(driver_->state()->world.buffer, nullptr);

    // A Reset that fails is tried again on the next frame; the buffers are gone before it.
    d3d_force_result(d3d_call::test_cooperative_level, kD3dErrDeviceNotReset);
    d3d_force_result(d3d_call::reset, kD3dErrDeviceLost);
    EXPECT_FALSE(driver_->device_ready());
    EXPECT_EQ(driver_->state()->screen.buffer, nullptr);
    EXPECT_EQ(driver_->state()->world.buffer, nullptr);
    EXPECT_EQ(driver_->state()->indices.buffer, nullptr);

    // The layer refuses Reset while a default-pool buffer lives: this one succeeds.
    d3d_clear_forced_results();
    d3d_force_result(d3d_call::test_cooperative_level, kD3dErrDeviceNotReset);
    calls_.clear();
    EXPECT_TRUE(driver_->device_ready()) << log();
    const auto reset = std::find(calls_.begin(), calls_.end(), "Reset");
    ASSERT_NE(reset, calls_.end());
    EXPECT_EQ(std::count_if(calls_.begin(), reset, [](const std::string& c) { return c.starts_with("Create"); }), 0);
    EXPECT_EQ(count_prefix(calls_, "CreateVertexBuffer "), 2u);
    EXPECT_EQ(count_prefix(calls_, "CreateIndexBuffer "), 1u);
    EXPECT_EQ(count(calls_, tss(0, kD3dTssColorOp, kD3dTopModulate)), 1u) << joined(calls_);
    EXPECT_NE(driver_->state()->world.buffer, nullptr);

    d3d_clear_forced_results();
    ASSERT_TRUE(driver_->device_ready());
    driver_->set_viewport(0, 0, 1, 1);
    driver_->begin_frame();
    driver_->fill_rect(0, 0, 1000, 1000, 200, 30, 40, 255);
    driver_->end_frame();
    screen_image image;
    ASSERT_TRUE(driver_->read_screen(0, 0, 1, 1, image));
    ASSERT_EQ(image.width, 640u);
    const uint8_t* p = &image.pixels[(240u * 640u + 320u) * 3];
    EXPECT_NEAR(p[0], 200, 2);
    EXPECT_NEAR(p[1], 30, 2);
    EXPECT_NEAR(p[2], 40, 2);
}

TEST_F(D3dDriver, ASecondDriverAndOpenGlAfterDirect3dOpen) {
    ASSERT_TRUE(open()) << log();
    driver_.reset();
    EXPECT_EQ(sys_main_window(), nullptr);
    ASSERT_TRUE(open()) << log();
    driver_.reset();
    gl_driver gl;
    EXPECT_TRUE(gl.open(0, false, false)) << log();
}

TEST_F(D3dDriver, FrameAndRenderStateEdgeCases) {
    open_recording();
    {
        SCOPED_TRACE("two begin frames");
        calls_.clear();
        driver_->begin_frame();
        driver_->begin_frame();
        EXPECT_EQ(count(calls_, "Clear 0x2"), 2u);
        EXPECT_EQ(count(calls_, "BeginScene"), 1u);
        driver_->end_frame();
        EXPECT_EQ(count(calls_, "EndScene"), 1u);
        EXPECT_EQ(calls_.back(), "Present");
    }
    {
        SCOPED_TRACE("a cleared frame");
        calls_.clear();
        driver_->clear_frame();
        EXPECT_EQ(count(calls_, "Clear 0x3"), 1u);
        EXPECT_EQ(count(calls_, "BeginScene"), 1u);
        driver_->end_frame();
    }
    const struct {
        const char* what;
        gfx_fog fog;
        std::vector<std::string> lines;
    } fogs[] = {
        {"all zero", {0, 0, 0, 0}, {rs(kD3dRsFogEnable, 0)}},
        {"density only: black fog",
         {0.5f, 0, 0, 0},
         {rs(kD3dRsFogEnable, 1), rs(kD3dRsFogColor, 0), rs(kD3dRsFogTableMode, kD3dFogExp),
          rs(kD3dRsFogDensity, float_bits(0.5f))}},
        {"colour over 1 is clamped",
         {0.25f, 2.0f, 0.5f, 0},
         {rs(kD3dRsFogEnable, 1), rs(kD3dRsFogColor, 0x00FF7F00), rs(kD3dRsFogTableMode, kD3dFogExp),
          rs(kD3dRsFogDensity, float_bits(0.25f))}},
    };
    for (const auto& f : fogs) {
        SCOPED_TRACE(f.what);
        calls_.clear();
        EXPECT_TRUE(driver_->set_fog(&f.fog));
        EXPECT_EQ(calls_, f.lines);
    }
    const struct {
        int32_t blend;
        int32_t depth_write;
    } blends[] = {{kD3dBlendAlpha, 0}, {kD3dBlendOpaque, 1}};
    for (const auto& b : blends) {
        SCOPED_TRACE(b.blend);
        driver_->d3d_set_depth_test(0);
        driver_->d3d_set_blend(b.blend);
        driver_->d3d_set_depth_test(1);
        EXPECT_EQ(driver_->state()->depth_write, b.depth_write);
    }
    {
        SCOPED_TRACE("combine 13, 13, 9");
        driver_->set_colour_array(nullptr, 0);  // flat shading: 9 stays texture-only
        calls_.clear();
        driver_->d3d_set_combine(kD3dCombineDiffuse);
        driver_->d3d_set_combine(kD3dCombineDiffuse);
        EXPECT_EQ(count(calls_, tss(0, kD3dTssColorOp, kD3dTopSelectArg2)), 1u);
        driver_->d3d_set_combine(kD3dCombineTexture);
        const std::vector<std::string> last(calls_.end() - 4, calls_.end());
        EXPECT_EQ(last, (std::vector<std::string>{tss(0, kD3dTssColorOp, kD3dTopSelectArg1),
                                                  tss(0, kD3dTssAlphaOp, kD3dTopSelectArg1),
                                                  tss(1, kD3dTssColorOp, kD3dTopDisable),
                                                  tss(1, kD3dTssAlphaOp, kD3dTopDisable)}));
        // Requested 9 modulates while the shading is not flat.
        state().requested_combine = kD3dCombineTexture;
        driver_->set_colour_array(std::vector<uint8_t>(8, 9).data(), 0);
        driver_->d3d_set_combine(kD3dCombineRequested);
        EXPECT_EQ(driver_->state()->combine, kD3dCombineModulate);
    }
    {
        SCOPED_TRACE("model-view");
        mat4 moved = kMat4Identity;
        moved.m[15] = 1.0f;
        moved.m[12] = 3.0f;
        calls_.clear();
        driver_->set_modelview(kMat4Identity, false);
        EXPECT_EQ(calls_, (std::vector<std::string>{"SetTransform 2 identity"}));
        driver_->set_modelview(moved, false);
        driver_->set_modelview(moved, false);
        EXPECT_EQ(count(calls_, "SetTransform 2 matrix"), 1u);
        // A viewport resets the view: the same matrix is sent again.
        driver_->set_viewport(0, 0, 0.5f, 0.5f);
        EXPECT_EQ(count(calls_, "SetViewport 0 0 320 240 0.1 1"), 1u) << joined(calls_);
        driver_->set_modelview(moved, false);
        EXPECT_EQ(count(calls_, "SetTransform 2 matrix"), 2u);
        EXPECT_EQ(calls_.back(), "SetTransform 2 matrix");
    }
}

TEST_F(D3dDriver, AppendRuleWrapsDiscardsAndRefuses) {
    open_recording();
    std::vector<mesh_vertex> many(kD3dWorldVertices + 1);
    for (std::size_t i = 0; i < many.size(); ++i) many[i].x = static_cast<float>(i % 7);
    {
        SCOPED_TRACE("appended behind the last run, then exactly the remaining room wraps");
        driver_->draw_polygon(many.data(), 100, false);
        driver_->draw_polygon(many.data(), kD3dWorldVertices - 100, false);
        const std::vector<std::string> locks = [&] {
            std::vector<std::string> l;
            for (const std::string& c : calls_)
                if (c.starts_with("Lock vb 0x242")) l.push_back(c);
            return l;
        }();
        ASSERT_EQ(locks.size(), 2u);
        EXPECT_EQ(locks[0], "Lock vb 0x242 0 3200 0x1800");
        EXPECT_EQ(locks[1], "Lock vb 0x242 0 " + std::to_string((kD3dWorldVertices - 100) * 32) + " 0x2800");
        EXPECT_EQ(calls_.back(), "DrawPrimitive 6 0 " + std::to_string(kD3dWorldVertices - 102));
    }
    {
        SCOPED_TRACE("more than the buffer holds draws nothing");
        calls_.clear();
        driver_->draw_polygon(many.data(), static_cast<int32_t>(kD3dWorldVertices + 1), false);
        EXPECT_EQ(count_prefix(calls_, "Lock"), 0u);
        EXPECT_EQ(count_prefix(calls_, "DrawPrimitive"), 0u);
    }
    const uint16_t triangle[3] = {0, 1, 2};
    {
        SCOPED_TRACE("an indexed draw without a run");
        EXPECT_EQ(driver_->draw_triangles(triangle, 1, false), 0);
    }
    {
        SCOPED_TRACE("colour kind 1 colours the run, and nothing past it");
        driver_->set_colour_array(nullptr, 0);
        driver_->set_vertex_array(many.data(), 3);
        const uint32_t run = driver_->state()->run_start;
        driver_->draw_polygon(many.data(), 3, false);  // behind the run, in the current colour
        const uint8_t one[4] = {10, 20, 30, 0};
        driver_->set_colour_array(one, 1);
        for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(world_vertices()[run + i].colour, 0xFF0A141Eu) << i;
        for (uint32_t i = 3; i < 6; ++i) EXPECT_EQ(world_vertices()[run + i].colour, 0xFFFFFFFFu) << i;
        calls_.clear();
        EXPECT_EQ(driver_->draw_triangles(triangle, 1, false), 1);
        EXPECT_EQ(count(calls_, "DrawIndexedPrimitive 4 0 1"), 1u) << joined(calls_);
        EXPECT_EQ(count(calls_, "SetIndices " + std::to_string(run)), 1u);
        // Per-vertex colours reach the run as well, within its own count.
        const uint8_t per_vertex[12] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
        driver_->set_colour_array(per_vertex, 0);
        EXPECT_EQ(world_vertices()[run + 2].colour, 0xFF070809u);
        EXPECT_EQ(world_vertices()[run + 3].colour, 0xFFFFFFFFu);
    }
}

TEST_F(D3dDriver, LightMapPassWithAndWithoutMultitexture) {
    open_recording();
    auto base = image_texture("base", kTextureRgb, 4, 4, std::vector<uint8_t>(48, 200));
    auto lightmap = image_texture("", kTextureLightMap, 4, 4, std::vector<uint8_t>(16, 100));
    texture* table[1] = {lightmap.get()};
    const float coordinates[6] = {0, 0, 1, 0, 1, 1};
    std::vector<mesh_vertex> vertices(3);
    vertices[1].x = 1;
    vertices[2].y = 1;
    const uint16_t triangle[3] = {0, 1, 2};
    for (bool multitexture : {true, false}) {
        SCOPED_TRACE(multitexture ? "two stages" : "two passes");
        state().multitexture = multitexture;
        ASSERT_TRUE(driver_->use_texture(*base, 0));
        driver_->set_lightmap_layer(coordinates, table);
        calls_.clear();
        EXPECT_EQ(driver_->draw_mesh(vertices.data(), kIndexTriangles, triangle, 1, false, nullptr), 1);
        driver_->set_vertex_array(vertices.data(), 3);
        EXPECT_EQ(driver_->draw_triangles(triangle, 1, false), 1);
        const d3d_texture* lm = driver_->texture_of(*lightmap);
        const d3d_texture* b = driver_->texture_of(*base);
        ASSERT_NE(lm, nullptr);
        if (multitexture) {
            EXPECT_EQ(count(calls_, set_texture(1, lm)), 1u) << joined(calls_);
            EXPECT_EQ(count(calls_, tss(1, kD3dTssColorOp, kD3dTopModulate)), 1u);
            EXPECT_EQ(count_prefix(calls_, "DrawPrimitive 4 "), 1u);
            EXPECT_EQ(count_prefix(calls_, "DrawIndexedPrimitive 4 "), 1u);
            EXPECT_EQ(count(calls_, rs(kD3dRsZFunc, kD3dCmpEqual)), 0u);
        } else {
            EXPECT_EQ(count(calls_, set_texture(0, lm)), 2u) << joined(calls_);
            EXPECT_EQ(count(calls_, set_texture(0, b)), 2u);  // put back after each pass
            EXPECT_EQ(count_prefix(calls_, "DrawPrimitive 4 "), 2u);
            EXPECT_EQ(count_prefix(calls_, "DrawIndexedPrimitive 4 "), 2u);
            EXPECT_EQ(count(calls_, rs(kD3dRsZFunc, kD3dCmpEqual)), 2u);
            EXPECT_EQ(count(calls_, rs(kD3dRsSrcBlend, kD3dBlendDestColor)), 2u);
            // The run's own coordinates are back after the light map's pass.
            const d3d_world_vertex& v = world_vertices()[driver_->state()->run_start + 1];
            EXPECT_EQ(v.u0, vertices[1].u);
            EXPECT_EQ(driver_->state()->depth_write, 1);
            EXPECT_EQ(driver_->state()->blend, kD3dBlendOff);
        }
        driver_->set_lightmap_layer(nullptr, nullptr);
        driver_->use_texture(*lightmap, 0);  // another texture on stage 0 before the next round
    }
}

TEST_F(D3dDriver, LampLayerDrawsLampThenLightMapAddedThenBaseMultiplied) {
    open_recording();
    auto base = image_texture("base", kTextureRgb, 4, 4, std::vector<uint8_t>(48, 200));
    auto lamp = image_texture("lamp", kTextureRgb, 4, 4, std::vector<uint8_t>(48, 50));
    auto lightmap = image_texture("", kTextureLightMap, 4, 4, std::vector<uint8_t>(16, 100));
    texture* table[1] = {lightmap.get()};
    const float coordinates[6] = {0, 0, 1, 0, 1, 1};
    std::vector<mesh_vertex> vertices(3);
    const uint16_t triangle[3] = {0, 1, 2};
    ASSERT_TRUE(driver_->use_texture(*base, 0));
    driver_->set_lightmap_layer(coordinates, table);
    driver_->set_lamp_layer(nullptr, lamp.get());
    calls_.clear();
    EXPECT_EQ(driver_->draw_mesh(vertices.data(), kIndexTriangles, triangle, 1, false, nullptr), 1);
    EXPECT_EQ(count_prefix(calls_, "DrawPrimitive 4 "), 3u) << joined(calls_);
    const auto add = std::find(calls_.begin(), calls_.end(), rs(kD3dRsDestBlend, kD3dBlendOne));
    const auto multiply = std::find(calls_.begin(), calls_.end(), rs(kD3dRsSrcBlend, kD3dBlendDestColor));
    ASSERT_NE(add, calls_.end());
    ASSERT_NE(multiply, calls_.end());
    EXPECT_LT(add, multiply);
    EXPECT_EQ(calls_.back(), rs(kD3dRsAlphaBlendEnable, 0));
    // The base texture is on stage 0 again for the last pass.
    EXPECT_EQ(driver_->state()->bound[0], driver_->texture_of(*base));
}

TEST_F(D3dDriver, TextureKindsFormatsAndPaddedRows) {
    open_recording();
    state().compressed = false;
    // Three texels a row: every pitch is padded past them.
    std::vector<uint8_t> grey = {10, 20, 30, 40, 50, 60};
    std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    std::vector<uint8_t> rgba(3 * 2 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i * 9);
    const struct {
        const char* name;
        uint8_t kind;
        std::vector<uint8_t> pixels;
        d3d_format format;
        bool mip_chain;
        int32_t address;
        std::vector<uint32_t> texels;
    } cases[] = {
        {"rgb", kTextureRgb, rgb, kD3dFmtR8G8B8, true, kD3dAddressWrapKind,
         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0B0C0D, 0xFF0E0F10, 0xFF111213}},
        {"grey", kTextureGrey, grey, kD3dFmtA8R8G8B8, true, kD3dAddressWrapKind,
         {0x0A0A0A0A, 0x14141414, 0x1E1E1E1E, 0x28282828, 0x32323232, 0x3C3C3C3C}},
        {"rgba", kTextureRgba, rgba, kD3dFmtA8R8G8B8, true, kD3dAddressWrapKind, {}},
        {"lightmap", kTextureLightMap, grey, kD3dFmtR8G8B8, false, kD3dAddressClampKind,
         {0xFF0A0A0A, 0xFF141414, 0xFF1E1E1E, 0xFF282828, 0xFF323232, 0xFF3C3C3C}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = image_texture(c.name, c.kind, 3, 2, c.pixels);
        calls_.clear();
        ASSERT_TRUE(driver_->use_texture(*t, 0));
        d3d_texture* made = driver_->texture_of(*t);
        ASSERT_NE(made, nullptr) << log();
        EXPECT_EQ(made->format(), c.format);
        EXPECT_EQ(made->level_count(), c.mip_chain ? 2u : 1u);
        EXPECT_EQ(driver_->state()->address[0], c.address);
        std::vector<uint32_t> texels;
        ASSERT_TRUE(made->surface_level(0)->read_argb({0, 0, 3, 2}, texels));
        if (c.kind == kTextureRgba) {
            // Red, green, blue, alpha bytes become A R G B.
            std::vector<uint32_t> want;
            for (std::size_t i = 0; i < 6; ++i)
                want.push_back(d3d_argb(rgba[4 * i + 3], rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]));
            EXPECT_EQ(texels, want);
        } else {
            EXPECT_EQ(texels, c.texels);
        }
        EXPECT_EQ(t->uploaded, 1);
        EXPECT_GT(t->memory_size, 0u);
        driver_->delete_texture(*t);
        EXPECT_EQ(driver_->texture_of(*t), nullptr);
        EXPECT_EQ(t->uploaded, 0);
    }
    for (uint8_t kind : {kTextureNotUploaded, kTextureAlpha}) {
        SCOPED_TRACE(kind);
        auto t = image_texture("none", kind, 2, 2, std::vector<uint8_t>(16, 1));
        calls_.clear();
        EXPECT_TRUE(driver_->use_texture(*t, 0));
        EXPECT_EQ(driver_->texture_of(*t), nullptr);
        EXPECT_EQ(count(calls_, set_texture(0, nullptr)), 1u);
    }
    {
        SCOPED_TRACE("bytes short of the size");
        auto t = image_texture("short", kTextureRgb, 4, 4, std::vector<uint8_t>(47, 1));
        EXPECT_TRUE(driver_->use_texture(*t, 0));
        EXPECT_EQ(driver_->texture_of(*t), nullptr);
        EXPECT_NE(log().find("[D3D] Cannot upload texture - short (4x4, kind 1, 47 bytes)\n"), std::string::npos);
    }
}

TEST_F(D3dDriver, FontsSameTextureTwiceAndClampedBinding) {
    open_recording();
    state().compressed = false;
    auto font = image_texture("font_small", kTextureRgba, 8, 8, std::vector<uint8_t>(256, 255));
    auto wall = image_texture("wall", kTextureRgba, 8, 8, std::vector<uint8_t>(256, 255));
    ASSERT_TRUE(driver_->use_texture(*font, 0));
    EXPECT_EQ(driver_->texture_of(*font)->level_count(), 1u);
    EXPECT_EQ(count(calls_, tss(0, kD3dTssMipFilter, kD3dTexfPoint)), 1u) << joined(calls_);
    calls_.clear();
    ASSERT_TRUE(driver_->use_texture(*wall, 0));
    EXPECT_EQ(driver_->texture_of(*wall)->level_count(), 4u);
    EXPECT_EQ(count(calls_, tss(0, kD3dTssMipFilter, kD3dTexfLinear)), 1u) << joined(calls_);
    ASSERT_TRUE(driver_->use_texture(*wall, 0));
    EXPECT_EQ(count_prefix(calls_, "SetTexture 0 "), 1u);

    // The clamped binding takes the stage: the wall made current again binds and wraps again.
    calls_.clear();
    driver_->bind_texture_clamped(*font);
    EXPECT_EQ(calls_, (std::vector<std::string>{set_texture(0, driver_->texture_of(*font)),
                                                tss(0, kD3dTssAddressU, kD3dTAddressClamp),
                                                tss(0, kD3dTssAddressV, kD3dTAddressClamp)}));
    calls_.clear();
    ASSERT_TRUE(driver_->use_texture(*wall, 0));
    EXPECT_EQ(count(calls_, set_texture(0, driver_->texture_of(*wall))), 1u);
    EXPECT_EQ(count(calls_, tss(0, kD3dTssAddressU, kD3dTAddressWrap)), 1u) << joined(calls_);
}

TEST_F(D3dDriver, CompressedTexturesAndDdsSuffixes) {
    open_recording();
    if (!driver_->has_compressed_textures()) GTEST_SKIP() << "no S3TC on this GL";
    {
        SCOPED_TRACE("DXT1 for RGB, DXT3 for RGBA");
        auto rgb = image_texture("rgb", kTextureRgb, 8, 8, std::vector<uint8_t>(192, 90));
        auto rgba = image_texture("rgba", kTextureRgba, 8, 8, std::vector<uint8_t>(256, 90));
        ASSERT_TRUE(driver_->use_texture(*rgb, 0));
        ASSERT_TRUE(driver_->use_texture(*rgba, 0));
        EXPECT_EQ(driver_->texture_of(*rgb)->format(), kD3dFmtDxt1);
        EXPECT_EQ(driver_->texture_of(*rgba)->format(), kD3dFmtDxt3);
    }
    const struct {
        uint8_t kind;
        uint8_t two_level;
        const char* suffix;
    } cases[] = {{kTextureRgb, 0, ".ddn"}, {kTextureRgba, 1, ".dds"}, {kTextureRgba, 0, ".dda"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.suffix);
        const std::string name = std::string("pic") + std::to_string(c.kind) + std::to_string(c.two_level);
        tools::dds_desc desc;
        desc.four_cc = "DXT3";
        desc.width = desc.height = 8;
        desc.rgba = tools::dds_solid_rgba(8, 8, 40, 80, 120);
        const std::vector<uint8_t> bytes = tools::dds_file(desc);
        folder_.write("tex/dds/" + name + c.suffix, std::string(bytes.begin(), bytes.end()));
        // The same name under every other suffix is not read.
        auto t = texture_create(name);
        t->kind = c.kind;
        t->two_level_alpha = c.two_level;
        t->dds_state = kDdsFound;
        ASSERT_TRUE(driver_->use_texture(*t, 0)) << log();
        ASSERT_NE(driver_->texture_of(*t), nullptr);
        EXPECT_EQ(driver_->texture_of(*t)->format(), kD3dFmtDxt3);
        EXPECT_EQ(t->width, 8);
        auto other = texture_create(name);
        other->kind = c.kind;
        other->two_level_alpha = c.two_level ^ 1;
        other->dds_state = kDdsFound;
        if (c.kind == kTextureRgba) {
            calls_.clear();
            EXPECT_FALSE(driver_->use_texture(*other, 0));
            EXPECT_EQ(other->dds_failed, 1);
            // Tried once: later binds leave the stage empty without a word.
            const std::string before = log();
            EXPECT_TRUE(driver_->use_texture(*other, 0));
            EXPECT_EQ(log(), before);
            EXPECT_EQ(count(calls_, set_texture(0, nullptr)), 2u);
        }
    }
    EXPECT_NE(log().find("[D3D] Failed to load dds texture - pic40\n"), std::string::npos) << log();
}

}  // namespace
}  // namespace kv
