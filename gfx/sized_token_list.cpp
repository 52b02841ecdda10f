#include "gfx/sized_token_list.h"

#include <vector>

#include "data/qxps_stream.h"
#include "world/world_read.h"

namespace kv {

std::unique_ptr<token_list> read_sized_token_list(qxps_stream& in, const std::string& what) {
    const uint32_t size = qxps_stream_read_u32(in);
    const uint8_t* bytes = world_take(in, size, 1, what);
    auto list = std::make_unique<token_list>();
    if (!token_list_init(*list, size, bytes)) world_corrupt(what, "damaged token list");
    return list;
}

}  // namespace kv
