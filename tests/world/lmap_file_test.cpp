#include "world/lmap_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "data/read_error.h"
#include "game/server.h"
#include "kernel/log.h"
#include "platform/clock.h"
#include "tests/support/temp_folder.h"
#include "tools/lmap_writer.h"

namespace kv {
namespace {

using tools::lmap_writer;

// An image whose texel (c, r) is base + r * side + c, so misplaced rows show.
std::vector<uint8_t> patterned(int32_t side, uint8_t base) {
    std::vector<uint8_t> texels(static_cast<std::size_t>(side * side));
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(base + i);
    return texels;
}

class lmap_file_test : public ::testing::Test {
protected:
    lmap_file_test() : use_clock_(clock_) {}

    void SetUp() override {
        ASSERT_TRUE(log_open(folder_.file("kv.log")));
        srv_.data_dir = folder_.file("data") + "/";
        server_set_lmap_dir(srv_, "lmap/");
    }
    void TearDown() override { log_close(); }

    std::string log() const { return folder_.read("kv.log"); }

    void write_lmap(const std::string& package, const lmap_writer& w) {
        ASSERT_TRUE(w.write(folder_.file("data/lmap/" + package + "-lmap")));
    }

    // Loads the package's file; the error text, or empty when it loaded.
    std::string load(const std::string& package) {
        try {
            lmap_file_load(store_, srv_, package);
        } catch (const read_error& e) {
            return e.what();
        }
        return "";
    }

    temp_folder folder_;
    fake_clock clock_;
    scoped_clock use_clock_;
    server srv_;
    lmap_file store_;
};

TEST_F(lmap_file_test, LoadsTableAndImages) {
    lmap_writer w;
    w.add(2, patterned(2, 10));
    w.add(4, patterned(4, 20));
    w.add(1, {99});
    write_lmap("level1", w);

    ASSERT_EQ(load("level1"), "");
    ASSERT_EQ(store_.table.size(), 3u);
    EXPECT_EQ(store_.data.size(), 4u + 16u + 1u);
    const int32_t offsets[] = {0, 4, 20};
    const int32_t sides[] = {2, 4, 1};
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lmap_file_entry(store_, i).offset, offsets[i]);
        EXPECT_EQ(lmap_file_entry(store_, i).side, sides[i]);
        EXPECT_TRUE(lmap_file_has(store_, i));
    }
    EXPECT_EQ(lmap_file_data(store_, 1)[0], 20);
    EXPECT_EQ(lmap_file_data(store_, 1)[15], 35);
    EXPECT_EQ(lmap_file_data(store_, 2)[0], 99);
    EXPECT_EQ(log(), "");
}

TEST_F(lmap_file_test, MissingFileKeepsTheStore) {
    lmap_writer w;
    w.add_filled(2, 7);
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    EXPECT_EQ(load("nothing"), "");
    EXPECT_EQ(store_.table.size(), 1u);
    EXPECT_EQ(log(), "");
}

