// The Direct3D-shaped layer's memory side: matrices, formats, surfaces, textures, D3DX and DDS bytes.

#include <gtest/gtest.h>

#include <cstring>

#include "gfx/drivers/d3dx_dds.h"
#include "kernel/log.h"
#include "platform/d3d_layer.h"
#include "tests/support/temp_folder.h"
#include "tools/dds_writer.h"

namespace kv {
namespace {

TEST(D3dLayer, PerspectiveMatrixFollowsItsFormulaAndMapsDepthFromZeroToW) {
    const struct {
        float l, r, b, t, zn, zf;
    } cases[] = {{-15, 15, -15, 15, 15, 50000}, {-1, 3, -2, 0.5f, 0.5f, 100}, {2, 4, 1, 5, 1, 10}};
    for (const auto& c : cases) {
        const d3d_matrix m = d3dx_matrix_perspective_off_center_lh(c.l, c.r, c.b, c.t, c.zn, c.zf);
        const float want[4][4] = {
            {2 * c.zn / (c.r - c.l), 0, 0, 0},
            {0, 2 * c.zn / (c.t - c.b), 0, 0},
            {(c.l + c.r) / (c.l - c.r), (c.t + c.b) / (c.b - c.t), c.zf / (c.zf - c.zn), 1},
            {0, 0, c.zn * c.zf / (c.zn - c.zf), 0}};
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(m.m[i][j], want[i][j]) << i << "," << j;
        }
        // A point on the near plane lands at depth 0, one on the far plane at depth w; the
        // frustum's corners at x and y of -1 and 1.
        for (const float z : {c.zn, c.zf}) {
            const float x = c.r * z / c.zn, y = c.b * z / c.zn;
            const float cx = x * m.m[0][0] + z * m.m[2][0], cy = y * m.m[1][1] + z * m.m[2][1];
            const float cz = z * m.m[2][2] + m.m[3][2], cw = z * m.m[2][3];
            EXPECT_NEAR(cx / cw, 1.0f, 1e-4f);
            EXPECT_NEAR(cy / cw, -1.0f, 1e-4f);
            EXPECT_NEAR(cz / cw, z == c.zn ? 0.0f : 1.0f, 1e-4f);
        }
    }
}

TEST(D3dLayer, EachFormatToAndFromArgbWithAPaddedPitch) {
    // Red, transparent green, blue, grey at half alpha, white.
    const std::vector<uint32_t> in = {0xFFFF0000, 0x0000FF00, 0xFF0000FF, 0x80808080, 0xFFFFFFFF};
    const struct {
        d3d_format format;
        uint32_t texel_bytes;
        std::vector<uint32_t> want;
    } cases[] = {
        {kD3dFmtA8R8G8B8, 4, in},
        {kD3dFmtX8R8G8B8, 4, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080, 0xFFFFFFFF}},
        {kD3dFmtR8G8B8, 3, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080, 0xFFFFFFFF}},
        {kD3dFmtR5G6B5, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848284, 0xFFFFFFFF}},
        {kD3dFmtX1R5G5B5, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848484, 0xFFFFFFFF}},
        {kD3dFmtA1R5G5B5, 2, {0xFFFF0000, 0x0000FF00, 0xFF0000FF, 0xFF848484, 0xFFFFFFFF}},
        {kD3dFmtA4R4G4B4, 2, {0xFFFF0000, 0x0000FF00, 0xFF0000FF, 0x88888888, 0xFFFFFFFF}},
        {kD3dFmtL8, 1, {0xFF363636, 0xFFB6B6B6, 0xFF131313, 0xFF808080, 0xFFFFFFFF}},
        // Block targets keep the texels they were given.
        {kD3dFmtDxt1, 0, in},
        {kD3dFmtDxt3, 0, in},
        {kD3dFmtDxt5, 0, in},
    };
    // Three rows of five texels, the colours shifted by one each row.
    const uint32_t width = 5, height = 3;
    std::vector<uint32_t> source_texels;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) source_texels.push_back(in[(x + y) % in.size()]);
    }
    d3d_surface source(width, height, kD3dFmtA8R8G8B8);
    d3d_locked_rect locked;
    ASSERT_EQ(source.lock_rect(locked, nullptr, 0), kD3dOk);
    EXPECT_GT(locked.pitch, static_cast<int32_t>(width * 4));
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(locked.bits + y * static_cast<uint32_t>(locked.pitch), &source_texels[y * width],
                    width * 4);
    ASSERT_EQ(source.unlock_rect(), kD3dOk);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        d3d_surface middle(width, height, c.format);
        if (c.texel_bytes != 0) {
            EXPECT_GT(middle.pitch(), static_cast<int32_t>(width * c.texel_bytes));
        }
        ASSERT_EQ(d3dx_load_surface_from_surface(middle, nullptr, source, nullptr, kD3dxDefault), kD3dOk);
        d3d_surface back(width, height, kD3dFmtA8R8G8B8);
        ASSERT_EQ(d3dx_load_surface_from_surface(back, nullptr, middle, nullptr, kD3dxDefault), kD3dOk);
        ASSERT_EQ(back.lock_rect(locked, nullptr, 0), kD3dOk);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t got;
                std::memcpy(&got, locked.bits + y * static_cast<uint32_t>(locked.pitch) + x * 4, 4);
                EXPECT_EQ(got, c.want[(x + y) % in.size()]) << x << "," << y;
            }
        }
        back.unlock_rect();
    }
}

