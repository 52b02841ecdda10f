// Reads arbitrary bytes as a QXTX texture: a damaged file must leave no pixels, and an accepted one at
// least the bytes its size and kind need.

#include <cstdint>

#include "gfx/texture.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    texture t;
    t.quiet = 1;
    const bool ok = texture_read_qxtx(t, data, size, "fuzz");
    if (!ok && !t.pixels.empty()) __builtin_trap();
    if (ok && (t.width == 0 || t.height == 0 || t.pixels.size() + 12 != size)) __builtin_trap();
    if (ok && t.pixels.size() < static_cast<std::size_t>(t.width) * t.height) __builtin_trap();
    return 0;
}
