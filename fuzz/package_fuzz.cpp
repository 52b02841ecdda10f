// Reads arbitrary bytes as a package into a world server, then looks names up in it, resolves
// references against it and unloads it. Damage must leave the package empty, never crash.

#include <cstdint>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    server srv;
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    if (!package_list_load(srv, "fuzz", stream)) return 0;
    package& p = *srv.packages.front();
    shader* shader_slot = nullptr;
    sector* sector_slot = nullptr;
    for (const sector* s : p.sectors.items) {
        ref_list_add(ref_list(), kRefSector, "fuzz", s->name, &sector_slot);
        server_resolve_sector(srv, s->name, s);
        server_resolve_sector(srv, "fuzz:" + s->name, nullptr);
    }
    for (const view_set* screen : p.screens.items) {
        package_find_screen(p, screen->name);
        for (const view* v : screen->views.items) view_set_find_view(*screen, v->name);
    }
    for (const arty_description* d : p.arties.items) {
        if (d->parameters) token_list_count(*d->parameters);
    }
    for (const std::string& import : p.imports)
        ref_list_add_shader(ref_list(), import, "basic", &shader_slot);
    ref_list_resolve(ref_list(), srv.packages);
    package_destroy(srv, p);
    return 0;
}
