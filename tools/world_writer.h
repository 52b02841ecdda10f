#pragma once
// Writers of the world's package objects: meshes, geometries, scene nodes, mesh instances,
// models, portals, object trees, light-map bindings, lamp records, ambient sound sources and
// sectors, each in a chunk of its own in the byte layout the world's readers expect.
//
// Each `add_*` adds the object's chunk to the QXPS file and returns its id; objects refer to their
// parts by id, so one chunk may be listed by several owners. The overloads that take a
// `package_writer` also list the object in the package table of its kind.
//
// The descriptions say what to write, not only what is valid: counts and indices are written as
// given, so damaged objects can be written for the tests.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/package_writer.h"
#include "tools/qxps_writer.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv::tools {

void put_vec3(byte_writer& out, const vec3& v);
void put_box(byte_writer& out, const box3& b);

// Translation, scale, rotation axis and angle (radians).
struct transform_block {
    vec3 translation{};
    vec3 scale{1.0f, 1.0f, 1.0f};
    vec3 axis{0.0f, 1.0f, 0.0f};
    float angle = 0.0f;
};
void put_transform(byte_writer& out, const transform_block& t);

struct mesh_desc {
    struct vertex {
        float x{}, y{}, z{}, u{}, v{};
    };
    struct draw {
        uint16_t draw_id{};
        uint16_t primitive_count{};
        uint16_t first_index{};
    };
    struct part {
        int8_t state = 100;
        std::vector<uint16_t> indices{};
        std::vector<draw> draws{};
        bool long_count = false;  // the count as 0 and a u32 (always so beyond 65535 indices)
    };
    struct node {
        box3 box{};
        uint16_t vertex_count{};
        uint16_t first_vertex{};
    };

    box3 box{};
    std::vector<vertex> vertices{};
    int8_t primitive_kind = 2;
    std::vector<part> parts{};
    std::vector<node> tree{};
    std::vector<uint8_t> bones{};  // skinned meshes: one per vertex
};
// The mesh chunk; indices and node ranges are one byte each for up to 255 vertices.
int32_t add_mesh(qxps_writer& out, const mesh_desc& m);
// The mesh chunk followed by the bone bytes.
int32_t add_skinned_mesh(qxps_writer& out, const mesh_desc& m);

struct geometry_desc {
    std::string name{};
    box3 box{};
    std::vector<int32_t> meshes{};   // mesh chunks
    std::vector<int32_t> skinned{};  // skinned mesh chunks
};
int32_t add_geometry(qxps_writer& out, const geometry_desc& g);
int32_t add_geometry(package_writer& out, const geometry_desc& g);

struct scene_node_desc {
    transform_block transform{};
    std::string name{};
    std::string model{};  // "package:model" or a bare name
    uint16_t number = 0;
};
int32_t add_scene_node(qxps_writer& out, const scene_node_desc& n);

struct mesh_instance_desc {
    transform_block transform{};
    std::string geometry{};
    std::string surface{};
    std::string material{};
    uint16_t number = 0;
};
int32_t add_mesh_instance(qxps_writer& out, const mesh_instance_desc& m);

struct entity_def_desc {
    std::string name{};
    box3 box{};
    std::vector<int32_t> nodes{};   // scene_node chunks
    std::vector<int32_t> meshes{};  // mesh_instance chunks
};
int32_t add_entity_def(qxps_writer& out, const entity_def_desc& e);
int32_t add_entity_def(package_writer& out, const entity_def_desc& e);

struct portal_desc {
    std::string target{};
    std::array<vec3, 4> points{};
};
int32_t add_portal(qxps_writer& out, const portal_desc& p);

struct object_tree_desc {
    struct inner {
        box3 box{};
        vec3 point{};
        float value = 0.0f;
        uint32_t child0{}, child1{};
    };
    struct leaf {
        box3 box{};
        uint32_t first_item{}, item_count{};
    };
    uint8_t index_width = 2;  // 0: u8, 1: u16, else u32
    std::vector<inner> nodes{};
    std::vector<leaf> leaves{};
    std::vector<uint32_t> items{};
};
// An empty shape writes the 4-byte tree of inner count 0.
int32_t add_object_tree(qxps_writer& out, const object_tree_desc& t);

struct lmap_binding_desc {
    std::vector<std::array<uint8_t, 3>> colours{};
    std::vector<std::array<float, 2>> coords{};
    std::vector<int32_t> ids{};
    std::vector<std::array<uint8_t, 3>> colours2{};
};
int32_t add_lmap_binding(qxps_writer& out, const lmap_binding_desc& b);

struct lamp_record_desc {
    uint32_t value = 0;
    std::array<vec3, 3> points{};
    std::array<float, 4> values{};
};
int32_t add_lamp_record(qxps_writer& out, const lamp_record_desc& l);

struct ambient_source_desc {
    std::string sample{};
    vec3 position{};
    vec3 direction{};
    float min_distance = 0.0f;
    float max_distance = 0.0f;
    int32_t inside_cone_angle = 360;
    int32_t outside_cone_angle = 360;
    int8_t mode = 0;
    uint32_t min_interval = 0;
    uint32_t max_interval = 0;
};
int32_t add_ambient_source(qxps_writer& out, const ambient_source_desc& a);

struct sector_desc {
    std::string name{};
    transform_block transform{};
    std::vector<int32_t> nodes{};
    std::vector<int32_t> meshes{};
    std::optional<int32_t> tree{};  // without one an empty tree chunk is added
    std::vector<int32_t> portals{};
    std::vector<int32_t> arties{};
    std::vector<vec3> occluder_points{};
    std::optional<uint16_t> occluder_count{};  // written in place of the number of points
    std::vector<int32_t> lmap_bindings{};
    std::vector<int32_t> lamps{};
    std::vector<int32_t> ambient_sources{};
    bool ambient_table = true;  // false for format version 10
};
int32_t add_sector(qxps_writer& out, const sector_desc& s);
int32_t add_sector(package_writer& out, const sector_desc& s);

}  // namespace kv::tools
