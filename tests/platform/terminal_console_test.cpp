// The dedicated server's console on a pipe and on a pseudo-terminal that the tests open: lines are
// handed on one per poll, none lost, a partial line waits, an over-long line is refused while the
// next one runs, the end of input only ends the reading, and a process in the background of its
// terminal reads nothing. SIGHUP stops the program unless it was ignored at the start.

#include "platform/terminal_console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/signals.h"

namespace kv {
namespace {

// Everything the console hands on now, as "line" or "refused N".
std::vector<std::string> poll_all(terminal_console& console, int passes = 10) {
    std::vector<std::string> got;
    console_line line;
    for (int i = 0; i < passes; ++i) {
        if (!terminal_console_poll(console, line)) continue;
        got.push_back(line.refused ? "refused " + std::to_string(line.length) : line.text);
    }
    return got;
}

void write_all(int fd, const std::string& text) {
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

TEST(ConsoleLineReader, CutsLines) {
    const std::string longest(kConsoleLineMax, 'a');
    const struct {
        const char* what;
        std::vector<std::string> pieces;
        std::vector<std::string> lines;
    } cases[] = {
        {"a partial line waits", {"sta", "tus"}, {}},
        {"the rest completes it", {"sta", "tus\n"}, {"status"}},
        {"three at once", {"a\nb\nc\n"}, {"a", "b", "c"}},
        {"CR LF", {"kick 3\r\n"}, {"kick 3"}},
        {"a CR split from its LF", {"kick 3\r", "\n"}, {"kick 3"}},
        {"an empty line", {"\n", "\r\n"}, {"", ""}},
        {"control characters dropped, tab kept", {"a\x1b[A\tb\x7f\x01\n"}, {"a[A\tb"}},
        {"the longest line", {longest + "\n"}, {longest}},
        {"one more is refused, the next runs", {longest + "b\nnext\n"}, {"refused 254", "next"}},
        {"a long line in pieces",
         {std::string(200, 'x'), std::string(100, 'x'), "\nok\n"},
         {"refused 300", "ok"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        console_line_reader reader;
        for (const std::string& piece : c.pieces)
            console_line_reader_feed(reader, piece.data(), piece.size());
        std::vector<std::string> got;
        console_line line;
        while (console_line_reader_next(reader, line))
            got.push_back(line.refused ? "refused " + std::to_string(line.length) : line.text);
        EXPECT_EQ(got, c.lines);
        // Nothing past the longest line is kept of a line being refused.
        EXPECT_LE(reader.partial.size(), kConsoleLineMax);
    }
}

class TerminalConsolePipe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe2(in_, O_CLOEXEC), 0);
        ASSERT_EQ(pipe2(out_, O_CLOEXEC | O_NONBLOCK), 0);
        terminal_console_open(console_, in_[0], out_[1]);
    }
    void TearDown() override {
        for (int fd : {in_[0], in_[1], out_[0], out_[1]})
            if (fd >= 0) close(fd);
    }
    std::string shown() {
        char buffer[4096];
        const ssize_t n = read(out_[0], buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

    int in_[2] = {-1, -1};
    int out_[2] = {-1, -1};
    terminal_console console_;
};

TEST_F(TerminalConsolePipe, OneLinePerPollNoneLost) {
    console_line line;
    EXPECT_FALSE(terminal_console_poll(console_, line));
    write_all(in_[1], "sta");
    EXPECT_FALSE(terminal_console_poll(console_, line));
    write_all(in_[1], "tus\r\nkick 3\nquit\n");
    EXPECT_EQ(poll_all(console_, 1), std::vector<std::string>{"status"});
    EXPECT_EQ(poll_all(console_, 1), std::vector<std::string>{"kick 3"});
    EXPECT_EQ(poll_all(console_, 1), std::vector<std::string>{"quit"});
    EXPECT_TRUE(poll_all(console_).empty());
    EXPECT_TRUE(console_.reading);

    // The end of input hands on a last unfinished line and only ends the reading.
    write_all(in_[1], "say bye");
    close(in_[1]);
    in_[1] = -1;
    EXPECT_EQ(poll_all(console_), std::vector<std::string>{"say bye"});
    EXPECT_FALSE(console_.reading);
    EXPECT_FALSE(terminal_console_poll(console_, line));
}

TEST_F(TerminalConsolePipe, LinesShownOneALine) {
    terminal_console_write_line(console_, "Invalid command");
    terminal_console_write_line(console_, "a\tb\x1b[2J");
    EXPECT_EQ(shown(), "Invalid command\na\tb?[2J\n");
    // A reader gone away: the line is dropped and nothing stops (the program ignores SIGPIPE, as the
    // broken-pipe set-up of its start does).
    struct sigaction old_pipe {};
    sigaction(SIGPIPE, nullptr, &old_pipe);
    sys_ignore_broken_pipes();
    close(out_[0]);
    out_[0] = -1;
    terminal_console_write_line(console_, "nobody reads this");
    sigaction(SIGPIPE, &old_pipe, nullptr);
}

TEST(TerminalConsole, NoInputOnlyEndsTheReading) {
    terminal_console console;
    terminal_console_open(console, 1000, 1001);
    EXPECT_FALSE(console.reading);
    console_line line;
    EXPECT_FALSE(terminal_console_poll(console, line));
    terminal_console_write_line(console, "dropped");
}

// A pseudo-terminal: the master is the user's keyboard and screen, the slave the console's terminal.
class TerminalConsolePty : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slave_name_ = ptsname(master_);
        slave_ = open(slave_name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(slave_, 0);
    }
    void TearDown() override {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }

    int master_ = -1;
    int slave_ = -1;
    std::string slave_name_;
};

TEST_F(TerminalConsolePty, TypedLinesOnePerPoll) {
    terminal_console console;
    terminal_console_open(console, slave_, slave_);
    console_line line;
    write_all(master_, "sta");
    EXPECT_FALSE(terminal_console_poll(console, line));
    write_all(master_, "tus\nkick 3\n\n" + std::string(300, 'z') + "\nquit\n");
    std::vector<std::string> got;
    for (int i = 0; i < 50 && got.size() < 5; ++i) {
        if (terminal_console_poll(console, line))
            got.push_back(line.refused ? "refused " + std::to_string(line.length) : line.text);
        else
            usleep(2000);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"status", "kick 3", "", "refused 300", "quit"}));
    EXPECT_TRUE(console.reading);
}

// The child makes the pseudo-terminal its controlling terminal; a grandchild in a process group of
// its own is then in the background and must read nothing (and not be stopped by the terminal).
TEST_F(TerminalConsolePty, ABackgroundProcessReadsNothing) {
    write_all(master_, "status\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setsid();
        const int terminal = open(slave_name_.c_str(), O_RDWR);
        if (terminal < 0 || !isatty(terminal) || tcgetpgrp(terminal) != getpgrp()) _exit(2);
        // In the foreground the line is there to read.
        if (terminal_in_background(terminal)) _exit(3);
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            setpgid(0, 0);
            terminal_console console;
            terminal_console_open(console, terminal, terminal);
            if (!terminal_in_background(terminal)) _exit(4);
            console_line line;
            for (int i = 0; i < 5; ++i) {
                if (terminal_console_poll(console, line)) _exit(5);
                usleep(2000);
            }
            _exit(console.reading ? 0 : 6);
        }
        int status = 0;
        if (waitpid(grandchild, &status, WUNTRACED) != grandchild) _exit(7);
        if (WIFSTOPPED(status)) {
            kill(grandchild, SIGKILL);
            _exit(8);
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 9);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

class HangUp : public ::testing::Test {
protected:
    void SetUp() override {
        sigaction(SIGHUP, nullptr, &old_hup_);
        sigaction(SIGINT, nullptr, &old_int_);
        sigaction(SIGTERM, nullptr, &old_term_);
        sys_clear_stop_request();
    }
    void TearDown() override {
        sigaction(SIGHUP, &old_hup_, nullptr);
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
        sys_clear_stop_request();
    }
    struct sigaction old_hup_ {};
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

TEST_F(HangUp, StopsTheProgramUnlessIgnoredAtTheStart) {
    signal(SIGHUP, SIG_DFL);
    sys_install_stop_handlers();
    ASSERT_EQ(raise(SIGHUP), 0);
    EXPECT_TRUE(sys_stop_requested());
    sys_clear_stop_request();

    // As under nohup: it stays ignored.
    signal(SIGHUP, SIG_IGN);
    sys_install_stop_handlers();
    struct sigaction now {};
    sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ASSERT_EQ(raise(SIGHUP), 0);
    EXPECT_FALSE(sys_stop_requested());
}

}  // namespace
}  // namespace kv
