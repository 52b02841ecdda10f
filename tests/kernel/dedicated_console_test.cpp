// The real program as a dedicated server on a pseudo-terminal that the test opens, as an admin starts
// it from a terminal: typed commands are answered there, "quit" ends it, SIGHUP stops it unless it
// was ignored at the start (nohup), and a terminal gone away does not stop it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kernel/option_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 20000;

// `kv --dedicated=yes` with the pseudo-terminal as its controlling terminal and its three streams.
class program_on_terminal {
public:
    program_on_terminal(const temp_folder& folder, bool hangup_ignored) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const std::string slave_name = ptsname(master_);
        const std::string base = "--base-dir=" + folder.file("demo-data") + "/";
        const std::string write = "--write-dir=" + folder.file("write") + "/";
        const std::string dir = folder.path().string();
        pid_ = fork();
        if (pid_ != 0) return;
        setsid();
        const int terminal = open(slave_name.c_str(), O_RDWR);
        if (terminal < 0 || chdir(dir.c_str()) != 0) _exit(120);
        for (int fd = 0; fd < 3; ++fd) dup2(terminal, fd);
        if (terminal > 2) close(terminal);
        signal(SIGHUP, hangup_ignored ? SIG_IGN : SIG_DFL);
        execl(KV_BINARY_PATH, KV_BINARY_PATH, "--dedicated=yes", base.c_str(), write.c_str(),
              static_cast<char*>(nullptr));
        _exit(121);
    }
    ~program_on_terminal() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close_terminal();
    }
    program_on_terminal(const program_on_terminal&) = delete;
    program_on_terminal& operator=(const program_on_terminal&) = delete;

    bool started() const { return pid_ > 0; }
    void type(const std::string& text) const {
        if (write(master_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) ADD_FAILURE();
    }
    // Reads the terminal's screen until it shows `text` (after what earlier waits found).
    bool wait_for_screen(const std::string& text, int timeout_ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            const std::size_t at = screen_.find(text, seen_);
            if (at != std::string::npos) {
                seen_ = at + text.size();
                return true;
            }
            if (std::chrono::steady_clock::now() >= end || master_ < 0) return false;
            pollfd waiting{master_, POLLIN, 0};
            if (poll(&waiting, 1, 50) > 0) {
                char buffer[4096];
                const ssize_t n = read(master_, buffer, sizeof buffer);
                if (n > 0) screen_.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    // The terminal goes away: the program's session gets SIGHUP from the terminal.
    void close_terminal() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    void signal_program(int number) const { kill(pid_, number); }
    std::optional<int> wait(int timeout_ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!status_) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= end) break;
            // Keep the terminal's buffer from filling.
            wait_for_screen("\x01", 20);
        }
        return status_;
    }
    const std::string& screen() const { return screen_; }

private:
    int master_ = -1;
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string screen_;
    std::size_t seen_ = 0;
};

class DedicatedConsole : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tools::write_demo_data(folder_.file("demo-data")));
        // Its own game port: tests running side by side each host a server.
        folder_.write("write/mp.cfg", "set server-port:0\nset pkg-name:depot\nstart\n");
    }
    std::string log() const { return folder_.read("kv.log"); }

    temp_folder folder_;
};

TEST_F(DedicatedConsole, CommandsAreAnsweredOnTheTerminalAndQuitEndsIt) {
    program_on_terminal kv(folder_, false);
    ASSERT_TRUE(kv.started());
    ASSERT_TRUE(kv.wait_for_screen("Running...", kWaitMs)) << kv.screen();
    EXPECT_NE(log().find("gfx: A mode for required resolution `640x480' found.\n"), std::string::npos)
        << log();
    kv.type("frobnicate\n");
    ASSERT_TRUE(kv.wait_for_screen("Invalid command", kWaitMs)) << kv.screen();
    EXPECT_TRUE(
        wait_for_text(folder_.file("kv.log"), "[con] processing console command 'frobnicate'\n", kWaitMs));
    kv.type("quit\n");
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value()) << log();
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(log().ends_with("Shutdown procedure completed.\n")) << log();
    const std::string options = folder_.read("write/options-c");
    for (const char* name :
         {"LOD_on", "portals_on", "show_portals", "occluders_on", "occmark", "show_occluders", "fullscreen",
          "bfcull_on", "gfx_varrays", "gfx_rpath", "rti_dispmode", "minfps", "minarea"})
        EXPECT_NE(options.find(name), std::string::npos) << name;
}