TEST(D3dLayer, BlockSurfacesDecodeTheirBlocksOnceTheTexelsAreGone) {
    // Left half opaque red, right half blue with a transparent corner texel.
    std::vector<uint32_t> texels(8 * 4);
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 8; ++x) texels[y * 8 + x] = x < 4 ? 0xFFFF0000 : 0xFF0000FF;
    }
    texels[7] = 0x000000FF;
    const struct {
        d3d_format format;
        uint32_t corner;
    } cases[] = {{kD3dFmtDxt1, 0x00000000}, {kD3dFmtDxt3, 0x000000FF}, {kD3dFmtDxt5, 0x000000FF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        d3d_surface s(8, 4, c.format);
        ASSERT_TRUE(s.write_argb({0, 0, 8, 4}, texels));
        d3d_locked_rect locked;
        ASSERT_EQ(s.lock_rect(locked, nullptr, 0), kD3dOk);  // a lock may change the blocks
        EXPECT_EQ(locked.pitch, static_cast<int32_t>(2 * (c.format == kD3dFmtDxt1 ? 8 : 16)));
        s.unlock_rect();
        EXPECT_TRUE(s.kept_texels().empty());
        std::vector<uint32_t> out;
        ASSERT_TRUE(s.read_argb({0, 0, 8, 4}, out));
        EXPECT_EQ(out[0], 0xFFFF0000u);
        EXPECT_EQ(out[3 * 8 + 3], 0xFFFF0000u);
        EXPECT_EQ(out[4], 0xFF0000FFu);
        EXPECT_EQ(out[7], c.corner);
        // Off the block bounds a lock is refused.
        const d3d_rect odd{1, 0, 4, 4};
        EXPECT_EQ(s.lock_rect(locked, &odd, 0), kD3dErrInvalidCall);
    }
}

