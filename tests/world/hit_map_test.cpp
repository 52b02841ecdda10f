#include "world/hit_map.h"

#include <gtest/gtest.h>

#include "tests/world/world_test_support.h"
#include "tools/targa_writer.h"

namespace kv {
namespace {

tools::targa8_desc two_by_three() {
    tools::targa8_desc s;
    s.width = 2;
    s.height = 3;
    s.texels = {1, 2, 3, 4, 5, 6};
    return s;
}

TEST(HitMapRead, GreyAndColourMappedTopOrBottomFirstReadRowsFromTheTop) {
    for (const bool mapped : {false, true}) {
        for (const bool top : {false, true}) {
            tools::targa8_desc s = two_by_three();
            s.colour_mapped = mapped;
            s.top_first = top;
            const std::vector<uint8_t> bytes = tools::targa8(s);
            image8 image;
            std::string error;
            ASSERT_TRUE(hit_map_read_targa(bytes.data(), bytes.size(), image, error)) << error;
            EXPECT_EQ(image.width, 2);
            EXPECT_EQ(image.height, 3);
            EXPECT_EQ(image.texels, s.texels);
        }
    }
}

TEST(HitMapRead, RefusesOtherDepthsTruncatedAndEmptyImages) {
    struct bad {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    tools::targa8_desc deep = two_by_three();
    deep.bits = 16;
    tools::targa8_desc empty = two_by_three();
    empty.width = 0;
    std::vector<uint8_t> truncated = tools::targa8(two_by_three());
    truncated.pop_back();
    std::vector<uint8_t> rle = tools::targa8(two_by_three());
    rle[2] = 11;
    for (const bad& b :
         {bad{"16 bits", tools::targa8(deep)}, bad{"no width", tools::targa8(empty)},
          bad{"truncated", truncated}, bad{"run-length", rle}, bad{"header only", {1, 2, 3}}}) {
        image8 image;
        std::string error;
        EXPECT_FALSE(hit_map_read_targa(b.bytes.data(), b.bytes.size(), image, error)) << b.what;
        EXPECT_FALSE(error.empty()) << b.what;
        EXPECT_EQ(image.width, 0) << b.what;
    }
}

TEST(HitMapSample, WrapsBySmallerSideAndGivesZeroForEmptyImages) {
    image8 image{4, 2, {0, 1, 2, 3, 4, 5, 6, 7}};
    struct sample_case {
        float u, v;
        uint8_t texel;
    };
    // m = 2: column int(u 2) mod 4, row int(v 2) mod 2.
    for (const sample_case c :
         {sample_case{0.0f, 0.0f, 0}, sample_case{0.5f, 0.5f, 5}, sample_case{1.5f, 0.0f, 3},
          sample_case{2.0f, 1.0f, 0}, sample_case{-0.5f, 0.0f, 3}, sample_case{1e30f, 0.0f, 0}}) {
        EXPECT_EQ(image8_sample(image, c.u, c.v), c.texel) << c.u << "," << c.v;
    }
    EXPECT_EQ(image8_sample(image8{}, 0.3f, 0.3f), 0);
    EXPECT_EQ(image8_sample(image, std::nanf(""), 0.0f), 0);
}

class HitMapLoad : public world_test {
protected:
    void TearDown() override {
        hit_maps() = {};
        world_test::TearDown();
    }
};

TEST_F(HitMapLoad, LoadsFromTheTextureFolderAndLogsTheRest) {
    write_data("tex/tga/hitmap0.tga", tools::targa8(two_by_three()));
    tools::targa8_desc bad = two_by_three();
    bad.bits = 24;
    write_data("tex/tga/hitmap1.tga", tools::targa8(bad));
    write_data("hitmap2.tga", tools::targa8(two_by_three()));  // not in the texture folder
    srv_.texture_dir = "tga/";
    hit_maps()[2] = image8{1, 1, {9}};
    EXPECT_EQ(server_load_hit_maps(srv_), 1);
    EXPECT_EQ(hit_map_get(0)->texels, two_by_three().texels);
    EXPECT_EQ(hit_map_get(1)->width, 0);
    EXPECT_EQ(hit_map_get(2)->width, 0);
    EXPECT_EQ(hit_map_get(3), nullptr);
    EXPECT_EQ(hit_map_get(-1), nullptr);
    EXPECT_NE(log().find("hitmap: *WARNING* `hitmap1.tga' is not usable: 24 bits per pixel, 8 expected.\n"),
              std::string::npos)
        << log();
    EXPECT_NE(log().find("hitmap: *WARNING* couldn't open `hitmap2.tga'.\n"), std::string::npos);
}

}  // namespace
}  // namespace kv
