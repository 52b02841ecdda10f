#include "tools/world_generator.h"

#include <algorithm>

#include "tools/token_writer.h"
#include "util/token_list.h"
#include "world/entity_def.h"
#include "world/surface_table.h"

namespace kv::tools {
namespace {

constexpr int kLeafItems = 4;

surface_material& material_of_kind(int32_t kind) {
    static surface_material water = [] {
        surface_material m;
        m.kind = kSurfaceKindWater;
        return m;
    }();
    static surface_material foliage = [] {
        surface_material m;
        m.kind = kSurfaceKindFoliage;
        return m;
    }();
    return kind == kSurfaceKindWater ? water : foliage;
}

uint32_t next(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
}

// A unit crate 0..1 on each axis: quads (kind 3) or triangles (kind 2), with a box tree of three
// nodes whose node 1 has one child past the array.
std::unique_ptr<mesh> crate_mesh(bool triangles) {
    auto m = std::make_unique<mesh>();
    m->primitive_kind = triangles ? kMeshTriangles : kMeshQuads;
    for (int i = 0; i < 8; ++i) {
        mesh_vertex v;
        v.x = static_cast<float>(i & 1);
        v.y = static_cast<float>((i >> 1) & 1);
        v.z = static_cast<float>((i >> 2) & 1);
        v.u = v.x;
        v.v = v.z;
        m->rest_vertices.push_back(v);
    }
    m->vertex_count = 8;
    box3_init(m->box, {0, 0, 0}, {1, 1, 1});
    const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    mesh_part part;
    for (const auto& q : quads) {
        if (triangles) {
            for (const uint16_t i : {q[0], q[1], q[2], q[0], q[2], q[3]}) part.indices.push_back(i);
        } else {
            for (const uint16_t i : q) part.indices.push_back(i);
        }
    }
    mesh_draw_record draw;
    draw.primitive_count = static_cast<uint16_t>(triangles ? 12 : 6);
    draw.owner = m.get();
    part.draws.push_back(draw);
    m->parts.push_back(part);
    mesh_tree_node all{m->box, 8, 0};
    mesh_tree_node top;
    box3_init(top.box, {0, 0, 1}, {1, 1, 1});
    top.vertex_count = 4;
    top.first_vertex = 4;
    mesh_tree_node bottom;
    box3_init(bottom.box, {0, 0, 0}, {1, 1, 0});
    bottom.vertex_count = 4;
    bottom.first_vertex = 0;
    m->tree = {all, top, bottom};
    return m;
}

struct tree_builder {
    struct pending {
        box3 box;
        bool leaf_child[2] = {};
        uint32_t child[2] = {};
        vec3 normal;
        float value = 0.0f;
    };
    std::vector<pending> inner;
    std::vector<object_tree_leaf> leaves;
    std::vector<uint32_t> items;
    const std::vector<box3>* boxes = nullptr;

    box3 bounds(const std::vector<uint32_t>& ids) const {
        box3 b = (*boxes)[ids[0]];
        for (const uint32_t id : ids) box3_add_box(b, (*boxes)[id]);
        return b;
    }
    // Returns (is leaf, index).
    std::pair<bool, uint32_t> build(std::vector<uint32_t> ids, int axis) {
        if (ids.size() <= kLeafItems) {
            object_tree_leaf leaf;
            leaf.box = bounds(ids);
            leaf.first_item = static_cast<uint32_t>(items.size());
            leaf.item_count = static_cast<uint32_t>(ids.size());
            items.insert(items.end(), ids.begin(), ids.end());
            leaves.push_back(leaf);
            return {true, static_cast<uint32_t>(leaves.size() - 1)};
        }
        auto centre = [&](uint32_t id) {
            const box3& b = (*boxes)[id];
            return axis == 0 ? b.min.x + b.max.x : b.min.z + b.max.z;
        };
        std::sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) { return centre(a) < centre(b); });
        const uint32_t index = static_cast<uint32_t>(inner.size());
        inner.push_back({bounds(ids), {}, {}, {}, 0.0f});
        const std::size_t half = ids.size() / 2;
        // Child 0 (the lower half along the axis) lies on the front side: -axis . p + split > 0.
        inner[index].normal = axis == 0 ? vec3{-1.0f, 0.0f, 0.0f} : vec3{0.0f, 0.0f, -1.0f};
        inner[index].value = (centre(ids[half - 1]) + centre(ids[half])) / 4.0f;
        const auto left =
            build(std::vector<uint32_t>(ids.begin(), ids.begin() + static_cast<long>(half)), 1 - axis);
        const auto right =
            build(std::vector<uint32_t>(ids.begin() + static_cast<long>(half), ids.end()), 1 - axis);
        inner[index].leaf_child[0] = left.first;
        inner[index].child[0] = left.second;
        inner[index].leaf_child[1] = right.first;
        inner[index].child[1] = right.second;
        return {false, index};
    }
};

}  // namespace