TEST(D3dLayer, LocksAndCopiesCheckTheirRectangles) {
    temp_folder folder;
    log_open(folder.file("kv.log"));
    d3d_surface s(4, 4, kD3dFmtA8R8G8B8);
    d3d_locked_rect locked;
    const d3d_rect rects[] = {{0, 0, 5, 4}, {-1, 0, 2, 2}, {2, 2, 2, 3}, {3, 3, 1, 1}};
    for (const d3d_rect& r : rects) EXPECT_EQ(s.lock_rect(locked, &r, 0), kD3dErrInvalidCall);
    const d3d_rect inner{1, 2, 3, 4};
    ASSERT_EQ(s.lock_rect(locked, &inner, 0), kD3dOk);
    EXPECT_EQ(locked.bits, s.bytes().data() + 2 * s.pitch() + 4);
    EXPECT_EQ(s.lock_rect(locked, nullptr, 0), kD3dErrInvalidCall);  // already locked
    d3d_surface other(4, 4, kD3dFmtR5G6B5);
    EXPECT_EQ(d3dx_load_surface_from_surface(other, nullptr, s, nullptr, 0), kD3dErrInvalidCall);
    s.unlock_rect();
    EXPECT_EQ(s.unlock_rect(), kD3dErrInvalidCall);
    const d3d_rect outside{2, 2, 6, 4};
    EXPECT_EQ(d3dx_load_surface_from_surface(other, nullptr, s, &outside, 0), kD3dErrInvalidCall);
    // A source rectangle into a smaller surface.
    const d3d_rect right{2, 0, 4, 4};
    std::vector<uint32_t> t(16);
    for (uint32_t i = 0; i < 16; ++i) t[i] = 0xFF000000u | (i % 4 < 2 ? 0xFF0000u : 0x0000FFu);
    ASSERT_TRUE(s.write_argb({0, 0, 4, 4}, t));
    d3d_surface half(2, 4, kD3dFmtR8G8B8);
    ASSERT_EQ(d3dx_load_surface_from_surface(half, nullptr, s, &right, 0), kD3dOk);
    std::vector<uint32_t> out;
    ASSERT_TRUE(half.read_argb({0, 0, 2, 4}, out));
    for (uint32_t v : out) EXPECT_EQ(v, 0xFF0000FFu);
    log_close();
    EXPECT_NE(folder.read("kv.log").find("[D3D] lock of a 4x4 surface refused"), std::string::npos);
}

