// Reads arbitrary bytes as the configuration file "net.cfg".

#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/file_stream.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static server srv;
    srv.client.master_address_text.clear();
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    server_apply_config(srv, stream);
    // The master address comes from a "master" line of the input (whose carriage returns the line
    // reader drops), nowhere else.
    const std::string& master = srv.client.master_address_text;
    if (master.empty()) return 0;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::erase(input, '\r');
    if (input.find("master:" + master) == std::string::npos) std::abort();
    return 0;
}