TEST_F(lmap_file_test, VersionsUpToTenLoad) {
    const struct {
        const char* version;
        const char* error;
    } cases[] = {
        {"10", ""},
        {"09", ""},
        {"00", ""},
        {"11", "[LM] Unsupported (future) version found"},
        {"20", "[LM] Unsupported (future) version found"},
        {"1a", "[LM] Unsupported (future) version found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        lmap_writer w;
        w.version = c.version;
        w.add_filled(2, 1);
        write_lmap("v", w);
        lmap_file_clear(store_);
        EXPECT_EQ(load("v"), c.error);
        EXPECT_EQ(store_.table.size(), *c.error ? 0u : 1u);
    }
}

TEST_F(lmap_file_test, DamagedFilesAreRefused) {
    auto two_images = [] {
        lmap_writer w;
        w.add_filled(2, 1);
        w.add_filled(3, 2);
        return w;
    };
    struct damage {
        const char* name;
        void (*apply)(lmap_writer&);
        const char* error;
    };
    const damage cases[] = {
        {"magic", [](lmap_writer& w) { w.magic = "LMAQ"; }, "[LM] Invalid header found"},
        {"short header", [](lmap_writer& w) { w.truncate = 4 + 8 * 2 + 13 + 5; },
         "[LM] Invalid header found"},
        {"no count", [](lmap_writer& w) { w.truncate = 8 * 2 + 13 + 2; }, "[LM] Invalid image"},
        {"more entries than written", [](lmap_writer& w) { w.count_override = 5; }, "[LM] Invalid table"},
        {"last entry cut", [](lmap_writer& w) { w.truncate = 13 + 3; }, "[LM] Invalid image"},
        {"first entry cut", [](lmap_writer& w) { w.truncate = 13 + 8 + 3; }, "[LM] Invalid table"},
        {"images cut", [](lmap_writer& w) { w.truncate = 1; }, "[LM] Invalid image"},
        {"side beyond the file", [](lmap_writer& w) { w.image(1).side_override = 0x7FFFFFFF; },
         "[LM] Invalid image"},
        {"sides summing past 64 bits",
         [](lmap_writer& w) {
             w.image(0).side_override = -0x7FFFFFFF - 1;
             w.image(1).side_override = -0x7FFFFFFF - 1;
         },
         "[LM] Invalid image"},
    };
    for (const damage& c : cases) {
        SCOPED_TRACE(c.name);
        lmap_writer w = two_images();
        c.apply(w);
        write_lmap("bad", w);
        EXPECT_EQ(load("bad"), c.error);
    }
}

TEST_F(lmap_file_test, EmptyAndNegativeCountsGiveAnEmptyStore) {
    for (int32_t count : {0, -3}) {
        lmap_writer w;
        w.count_override = count;
        write_lmap("empty", w);
        store_.table.push_back({0, 1});
        store_.data.push_back(5);
        ASSERT_EQ(load("empty"), "");
        EXPECT_TRUE(store_.table.empty());
        EXPECT_TRUE(store_.data.empty());
    }
}

TEST_F(lmap_file_test, EntriesOutsideTheImageBlockAreIgnoredWithAWarning) {
    lmap_writer w;
    w.add_filled(2, 1);
    w.image(w.add_filled(2, 2)).offset_override = 18;  // ends 2 bytes past the block
    w.image(w.add_filled(2, 3)).offset_override = -4;
    w.image(w.add_filled(2, 4)).side_override = -2;  // same size, no square
    w.add(0, {});
    w.add_filled(2, 5);
    write_lmap("level1", w);

    ASSERT_EQ(load("level1"), "");
    ASSERT_EQ(store_.table.size(), 6u);
    const bool good[] = {true, false, false, false, false, true};
    for (int32_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lmap_file_has(store_, i), good[i]);
        EXPECT_EQ(lmap_file_data(store_, i) != nullptr, good[i]);
    }
    EXPECT_FALSE(lmap_file_has(store_, -1));
    EXPECT_FALSE(lmap_file_has(store_, 6));
    EXPECT_EQ(lmap_file_data(store_, 5)[0], 5);
    EXPECT_EQ(log(),
              "[LM] *WARNING* Invalid entry 1 (offset 18, side 2): its faces get no light map.\n"
              "[LM] *WARNING* Invalid entry 2 (offset -4, side 2): its faces get no light map.\n"
              "[LM] *WARNING* Invalid entry 3 (offset 12, side -2): its faces get no light map.\n"
              "[LM] *WARNING* Invalid entry 4 (offset 16, side 0): its faces get no light map.\n");
}

TEST_F(lmap_file_test, LoadsFromAStreamOverAChunkTooAndAssignCopies) {
    lmap_writer w;
    w.add(3, patterned(3, 40));
    ASSERT_TRUE(w.write(folder_.file("raw")));
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, folder_.file("raw"), kFileRead));
    lmap_file_read(store_, stream);

    lmap_file copy;
    copy.table.push_back({0, 1});
    copy.data.push_back(1);
    lmap_file_assign(copy, store_);
    EXPECT_EQ(copy.data, store_.data);
    ASSERT_EQ(copy.table.size(), 1u);
    EXPECT_EQ(copy.table[0].side, 3);
    lmap_file_clear(copy);
    EXPECT_TRUE(copy.table.empty());
    EXPECT_TRUE(copy.data.empty());
}

// ---- Packing ----

// One light-mapped mesh whose faces are separate triangles with the corner coordinates (0, 0),
// (1, 0) and (0, 1), so that a face's coordinates show where its square went.
struct test_mesh {
    lmap_binding binding;

