#include "world/entity_def.h"

#include <algorithm>

#include "data/package.h"
#include "data/qxps_stream.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "world/geometry.h"
#include "world/surface_table.h"
#include "world/world_read.h"

namespace kv {
namespace {

// Models on the path of a copy or merge, to stop at a model that contains itself.
using model_path = std::vector<const entity_def*>;

bool on_path(const model_path& path, const entity_def* model) {
    return std::find(path.begin(), path.end(), model) != path.end();
}

std::unique_ptr<entity_def> copy_model(const entity_def& source, model_path& path);

std::unique_ptr<scene_node> copy_node(const scene_node& source, model_path& path) {
    auto node = std::make_unique<scene_node>();
    node->transform = source.transform;
    node->name = source.name;
    if (source.model) {
        if (on_path(path, source.model)) {
            log_write("server: *WARNING* Model `%s' contains itself; its inner copy is left out.\n",
                      log_printable(source.model->name).c_str());
        } else {
            node->owned_model = copy_model(*source.model, path);
            node->model = node->owned_model.get();
        }
    }
    return node;
}

std::unique_ptr<mesh_instance> copy_instance(const mesh_instance& source) {
    auto instance = std::make_unique<mesh_instance>();
    instance->flags = source.flags;
    instance->surf = source.surf;
    instance->material = source.material;
    instance->number = kRunTimeObjectNumber;
    if (source.geom && !source.geom->skinned.items.empty()) {
        instance->owned_geometry = geometry_copy(*source.geom);
        instance->geom = instance->owned_geometry.get();
    } else {
        instance->geom = source.geom;
    }
    return instance;
}

std::unique_ptr<entity_def> copy_model(const entity_def& source, model_path& path) {
    path.push_back(&source);
    auto model = std::make_unique<entity_def>();
    model->name = source.name;
    model->box = source.box;
    for (const scene_node* node : source.nodes.items)
        object_table_add_owned(model->nodes, copy_node(*node, path));
    for (const mesh_instance* instance : source.meshes.items) {
        object_table_add_owned(model->meshes, copy_instance(*instance));
    }
    path.pop_back();
    return model;
}

void merge_bounds(entity_def& model, model_path& path) {
    path.push_back(&model);
    for (mesh_instance* instance : model.meshes.items) {
        if (instance->geom)
            box3_add_box(model.box, box3_transform(geometry_bounds(*instance->geom), instance->transform));
    }
    for (scene_node* node : model.nodes.items) {
        if (!node->model || on_path(path, node->model)) continue;
        merge_bounds(*node->model, path);
        box3_add_box(model.box, box3_transform(node->model->box, node->transform));
    }
    path.pop_back();
}

}  // namespace

std::unique_ptr<scene_node> scene_node_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto node = std::make_unique<scene_node>();
    mat4_read_chunk(node->transform, s, node.get());
    node->name = qxps_stream_read_string(s);
    std::string package_name;
    std::string object_name;
    world_split_reference(qxps_stream_read_string(s), ctx.srv.current_level_name, package_name, object_name);
    ref_list_add_entity(ref_list(), package_name, object_name, &node->model);
    node->number = qxps_stream_read_u16(s);
    qxps_stream_leave_chunk(s);
    return node;
}

std::unique_ptr<mesh_instance> mesh_instance_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto instance = std::make_unique<mesh_instance>();
    mat4_read_chunk(instance->transform, s, instance.get());
    std::string package_name;
    std::string object_name;
    world_split_reference(qxps_stream_read_string(s), ctx.srv.current_level_name, package_name, object_name);
    ref_list_add_geometry(ref_list(), package_name, object_name, &instance->geom);
    world_split_reference(qxps_stream_read_string(s), ctx.srv.current_level_name, package_name, object_name);
    ref_list_add_surface(ref_list(), package_name, object_name, &instance->surf);
    const std::string material = qxps_stream_read_string(s);
    instance->number = qxps_stream_read_u16(s);
    if (!material.empty()) {
        instance->material = surface_table_get(kernel_get().surfaces, material);
        if (instance->material && instance->material->kind == kSurfaceKindWater) {
            mesh_instance_enter_water(*instance, ctx.srv.water_instances);
        }
    }
    qxps_stream_leave_chunk(s);
    return instance;
}

