// The Direct3D-shaped layer drawing for real: Mesa's software rasteriser on an Xvfb of the test's own,
// read back through the layer's own front buffer.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <tuple>

#include "game/server.h"
#include "gfx/drivers/d3d_enum.h"
#include "gfx/drivers/d3dx_dds.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/screen_image.h"
#include "kernel/log.h"
#include "platform/d3d_layer.h"
#include "platform/display_modes.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/dds_writer.h"
#include "world/mesh.h"

namespace kv {
namespace {

struct vertex3d {  // format 0x242
    float x, y, z;
    uint32_t colour;
    float u0, v0, u1, v1;
};
struct vertex2d {  // format 0x144
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

constexpr uint32_t kSide = 64;
constexpr uint32_t kBlack = 0xFF000000;

uint32_t channel(uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

class D3dPixels : public testing::Test {
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
        object_ = d3d_create_object();
        ASSERT_NE(object_, nullptr) << folder_.read("kv.log");
    }
    void TearDown() override {
        buffers_.clear();
        device_.reset();
        if (window_ != nullptr) sys_gl_window_destroy(window_);
        window_ = nullptr;
        object_.reset();
        d3d_clear_forced_results();
        log_close();
        env_.reset();
    }

    // A windowed device on a kSide x kSide window at the top left, with a D24S8 depth buffer, its
    // projection the driver's 90-degree one, its back buffer cleared black.
    void open_windowed() {
        window_ = sys_gl_window_create("d3d pixels", kSide, kSide, false);
        ASSERT_NE(window_, nullptr);
        d3d_present_parameters pp;
        pp.windowed = true;
        pp.back_buffer_format = kD3dFmtX8R8G8B8;
        pp.device_window = window_;
        pp.enable_auto_depth_stencil = true;
        pp.auto_depth_stencil_format = kD3dFmtD24S8;
        ASSERT_EQ(object_->create_device(0, kD3dDevTypeHal, window_, kD3dCreateHardwareVertexProcessing, pp,
                                         device_),
                  kD3dOk);
        d3d_device& d = *device_;
        d.set_transform(kD3dTsProjection, d3dx_matrix_perspective_off_center_lh(-15, 15, -15, 15, 15, 50000));
        d.set_render_state(kD3dRsLighting, 0);
        d.set_render_state(kD3dRsCullMode, kD3dCullNone);
        ASSERT_EQ(d.clear(0, nullptr, kD3dClearTarget | kD3dClearZBuffer, kBlack, 1.0f, 0), kD3dOk);
        ASSERT_EQ(d.begin_scene(), kD3dOk);
    }

    // Copies the vertices into a dynamic buffer of their own and draws them.
    template <typename Vertex>
    d3d_result draw(uint32_t kind, const std::vector<Vertex>& vertices, uint32_t primitives) {
        const uint32_t fvf = sizeof(Vertex) == 32 ? kD3dFvfXyzDiffuseTex2 : kD3dFvfXyzRhwDiffuseTex1;
        std::unique_ptr<d3d_vertex_buffer> vb;
        const auto bytes = static_cast<uint32_t>(vertices.size() * sizeof(Vertex));
        EXPECT_EQ(device_->create_vertex_buffer(bytes, kD3dUsageDynamic | kD3dUsageWriteOnly, fvf,
                                                kD3dPoolDefault, vb),
                  kD3dOk);
        uint8_t* p = nullptr;
        EXPECT_EQ(vb->lock(0, bytes, p, kD3dLockDiscard | kD3dLockNoSysLock), kD3dOk);
        std::memcpy(p, vertices.data(), bytes);
        vb->unlock();
        device_->set_vertex_shader(fvf);
        device_->set_stream_source(0, vb.get(), sizeof(Vertex));
        const d3d_result r = device_->draw_primitive(kind, 0, primitives);
        buffers_.push_back(std::move(vb));
        return r;
    }

    // A quad at depth z (view space), from (x0, y0) to (x1, y1), as a triangle list.
    static std::vector<vertex3d> quad3d(float x0, float y0, float x1, float y1, float z, uint32_t colour) {
        return {{x0, y1, z, colour, 0, 0, 0, 0}, {x1, y1, z, colour, 1, 0, 1, 0},
                {x0, y0, z, colour, 0, 1, 0, 1}, {x1, y1, z, colour, 1, 0, 1, 0},
                {x1, y0, z, colour, 1, 1, 1, 1}, {x0, y0, z, colour, 0, 1, 0, 1}};
    }
    static std::vector<vertex2d> quad2d(float x0, float y0, float x1, float y1, uint32_t colour) {
        return {{x0, y0, 0.5f, 1, colour, 0, 0}, {x1, y0, 0.5f, 1, colour, 1, 0},
                {x0, y1, 0.5f, 1, colour, 0, 1}, {x1, y0, 0.5f, 1, colour, 1, 0},
                {x1, y1, 0.5f, 1, colour, 1, 1}, {x0, y1, 0.5f, 1, colour, 0, 1}};
    }

    // Ends the scene, presents and reads the front buffer.
    std::vector<uint32_t> present_and_read() {
        EXPECT_EQ(device_->end_scene(), kD3dOk);
        EXPECT_EQ(device_->present(), kD3dOk);
        d3d_display_mode mode;
        device_->display_mode(mode);
        std::unique_ptr<d3d_surface> front;
        EXPECT_EQ(device_->create_image_surface(mode.width, mode.height, kD3dFmtA8R8G8B8, front), kD3dOk);
        EXPECT_EQ(device_->front_buffer(*front), kD3dOk);
        screen_width_ = mode.width;
        std::vector<uint32_t> all;
        front->read_argb({0, 0, static_cast<int32_t>(mode.width), static_cast<int32_t>(mode.height)}, all);
        return all;
    }
    uint32_t at(const std::vector<uint32_t>& screen, uint32_t x, uint32_t y) const {
        return screen[static_cast<std::size_t>(y) * screen_width_ + x];
    }
    static void expect_near(uint32_t got, uint32_t want, int tolerance, const std::string& where) {
        SCOPED_TRACE(where);
        for (int shift : {16, 8, 0}) {
            EXPECT_NEAR(static_cast<int>(channel(got, shift)), static_cast<int>(channel(want, shift)),
                        tolerance)
                << std::hex << got << " want " << want;
        }
    }

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    temp_folder folder_;
    std::unique_ptr<d3d_object> object_;
    sys_gl_window* window_ = nullptr;
    std::unique_ptr<d3d_device> device_;
    std::vector<std::unique_ptr<d3d_buffer>> buffers_;
    uint32_t screen_width_ = 0;
};

x_display* D3dPixels::display_ = nullptr;

TEST_F(D3dPixels, TheRealObjectOffersOneAdapterAWindowableHalAndTheDisplaysModes) {
    d3d_state state;
    state.d3d = object_.get();
    state.min_depth_bits = 24;
    state.min_stencil_bits = 0;
    ASSERT_EQ(d3d_build_device_list(state, 640, 480, 32), 0u);
    EXPECT_EQ(object_->adapter_count(), 1u);
    ASSERT_EQ(state.adapter_count, 1u);
    const d3d_adapter& a = state.adapters[0];
    EXPECT_FALSE(a.identifier.description.empty());
    EXPECT_EQ(a.desktop_mode.width, 640u);
    EXPECT_EQ(a.desktop_mode.format, kD3dFmtX8R8G8B8);
    ASSERT_EQ(a.device_count, 1u);
    const d3d_device_kind& k = a.devices[0];
    EXPECT_EQ(k.name, "HAL");
    EXPECT_TRUE(k.windowed);
    EXPECT_FALSE(state.full_screen);
    ASSERT_GE(k.mode_count, 2u);
    // 640 x 480 in both formats, R5G6B5 first.
    EXPECT_EQ(k.modes[0].format, kD3dFmtR5G6B5);
    EXPECT_EQ(k.modes[0].width, 640u);
    EXPECT_EQ(k.modes[0].depth_stencil_format, kD3dFmtD24X8);
    EXPECT_EQ(k.modes[k.current_mode].format, kD3dFmtX8R8G8B8);
    EXPECT_EQ(k.modes[k.current_mode].behaviour, kD3dCreateHardwareVertexProcessing);
    d3d_caps caps;
    ASSERT_EQ(object_->device_caps(0, kD3dDevTypeHal, caps), kD3dOk);
    EXPECT_TRUE(caps.texture_caps & kD3dPTextureCapsMipMap);
    EXPECT_TRUE(caps.texture_filter_caps & kD3dPTFilterCapsMipFLinear);
    EXPECT_EQ(caps.dev_caps & kD3dDevCapsPureDevice, 0u);
    EXPECT_LE(caps.max_simultaneous_textures, 4u);
    EXPECT_EQ(object_->device_caps(0, kD3dDevTypeRef, caps), kD3dErrInvalidCall);
    d3d_offer_reference_kind(true);
    EXPECT_EQ(object_->device_caps(0, kD3dDevTypeRef, caps), kD3dOk);
    d3d_offer_reference_kind(false);
}

TEST_F(D3dPixels, TexturedTriangleListModulatesTheVertexColour) {
    open_windowed();
    std::unique_ptr<d3d_texture> t;
    ASSERT_EQ(device_->create_texture(2, 2, 1, 0, kD3dFmtA8R8G8B8, kD3dPoolManaged, t), kD3dOk);
    ASSERT_TRUE(
        t->surface_level(0)->write_argb({0, 0, 2, 2}, {0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
    ASSERT_EQ(device_->set_texture(0, t.get()), kD3dOk);
    for (auto [state, value] : {std::pair{kD3dTssColorOp, kD3dTopModulate},
                                {kD3dTssColorArg1, kD3dTaTexture},
                                {kD3dTssColorArg2, kD3dTaDiffuse},
                                {kD3dTssAlphaOp, kD3dTopModulate},
                                {kD3dTssAddressU, kD3dTAddressClamp},
                                {kD3dTssAddressV, kD3dTAddressClamp}}) {
        ASSERT_EQ(device_->set_texture_stage_state(0, state, value), kD3dOk);
    }
    ASSERT_EQ(draw(kD3dPtTriangleList, quad3d(-20, -20, 20, 20, 20, 0xFF808080), 2), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 16, 16), 0x808080, 2, "white texel, top left");
    expect_near(at(screen, 48, 16), 0x800000, 2, "red texel, top right");
    expect_near(at(screen, 16, 48), 0x008000, 2, "green texel, bottom left");
    expect_near(at(screen, 48, 48), 0x000080, 2, "blue texel, bottom right");
    expect_near(at(screen, 70, 16), 0, 0, "beside the window");
}

// Textures of block formats: one from converted texels (GL compresses them), one from DDS bytes.
TEST_F(D3dPixels, BlockTexturesFromConvertedTexelsAndFromDdsBytes) {
    open_windowed();
    if (!device_->s3tc()) GTEST_SKIP() << "GL without S3TC";
    std::unique_ptr<d3d_surface> staging;
    ASSERT_EQ(device_->create_image_surface(8, 8, kD3dFmtA8R8G8B8, staging), kD3dOk);
    std::vector<uint32_t> bars(64);
    for (uint32_t i = 0; i < 64; ++i) bars[i] = i % 8 < 4 ? 0xFFFF0000 : 0xFF00FF00;
    ASSERT_TRUE(staging->write_argb({0, 0, 8, 8}, bars));
    std::unique_ptr<d3d_texture> converted;
    ASSERT_EQ(device_->create_texture(8, 8, 1, 0, kD3dFmtDxt3, kD3dPoolManaged, converted), kD3dOk);
    ASSERT_EQ(d3dx_load_surface_from_surface(*converted->surface_level(0), nullptr, *staging, nullptr,
                                             kD3dxDefault),
              kD3dOk);
    tools::dds_desc desc;
    desc.width = desc.height = 16;
    desc.mip_levels = 5;
    desc.rgba = tools::dds_solid_rgba(16, 16, 0, 0, 255);
    const std::vector<uint8_t> file = tools::dds_file(desc);
    std::unique_ptr<d3d_texture> from_file;
    ASSERT_EQ(d3dx_create_texture_from_dds(device_.get(), file.data(), file.size(), from_file), kD3dOk);
    ASSERT_EQ(device_->set_texture_stage_state(0, kD3dTssColorOp, kD3dTopSelectArg1), kD3dOk);
    ASSERT_EQ(device_->set_texture_stage_state(0, kD3dTssMipFilter, kD3dTexfPoint), kD3dOk);
    ASSERT_EQ(device_->set_texture(0, converted.get()), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(0, 0, 64, 32, 0xFFFFFFFF), 2), kD3dOk);
    ASSERT_EQ(device_->set_texture(0, from_file.get()), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(0, 32, 64, 64, 0xFFFFFFFF), 2), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 16, 16), 0xFF0000, 0, "left bar");
    expect_near(at(screen, 48, 16), 0x00FF00, 0, "right bar");
    expect_near(at(screen, 32, 48), 0x0000FF, 0, "DDS texture");
}

// A texture goes to GL when first set, again after each change of a level, and to the next device
// when its own is gone.
TEST_F(D3dPixels, TexturesFollowTheirChangesAndOutliveTheirDevice) {
    open_windowed();
    std::unique_ptr<d3d_texture> t;
    ASSERT_EQ(device_->create_texture(1, 1, 1, 0, kD3dFmtR5G6B5, kD3dPoolManaged, t), kD3dOk);
    ASSERT_TRUE(t->surface_level(0)->write_argb({0, 0, 1, 1}, {0xFFFF0000}));
    ASSERT_EQ(device_->set_texture_stage_state(0, kD3dTssColorOp, kD3dTopSelectArg1), kD3dOk);
    ASSERT_EQ(device_->set_texture(0, t.get()), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(0, 0, 32, 64, 0xFFFFFFFF), 2), kD3dOk);
    d3d_locked_rect locked;
    ASSERT_EQ(t->lock_rect(0, locked, nullptr, 0), kD3dOk);
    locked.bits[0] = 0x1F;  // R5G6B5 blue
    locked.bits[1] = 0x00;
    ASSERT_EQ(t->unlock_rect(0), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(32, 0, 64, 64, 0xFFFFFFFF), 2), kD3dOk);
    auto screen = present_and_read();
    expect_near(at(screen, 16, 32), 0xFF0000, 0, "before the lock");
    expect_near(at(screen, 48, 32), 0x0000FF, 0, "after it");

