#include "data/package.h"

#include <algorithm>
#include <new>

#include "data/file_stream.h"
#include "data/package_readers.h"
#include "data/pak_archive.h"
#include "data/qxps_stream.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "game/server_world.h"
#include "kernel/log.h"
#include "platform/file_io.h"
#include "util/text.h"

namespace kv {
namespace {

// Reads `count` table entries by the chunk reading pattern: a chunk read before gives the object
// built then (owned by whoever built it); a new one is read here and owned by the table.
template <class T, class Read>
void read_entries(object_table<T>& table, package_read_context& ctx, uint32_t count, Read read) {
    if (count == 0) return;
    table.owns = true;
    table.items.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (qxps_stream_read_ref(ctx.stream)) {
            table.items.push_back(qxps_stream_object_as<T>(ctx.stream));
            continue;
        }
        std::unique_ptr<T> object = read(ctx);
        table.items.push_back(object.get());
        table.storage.push_back(std::move(object));
    }
}

template <class T, class Read>
void read_table(object_table<T>& table, package_read_context& ctx, Read read) {
    read_entries(table, ctx, qxps_stream_read_count(ctx.stream), read);
}

void clear_tables(package& p) {
    object_table_clear(p.animations);
    object_table_clear(p.skeletons);
    object_table_clear(p.arties);
    object_table_clear(p.sectors);
    object_table_clear(p.entities);
    object_table_clear(p.geometries);
    object_table_clear(p.surfaces);
    object_table_clear(p.shaders);
    object_table_clear(p.screens);
    p.imports.clear();
}

void read_body(package& p, package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    qxps_stream_enter_chunk(in, &p);
    const uint32_t import_count = qxps_stream_read_count(in);
    p.imports.reserve(import_count);
    for (uint32_t i = 0; i < import_count; ++i) p.imports.push_back(qxps_stream_read_string(in));
    read_table(p.screens, ctx, view_set_read);
    read_table(p.shaders, ctx, shader_read);
    read_table(p.surfaces, ctx, surface_read);
    read_table(p.geometries, ctx, geometry_read);
    read_table(p.entities, ctx, entity_def_read);
    read_table(p.sectors, ctx, sector_read);
    read_table(p.arties, ctx, arty_description_read);
    read_table(p.skeletons, ctx, skeleton_read);
    read_table(p.animations, ctx, animation_read);
    qxps_stream_leave_chunk(in);
}

template <class T>
int32_t index_of(const object_table<T>& table, const T* object) {
    const auto it = std::find(table.items.begin(), table.items.end(), object);
    return it == table.items.end() ? -1 : static_cast<int32_t>(it - table.items.begin());
}

bool load(server& srv, const std::string& name, bool map, bool as_import, int depth);

bool in_list(const server& srv, const package* p) {
    return std::any_of(srv.packages.begin(), srv.packages.end(),
                       [p](const std::unique_ptr<package>& q) { return q.get() == p; });
}

// True when a root package (other than those being unloaded) reaches `target` through imports.
bool still_used(const server& srv, const package* target) {
    std::vector<const package*> reached;
    std::vector<const package*> pending;
    for (const auto& p : srv.packages) {
        if (p->root && !p->unloading) pending.push_back(p.get());
    }
    while (!pending.empty()) {
        const package* p = pending.back();
        pending.pop_back();
        if (p == target) return true;
        if (std::find(reached.begin(), reached.end(), p) != reached.end()) continue;
        reached.push_back(p);
        for (const package* import : p->import_links) {
            if (!import->unloading) pending.push_back(import);
        }
    }
    return false;
}

// Loads the imports not loaded yet, then spawns the package's arties. `depth` is the package's own
// depth below the package loaded by name.
bool finish_load(server& srv, package& p, int depth) {
    p.state = package_state::importing;
    while (p.imports_loaded < p.imports.size()) {
        const std::string& import = p.imports[p.imports_loaded];
        package* loaded = nullptr;
        if (!package_name_is_plain(import)) {
            log_write("server: import `%s' of `%s' refused: not a package name.\n",
                      log_printable(import).c_str(), p.name.c_str());
        } else if (depth >= kImportDepthMax) {
            log_write("server: imports of `%s' nest deeper than %d, refused.\n", p.name.c_str(),
                      kImportDepthMax);
        } else if (load(srv, import, false, true, depth + 1)) {
            loaded = package_list_find(srv.packages, import);
        }
        if (!loaded) {
            log_write("server: Failed to load imported package `%s'.\n", log_printable(import).c_str());
            p.state = package_state::incomplete;
            return false;
        }
        p.import_links.push_back(loaded);
        ++p.imports_loaded;
    }
    if (!p.arties.items.empty()) {
        p.spawn_group = arty_factory_spawn_group(srv.factory, p.arties.items.data(),
                                                 static_cast<int32_t>(p.arties.items.size()));
    }
    srv.current_level_name = p.name;
    p.state = package_state::complete;
    return true;
}

// Reads the package from the stream into the list and finishes its load. The stream is closed
// before the imports load, so a chain of imports holds one file open at a time.
bool load_from(server& srv, const std::string& name, file_stream& stream, bool as_import, bool log_ok,
               int depth) {
    const bool read = package_list_load(srv, name, stream);
    file_stream_close(stream);
    if (!read) return false;
    if (log_ok) log_stamped("  OK\n");
    package& p = *srv.packages.back();
    p.root = !as_import;
    return finish_load(srv, p, depth);
}

// Opens the package's file on disk. False when there is none or it is refused (too large).
bool open_disk_file(file_stream& disk, const std::string& path) {
    if (!file_stream_open(disk, path, kFileRead)) return false;
    const int64_t size = file_stream_size(disk);
    if (size <= kPackageFileMax) return true;
    log_write("server: package file `%s' is %lld bytes, larger than 1 GiB: refused.\n",
              log_printable(path).c_str(), static_cast<long long>(size));
    file_stream_close(disk);
    return false;
}

bool load(server& srv, const std::string& name, bool map, bool as_import, int depth) {
    srv.current_level_name = name;
    if (package* loaded = package_list_find(srv.packages, name)) {
        // A package whose imports are being loaded counts as loaded (an import cycle); one whose
        // import failed goes on with its remaining imports.
        return loaded->state != package_state::incomplete || finish_load(srv, *loaded, depth);
    }

    file_stream disk;
    const std::string disk_path = srv.data_dir + (map ? "maps/" : "") + name;
    const bool opened = open_disk_file(disk, disk_path);
    const int open_error = disk.error;
    log_stamped("  Loading package '%s' ...\n", log_printable(name).c_str());
    if (opened) {
        const std::size_t before = srv.packages.size();
        const bool result = load_from(srv, name, disk, as_import, true, depth);
        // A file without objects leaves the name to the archives.
        if (result || srv.packages.size() != before) return result;
    }
    file_stream_close(disk);

    for (const auto& archive : srv.archives) {
        if (!pak_archive_has_chunk(*archive, name)) continue;
        const pak_chunk_reader reader = pak_archive_find_chunk(*archive, name);
        if (reader.size() > kPackageFileMax) {
            log_write("server: package `%s' in an archive is %lld bytes, larger than 1 GiB: refused.\n",
                      log_printable(name).c_str(), static_cast<long long>(reader.size()));
            return false;
        }
        file_stream chunk;
        file_stream_open_chunk(chunk, reader);
        return load_from(srv, name, chunk, as_import, false, depth);
    }
    // Neither a file nor an archive holds the name: say where it was looked for. A file that is
    // there but did not open (or was refused) has had its own line.
    if (!opened) {
        log_write(sys_error_is_missing(open_error) ? "server: no file `%s' for package `%s'.\n"
                                                   : "server: file `%s' for package `%s' not used.\n",
                  log_printable(disk_path).c_str(), log_printable(name).c_str());
    }
    return false;
}

}  // namespace

