#include "beings/weapon_table.h"

#include <gtest/gtest.h>

#include <string>

#include "beings/weapon_models.h"

namespace kv {
namespace {

struct def_row {
    int32_t weapon;
    weapon_def def;
};

// Spot checks across the kinds: rifles, the launcher, the scoped rifles, pistols, the optic revolver,
// melee, grenades, equipment, the goal item and the hands.
const def_row kDefRows[] = {
    {0, {"m4a1", {"ar1", "ar2"}, {1, 0, 0}, 1, {28, 28}, 1500, 30000, {3, 4}, {1, 1}, {1.1f, 0}}},
    {1, {"m203", {"ar1", "ar2"}, {31, 24, 0}, 1, {28, 30}, 1500, 30000, {3, 4}, {1, 1}, {1.1f, 0}}},
    {28, {"psg1", {"s4", "s4"}, {20, 0, 0}, 2, {27, 27}, 1750, 35000, {1, 2}, {1, 1}, {1.8f, 1.8f}}},
    {34, {"m24", {"s4", "s4"}, {21, 29, 30}, 2, {0, 0}, 300, 6000, {0, 0}, {1, 1}, {1.4f, 2}}},
    {35, {"mk23", {"sa6", "sa3"}, {10, 0, 0}, 1, {6, 6}, 650, 13000, {1, 2}, {1, 0.5f}, {1.1f, 0}}},
    {46, {"mr73o", {"s4", "s4"}, {11, 0, 0}, 5, {8, 8}, 750, 15000, {1, 2}, {1, 0.5f}, {1.4f, 1.4f}}},
    {52, {"kabar", {"", ""}, {0, 0, 0}, 0, {0, 0}, 100, 30000, {0, 0}, {1, 1}, {0, 0}}},
    {55, {"frag-t", {"", ""}, {0, 0, 0}, 0, {0, 0}, 100, 30000, {0, 0}, {1, 1}, {0, 0}}},
    {60, {"c4", {"", ""}, {0, 0, 0}, 0, {0, 0}, 100, 30000, {0, 0}, {1, 1}, {0, 0}}},
    {61, {"handheld", {"", ""}, {0, 0, 0}, 0, {0, 0}, 100, 30000, {0, 0}, {1, 1}, {0, 0}}},
    {62, {"goal", {"", ""}, {0, 0, 0}, 0, {0, 0}, 100, 30000, {0, 0}, {1, 1}, {0, 0}}},
    {63, {"hands", {"", ""}, {0, 0, 0}, 0, {0, 0}, 0, 0, {0, 0}, {1, 1}, {1, 1}}},
};

TEST(WeaponTable, DefinitionRows) {
    for (const def_row& row : kDefRows) {
        SCOPED_TRACE(row.weapon);
        const weapon_def* def = weapon_def_find(row.weapon);
        ASSERT_NE(def, nullptr);
        const weapon_def& want = row.def;
        EXPECT_STREQ(def->name, want.name);
        for (int i = 0; i < 2; ++i) {
            EXPECT_STREQ(def->sight_name[i], want.sight_name[i]);
            EXPECT_EQ(def->shot_sound[i], want.shot_sound[i]);
            EXPECT_EQ(def->muzzle_flash[i], want.muzzle_flash[i]);
            EXPECT_FLOAT_EQ(def->effect_factor[i], want.effect_factor[i]);
            EXPECT_FLOAT_EQ(def->zoom[i], want.zoom[i]);
        }
        for (int i = 0; i < 3; ++i) EXPECT_EQ(def->reload_sound[i], want.reload_sound[i]);
        EXPECT_EQ(def->sight_kind, want.sight_kind);
        EXPECT_FLOAT_EQ(def->sound_near, want.sound_near);
        EXPECT_FLOAT_EQ(def->sound_far, want.sound_far);
    }
    EXPECT_EQ(weapon_def_find(-1), nullptr);
    EXPECT_EQ(weapon_def_find(64), nullptr);
}

std::string slot_text(const weapon_slot& s) {
    return std::to_string(s.weapon) + " " + std::to_string(s.ammunition) + " " + std::to_string(s.fire_mode) +
           " " + std::to_string(s.second_mode) + " " + std::to_string(s.rounds) + " " +
           std::to_string(s.magazines) + " " + std::to_string(s.capacity) + " " +
           std::to_string(s.launcher_rounds) + " " + std::to_string(s.slot_kind) + " " +
           std::to_string(s.weight) + " " + std::to_string(s.held);
}

TEST(WeaponTable, SlotDefaults) {
    const char* const rows[] = {
        "0 26 0 2 30 4 30 0 0 4 0", "1 26 0 2 30 4 30 4 0 5 0", "28 41 2 3 10 4 10 0 0 5 0",
        "34 39 2 3 5 8 5 0 0 5 0",  "35 0 2 2 12 9 12 0 0 2 0", "46 10 2 3 5 9 5 0 0 3 0",
        "52 47 2 2 1 0 1 0 2 0 0",  "55 47 2 2 0 0 0 0 3 1 1",  "60 47 2 2 1 0 1 0 4 4 0",
        "61 47 0 0 1 0 1 0 4 1 0",  "62 47 2 2 1 0 1 0 4 1 0",  "63 47 2 2 0 0 0 0 5 0 1",
    };
    for (const char* row : rows) {
        const int32_t weapon = std::stoi(row);
        EXPECT_EQ(slot_text(weapon_slot_defaults(weapon)), row);
    }
    for (int32_t w = 0; w < kWeaponKinds; ++w) EXPECT_EQ(weapon_slot_defaults(w).weapon, w);
}

TEST(WeaponTable, OnlyShotgunShellsScatter) {
    for (int32_t a = 0; a < kAmmoKinds; ++a) {
        SCOPED_TRACE(a);
        const ammo_def* ammo = ammo_def_find(a);
        ASSERT_NE(ammo, nullptr);
        const bool shell = a >= 12 && a <= 15;
        EXPECT_EQ(ammo->pellets, a == 14 ? 24 : shell ? 12 : 1);
        EXPECT_EQ(ammo->fall_off, shell ? 4 : 5);
        if (shell) {
            EXPECT_EQ(ammo->spread, 716);
        }
    }
    const ammo_def& first = *ammo_def_find(0);
    EXPECT_EQ(
        (std::vector<int16_t>{first.damage, first.penetration, first.range, first.spread, first.follow_up}),
        (std::vector<int16_t>{7, 2, 5, 22, 2}));
    const ammo_def& last = *ammo_def_find(46);
    EXPECT_EQ((std::vector<int16_t>{last.damage, last.penetration, last.range, last.spread, last.follow_up}),
              (std::vector<int16_t>{8, 8, 15, 52, 2}));
    EXPECT_EQ(ammo_def_find(kNoAmmo), nullptr);
    EXPECT_EQ(ammo_def_find(-1), nullptr);
}

TEST(WeaponTable, SoundAndFlashLists) {
    EXPECT_STREQ(weapon_reload_sound_name(0), "");
    EXPECT_STREQ(weapon_reload_sound_name(1), "re-ar1");
    EXPECT_STREQ(weapon_reload_sound_name(31), "re_ar8");
    EXPECT_STREQ(weapon_shot_sound_name(0), "shot_ars");
    EXPECT_STREQ(weapon_shot_sound_name(31), "shot10_6n");
    EXPECT_STREQ(weapon_muzzle_flash_name(4), "fl_r2");
    for (int32_t outside : {-1, 32}) {
        EXPECT_STREQ(weapon_reload_sound_name(outside), "");
        EXPECT_STREQ(weapon_shot_sound_name(outside), "");
    }
    EXPECT_STREQ(weapon_muzzle_flash_name(5), "");
}

TEST(WeaponTable, ModelNames) {
    struct {
        int32_t weapon;
        int32_t which;
        const char* name;
    } const cases[] = {
        {0, kModelFirstPerson, "weapons:m4a1-0"},
        {0, kModelSecondPart, "weapons:m4a1-1"},
        {0, kModelThirdPerson, "weapons:m4a1_th"},
        {0, kModelExtra, ""},
        {1, kModelExtra, "weapons:lgranade"},
        {4, kModelExtra, "weapons:lgranade"},
        {10, kModelExtra, "weapons:lgranade"},
        {10, kModelFirstPerson, "weapons:ak74gl-0"},
        {33, kModelSecondPart, ""},
        {51, kModelThirdPerson, "weapons:saiga12_th"},
        {52, kModelExtra, "weapons:kabar_th"},
        {55, kModelThirdPerson, "weapons:frag_th"},
        {56, kModelThirdPerson, "weapons:frag_th"},
        {56, kModelExtra, "weapons:frag_th"},
        {59, kModelExtra, ""},
        {60, kModelExtra, "weapons:c4_th"},
        {61, kModelFirstPerson, "weapons:key-0"},
        {61, kModelSecondPart, "weapons:key-1"},
        {46, kModelFirstPerson, "weapons:mr73opt-0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(weapon_model_name(c.weapon, c.which), c.name) << c.weapon << " " << c.which;
    for (int32_t none : {62, 63, 64, -1}) {
        for (int32_t which = 0; which < 4; ++which) EXPECT_EQ(weapon_model_name(none, which), "") << none;
    }
}

TEST(WeaponTable, KindSets) {
    for (int32_t w = -1; w <= kWeaponKinds; ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(weapon_has_launcher(w), w == 1 || w == 4 || w == 10);
        EXPECT_EQ(weapon_reloads_by_round(w), w == 34 || w == 48 || w == 50);
        EXPECT_EQ(weapon_is_melee(w), w >= 52 && w <= 54);
        EXPECT_EQ(weapon_is_hand_grenade(w), w >= 55 && w <= 58);
        EXPECT_EQ(weapon_is_hands(w), w == 63);
        EXPECT_EQ(weapon_is_handheld(w), w == 61);
        EXPECT_EQ(weapon_is_charge(w), w == 60);
    }
}

std::string parts_text(const weapon_models& m) {
    std::string text;
    for (const std::string& w : m.world) text += w + " ";
    text += "|";
    for (const weapon_model_part& p : m.first_person)
        text += " " + std::to_string(p.attachment) + "=" + p.name;
    return text;
}

TEST(WeaponModels, WorldModelsAndFirstPersonParts) {
    EXPECT_EQ(
        parts_text(weapon_models_find(16)),
        "weapons:mp5ks-0 weapons:mp5ks-1 | 0=weapons:mp5k-1st-0 1=weapons:mp5k-1st-1 4=weapons:mp5k-1st-4 "
        "5=weapons:mp5k-1st-5 6=weapons:mp5k-1st-6");
    EXPECT_EQ(
        parts_text(weapon_models_find(46)),
        "weapons:mr73opt-0 weapons:mr73opt-1 | 0=weapons:mr73o-1st-0 5=weapons:mr73o-1st-5 "
        "6=weapons:mr73o-1st-6 7=weapons:mr73o-1st-7 9=weapons:mr73o-1st-9 10=weapons:mr73o-1st-10 "
        "11=weapons:mr73o-1st-11 12=weapons:mr73o-1st-12 13=weapons:mr73o-1st-13 14=weapons:mr73o-1st-14 "
        "15=weapons:mr73o-1st-15");
    EXPECT_EQ(
        parts_text(weapon_models_find(34)),
        "weapons:m24-0 | 0=weapons:m24-1st-0 1=weapons:m24-1st-1 5=weapons:m24-1st-5 6=weapons:m24-1st-6 "
        "10=weapons:m24-1st-10");
    EXPECT_EQ(parts_text(weapon_models_find(56)), "weapons:frag-0 | 0=weapons:frag-1st-0");
    EXPECT_EQ(parts_text(weapon_models_find(59)), "weapons:binocular-0 |");
    // Where the kind's own second part is missing, the world models still show one.
    for (int32_t w : {33, 47, 49, 51}) EXPECT_EQ(weapon_models_find(w).world.size(), 2u) << w;
    for (int32_t w : {48, 50, 61}) EXPECT_EQ(weapon_models_find(w).world.size(), 1u) << w;
    for (int32_t none : {62, 63, 64, -1}) EXPECT_EQ(parts_text(weapon_models_find(none)), "|") << none;
}

TEST(WeaponModels, SilencedKindsShowTheirTwinsPartsAndTheSilencer) {
    for (auto [silenced, plain] : {std::pair{16, 15}, {20, 19}, {23, 22}, {36, 35}, {43, 42}}) {
        SCOPED_TRACE(silenced);
        const weapon_models s = weapon_models_find(silenced);
        const weapon_models p = weapon_models_find(plain);
        ASSERT_EQ(s.first_person.size(), p.first_person.size() + 1);
        std::size_t j = 0;
        for (const weapon_model_part& part : s.first_person) {
            if (part.attachment == 4) {
                EXPECT_EQ(part.name,
                          p.first_person[0].name.substr(0, p.first_person[0].name.size() - 1) + "4");
                continue;
            }
            EXPECT_EQ(part.name, p.first_person[j].name);
            EXPECT_EQ(part.attachment, p.first_person[j++].attachment);
        }
        EXPECT_EQ(s.world[0], weapon_model_name(silenced, kModelFirstPerson));
    }
}

}  // namespace
}  // namespace kv