    buffers_.clear();
    device_.reset();
    sys_gl_window_destroy(window_);
    window_ = nullptr;
    open_windowed();
    ASSERT_EQ(device_->set_texture_stage_state(0, kD3dTssColorOp, kD3dTopSelectArg1), kD3dOk);
    ASSERT_EQ(device_->set_texture(0, t.get()), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(0, 0, 64, 64, 0xFFFFFFFF), 2), kD3dOk);
    screen = present_and_read();
    expect_near(at(screen, 32, 32), 0x0000FF, 0, "on the next device");
}

// A base texture on stage 0 times a light map on stage 1 read with the second coordinate pair.
TEST_F(D3dPixels, SecondStageModulatesWithTheSecondCoordinates) {
    open_windowed();
    d3d_caps caps;
    device_->caps(caps);
    if (caps.max_simultaneous_textures < 2) GTEST_SKIP() << "one texture unit";
    std::unique_ptr<d3d_texture> base, light;
    ASSERT_EQ(device_->create_texture(1, 1, 1, 0, kD3dFmtR8G8B8, kD3dPoolManaged, base), kD3dOk);
    ASSERT_TRUE(base->surface_level(0)->write_argb({0, 0, 1, 1}, {0xFFC8C8C8}));
    ASSERT_EQ(device_->create_texture(2, 1, 1, 0, kD3dFmtL8, kD3dPoolManaged, light), kD3dOk);
    ASSERT_TRUE(light->surface_level(0)->write_argb({0, 0, 2, 1}, {0xFF808080, 0xFFFFFFFF}));
    ASSERT_EQ(device_->set_texture(0, base.get()), kD3dOk);
    ASSERT_EQ(device_->set_texture(1, light.get()), kD3dOk);
    for (auto [stage, state, value] : {std::tuple{0u, kD3dTssColorOp, kD3dTopModulate},
                                       {0u, kD3dTssColorArg2, kD3dTaDiffuse},
                                       {1u, kD3dTssColorOp, kD3dTopModulate},
                                       {1u, kD3dTssColorArg2, kD3dTaCurrent},
                                       {1u, kD3dTssAlphaOp, kD3dTopModulate},
                                       {1u, kD3dTssTexCoordIndex, 1u},
                                       {1u, kD3dTssAddressU, kD3dTAddressClamp}}) {
        ASSERT_EQ(device_->set_texture_stage_state(stage, state, value), kD3dOk);
    }
    // The first pair runs across the quad, the second stays at the left texel of the light map.
    auto quad = quad3d(-20, -20, 20, 20, 20, 0xFFFFFFFF);
    for (vertex3d& v : quad) v.u1 = 0.25f, v.v1 = 0.5f;
    ASSERT_EQ(draw(kD3dPtTriangleList, quad, 2), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 48, 32), 0x646464, 2, "200 x 128 / 255");
}

