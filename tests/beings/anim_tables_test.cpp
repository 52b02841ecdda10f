// The soldier's action tables built from the slot names, the death table and the "a_" console lines.

#include <gtest/gtest.h>

#include <string>

#include "beings/anim_tables.h"
#include "beings/being_commands.h"
#include "beings/soldier_slots.h"
#include "tests/data/data_test_support.h"

namespace kv {
namespace {

std::string lower_name(int32_t slot) {
    return slot < 0 ? "-" : soldier_slot_names()[static_cast<std::size_t>(slot)];
}

std::string first_name(int32_t slot) {
    return slot < 0 ? "-" : soldier_first_slot_names()[static_cast<std::size_t>(slot)];
}

TEST(SoldierSlots, NamesTheSlotsTheAnimationSetsBind) {
    int32_t bound = 0;
    for (const std::string& name : soldier_slot_names()) bound += !name.empty();
    EXPECT_EQ(bound, 295);
    bound = 0;
    for (const std::string& name : soldier_first_slot_names()) bound += !name.empty();
    EXPECT_EQ(bound, 172);
    EXPECT_EQ(soldier_slot_names()[186], "a-m4a1-lsreload");
    EXPECT_EQ(soldier_first_slot_names()[165], "a-spas12-reloadPP-1st");
    EXPECT_EQ(soldier_slot_of("a-m4a1-lsreload"), 186);
    EXPECT_EQ(soldier_slot_of("a-nothing"), -1);
}

TEST(AnimTables, EveryEntryNamesABoundSlotAtALegalSpeed) {
    const anim_tables& t = anim_tables_get();
    for (int32_t row = 0; row < kAnimRows; ++row) {
        for (int32_t w = 0; w < kAnimColumns; ++w) {
            SCOPED_TRACE(std::to_string(row) + " " + std::to_string(w));
            EXPECT_NE(lower_name(t.lower[row][w]), "-");
            EXPECT_NE(first_name(t.first[row][w]), "-");
            EXPECT_NE(lower_name(t.upper[row][w]), "");
            for (const auto* speeds : {t.lower_speed, t.upper_speed, t.first_speed}) {
                EXPECT_GE(speeds[row][w], 1);
                EXPECT_LE(speeds[row][w], kAnimMaxSpeed);
            }
        }
    }
}

TEST(AnimTables, RowsTakeTheStanceLegsTheFamilyWordAndTheFirstPersonWord) {
    const anim_tables& t = anim_tables_get();
    struct cell {
        int32_t row;
        int32_t weapon;
        const char* lower;
        const char* upper;
        const char* first;
    };
    const cell cases[] = {
        {0, 0, "a-idle", "a-m4a1-idle", "a-m4a1-idle-1st"},
        {2, 17, "a-run", "a-vz61-run", "a-mp5a4-run-1st"},
        {6, 0, "a-idle", "a-m4a1-shoot", "a-m4a1-shoot-1st"},
        {7, 1, "a-idle", "a-m4a1-shoot", "a-m203-gshoot-1st"},
        {8, 0, "a-lstrafe", "a-m4a1-lsshoot1", "a-m4a1-shoot-1st"},
        {9, 35, "a-rstrafe", "a-apb-rsshoot", "a-mk23-shoot-1st"},
        {10, 12, "a-idle", "a-famas-reload", "a-famas-reload-1st"},
        {11, 4, "a-idle", "a-g3l-reload2", "a-g3l-greload-1st"},
        {12, 0, "a-lstrafe", "a-m4a1-lsreload", "a-m4a1-reload-1st"},
        {17, 48, "a-idle", "a-m4a1-reload", "a-spas12-reloadPP-1st"},
        {14, 34, "a-idle", "a-m24-reload", "a-m24-reload01-1st"},
        {28, 55, "a-cidle", "a-stun-cthrow1", "a-stun-throw1-1st"},
        {6, 54, "a-idle", "a-shovel-slash", "a-shovel-slash-1st"},
        {7, 52, "a-idle", "a-shovel-throw", "a-kabar-throw-1st"},
        {6, 60, "a-idle", "a-c4-use", "a-c4-use-1st"},
        {0, 59, "a-idle", "a-c4-idle", "a-hands-idle-1st"},  // binocular: no idle of its own
        {39, 29, "a-pidle", "a-psg1-pwshoot", "a-svd-shoot-1st"},
        {6, 6, "a-idle", "a-m4a1-shoot", "a-m4a1-shoot-1st"},  // g51: the rifles' word
        {36, 0, "a-pcrawl", "a-m4a1-pcrawl", "a-m4a1-run-1st"},
        {36, 15, "a-pcrawl", "a-vz61-pidle", "a-mp5k-run-1st"},  // vz61 cannot crawl: its prone idle
        {0, 38, "a-idle", "a-apb-idle", "a-mk23-idle-1st"},      // no word of its own: the pistols'
        {44, 63, "a-swim", "a-c4-idle", "a-hands-idle-1st"},
    };
    for (const cell& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " " + std::to_string(c.weapon));
        EXPECT_EQ(lower_name(t.lower[c.row][c.weapon]), c.lower);
        EXPECT_EQ(lower_name(t.upper[c.row][c.weapon]), c.upper);
        EXPECT_EQ(first_name(t.first[c.row][c.weapon]), c.first);
    }
}

TEST(AnimTables, DeathSlotsComeFromThePostureAndTheCause) {
    struct death_case {
        int32_t state;
        int32_t cause;
        int32_t lower;
    };
    const death_case cases[] = {
        {0, 0, 190}, {0, 1, 191},  {0, 2, 192},  {7, 1, 193},  {7, 2, 194},
        {7, 0, 193}, {16, 1, 195}, {16, 2, 195}, {19, 0, 195}, {3, 3, 196},
        {9, 4, 197}, {0, 5, 195},  {15, 6, 198}, {21, 7, 191}, {14, 9, 191},
    };
    for (const death_case& c : cases) {
        const death_slots d = being_death_slots(c.state, c.cause);
        EXPECT_EQ(d.lower, c.lower) << c.state << " " << c.cause;
        EXPECT_EQ(d.upper, c.lower + 10) << c.state << " " << c.cause;
    }
}

class AnimConsole : public data_test {};

TEST_F(AnimConsole, SetsASpeedSilentlyAndIgnoresValuesOutOfRangeWithAWarning) {
    anim_tables& t = anim_tables_get();
    EXPECT_EQ(being_anim_table_command("a_3du 6 0 80"), -1);
    EXPECT_EQ(t.upper_speed[6][0], 80);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(being_anim_table_command("a_3dl 47 63 127"), -1);
    EXPECT_EQ(t.lower_speed[47][63], 127);
    EXPECT_EQ(being_anim_table_command("a_1st 0 1 1"), -1);
    EXPECT_EQ(t.first_speed[0][1], 1);
    for (const char* line :
         {"a_3du 48 0 50", "a_3du -1 0 50", "a_3du 6 64 50", "a_3du 6 -1 50", "a_3du 6 0 0", "a_3du 6 0 128",
          "a_3du 6 0 -5", "a_run 0", "a_run -2", "a_walk inf"}) {
        EXPECT_EQ(being_anim_table_command(line), -1);
        EXPECT_NE(log().find("*WARNING*"), std::string::npos) << line;
        clear_log();
    }
    EXPECT_EQ(t.upper_speed[6][0], 80);
    EXPECT_EQ(being_anim_table_command("a_crawl 0.07"), -1);
    EXPECT_FLOAT_EQ(soldier_speeds_get().crawl, 0.07f);
    // Put the process's tables back.
    anim_tables_build(t);
}

}  // namespace
}  // namespace kv
