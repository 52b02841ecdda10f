#pragma once
// References between packages. Readers do not look names up while a package loads (its imports
// may not be loaded yet): they queue a reference naming a package, an object and its kind, with
// the pointer to fill, and the queue is resolved in one pass once the package and its imports
// are loaded. Also the name lookups of packages and of the objects in them.

#include <cstdint>
#include <string>
#include <vector>

#include "data/package.h"

namespace kv {

// Kinds of reference, each searching one table of the named package.
enum : int32_t {
    kRefScreen = 0,
    kRefShader = 1,
    kRefSurface = 2,
    kRefGeometry = 3,
    kRefEntity = 4,
    kRefSector = 5,
};

struct reference {
    std::string package_name;
    std::string object_name;
    int32_t kind = kRefScreen;
    void* target = nullptr;  // address of the pointer to fill: a view_set**, shader**, ... by kind
    // The package whose read queued it (the target lies in one of its objects), or null.
    const package* owner = nullptr;
};

struct reference_list {
    std::vector<reference> items;
    // The package being read: references queued meanwhile belong to it.
    const package* filling = nullptr;
};

// The list that package readers fill; created on first use.
reference_list& ref_list();

void ref_list_add_shader(reference_list& list, const std::string& package_name, const std::string& name,
                         shader** target);
void ref_list_add_surface(reference_list& list, const std::string& package_name, const std::string& name,
                          surface** target);
void ref_list_add_geometry(reference_list& list, const std::string& package_name, const std::string& name,
                           geometry** target);
void ref_list_add_entity(reference_list& list, const std::string& package_name, const std::string& name,
                         entity_def** target);
// Any kind, for readers that need screens or sectors; `target` must point at a pointer of the
// kind's type.
void ref_list_add(reference_list& list, int32_t kind, const std::string& package_name,
                  const std::string& name, void* target);
// Drops the queued references that belong to a package (before its objects go away).
void ref_list_drop_owner(reference_list& list, const package* owner);

// Resolves every queued reference against the loaded packages: in the named package's table of
// its kind, else in its direct imports, in import order. True when none is left; otherwise the
// rest are listed in the log and dropped, and their targets keep what they held.
bool ref_list_resolve(reference_list& list, const std::vector<std::unique_ptr<package>>& packages);

// The loaded package of exactly that name (no message).
package* package_list_find(const std::vector<std::unique_ptr<package>>& packages, const std::string& name);
// The same, logging "server: No package `%s' found." when there is none.
package* server_find_package(server& srv, const std::string& name);

// The first object of that name in the package, or null after a log line naming what is missing.
sector* package_find_sector(const package& p, const std::string& name);
view_set* package_find_screen(const package& p, const std::string& name);
skeleton* package_find_skeleton(const package& p, const std::string& name);
animation* package_find_animation(const package& p, const std::string& name);
view* view_set_find_view(const view_set& screen, const std::string& name);

// The sector named by "package:sector", or by a bare name in the package that holds `requester`.
sector* server_resolve_sector(server& srv, const std::string& text, const sector* requester);
// The same lookup without log lines.
sector* server_resolve_sector_quietly(server& srv, const std::string& text, const sector* requester);

}  // namespace kv