TEST_F(D3dPixels, PreTransformedQuadLiesExactlyOnItsPixels) {
    open_windowed();
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(10, 20, 30, 50, 0xFFFF0000), 2), kD3dOk);
    const auto screen = present_and_read();
    for (auto [x, y] : {std::pair{10u, 20u}, {29u, 20u}, {10u, 49u}, {29u, 49u}}) {
        expect_near(at(screen, x, y), 0xFF0000, 0, "inside " + std::to_string(x) + "," + std::to_string(y));
    }
    for (auto [x, y] : {std::pair{9u, 20u}, {30u, 20u}, {10u, 19u}, {10u, 50u}}) {
        expect_near(at(screen, x, y), 0, 0, "outside " + std::to_string(x) + "," + std::to_string(y));
    }
}

// Two triangles at the same depth: the left one counter-clockwise on screen, the right one clockwise.
const float kTriangles[2][3][2] = {{{-18, -10}, {-2, -10}, {-10, 10}}, {{2, -10}, {10, 10}, {18, -10}}};

TEST_F(D3dPixels, CullModesRemoveTheFacesTheOpenGlDriversCullRemoves) {
    // The OpenGL driver's cull 7 first, on the same vertices.
    bool gl_left = false, gl_right = false;
    {
        server_get().data_dir = folder_.path().string() + "/";
        gl_driver gl;
        ASSERT_TRUE(gl.open(0, false, false));
        gl.set_viewport(0, 0, 1, 1);
        gl.begin_frame();
        gl.fill_rect(0, 0, 1000, 1000, 0, 0, 0, 255);
        for (const auto& tri : kTriangles) {
            mesh_vertex v[3];
            for (int i = 0; i < 3; ++i) v[i].x = tri[i][0], v[i].y = tri[i][1], v[i].z = 20;
            gl.draw_polygon(v, 3, true);
        }
        gl.end_frame();
        screen_image image;
        ASSERT_TRUE(gl.read_screen(0, 0, 1, 1, image));
        auto lit = [&](float fx) {
            const uint32_t x = static_cast<uint32_t>(fx * static_cast<float>(image.width));
            const uint32_t y = static_cast<uint32_t>(0.55f * static_cast<float>(image.height));
            return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3] > 128;
        };
        gl_left = lit(0.25f);
        gl_right = lit(0.75f);
    }
    EXPECT_NE(gl_left, gl_right) << "cull 7 removes one of the two";
    open_windowed();
    const struct {
        uint32_t cull;
        bool left, right;
    } cases[] = {
        {kD3dCullCcw, gl_left, gl_right}, {kD3dCullCw, !gl_left, !gl_right}, {kD3dCullNone, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cull);
        ASSERT_EQ(device_->clear(0, nullptr, kD3dClearTarget | kD3dClearZBuffer, kBlack, 1, 0), kD3dOk);
        ASSERT_EQ(device_->set_render_state(kD3dRsCullMode, c.cull), kD3dOk);
        for (const auto& tri : kTriangles) {
            std::vector<vertex3d> v;
            for (const auto& p : tri) v.push_back({p[0], p[1], 20, 0xFFFFFFFF, 0, 0, 0, 0});
            ASSERT_EQ(draw(kD3dPtTriangleList, v, 1), kD3dOk);
        }
        const auto screen = present_and_read();
        EXPECT_EQ(channel(at(screen, 16, 35), 16) > 128, c.left);
        EXPECT_EQ(channel(at(screen, 48, 35), 16) > 128, c.right);
        ASSERT_EQ(device_->begin_scene(), kD3dOk);
    }
}

