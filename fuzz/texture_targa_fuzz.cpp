// Reads arbitrary bytes as a Targa texture and samples it: a damaged file must leave no pixels, and
// an accepted one exactly width x height x bytes per texel of them, which sampling never leaves.

#include <cstdint>
#include <cstring>

#include "gfx/gfx.h"
#include "gfx/texture.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    texture t;
    t.quiet = 1;
    const bool ok = texture_read_targa(t, data, size, "fuzz.tga");
    const std::size_t expected = static_cast<std::size_t>(t.width) * t.height * t.bytes_per_texel;
    if (ok != !t.pixels.empty()) __builtin_trap();
    if (ok && t.pixels.size() != expected) __builtin_trap();
    if (ok && t.two_level_alpha && t.bytes_per_texel != 4) __builtin_trap();
    for (std::size_t at = 0; at + 8 <= size && at < 128; at += 8) {
        float u;
        float v;
        std::memcpy(&u, data + size - 8 - at, 4);
        std::memcpy(&v, data + size - 4 - at, 4);
        const int32_t texel = texture_sample(t, u, v);
        if (texel < 0 || texel > 255) __builtin_trap();
    }
    return 0;
}
