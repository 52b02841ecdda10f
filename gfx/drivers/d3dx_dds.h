#pragma once
// D3DX's texture from a DDS file, on the Direct3D-shaped layer: the bytes are read by the DDS reader
// of the OpenGL driver (gfx/dds_file.h), so both drivers take and refuse the same files.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/d3d_layer.h"

namespace kv {

// A DXT1, DXT3 or DXT5 texture with the file's levels. Short or inconsistent bytes, and sides above
// the device's largest texture (without a device: 4096), are refused with a log line.
d3d_result d3dx_create_texture_from_dds(const d3d_device* device, const uint8_t* bytes, std::size_t size,
                                        std::unique_ptr<d3d_texture>& out);

}  // namespace kv
