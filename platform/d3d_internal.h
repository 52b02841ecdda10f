#pragma once
// What the files of the Direct3D-shaped layer share and nobody else uses.

#include <cstdint>

#include "platform/d3d_types.h"

namespace kv {

class d3d_device;

// What a buffer or texture keeps of the device that made it: the device while it lives, and the
// count of its live default-pool buffers (a reset waits for none).
struct d3d_device_link {
    d3d_device* device = nullptr;
    uint32_t live_default_buffers = 0;
};

// The forced result of a call, or kD3dOk with `forced` false.
bool d3d_forced(int call, d3d_result& result);

// Block codecs: 16 ARGB texels (rows of 4) to and from one block of the format.
void d3d_decode_block(d3d_format format, const uint8_t* block, uint32_t texels[16]);
void d3d_encode_block(d3d_format format, const uint32_t texels[16], uint8_t* block);
uint32_t d3d_block_bytes(d3d_format format);

}  // namespace kv