TEST_F(D3dPixels, SecondPassWithEqualDepthMultipliesTheFirst) {
    open_windowed();
    ASSERT_EQ(draw(kD3dPtTriangleList, quad3d(-20, -20, 0, 20, 20, d3d_argb(255, 200, 100, 50)), 2), kD3dOk);
    for (auto [state, value] : {std::pair{kD3dRsZWriteEnable, 0u},
                                {kD3dRsZFunc, kD3dCmpEqual},
                                {kD3dRsAlphaBlendEnable, 1u},
                                {kD3dRsSrcBlend, kD3dBlendDestColor},
                                {kD3dRsDestBlend, kD3dBlendZero}}) {
        ASSERT_EQ(device_->set_render_state(state, value), kD3dOk);
    }
    // Over the whole view: only where the first pass left its depth does it draw.
    ASSERT_EQ(draw(kD3dPtTriangleList, quad3d(-20, -20, 20, 20, 20, d3d_argb(255, 128, 255, 0)), 2), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 16, 32), 0x646400, 2, "both passes");
    expect_near(at(screen, 48, 32), 0, 0, "second pass alone: the depth differs");
}

TEST_F(D3dPixels, AlphaTestGreaterThan0x80) {
    open_windowed();
    for (auto [state, value] :
         {std::pair{kD3dRsAlphaTestEnable, 1u}, {kD3dRsAlphaFunc, kD3dCmpGreater}, {kD3dRsAlphaRef, 0x80u}}) {
        ASSERT_EQ(device_->set_render_state(state, value), kD3dOk);
    }
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(0, 0, 32, 64, d3d_argb(0x80, 255, 255, 255)), 2), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(32, 0, 64, 64, d3d_argb(0x81, 255, 255, 255)), 2), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 16, 32), 0, 0, "alpha 0x80 is not greater");
    expect_near(at(screen, 48, 32), 0xFFFFFF, 0, "alpha 0x81 is");
}

