#include "game/kvlevel.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/server.h"
#include "tests/data/data_test_support.h"
#include "tests/game/arty_test_support.h"

namespace kv {
namespace {

using tools::token_writer;

class KvLevel : public data_test {
protected:
    kvlevel* spawn(const token_writer& parameters) {
        return descriptions_.spawn<kvlevel>(srv_.factory, "kvlevel", "level", parameters);
    }
    std::vector<int32_t> values(const map_record& map) const {
        return {std::begin(map.level_values), std::end(map.level_values)};
    }
    description_holder descriptions_;
};

TEST_F(KvLevel, DefaultsWithoutKeys) {
    kvlevel* level = spawn(token_writer());
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->title, "");
    EXPECT_EQ(level->gravity, 1.0f);
    EXPECT_EQ(level->fog, 0);
    for (float v : level->fog_values) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(std::vector<int32_t>(std::begin(level->max_players), std::end(level->max_players)),
              (std::vector<int32_t>{10, 10, 10}));
    EXPECT_EQ(std::vector<int32_t>(std::begin(level->min_players), std::end(level->min_players)),
              (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(level->time_winner, 0);
}

TEST_F(KvLevel, ReadsItsKeys) {
    kvlevel* level = spawn(token_writer()
                               .key("title:")
                               .str("Harbour")
                               .key("author:")
                               .str("someone")
                               .key("gravity:")
                               .integer(2)
                               .key("sky:")
                               .str("kvsky:night")
                               .key("fog:")
                               .number(0.5f)
                               .integer(100)
                               .str("x")
                               .number(0.25f)
                               .key("maxplayers:")
                               .str("16 8")
                               .key("minplayers:")
                               .str("2 x 4 9")
                               .key("timewinner:")
                               .integer(1));
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->title, "Harbour");
    EXPECT_EQ(level->author, "someone");
    EXPECT_EQ(level->gravity, 2.0f);
    EXPECT_EQ(level->sky, "kvsky:night");
    EXPECT_EQ(level->fog, 1);
    // A value that is not a number leaves its fog value as it was.
    EXPECT_EQ(std::vector<float>(std::begin(level->fog_values), std::end(level->fog_values)),
              (std::vector<float>{0.5f, 100.0f, 0.0f, 0.25f}));
    EXPECT_EQ(std::vector<int32_t>(std::begin(level->max_players), std::end(level->max_players)),
              (std::vector<int32_t>{16, 8, 0}));
    EXPECT_EQ(std::vector<int32_t>(std::begin(level->min_players), std::end(level->min_players)),
              (std::vector<int32_t>{2, 0, 4}));
    EXPECT_EQ(level->time_winner, 1);
}

TEST_F(KvLevel, FogNeedsFourValuesAndLimitsNeedAString) {
    kvlevel* short_fog = spawn(token_writer().key("fog:").number(1.0f).number(2.0f).number(3.0f));
    ASSERT_NE(short_fog, nullptr);
    EXPECT_EQ(short_fog->fog, 0);
    EXPECT_EQ(short_fog->fog_values[0], 0.0f);

    kvlevel* numeric = spawn(token_writer().key("maxplayers:").integer(16).key("timewinner:").number(2.0f));
    ASSERT_NE(numeric, nullptr);
    EXPECT_EQ(numeric->max_players[0], 10);
    EXPECT_EQ(numeric->time_winner, 0);
}

TEST_F(KvLevel, DescribesTheMapOfTheGamePackage) {
    srv_.maps.resize(3);
    srv_.maps[0].name = "dock";
    srv_.maps[1].name = "harbour";
    srv_.maps[2].name = "harbour";
    srv_.game_package = "harbour";
    spawn(token_writer().key("maxplayers:").str("16 8").key("timewinner:").integer(3));
    EXPECT_EQ(srv_.maps[0].described, 0);
    EXPECT_EQ(srv_.maps[1].described, 1);
    EXPECT_EQ(values(srv_.maps[1]), (std::vector<int32_t>{16, 8, 0, 0, 0, 0, 3}));
    EXPECT_EQ(srv_.maps[2].described, 0);  // the first of the name only

    // Without "maxplayers:" the defaults go into the record.
    srv_.game_package = "dock";
    spawn(token_writer());
    EXPECT_EQ(values(srv_.maps[0]), (std::vector<int32_t>{10, 10, 10, 0, 0, 0, 0}));

    // No record of the game package: nothing changes.
    srv_.game_package = "Dock";
    srv_.maps[0].described = 0;
    spawn(token_writer().key("maxplayers:").str("1 1 1"));
    EXPECT_EQ(srv_.maps[0].described, 0);
    EXPECT_EQ(values(srv_.maps[0]), (std::vector<int32_t>{10, 10, 10, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace kv
