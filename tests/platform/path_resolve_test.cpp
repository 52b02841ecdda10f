#include "platform/path_resolve.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace kv {
namespace {

TEST(PathResolve, FallsBackToAnyLetterCaseComponentByComponent) {
    temp_folder folder;
    folder.write("Data/Maps/Level1.CFG", "");
    folder.write("Data/readme.txt", "");
    folder.write("Data/Dup", "");
    folder.write("Data/dup", "");
    const std::string root = folder.path().string() + "/";
    const struct {
        const char* name;
        const char* path;  // under the folder
    } cases[] = {
        {"Data/Maps/Level1.CFG", "Data/Maps/Level1.CFG"},
        {"Data\\Maps\\Level1.CFG", "Data/Maps/Level1.CFG"},
        {"data\\maps\\level1.cfg", "Data/Maps/Level1.CFG"},
        {"DATA/README.TXT", "Data/readme.txt"},
        {"data/./MAPS/level1.cfg", "Data/./Maps/Level1.CFG"},
        // A name nothing matches is kept as given: new files keep it, missing ones stay missing.
        {"DATA/MAPS/New.txt", "Data/Maps/New.txt"},
        {"data/Missing/Level1.cfg", "Data/Missing/Level1.cfg"},
        // The exact name wins; among other matches the first in byte order.
        {"data/dup", "Data/dup"},
        {"data/DUP", "Data/Dup"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys_resolve_path(root + c.name), root + c.path) << c.name;
    }
}

TEST(PathResolve, RelativeNamesResolveFromTheWorkingFolder) {
    temp_folder folder;
    folder.write("Data/Bots.cfg", "");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const std::string found = sys_resolve_path("data\\bots.CFG");
    const std::string dotted = sys_resolve_path(".\\DATA\\bots.cfg");
    const std::string missing = sys_resolve_path("nothing\\here");
    std::filesystem::current_path(previous);
    EXPECT_EQ(found, "Data/Bots.cfg");
    EXPECT_EQ(dotted, "./Data/Bots.cfg");
    EXPECT_EQ(missing, "nothing/here");
    EXPECT_EQ(sys_resolve_path(""), "");
}

TEST(PathResolve, ComparesNamesWithoutLetterCase) {
    EXPECT_EQ(sys_name_compare_nocase("Abc", "aBC"), 0);
    EXPECT_LT(sys_name_compare_nocase("a.kvb", "B.kvb"), 0);
    EXPECT_GT(sys_name_compare_nocase("b", "A"), 0);
    EXPECT_LT(sys_name_compare_nocase("ab", "ABC"), 0);
    // '_' lies between the upper and the lower letters: compared against the lower ones.
    EXPECT_LT(sys_name_compare_nocase("B_", "ba"), 0);
}

}  // namespace
}  // namespace kv
