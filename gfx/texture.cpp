#include "gfx/texture.h"

namespace kv {

std::unique_ptr<texture> texture_create(const std::string& name) {
    auto t = std::make_unique<texture>();
    t->name = name;
    return t;
}

bool texture_is_loaded(const texture& t) {
    return t.dds_state == kDdsFound || !t.pixels.empty() || t.uploaded != 0;
}

bool texture_has_alpha(const texture& t) {
    return (t.kind >= kTextureNotUploaded && t.kind <= kTextureAlpha) || t.kind == kTextureAlphaKind9;
}

bool texture_has_two_level_alpha(const texture& t) {
    return texture_has_alpha(t) && t.two_level_alpha != 0;
}

void texture_free_pixels(texture& t) {
    t.pixels.clear();
    t.pixels.shrink_to_fit();
}

}  // namespace kv
