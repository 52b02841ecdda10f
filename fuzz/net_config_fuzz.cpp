// Reads arbitrary bytes as the configuration file "net.cfg".

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

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
    // The master address comes from a "master" line of the input, nowhere else.
    const std::string& master = srv.client.master_address_text;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!master.empty() && input.find("master:" + master) == std::string_view::npos) std::abort();
    return 0;
}
