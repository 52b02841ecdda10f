#pragma once
// The surface materials table: material name to the record that says how a surface behaves and
// sounds. Owned by the kernel, filled once at start-up, constant afterwards.
//
// Rows are ordered by byte-wise name order; a row's index is its position in that order and is the
// same in every copy of the program, so materials cross the network as their index in one byte
// (kSurfaceWireNone for none). Nothing ever adds a row after the build: a name outside the table
// gets the default row, whose name is empty.

#include <cstdint>
#include <map>
#include <string>

namespace kv {

// Kinds of surface.
inline constexpr int32_t kSurfaceKindSolid = -1;
inline constexpr int32_t kSurfaceKindWater = 0;
inline constexpr int32_t kSurfaceKindFoliage = 1;
inline constexpr int32_t kSurfaceKindLimit = 2;
inline constexpr int32_t kSurfaceKindGlass = 3;
inline constexpr int32_t kSurfaceKindGlassSeeThrough = 4;
inline constexpr int32_t kSurfaceKindGlassPlain = 5;
inline constexpr int32_t kSurfaceKindThrough = 6;
inline constexpr int32_t kSurfaceKindShoot = 7;

// Slots of `sounds` and `effects`.
inline constexpr int kSoundWalk = 0;
inline constexpr int kSoundPass = 1;
inline constexpr int kSoundHit = 2;
inline constexpr int kSoundRico = 3;
inline constexpr int kSoundShell = 4;
inline constexpr int kSoundJump = 5;
inline constexpr int kEffectImpact = 0;
inline constexpr int kEffectImpactSmall = 1;

inline constexpr int32_t kSurfaceTableRows = 42;
// The wire byte of "no material".
inline constexpr uint8_t kSurfaceWireNone = 0xFF;

struct surface_material {
    int32_t kind = kSurfaceKindSolid;
    float min_distance = 0.0f;
    float max_distance = 0.0f;
    int32_t cone_outside_volume = 0;
    float fog_colour[4] = {};
    float flow_direction[4] = {};
    float fog_density = 0.0f;  // negative: the fog is not changed
    float scroll_speed = 0.0f;
    uint8_t blast_absorption = 0;
    uint8_t restitution = 0;
    std::string sounds[6];  // empty: none
    std::string effects[2];
};

struct surface_table {
    std::map<std::string, surface_material> rows;
};

// Fills the table with its built-in rows, replacing whatever it held.
void surface_table_build(surface_table& table);
// The row of exactly that name, else the default row; null only while the table is empty.
const surface_material* surface_table_get(const surface_table& table, const std::string& name);
// The row's index, or -1 for null or a pointer that is not a row of the table.
int32_t surface_table_index_of(const surface_table& table, const surface_material* row);
// The row at that index, or null outside the table.
const surface_material* surface_table_at(const surface_table& table, int32_t index);

// The byte a material travels as: its index, kSurfaceWireNone for none.
inline uint8_t surface_table_wire_byte(const surface_table& table, const surface_material* row) {
    return static_cast<uint8_t>(surface_table_index_of(table, row));
}
// The material a received byte names; null for kSurfaceWireNone and any byte past the last row.
inline const surface_material* surface_table_from_wire(const surface_table& table, uint8_t byte) {
    return surface_table_at(table, byte);
}

}  // namespace kv
