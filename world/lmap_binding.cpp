#include "world/lmap_binding.h"

namespace kv {

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
