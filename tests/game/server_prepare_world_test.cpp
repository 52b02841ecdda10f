#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/server_world.h"
#include "gfx/texture.h"
#include "tests/support/call_log.h"
#include "tests/world/world_test_support.h"
#include "tools/lmap_writer.h"
#include "tools/targa_writer.h"
#include "world/lmap_binding.h"
#include "world/lmap_file.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

using tools::package_writer;

// An image whose texel (c, r) is base + r * side + c, so misplaced rows show.
std::vector<uint8_t> patterned(int32_t side, uint8_t base) {
    std::vector<uint8_t> texels(static_cast<std::size_t>(side * side));
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(base + i * 7);
    return texels;
}

// A lit triangle mesh and its binding, built face by face. A lone face has vertices of its own with
// the light-map coordinates (0, 0), (1, 0), (0, 1); a quad is two faces sharing two vertices, with
// (1, 1) at its fourth corner. Draw records cover the faces added since the one before.
struct lit_mesh_builder {
    tools::mesh_desc mesh;
    tools::lmap_binding_desc binding;
    std::vector<uint16_t> indices;
    std::vector<tools::mesh_desc::draw> draws;
    uint16_t drawn = 0;

    uint16_t vertex(float u, float v, int32_t id) {
        const auto at = static_cast<uint16_t>(mesh.vertices.size());
        mesh.vertices.push_back({static_cast<float>(at), 0.0f, 0.0f, 0.0f, 0.0f});
        binding.colours.push_back({10, 20, 30});
        binding.coords.push_back({u, v});
        binding.ids.push_back(id);
        return at;
    }
    void face(int32_t id) {
        const uint16_t a = vertex(0.0f, 0.0f, id);
        const uint16_t b = vertex(1.0f, 0.0f, id);
        const uint16_t c = vertex(0.0f, 1.0f, id);
        indices.insert(indices.end(), {a, b, c});
    }
    void quad(int32_t id) {
        const uint16_t a = vertex(0.0f, 0.0f, id);
        const uint16_t b = vertex(1.0f, 0.0f, id);
        const uint16_t c = vertex(0.0f, 1.0f, id);
        const uint16_t d = vertex(1.0f, 1.0f, id);
        indices.insert(indices.end(), {a, b, c, b, d, c});
    }
    void draw(uint16_t draw_id) {
        const auto faces = static_cast<uint16_t>(indices.size() / 3);
        draws.push_back({draw_id, static_cast<uint16_t>(faces - drawn), static_cast<uint16_t>(drawn * 3)});
        drawn = faces;
    }
    tools::mesh_desc finish() {
        mesh.box = test_box(0.0f, static_cast<float>(mesh.vertices.size()));
        mesh.parts = {{100, indices, draws}};
        mesh.tree = {{mesh.box, static_cast<uint16_t>(mesh.vertices.size()), 0}};
        return mesh;
    }
};

// A geometry of one mesh, and its binding chunk.
struct lit_geometry {
    std::string name;
    int32_t binding;
};

lit_geometry add_lit_geometry(package_writer& w, const std::string& name, lit_mesh_builder& b) {
    auto& q = w.qxps();
    tools::add_geometry(w, {name, test_box(0.0f, 10.0f), {tools::add_mesh(q, b.finish())}, {}});
    return {name, tools::add_lmap_binding(q, b.binding)};
}

// The square a face's coordinates span on its page, in texels.
struct landing {
    int32_t page;
    float x, y, side;
};

