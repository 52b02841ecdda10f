#include "world/surface_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kv {
namespace {

class SurfaceTable : public ::testing::Test {
protected:
    void SetUp() override { surface_table_build(table); }
    const surface_material& row(const char* name) { return *surface_table_get(table, name); }

    surface_table table;
};

TEST_F(SurfaceTable, RowsInByteOrderWithTheirValues) {
    ASSERT_EQ(table.rows.size(), 42u);
    struct Case {
        int index;
        const char* name;
        int32_t kind;
        float min_distance, max_distance;
        int32_t cone;
        int absorption, restitution;
        const char* walk;
        const char* pass;
        const char* rico;
        const char* impact;
        const char* impact_small;
    };
    const Case cases[] = {
        {1, "biggr", 1, 1500, 2500, 0, 4, 89, "", "pass-bush", "rico-bush", "", ""},
        {3, "brick10", -1, 1500, 2500, 0, 51, 102, "walk-conc", "", "rico-brick", "hit_brick", "hit_wood_sm"},
        {4, "brick20", -1, 1500, 2500, 0, 90, 102, "walk-conc", "", "rico-brick", "hit_brick", "hit_wood_sm"},
        {11, "concrete20", -1, 1500, 2500, 0, 255, 128, "walk-conc", "", "rico-conc", "hit_conc",
         "hit_wood_sm"},
        {12, "concrete5", -1, 1500, 2500, 0, 102, 128, "walk-conc", "", "rico-conc", "hit_conc",
         "hit_wood_sm"},
        {13, "cratem", -1, 1500, 2500, 0, 102, 102, "walk-cratem", "", "rico-metal", "hit_metal",
         "hit_wood_sm"},
        {16, "glass", 3, 1500, 2500, 0, 1, 0, "walk-glass", "", "rico-glass", "hit_glass", "hit_glass_sm"},
        {17, "glass1", 4, 1500, 2500, 0, 255, 128, "walk-glass", "", "rico-glass", "hit_glass",
         "hit_glass_sm"},
        {19, "grass", -1, 1500, 2500, 0, 255, 76, "walk-grass", "", "rico-grass", "hit_clay", "hit_wood_sm"},
        {24, "mud", -1, 1500, 2500, 0, 255, 1, "walk-mud", "", "rico-sand", "hit_clay", "hit_wood_sm"},
        {25, "reed", 1, 1500, 2500, 0, 1, 1, "", "pass-reed", "rico-reed", "", ""},
        {26, "rock", -1, 300, 3500, 0, 255, 102, "walk-rock", "", "rico-rock", "hit_conc", "hit_wood_sm"},
        {28, "shoot", 7, 1500, 2500, 0, 1, 0, "", "", "", "", ""},
        {29, "smgr", 1, 1500, 2500, 0, 2, 89, "", "pass-bgrass", "rico-bgrass", "", ""},
        {30, "through", 6, 1500, 2500, 0, 1, 0, "", "", "", "", ""},
        {31, "tiles", -1, 300, 3500, 0, 255, 102, "walk-tiles", "", "rico-conc", "hit_tiles", "hit_wood_sm"},
        {32, "water1", 0, 1500, 2500, -1, 11, 0, "", "pass-water", "", "hit_water", ""},
        {35, "water4", 0, 1500, 2500, -1, 11, 0, "", "pass-water", "", "hit_water", ""},
        {38, "wood20", -1, 1500, 2500, 0, 102, 102, "walk-wood", "", "rico-wood", "hit_wood", "hit_wood_sm"},
        {39, "wood30", -1, 1500, 2500, 0, 153, 102, "walk-wood", "", "rico-wood", "hit_wood", "hit_wood_sm"},
        {40, "wood5", -1, 1500, 2500, 0, 26, 102, "walk-wood", "", "rico-wood", "hit_wood", "hit_wood_sm"},
        {41, "wood50", -1, 1500, 2500, 0, 255, 102, "walk-wood", "", "rico-wood", "hit_wood", "hit_wood_sm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const surface_material* r = surface_table_at(table, c.index);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r, surface_table_get(table, c.name));
        EXPECT_EQ(surface_table_index_of(table, r), c.index);
        EXPECT_EQ(r->kind, c.kind);
        EXPECT_EQ(r->min_distance, c.min_distance);
        EXPECT_EQ(r->max_distance, c.max_distance);
        EXPECT_EQ(r->cone_outside_volume, c.cone);
        EXPECT_EQ(r->blast_absorption, c.absorption);
        EXPECT_EQ(r->restitution, c.restitution);
        EXPECT_EQ(r->sounds[kSoundWalk], c.walk);
        EXPECT_EQ(r->sounds[kSoundPass], c.pass);
        EXPECT_EQ(r->sounds[kSoundRico], c.rico);
        EXPECT_EQ(r->effects[kEffectImpact], c.impact);
        EXPECT_EQ(r->effects[kEffectImpactSmall], c.impact_small);
    }
    EXPECT_EQ(row("brick10").sounds[kSoundShell], "sh-conc");
    EXPECT_EQ(row("brick10").sounds[kSoundJump], "jmp-conc");
    EXPECT_EQ(row("cratep").sounds[kSoundHit], "hit-cratep");
}

TEST_F(SurfaceTable, GetNeverInsertsAndFallsBackToTheDefaultRow) {
    const surface_material* fallback = surface_table_at(table, 0);
    ASSERT_NE(fallback, nullptr);
    for (const char* name : {"WOOD20", "Wood20", "granite", "", "wood20 ", "water"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(surface_table_get(table, name), fallback);
    }
    EXPECT_EQ(table.rows.size(), 42u);
    EXPECT_EQ(surface_table_get(table, "wood20")->blast_absorption, 102);
}

// The default row and "limit" have only their kind; every number the table does not give is 0, so
// blasts and bounces on an unknown material read plain values.
TEST_F(SurfaceTable, DefaultAndLimitRowsHoldZeroes) {
    for (int index : {0, 20}) {
        const surface_material* r = surface_table_at(table, index);
        ASSERT_NE(r, nullptr);
        SCOPED_TRACE(index);
        EXPECT_EQ(r->kind, index == 0 ? kSurfaceKindSolid : kSurfaceKindLimit);
        EXPECT_EQ(r->min_distance, 0.0f);
        EXPECT_EQ(r->max_distance, 0.0f);
        EXPECT_EQ(r->cone_outside_volume, 0);
        EXPECT_EQ(r->blast_absorption, 0);
        EXPECT_EQ(r->restitution, 0);
        EXPECT_EQ(r->fog_density, 0.0f);
        EXPECT_EQ(r->scroll_speed, 0.0f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(r->fog_colour[i], 0.0f);
            EXPECT_EQ(r->flow_direction[i], 0.0f);
        }
        for (const std::string& name : r->sounds) EXPECT_TRUE(name.empty());
        for (const std::string& name : r->effects) EXPECT_TRUE(name.empty());
    }
    EXPECT_EQ(surface_table_at(table, 20), surface_table_get(table, "limit"));
}

TEST_F(SurfaceTable, WaterFieldsAndTheirCopyInOtherRows) {
    struct Case {
        const char* name;
        float colour[3];
        float density;
    };
    const Case cases[] = {
        {"water1", {0.3f, 0.3f, 0.4f}, 0.0015f}, {"water2", {0.3f, 0.33f, 0.16f}, 0.005f},
        {"water3", {0.3f, 0.4f, 0.5f}, 0.01f},   {"water4", {0.3f, 0.4f, 0.5f}, -1.0f},
        {"wood20", {0.3f, 0.4f, 0.5f}, -1.0f},   {"biggr", {0.3f, 0.4f, 0.5f}, -1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const surface_material& r = row(c.name);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(r.fog_colour[i], c.colour[i]);
        EXPECT_EQ(r.fog_colour[3], 0.0f);
        EXPECT_EQ(r.fog_density, c.density);
        EXPECT_EQ(r.scroll_speed, 0.0075f);
        EXPECT_EQ(r.flow_direction[0], 0.70710677f);
        EXPECT_EQ(r.flow_direction[1], 0.0f);
        EXPECT_EQ(r.flow_direction[2], -0.70710677f);
        EXPECT_EQ(r.flow_direction[3], 0.0f);
    }
}

TEST_F(SurfaceTable, IndicesAndWireBytes) {
    for (int32_t i = 0; i < kSurfaceTableRows; ++i) {
        const surface_material* r = surface_table_at(table, i);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(surface_table_index_of(table, r), i);
        EXPECT_EQ(surface_table_from_wire(table, surface_table_wire_byte(table, r)), r);
    }
    EXPECT_EQ(surface_table_index_of(table, surface_table_get(table, "limit")), 20);
    EXPECT_EQ(surface_table_index_of(table, surface_table_get(table, "water1")), 32);
    EXPECT_EQ(surface_table_at(table, 41), surface_table_get(table, "wood50"));
    for (int32_t index : {42, 255, -1, 1000}) EXPECT_EQ(surface_table_at(table, index), nullptr) << index;

    EXPECT_EQ(surface_table_index_of(table, nullptr), -1);
    EXPECT_EQ(surface_table_wire_byte(table, nullptr), kSurfaceWireNone);
    EXPECT_EQ(surface_table_from_wire(table, kSurfaceWireNone), nullptr);
    const surface_material stranger = row("wood20");
    EXPECT_EQ(surface_table_index_of(table, &stranger), -1);
}

TEST(SurfaceTableEmpty, AnswersNothingBeforeTheBuild) {
    surface_table empty;
    EXPECT_EQ(surface_table_get(empty, "wood20"), nullptr);
    EXPECT_EQ(surface_table_at(empty, 0), nullptr);
    EXPECT_EQ(surface_table_index_of(empty, nullptr), -1);
    surface_table_build(empty);
    surface_table_build(empty);
    EXPECT_EQ(empty.rows.size(), 42u);
}

}  // namespace
}  // namespace kv
