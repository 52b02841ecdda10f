#pragma once
// A geometry: one entry of a package's "geometry" table, a named and boxed set of rigid meshes and
// skinned meshes. Mesh instances place geometries in sectors and models.
//
// Stream form (its own chunk): name (string); box minimum and maximum (vec3 each); u16 n and n
// references to mesh chunks (rigid); u16 n and n references to skinned mesh chunks.

#include <cstdint>
#include <memory>
#include <string>

#include "data/object_table.h"
#include "util/box3.h"
#include "world/mesh.h"

namespace kv {

struct package_read_context;

struct geometry {
    std::string name;
    box3 box;
    object_table<mesh> meshes;  // rigid
    object_table<geometry_mesh> skinned;
};

// Builds a geometry from the chunk of the stream's current id, with its meshes.
std::unique_ptr<geometry> geometry_read(package_read_context& ctx);
// Name, box and a copy of every mesh (the copy owns them all).
std::unique_ptr<geometry> geometry_copy(const geometry& source);
// The rigid mesh with that chunk id, or null.
mesh* geometry_find_mesh(const geometry& g, uint32_t id);
// With skinned meshes: the union of every mesh's box (rigid ones first), kept as the geometry's box;
// without: the box as read.
box3 geometry_bounds(geometry& g);

}  // namespace kv
