// Reads arbitrary bytes as the configuration file "net.cfg".

#include <cstdint>
#include <cstdlib>

#include "data/file_stream.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "kernel/neighbour_standins.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static server srv;
    standins_reset();
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    server_apply_config(srv, stream);
    // At most one master address per line read.
    if (standins().calls.size() > size / 7 + 1) std::abort();
    return 0;
}