// The renderer's "g_" commands typed on the server's terminal change the options it saves.
TEST_F(DedicatedConsole, RendererCommandsAreSavedInTheOptionsFile) {
    program_on_terminal kv(folder_, false);
    ASSERT_TRUE(kv.started());
    ASSERT_TRUE(kv.wait_for_screen("Running...", kWaitMs)) << kv.screen();
    for (const char* line :
         {"g_lod 1\n", "g_portals 0\n", "g_occmark 120\n", "g_minarea 0.25\n", "g_rti 3\n"}) {
        kv.type(line);
        const std::string typed(line, std::strlen(line) - 1);
        EXPECT_TRUE(wait_for_text(folder_.file("kv.log"),
                                  "[con] processing console command '" + typed + "'\n", kWaitMs))
            << typed << "\n" << log() << "\nSCREEN\n" << kv.screen();
    }
    kv.type("quit\n");
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value()) << log();
    EXPECT_EQ(*status, 0);

    option_registry saved;
    bool lod = false;
    bool portals = true;
    float occmark = 0.0f;
    float minarea = 0.0f;
    int32_t rti = 0;
    option_registry_add_bool(saved, "LOD_on", &lod);
    option_registry_add_bool(saved, "portals_on", &portals);
    option_registry_add_float(saved, "occmark", &occmark);
    option_registry_add_float(saved, "minarea", &minarea);
    option_registry_add_int(saved, "rti_dispmode", &rti);
    load_options(saved, folder_.file("write/options-c"));
    EXPECT_TRUE(lod);
    EXPECT_FALSE(portals);
    EXPECT_FLOAT_EQ(occmark, 0.12f);
    EXPECT_FLOAT_EQ(minarea, 0.25f);
    EXPECT_EQ(rti, 3);
}

TEST_F(DedicatedConsole, HangUpStopsItCleanly) {
    for (const bool terminal_closed : {false, true}) {
        SCOPED_TRACE(terminal_closed ? "the terminal closed" : "SIGHUP sent");
        program_on_terminal kv(folder_, false);
        ASSERT_TRUE(kv.started());
        ASSERT_TRUE(kv.wait_for_screen("Running...", kWaitMs)) << kv.screen();
        if (terminal_closed) {
            kv.close_terminal();
        } else {
            kv.signal_program(SIGHUP);
        }
        const std::optional<int> status = kv.wait(kWaitMs);
        ASSERT_TRUE(status.has_value()) << log();
        EXPECT_EQ(*status, 0);
        EXPECT_TRUE(log().ends_with("Shutdown procedure completed.\n")) << log();
    }
}

// As under nohup: the terminal goes away and the server runs on until it is told to stop.
TEST_F(DedicatedConsole, UnderNohupATerminalGoneDoesNotStopIt) {
    program_on_terminal kv(folder_, true);
    ASSERT_TRUE(kv.started());
    ASSERT_TRUE(kv.wait_for_screen("Running...", kWaitMs)) << kv.screen();
    kv.close_terminal();
    kv.signal_program(SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(kv.wait(0).has_value()) << log();
    kv.signal_program(SIGTERM);
    const std::optional<int> status = kv.wait(kWaitMs);
    ASSERT_TRUE(status.has_value()) << log();
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(log().ends_with("Shutdown procedure completed.\n")) << log();
}

}  // namespace
}  // namespace kv