TEST(D3dLayer, BoxFilterGivesTheMeanOfEachTwoByTwo) {
    const struct {
        uint32_t width, height;
        std::vector<uint32_t> top;
        std::vector<uint32_t> want;  // level 1
    } cases[] = {
        {2, 2, {0xFF000000, 0xFFFFFFFF, 0x00FF0000, 0x000000FF}, {0x80804080}},
        {4,
         2,
         {0x40404040, 0x40404040, 0x10203040, 0x10203040, 0x40404040, 0x40404040, 0x30201000, 0x30201000},
         {0x40404040, 0x20202020}},
        {2, 1, {0xFF00FF00, 0xFF0000FF}, {0xFF008080}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<d3d_texture> t;
        ASSERT_EQ(d3dx_create_texture(nullptr, c.width, c.height, kD3dxDefault, 0, kD3dFmtA8R8G8B8,
                                      kD3dPoolManaged, t),
                  kD3dOk);
        ASSERT_TRUE(t->surface_level(0)->write_argb(
            {0, 0, static_cast<int32_t>(c.width), static_cast<int32_t>(c.height)}, c.top));
        ASSERT_EQ(d3dx_filter_texture(*t, kD3dxDefault, kD3dxDefault), kD3dOk);
        d3d_surface& below = *t->surface_level(1);
        std::vector<uint32_t> got;
        ASSERT_TRUE(below.read_argb(
            {0, 0, static_cast<int32_t>(below.width()), static_cast<int32_t>(below.height())}, got));
        EXPECT_EQ(got, c.want);
    }
}

TEST(D3dLayer, TextureLevelsAndTheirByteSizes) {
    const struct {
        uint32_t width, height, levels;
        d3d_format format;
        std::vector<uint32_t> sizes;
    } cases[] = {
        {64, 64, kD3dxDefault, kD3dFmtDxt1, {2048, 512, 128, 32, 8, 8, 8}},
        {8, 2, 0, kD3dFmtDxt1, {16, 8, 8, 8}},
        {16, 16, 3, kD3dFmtDxt5, {256, 64, 16}},
        {4, 4, 1, kD3dFmtA8R8G8B8, {4 * 32}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<d3d_texture> t;
        ASSERT_EQ(d3dx_create_texture(nullptr, c.width, c.height, c.levels, 0, c.format, kD3dPoolManaged, t),
                  kD3dOk);
        ASSERT_EQ(t->level_count(), c.sizes.size());
        for (uint32_t i = 0; i < t->level_count(); ++i) {
            d3d_surface_desc d;
            ASSERT_EQ(t->level_desc(i, d), kD3dOk);
            EXPECT_EQ(d.size, c.sizes[i]) << i;
            EXPECT_EQ(d.width, std::max(c.width >> i, 1u));
            EXPECT_EQ(d.format, c.format);
        }
        d3d_surface_desc d;
        EXPECT_EQ(t->level_desc(t->level_count(), d), kD3dErrInvalidCall);
        EXPECT_EQ(t->surface_level(t->level_count()), nullptr);
    }
    std::unique_ptr<d3d_texture> t;
    EXPECT_EQ(d3dx_create_texture(nullptr, 8192, 8, 1, 0, kD3dFmtA8R8G8B8, kD3dPoolManaged, t),
              kD3dErrInvalidCall);
    EXPECT_EQ(d3dx_create_texture(nullptr, 0, 8, 1, 0, kD3dFmtA8R8G8B8, kD3dPoolManaged, t),
              kD3dErrInvalidCall);
    EXPECT_EQ(d3dx_create_texture(nullptr, 8, 8, 1, 0, 999, kD3dPoolManaged, t), kD3dErrInvalidCall);
}

TEST(D3dLayer, TextureFromDdsBytesTakesTheLevelsAndRefusesDamage) {
    temp_folder folder;
    log_open(folder.file("kv.log"));
    tools::dds_desc desc;
    desc.four_cc = "DXT5";
    desc.width = 16;
    desc.height = 8;
    desc.mip_levels = 5;
    desc.rgba = tools::dds_solid_rgba(16, 8, 0, 0, 255, 128);
    const std::vector<uint8_t> good = tools::dds_file(desc);
    std::unique_ptr<d3d_texture> t;
    ASSERT_EQ(d3dx_create_texture_from_dds(nullptr, good.data(), good.size(), t), kD3dOk);
    EXPECT_EQ(t->format(), kD3dFmtDxt5);
    EXPECT_EQ(t->level_count(), 5u);
    std::vector<uint32_t> texels;
    ASSERT_TRUE(t->surface_level(0)->read_argb({0, 0, 16, 8}, texels));
    EXPECT_EQ(texels[0] & 0xFFFFFF, 0x0000FFu);
    EXPECT_NEAR(static_cast<int>(texels[0] >> 24), 128, 2);
    ASSERT_TRUE(t->surface_level(4)->read_argb({0, 0, 1, 1}, texels));
    EXPECT_EQ(texels[0] & 0xFFFFFF, 0x0000FFu);

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } damaged[] = {
        {"short",
         [&] {
             auto d = desc;
             d.cut_bytes = 1;
             return tools::dds_file(d);
         }()},
        {"unknown FourCC",
         [&] {
             auto d = desc;
             d.four_cc = "DXT2";
             return tools::dds_file(d);
         }()},
        {"too large",
         [&] {
             auto d = desc;
             d.width = 8192;
             d.height = 4;
             d.mip_levels = 1;
             d.rgba = tools::dds_solid_rgba(8192, 4, 1, 2, 3);
             return tools::dds_file(d);
         }()},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 128)},
        {"empty", {}},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.what);
        std::unique_ptr<d3d_texture> none;
        EXPECT_EQ(d3dx_create_texture_from_dds(nullptr, d.bytes.data(), d.bytes.size(), none),
                  kD3dErrInvalidCall);
        EXPECT_EQ(none, nullptr);
    }
    log_close();
    EXPECT_NE(folder.read("kv.log").find("[D3D] DDS bytes refused: short image data\n"), std::string::npos);
}

}  // namespace
}  // namespace kv
