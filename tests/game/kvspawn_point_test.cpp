#include "game/kvspawn_point.h"

#include <gtest/gtest.h>

#include "tests/data/data_test_support.h"
#include "tests/game/arty_test_support.h"

namespace kv {
namespace {

using tools::token_writer;

class KvSpawnPoint : public data_test {
protected:
    kvspawn_point* spawn(const token_writer& parameters) {
        return descriptions_.spawn<kvspawn_point>(srv_.factory, "kvspawn_point", "sp0", parameters);
    }
    description_holder descriptions_;
};

TEST_F(KvSpawnPoint, ReadsItsKeysAndLeavesZeroForMissingOnes) {
    kvspawn_point* sp = spawn(token_writer()
                                  .key("sector:")
                                  .str("kvbase:hall")
                                  .key("posx:")
                                  .number(1.5f)
                                  .key("posy:")
                                  .integer(-20)
                                  .key("angle:")
                                  .integer(90));
    ASSERT_NE(sp, nullptr);
    EXPECT_EQ(sp->sector_name, "kvbase:hall");
    EXPECT_EQ(sp->position.x, 1.5f);
    EXPECT_EQ(sp->position.y, -20.0f);
    EXPECT_EQ(sp->position.z, 0.0f);
    EXPECT_EQ(sp->angle, 90.0f);  // as written: degrees stay degrees

    kvspawn_point* empty = spawn(token_writer());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->sector_name, "");
    EXPECT_EQ(empty->position.x, 0.0f);
    EXPECT_EQ(empty->angle, 0.0f);
}

TEST_F(KvSpawnPoint, ValuesOfTheWrongKindOrMissingLeaveTheField) {
    struct {
        const char* name;
        token_writer parameters;
        float x;
        std::string sector;
    } const cases[] = {
        {"string for a number", token_writer().key("posx:").str("7"), 0.0f, ""},
        {"number for a string", token_writer().key("sector:").integer(3), 0.0f, ""},
        {"key without a value", token_writer().key("sector:"), 0.0f, ""},
        // The value is taken whatever it is: "posx:" as the sector's value is not read as a key.
        {"key as a value", token_writer().key("sector:").key("posx:").number(4.0f), 0.0f, "posx:"},
        {"key twice", token_writer().key("posx:").number(1.0f).key("posx:").number(2.0f), 2.0f, ""},
        {"unknown keys passed over", token_writer().key("cb:").integer(5).key("posx:").number(3.0f), 3.0f,
         ""},
        {"keys are exact", token_writer().key("POSX:").number(3.0f).key("posx").number(3.0f), 0.0f, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kvspawn_point* sp = spawn(c.parameters);
        ASSERT_NE(sp, nullptr);
        EXPECT_EQ(sp->position.x, c.x);
        EXPECT_EQ(sp->sector_name, c.sector);
    }
}

}  // namespace
}  // namespace kv
