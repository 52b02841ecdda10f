#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

// The running program (this test binary) started again with the words given: it lists no test and
// writes its report where the words say.
TEST(Process, SpawnsTheRunningProgramWithTheWordsGiven) {
    temp_folder folder;
    const std::string report = folder.file("report.json");
    ASSERT_TRUE(sys_spawn_self({"--gtest_filter=NoSuchSuite.NoSuchTest", "--gtest_output=json:" + report}));
    EXPECT_TRUE(wait_for_text(report, "\"tests\": 0", 20000)) << folder.read("report.json");
}

TEST(Process, SpawnerCanBeReplacedAndRestored) {
    std::vector<std::string> seen;
    sys_set_spawner([&seen](const std::string& path, const std::vector<std::string>& words) {
        seen.push_back(path);
        seen.insert(seen.end(), words.begin(), words.end());
        return false;
    });
    EXPECT_FALSE(sys_spawn_self({"a", "b c"}));
    sys_set_spawner(nullptr);
    // The executable's own file, not the link: the new process then carries the program's name.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(seen, (std::vector<std::string>{self, "a", "b c"}));
}

}  // namespace
}  // namespace kv
