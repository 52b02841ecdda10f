#include "data/reference_list.h"

#include <algorithm>

#include "game/server.h"
#include "kernel/log.h"
#include "util/text.h"

namespace kv {
namespace {

const char* const kKindWords[] = {"screen", "shader", "surface", "geometry", "entity", "sector"};
constexpr int32_t kKindCount = 6;

template <class T>
T* find_named(const object_table<T>& table, const std::string& name) {
    for (T* object : table.items) {
        if (object && object->name == name) return object;
    }
    return nullptr;
}

// Looks the name up in the table and fills the target when found.
template <class T>
bool fill(const object_table<T>& table, const reference& ref) {
    T* found = find_named(table, ref.object_name);
    if (found) *static_cast<T**>(ref.target) = found;
    return found != nullptr;
}

// Looks the name up in the package's table of the kind.
bool fill_from(const package& p, const reference& ref) {
    switch (ref.kind) {
        case kRefScreen:
            return fill(p.screens, ref);
        case kRefShader:
            return fill(p.shaders, ref);
        case kRefSurface:
            return fill(p.surfaces, ref);
        case kRefGeometry:
            return fill(p.geometries, ref);
        case kRefEntity:
            return fill(p.entities, ref);
        case kRefSector:
            return fill(p.sectors, ref);
        default:
            return false;
    }
}

bool resolve_one(const reference& ref, const std::vector<std::unique_ptr<package>>& packages) {
    const package* named = package_list_find(packages, ref.package_name);
    if (!named) return false;
    if (fill_from(*named, ref)) return true;
    // Only the package's own imports are searched, not the imports of the imports.
    for (const std::string& import : named->imports) {
        const package* imported = package_list_find(packages, import);
        if (imported && fill_from(*imported, ref)) return true;
    }
    return false;
}

template <class T>
T* find_or_log(const object_table<T>& table, const std::string& package_name, const std::string& name,
               const char* format) {
    T* found = find_named(table, name);
    if (!found) log_write(format, log_printable(package_name).c_str(), log_printable(name).c_str());
    return found;
}

}  // namespace

reference_list& ref_list() {
    static reference_list list;
    return list;
}

void ref_list_add(reference_list& list, int32_t kind, const std::string& package_name,
                  const std::string& name, void* target) {
    list.items.push_back({package_name, name, kind, target, list.filling});
}

void ref_list_add_shader(reference_list& list, const std::string& package_name, const std::string& name,
                         shader** target) {
    ref_list_add(list, kRefShader, package_name, name, target);
}

void ref_list_add_surface(reference_list& list, const std::string& package_name, const std::string& name,
                          surface** target) {
    ref_list_add(list, kRefSurface, package_name, name, target);
}

void ref_list_add_geometry(reference_list& list, const std::string& package_name, const std::string& name,
                           geometry** target) {
    ref_list_add(list, kRefGeometry, package_name, name, target);
}

void ref_list_add_entity(reference_list& list, const std::string& package_name, const std::string& name,
                         entity_def** target) {
    ref_list_add(list, kRefEntity, package_name, name, target);
}

void ref_list_drop_owner(reference_list& list, const package* owner) {
    if (!owner) return;
    std::erase_if(list.items, [owner](const reference& ref) { return ref.owner == owner; });
}

bool ref_list_resolve(reference_list& list, const std::vector<std::unique_ptr<package>>& packages) {
    std::erase_if(list.items, [&packages](const reference& ref) { return resolve_one(ref, packages); });
    if (list.items.empty()) return true;
    log_write("The following references couldn't be resolved:\n");
    for (const reference& ref : list.items) {
        const char* word = ref.kind >= 0 && ref.kind < kKindCount ? kKindWords[ref.kind] : "";
        log_write(" %s[%s]\n", word, log_printable(ref.object_name).c_str());
    }
    list.items.clear();
    return false;
}

package* package_list_find(const std::vector<std::unique_ptr<package>>& packages, const std::string& name) {
    for (const auto& p : packages) {
        if (p->name == name) return p.get();
    }
    return nullptr;
}

package* server_find_package(server& srv, const std::string& name) {
    package* found = package_list_find(srv.packages, name);
    if (!found) log_write("server: No package `%s' found.\n", log_printable(name).c_str());
    return found;
}

sector* package_find_sector(const package& p, const std::string& name) {
    return find_or_log(p.sectors, p.name, name, "server: No sector `%s:%s' found.\n");
}

view_set* package_find_screen(const package& p, const std::string& name) {
    return find_or_log(p.screens, p.name, name, "server: No screen `%s:%s' found.\n");
}

skeleton* package_find_skeleton(const package& p, const std::string& name) {
    return find_or_log(p.skeletons, p.name, name, "server: No skeleton `%s:%s' found.\n");
}

animation* package_find_animation(const package& p, const std::string& name) {
    return find_or_log(p.animations, p.name, name, "server: No animation `%s:%s' found.\n");
}

view* view_set_find_view(const view_set& screen, const std::string& name) {
    return find_or_log(screen.views, screen.name, name, "server: No view `%s:%s' found.\n");
}

namespace {

// One lookup for the portal's first crossing, which says what is missing, and the later ones, which
// stay quiet: the package is the text before the first ':' (empty for ":hall"), the sector field 1
// of the text split at ':'; a bare name looks in the package that holds the requester.
sector* resolve_sector(server& srv, const std::string& text, const sector* requester, bool quiet) {
    const std::size_t colon = text.find(':');
    package* p = nullptr;
    if (colon != std::string::npos) {
        const std::string package_name = text.substr(0, colon);
        p = quiet ? package_list_find(srv.packages, package_name) : server_find_package(srv, package_name);
    } else {
        for (const auto& candidate : srv.packages) {
            const auto& sectors = candidate->sectors.items;
            if (std::find(sectors.begin(), sectors.end(), requester) != sectors.end()) {
                p = candidate.get();
                break;
            }
        }
    }
    if (!p) return nullptr;
    const std::string name = str_field(text, 1, ':');
    if (!quiet) return package_find_sector(*p, name);
    for (sector* s : p->sectors.items) {
        if (s->name == name) return s;
    }
    return nullptr;
}

}  // namespace

sector* server_resolve_sector(server& srv, const std::string& text, const sector* requester) {
    return resolve_sector(srv, text, requester, false);
}

sector* server_resolve_sector_quietly(server& srv, const std::string& text, const sector* requester) {
    return resolve_sector(srv, text, requester, true);
}

}  // namespace kv
