// The console view's text path: what reaches the log, the panel's lines and, on a dedicated server,
// the server's console on the terminal.

#include "ui/console_view.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "kernel/kernel.h"
#include "tests/data/data_test_support.h"

namespace kv {
namespace {

using lines_t = std::vector<std::string>;

class ConsoleView : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        server_get().dedicated = 0;
        console_view_relayout(console_);
    }
    void TearDown() override {
        server_get().dedicated = 0;
        data_test::TearDown();
    }

    console_view console_;
};

TEST_F(ConsoleView, PrintStoresEveryNonEmptyLine) {
    const struct {
        const char* what;
        std::string text;
        lines_t stored;
        std::string logged;
    } cases[] = {
        {"one line", "hello", {"hello"}, "[con] hello\n"},
        {"an empty text is logged", "", {}, "[con] \n"},
        {"two lines and a trailing line feed", "one\ntwo\n", {"one", "two"}, "[con] one\n[con] two\n"},
        {"an empty line between is skipped", "one\n\ntwo", {"one", "two"}, "[con] one\n[con] two\n"},
        {"line feeds only", "\n\n", {}, ""},
        // The log quotes control characters, tabs included, as '?'.
        {"a tab is four blanks", "a\tb", {"a    b"}, "[con] a?b\n"},
        {"two tabs", "\t\t", {"        "}, "[con] ??\n"},
        {"a long line is cut on storage",
         std::string(70, 'w'),
         {std::string(60, 'w')},
         "[con] " + std::string(70, 'w') + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear_log();
        console_view_relayout(console_);
        console_view_print(console_, c.text);
        EXPECT_EQ(console_view_output(console_), c.stored);
        EXPECT_EQ(log(), c.logged);
    }
}

TEST_F(ConsoleView, OutputScrollsAndKeepsTheInputRow) {
    console_.prompt = "] ";
    console_view_relayout(console_);
    ASSERT_EQ(console_.lines.size(), 25u);
    EXPECT_EQ(console_.lines.back(), "] ");
    for (int i = 0; i < 30; ++i) console_view_printf(console_, "line %d", i);
    // 24 output lines: the oldest are gone.
    const lines_t output = console_view_output(console_);
    ASSERT_EQ(output.size(), 24u);
    EXPECT_EQ(output.front(), "line 6");
    EXPECT_EQ(output.back(), "line 29");
    EXPECT_EQ(console_.lines.back(), "] ");
    EXPECT_EQ(console_.character_size, 16);
    EXPECT_EQ(console_.line_step, 20);
}

TEST_F(ConsoleView, SubmittedLineIsEchoedAndTakenOnce) {
    console_view_set_input(console_, "status");
    EXPECT_EQ(log(), "[con] > status\n");
    EXPECT_EQ(console_view_output(console_), lines_t{"> status"});
    EXPECT_EQ(console_view_take_input(console_), "status");
    EXPECT_EQ(console_view_take_input(console_), "");
}

TEST_F(ConsoleView, FormattedTextIsCutAt4095) {
    console_view_printf(console_, "%s", std::string(5000, 'q').c_str());
    EXPECT_EQ(log(), "[con] " + std::string(4095, 'q') + "\n");
}

TEST_F(ConsoleView, BeforeItsLayoutALineOnlyReachesTheLog) {
    console_view fresh;
    console_view_print(fresh, "early");
    EXPECT_TRUE(fresh.lines.empty());
    EXPECT_EQ(log(), "[con] early\n");
}

TEST_F(ConsoleView, ControlBytesAreNotWrittenToTheLog) {
    console_view_print(console_, "a\rb\x1b");
    EXPECT_EQ(log(), "[con] a?b?\n");
}

TEST_F(ConsoleView, DedicatedServerLinesGoToTheTerminal) {
    int shown[2] = {-1, -1};
    ASSERT_EQ(pipe2(shown, O_CLOEXEC | O_NONBLOCK), 0);
    int typed[2] = {-1, -1};
    ASSERT_EQ(pipe2(typed, O_CLOEXEC), 0);
    gfx& graphics = kernel_get().graphics;
    auto driver = std::make_unique<null_driver>();
    driver->input_fd = typed[0];
    driver->output_fd = shown[1];
    ASSERT_TRUE(driver->open(0, false, true));
    graphics.driver = std::move(driver);

    server_get().dedicated = 1;
    console_view_relayout(console_);
    EXPECT_EQ(console_.dedicated, 1);
    console_view_set_input(console_, "status");
    console_view_print(console_, "Invalid command\nfrom\tthere");
    EXPECT_EQ(console_view_take_input(console_), "status");
    EXPECT_EQ(log(), "[con] > status\n[con] Invalid command\n[con] from?there\n");
    // The panel's lines are never touched.
    EXPECT_TRUE(console_view_output(console_).empty());
    char buffer[256];
    const ssize_t n = read(shown[0], buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n)), "> status\nInvalid command\nfrom\tthere\n");

    // Without the server's console a line only reaches the log.
    graphics.driver.reset();
    clear_log();
    console_view_print(console_, "gone");
    EXPECT_EQ(log(), "[con] gone\n");
    EXPECT_EQ(read(shown[0], buffer, sizeof buffer), -1);
    for (int fd : {shown[0], shown[1], typed[0], typed[1]}) close(fd);
}

}  // namespace
}  // namespace kv
