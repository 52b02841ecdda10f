#pragma once
// Packages: the unit in which levels and shared content load. A package is a QXPS file whose root
// chunk holds the names of the packages it imports and nine tables of objects, in this order:
//
//   imports: 16-bit count, then that many counted strings
//   screens, shaders, surfaces, geometry, entities, sectors, arty descriptions, skeletons,
//   animations: each a 16-bit count (0 to 32767), then that many chunk ids
//
// A chunk id listed twice (in one table or in the objects' own references) yields one object,
// read once; its first reader owns it and everyone else shares it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "beings/animation.h"
#include "beings/skeleton.h"
#include "data/object_table.h"
#include "gfx/shader.h"
#include "gfx/surface.h"
#include "gfx/view.h"
#include "util/token_list.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/sector.h"

namespace kv {

struct file_stream;
struct qxps_stream;
struct server;

// A screen: named views (renderer objects).
struct view_set {
    std::string name;
    object_table<view> views;
};

// A level object for the arty factory to make: its class (such as "kvgame"), the name other arties
// find it by, and its parameters (keys followed by their values).
struct arty_description {
    std::string class_name;
    std::string instance_name;
    bool owns = true;  // `parameters` belongs to the description (always so for descriptions read)
    std::unique_ptr<token_list> parameters;
};

// Where a package read stands with its imports.
enum class package_state : uint8_t {
    importing,   // its imports are being loaded (an import cycle finds it here)
    incomplete,  // an import failed; loading the name again goes on with the rest
    complete,
};

struct package {
    std::string name;
    uint32_t spawn_group = 0;  // arty-factory group of its descriptions
    std::vector<std::string> imports;
    object_table<view_set> screens;
    object_table<shader> shaders;
    object_table<surface> surfaces;
    object_table<geometry> geometries;
    object_table<entity_def> entities;
    object_table<sector> sectors;
    object_table<arty_description> arties;
    object_table<skeleton> skeletons;
    object_table<animation> animations;

    // Loading bookkeeping, not part of the file. A package loaded by name (not as an import) is a
    // root; an import stays loaded while a root reaches it through the import links.
    bool root = true;
    package_state state = package_state::complete;
    std::size_t imports_loaded = 0;      // leading imports loaded so far
    std::vector<package*> import_links;  // those of them still loaded, in import order
    bool unloading = false;
};

// Parameter blocks of arty descriptions are at most this long.
inline constexpr uint32_t kArtyParametersMax = 13312;
// Imports nest at most this deep below the package loaded by name.
inline constexpr int kImportDepthMax = 64;
// A package file larger than this is refused before it is read.
inline constexpr int64_t kPackageFileMax = 1ll << 30;

// What every object reader of one package read gets.
struct package_read_context {
    qxps_stream& stream;
    server& srv;  // the server the package loads into (its current level name names the package)
};

// Reads a package from the stream into `p` (name set by the caller). Never fails outright: any
// error is logged and leaves every table empty, and the references queued by the failed read are
// dropped.
void package_read(package& p, file_stream& stream, server& srv);
// True when any of the nine object tables holds something (imports do not count).
bool package_has_objects(const package& p);

// A screen chunk: name, view count (16-bit, unsigned), view chunk ids.
std::unique_ptr<view_set> view_set_read(package_read_context& ctx);
// An arty description chunk: class name, instance name, parameter size (u32), parameter bytes.
std::unique_ptr<arty_description> arty_description_read(package_read_context& ctx);

// The position of the object in its table, -1 when absent.
int32_t package_surface_index(const package& p, const surface* s);
int32_t package_sector_index(const package& p, const sector* s);
// Over the geometries in table order, the first mesh read from the chunk `key`, or null.
mesh* package_find_geometry_item(const package& p, uint32_t key);

// Loads a package and, recursively, its imports, from data directory + ("maps/" with the map flag) +
// name, or else from the first archive holding a chunk of that name; spawns its arty descriptions
// as one group. True at once when a complete package of that name is loaded already. A package's
// file is closed before its imports load; imports nest at most kImportDepthMax deep, and an import
// whose name is not a plain package name (see below) is refused.
bool load_package(server& srv, const std::string& name, bool map);
// A name of a file directly in its folder: not empty, no folder separators, not "." or "..", no
// control bytes.
bool package_name_is_plain(const std::string& name);
// Reads a package from the stream and appends it to the server's package list; when it holds no
// objects it is destroyed again and the result is false.
bool package_list_load(server& srv, const std::string& name, file_stream& stream);
// Unloads a package: logs it, erases its arty group, removes it from the server's list and frees it,
// then unloads, in import order, each of its imports that no other loaded package still uses.
void package_destroy(server& srv, package& p);

}  // namespace kv
