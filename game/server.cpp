#include "game/server.h"

#include "data/file_stream.h"
#include "data/package.h"
#include "data/pak_archive.h"
#include "data/reference_list.h"

namespace kv {

server::server() = default;

server::~server() {
    // Every package still loaded is destroyed once; its imports may go with it.
    while (!packages.empty()) package_destroy(*this, *packages.front());
    archives.clear();
}

server& server_get() {
    // The reference list must outlive the server, whose packages drop their references from it.
    ref_list();
    static server instance;
    return instance;
}

void server_set_write_dir(server& srv, const std::string& dir) {
    srv.write_dir = dir;
}

void server_set_dedicated(server& srv, uint8_t dedicated) {
    srv.dedicated = dedicated;
}

void server_set_texture_dir(server& srv, const std::string& dir) {
    srv.texture_dir = dir;
}

void server_set_lmap_dir(server& srv, const std::string& dir) {
    srv.lmap_dir = dir;
}

std::unique_ptr<file_stream> server_open_file(server& srv, const std::string& name, bool write) {
    auto stream = std::make_unique<file_stream>();
    if (write) {
        // A chunk stream cannot be written: the archives are no place to look.
        if (file_stream_open(*stream, srv.write_dir + name, kFileWrite | kFileCreate | kFileTruncate))
            return stream;
        return nullptr;
    }
    if (file_stream_open(*stream, srv.data_dir + name, kFileRead)) return stream;
    for (const auto& archive : srv.archives) {
        if (!pak_archive_has_chunk(*archive, name)) continue;
        stream = std::make_unique<file_stream>();
        file_stream_open_chunk(*stream, pak_archive_find_chunk(*archive, name));
        return stream;
    }
    return nullptr;
}

}  // namespace kv