    // Adds a face with that light-map id; returns its record.
    lmap_face_record face(int32_t id, const lmap_file& store) {
        const auto first = static_cast<uint16_t>(binding.coords.size());
        binding.coords.push_back({0.0f, 0.0f});
        binding.coords.push_back({1.0f, 0.0f});
        binding.coords.push_back({0.0f, 1.0f});
        for (int i = 0; i < 3; ++i) binding.ids.push_back(id);
        const int32_t side = id >= 0 && static_cast<std::size_t>(id) < store.table.size()
                                 ? lmap_file_entry(store, id).side
                                 : 1;
        return {
            &binding, side, id, {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2)}};
    }
};

// Where a face landed: its page and the square its corners span, in texels.
struct landing {
    int32_t page;
    float x, y, side;
};

landing landed(const lmap_face_record& r, const lmap_file& pages) {
    const lmap_binding& b = *r.binding;
    const int32_t page = b.ids[r.face[0]];
    const float p = static_cast<float>(lmap_file_entry(pages, page).side);
    return {page, b.coords[r.face[0]].u * p, b.coords[r.face[0]].v * p,
            (b.coords[r.face[1]].u - b.coords[r.face[0]].u) * p};
}

class lmap_pack_test : public lmap_file_test {
protected:
    // The texel of page `page` at (x, y).
    uint8_t texel(int32_t page, int32_t x, int32_t y) const {
        const lmap_entry& e = lmap_file_entry(pages_, page);
        return lmap_file_data(pages_, e)[static_cast<std::size_t>(y * e.side + x)];
    }

    // Every texel of the image `id` is where `at` says it went.
    void expect_copied(int32_t id, const landing& at) const {
        const lmap_entry& e = lmap_file_entry(store_, id);
        const uint8_t* image = lmap_file_data(store_, id);
        ASSERT_EQ(at.side, static_cast<float>(e.side));
        for (int32_t r = 0; r < e.side; ++r)
            for (int32_t c = 0; c < e.side; ++c)
                ASSERT_EQ(texel(at.page, static_cast<int32_t>(at.x) + c, static_cast<int32_t>(at.y) + r),
                          image[r * e.side + c])
                    << "image " << id << " texel " << c << "," << r;
    }

    lmap_file pages_;
    test_mesh mesh_;
};

TEST_F(lmap_pack_test, PowerOfTwoSidesPackExactlyIntoOnePage) {
    lmap_writer w;
    w.add(8, patterned(8, 0));
    for (int i = 0; i < 4; ++i) w.add(4, patterned(4, static_cast<uint8_t>(100 + 16 * i)));
    for (int i = 0; i < 4; ++i) w.add(2, patterned(2, static_cast<uint8_t>(200 + 4 * i)));
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    // Ids in a shuffled order over two groups of one page; the white block is a face without one.
    lmap_face_groups groups;
    for (int32_t id : {5, 1, -1, 8}) groups[3].push_back(mesh_.face(id, store_));
    for (int32_t id : {0, 7, 2, 6, 4, 3}) groups[9].push_back(mesh_.face(id, store_));
    lmap_pack(store_, pages_, groups, 1024);

    // 64 + 4 x 16 + 4 x 4 + 16 texels: one page of side 16.
    ASSERT_EQ(pages_.table.size(), 1u);
    EXPECT_EQ(pages_.table[0].offset, 0);
    EXPECT_EQ(pages_.table[0].side, 16);
    EXPECT_EQ(pages_.data.size(), 256u);

    const struct {
        int32_t id;
        float x, y;
    } expected[] = {
        {0, 0, 0}, {1, 8, 0}, {2, 8, 4}, {3, 12, 0}, {4, 12, 4}, {5, 0, 8}, {6, 2, 8}, {7, 4, 8}, {8, 6, 8},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.id);
        const auto& group = e.id == 5 || e.id == 1 || e.id == 8 ? groups[3] : groups[9];
        for (const lmap_face_record& r : group) {
            if (r.id != e.id) continue;
            const landing at = landed(r, pages_);
            EXPECT_EQ(at.page, 0);
            EXPECT_FLOAT_EQ(at.x, e.x);
            EXPECT_FLOAT_EQ(at.y, e.y);
            expect_copied(e.id, at);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(mesh_.binding.ids[r.face[i]], 0);
        }
    }
    // The white block after the 2 x 2 images; its face samples the block's middle.
    const lmap_face_record& white = groups[3][2];
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mesh_.binding.ids[white.face[i]], 0);
        EXPECT_FLOAT_EQ(mesh_.binding.coords[white.face[i]].u, 10.0f / 16);
        EXPECT_FLOAT_EQ(mesh_.binding.coords[white.face[i]].v, 10.0f / 16);
    }
    for (int32_t r = 8; r < 12; ++r)
        for (int32_t c = 8; c < 12; ++c) EXPECT_EQ(texel(0, c, r), kLmapWhite);
}

