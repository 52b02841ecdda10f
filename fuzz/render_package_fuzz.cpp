// Reads arbitrary bytes as a layer description (16-bit size, then a token list) followed by a
// package of renderer records (shaders, surfaces, screens with views and viewports), resolves the
// package's references, runs every shader dry with the description and with each surface layer as
// its arguments, runs the surfaces, gives them basic-map layers and unloads the package. Damage must
// leave the package empty or its records whole, never crash.

#include <cstdint>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "gfx/shader.h"
#include "gfx/surface.h"
#include "util/token_list.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::size_t layer_size =
        std::min<std::size_t>((static_cast<std::size_t>(data[0]) << 8) | data[1], size - 2);
    token_list layer;
    const bool has_layer = token_list_init(layer, layer_size, data + 2);
    const uint8_t* package_bytes = data + 2 + layer_size;
    const std::size_t package_size = size - 2 - layer_size;

    server srv;
    srv.current_level_name = "fuzz";
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(package_bytes, package_size));
    if (!package_list_load(srv, "fuzz", stream)) return 0;
    ref_list_resolve(ref_list(), srv.packages);
    package& p = *srv.packages.front();

    gfx g;  // no display driver: nothing is uploaded
    for (const shader* s : p.shaders.items) {
        layer_state state;
        shader_run_dry(*s, g, has_layer ? &layer : nullptr, state);
        for (const surface* surf : p.surfaces.items) {
            for (const auto& description : surf->descriptions) {
                if (description) shader_run_dry(*s, g, description.get(), state);
            }
        }
    }
    for (surface* surf : p.surfaces.items) {
        surface_run(*surf, g);
        surface_basicmap_layer(*surf, srv, "lm");
        surface_basicmap_layer(*surf, srv, "lm");
        surface_run(*surf, g);
    }
    for (const view_set* screen : p.screens.items) {
        for (const view* v : screen->views.items) view_set_find_view(*screen, v->name);
    }
    package_destroy(srv, p);
    return 0;
}