std::unique_ptr<entity_def> entity_def_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto model = std::make_unique<entity_def>();
    qxps_stream_enter_chunk(s, model.get());
    model->name = qxps_stream_read_string(s);
    model->box = world_read_box(s);
    world_read_entries(model->nodes, ctx, qxps_stream_read_u16(s), scene_node_read);
    world_read_entries(model->meshes, ctx, qxps_stream_read_u16(s), mesh_instance_read);
    qxps_stream_leave_chunk(s);
    return model;
}

scene_node::scene_node() = default;

scene_node::~scene_node() {
    scene_node_destroy(*this);
}

mesh_instance::mesh_instance() = default;

mesh_instance::~mesh_instance() {
    mesh_instance_destroy(*this);
}

void scene_node_destroy(scene_node& node) {
    node.name.clear();
    node.model = nullptr;
    node.owned_model.reset();
}

void mesh_instance_destroy(mesh_instance& instance) {
    if (instance.water_list) std::erase(*instance.water_list, &instance);
    instance.water_list = nullptr;
    instance.geom = nullptr;
    instance.owned_geometry.reset();
}

entity_def::entity_def() = default;
entity_def::~entity_def() = default;

void scene_node_init(scene_node& node, const std::string& name, entity_def* model) {
    mat4_set_identity(node.transform);
    node.name = name;
    // A node handed its own model keeps it rather than lose it.
    if (node.owned_model.get() != model) node.owned_model.reset();
    node.model = model;
    node.number = kRunTimeObjectNumber;
    node.visit_stamp = kNoVisitStamp;
}

void mesh_instance_enter_water(mesh_instance& instance, std::vector<mesh_instance*>& list) {
    if (instance.water_list) std::erase(*instance.water_list, &instance);
    list.push_back(&instance);
    instance.water_list = &list;
    instance.flags |= kMeshInstanceWater;
}

std::string attach_point_name(int32_t number) {
    if (number < 0 || number >= kAttachPointCount) return {};
    std::string name = "ap00";
    name[2] = static_cast<char>('0' + number / 10);
    name[3] = static_cast<char>('0' + number % 10);
    return name;
}

std::unique_ptr<entity_def> entity_def_copy(const entity_def& source) {
    model_path path;
    return copy_model(source, path);
}

int32_t entity_def_find_attach_point(const entity_def& model, int32_t number) {
    const std::string name = attach_point_name(number);
    if (name.empty()) return -1;
    for (std::size_t i = 0; i < model.nodes.items.size(); ++i) {
        if (model.nodes.items[i]->name == name) return static_cast<int32_t>(i);
    }
    return -1;
}

void entity_def_attach(entity_def& model, int32_t number, entity_def* object) {
    const std::string name = attach_point_name(number);
    if (name.empty()) return;
    auto node = std::make_unique<scene_node>();
    scene_node_init(*node, name, object);
    const int32_t index = entity_def_find_attach_point(model, number);
    if (index >= 0) {
        object_table_replace(model.nodes, static_cast<std::size_t>(index), std::move(node));
    } else {
        object_table_add_owned(model.nodes, std::move(node));
    }
}

void entity_def_detach(entity_def& model, int32_t number) {
    const int32_t index = entity_def_find_attach_point(model, number);
    if (index >= 0) object_table_erase(model.nodes, static_cast<std::size_t>(index));
}

int32_t entity_def_set_node_matrix(entity_def& model, int32_t number, const mat4& matrix) {
    const int32_t index = entity_def_find_attach_point(model, number);
    if (index >= 0) model.nodes.items[static_cast<std::size_t>(index)]->transform = matrix;
    return index;
}

void entity_def_merge_bounds(entity_def& model) {
    model_path path;
    merge_bounds(model, path);
}

}  // namespace kv
