// Reads arbitrary bytes as a text table.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/file_stream.h"
#include "fuzz/memory_chunk_reader.h"
#include "util/text_table.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    text_table table;
    if (!text_table_read(table, stream)) std::abort();
    // The entries hold the input's bytes, joined by at most one line feed per line read.
    std::size_t total = 0;
    for (const std::string& entry : table.entries) total += entry.size();
    if (total > size + size / kMaxLineLength) std::abort();
    return 0;
}
