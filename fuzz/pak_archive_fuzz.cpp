// Reads arbitrary bytes as a PAK archive, then every chunk it lists through two streams read
// alternately. A damaged directory must be refused with `read_error`; no chunk stream may yield
// more bytes than its entry holds.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/file_stream.h"
#include "data/pak_archive.h"
#include "data/read_error.h"
#include "fuzz/memory_chunk_reader.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pak_archive archive;
    file_stream_open_chunk(archive.stream, memory_chunk_reader(data, size));
    try {
        pak_archive_read_directory(archive);
    } catch (const read_error&) {
        return 0;
    }
    const std::size_t limit = std::min<std::size_t>(archive.entries.size(), 64);
    for (std::size_t i = 0; i < limit; ++i) {
        const pak_entry& entry = archive.entries[i];
        if (!pak_archive_has_chunk(archive, entry.name)) std::abort();
        // The name finds the first entry that bears it.
        const pak_entry& named = *pak_archive_find_chunk(archive, entry.name).entry;
        if (named.name != entry.name || &named > &entry) std::abort();
        file_stream a;
        file_stream b;
        file_stream_open_chunk(a, pak_chunk_reader(archive, entry));
        file_stream_open_chunk(b, pak_archive_find_chunk(archive, entry.name));
        if (file_stream_size(a) != entry.size || file_stream_tell(a) != 0) std::abort();
        file_stream_seek(b, named.size / 2);
        std::size_t total_a = 0;
        std::size_t total_b = named.size / 2;
        char buffer[97];
        for (;;) {
            std::size_t got_a = 0;
            std::size_t got_b = 0;
            const bool more_a = file_stream_read(a, buffer, sizeof buffer, &got_a);
            const bool more_b = file_stream_read(b, buffer, 13, &got_b);
            total_a += got_a;
            total_b += got_b;
            if (!more_a && !more_b) break;
        }
        if (total_a != entry.size || total_b != named.size) std::abort();
    }
    try {
        pak_archive_find_chunk(
            archive, std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 8)) + "?");
    } catch (const read_error&) {
    }
    return 0;
}
