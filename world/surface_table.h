#pragma once
// The surface materials table: material name to the record that says how a surface behaves and
// sounds. Owned by the kernel, filled once at start-up, constant afterwards.

#include <cstdint>
#include <map>
#include <string>

namespace kv {

struct surface_material {
    int32_t kind = -1;
    float min_distance = 0.0f;
    float max_distance = 0.0f;
    int32_t cone_outside_volume = 0;
    float fog_colour[4] = {};
    float flow_direction[4] = {};
    float fog_density = 0.0f;
    float scroll_speed = 0.0f;
    uint8_t blast_absorption = 0;
    uint8_t restitution = 0;
    std::string sounds[6];
    std::string effects[2];
};

struct surface_table {
    std::map<std::string, surface_material> rows;
};

// Fills the empty table with its built-in rows.
void surface_table_build(surface_table& table);

}  // namespace kv
