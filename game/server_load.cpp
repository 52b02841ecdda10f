#include "game/server_load.h"

#include <new>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/read_error.h"
#include "data/reference_list.h"
#include "game/server_world.h"
#include "gfx/surface.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/file_io.h"
#include "util/text_table.h"

namespace kv {
namespace {

constexpr const char* kTextureExtension = ".tga";
constexpr std::size_t kExtensionLength = 4;
constexpr int64_t kTextTableMax = 16ll << 20;

bool fail(const std::string& name) {
    log_write("\nFatal error during loading package `%s'.\n", log_printable(name).c_str());
    return false;
}

bool ends_with_extension(const std::string& line) {
    return line.size() >= kExtensionLength &&
           line.compare(line.size() - kExtensionLength, kExtensionLength, kTextureExtension) == 0;
}

void take_line(std::string& line, std::vector<std::string>& names) {
    if (line.size() > kExtensionLength && line.find(kTextureExtension) != std::string::npos) {
        if (ends_with_extension(line)) line.resize(line.size() - kExtensionLength);
        names.push_back(line);
    }
    line.clear();
}

// One text table; a table that cannot be read is logged with its path and the reason, and left empty.
bool read_table(text_table& table, const std::string& path) {
    file_stream stream;
    table.entries.clear();
    if (!file_stream_open(stream, path, kFileRead)) {
        log_write("server: text table `%s' not read: %s.\n", path.c_str(),
                  sys_error_text(stream.error).c_str());
        return false;
    }
    const int64_t size = file_stream_size(stream);
    if (size > kTextTableMax) {
        log_write("server: text table `%s' is %lld bytes, larger than 16 MiB: refused.\n", path.c_str(),
                  static_cast<long long>(size));
        return false;
    }
    return text_table_read(table, stream);
}

}  // namespace

bool server_load_game_package(server& srv, const std::string& name) {
    kernel& k = kernel_get();
    console_view_printf(k.console, "Loading package '%s' ...\n", name.c_str());
    log_stamped("Loading package '%s' ...\n", log_printable(name).c_str());
    // The water list needs no emptying here: its instances leave it when they are destroyed.
    if (!load_package(srv, name, true)) return fail(name);
    log_stamped("OK.\n");
    log_stamped("Resolving references...\n");
    if (!ref_list_resolve(ref_list(), srv.packages)) return fail(name);
    log_stamped("References OK.\n");
    if (srv.dedicated) {
        // Nothing is drawn: no textures, no light maps.
        console_view_print(k.console, "OK\n");
        return true;
    }

    gfx_free_textures(k.graphics);
    log_stamped("Precaching textures...\n");
    if (package* loaded = package_list_find(srv.packages, name)) {
        for (surface* s : loaded->surfaces.items) surface_run(*s, k.graphics);
    }
    server_precache_textures(srv);
    log_stamped("OK\n");

    log_stamped("Loading lightmaps...\n");
    try {
        gfx_load_lightmaps(k.graphics, srv.current_level_name);
    } catch (const read_error& e) {
        log_write("%s\n", e.what());
        return fail(name);
    } catch (const std::bad_alloc&) {
        log_write("server: not enough memory for the light maps of `%s'.\n", srv.current_level_name.c_str());
        return fail(name);
    }
    log_stamped("OK\n");

    log_stamped("Initializing lightmaps...\n");
    server_prepare_world(srv, package_list_find(srv.packages, srv.current_level_name));
    log_stamped("OK\n");

    if (!srv.water_instances.empty()) {
        gfx_add_texture_scroll_effect(k.graphics);
        gfx_forget_last_effect(k.graphics);
    }
    return true;
}

std::vector<std::string> precache_read_names(file_stream& stream) {
    std::vector<std::string> names;
    std::string line;
    bool comment = false;
    char buffer[4096];
    std::size_t count = 0;
    while (file_stream_read(stream, buffer, sizeof(buffer), &count) && count > 0) {
        for (std::size_t i = 0; i < count; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                comment = false;
                take_line(line, names);
                continue;
            }
            if (comment || c == '\r') continue;
            if (c == '#') {
                comment = true;
                continue;
            }
            line.push_back(c);
            if (line.size() == kPrecacheLineMax) take_line(line, names);
        }
    }
    take_line(line, names);
    return names;
}

void server_precache_textures(server& srv) {
    if (srv.current_level_name != srv.game_package) return;
    std::unique_ptr<file_stream> stream = server_open_file(srv, kPrecacheFileName, false);
    if (!stream) {
        log_write("[server] file precache.cfg not found\n");
        return;
    }
    surface textures;
    for (const std::string& name : precache_read_names(*stream)) surface_basicmap_layer(textures, srv, name);
    surface_run(textures, kernel_get().graphics);
    file_stream_close(*stream);
}

bool server_load_text_tables(server& srv, const std::string& game_package) {
    const char* const shared[] = {"base", "menu", "keys"};
    // One missing table does not cost the others.
    bool all_read = true;
    for (int table = kTextBase; table <= kTextKeys; ++table) {
        if (!read_table(srv.text_tables[table], srv.data_dir + shared[table] + srv.language_suffix))
            all_read = false;
    }
    if (game_package.empty()) return all_read;
    return read_table(srv.text_tables[kTextMap],
                      srv.data_dir + "maps/" + game_package + srv.language_suffix) &&
           all_read;
}

void server_post_key_down(server& srv, int32_t code) {
    arty_factory_post_key_down(srv.factory, code);
}

void server_post_key_up(server& srv, int32_t code) {
    arty_factory_post_key_up(srv.factory, code);
}

}  // namespace kv
