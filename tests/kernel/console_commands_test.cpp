#include <gtest/gtest.h>

#include <memory>

#include "bots/bot_central.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel_fixture.h"
#include "platform/cpu.h"
#include "tests/support/call_log.h"
#include "ui/console_view.h"
#include "util/text.h"

namespace kv {
namespace {

int32_t g_game_answer = 0;

// The game arty: writes each command it gets into the tests' call log and answers g_game_answer.
class game_probe : public arty {
public:
    game_probe(arty_factory& f, const arty_description& d) : arty(f, d) { arty_factory_set_game_arty(f); }
    int32_t message(arty_message kind, uintptr_t argument) override {
        if (kind != kArtyCommand) return 0;
        const arty_command& c = arty_message_command(argument);
        test_call(str_format("game command %d %s", c.code, c.first.c_str()));
        return g_game_answer;
    }
};

class ConsoleCommands : public KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        sse_before_ = cpu_has_sse();
        arty_factory& factory = server_get().factory;
        for (arty_class& c : factory.classes) {
            if (c.name == "kvgame")
                c.make = [](arty_factory& f, const arty_description& d) -> std::unique_ptr<arty> {
                    return std::make_unique<game_probe>(f, d);
                };
        }
        game_.class_name = "kvgame";
        game_.instance_name = "game";
        arty_description* batch[] = {&game_};
        group_ = arty_factory_spawn_group(factory, batch, 1);
    }
    void TearDown() override {
        arty_factory& factory = server_get().factory;
        arty_factory_erase_group(factory, group_);
        arty_factory_collect(factory);
        factory.classes = arty_class_table();
        cpu_set_sse(sse_before_);
        KernelFixture::TearDown();
    }

    // Distinct answers, so each result shows which family answered.
    void set_answers() {
        g_game_answer = 11;
        botc_enable(bot_central_get(), true);
    }

    bool sse_before_ = false;
    arty_description game_;
    uint32_t group_ = 0;
};

const calls_t kStopCalls = {};

struct command_case {
    const char* line;
    int32_t result;
    calls_t calls;
    bool invalid;  // "Invalid command" printed
};

TEST_F(ConsoleCommands, LinesGoToTheFamilyOfTheirPrefix) {
    const command_case cases[] = {
        {"quit", 0, kStopCalls, false},
        {"quit now", 0, kStopCalls, false},
        {"quitnow", 0, kStopCalls, false},
        {"Quit", 0, {}, true},
        {"n_servers 1", -1, {}, false},  // a list request starts
        {"n_", 0, {}, false},
        {"s_kick 3", 0, {}, false},  // not connected
        {"s_", 0, {}, false},
        {"g_lod 1", -1, {}, false},
        {"b_add bob 0 1 3", 11, {"game command 0 b_add bob 0 1 3"}, false},
        {"b_addbot", 11, {"game command 0 b_addbot"}, false},
        {"b_activate bob", 1, {}, false},
        {"b_", 2, {}, false},
        {"a_1st 1 2 3", -1, {}, false},
        {"loglevel 3", 1, {}, false},
        {"cpuflags 1", 1, {}, false},
        {" quit", 0, {}, true},
        {"x_1", 0, {}, true},
        {"", 0, {}, true},
    };
    for (const command_case& c : cases) {
        SCOPED_TRACE(c.line);
        test_state_reset();
        set_answers();
        reset_client(server_get().client);
        console_view_relayout(k_->console);
        k_->running = true;
        EXPECT_EQ(kernel_run_command(*k_, c.line), c.result);
        EXPECT_EQ(take_calls(), c.calls);
        EXPECT_EQ(k_->running, !std::string(c.line).starts_with("quit"));
        EXPECT_EQ(console_view_output(k_->console),
                  c.invalid ? std::vector<std::string>{"Invalid command"} : std::vector<std::string>{});
    }
}

TEST_F(ConsoleCommands, BotHostRefusalGivesZero) {
    botc_enable(bot_central_get(), false);
    EXPECT_EQ(kernel_run_command(*k_, "b_deactivate nobody"), 0);
}

TEST_F(ConsoleCommands, AnimationCommandAlwaysAwaitsAReply) {
    for (const char* line : {"a_3du 0 0 5", "a_3du 99 0 5", "a_nothing"})
        EXPECT_EQ(kernel_run_command(*k_, line), -1);
}

TEST_F(ConsoleCommands, LogLevelReadsTheSecondWord) {
    const std::pair<const char*, int32_t> cases[] = {
        {"loglevel 3", 3},      {"loglevel", 0},    {"loglevel x", 0},  {"loglevel -2", -2},
        {"loglevel 12abc", 12}, {"loglevel  4", 0}, {"loglevelx 9", 9},
    };
    for (const auto& [line, level] : cases) {
        SCOPED_TRACE(line);
        server_get().log_level = 77;
        EXPECT_EQ(kernel_run_command(*k_, line), 1);
        EXPECT_EQ(server_get().log_level, level);
    }
}

TEST_F(ConsoleCommands, CpuFlagsSetsTheSseFlagFromBitZero) {
    const std::pair<const char*, bool> cases[] = {
        {"cpuflags 1", true}, {"cpuflags 2", false}, {"cpuflags 3", true},
        {"cpuflags", false},  {"cpuflags x", false},
    };
    for (const auto& [line, sse] : cases) {
        SCOPED_TRACE(line);
        cpu_set_sse(!sse);
        EXPECT_EQ(kernel_run_command(*k_, line), 1);
        EXPECT_EQ(cpu_has_sse(), sse);
    }
}

}  // namespace
}  // namespace kv
