#include "beings/weapon_models.h"

#include "beings/weapon_table.h"

namespace kv {
namespace {

struct model_row {
    const char* first_person_word;  // a silenced kind shows its plain twin's parts
    uint16_t parts;                 // bit n: a part on first-person slot n
    int32_t world_models;
};

// clang-format off
constexpr model_row kModelRows[kWeaponKinds] = {
    {"m4a1", 0x0063, 2},  // 0: 0 1 5 6
    {"m203", 0x0063, 2},  // 1: 0 1 5 6
    {"aug", 0x0063, 2},  // 2: 0 1 5 6
    {"g3", 0x0063, 2},  // 3: 0 1 5 6
    {"g3l", 0x0073, 2},  // 4: 0 1 4 5 6
    {"g36", 0x0043, 2},  // 5: 0 1 6
    {"g51", 0x0063, 2},  // 6: 0 1 5 6
    {"g51opt", 0x0063, 2},  // 7: 0 1 5 6
    {"ak47", 0x0063, 2},  // 8: 0 1 5 6
    {"ak74", 0x0063, 2},  // 9: 0 1 5 6
    {"ak74gl", 0x03f3, 2},  // 10: 0 1 4 5 6 7 8 9
    {"microgalil", 0x0043, 2},  // 11: 0 1 6
    {"famas", 0x0063, 2},  // 12: 0 1 5 6
    {"groza", 0x0053, 2},  // 13: 0 1 4 6
    {"vz58", 0x0063, 2},  // 14: 0 1 5 6
    {"mp5k", 0x0063, 2},  // 15: 0 1 5 6
    {"mp5k", 0x0073, 2},  // 16: 0 1 4 5 6
    {"mp5a4", 0x0063, 2},  // 17: 0 1 5 6
    {"ump", 0x0063, 2},  // 18: 0 1 5 6
    {"miniuzi", 0x0063, 2},  // 19: 0 1 5 6
    {"miniuzi", 0x0073, 2},  // 20: 0 1 4 5 6
    {"microuzi", 0x0063, 2},  // 21: 0 1 5 6
    {"aek919", 0x0063, 2},  // 22: 0 1 5 6
    {"aek919", 0x0073, 2},  // 23: 0 1 4 5 6
    {"vz61", 0x0063, 2},  // 24: 0 1 5 6
    {"rpk47", 0x0063, 2},  // 25: 0 1 5 6
    {"rpk74", 0x0063, 2},  // 26: 0 1 5 6
    {"m249", 0xff73, 2},  // 27: 0 1 4 5 6 8 9 10 11 12 13 14 15
    {"psg1", 0x0063, 2},  // 28: 0 1 5 6
    {"svd", 0x0043, 2},  // 29: 0 1 6
    {"g3sg1", 0x0063, 2},  // 30: 0 1 5 6
    {"sr25", 0x0063, 2},  // 31: 0 1 5 6
    {"aws", 0x0063, 2},  // 32: 0 1 5 6
    {"vss", 0x0043, 2},  // 33: 0 1 6
    {"m24", 0x0463, 1},  // 34: 0 1 5 6 10
    {"mk23", 0x00e3, 2},  // 35: 0 1 5 6 7
    {"mk23", 0x00f3, 2},  // 36: 0 1 4 5 6 7
    {"p226", 0x00e3, 2},  // 37: 0 1 5 6 7
    {"m1911", 0x00e3, 2},  // 38: 0 1 5 6 7
    {"glock17", 0x0063, 2},  // 39: 0 1 5 6
    {"glock18", 0x0063, 2},  // 40: 0 1 5 6
    {"sb3", 0x00e3, 2},  // 41: 0 1 5 6 7
    {"apb", 0x00e3, 2},  // 42: 0 1 5 6 7
    {"apb", 0x00f3, 2},  // 43: 0 1 4 5 6 7
    {"cz75", 0x00e3, 2},  // 44: 0 1 5 6 7
    {"mr73", 0xfee1, 2},  // 45: 0 5 6 7 9 10 11 12 13 14 15
    {"mr73o", 0xfee1, 2},  // 46: 0 5 6 7 9 10 11 12 13 14 15
    {"fiveseven", 0x0063, 2},  // 47: 0 1 5 6
    {"spas12", 0x0161, 1},  // 48: 0 5 6 8
    {"spas15", 0x00e3, 2},  // 49: 0 1 5 6 7
    {"ks23m", 0x0161, 1},  // 50: 0 5 6 8
    {"saiga12", 0x0003, 2},  // 51: 0 1
    {"kabar", 0x0001, 1},  // 52: 0
    {"tanto", 0x0001, 1},  // 53: 0
    {"shovel", 0x0001, 1},  // 54: 0
    {"frag", 0x0001, 1},  // 55: 0
    {"frag", 0x0001, 1},  // 56: 0
    {"smoke", 0x0001, 1},  // 57: 0
    {"stun", 0x0001, 1},  // 58: 0
    {nullptr, 0x0000, 1},  // 59: -
    {"c4", 0xffe1, 1},  // 60: 0 5 6 7 8 9 10 11 12 13 14 15
    {"key", 0x0001, 1},  // 61: 0
    {nullptr, 0x0000, 0},  // 62: -
    {nullptr, 0x0000, 0},  // 63: -
};
// clang-format on

}  // namespace

weapon_models weapon_models_find(int32_t weapon) {
    weapon_models models;
    const char* word = weapon_model_word(weapon);
    if (!word) return models;
    const model_row& row = kModelRows[weapon];
    const std::string world = kWeaponModelPrefix + std::string(word);
    for (int32_t i = 0; i < row.world_models; ++i) models.world.push_back(world + "-" + std::to_string(i));
    if (!row.first_person_word) return models;
    const std::string first_person = kWeaponModelPrefix + std::string(row.first_person_word) + "-1st-";
    for (int32_t n = 0; n < kFirstPersonAttachments; ++n) {
        if (row.parts & (1u << n)) models.first_person.push_back({n, first_person + std::to_string(n)});
    }
    return models;
}

}  // namespace kv