TEST_F(D3dPixels, ExpFogByEyeDistance) {
    open_windowed();
    float density = 0.05f;
    uint32_t bits;
    std::memcpy(&bits, &density, 4);
    for (auto [state, value] : {std::pair{kD3dRsFogEnable, 1u},
                                {kD3dRsFogColor, 0x00FFFFFFu},
                                {kD3dRsFogTableMode, kD3dFogExp},
                                {kD3dRsFogDensity, bits}}) {
        ASSERT_EQ(device_->set_render_state(state, value), kD3dOk);
    }
    ASSERT_EQ(draw(kD3dPtTriangleList, quad3d(-20, -20, 20, 20, 20, kBlack), 2), kD3dOk);
    const auto screen = present_and_read();
    // Fog factor exp(-0.05 x 20): that much of the black stays.
    const auto grey = static_cast<uint32_t>(std::lround(255.0 * (1.0 - std::exp(-1.0))));
    expect_near(at(screen, 32, 32), grey * 0x010101u, 4, "fogged black");
}

TEST_F(D3dPixels, ViewportOverTheTopHalfAndClearKeepsToIt) {
    open_windowed();
    d3d_viewport v{0, 0, kSide, kSide / 2, 0, 1};
    ASSERT_EQ(device_->set_viewport(v), kD3dOk);
    // Clear honours the viewport, and clears depth with depth writes off: to 0.2, in front of the
    // quad at z 20 (depth 0.25) and behind the one at z 16 (depth 0.06).
    ASSERT_EQ(device_->set_render_state(kD3dRsZWriteEnable, 0), kD3dOk);
    ASSERT_EQ(device_->clear(0, nullptr, kD3dClearTarget | kD3dClearZBuffer, 0xFF0000FF, 0.2f, 0), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad3d(-20, -20, 20, 20, 20, 0xFF00FF00), 2), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad3d(-20, -20, 0, 20, 16, 0xFFFFFF00), 2), kD3dOk);
    // Pre-transformed vertices keep window pixels but are clipped to the viewport.
    ASSERT_EQ(device_->set_render_state(kD3dRsZEnable, 0), kD3dOk);
    ASSERT_EQ(draw(kD3dPtTriangleList, quad2d(0, 24, 64, 40, 0xFFFF0000), 2), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 16, 4), 0xFFFF00, 0, "top left: the nearer quad");
    expect_near(at(screen, 48, 4), 0x0000FF, 0, "top right: the clear, the far quad hidden");
    expect_near(at(screen, 32, 27), 0xFF0000, 0, "2D quad within the viewport");
    expect_near(at(screen, 32, 36), 0, 0, "2D quad below it");
    expect_near(at(screen, 32, 60), 0, 0, "bottom half");
    v.y = 40;
    EXPECT_EQ(device_->set_viewport(v), kD3dErrInvalidCall);
}

