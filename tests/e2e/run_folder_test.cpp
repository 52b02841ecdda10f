// The build folder is the demo's run folder, laid out as an installed game: "data/" (the demo data set,
// which the default data and write folders name), "bot/" (the sample module with its configuration)
// and "intro.avi"; the sample settings script "data/mp.cfg" hosts "depot" on the LAN with one bot.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "net/service.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

TEST(RunFolder, TheBuildLaysTheDemoOutAsAnInstalledGame) {
    const std::filesystem::path run = std::filesystem::path(KV_BINARY_PATH).parent_path();
    for (const char* name : {"data/maps/kvmenu-en", "data/maps/depot", "data/net.cfg", "bot/kvbot.kvb",
                             "bot/default.cfg", "intro.avi"})
        EXPECT_TRUE(std::filesystem::is_regular_file(run / name)) << name;

    std::ifstream in(run / "data/mp.cfg", std::ios::binary);
    std::stringstream script;
    script << in.rdbuf();
    EXPECT_EQ(script.str(), tools::kDemoSettingsScript);

    // Read as the dedicated server reads it, up to "start".
    service_settings settings;
    service_settings_init(settings);
    std::istringstream lines(tools::kDemoSettingsScript);
    for (std::string line; std::getline(lines, line) && line != "start";) service_command(settings, line);
    EXPECT_EQ(settings.net_mode, 0);
    EXPECT_EQ(settings.server_name, "KV Demo");
    EXPECT_EQ(settings.packages, std::vector<std::string>{"depot"});
    // One bot: team 1, the first specialisation.
    EXPECT_EQ(settings.bots_setup, "1000 0000 0000");
}

}  // namespace
}  // namespace kv
