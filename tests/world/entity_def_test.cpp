#include "world/entity_def.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/world/world_test_support.h"
#include "world/geometry.h"
#include "world/sector.h"

namespace kv {
namespace {

std::vector<std::string> node_names(const entity_def& model) {
    std::vector<std::string> names;
    for (const scene_node* node : model.nodes.items) names.push_back(node->name);
    return names;
}

scene_node* add_node(entity_def& model, const std::string& name, entity_def* inner = nullptr) {
    auto node = std::make_unique<scene_node>();
    scene_node_init(*node, name, inner);
    return object_table_add_owned(model.nodes, std::move(node));
}

box3 box_of(float lo, float hi) {
    box3 b;
    box3_init(b, {lo, lo, lo}, {hi, hi, hi});
    return b;
}

TEST(EntityDef, AttachPointNames) {
    EXPECT_EQ(attach_point_name(7), "ap07");
    EXPECT_EQ(attach_point_name(42), "ap42");
    EXPECT_EQ(attach_point_name(0), "ap00");
    EXPECT_EQ(attach_point_name(99), "ap99");
    EXPECT_EQ(attach_point_name(100), "");
    EXPECT_EQ(attach_point_name(-1), "");
}

TEST(EntityDef, AttachReplacesInPlaceOrAppends) {
    entity_def model;
    entity_def first;
    entity_def second;
    add_node(model, "body");
    entity_def_attach(model, 3, &first);
    EXPECT_EQ(node_names(model), (std::vector<std::string>{"body", "ap03"}));
    EXPECT_EQ(model.nodes.items[1]->model, &first);
    EXPECT_EQ(model.nodes.items[1]->number, kRunTimeObjectNumber);
    EXPECT_EQ(model.nodes.items[1]->owned_model, nullptr);

    add_node(model, "tail");
    entity_def_attach(model, 3, &second);
    EXPECT_EQ(node_names(model), (std::vector<std::string>{"body", "ap03", "tail"}));
    EXPECT_EQ(model.nodes.items[1]->model, &second);
    EXPECT_EQ(model.nodes.storage.size(), 3u);

    mat4 moved;
    mat4_set_translation(moved, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(entity_def_set_node_matrix(model, 3, moved), 1);
    EXPECT_TRUE(mat4_equal(model.nodes.items[1]->transform, moved));
    EXPECT_EQ(entity_def_set_node_matrix(model, 4, moved), -1);
    EXPECT_EQ(entity_def_find_attach_point(model, 3), 1);
    EXPECT_EQ(entity_def_find_attach_point(model, 4), -1);

    entity_def_detach(model, 3);
    EXPECT_EQ(node_names(model), (std::vector<std::string>{"body", "tail"}));
    EXPECT_EQ(model.nodes.storage.size(), 2u);
    entity_def_detach(model, 3);
    EXPECT_EQ(node_names(model), (std::vector<std::string>{"body", "tail"}));
}

TEST(EntityDef, DetachingTheOnlyAttachPointEmptiesTheTable) {
    entity_def model;
    entity_def_attach(model, 0, nullptr);
    entity_def_detach(model, 0);
    EXPECT_TRUE(model.nodes.items.empty());
    EXPECT_TRUE(model.nodes.storage.empty());
}

// Numbers outside 0..99 have no name: nothing is attached, detached or set, and lookups say -1.
TEST(EntityDef, AttachNumbersOutsideTheRangeAreRefused) {
    entity_def model;
    entity_def other;
    add_node(model, "ap:0");
    add_node(model, "ap/9");
    for (int32_t number : {100, -1, 130, -7, 2147483647}) {
        SCOPED_TRACE(number);
        entity_def_attach(model, number, &other);
        EXPECT_EQ(model.nodes.items.size(), 2u);
        EXPECT_EQ(entity_def_find_attach_point(model, number), -1);
        EXPECT_EQ(entity_def_set_node_matrix(model, number, kMat4Identity), -1);
        entity_def_detach(model, number);
        EXPECT_EQ(node_names(model), (std::vector<std::string>{"ap:0", "ap/9"}));
    }
}

TEST(EntityDef, CopyIsDeepAndIndependent) {
    geometry rigid;
    geometry skinned;
    object_table_add_owned(skinned.skinned, std::make_unique<geometry_mesh>());

    entity_def inner;
    inner.name = "inner";
    entity_def model;
    model.name = "soldier";
    model.box = box_of(-1.0f, 1.0f);
    scene_node* node = add_node(model, "ap01", &inner);
    mat4_set_translation(node->transform, 0.0f, 5.0f, 0.0f);
    node->number = 4;
    for (geometry* g : {&rigid, &skinned}) {
        auto instance = std::make_unique<mesh_instance>();
        mat4_set_translation(instance->transform, 9.0f, 9.0f, 9.0f);
        instance->geom = g;
        instance->flags = 0x6;
        instance->number = 11;
        object_table_add_owned(model.meshes, std::move(instance));
    }

    auto copy = entity_def_copy(model);
    EXPECT_EQ(copy->name, "soldier");
    EXPECT_EQ(copy->box.max.x, 1.0f);
    ASSERT_EQ(copy->nodes.items.size(), 1u);
    const scene_node* copied_node = copy->nodes.items[0];
    EXPECT_TRUE(mat4_equal(copied_node->transform, node->transform));
    EXPECT_EQ(copied_node->number, kRunTimeObjectNumber);
    ASSERT_NE(copied_node->model, nullptr);
    EXPECT_NE(copied_node->model, &inner);
    EXPECT_EQ(copied_node->model, copied_node->owned_model.get());
    EXPECT_EQ(copied_node->model->name, "inner");

    ASSERT_EQ(copy->meshes.items.size(), 2u);
    for (const mesh_instance* instance : copy->meshes.items) {
        EXPECT_TRUE(mat4_is_identity(instance->transform));
        EXPECT_EQ(instance->number, kRunTimeObjectNumber);
        EXPECT_EQ(instance->flags, 0x6u);
        EXPECT_EQ(instance->water_list, nullptr);
    }
    EXPECT_EQ(copy->meshes.items[0]->geom, &rigid);
    EXPECT_EQ(copy->meshes.items[0]->owned_geometry, nullptr);
    EXPECT_NE(copy->meshes.items[1]->geom, &skinned);
    EXPECT_EQ(copy->meshes.items[1]->geom, copy->meshes.items[1]->owned_geometry.get());

    entity_def_attach(*copy, 5, &inner);
    entity_def_detach(*copy, 1);
    EXPECT_EQ(node_names(*copy), (std::vector<std::string>{"ap05"}));
    EXPECT_EQ(node_names(model), (std::vector<std::string>{"ap01"}));
}

TEST(EntityDef, ModelsThatContainThemselvesAreCopiedAndMergedOnce) {
    entity_def model;
    model.name = "loop";
    model.box = box_of(0.0f, 1.0f);
    scene_node* node = add_node(model, "self", &model);
    mat4_set_translation(node->transform, 10.0f, 0.0f, 0.0f);

    auto copy = entity_def_copy(model);
    ASSERT_EQ(copy->nodes.items.size(), 1u);
    EXPECT_EQ(copy->nodes.items[0]->model, nullptr);
    entity_def_merge_bounds(model);
    EXPECT_EQ(model.box.max.x, 1.0f);
}

TEST(EntityDef, MergeBoundsThroughTransforms) {
    geometry g;
    box3_init(g.box, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
    entity_def inner;
    box3_init(inner.box, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    auto instance = std::make_unique<mesh_instance>();
    instance->geom = &g;
    mat4_set_scale(instance->transform, 2.0f, 2.0f, 2.0f);
    object_table_add_owned(inner.meshes, std::move(instance));

    entity_def model;
    box3_init(model.box, {0.0f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f});
    scene_node* node = add_node(model, "n", &inner);
    mat4_set_translation(node->transform, 0.0f, -5.0f, 0.0f);
    entity_def_merge_bounds(model);
    // The inner model grows to (0..2) and is placed 5 lower.
    EXPECT_EQ(inner.box.max.x, 2.0f);
    EXPECT_EQ(model.box.min.y, -5.0f);
    EXPECT_EQ(model.box.max.x, 2.0f);
    EXPECT_EQ(model.box.max.y, 0.5f);
}

// An instance entered in a water list leaves it when it goes, so the list never points at freed
// instances (the level package's instances all go when it unloads).
TEST(EntityDef, WaterInstancesLeaveTheirListWhenDestroyed) {
    std::vector<mesh_instance*> water;
    auto a = std::make_unique<mesh_instance>();
    auto b = std::make_unique<mesh_instance>();
    mesh_instance_enter_water(*a, water);
    mesh_instance_enter_water(*b, water);
    EXPECT_EQ(a->flags & kMeshInstanceWater, kMeshInstanceWater);
    EXPECT_EQ(water, (std::vector<mesh_instance*>{a.get(), b.get()}));
    a.reset();
    EXPECT_EQ(water, (std::vector<mesh_instance*>{b.get()}));
    auto copy_source = std::make_unique<entity_def>();
    object_table_add_owned(copy_source->meshes, std::move(b));
    auto copy = entity_def_copy(*copy_source);
    EXPECT_EQ(copy->meshes.items[0]->water_list, nullptr);
    copy_source.reset();
    EXPECT_TRUE(water.empty());

    // Destroyed before its destructor runs, an instance leaves the list once.
    mesh_instance c;
    mesh_instance_enter_water(c, water);
    mesh_instance_destroy(c);
    EXPECT_TRUE(water.empty());
    EXPECT_EQ(c.water_list, nullptr);
}

class EntityDefRead : public world_test {};

TEST_F(EntityDefRead, ModelsWithNodesInstancesAndMaterials) {
    tools::package_writer w;
    auto& q = w.qxps();
    tools::add_geometry(w, {"crate", test_box(0, 1), {tools::add_mesh(q, test_mesh(3))}, {}});
    w.add_surface("skin");
    const int32_t plain = tools::add_mesh_instance(q, {{}, "crate", "skin", "", 1});
    const int32_t unknown = tools::add_mesh_instance(q, {{}, "props:crate", "skin", "granite", 2});
    const int32_t water = tools::add_mesh_instance(q, {{}, "crate", "props:skin", "water3", 3});
    tools::transform_block up;
    up.translation = {0.0f, 1.0f, 0.0f};
    const int32_t node = tools::add_scene_node(q, {up, "ap00", "wheel", 9});
    tools::add_entity_def(w, {"wheel", test_box(0, 1), {}, {}});
    tools::add_entity_def(w, {"cart", test_box(-1, 1), {node}, {plain, unknown, water}});
    write_package("props", w);

    ASSERT_TRUE(load_package(srv_, "props", false)) << log();
    ASSERT_EQ(ref_list().items.size(), 7u);
    EXPECT_EQ(ref_list().items[0].kind, kRefEntity);
    EXPECT_EQ(ref_list().items[0].package_name, "props");
    EXPECT_EQ(ref_list().items[0].object_name, "wheel");
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();

    package& p = *find("props");
    ASSERT_EQ(p.entities.items.size(), 2u);
    const entity_def& cart = *p.entities.items[1];
    EXPECT_EQ(cart.name, "cart");
    EXPECT_EQ(cart.box.min.x, -1.0f);
    ASSERT_EQ(cart.nodes.items.size(), 1u);
    EXPECT_EQ(cart.nodes.items[0]->model, p.entities.items[0]);
    EXPECT_EQ(cart.nodes.items[0]->number, 9);
    EXPECT_EQ(entity_def_find_attach_point(cart, 0), 0);
    EXPECT_EQ(mat4_transform_point(cart.nodes.items[0]->transform, {}).y, 1.0f);

    ASSERT_EQ(cart.meshes.items.size(), 3u);
    const surface_table& table = kernel_get().surfaces;
    for (const mesh_instance* instance : cart.meshes.items) {
        EXPECT_EQ(instance->geom, p.geometries.items[0]);
        EXPECT_EQ(instance->surf, p.surfaces.items[0]);
    }
    EXPECT_EQ(cart.meshes.items[0]->material, nullptr);
    EXPECT_EQ(cart.meshes.items[0]->flags, 0u);
    EXPECT_EQ(cart.meshes.items[1]->material, surface_table_at(table, 0));
    EXPECT_EQ(cart.meshes.items[1]->number, 2);
    EXPECT_EQ(cart.meshes.items[2]->material, surface_table_get(table, "water3"));
    EXPECT_EQ(cart.meshes.items[2]->flags, kMeshInstanceWater);
    EXPECT_EQ(srv_.water_instances, (std::vector<mesh_instance*>{cart.meshes.items[2]}));
    EXPECT_EQ(table.rows.size(), 42u);
}

// The list of water instances never points at instances that are gone: unloading the level
// empties it, and so does a load that fails after a water instance was read.
TEST_F(EntityDefRead, WaterListFollowsThePackages) {
    auto level = [](bool damaged) {
        tools::package_writer w;
        auto& q = w.qxps();
        tools::sector_desc pond;
        pond.name = "pond";
        pond.meshes = {tools::add_mesh_instance(q, {{}, "", "", "water1", 0}),
                       tools::add_mesh_instance(q, {{}, "", "", "water2", 1})};
        if (damaged) {
            tools::object_tree_desc tree;
            tree.nodes.push_back({test_box(0, 1), {}, 0.0f, 1, 9});
            tree.leaves.push_back({test_box(0, 1), 0, 0});
            pond.tree = tools::add_object_tree(q, tree);
        }
        tools::add_sector(w, pond);
        return w;
    };
    tools::package_writer good = level(false);
    write_package("maps/pond", good);
    ASSERT_TRUE(load_package(srv_, "pond", true)) << log();
    EXPECT_EQ(srv_.water_instances.size(), 2u);
    package_destroy(srv_, *find("pond"));
    EXPECT_TRUE(srv_.water_instances.empty());

    tools::package_writer bad = level(true);
    write_package("maps/pond", bad);
    EXPECT_FALSE(load_package(srv_, "pond", true));
    EXPECT_TRUE(srv_.water_instances.empty());
    EXPECT_NE(log().find("corrupt object tree of sector `pond'"), std::string::npos) << log();
}

}  // namespace
}  // namespace kv
