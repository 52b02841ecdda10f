#pragma once
// A lamp record that a sector carries. Nothing in the world reads its fields after loading; they
// are kept as the file gives them.
//
// Stream form (its own chunk): u32; three vec3; four floats.

#include <cstdint>
#include <memory>

#include "util/vec3.h"

namespace kv {

struct package_read_context;

struct lamp_record {
    uint32_t value = 0;
    vec3 points[3];
    float values[4] = {};
};

// Builds a lamp record from the chunk of the stream's current id.
std::unique_ptr<lamp_record> lamp_record_read(package_read_context& ctx);

}  // namespace kv
