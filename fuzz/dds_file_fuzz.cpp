// Reads arbitrary bytes as a DDS file, then walks the levels it says it holds. Damage must end in a
// refusal, never in a read out of bounds or a level beyond the data. The same bytes go to the
// Direct3D-shaped layer's texture from DDS bytes, whose levels are then decoded.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx/dds_file.h"
#include "gfx/drivers/d3dx_dds.h"
#include "platform/d3d_layer.h"

using namespace kv;

namespace {

void feed_the_layer(const uint8_t* data, size_t size) {
    std::unique_ptr<d3d_texture> t;
    if (d3dx_create_texture_from_dds(nullptr, data, size, t) < 0) {
        if (t != nullptr) std::abort();
        return;
    }
    std::vector<uint32_t> texels;
    for (uint32_t level = 0; level < t->level_count(); ++level) {
        d3d_surface& s = *t->surface_level(level);
        if (!s.read_argb({0, 0, static_cast<int32_t>(s.width()), static_cast<int32_t>(s.height())}, texels))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    feed_the_layer(data, size);
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
