// Reads arbitrary bytes as a light-map file, then packs every entry it kept into pages. Damage
// must end in the loader's error or in light maps left out, never in a read or write out of bounds.

#include <cstdint>

#include "data/file_stream.h"
#include "data/read_error.h"
#include "fuzz/memory_chunk_reader.h"
#include "world/lmap_file.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lmap_file store;
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    try {
        lmap_file_read(store, stream);
    } catch (const read_error&) {
        return 0;
    }
    // A strip over one vertex per entry (and two past the table): neighbouring faces share two
    // vertices; two faces to a group.
    lmap_binding binding;
    const std::size_t vertices = store.table.size() < 256 ? store.table.size() + 2 : 258;
    for (std::size_t i = 0; i < vertices; ++i) {
        binding.coords.push_back({0.25f * static_cast<float>(i % 4), 0.5f});
        binding.ids.push_back(static_cast<int32_t>(i));
    }
    lmap_face_groups groups;
    for (std::size_t i = 0; i + 2 < vertices; ++i) {
        const uint16_t face[3] = {static_cast<uint16_t>(i), static_cast<uint16_t>(i + 1),
                                  static_cast<uint16_t>(i + 2)};
        lmap_binding_prepare(binding, store, groups[static_cast<uint16_t>(i / 2)], face);
    }
    lmap_file pages;
    lmap_pack(store, pages, groups, 256);
    return 0;
}
