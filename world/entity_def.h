#pragma once
// Models and placed objects. A `scene_node` puts a model (`entity_def`) at a transform; a
// `mesh_instance` puts a geometry at a transform with a drawing surface and a surface material.
// Sectors hold tables of both, and so does a model, so models nest. Entities, dropped weapons and
// grenades work on their own deep copy of a package model and hang further models on it at attach
// points 0 to 99: nodes named "ap" followed by two digits.
//
// Stream forms (each object in its own chunk):
//   transform block (40 bytes): translation, scale, rotation axis (vec3 each), angle (float); the
//     matrix scales first, then rotates about the axis, then translates
//   scene_node:    transform block; name; model reference ("package:model" or a bare name);
//                  number (u16)
//   mesh_instance: transform block; geometry reference; surface reference; material name;
//                  number (u16)
//   entity_def:    name; box minimum and maximum (vec3 each); u16 n and n scene_node references;
//                  u16 n and n mesh_instance references

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/object_table.h"
#include "util/box3.h"
#include "util/mat4.h"

namespace kv {

struct entity_def;
struct geometry;
struct package_read_context;
struct surface;
struct surface_material;

// Number of objects made at run time, and the stamp no walk has set yet.
inline constexpr uint16_t kRunTimeObjectNumber = 0xFFFF;
inline constexpr uint16_t kNoVisitStamp = 0xFFFF;
// Flag of a mesh instance entered in the world server's list of water instances.
inline constexpr uint32_t kMeshInstanceWater = 1u << 1;
// Attach points are numbered 0 to kAttachPointCount - 1.
inline constexpr int32_t kAttachPointCount = 100;

struct scene_node {
    scene_node();
    ~scene_node();
    scene_node(const scene_node&) = delete;
    scene_node& operator=(const scene_node&) = delete;

    mat4 transform;  // node space to its owner's space
    std::string name;
    entity_def* model = nullptr;  // filled when references are resolved
    uint16_t number = kRunTimeObjectNumber;
    uint16_t visit_stamp = kNoVisitStamp;
    std::unique_ptr<entity_def> owned_model;  // set when the node owns its model (`model` is it)
};

struct mesh_instance {
    mesh_instance();
    ~mesh_instance();
    mesh_instance(const mesh_instance&) = delete;
    mesh_instance& operator=(const mesh_instance&) = delete;

    mat4 transform;            // geometry space to its owner's space
    geometry* geom = nullptr;  // filled when references are resolved
    surface* surf = nullptr;   // drawing surface, filled when references are resolved
    const surface_material* material = nullptr;
    uint16_t number = 0;
    uint32_t flags = 0;
    uint16_t visit_stamp = kNoVisitStamp;
    std::unique_ptr<geometry> owned_geometry;  // set when the instance owns its geometry (copies)
    // The water list the instance is entered in; it takes itself out when destroyed.
    std::vector<mesh_instance*>* water_list = nullptr;
};

struct entity_def {
    entity_def();
    ~entity_def();
    entity_def(const entity_def&) = delete;
    entity_def& operator=(const entity_def&) = delete;

    std::string name;
    box3 box;
    object_table<scene_node> nodes;
    object_table<mesh_instance> meshes;
};

// Readers: each builds its object from the chunk of the stream's current id. Model, geometry and
// surface references are queued for resolution after the load; a mesh instance's material is
// looked up in the kernel's surface table at once, and a water material enters the instance in the
// world server's list of water instances.
std::unique_ptr<scene_node> scene_node_read(package_read_context& ctx);
std::unique_ptr<mesh_instance> mesh_instance_read(package_read_context& ctx);
std::unique_ptr<entity_def> entity_def_read(package_read_context& ctx);

// What the destructors release: a node's name and the model it owns (with all its nodes and meshes);
// an instance's place in the water list and the geometry it owns. Each may run once more.
void scene_node_destroy(scene_node& node);
void mesh_instance_destroy(mesh_instance& instance);

// Identity transform, the name, the model (not owned), run-time number, no stamp.
void scene_node_init(scene_node& node, const std::string& name, entity_def* model);
// Enters the instance in a list of water instances (flag and list); the instance leaves it again
// when destroyed.
void mesh_instance_enter_water(mesh_instance& instance, std::vector<mesh_instance*>& list);

// "ap" and two digits; the empty text for numbers outside 0..99.
std::string attach_point_name(int32_t number);

// A deep copy: nodes keep their transform and name, get the run-time number and own a copy of
// their model; mesh instances start at the identity with the run-time number and keep flags,
// surface and material, owning a copy of a geometry with skinned meshes and sharing any other.
// A model that contains itself (through resolved references) is copied once: the inner node
// is left without a model.
std::unique_ptr<entity_def> entity_def_copy(const entity_def& source);
// Puts `object` on attach point `number`: replaces the node of that name in place, or appends a
// new one. Numbers outside 0..99 do nothing.
void entity_def_attach(entity_def& model, int32_t number, entity_def* object);
// Removes the node of that attach point; nothing happens when there is none.
void entity_def_detach(entity_def& model, int32_t number);
// Copies the matrix into the attach point's node and returns its index; -1 when there is none.
int32_t entity_def_set_node_matrix(entity_def& model, int32_t number, const mat4& matrix);
// Index of the first node named for the attach point, or -1.
int32_t entity_def_find_attach_point(const entity_def& model, int32_t number);
// Grows the model's box by each mesh instance's geometry box and each node's model box (merged
// first, recursively), each taken through its transform.
void entity_def_merge_bounds(entity_def& model);


}  // namespace kv