class prepare_world_test : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        test_state_reset();
        lmap_registry_clear();
        lmap_file_clear(store());
        server_set_lmap_dir(srv_, "lmap/");
    }
    void TearDown() override {
        lmap_registry_clear();
        lmap_file_clear(store());
        test_state_reset();
        world_test::TearDown();
    }

    static lmap_file& store() { return kernel_get().graphics.lightmaps; }

    void load_level(package_writer& w, const tools::lmap_writer& lmap) {
        write_package("level", w);
        ASSERT_TRUE(lmap.write(folder_.file("data/lmap/level-lmap")));
        ASSERT_TRUE(load_package(srv_, "level", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        lmap_file_load(store(), srv_, "level");
        level_ = find("level");
        ASSERT_NE(level_, nullptr);
    }

    lmap_binding& binding(int32_t sector, int32_t index) {
        return *level_->sectors.items[static_cast<std::size_t>(sector)]
                    ->lmap_bindings.items[static_cast<std::size_t>(index)];
    }

    static landing landed(const lmap_binding& b, uint16_t first) {
        const int32_t page = b.ids[first];
        const float side = static_cast<float>(lmap_file_entry(store(), page).side);
        return {page, b.coords[first].u * side, b.coords[first].v * side,
                (b.coords[first + 1].u - b.coords[first].u) * side};
    }

    // The image's texels are on the page where the face landed.
    static void expect_copied(const std::vector<uint8_t>& image, int32_t side, const landing& at) {
        ASSERT_EQ(at.side, static_cast<float>(side));
        const lmap_entry& page = lmap_file_entry(store(), at.page);
        const uint8_t* texels = lmap_file_data(store(), page);
        ASSERT_NE(texels, nullptr);
        const auto x = static_cast<int32_t>(at.x);
        const auto y = static_cast<int32_t>(at.y);
        for (int32_t r = 0; r < side; ++r)
            for (int32_t c = 0; c < side; ++c)
                ASSERT_EQ(texels[(y + r) * page.side + x + c], image[static_cast<std::size_t>(r * side + c)])
                    << "texel " << c << "," << r;
    }

    package* level_ = nullptr;
};

// Three sectors with the three area examples of the packing: a total of 1 texel, 600 and 3000.
//   "one":   a scene node (number 0) whose model holds the lit instance; light map 0 (1 x 1).
//   "six":   an object tree listing a quad-mesh instance (0) and the lit instance (1), the latter
//            in both leaves; light map 1 (24 x 24) on one face and light map 2 (2 x 2) on six.
//   "three": no tree; one instance whose mesh draws two quads of light map 3 (24 x 24) with draw id
//            5, then a face of light map 4 (24 x 24) and thirty faces of light map 2 with draw id 2.
class prepare_world_areas : public prepare_world_test {
protected:
    void SetUp() override {
        prepare_world_test::SetUp();
        images_ = {patterned(1, 200), patterned(24, 0), patterned(2, 90), patterned(24, 3), patterned(24, 5)};
        tools::lmap_writer lmap;
        for (const auto& image : images_) lmap.add(image.size() == 1 ? 1 : image.size() == 4 ? 2 : 24, image);

        package_writer w;
        auto& q = w.qxps();
        w.add_surface("s-wall");

        lit_mesh_builder one;
        one.face(0);
        one.draw(1);
        const lit_geometry g_one = add_lit_geometry(w, "g-one", one);
        // The nested instance's own number does not count: its meshes take the node's.
        const int32_t inner = tools::add_mesh_instance(q, {{}, "g-one", "s-wall", "wood20", 7});
        tools::add_entity_def(w, {"post", test_box(0.0f, 10.0f), {}, {inner}});
        tools::sector_desc s_one;
        s_one.name = "one";
        s_one.nodes = {tools::add_scene_node(q, {{}, "post-1", "post", 0})};
        s_one.lmap_bindings = {g_one.binding};
        tools::add_sector(w, s_one);

        lit_mesh_builder six;
        six.face(1);
        for (int i = 0; i < 6; ++i) six.face(2);
        six.draw(4);
        const lit_geometry g_six = add_lit_geometry(w, "g-six", six);
        tools::mesh_desc quads = test_mesh(4);
        quads.primitive_kind = 3;
        quads.parts = {{100, {0, 1, 2, 3}, {{4, 1, 0}}}};
        tools::add_geometry(w, {"g-quads", test_box(0.0f, 4.0f), {tools::add_mesh(q, quads)}, {}});
        const int32_t quads_binding = tools::add_lmap_binding(
            q, {{}, {{0.1f, 0.1f}, {0.2f, 0.2f}, {0.3f, 0.3f}, {0.4f, 0.4f}}, {0, 0, 0, 0}, {}});
        tools::object_tree_desc tree;
        tree.nodes.push_back({test_box(-50.0f, 50.0f), {}, 0.0f, 1, 2});
        tree.leaves.push_back({test_box(-50.0f, 0.0f), 0, 1});
        tree.leaves.push_back({test_box(0.0f, 50.0f), 1, 2});
        tree.items = {1, 0, 1};
        tools::sector_desc s_six;
        s_six.name = "six";
        s_six.meshes = {tools::add_mesh_instance(q, {{}, "g-quads", "s-wall", "wood20", 0}),
                        tools::add_mesh_instance(q, {{}, "g-six", "s-wall", "wood20", 1})};
        s_six.tree = tools::add_object_tree(q, tree);
        s_six.lmap_bindings = {quads_binding, g_six.binding};
        tools::add_sector(w, s_six);

        lit_mesh_builder three;
        three.quad(3);
        three.quad(3);
        three.draw(5);
        three.face(4);
        for (int i = 0; i < 30; ++i) three.face(2);
        three.draw(2);
        const lit_geometry g_three = add_lit_geometry(w, "g-three", three);
        tools::sector_desc s_three;
        s_three.name = "three";
        s_three.meshes = {tools::add_mesh_instance(q, {{}, "g-three", "s-wall", "wood20", 0})};
        s_three.lmap_bindings = {g_three.binding};
        tools::add_sector(w, s_three);

        load_level(w, lmap);
    }

    std::vector<std::vector<uint8_t>> images_;
};

TEST_F(prepare_world_areas, PacksEachSectorIntoItsPagesAndBindsThem) {
    const uint16_t stamp = world_visit_stamp();
    server_prepare_world(srv_, level_);
    EXPECT_EQ(world_visit_stamp(), static_cast<uint16_t>(stamp + 3));

    // Total 1: one page of side 1. Total 600: a limit of 32 and one page. Total 3000: a limit of
    // 32 (64 x 64 leaves 1096 over), so the two groups take a page each.
    std::vector<int32_t> sides;
    int32_t offset = 0;
    for (const lmap_entry& e : store().table) {
        EXPECT_EQ(e.offset, offset);
        offset += e.side * e.side;
        sides.push_back(e.side);
    }
    ASSERT_EQ(sides, (std::vector<int32_t>{1, 32, 32, 32}));
    EXPECT_EQ(store().data.size(), static_cast<std::size_t>(offset));

    // "one": the node's number finds the binding; the square is the whole page.
    const lmap_binding& one = binding(0, 0);
    const landing one_at = landed(one, 0);
    EXPECT_EQ(one_at.page, 0);
    EXPECT_EQ(one_at.x, 0.0f);
    EXPECT_EQ(one_at.side, 1.0f);
    expect_copied(images_[0], 1, one_at);

    // "six": light map 1 at the page's corner, light map 2 right of it, shared by six faces.
    const lmap_binding& six = binding(1, 1);
    const landing big = landed(six, 0);
    EXPECT_EQ(big.page, 1);
    EXPECT_EQ(big.x, 0.0f);
    EXPECT_EQ(big.y, 0.0f);
    expect_copied(images_[1], 24, big);
    for (uint16_t f = 1; f <= 6; ++f) {
        const landing small = landed(six, static_cast<uint16_t>(f * 3));
        EXPECT_EQ(small.page, 1);
        EXPECT_EQ(small.x, 24.0f);
        EXPECT_EQ(small.y, 0.0f);
        expect_copied(images_[2], 2, small);
    }
    // The quad mesh gives no faces; its ids named images of the file and now name nothing.
    const lmap_binding& quads = binding(1, 0);
    EXPECT_EQ(quads.ids, (std::vector<int32_t>{-1, -1, -1, -1}));
    EXPECT_EQ(quads.textures, (std::vector<texture*>(4, nullptr)));
    EXPECT_FLOAT_EQ(quads.coords[3].u, 0.4f);

    // "three": draw id 2 comes first although its faces come last: light map 4 and then light map
    // 2 on page 2; the quads of draw id 5 on page 3, each shared vertex moved once.
    const lmap_binding& three = binding(2, 0);
    const landing four = landed(three, 8);
    EXPECT_EQ(four.page, 2);
    EXPECT_EQ(four.x, 0.0f);
    expect_copied(images_[4], 24, four);
    const landing two = landed(three, 11);
    EXPECT_EQ(two.page, 2);
    EXPECT_EQ(two.x, 24.0f);
    expect_copied(images_[2], 2, two);
    const lmap_uv corners[] = {{0.0f, 0.0f}, {0.75f, 0.0f}, {0.0f, 0.75f}, {0.75f, 0.75f}};
    for (std::size_t v = 0; v < 8; ++v) {
        SCOPED_TRACE(v);
        EXPECT_EQ(three.ids[v], 3);
        EXPECT_FLOAT_EQ(three.coords[v].u, corners[v % 4].u);
        EXPECT_FLOAT_EQ(three.coords[v].v, corners[v % 4].v);
    }
    expect_copied(images_[3], 24, landed(three, 0));

    // Every vertex has the texture of its page, one record per page.
    for (const lmap_binding* b : {&one, &six, &three}) {
        ASSERT_EQ(b->textures.size(), b->ids.size());
        for (std::size_t v = 0; v < b->ids.size(); ++v) {
            ASSERT_NE(b->textures[v], nullptr);
            EXPECT_EQ(b->textures[v], lmap_registry_get(b->ids[v]));
            EXPECT_EQ(b->textures[v]->width, lmap_file_entry(store(), b->ids[v]).side);
            EXPECT_EQ(b->textures[v]->texels, lmap_file_data(store(), b->ids[v]));
        }
    }
    std::set<const texture*> records;
    std::set<int32_t> pages;
    for (const lmap_binding* b : {&one, &six, &three}) {
        records.insert(b->textures.begin(), b->textures.end());
        pages.insert(b->ids.begin(), b->ids.end());
    }
    EXPECT_EQ(records.size(), 4u);
    EXPECT_EQ(pages.size(), 4u);

    // The pages as images to look at.
    for (std::size_t page = 0; page < store().table.size(); ++page) {
        const lmap_entry& e = store().table[page];
        const std::string name = "page" + std::to_string(page) + ".tga";
        ASSERT_TRUE(tools::targa_write_grey(folder_.file(name), e.side, e.side, lmap_file_data(store(), e)));
        const std::string file = folder_.read(name);
        ASSERT_EQ(file.size(), 18u + static_cast<std::size_t>(e.side * e.side));
        EXPECT_EQ(file[2], 3);                              // greyscale
        EXPECT_EQ(static_cast<uint8_t>(file[12]), e.side);  // width
        EXPECT_EQ(static_cast<uint8_t>(file[14]), e.side);  // height
        EXPECT_EQ(file[16], 8);
        EXPECT_EQ(file.substr(18),
                  std::string(lmap_file_data(store(), e), lmap_file_data(store(), e) + e.side * e.side));
    }
}

TEST_F(prepare_world_test, WithoutSectorsTheStoreEndsEmpty) {
    package_writer w;
    w.add_surface("s-wall");
    tools::lmap_writer lmap;
    lmap.add_filled(4, 9);
    load_level(w, lmap);
    ASSERT_EQ(store().table.size(), 1u);

    server_prepare_world(srv_, level_);
    EXPECT_TRUE(store().table.empty());
    EXPECT_TRUE(store().data.empty());

    store().table.push_back({0, 1});
    store().data.push_back(1);
    server_prepare_world(srv_, nullptr);
    EXPECT_TRUE(store().table.empty());
}

TEST_F(prepare_world_test, ObjectsWithoutANumberOrABindingGiveNoFaces) {
    package_writer w;
    auto& q = w.qxps();
    w.add_surface("s-wall");
    lit_mesh_builder lit;
    lit.face(0);
    lit.draw(1);
    const lit_geometry g = add_lit_geometry(w, "g-lit", lit);
    tools::sector_desc s;
    s.name = "room";
    // Numbered 0xFFFF, and numbered past the binding table.
    s.meshes = {tools::add_mesh_instance(q, {{}, "g-lit", "s-wall", "wood20", 0xFFFF}),
                tools::add_mesh_instance(q, {{}, "g-lit", "s-wall", "wood20", 1})};
    s.lmap_bindings = {g.binding};
    tools::add_sector(w, s);
    tools::lmap_writer lmap;
    lmap.add_filled(4, 9);
    load_level(w, lmap);

    server_prepare_world(srv_, level_);
    EXPECT_TRUE(store().table.empty());
    const lmap_binding& b = binding(0, 0);
    EXPECT_EQ(b.ids, (std::vector<int32_t>{-1, -1, -1}));
    EXPECT_EQ(b.textures, (std::vector<texture*>(3, nullptr)));
}

}  // namespace
}  // namespace kv
