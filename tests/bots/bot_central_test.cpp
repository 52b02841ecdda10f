// The bot host's start: discovery, binding, version and ID checks, listing and unloading.

#include "bots/bot_central.h"

#include <gmock/gmock.h>

#include "tests/bots/bot_test_support.h"

namespace kv {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using calls_list = std::vector<std::string>;

class BotCentralStart : public bot_test {};

TEST_F(BotCentralStart, EmptyOrMissingFolderFindsNoModuleAndIsNotReady) {
    for (const std::string& dir : {bot_dir(), folder_.file("nowhere")}) {
        SCOPED_TRACE(dir);
        clear_log();
        BotCentral host;
        add_config();
        botc_start(host, dir);
        EXPECT_THAT(log(), HasSubstr("[botc] starting BotCentral\n[botc] searching for bot modules ...\n"
                                     "[botc] 0 modules found\n[botc] searching for bot configs ...\n"));
        EXPECT_FALSE(host.ready);
    }
}

TEST_F(BotCentralStart, ModulesSharingAnIdKeepTheLastAndTheRestAreListed) {
    add_module("alpha", "a.kvb");
    add_module("beta", "b.kvb");
    add_module("gamma", "c.kvb");
    add_config();
    start();
    const std::string dir = bot_dir();
    EXPECT_THAT(log(), HasSubstr("[botc] 3 modules found\n[botc] UNLOADING: alpha(v02.03) [" + dir +
                                 "/a.kvb] conflicts with gamma(v02.03) [" + dir +
                                 "/c.kvb] [have same module ID]\n[botc] 01. beta(v02.03) [" + dir +
                                 "/b.kvb], test module, , tests, none\n[botc] 02. gamma(v02.03) [" + dir +
                                 "/c.kvb], test module, , tests, none\n[botc] searching for bot configs ...\n"
                                 "[botc] 1 configs found\n"));
    ASSERT_EQ(host_->modules.size(), 2u);
    EXPECT_EQ(host_->modules[0]->family, "beta");
    EXPECT_TRUE(host_->ready);
    EXPECT_EQ(host_->configs, calls_list{"default"});
    EXPECT_EQ(calls(),
              (calls_list{"alpha initialize", "beta initialize", "gamma initialize", "alpha deinitialize"}));
    // The rest are unloaded, in load order, with the host.
    host_.reset();
    EXPECT_EQ(calls(), (calls_list{"beta deinitialize", "gamma deinitialize"}));
}

struct binding_case {
    const char* module;
    std::size_t loaded;
    calls_list calls;  // at start, then at the host's end
    calls_list calls_at_end;
};

TEST_F(BotCentralStart, BindingKeepsOrDropsModulesByTheirExportsAndVersion) {
    const binding_case cases[] = {
        {"wide", 1, {"wide initialize"}, {"wide deinitialize"}},
        {"old", 0, {"old initialize", "old deinitialize"}, {}},
        {"nodeinit", 1, {"nodeinit initialize"}, {}},
        {"noinit", 0, {}, {}},
        {"notable", 0, {"notable initialize", "notable deinitialize"}, {}},
        {"nofamily", 0, {}, {}},
    };
    for (const binding_case& c : cases) {
        SCOPED_TRACE(c.module);
        std::filesystem::remove_all(bot_dir());
        std::filesystem::create_directories(bot_dir());
        add_module(c.module, std::string(c.module) + ".kvb");
        clear_log();
        host_ = std::make_unique<BotCentral>();
        start();
        EXPECT_EQ(host_->modules.size(), c.loaded);
        EXPECT_EQ(calls(), c.calls);
        host_.reset();
        EXPECT_EQ(calls(), c.calls_at_end);
    }
    // Only a loaded module is counted; the one of another interface version is named.
    EXPECT_THAT(log(), HasSubstr("[botc] 0 modules found\n"));
}

TEST_F(BotCentralStart, BadInterfaceVersionLine) {
    add_module("old", "old.kvb");
    start();
    EXPECT_THAT(log(),
                HasSubstr("[botc] 1 modules found\n[botc] UNLOADING: old(v02.03) [" + bot_dir() +
                          "/old.kvb] implements bad interface version 005, engine interface is 006, please "
                          "get latest bot version and engine patch.\n"));
    EXPECT_TRUE(host_->modules.empty());
}

TEST_F(BotCentralStart, FilesThatAreNoModulesAreDroppedSilently) {
    folder_.write("bot/junk.kvb", "not a library");
    std::filesystem::create_directories(bot_dir() + "/folder.kvb");
    add_module("beta", "beta.kvb");
    start();
    EXPECT_THAT(log(), HasSubstr("[botc] 1 modules found\n[botc] 01. beta"));
    EXPECT_THAT(log(), Not(HasSubstr("junk")));
    EXPECT_FALSE(host_->ready);  // no configuration
}

TEST_F(BotCentralStart, AtMostAHundredModulesAreLoaded) {
    for (int i = 0; i < 101; ++i) add_module("beta", str_format("m%03d.kvb", i));
    start();
    EXPECT_THAT(log(), HasSubstr("[botc] 100 modules found\n"));
    // They share an ID: the last one loaded stays, and the 101st was never loaded.
    ASSERT_EQ(host_->modules.size(), 1u);
    EXPECT_EQ(host_->modules[0]->library.name, bot_dir() + "/m099.kvb");
}

TEST_F(BotCentralStart, EndDestroysTheBotsAndKeepsTheModules) {
    add_module("beta", "beta.kvb");
    add_config();
    start();
    add_player(4, "ann");
    botc_add_player(*host_, 4, 1);
    calls();
    botc_end(*host_);
    EXPECT_THAT(log(), HasSubstr("[botc] ending BotCentral\n"));
    EXPECT_EQ(calls(), calls_list{"beta destroy 1"});
    EXPECT_TRUE(host_->bots.empty());
    EXPECT_EQ(host_->modules.size(), 1u);
}

}  // namespace
}  // namespace kv