TEST_F(lmap_pack_test, PageSidesFollowTheTotalArea) {
    lmap_writer w;
    w.add_filled(24, 1);  // 0
    w.add_filled(24, 2);  // 1
    w.add_filled(2, 3);   // 2
    w.add_filled(16, 4);  // 3
    w.add_filled(16, 5);  // 4
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    struct area_case {
        const char* name;
        std::vector<std::vector<int32_t>> groups;  // light-map ids of the faces, group by group
        int32_t max_side;
        std::vector<int32_t> sides;
    };
    const area_case cases[] = {
        // Total 1: one doubling gives a limit of 2, too small for the white block, so it doubles.
        {"one face without a light map", {{-1}}, 1024, {4}},
        // Total 600: limit 32, one page.
        {"total 600", {{0}, {2, 2, 2, 2, 2, 2}}, 1024, {32}},
        // Total 3000: 64 x 64 leaves 1096 over, so the limit is 32 and the groups need two pages.
        {"total 3000",
         {{0, 0, 0, 0},
          {1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
         1024,
         {32, 32}},
        // The driver's largest side caps the pages.
        {"capped", {{3}, {4}, {3, 4}}, 16, {16, 16, 32}},
        // One group larger than the cap doubles it instead.
        {"one large group", {{3, 4}}, 16, {32}},
        {"nothing", {}, 1024, {}},
    };
    for (const area_case& c : cases) {
        SCOPED_TRACE(c.name);
        test_mesh mesh;
        lmap_face_groups groups;
        for (std::size_t g = 0; g < c.groups.size(); ++g)
            for (int32_t id : c.groups[g]) groups[static_cast<uint16_t>(g)].push_back(mesh.face(id, store_));
        lmap_file pages;
        lmap_pack(store_, pages, groups, c.max_side);
        std::vector<int32_t> sides;
        for (const lmap_entry& e : pages.table) sides.push_back(e.side);
        EXPECT_EQ(sides, c.sides);
        // Every face points into its page's square of its light map.
        for (auto& [key, records] : groups)
            for (const lmap_face_record& r : records) {
                const landing at = landed(r, pages);
                ASSERT_GE(at.page, 0);
                ASSERT_LT(static_cast<std::size_t>(at.page), pages.table.size());
                if (r.id >= 0) {
                    EXPECT_LE(at.x + at.side,
                              static_cast<float>(pages.table[static_cast<std::size_t>(at.page)].side));
                    EXPECT_EQ(at.side, static_cast<float>(lmap_file_entry(store_, r.id).side));
                }
            }
    }
}

TEST_F(lmap_pack_test, SharedLightMapIsPlacedOnceAndFacesWithoutOneShareTheWhiteBlock) {
    lmap_writer w;
    w.add(4, patterned(4, 50));
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    lmap_face_groups groups;
    groups[1] = {mesh_.face(0, store_), mesh_.face(-1, store_), mesh_.face(0, store_),
                 mesh_.face(-1, store_)};
    lmap_pack(store_, pages_, groups, 1024);

    ASSERT_EQ(pages_.table.size(), 1u);
    EXPECT_EQ(pages_.table[0].side, 8);  // 16 + 16 texels
    const landing a = landed(groups[1][0], pages_);
    const landing b = landed(groups[1][2], pages_);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.side, 4.0f);
    expect_copied(0, a);
    for (int f : {1, 3}) {
        const lmap_face_record& r = groups[1][static_cast<std::size_t>(f)];
        for (int i = 0; i < 3; ++i) {
            EXPECT_FLOAT_EQ(mesh_.binding.coords[r.face[i]].u, 6.0f / 8);
            EXPECT_FLOAT_EQ(mesh_.binding.coords[r.face[i]].v, 2.0f / 8);
        }
    }
}

TEST_F(lmap_pack_test, AVertexSharedByTwoFacesIsMovedOnce) {
    lmap_writer w;
    w.add_filled(4, 1);
    w.add_filled(4, 2);
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    // A quad of two faces sharing vertices 1 and 2, on light map 1, which goes right of light map 0
    // on a page of side 8.
    lmap_binding quad;
    quad.coords = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
    quad.ids = {1, 1, 1, 1};
    lmap_face_groups groups;
    groups[0] = {mesh_.face(0, store_), {&quad, 4, 1, {0, 1, 2}}, {&quad, 4, 1, {1, 3, 2}}};
    lmap_pack(store_, pages_, groups, 1024);

    ASSERT_EQ(pages_.table.size(), 1u);
    ASSERT_EQ(pages_.table[0].side, 8);
    const lmap_uv expected[] = {{0.5f, 0.0f}, {1.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 0.5f}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(quad.ids[i], 0);
        EXPECT_FLOAT_EQ(quad.coords[i].u, expected[i].u);
        EXPECT_FLOAT_EQ(quad.coords[i].v, expected[i].v);
    }
}

TEST_F(lmap_pack_test, IdsWithoutAUsableEntryGetTheWhiteBlock) {
    lmap_writer w;
    w.add_filled(4, 9);
    w.image(w.add_filled(4, 8)).offset_override = 1000;
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    lmap_face_groups groups;
    // A bad entry, ids past the table, and a face whose id the binding does not hold.
    groups[0] = {mesh_.face(1, store_), mesh_.face(7, store_), mesh_.face(0, store_)};
    lmap_face_record stray = mesh_.face(0, store_);
    stray.face[1] = 60000;
    stray.face[2] = 60001;
    groups[0].push_back(stray);
    lmap_pack(store_, pages_, groups, 1024);

    ASSERT_EQ(pages_.table.size(), 1u);
    for (int f : {0, 1}) {
        const lmap_face_record& r = groups[0][static_cast<std::size_t>(f)];
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(mesh_.binding.ids[r.face[i]], 0);
            EXPECT_FLOAT_EQ(mesh_.binding.coords[r.face[i]].u, 6.0f / 8);
        }
    }
    const landing good = landed(groups[0][2], pages_);
    EXPECT_EQ(good.x, 0.0f);
    EXPECT_EQ(good.side, 4.0f);
    EXPECT_EQ(mesh_.binding.ids.size(), 12u);
}

