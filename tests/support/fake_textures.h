#pragma once
// A fake texture list for the interface tests: the names added here are in the front end's texture
// cache with an image, as the loader would leave them; every other name goes to the loader, finds no
// file and has no image.

#include <cstdint>
#include <string>

#include "gfx/gfx.h"
#include "gfx/texture.h"

namespace kv {

// A 2 x 2 RGBA record of that name in the cache (replacing none: the name must be new).
inline texture& fake_texture_add(gfx& g, const std::string& name) {
    g.textures.push_back(texture_create(name));
    texture& t = *g.textures.back();
    g.texture_index[name] = &t;
    t.kind = kTextureRgba;
    t.width = t.height = 2;
    t.bytes_per_texel = 4;
    t.pixels.assign(16, 0xFF);
    return t;
}

}  // namespace kv
