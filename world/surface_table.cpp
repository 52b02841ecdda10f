#include "world/surface_table.h"

#include <cmath>
#include <iterator>
#include <string_view>

namespace kv {
namespace {

// The built-in rows that carry sounds and numbers; the default row and "limit" only have a kind.
struct row_values {
    const char* name;
    int32_t kind;
    float min_distance;
    float max_distance;
    int32_t cone_outside_volume;
    uint8_t blast_absorption;
    uint8_t restitution;
    const char* sounds[6];
    const char* effects[2];
};

// clang-format off
constexpr row_values kRows[] = {
    {"biggr", 1, 1500.0f, 2500.0f, 0, 4, 89, {"", "pass-bush", "hit-bush", "rico-bush", "sh-grass", "jmp-grass"}, {"", ""}},
    {"brash", -1, 1500.0f, 2500.0f, 0, 255, 13, {"walk-brash", "", "hit-brash", "rico-sand", "sh-sand", "jmp-brash"}, {"hit_conc", "hit_wood_sm"}},
    {"brick10", -1, 1500.0f, 2500.0f, 0, 51, 102, {"walk-conc", "", "hit-brick", "rico-brick", "sh-conc", "jmp-conc"}, {"hit_brick", "hit_wood_sm"}},
    {"brick20", -1, 1500.0f, 2500.0f, 0, 90, 102, {"walk-conc", "", "hit-brick", "rico-brick", "sh-conc", "jmp-conc"}, {"hit_brick", "hit_wood_sm"}},
    {"brick30", -1, 1500.0f, 2500.0f, 0, 128, 102, {"walk-conc", "", "hit-brick", "rico-brick", "sh-conc", "jmp-conc"}, {"hit_brick", "hit_wood_sm"}},
    {"brick40", -1, 1500.0f, 2500.0f, 0, 191, 102, {"walk-conc", "", "hit-brick", "rico-brick", "sh-conc", "jmp-conc"}, {"hit_brick", "hit_wood_sm"}},
    {"brick50", -1, 1500.0f, 2500.0f, 0, 255, 102, {"walk-conc", "", "hit-brick", "rico-brick", "sh-conc", "jmp-conc"}, {"hit_brick", "hit_wood_sm"}},
    {"clay", -1, 1500.0f, 2500.0f, 0, 255, 13, {"walk-clay", "", "hit-clay", "rico-sand", "sh-sand", "jmp-clay"}, {"hit_clay", "hit_wood_sm"}},
    {"concrete10", -1, 1500.0f, 2500.0f, 0, 153, 128, {"walk-conc", "", "hit-conc", "rico-conc", "sh-conc", "jmp-conc"}, {"hit_conc", "hit_wood_sm"}},
    {"concrete15", -1, 1500.0f, 2500.0f, 0, 204, 128, {"walk-conc", "", "hit-conc", "rico-conc", "sh-conc", "jmp-conc"}, {"hit_conc", "hit_wood_sm"}},
    {"concrete20", -1, 1500.0f, 2500.0f, 0, 255, 128, {"walk-conc", "", "hit-conc", "rico-conc", "sh-conc", "jmp-conc"}, {"hit_conc", "hit_wood_sm"}},
    {"concrete5", -1, 1500.0f, 2500.0f, 0, 102, 128, {"walk-conc", "", "hit-conc", "rico-conc", "sh-conc", "jmp-conc"}, {"hit_conc", "hit_wood_sm"}},
    {"cratem", -1, 1500.0f, 2500.0f, 0, 102, 102, {"walk-cratem", "", "hit-cratem", "rico-metal", "sh-metal", "jmp-cratem"}, {"hit_metal", "hit_wood_sm"}},
    {"cratep", -1, 1500.0f, 2500.0f, 0, 1, 51, {"walk-cratep", "", "hit-cratep", "rico-wood", "sh-wood", "jmp-cratep"}, {"hit_cratep", "hit_wood_sm"}},
    {"cratew", -1, 1500.0f, 2500.0f, 0, 25, 102, {"walk-cratew", "", "hit-cratew", "rico-wood", "sh-wood", "jmp-cratew"}, {"hit_wood", "hit_wood_sm"}},
    {"glass", 3, 1500.0f, 2500.0f, 0, 1, 0, {"walk-glass", "", "hit-glass", "rico-glass", "sh-conc", "jmp-glass"}, {"hit_glass", "hit_glass_sm"}},
    {"glass1", 4, 1500.0f, 2500.0f, 0, 255, 128, {"walk-glass", "", "hit-glass", "rico-glass", "sh-conc", "jmp-glass"}, {"hit_glass", "hit_glass_sm"}},
    {"glass2", 5, 1500.0f, 2500.0f, 0, 1, 128, {"walk-glass", "", "hit-glass", "rico-glass", "sh-conc", "jmp-glass"}, {"hit_glass", "hit_glass_sm"}},
    {"grass", -1, 1500.0f, 2500.0f, 0, 255, 76, {"walk-grass", "", "hit-grass", "rico-grass", "sh-grass", "jmp-grass"}, {"hit_clay", "hit_wood_sm"}},
    {"metal1", -1, 1500.0f, 2500.0f, 0, 26, 128, {"walk-metal", "", "hit-metal", "rico-metal", "sh-metal", "jmp-metal"}, {"hit_metal", "hit_wood_sm"}},
    {"metal2", -1, 1500.0f, 2500.0f, 0, 128, 128, {"walk-metal", "", "hit-metal", "rico-metal", "sh-metal", "jmp-metal"}, {"hit_metal", "hit_wood_sm"}},
    {"metal3", -1, 1500.0f, 2500.0f, 0, 255, 128, {"walk-metal", "", "hit-metal", "rico-metal", "sh-metal", "jmp-metal"}, {"hit_metal", "hit_wood_sm"}},
    {"mud", -1, 1500.0f, 2500.0f, 0, 255, 1, {"walk-mud", "", "hit-mud", "rico-sand", "sh-sand", "jmp-mud"}, {"hit_clay", "hit_wood_sm"}},
    {"reed", 1, 1500.0f, 2500.0f, 0, 1, 1, {"", "pass-reed", "hit-reed", "rico-reed", "sh-grass", "jmp-grass"}, {"", ""}},
    {"rock", -1, 300.0f, 3500.0f, 0, 255, 102, {"walk-rock", "", "hit-rock", "rico-rock", "sh-conc", "jmp-rock"}, {"hit_conc", "hit_wood_sm"}},
    {"sand", -1, 1500.0f, 2500.0f, 0, 255, 13, {"walk-sand", "", "hit-sand", "rico-sand", "sh-sand", "jmp-sand"}, {"hit_sand", "hit_wood_sm"}},
    {"shoot", 7, 1500.0f, 2500.0f, 0, 1, 0, {"", "", "", "", "", ""}, {"", ""}},
    {"smgr", 1, 1500.0f, 2500.0f, 0, 2, 89, {"", "pass-bgrass", "hit-bgrass", "rico-bgrass", "sh-grass", "jmp-grass"}, {"", ""}},
    {"through", 6, 1500.0f, 2500.0f, 0, 1, 0, {"", "", "", "", "", ""}, {"", ""}},
    {"tiles", -1, 300.0f, 3500.0f, 0, 255, 102, {"walk-tiles", "", "hit-tiles", "rico-conc", "sh-conc", "jmp-tiles"}, {"hit_tiles", "hit_wood_sm"}},
    {"water1", 0, 1500.0f, 2500.0f, -1, 11, 0, {"", "pass-water", "hit-water", "", "sh-water", "jmp-water"}, {"hit_water", ""}},
    {"water2", 0, 1500.0f, 2500.0f, -1, 11, 0, {"", "pass-water", "hit-water", "", "sh-water", "jmp-water"}, {"hit_water", ""}},
    {"water3", 0, 1500.0f, 2500.0f, -1, 11, 0, {"", "pass-water", "hit-water", "", "sh-water", "jmp-water"}, {"hit_water", ""}},
    {"water4", 0, 1500.0f, 2500.0f, -1, 11, 0, {"", "pass-water", "hit-water", "", "sh-water", "jmp-water"}, {"hit_water", ""}},
    {"wood10", -1, 1500.0f, 2500.0f, 0, 51, 102, {"walk-wood", "", "hit-wood", "rico-wood", "sh-wood", "jmp-wood"}, {"hit_wood", "hit_wood_sm"}},
    {"wood15", -1, 1500.0f, 2500.0f, 0, 77, 102, {"walk-wood", "", "hit-wood", "rico-wood", "sh-wood", "jmp-wood"}, {"hit_wood", "hit_wood_sm"}},
    {"wood20", -1, 1500.0f, 2500.0f, 0, 102, 102, {"walk-wood", "", "hit-wood", "rico-wood", "sh-wood", "jmp-wood"}, {"hit_wood", "hit_wood_sm"}},
    {"wood30", -1, 1500.0f, 2500.0f, 0, 153, 102, {"walk-wood", "", "hit-wood", "rico-wood", "sh-wood", "jmp-wood"}, {"hit_wood", "hit_wood_sm"}},
    {"wood5", -1, 1500.0f, 2500.0f, 0, 26, 102, {"walk-wood", "", "hit-wood", "rico-wood", "sh-wood", "jmp-wood"}, {"hit_wood", "hit_wood_sm"}},
    {"wood50", -1, 1500.0f, 2500.0f, 0, 255, 102, {"walk-wood", "", "hit-wood", "rico-wood", "sh-wood", "jmp-wood"}, {"hit_wood", "hit_wood_sm"}},
};
// clang-format on

struct water_values {
    const char* name;
    float fog_colour[3];
    float fog_density;
};

// Every other row with sounds carries the values of "water4"; only water rows read them.
constexpr water_values kWater[] = {
    {"water1", {0.3f, 0.3f, 0.4f}, 0.0015f},
    {"water2", {0.3f, 0.33f, 0.16f}, 0.005f},
    {"water3", {0.3f, 0.4f, 0.5f}, 0.01f},
};
constexpr water_values kOtherWater = {"water4", {0.3f, 0.4f, 0.5f}, -1.0f};
constexpr float kScrollSpeed = 0.0075f;

const char* const kDefaultRowName = "";
const char* const kLimitRowName = "limit";

void set_water(surface_material& row, const water_values& water) {
    for (int i = 0; i < 3; ++i) row.fog_colour[i] = water.fog_colour[i];
    row.fog_colour[3] = 0.0f;
    // (1, 0, -1) made a unit vector.
    const float length = std::sqrt(2.0f);
    row.flow_direction[0] = 1.0f / length;
    row.flow_direction[1] = 0.0f;
    row.flow_direction[2] = -1.0f / length;
    row.flow_direction[3] = 0.0f;
    row.fog_density = water.fog_density;
    row.scroll_speed = kScrollSpeed;
}

}  // namespace

void surface_table_build(surface_table& table) {
    table.rows.clear();
    table.rows[kDefaultRowName].kind = kSurfaceKindSolid;
    table.rows[kLimitRowName].kind = kSurfaceKindLimit;
    for (const row_values& values : kRows) {
        surface_material& row = table.rows[values.name];
        row.kind = values.kind;
        row.min_distance = values.min_distance;
        row.max_distance = values.max_distance;
        row.cone_outside_volume = values.cone_outside_volume;
        row.blast_absorption = values.blast_absorption;
        row.restitution = values.restitution;
        for (int i = 0; i < 6; ++i) row.sounds[i] = values.sounds[i];
        for (int i = 0; i < 2; ++i) row.effects[i] = values.effects[i];
        set_water(row, kOtherWater);
        for (const water_values& water : kWater) {
            if (std::string_view(values.name) == water.name) set_water(row, water);
        }
    }
}

const surface_material* surface_table_get(const surface_table& table, const std::string& name) {
    auto it = table.rows.find(name);
    if (it == table.rows.end()) it = table.rows.find(kDefaultRowName);
    return it != table.rows.end() ? &it->second : nullptr;
}

int32_t surface_table_index_of(const surface_table& table, const surface_material* row) {
    if (!row) return -1;
    int32_t index = 0;
    for (const auto& entry : table.rows) {
        if (&entry.second == row) return index;
        ++index;
    }
    return -1;
}

const surface_material* surface_table_at(const surface_table& table, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(table.rows.size())) return nullptr;
    return &std::next(table.rows.begin(), index)->second;
}

}  // namespace kv