TEST_F(lmap_pack_test, ImagesThatDoNotFitGetTheWhiteBlock) {
    // Sides that are not powers of two leave gaps the rows cannot use: 5 + 3 + 3 fills a page of 8
    // by area alone, but the second 3 x 3 square would run off its edge.
    lmap_writer w;
    w.add_filled(5, 1);
    w.add_filled(3, 2);
    w.add_filled(3, 3);
    w.add_filled(3, 4);
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    lmap_face_groups groups;
    groups[0] = {mesh_.face(0, store_), mesh_.face(1, store_), mesh_.face(2, store_), mesh_.face(3, store_)};
    lmap_pack(store_, pages_, groups, 1024);

    ASSERT_EQ(pages_.table.size(), 1u);
    const int32_t side = pages_.table[0].side;
    for (const lmap_face_record& r : groups[0]) {
        const landing at = landed(r, pages_);
        EXPECT_LE(at.x + at.side, static_cast<float>(side)) << r.id;
        EXPECT_LE(at.y + at.side, static_cast<float>(side)) << r.id;
    }
    EXPECT_NE(log().find("does not fit on page 0: its faces get the white block."), std::string::npos)
        << log();
}

TEST_F(lmap_pack_test, AGroupOpeningAPageCountsAllItsLightMaps) {
    lmap_writer w;
    for (int i = 0; i < 5; ++i) w.add_filled(16, static_cast<uint8_t>(i + 1));
    write_lmap("level1", w);
    ASSERT_EQ(load("level1"), "");

    // The second group repeats the first page's four light maps and adds one: its page must hold
    // all five, not just the one new to the first page.
    lmap_face_groups groups;
    for (int32_t id : {0, 1, 2, 3}) groups[0].push_back(mesh_.face(id, store_));
    for (int32_t id : {0, 1, 2, 3, 4}) groups[1].push_back(mesh_.face(id, store_));
    lmap_pack(store_, pages_, groups, 32);

    ASSERT_EQ(pages_.table.size(), 2u);
    EXPECT_EQ(pages_.table[0].side, 32);
    EXPECT_EQ(pages_.table[1].side, 64);
    for (const auto& [key, records] : groups)
        for (const lmap_face_record& r : records) {
            const landing at = landed(r, pages_);
            EXPECT_EQ(at.page, key);
            expect_copied(r.id, at);
        }
    EXPECT_EQ(log().find("does not fit"), std::string::npos) << log();
}

}  // namespace
}  // namespace kv
