// Reads arbitrary bytes as a hit-map Targa image and samples it: a damaged file must be refused
// with a reason, and sampling any image at any coordinates must stay inside it.

#include <cstdint>
#include <cstring>
#include <string>

#include "world/hit_map.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    image8 image;
    std::string error;
    const bool ok = hit_map_read_targa(data, size, image, error);
    if (!ok && error.empty()) __builtin_trap();
    // Sample at coordinates taken from the input's tail, including negative and huge ones.
    for (std::size_t at = 0; at + 8 <= size && at < 256; at += 8) {
        float u;
        float v;
        std::memcpy(&u, data + size - 8 - at, 4);
        std::memcpy(&v, data + size - 4 - at, 4);
        (void)image8_sample(image, u, v);
    }
    return 0;
}
