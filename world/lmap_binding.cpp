#include "world/lmap_binding.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "world/world_read.h"

namespace kv {
namespace {

const char* const kWhat = "light-map binding";

// n colours of three bytes each, stored with a fourth byte 0.
void read_colours(qxps_stream& s, uint32_t n, std::vector<uint8_t>& out) {
    world_check_room(s, n, 3, kWhat);
    out.assign(static_cast<std::size_t>(n) * 4, 0);
    for (uint32_t i = 0; i < n; ++i) qxps_stream_read_bytes(s, &out[static_cast<std::size_t>(i) * 4], 3);
}

}  // namespace

std::unique_ptr<lmap_binding> lmap_binding_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto binding = std::make_unique<lmap_binding>();
    qxps_stream_enter_chunk(s, binding.get());
    read_colours(s, qxps_stream_read_u16(s), binding->colours);
    const uint32_t coord_count = qxps_stream_read_u32(s);
    world_check_room(s, coord_count, 8, kWhat);
    binding->coords.resize(static_cast<std::size_t>(coord_count) * 2);
    for (float& value : binding->coords) value = qxps_stream_read_float(s);
    const uint32_t id_count = qxps_stream_read_u32(s);
    world_check_room(s, id_count, 4, kWhat);
    binding->ids.resize(id_count);
    for (int32_t& id : binding->ids) id = static_cast<int32_t>(qxps_stream_read_u32(s));
    read_colours(s, qxps_stream_read_u32(s), binding->colours2);
    qxps_stream_leave_chunk(s);
    return binding;
}

}  // namespace kv