std::unique_ptr<view_set> view_set_read(package_read_context& ctx) {
    auto screen = std::make_unique<view_set>();
    qxps_stream_enter_chunk(ctx.stream, screen.get());
    screen->name = qxps_stream_read_string(ctx.stream);
    read_entries(screen->views, ctx, qxps_stream_read_u16(ctx.stream), view_read);
    qxps_stream_leave_chunk(ctx.stream);
    return screen;
}

std::unique_ptr<arty_description> arty_description_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto description = std::make_unique<arty_description>();
    qxps_stream_enter_chunk(in, description.get());
    description->class_name = qxps_stream_read_string(in);
    description->instance_name = qxps_stream_read_string(in);
    const uint32_t size = qxps_stream_read_u32(in);
    if (size > kArtyParametersMax) {
        throw read_error(str_format("[PS] Parameters of arty `%s' too large (%u bytes)",
                                    log_printable(description->instance_name).c_str(), size));
    }
    if (size > 0) {
        std::vector<uint8_t> bytes(size);
        qxps_stream_read_bytes(in, bytes.data(), size);
        description->parameters = std::make_unique<token_list>();
        if (!token_list_init(*description->parameters, size, bytes.data())) {
            throw read_error(str_format("[PS] Damaged parameters of arty `%s'",
                                        log_printable(description->instance_name).c_str()));
        }
    }
    qxps_stream_leave_chunk(in);
    return description;
}

