#include "world/lmap_binding.h"

#include <map>

#include "data/package.h"
#include "data/qxps_stream.h"
#include "gfx/texture.h"
#include "kernel/kernel.h"
#include "util/byte_order.h"
#include "world/lmap_file.h"
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

constexpr std::size_t kFaceSize = 3;

// The light map of the face's first vertex, or -1.
int32_t face_id(const lmap_binding& b, const lmap_file& store, const uint16_t* face) {
    if (face[0] >= b.ids.size()) return -1;
    const int32_t id = b.ids[face[0]];
    return lmap_file_has(store, id) ? id : -1;
}

bool selected(uint8_t vertices, int i) {
    return (vertices >> i) & 1u;
}

std::map<int32_t, std::unique_ptr<texture>>& registry() {
    static std::map<int32_t, std::unique_ptr<texture>> textures;
    return textures;
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

void lmap_binding_prepare(lmap_binding& b, const lmap_file& store, std::vector<lmap_face_record>& out,
                          std::span<const uint16_t> faces) {
    if (b.ids.empty()) return;
    const std::size_t count = faces.size() / kFaceSize;
    bool any = false;
    for (std::size_t f = 0; f < count && !any; ++f) {
        const uint16_t first = faces[f * kFaceSize];
        any = first < b.ids.size() && b.ids[first] >= 0;
    }
    if (!any) return;
    for (std::size_t f = 0; f < count; ++f) {
        const uint16_t* face = faces.data() + f * kFaceSize;
        const int32_t id = face_id(b, store, face);
        out.push_back({&b, id < 0 ? 1 : lmap_file_entry(store, id).side, id, {face[0], face[1], face[2]}});
    }
}

void lmap_binding_set_page(lmap_binding& b, const uint16_t face[3], int32_t page, uint8_t vertices) {
    const bool none = face[0] >= b.ids.size() || b.ids[face[0]] < 0;
    for (int i = 0; i < 3; ++i) {
        if (!selected(vertices, i)) continue;
        const uint16_t vertex = face[i];
        if (none && vertex < b.coords.size()) b.coords[vertex] = {0.5f, 0.5f};
        if (vertex < b.ids.size()) b.ids[vertex] = page;
    }
}

void lmap_binding_transform(lmap_binding& b, const uint16_t face[3], const affine2& placement,
                            uint8_t vertices) {
    for (int i = 0; i < 3; ++i) {
        if (!selected(vertices, i) || face[i] >= b.coords.size()) continue;
        lmap_uv& uv = b.coords[face[i]];
        const lmap_uv old = uv;
        uv.u = placement.a * old.u + placement.b * old.v + placement.tx;
        uv.v = placement.c * old.u + placement.d * old.v + placement.ty;
    }
}

void lmap_binding_fill(lmap_binding& b) {
    b.generation = lmap_registry_generation();
    b.textures.assign(b.ids.size(), nullptr);
    for (std::size_t i = 0; i < b.ids.size(); ++i) b.textures[i] = lmap_registry_get(b.ids[i]);
}

texture* lmap_registry_get(int32_t id) {
    // Ids the packing did not rewrite may name nothing; they mean "no light map".
    if (!lmap_file_has(kernel_get().graphics.lightmaps, id)) return nullptr;
    std::unique_ptr<texture>& slot = registry()[id];
    if (!slot) slot = texture_create_for_lmap(id);
    return slot.get();
}

namespace {

uint32_t& registry_generation() {
    static uint32_t generation = 0;
    return generation;
}

}  // namespace

void lmap_registry_clear() {
    registry().clear();
    ++registry_generation();
}

uint32_t lmap_registry_generation() {
    return registry_generation();
}

}  // namespace kv