TEST_F(D3dPixels, FrontBufferHoldsThePresentedFrameInPlace) {
    open_windowed();
    ASSERT_EQ(device_->clear(0, nullptr, kD3dClearTarget, 0xFF336699, 1, 0), kD3dOk);
    const auto screen = present_and_read();
    EXPECT_EQ(screen_width_, 640u);
    expect_near(at(screen, 0, 0), 0x336699, 0, "window's first pixel");
    expect_near(at(screen, kSide - 1, kSide - 1), 0x336699, 0, "window's last pixel");
    expect_near(at(screen, kSide, 0), 0, 0, "right of the window");
    expect_near(at(screen, 0, kSide), 0, 0, "below the window");
    std::unique_ptr<d3d_surface> wrong;
    ASSERT_EQ(device_->create_image_surface(kSide, kSide, kD3dFmtA8R8G8B8, wrong), kD3dOk);
    EXPECT_EQ(device_->front_buffer(*wrong), kD3dErrInvalidCall);
}

TEST_F(D3dPixels, DynamicBufferAppendsWithNoOverwriteAndWrapsWithDiscard) {
    open_windowed();
    // Room for five quads; twelve quads in a row of 4 x 4 pixels each.
    constexpr uint32_t kQuad = 6 * sizeof(vertex2d), kRoom = 5;
    std::unique_ptr<d3d_vertex_buffer> vb;
    ASSERT_EQ(device_->create_vertex_buffer(kRoom * kQuad, kD3dUsageDynamic | kD3dUsageWriteOnly,
                                            kD3dFvfXyzRhwDiffuseTex1, kD3dPoolDefault, vb),
              kD3dOk);
    device_->set_vertex_shader(kD3dFvfXyzRhwDiffuseTex1);
    ASSERT_EQ(device_->set_stream_source(0, vb.get(), sizeof(vertex2d)), kD3dOk);
    uint32_t next = 0;
    std::vector<uint32_t> flags;
    for (uint32_t i = 0; i < 12; ++i) {
        uint32_t lock_flags = kD3dLockNoOverwrite | kD3dLockNoSysLock;
        if (next + 1 > kRoom) lock_flags = kD3dLockDiscard | kD3dLockNoSysLock, next = 0;
        uint8_t* p = nullptr;
        ASSERT_EQ(vb->lock(next * kQuad, kQuad, p, lock_flags), kD3dOk);
        const auto q = quad2d(static_cast<float>(i * 5), 0, static_cast<float>(i * 5 + 4), 4, 0xFFFFFF00);
        std::memcpy(p, q.data(), kQuad);
        EXPECT_EQ(device_->draw_primitive(kD3dPtTriangleList, next * 6, 2), kD3dErrInvalidCall) << "locked";
        ASSERT_EQ(vb->unlock(), kD3dOk);
        ASSERT_EQ(device_->draw_primitive(kD3dPtTriangleList, next * 6, 2), kD3dOk);
        flags.push_back(vb->last_lock_flags());
        ++next;
    }
    EXPECT_EQ(flags[4], 0x1800u);
    EXPECT_EQ(flags[5], 0x2800u);
    EXPECT_EQ(flags[10], 0x2800u);
    // Past the end, and beyond the buffer in a draw.
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->lock(kRoom * kQuad - 4, 8, p, 0), kD3dErrInvalidCall);
    EXPECT_EQ(device_->draw_primitive(kD3dPtTriangleList, kRoom * 6 - 3, 2), kD3dErrInvalidCall);
    // A static buffer takes neither flag.
    std::unique_ptr<d3d_vertex_buffer> fixed;
    ASSERT_EQ(device_->create_vertex_buffer(64, 0, kD3dFvfXyzRhwDiffuseTex1, kD3dPoolSystemMem, fixed),
              kD3dOk);
    EXPECT_EQ(fixed->lock(0, 0, p, kD3dLockNoOverwrite), kD3dErrInvalidCall);
    const auto screen = present_and_read();
    for (uint32_t i = 0; i < 12; ++i)
        expect_near(at(screen, i * 5 + 1, 2), 0xFFFF00, 0, "quad " + std::to_string(i));
}

