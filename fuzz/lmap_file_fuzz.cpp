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
    // One face per entry (and one past the table), two entries to a group; the record sides are
    // the table's own, as the loader handed them out.
    lmap_binding binding;
    lmap_face_groups groups;
    const std::size_t faces = store.table.size() < 256 ? store.table.size() + 1 : 256;
    for (std::size_t i = 0; i < faces; ++i) {
        const auto id = static_cast<int32_t>(i);
        const auto first = static_cast<uint16_t>(binding.coords.size());
        for (int v = 0; v < 3; ++v) {
            binding.coords.push_back({0.25f * static_cast<float>(v), 0.5f});
            binding.ids.push_back(id);
        }
        groups[static_cast<uint16_t>(i / 2)].push_back(
            {&binding,
             lmap_file_entry(store, id).side,
             id,
             {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2)}});
    }
    lmap_file pages;
    lmap_pack(store, pages, groups, 256);
    return 0;
}
