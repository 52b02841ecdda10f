// Reads arbitrary bytes as a DDS file, then walks the levels it says it holds. Damage must end in a
// refusal, never in a read out of bounds or a level beyond the data.

#include <cstdint>
#include <cstdlib>

#include "gfx/dds_file.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dds_image image;
    if (!dds_parse(data, size, 4096, image, nullptr)) return 0;
    std::size_t end = 0;
    for (const dds_level& level : dds_levels(image)) {
        if (level.width < 1 || level.height < 1 || level.offset != end) std::abort();
        end = level.offset + level.size;
        // Every byte of the level is there.
        volatile uint8_t last = image.data[end - 1];
        (void)last;
    }
    if (end != image.data.size()) std::abort();
    return 0;
}