TEST_F(D3dPixels, IndexedDrawWithABaseVertexAndItsChecks) {
    open_windowed();
    std::vector<vertex2d> vertices = quad2d(0, 0, 1, 1, kBlack);  // six vertices before the run
    const auto quad = quad2d(8, 8, 24, 24, 0xFF00FFFF);
    const std::vector<vertex2d> corners = {quad[0], quad[1], quad[4], quad[2]};
    vertices.insert(vertices.end(), corners.begin(), corners.end());
    std::unique_ptr<d3d_vertex_buffer> vb;
    const auto bytes = static_cast<uint32_t>(vertices.size() * sizeof(vertex2d));
    ASSERT_EQ(
        device_->create_vertex_buffer(bytes, kD3dUsageDynamic, kD3dFvfXyzRhwDiffuseTex1, kD3dPoolDefault, vb),
        kD3dOk);
    uint8_t* p;
    ASSERT_EQ(vb->lock(0, 0, p, 0), kD3dOk);
    std::memcpy(p, vertices.data(), bytes);
    vb->unlock();
    std::unique_ptr<d3d_index_buffer> ib;
    ASSERT_EQ(device_->create_index_buffer(32, kD3dUsageDynamic, kD3dFmtIndex16, kD3dPoolDefault, ib),
              kD3dOk);
    const uint16_t indices[] = {9, 9, 0, 1, 2, 0, 2, 3, 4};  // the run at index 2; the last one too far
    ASSERT_EQ(ib->lock(0, sizeof indices, p, 0), kD3dOk);
    std::memcpy(p, indices, sizeof indices);
    ib->unlock();
    device_->set_vertex_shader(kD3dFvfXyzRhwDiffuseTex1);
    device_->set_stream_source(0, vb.get(), sizeof(vertex2d));
    device_->set_indices(ib.get(), 6);
    EXPECT_EQ(device_->draw_indexed_primitive(kD3dPtTriangleList, 0, 4, 2, 2), kD3dOk);
    EXPECT_EQ(device_->draw_indexed_primitive(kD3dPtTriangleList, 0, 4, 3, 2), kD3dErrInvalidCall)
        << "index 4";
    EXPECT_EQ(device_->draw_indexed_primitive(kD3dPtTriangleList, 0, 4, 14, 1), kD3dErrInvalidCall)
        << "past the end";
    const auto screen = present_and_read();
    expect_near(at(screen, 8, 8), 0x00FFFF, 0, "first pixel");
    expect_near(at(screen, 23, 23), 0x00FFFF, 0, "last pixel");
    expect_near(at(screen, 24, 24), 0, 0, "outside");
}

TEST_F(D3dPixels, UnsupportedStatesAreRefusedWithALogLine) {
    open_windowed();
    EXPECT_EQ(device_->set_render_state(kD3dRsLighting, 1), kD3dErrInvalidCall);
    EXPECT_EQ(device_->set_render_state(kD3dRsZFunc, 1), kD3dErrInvalidCall);
    EXPECT_EQ(device_->set_render_state(999, 0), kD3dErrInvalidCall);
    EXPECT_EQ(device_->set_texture_stage_state(0, kD3dTssColorArg1, kD3dTaDiffuse), kD3dErrInvalidCall);
    EXPECT_EQ(device_->set_texture_stage_state(4, kD3dTssColorOp, kD3dTopModulate), kD3dErrInvalidCall);
    EXPECT_EQ(device_->set_vertex_shader(0x102), kD3dErrInvalidCall);
    EXPECT_EQ(device_->set_transform(17, d3d_identity_matrix()), kD3dErrInvalidCall);
    log_close();
    const std::string log = folder_.read("kv.log");
    EXPECT_NE(log.find("[D3D] render state 137 := 1 is not supported\n"), std::string::npos);
    EXPECT_NE(log.find("[D3D] vertex format 0x102 is not supported\n"), std::string::npos);
    log_open(folder_.file("kv2.log"));
}