void package_read(package& p, file_stream& stream, server& srv) {
    reference_list& refs = ref_list();
    const package* outer = refs.filling;
    refs.filling = &p;
    try {
        qxps_stream in(stream);
        package_read_context ctx{in, srv};
        read_body(p, ctx);
    } catch (const read_error& e) {
        log_write("%s", e.what());
        // The targets of the references queued so far lie in the objects about to go.
        ref_list_drop_owner(refs, &p);
        clear_tables(p);
    } catch (const std::bad_alloc&) {
        // Sizes in a damaged file can ask for more memory than there is: that load fails, the
        // program goes on.
        log_write("server: not enough memory to read package `%s'.\n", p.name.c_str());
        ref_list_drop_owner(refs, &p);
        clear_tables(p);
    }
    refs.filling = outer;
}

bool package_has_objects(const package& p) {
    return !p.screens.items.empty() || !p.shaders.items.empty() || !p.surfaces.items.empty() ||
           !p.geometries.items.empty() || !p.entities.items.empty() || !p.sectors.items.empty() ||
           !p.arties.items.empty() || !p.skeletons.items.empty() || !p.animations.items.empty();
}

int32_t package_surface_index(const package& p, const surface* s) {
    return index_of(p.surfaces, s);
}
int32_t package_sector_index(const package& p, const sector* s) {
    return index_of(p.sectors, s);
}

mesh* package_find_geometry_item(const package& p, uint32_t key) {
    for (const geometry* g : p.geometries.items) {
        if (!g) continue;
        if (mesh* m = geometry_find_mesh(*g, key)) return m;
    }
    return nullptr;
}

bool package_list_load(server& srv, const std::string& name, file_stream& stream) {
    srv.packages.push_back(std::make_unique<package>());
    package& p = *srv.packages.back();
    p.name = name;
    package_read(p, stream, srv);
    if (package_has_objects(p)) return true;
    package_destroy(srv, p);
    return false;
}

bool load_package(server& srv, const std::string& name, bool map) {
    return load(srv, name, map, false, 0);
}

bool package_name_is_plain(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

void package_destroy(server& srv, package& p) {
    if (p.unloading) return;
    p.unloading = true;
    log_write("Package `%s' is being unloaded.\n", log_printable(p.name).c_str());
    if (!p.arties.items.empty()) arty_factory_erase_group(srv.factory, p.spawn_group);
    server_forget_thrown_in(srv, p);
    const std::vector<package*> imports = std::move(p.import_links);
    ref_list_drop_owner(ref_list(), &p);
    for (const auto& other : srv.packages) std::erase(other->import_links, &p);
    const auto it = std::find_if(srv.packages.begin(), srv.packages.end(),
                                 [&p](const std::unique_ptr<package>& q) { return q.get() == &p; });
    std::unique_ptr<package> gone;
    if (it != srv.packages.end()) {
        gone = std::move(*it);
        srv.packages.erase(it);
    }
    gone.reset();
    // Imports go with the last package that uses them; a cycle stops at the one being unloaded.
    for (package* import : imports) {
        if (in_list(srv, import) && !import->unloading && !still_used(srv, import))
            package_destroy(srv, *import);
    }
}

}  // namespace kv
