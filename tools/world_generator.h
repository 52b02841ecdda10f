#pragma once
// A generated level held in memory (no package): one sector with a floor and a square grid of
// crates (each a closed box of six quads, or of twelve triangles), numbered, under a balanced
// object tree whose inner nodes carry their split planes. Some crates are water or foliage. Every
// crate is painted with one surface of one flat-coloured layer. Used by the trace and collision benchmarks and the
// fuzz target.

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/shader.h"
#include "gfx/surface.h"
#include "world/geometry.h"
#include "world/sector.h"

namespace kv::tools {

struct generated_world {
    std::vector<std::unique_ptr<geometry>> geometries;
    std::unique_ptr<shader> crate_shader;
    std::unique_ptr<surface> crate_surface;
    std::unique_ptr<sector> hall;
    float size = 0.0f;  // the hall spans 0..size on x and z
};

inline constexpr float kGeneratedCell = 200.0f;
inline constexpr float kGeneratedCrate = 100.0f;

// side x side crates; `seed` varies their heights and kinds.
std::unique_ptr<generated_world> generate_world(int side, uint32_t seed);

}  // namespace kv::tools