// Gives `focus` the input focus until the device reports `want` (focus changes arrive through the X
// server, and a window only takes the focus once it is mapped).
bool wait_for(d3d_device& device, d3d_result want, sys_gl_window* focus) {
    for (int i = 0; i < 100; ++i) {
        if (i % 20 == 0) sys_set_foreground(focus);
        sys_pump_messages();
        if (device.test_cooperative_level() == want) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(D3dPixels, FullScreenDeviceIsLostWithoutTheFocusAndResetWaitsForItsBuffers) {
    ASSERT_TRUE(sys_change_display_mode({640, 480, 24, 0}, true));
    window_ = sys_gl_window_create("d3d full screen", 640, 480, true);
    ASSERT_NE(window_, nullptr);
    d3d_present_parameters pp;
    pp.windowed = false;
    pp.back_buffer_width = 640;
    pp.back_buffer_height = 480;
    pp.back_buffer_format = kD3dFmtX8R8G8B8;
    pp.device_window = window_;
    pp.enable_auto_depth_stencil = true;
    pp.auto_depth_stencil_format = kD3dFmtD24X8;
    ASSERT_EQ(
        object_->create_device(0, kD3dDevTypeHal, window_, kD3dCreateHardwareVertexProcessing, pp, device_),
        kD3dOk);
    // The window was made again for its pixel format: until it has the focus the device is lost.
    if (!wait_for(*device_, kD3dOk, window_)) {
        ASSERT_EQ(device_->test_cooperative_level(), kD3dErrDeviceNotReset);
        ASSERT_EQ(device_->reset(pp), kD3dOk);
        ASSERT_EQ(device_->test_cooperative_level(), kD3dOk);
    }

    sys_gl_window* other = sys_gl_window_create("elsewhere", 32, 32, false);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(wait_for(*device_, kD3dErrDeviceLost, other));
    EXPECT_EQ(device_->present(), kD3dErrDeviceLost);
    EXPECT_TRUE(wait_for(*device_, kD3dErrDeviceNotReset, window_));
    sys_gl_window_destroy(other);

    std::unique_ptr<d3d_vertex_buffer> vb;
    ASSERT_EQ(device_->create_vertex_buffer(64, kD3dUsageDynamic, kD3dFvfXyzDiffuseTex2, kD3dPoolDefault, vb),
              kD3dOk);
    std::unique_ptr<d3d_vertex_buffer> in_memory;
    ASSERT_EQ(device_->create_vertex_buffer(64, 0, kD3dFvfXyzDiffuseTex2, kD3dPoolSystemMem, in_memory),
              kD3dOk);
    EXPECT_EQ(device_->reset(pp), kD3dErrInvalidCall);
    EXPECT_EQ(device_->test_cooperative_level(), kD3dErrDeviceNotReset);
    vb.reset();
    EXPECT_EQ(device_->reset(pp), kD3dOk);
    EXPECT_EQ(device_->test_cooperative_level(), kD3dOk);
    // Drawing goes on after the reset.
    ASSERT_EQ(device_->clear(0, nullptr, kD3dClearTarget, 0xFF00FF00, 1, 0), kD3dOk);
    ASSERT_EQ(device_->begin_scene(), kD3dOk);
    const auto screen = present_and_read();
    expect_near(at(screen, 320, 240), 0x00FF00, 0, "after the reset");
    device_.reset();
    sys_restore_display_mode();
}

TEST_F(D3dPixels, ForcedResultsStandInForEveryCreationCheckAndTest) {
    open_windowed();
    const d3d_result failure = kD3dErrOutOfVideoMemory;
    d3d_force_result(d3d_call::create_vertex_buffer, failure);
    d3d_force_result(d3d_call::create_index_buffer, failure);
    d3d_force_result(d3d_call::create_image_surface, failure);
    d3d_force_result(d3d_call::create_texture, failure);
    d3d_force_result(d3d_call::test_cooperative_level, kD3dErrDeviceNotReset);
    d3d_force_result(d3d_call::reset, kD3dErrFail);
    d3d_force_result(d3d_call::check_device_type, failure);
    d3d_force_result(d3d_call::check_device_format, failure);
    d3d_force_result(d3d_call::check_depth_stencil_match, failure);
    d3d_force_result(d3d_call::create_device, failure);
    std::unique_ptr<d3d_buffer> b;
    std::unique_ptr<d3d_surface> s;
    std::unique_ptr<d3d_texture> t;
    std::unique_ptr<d3d_device> d;
    d3d_present_parameters pp;
    EXPECT_EQ(device_->create_vertex_buffer(64, 0, kD3dFvfXyzDiffuseTex2, kD3dPoolDefault, b), failure);
    EXPECT_EQ(device_->create_index_buffer(64, 0, kD3dFmtIndex16, kD3dPoolDefault, b), failure);
    EXPECT_EQ(device_->create_image_surface(4, 4, kD3dFmtA8R8G8B8, s), failure);
    EXPECT_EQ(device_->create_texture(4, 4, 1, 0, kD3dFmtA8R8G8B8, kD3dPoolManaged, t), failure);
    EXPECT_EQ(device_->test_cooperative_level(), kD3dErrDeviceNotReset);
    EXPECT_EQ(device_->reset(pp), kD3dErrFail);
    EXPECT_EQ(object_->check_device_type(0, kD3dDevTypeHal, kD3dFmtX8R8G8B8, kD3dFmtX8R8G8B8, true), failure);
    EXPECT_EQ(
        object_->check_device_format(0, kD3dDevTypeHal, kD3dFmtX8R8G8B8, 0, kD3dRTypeTexture, kD3dFmtDxt1),
        failure);
    EXPECT_EQ(
        object_->check_depth_stencil_match(0, kD3dDevTypeHal, kD3dFmtX8R8G8B8, kD3dFmtX8R8G8B8, kD3dFmtD16),
        failure);
    EXPECT_EQ(object_->create_device(0, kD3dDevTypeHal, window_, 0x40, pp, d), failure);
    d3d_force_result(d3d_call::create_object, kD3dErrFail);
    EXPECT_EQ(d3d_create_object(), nullptr);
    d3d_clear_forced_results();
    EXPECT_EQ(device_->test_cooperative_level(), kD3dOk);
}

}  // namespace
}  // namespace kv
