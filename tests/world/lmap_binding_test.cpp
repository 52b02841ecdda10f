#include "world/lmap_binding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "gfx/texture.h"
#include "kernel/kernel.h"
#include "tests/support/call_log.h"
#include "world/lmap_file.h"

namespace kv {
namespace {

// A store of squares of sides 2, 4 and 1, and a fourth entry that lies outside the data block.
lmap_file make_store() {
    lmap_file store;
    for (int32_t side : {2, 4, 1}) {
        store.table.push_back({static_cast<int32_t>(store.data.size()), side});
        store.data.insert(store.data.end(), static_cast<std::size_t>(side * side),
                          static_cast<uint8_t>(side * 10));
    }
    store.table.push_back({static_cast<int32_t>(store.data.size()), 8});
    return store;
}

// A binding of n vertices with these ids and coordinates (i / 10, i / 20).
lmap_binding make_binding(const std::vector<int32_t>& ids) {
    lmap_binding b;
    b.ids = ids;
    for (std::size_t i = 0; i < ids.size(); ++i)
        b.coords.push_back({static_cast<float>(i) / 10.0f, static_cast<float>(i) / 20.0f});
    return b;
}

TEST(lmap_binding_prepare_test, OneRecordPerFaceWhenAnyFaceIsLit) {
    const lmap_file store = make_store();
    lmap_binding b = make_binding({-1, -1, -1, 1, 1, 1, 0, 2, 3, 9, 200});
    // Faces: no light map, light map 1, light map 0, an entry outside the block, an id past the
    // table, a first vertex past the binding, and a trailing partial face.
    const std::vector<uint16_t> faces = {0, 1, 2, 3,  4, 5, 6,  7, 8, 8, 0, 1,
                                         9, 3, 4, 10, 3, 4, 40, 0, 1, 5, 6};
    std::vector<lmap_face_record> out;
    lmap_binding_prepare(b, store, out, faces);

    const struct {
        int32_t id;
        int32_t side;
    } expected[] = {{-1, 1}, {1, 4}, {0, 2}, {-1, 1}, {-1, 1}, {-1, 1}, {-1, 1}};
    ASSERT_EQ(out.size(), std::size(expected));
    for (std::size_t f = 0; f < out.size(); ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(out[f].binding, &b);
        EXPECT_EQ(out[f].id, expected[f].id);
        EXPECT_EQ(out[f].side, expected[f].side);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(out[f].face[i], faces[f * 3 + static_cast<std::size_t>(i)]);
    }
}

TEST(lmap_binding_prepare_test, MeshesWithoutLightMapsGiveNoRecords) {
    const lmap_file store = make_store();
    const struct {
        const char* name;
        std::vector<int32_t> ids;
    } cases[] = {{"no ids", {}}, {"only negative first vertices", {-1, 0, 0, -5, 1, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lmap_binding b = make_binding(c.ids);
        std::vector<lmap_face_record> out;
        lmap_binding_prepare(b, store, out, std::vector<uint16_t>{0, 1, 2, 3, 4, 5});
        EXPECT_TRUE(out.empty());
    }
}

TEST(lmap_binding_page_test, SetPageAndTransformTouchTheSelectedVertices) {
    lmap_binding b = make_binding({-1, -1, -1, 4, 4, 4});
    const uint16_t white[3] = {0, 1, 2};
    lmap_binding_set_page(b, white, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.ids[static_cast<std::size_t>(i)], 3);
        EXPECT_FLOAT_EQ(b.coords[static_cast<std::size_t>(i)].u, 0.5f);
        EXPECT_FLOAT_EQ(b.coords[static_cast<std::size_t>(i)].v, 0.5f);
    }

    const uint16_t lit[3] = {3, 4, 5};
    lmap_binding_set_page(b, lit, 7, 0x5);  // vertices 0 and 2 of the face
    EXPECT_EQ(b.ids[3], 7);
    EXPECT_EQ(b.ids[4], 4);
    EXPECT_EQ(b.ids[5], 7);
    EXPECT_FLOAT_EQ(b.coords[3].u, 0.3f);  // a lit face keeps its coordinates

    const affine2 placement{0.5f, 0.0f, 0.25f, 0.0f, 0.25f, 0.75f};
    lmap_binding_transform(b, lit, placement, 0x2);
    EXPECT_FLOAT_EQ(b.coords[3].u, 0.3f);
    EXPECT_FLOAT_EQ(b.coords[4].u, 0.5f * 0.4f + 0.25f);
    EXPECT_FLOAT_EQ(b.coords[4].v, 0.25f * 0.2f + 0.75f);
    EXPECT_FLOAT_EQ(b.coords[5].u, 0.5f);

    // Vertices past the arrays are left alone.
    const uint16_t stray[3] = {3, 600, 601};
    lmap_binding_set_page(b, stray, 1);
    lmap_binding_transform(b, stray, placement);
    EXPECT_EQ(b.ids.size(), 6u);
    EXPECT_EQ(b.coords.size(), 6u);
    EXPECT_EQ(b.ids[3], 1);
}

class lmap_registry_test : public ::testing::Test {
protected:
    void SetUp() override {
        test_state_reset();
        lmap_registry_clear();
        kernel_get().graphics.lightmaps = make_store();
    }
    void TearDown() override {
        lmap_registry_clear();
        lmap_file_clear(kernel_get().graphics.lightmaps);
        test_state_reset();
    }

    // The distinct records the bindings point to.
    static std::size_t records(std::initializer_list<const lmap_binding*> bindings) {
        std::set<const texture*> seen;
        for (const lmap_binding* b : bindings) {
            for (const texture* t : b->textures) {
                if (t) seen.insert(t);
            }
        }
        return seen.size();
    }
};

TEST_F(lmap_registry_test, FillGivesEachVertexItsPageTexture) {
    const lmap_file& store = kernel_get().graphics.lightmaps;
    // -1, ids below it, an entry outside the data block and ids past the table get no texture.
    lmap_binding b = make_binding({1, 1, -1, 0, -7, 3, 4, 1000});
    lmap_binding_fill(b);

    ASSERT_EQ(b.textures.size(), b.ids.size());
    for (std::size_t i : {2u, 4u, 5u, 6u, 7u}) EXPECT_EQ(b.textures[i], nullptr) << i;
    ASSERT_NE(b.textures[0], nullptr);
    EXPECT_EQ(b.textures[0], b.textures[1]);
    const texture& page1 = *b.textures[0];
    EXPECT_EQ(page1.kind, kTextureLightMap);
    EXPECT_EQ(page1.bytes_per_texel, 1);
    EXPECT_EQ(page1.width, 4);
    EXPECT_EQ(page1.height, 4);
    EXPECT_EQ(page1.texels, lmap_file_data(store, 1));
    EXPECT_EQ(page1.lmap_id, 1);
    EXPECT_EQ(page1.name, "");
    ASSERT_NE(b.textures[3], nullptr);
    EXPECT_EQ(b.textures[3]->width, 2);
    EXPECT_EQ(b.textures[3]->texels, store.data.data());
    EXPECT_EQ(records({&b}), 2u);
    EXPECT_EQ(lmap_registry_get(-1), nullptr);
}

TEST_F(lmap_registry_test, RecordsAreMadeOnceUntilTheRegistryIsCleared) {
    lmap_binding a = make_binding({2, 2, 2});
    lmap_binding b = make_binding({2, 0});
    lmap_binding_fill(a);
    lmap_binding_fill(b);
    EXPECT_EQ(a.textures[0], b.textures[0]);
    EXPECT_EQ(records({&a, &b}), 2u);

    b.textures[0]->quiet = 1;  // a mark that a new record does not carry
    lmap_registry_clear();
    lmap_binding_fill(b);
    ASSERT_NE(b.textures[0], nullptr);
    EXPECT_EQ(b.textures[0]->quiet, 0);
    EXPECT_EQ(b.textures[0]->lmap_id, 2);
    EXPECT_EQ(b.textures[0]->width, 1);
}

}  // namespace
}  // namespace kv
