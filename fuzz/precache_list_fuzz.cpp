// Reads arbitrary bytes as the texture precache list "precache.cfg".

#include <cstdint>
#include <cstdlib>

#include "data/file_stream.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server_load.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    std::size_t total = 0;
    for (const std::string& name : precache_read_names(stream)) {
        // Names are pieces of lines: never empty, never longer than a line, never holding a line feed.
        if (name.empty() || name.size() > kPrecacheLineMax || name.find('\n') != std::string::npos)
            std::abort();
        total += name.size();
    }
    if (total > size) std::abort();
    return 0;
}
