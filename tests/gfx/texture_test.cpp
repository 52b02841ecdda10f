#include "gfx/texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "gfx/screen_image.h"
#include "gfx/texture_cache.h"
#include "tests/gfx/gfx_test_support.h"
#include "tools/qxtx_writer.h"
#include "tools/targa_writer.h"

namespace kv {
namespace {

using bytes_t = std::vector<uint8_t>;

// A picture of `width` x `height` texels, rows from the top, each texel's bytes telling its place:
// row x 16 + column, then 100 + that, then 200 - that (and alpha when asked for).
bytes_t picture(int32_t width, int32_t height, int32_t bytes, const std::vector<uint8_t>& alphas = {}) {
    bytes_t texels;
    for (int32_t row = 0; row < height; ++row) {
        for (int32_t column = 0; column < width; ++column) {
            const int32_t at = row * 16 + column;
            const uint8_t all[4] = {
                static_cast<uint8_t>(at), static_cast<uint8_t>(100 + at), static_cast<uint8_t>(200 - at),
                alphas.empty() ? uint8_t{255} : alphas[(row * width + column) % alphas.size()]};
            texels.insert(texels.end(), all, all + bytes);
        }
    }
    return texels;
}

class Texture : public gfx_test {
protected:
    // Loads a record of that name from the test's data directory with the test's driver.
    texture load(const std::string& name, uint8_t quiet = 0) {
        texture t;
        t.name = name;
        t.quiet = quiet;
        texture_load(t, srv_, driver_);
        return t;
    }
};

TEST_F(Texture, TargaVariantsLoadWithRowsAndColoursInPlace) {
    constexpr uint16_t kWidth = 3;
    constexpr uint16_t kHeight = 4;
    struct variant {
        const char* name;
        std::function<void(tools::targa_desc&)> shape;
        uint8_t kind;
        uint8_t bytes;
        uint8_t two_level_alpha;
        std::vector<uint8_t> alphas;
    };
    const variant variants[] = {
        {"24 bits, top row first", [](tools::targa_desc&) {}, kTextureRgb, 3, 0, {}},
        {"24 bits, bottom row first",
         [](tools::targa_desc& s) { s.top_first = false; },
         kTextureRgb,
         3,
         0,
         {}},
        {"32 bits, 0x28: row for row",
         [](tools::targa_desc& s) { s.bits = 32, s.alpha_bits = 8; },
         kTextureRgba,
         4,
         1,
         {0, 255, 255}},
        {"32 bits, 0x08: flipped",
         [](tools::targa_desc& s) { s.bits = 32, s.alpha_bits = 8, s.top_first = false; },
         kTextureRgba,
         4,
         1,
         {255, 0}},
        {"32 bits, alphas of 1 and 254 among 0 and 255",
         [](tools::targa_desc& s) { s.bits = 32; },
         kTextureRgba,
         4,
         0,
         {0, 254, 255, 1}},
        {"32 bits, one alpha of 128",
         [](tools::targa_desc& s) { s.bits = 32; },
         kTextureRgba,
         4,
         0,
         {255, 255, 255, 255, 255, 128, 255}},
        {"grey, type 3", [](tools::targa_desc& s) { s.type = 3, s.bits = 8; }, kTextureGrey, 1, 0, {}},
        {"8 bits of type 2", [](tools::targa_desc& s) { s.bits = 8; }, kTextureNotUploaded, 1, 0, {}},
        {"two-way interleave", [](tools::targa_desc& s) { s.interleave = 2; }, kTextureRgb, 3, 0, {}},
        {"two-way interleave, bottom first",
         [](tools::targa_desc& s) { s.interleave = 2, s.top_first = false; },
         kTextureRgb,
         3,
         0,
         {}},
        {"four-way interleave", [](tools::targa_desc& s) { s.interleave = 4; }, kTextureRgb, 3, 0, {}},
        {"four-way interleave, bottom first, 32 bits",
         [](tools::targa_desc& s) { s.interleave = 4, s.top_first = false, s.bits = 32; },
         kTextureRgba,
         4,
         1,
         {}},
        {"an identification field and a colour map of 15-bit entries",
         [](tools::targa_desc& s) {
             s.id_field = {'s', 'h', 'o', 't'};
             s.map_length = 3;
             s.map_entry_bits = 15;
         },
         kTextureRgb,
         3,
         0,
         {}},
        {"a colour map of 24-bit entries and a footer",
         [](tools::targa_desc& s) {
             s.type = 3, s.bits = 8, s.map_length = 2, s.map_entry_bits = 24;
             s.trailer = {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O',
                          'N', '-', 'X', 'F', 'I', 'L', 'E', '.', 0};
         },
         kTextureGrey,
         1,
         0,
         {}},
    };
    for (const variant& v : variants) {
        SCOPED_TRACE(v.name);
        tools::targa_desc shape;
        shape.width = kWidth;
        shape.height = kHeight;
        v.shape(shape);
        shape.texels = picture(kWidth, kHeight, v.bytes, v.alphas);
        write_data("tex/tga/wall.tga", tools::targa(shape));
        clear_log();
        const texture t = load("wall");
        EXPECT_EQ(log(), "");
        EXPECT_EQ(t.width, kWidth);
        EXPECT_EQ(t.height, kHeight);
        EXPECT_EQ(t.bytes_per_texel, v.bytes);
        EXPECT_EQ(t.kind, v.kind);
        EXPECT_EQ(t.format, 0);
        EXPECT_EQ(t.two_level_alpha, v.two_level_alpha);
        EXPECT_EQ(t.pixels, shape.texels);
        EXPECT_EQ(t.dds_state, kDdsMissing);
        EXPECT_TRUE(texture_is_loaded(t));
    }

    // The descriptors named above, and the file's blue, green, red order.
    tools::targa_desc shape;
    shape.width = kWidth;
    shape.height = kHeight;
    shape.bits = 32;
    shape.alpha_bits = 8;
    shape.texels = picture(kWidth, kHeight, 4);
    EXPECT_EQ(tools::targa(shape)[17], 0x28);
    shape.top_first = false;
    EXPECT_EQ(tools::targa(shape)[17], 0x08);
    shape.top_first = true;
    const bytes_t file = tools::targa(shape);
    EXPECT_EQ(bytes_t(file.begin() + 18, file.begin() + 22), (bytes_t{200, 100, 0, 255}));
}

TEST_F(Texture, DamagedFilesAreRefusedWithOneLineAndNoPixels) {
    tools::targa_desc good;
    good.width = 3;
    good.height = 4;
    good.texels = picture(3, 4, 3);
    const auto targa = [&](const std::function<void(tools::targa_desc&)>& change) {
        tools::targa_desc s = good;
        change(s);
        return tools::targa(s);
    };
    bytes_t short_pixels = tools::targa(good);
    short_pixels.pop_back();
    bytes_t cut_map = targa([](tools::targa_desc& s) { s.map_length = 200, s.map_entry_bits = 32; });
    cut_map.resize(18 + 500);
    tools::qxtx_desc qx;
    qx.width = 2;
    qx.height = 2;
    qx.kind = kTextureRgb;
    qx.texels = bytes_t(11, 7);  // one byte short of 2 x 2 x 3
    const auto qxtx = [&](const std::function<void(tools::qxtx_desc&)>& change) {
        tools::qxtx_desc s = qx;
        s.texels.push_back(7);
        change(s);
        return tools::qxtx(s);
    };
    bytes_t short_header = tools::qxtx(qx);
    short_header.resize(10);

    struct refusal {
        const char* name;
        const char* folder;
        bytes_t file;
        std::string line;
    };
    const std::string tga = "[GFX] tex/tga/bad.tga: ";
    const refusal refusals[] = {
        {"a short header", "tga/", bytes_t(17, 0), tga + "The TGA header is cut short (17 bytes)\n"},
        {"short pixels", "tga/", short_pixels, tga + "The TGA image is cut short (35 of 36 pixel bytes)\n"},
        {"a colour map past the end", "tga/", cut_map,
         tga + "The TGA image is cut short (0 of 36 pixel bytes)\n"},
        {"16 bits", "tga/", targa([](tools::targa_desc& s) { s.bits = 16; }),
         tga + "This TGA pixel depth (16 bits) is not supported\n"},
        {"deep grey", "tga/", targa([](tools::targa_desc& s) { s.type = 3; }),
         tga + "This TGA pixel depth (24 bits) is not supported\n"},
        {"no width", "tga/", targa([](tools::targa_desc& s) { s.width = 0; }),
         tga + "This TGA image size (0x4) is not supported\n"},
        {"no height", "tga/", targa([](tools::targa_desc& s) { s.height = 0; }),
         tga + "This TGA image size (3x0) is not supported\n"},
        {"run-length true colour", "tga/", targa([](tools::targa_desc& s) { s.type = 10; }),
         tga + "This TGA image type (10) is not supported\n"},
        {"run-length grey", "tga/", targa([](tools::targa_desc& s) { s.type = 11; }),
         tga + "This TGA image type (11) is not supported\n"},
        {"colour-mapped", "tga/", targa([](tools::targa_desc& s) { s.type = 1; }),
         tga + "This TGA image type (1) is not supported\n"},
        {"four-way interleave past the end", "tga/",
         targa([](tools::targa_desc& s) { s.interleave = 4, s.height = 6, s.texels = picture(3, 6, 3); }),
         tga + "This TGA interleave does not fit its 6 rows\n"},
        {"two-way interleave past the end", "tga/",
         targa([](tools::targa_desc& s) { s.interleave = 2, s.height = 3; }),
         tga + "This TGA interleave does not fit its 3 rows\n"},
        {"a short QXTX body", "gl/", tools::qxtx(qx),
         "[GFX] `tex/gl/bad': Truncated image data found (11 of 12 bytes)\n"},
        {"a short QXTX body of kind 7", "gl/",
         qxtx([](tools::qxtx_desc& s) { s.kind = 7, s.texels.resize(7); }),
         "[GFX] `tex/gl/bad': Truncated image data found (7 of 8 bytes)\n"},
        {"a short QXTX header", "gl/", short_header, "[GFX] `tex/gl/bad': Invalid header found\n"},
        {"a wrong magic", "gl/", qxtx([](tools::qxtx_desc& s) { s.magic = "QXPS"; }),
         "[GFX] `tex/gl/bad': Invalid header found\n"},
        {"a version that is no number", "gl/", qxtx([](tools::qxtx_desc& s) { s.version = "1a"; }),
         "[GFX] `tex/gl/bad': Invalid header found\n"},
        {"a QXTX image without width", "gl/", qxtx([](tools::qxtx_desc& s) { s.width = 0; }),
         "[GFX] `tex/gl/bad': Invalid header found\n"},
        {"version 11", "gl/", qxtx([](tools::qxtx_desc& s) { s.version = "11"; }),
         "[GFX] `tex/gl/bad': Unsupported (future) version found\n"},
        {"version 99", "gl/", qxtx([](tools::qxtx_desc& s) { s.version = "99"; }),
         "[GFX] `tex/gl/bad': Unsupported (future) version found\n"},
    };
    for (const refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        srv_.texture_dir = r.folder;
        write_data(std::string("tex/") + r.folder + (srv_.texture_dir == "tga/" ? "bad.tga" : "bad"), r.file);
        for (uint8_t quiet : {0, 1}) {
            clear_log();
            texture t;
            t.name = "bad";
            t.quiet = quiet;
            t.pixels = {1, 2, 3};  // an image from before goes
            texture_load(t, srv_, driver_);
            EXPECT_EQ(log(), quiet ? "" : r.line);
            EXPECT_TRUE(t.pixels.empty());
            EXPECT_FALSE(texture_is_loaded(t));
        }
    }

    // Missing files.
    srv_.texture_dir = "tga/";
    clear_log();
    EXPECT_FALSE(texture_is_loaded(load("none")));
    EXPECT_FALSE(texture_is_loaded(load("none", 1)));
    srv_.texture_dir = "gl/";
    EXPECT_FALSE(texture_is_loaded(load("none")));
    EXPECT_EQ(log(), "[GFX] File 'tex/tga/none.tga' not found\n[GFX] File `tex/gl/none' not found\n");
}

TEST_F(Texture, QxtxFilesKeepTheirBytesKindAndFormat) {
    srv_.texture_dir = "gl/";
    struct qxtx_case {
        const char* version;
        uint8_t kind;
        std::size_t bytes;  // a texel
    };
    for (const qxtx_case c :
         {qxtx_case{"10", kTextureRgb, 3}, qxtx_case{"00", kTextureGrey, 4}, qxtx_case{"09", kTextureRgba, 4},
          qxtx_case{"10", kTextureLuminanceAlpha, 2}, qxtx_case{"10", kTextureAlpha, 1}}) {
        SCOPED_TRACE(std::string(c.version) + " kind " + std::to_string(c.kind));
        tools::qxtx_desc shape;
        shape.version = c.version;
        shape.width = 3;
        shape.height = 2;
        shape.kind = c.kind;
        shape.format = 0x5A;
        for (std::size_t i = 0; i < 6 * c.bytes + 5; ++i) shape.texels.push_back(static_cast<uint8_t>(i * 7));
        write_data("tex/gl/panel", tools::qxtx(shape));
        clear_log();
        const texture t = load("panel");
        EXPECT_EQ(log(), "");
        EXPECT_EQ(t.width, 3);
        EXPECT_EQ(t.height, 2);
        EXPECT_EQ(t.kind, c.kind);
        EXPECT_EQ(t.format, 0x5A);
        EXPECT_EQ(t.pixels, shape.texels);  // every byte to the end of the file
        EXPECT_EQ(t.bytes_per_texel, 0);
    }
    // Another texture folder loads nothing here.
    srv_.texture_dir = "d3d/";
    clear_log();
    EXPECT_FALSE(texture_is_loaded(load("panel")));
    EXPECT_EQ(log(), "");
}

TEST_F(Texture, TheDdsProbeTriesNormalThenAlphaThenPlainFilesWhenTheDriverTakesThem) {
    tools::targa_desc shape;
    shape.width = shape.height = 2;
    shape.texels = picture(2, 2, 3);
    for (const char* name : {"wall", "font1", "hitmap0", "fonthit"}) {
        write_data(std::string("tex/tga/") + name + ".tga", tools::targa(shape));
        for (const char* suffix : {".ddn", ".dda", ".dds"})
            write_data(std::string("tex/dds/") + name + suffix, {'D'});
    }
    driver_->compressed_textures = true;
    struct step {
        const char* removed;  // before this load
        uint8_t kind;
        uint8_t bytes;
        uint8_t two_level_alpha;
    };
    for (const step s : {step{nullptr, kTextureRgb, 3, 0}, step{".ddn", kTextureRgba, 4, 0},
                         step{".dda", kTextureRgba, 4, 1}}) {
        SCOPED_TRACE(s.removed ? s.removed : "all three");
        if (s.removed) std::filesystem::remove(folder_.file(std::string("data/tex/dds/wall") + s.removed));
        const texture t = load("wall");
        EXPECT_EQ(t.dds_state, kDdsFound);
        EXPECT_EQ(t.kind, s.kind);
        EXPECT_EQ(t.bytes_per_texel, s.bytes);
        EXPECT_EQ(t.two_level_alpha, s.two_level_alpha);
        EXPECT_TRUE(t.pixels.empty());  // the driver reads the file
        EXPECT_TRUE(texture_is_loaded(t));
    }
    // None left: the Targa file.
    std::filesystem::remove(folder_.file("data/tex/dds/wall.dds"));
    texture t = load("wall");
    EXPECT_EQ(t.dds_state, kDdsMissing);
    EXPECT_EQ(t.pixels, shape.texels);

    // Fonts and hit maps never probe; nor does a driver without compressed textures, nor a light map.
    for (const char* name : {"font1", "hitmap0", "fonthit"}) {
        SCOPED_TRACE(name);
        t = load(name);
        EXPECT_EQ(t.dds_state, kDdsMissing);
        EXPECT_EQ(t.pixels, shape.texels);
    }
    driver_->compressed_textures = false;
    write_data("tex/dds/wall.ddn", {'D'});
    t = load("wall");
    EXPECT_EQ(t.dds_state, kDdsMissing);
    EXPECT_EQ(t.kind, kTextureRgb);
    EXPECT_EQ(t.pixels, shape.texels);
    t = texture();
    t.name = "wall";
    texture_load(t, srv_, nullptr);
    EXPECT_EQ(t.dds_state, kDdsMissing);
    driver_->compressed_textures = true;
    t = texture();
    t.name = "wall";
    t.kind = kTextureLightMap;
    texture_load(t, srv_, driver_);
    EXPECT_EQ(t.dds_state, kDdsMissing);

    // The probe runs once for a record.
    t = texture();
    t.name = "wall";
    t.dds_state = kDdsMissing;
    driver_->take_calls();
    texture_load(t, srv_, driver_);
    EXPECT_EQ(driver_->take_calls(), std::vector<std::string>{});
    EXPECT_EQ(t.pixels, shape.texels);
}

TEST_F(Texture, SamplingWrapsBySmallerSideAndReadsLightMapPagesThroughTheSecondImage) {
    texture grey;
    grey.width = 4;
    grey.height = 2;
    grey.bytes_per_texel = 1;
    grey.pixels = {0, 1, 2, 3, 4, 5, 6, 7};
    struct sample_case {
        float u, v;
        int32_t texel;
    };
    // Smaller side 2: column trunc(2u) mod 4, row trunc(2v) mod 2, below 0 wrapped into range.
    const sample_case cases[] = {{0.0f, 0.0f, 0},  {0.5f, 0.5f, 5},   {1.5f, 0.0f, 3},  {2.0f, 1.0f, 0},
                                 {-0.5f, 0.0f, 3}, {-1.0f, -0.5f, 6}, {-3.0f, 0.0f, 2}, {1e30f, 0.0f, 0}};
    for (const sample_case& c : cases)
        EXPECT_EQ(texture_sample(grey, c.u, c.v), c.texel) << c.u << "," << c.v;

    // A light-map page: no pixels, the store's image.
    texture page = grey;
    page.pixels.clear();
    const uint8_t store[8] = {10, 11, 12, 13, 14, 15, 16, 17};
    page.texels = store;
    page.kind = kTextureLightMap;
    EXPECT_EQ(texture_sample(page, 0.5f, 0.5f), 15);
    EXPECT_EQ(texture_sample(page, -0.5f, -0.5f), 17);

    // Three bytes a texel: the first colour byte.
    texture colour;
    colour.width = colour.height = 2;
    colour.bytes_per_texel = 3;
    colour.pixels = picture(2, 2, 3);
    EXPECT_EQ(texture_sample(colour, 0.5f, 0.5f), 17);
    EXPECT_EQ(texture_sample(colour, 0.0f, 0.5f), 16);

    // No image, no side, a short block or no number: 0.
    EXPECT_EQ(texture_sample(texture(), 0.5f, 0.5f), 0);
    texture flat = grey;
    flat.height = 0;
    EXPECT_EQ(texture_sample(flat, 0.5f, 0.5f), 0);
    texture short_block = grey;
    short_block.pixels.resize(7);
    EXPECT_EQ(texture_sample(short_block, 0.0f, 0.0f), 0);
    EXPECT_EQ(texture_sample(grey, std::nanf(""), 0.0f), 0);
}

TEST_F(Texture, TheCacheDrawsAMissingTextureWithTheDefaultUntilThatIsMissingToo) {
    // No default either: the fallback ends, nothing is drawn.
    layer_state state;
    gfx_load_texture(g_, "gone", state, false);
    EXPECT_EQ(log(),
              "[GFX] File 'tex/tga/gone.tga' not found\n"
              "failed - resorting to default one.\n"
              "[GFX] File 'tex/tga/QXlogo.tga' not found\n"
              "failed - resorting to default one.\n");
    EXPECT_EQ(driver_calls(), std::vector<std::string>{});

    tools::targa_desc logo;
    logo.width = logo.height = 2;
    logo.bits = 32;
    logo.texels = picture(2, 2, 4, {0, 255});
    write_data("tex/tga/QXlogo.tga", tools::targa(logo));
    gfx_texture_list_clear(g_);
    clear_log();
    gfx_load_texture(g_, "gone", state, false);
    EXPECT_EQ(log(), "[GFX] File 'tex/tga/gone.tga' not found\nfailed - resorting to default one.\n");
    EXPECT_EQ(driver_calls(), std::vector<std::string>{"use_texture QXlogo 0"});
    EXPECT_EQ(state.has_alpha, 1);
    EXPECT_EQ(state.alpha_used, 1);
    const texture* drawn = gfx_find_texture(g_, kDefaultTextureName);
    ASSERT_NE(drawn, nullptr);
    EXPECT_TRUE(drawn->pixels.empty());  // uploaded, then freed
    EXPECT_EQ(drawn->width, 2);
}

TEST_F(Texture, ReleaseDeletesTheDriverTextureAndFreesTheRest) {
    write_data("tex/tga/wall.tga", plain_texture_file());
    texture t = load("wall");
    ASSERT_TRUE(driver_->use_texture(t, 0));
    driver_->take_calls();
    texture_release(t, driver_);
    EXPECT_EQ(driver_->take_calls(), std::vector<std::string>{"delete_texture wall"});
    EXPECT_EQ(t.uploaded, 0);
    EXPECT_TRUE(t.pixels.empty());
    EXPECT_TRUE(t.name.empty());
    EXPECT_FALSE(texture_is_loaded(t));
    // Not uploaded: the driver is not asked.
    texture_release(t, driver_);
    EXPECT_EQ(driver_->take_calls(), std::vector<std::string>{});
}

class ScreenImage : public gfx_test {
protected:
    // Writes the image to "tex/tga/<name>.tga" under the data directory; the result of the write.
    bool write(const screen_image& image, const std::string& name) {
        std::filesystem::create_directories(folder_.file("data/tex/tga"));
        file_stream stream;
        EXPECT_TRUE(file_stream_open(stream, srv_.data_dir + "tex/tga/" + name + ".tga",
                                     kFileWrite | kFileCreate | kFileTruncate));
        return screen_image_write_tga(image, stream);
    }
    std::string file(const std::string& name) { return folder_.read("data/tex/tga/" + name + ".tga"); }
};

TEST_F(ScreenImage, ARedPixelMakesATwentyOneByteFile) {
    screen_image image;
    uint8_t* pixels = screen_image_resize(image, 1, 1);
    pixels[0] = 255;
    ASSERT_TRUE(write(image, "red"));
    const std::string header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20};
    EXPECT_EQ(file("red"), header + std::string({0, 0, '\xFF'}));

