#include "gfx/sized_token_list.h"

#include <vector>

#include "data/qxps_stream.h"
#include "util/text.h"

namespace kv {

std::size_t chunk_bytes_left(const qxps_stream& in) {
    return in.limit > in.position ? in.limit - in.position : 0;
}

std::unique_ptr<token_list> read_sized_token_list(qxps_stream& in, const std::string& what) {
    const uint32_t size = qxps_stream_read_u32(in);
    if (size > chunk_bytes_left(in)) {
        throw read_error(str_format("[PS] The %u bytes of %s run past its chunk", size, what.c_str()));
    }
    std::vector<uint8_t> bytes(size);
    qxps_stream_read_bytes(in, bytes.data(), size);
    auto list = std::make_unique<token_list>();
    if (!token_list_init(*list, size, bytes.data())) {
        throw read_error(str_format("[PS] Damaged %s", what.c_str()));
    }
    return list;
}

}  // namespace kv
