#include "world/lmap_binding.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "util/byte_order.h"
#include "world/world_read.h"

namespace kv {
namespace {

const char* const kWhat = "light-map binding";

// n colours of three bytes each, stored with a fourth byte 0.
void read_colours(qxps_stream& s, uint32_t n, std::vector<uint8_t>& out) {
    const uint8_t* in = world_take(s, n, 3, kWhat);
    out.reserve(static_cast<std::size_t>(n) * 4);
    for (std::size_t i = 0; i < n; ++i, in += 3) out.insert(out.end(), {in[0], in[1], in[2], 0});
}

}  // namespace

std::unique_ptr<lmap_binding> lmap_binding_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto binding = std::make_unique<lmap_binding>();
    qxps_stream_enter_chunk(s, binding.get());
    read_colours(s, qxps_stream_read_u16(s), binding->colours);
    const uint32_t coord_count = qxps_stream_read_u32(s);
    const uint8_t* in = world_take(s, coord_count, 8, kWhat);
    binding->coords.reserve(coord_count);
    for (std::size_t i = 0; i < coord_count; ++i, in += 8)
        binding->coords.push_back({be_load_f32(in), be_load_f32(in + 4)});
    const uint32_t id_count = qxps_stream_read_u32(s);
    in = world_take(s, id_count, 4, kWhat);
    binding->ids.resize(id_count);
    for (std::size_t i = 0; i < id_count; ++i)
        binding->ids[i] = static_cast<int32_t>(be_load_u32(in + 4 * i));
    read_colours(s, qxps_stream_read_u32(s), binding->colours2);
    qxps_stream_leave_chunk(s);
    return binding;
}

void lmap_binding_set_page(lmap_binding& b, const uint16_t face[3], int32_t page) {
    const bool none = face[0] >= b.ids.size() || b.ids[face[0]] < 0;
    for (int i = 0; i < 3; ++i) {
        const uint16_t vertex = face[i];
        if (none && vertex < b.coords.size()) b.coords[vertex] = {0.5f, 0.5f};
        if (vertex < b.ids.size()) b.ids[vertex] = page;
    }
}

void lmap_binding_transform(lmap_binding& b, const uint16_t face[3], const affine2& placement) {
    for (int i = 0; i < 3; ++i) {
        if (face[i] >= b.coords.size()) continue;
        lmap_uv& uv = b.coords[face[i]];
        const lmap_uv old = uv;
        uv.u = placement.a * old.u + placement.b * old.v + placement.tx;
        uv.v = placement.c * old.u + placement.d * old.v + placement.ty;
    }
}

}  // namespace kv