    screen_image_set_top_down(image, 0);
    ASSERT_TRUE(write(image, "red"));
    EXPECT_EQ(file("red")[17], 0);
}

TEST_F(ScreenImage, ImagesWrittenEitherWayLoadBackUpright) {
    const bytes_t upright = picture(3, 2, 3);
    for (uint8_t top_down : {1, 0}) {
        SCOPED_TRACE(int{top_down});
        screen_image image;
        uint8_t* pixels = screen_image_resize(image, 3, 2);
        // A driver that reads bottom-up leaves the bottom row first.
        for (int row = 0; row < 2; ++row) {
            const int from = top_down ? row : 1 - row;
            std::copy_n(upright.begin() + from * 9, 9, pixels + row * 9);
        }
        screen_image_set_top_down(image, top_down);
        ASSERT_TRUE(write(image, "shot"));
        EXPECT_EQ(file("shot").size(), 18u + 18u);
        texture t;
        t.name = "shot";
        texture_load(t, srv_, driver_);
        EXPECT_EQ(t.pixels, upright);
        EXPECT_EQ(t.kind, kTextureRgb);
    }
}

TEST_F(ScreenImage, FailedWritesAndOversizedImagesAreReported) {
    screen_image image;
    screen_image_resize(image, 2, 2);
    write_data("old.tga", {});
    file_stream read_only;
    ASSERT_TRUE(file_stream_open(read_only, srv_.data_dir + "old.tga", kFileRead));
    EXPECT_FALSE(screen_image_write_tga(image, read_only));
    file_stream closed;
    EXPECT_FALSE(screen_image_write_tga(image, closed));

    clear_log();
    screen_image wide;
    screen_image_resize(wide, 65536, 1);
    EXPECT_FALSE(write(wide, "wide"));
    EXPECT_EQ(file("wide"), "");
    screen_image cut;
    screen_image_resize(cut, 2, 2);
    cut.pixels.pop_back();
    EXPECT_FALSE(write(cut, "cut"));
    EXPECT_EQ(file("cut"), "");
    EXPECT_EQ(log(),
              "[GFX] A screen image of 65536x1 pixels does not fit a TGA file\n"
              "[GFX] The screen image holds 11 of its 12 pixel bytes\n");
    // The largest side that fits.
    screen_image tall;
    screen_image_resize(tall, 1, 65535);
    EXPECT_TRUE(write(tall, "tall"));
    EXPECT_EQ(file("tall").size(), 18u + 65535u * 3u);
}

}  // namespace
}  // namespace kv
