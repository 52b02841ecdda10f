#include "platform/dir_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "tests/support/temp_folder.h"

namespace kv {
namespace {

class DirSearch : public ::testing::Test {
protected:
    void TearDown() override { sys_find_close(); }

    // Every name the search hands out for `pattern` under the folder.
    std::vector<std::string> find_all(const std::string& pattern) {
        std::vector<std::string> names;
        for (std::string name = sys_find_first_file(folder_.path().string() + "/" + pattern); !name.empty();
             name = sys_find_next_file()) {
            names.push_back(name);
        }
        return names;
    }

    temp_folder folder_;
};

TEST_F(DirSearch, ListsMatchesSortedWithoutLetterCase) {
    for (const char* name : {"b.kvb", "c.KVB", "a.cfg", "A.kvb", "bots/x.kvb", "lib.kvb.bak", "_z.kvb"}) {
        folder_.write(std::string("dir/") + name, "");
    }
    std::filesystem::create_directory(folder_.path() / "dir" / "D.kvb");
    EXPECT_EQ(find_all("dir/*.kvb"),
              (std::vector<std::string>{"_z.kvb", "A.kvb", "b.kvb", "c.KVB", "D.kvb"}));
    // The end stays the end.
    EXPECT_EQ(sys_find_next_file(), "");
    EXPECT_EQ(find_all("dir/*"), (std::vector<std::string>{"_z.kvb", "a.cfg", "A.kvb", "b.kvb", "bots",
                                                           "c.KVB", "D.kvb", "lib.kvb.bak"}));
}

TEST_F(DirSearch, NamesDifferingOnlyInCaseComeInByteOrder) {
    for (const char* name : {"map.cfg", "MAP.cfg", "Map.cfg"}) folder_.write(std::string("dir/") + name, "");
    EXPECT_EQ(find_all("dir/map.CFG"), (std::vector<std::string>{"MAP.cfg", "Map.cfg", "map.cfg"}));
}

TEST_F(DirSearch, FolderPartTakesBackslashesAndAnyLetterCase) {
    folder_.write("Data/Bots/alpha.kvb", "");
    EXPECT_EQ(find_all("data\\BOTS\\*.KVB"), std::vector<std::string>{"alpha.kvb"});
}

TEST_F(DirSearch, NothingToListGivesAnEmptyName) {
    folder_.write("dir/a.cfg", "");
    EXPECT_TRUE(find_all("dir/*.kvb").empty());
    EXPECT_TRUE(find_all("missing/*").empty());
    EXPECT_TRUE(find_all("dir/").empty());
    EXPECT_EQ(sys_find_next_file(), "");
    sys_find_close();
    EXPECT_EQ(sys_find_next_file(), "");
}

TEST_F(DirSearch, DotEntriesAreNeverListed) {
    folder_.write("dir/.hidden", "");
    EXPECT_EQ(find_all("dir/.*"), std::vector<std::string>{".hidden"});
    EXPECT_EQ(find_all("dir/*"), std::vector<std::string>{".hidden"});
}

TEST_F(DirSearch, NewSearchReplacesTheOpenOne) {
    for (const char* name : {"one/a", "one/b", "two/c"}) folder_.write(name, "");
    EXPECT_EQ(sys_find_first_file(folder_.file("one/*")), "a");
    EXPECT_EQ(sys_find_first_file(folder_.file("two/*")), "c");
    EXPECT_EQ(sys_find_next_file(), "");
}

TEST(DirSearchWildcard, MatchesStarsAndQuestionMarksWithoutLetterCase) {
    const struct {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.kvb", "x.kvb", true},
        {"*.kvb", ".kvb", true},
        {"*.kvb", "x.kvbx", false},
        {"*.KVB", "x.kvb", true},
        {"*", "anything.at.all", true},
        {"?.cfg", "a.cfg", true},
        {"?.cfg", "ab.cfg", false},
        {"?.cfg", ".cfg", false},
        {"a?c", "ABC", true},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbYcZ", false},
        {"*ana", "banana", true},
        {"b*na*na", "banana", true},
        {"**x", "x", true},
        {"net.cfg", "NET.CFG", true},
        {"net.cfg", "net.cf", false},
        {"", "x", false},
        {"*?", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys_wildcard_match(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
    }
}

}  // namespace
}  // namespace kv