std::unique_ptr<generated_world> generate_world(int side, uint32_t seed) {
    auto world = std::make_unique<generated_world>();
    side = std::max(side, 1);
    world->size = static_cast<float>(side) * kGeneratedCell;
    for (const bool triangles : {false, true}) {
        auto g = std::make_unique<geometry>();
        g->name = triangles ? "crate-t" : "crate-q";
        object_table_add_owned(g->meshes, crate_mesh(triangles));
        box3_init(g->box, {0, 0, 0}, {1, 1, 1});
        world->geometries.push_back(std::move(g));
    }
    world->crate_shader = std::make_unique<shader>();
    world->crate_shader->name = "crate";
    const std::vector<uint8_t> colour = token_writer().str("dcolor").number(0.6f).number(0.5f).number(0.3f).bytes();
    auto command = std::make_unique<token_list>();
    token_list_init(*command, colour.size(), colour.data());
    world->crate_shader->commands.push_back(std::move(command));
    world->crate_surface = std::make_unique<surface>();
    world->crate_surface->name = "crate";
    const std::vector<uint8_t> layer = token_writer().str("layer").str("crate").bytes();
    auto description = std::make_unique<token_list>();
    token_list_init(*description, layer.size(), layer.data());
    world->crate_surface->descriptions.push_back(std::move(description));
    world->crate_surface->references.push_back(nullptr);
    world->crate_surface->shaders.push_back(world->crate_shader.get());

    auto hall = std::make_unique<sector>();
    hall->name = "hall";
    std::vector<box3> boxes;
    uint32_t state = seed;
    auto place = [&](geometry* g, const vec3& at, const vec3& scale, uint16_t number,
                     const surface_material* material) {
        auto instance = std::make_unique<mesh_instance>();
        mat4_set_scale(instance->transform, scale.x, scale.y, scale.z);
        instance->transform.m[12] = at.x;
        instance->transform.m[13] = at.y;
        instance->transform.m[14] = at.z;
        instance->geom = g;
        instance->number = number;
        instance->material = material;
        instance->surf = world->crate_surface.get();
        box3 b;
        box3_init(b, at, at + scale);
        boxes.push_back(b);
        object_table_add_owned(hall->meshes, std::move(instance));
    };
    // The floor: one flat crate under the whole hall.
    place(world->geometries[0].get(), {0.0f, -10.0f, 0.0f}, {world->size, 10.0f, world->size}, 0, nullptr);
    uint16_t number = 1;
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            const uint32_t r = next(state);
            const float height = 50.0f + static_cast<float>(r % 200);
            const surface_material* material = nullptr;
            if (r % 17 == 0) material = &material_of_kind(kSurfaceKindWater);
            if (r % 19 == 0) material = &material_of_kind(kSurfaceKindFoliage);
            const vec3 at{static_cast<float>(column) * kGeneratedCell + 50.0f, 0.0f,
                          static_cast<float>(row) * kGeneratedCell + 50.0f};
            place(world->geometries[r & 1].get(), at, {kGeneratedCrate, height, kGeneratedCrate}, number++,
                  material);
        }
    }
    tree_builder builder;
    builder.boxes = &boxes;
    std::vector<uint32_t> all(boxes.size());
    for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
    const auto root = builder.build(all, 0);
    auto tree = std::make_unique<object_tree>();
    if (root.first) {
        // A single leaf: an inner root over it.
        builder.inner.push_back({builder.leaves[0].box, {true, true}, {0, 0}, {}, 0.0f});
        builder.leaves.push_back({builder.leaves[0].box, 0, 0});
        builder.inner[0].child[1] = 1;
    }
    const uint32_t inner_count = static_cast<uint32_t>(builder.inner.size());
    for (const auto& p : builder.inner) {
        object_tree_node node;
        node.box = p.box;
        node.point = p.normal;
        node.value = p.value;
        for (int k = 0; k < 2; ++k) node.child[k] = p.leaf_child[k] ? inner_count + p.child[k] : p.child[k];
        tree->inner.push_back(node);
    }
    tree->leaves = builder.leaves;
    tree->items = builder.items;
    tree->inner_count = static_cast<int32_t>(inner_count);
    tree->leaf_count = static_cast<int32_t>(tree->leaves.size());
    tree->item_count = static_cast<int32_t>(tree->items.size());
    hall->tree = tree.get();
    hall->owned_tree = std::move(tree);
    world->hall = std::move(hall);
    return world;
}

}  // namespace kv::tools
