#include "gfx/drivers/d3dx_dds.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "gfx/dds_file.h"
#include "kernel/log.h"

namespace kv {

d3d_result d3dx_create_texture_from_dds(const d3d_device* device, const uint8_t* bytes, std::size_t size,
                                        std::unique_ptr<d3d_texture>& out) {
    int32_t largest = 4096;
    if (device != nullptr) {
        d3d_caps caps;
        device->caps(caps);
        largest = static_cast<int32_t>(std::min(caps.max_texture_width, caps.max_texture_height));
    }
    dds_image image;
    std::string why;
    if (!dds_parse(bytes, size, largest, image, &why)) {
        log_write("[D3D] DDS bytes refused: %s\n", why.c_str());
        return kD3dErrInvalidCall;
    }
    const d3d_format format = image.format == kDdsFormatDxt1   ? kD3dFmtDxt1
                              : image.format == kDdsFormatDxt3 ? kD3dFmtDxt3
                                                               : kD3dFmtDxt5;
    std::unique_ptr<d3d_texture> t;
    const d3d_result created =
        d3dx_create_texture(device, static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height),
                            static_cast<uint32_t>(image.mip_count), 0, format, kD3dPoolManaged, t);
    if (created < 0) return created;
    const std::vector<dds_level> levels = dds_levels(image);
    if (levels.size() != t->level_count()) {
        log_write("[D3D] DDS bytes refused: %zu levels where the texture has %u\n", levels.size(),
                  t->level_count());
        return kD3dErrInvalidCall;
    }
    for (uint32_t i = 0; i < t->level_count(); ++i) {
        d3d_locked_rect locked;
        d3d_surface_desc desc;
        t->level_desc(i, desc);
        const dds_level& level = levels[i];
        if (desc.size != level.size || level.offset + level.size > image.data.size() ||
            t->lock_rect(i, locked, nullptr, 0) < 0) {
            log_write("[D3D] DDS bytes refused: level %u does not match the texture\n", i);
            return kD3dErrInvalidCall;
        }
        std::memcpy(locked.bits, image.data.data() + level.offset, level.size);
        t->unlock_rect(i);
    }
    out = std::move(t);
    return kD3dOk;
}

}  // namespace kv
