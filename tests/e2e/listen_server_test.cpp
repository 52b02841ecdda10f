// The game hosted from the menus, end to end: real `kv` processes in run folders of their own (the
// demo's "data/" and the sample bot module in "bot/"), each client on an Xvfb of its own, driven by
// mouse clicks through XTEST.
//
// - A listen server: a client hosts "depot" for the LAN from the LAN game list's host screen; its
//   own client logs in; a second client finds the game in its LAN list and joins; both load the map. Both
//   clients run while the test holds the client port 57777, so each binds another port. The main menu's own
//   host button hosts a local game, which answers no LAN query: its client logs in alone.
// - The dedicated box: a client hosts for the internet with the box ticked; "mp.cfg" is written into
//   the write folder, the program starts itself again as a dedicated server in the same folder, and
//   the new process hosts the map and logs its bots in.
//
// A LAN game answers the LAN list on the fixed server port 57778 (the port LAN broadcasts reach), so
// the listen-server test skips when another program holds that port.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/packet.h"
#include "tests/e2e/x_input.h"
#include "tests/support/child_process.h"
#include "tests/support/program_logs.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int kWaitMs = 30000;
constexpr uint16_t kClientPort = 57777;
constexpr uint16_t kLanPort = 57778;
constexpr uint16_t kMasterPort = 57776;

// Menu positions on the screens' 0..1000 grid (tools/menu_screens.cpp).
struct point {
    int x, y;
};
constexpr point kMainHostGame{500, 375};
constexpr point kMainLanGames{500, 445};
constexpr point kMainInternetGames{500, 515};
constexpr point kListHostGame{145, 845};
constexpr point kListRefresh{515, 845};  // the LAN list's button 2 asks the network again
constexpr point kListJoin{885, 845};
constexpr point kListFirstRow{500, 225};
constexpr point kHostRulesPage{390, 165};
constexpr point kHostBotsPage{790, 165};
constexpr point kHostFirstMap{250, 455};
constexpr point kHostMoveMap{500, 540};
constexpr point kHostDedicatedBox{652, 542};
constexpr point kHostBotPreset{400, 300};
constexpr point kHostTeam1Bots{92, 422};
constexpr point kHostStart{830, 845};

// The pointer of a screen moves 1.8 grid units per pixel of mouse motion and stays within the grid.
constexpr double kGridPerPixel = 1.8;
// The clients' X screens, which their windows of "--resolution=1" fill.
constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

std::string slurp(const std::filesystem::path& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr) return "";
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    return text;
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// A run folder as the build lays it out: the demo's "data/" and the sample bot module in "bot/".
bool make_run_folder(const temp_folder& folder) {
    if (!tools::write_demo_data(folder.file("data"))) return false;
    std::error_code error;
    std::filesystem::copy(KV_SAMPLE_BOT_DIR, folder.file("bot"), std::filesystem::copy_options::recursive,
                          error);
    return !error;
}

// One `kv` client in its run folder on its own X server, and the clicks that drive its menus.
class menu_client {
public:
    menu_client() { folder_ok_ = make_run_folder(folder_); }

    bool display_ok() const { return display_.ok(); }
    bool folder_ok() const { return folder_ok_; }
    // Starts `kv` in the run folder with the default options but an 800 x 600 window, and `words`.
    void start(const std::vector<std::string>& words = {}) {
        scoped_display_env env(display_.name());
        // No sound card: OpenAL Soft plays into nothing. The sanitizer build's program skips what the
        // desktop libraries keep until exit; a program it starts again inherits both.
        scoped_env sound("ALSOFT_DRIVERS", "null");
        scoped_env leaks("LSAN_OPTIONS", child_leak_options());
        std::vector<std::string> all = {"--resolution=1"};
        all.insert(all.end(), words.begin(), words.end());
        process_.emplace(KV_BINARY_PATH, all, folder_.path().string());
    }
    bool started() const { return process_ && process_->started(); }
    const temp_folder& folder() const { return folder_; }
    child_process& process() { return *process_; }
    std::string log() const { return folder_.read("kv.log"); }
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }
    bool wait_logged(const std::string& text, int timeout_ms = kWaitMs) const {
        return wait_until([&] { return logged(text); }, timeout_ms);
    }
    // Until the menu level's view is up, and a second more for its first frames.
    bool wait_for_menu() const {
        if (!wait_logged("View `default' activated.\n")) return false;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return true;
    }

    // Clicks the left button on grid point `at` of the current screen, once the game has drawn its
    // pointer there.
    bool click(point at) {
        if (!input_) input_ = std::make_unique<x_input>(display_.name());
        if (!input_->ok() || !input_->point_screen_at(at.x, at.y, kScreenWidth, kScreenHeight, kGridPerPixel))
            return false;
        input_->click();
        return true;
    }

    // Once its server service started: true when the game server took the LAN server port, false when
    // another program holds it (the server stops), nothing when neither was logged in time.
    std::optional<bool> wait_for_lan_port() const {
        const std::string taken = "Cannot set source for communication socket - network down\n";
        if (!wait_until([&] { return logged("Communication port is 57778\n") || logged(taken); }, kWaitMs))
            return std::nullopt;
        return !logged(taken);
    }

    // SIGTERM, then the exit status; the log must end with the shutdown line.
    void stop_and_check() {
        if (!started()) return;
        process_->signal(SIGTERM);
        const std::optional<int> status = process_->wait(kWaitMs);
        ASSERT_TRUE(status.has_value()) << log();
        EXPECT_EQ(*status, 0) << log();
        EXPECT_TRUE(log().ends_with("Shutdown procedure completed.\n")) << log();
    }

private:
    x_display display_{kScreenWidth, kScreenHeight};
    std::unique_ptr<x_input> input_;
    temp_folder folder_;
    bool folder_ok_ = false;
    std::optional<child_process> process_;
};

// The tests host on the fixed server port (listen servers from the menus and a relaunched dedicated
// server use the default port): they take turns through a lock file.
class server_port_turn {
public:
    server_port_turn() {
        const std::string path =
            (std::filesystem::temp_directory_path() / "kv-e2e-server-port.lock").string();
        fd_ = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~server_port_turn() {
        if (fd_ >= 0) ::close(fd_);
    }
    server_port_turn(const server_port_turn&) = delete;
    server_port_turn& operator=(const server_port_turn&) = delete;

private:
    int fd_ = -1;
};

// A UDP socket on `port` of every address, or -1 when another program holds the port.
int hold_port(uint16_t port) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// The port in the client's "[NET] Communication port is %d" line, 0 when there is none.
int client_port(const std::string& log) {
    const std::string mark = "[NET] Communication port is ";
    const std::size_t at = log.find(mark);
    return at == std::string::npos ? 0 : std::atoi(log.c_str() + at + mark.size());
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ListenServer, HostedFromTheLanListIsFoundInTheLanListOfASecondClientAndJoined) {
    // The LAN list reaches games on the fixed server port only.
    server_port_turn turn;
    const int probe = hold_port(kLanPort);
    if (probe < 0) GTEST_SKIP() << "the LAN server port " << kLanPort << " is taken by another program";
    ::close(probe);
    // Both clients find the client port taken by this test. Other tests' clients take it for a while
    // too: the test waits for its turn.
    int held = -1;
    wait_until([&] { return (held = hold_port(kClientPort)) >= 0; }, kWaitMs);

    menu_client host;
    if (!host.display_ok()) GTEST_SKIP() << "Xvfb cannot start here";
    ASSERT_TRUE(host.folder_ok());
    host.start();
    ASSERT_TRUE(host.started());
    ASSERT_TRUE(host.wait_for_menu()) << host.log();
    // Main menu, LAN games, host game: the host screen opens at its maps page.
    ASSERT_TRUE(host.click(kMainLanGames));
    ASSERT_TRUE(host.click(kListHostGame));
    ASSERT_TRUE(host.click(kHostFirstMap));
    ASSERT_TRUE(host.click(kHostMoveMap));
    ASSERT_TRUE(host.click(kHostStart));
    ASSERT_TRUE(host.wait_logged("[game] Local KV server service started\n")) << host.log();
    const std::optional<bool> lan_port = host.wait_for_lan_port();
    ASSERT_TRUE(lan_port.has_value()) << host.log();
    if (!*lan_port) {
        host.stop_and_check();
        if (held >= 0) ::close(held);
        GTEST_SKIP() << "another program took the LAN server port " << kLanPort;
    }
    const std::filesystem::path host_data = host.folder().path() / "data";
    // The hosting client logs in to the server of its own process.
    ASSERT_TRUE(
        wait_until([&] { return session_log_in(host_data).find(" CONN\n") != std::string::npos; }, kWaitMs))
        << host.log() << session_log_in(host_data);
    EXPECT_NE(session_log_in(host_data).find("PLR 100 Player CONN\n"), std::string::npos)
        << session_log_in(host_data);

    // The second client: main menu, LAN games; the list finds the game; the first row, join. The
    // list is asked again when the join does not come through.
    menu_client guest;
    ASSERT_TRUE(guest.folder_ok());
    guest.start();
    ASSERT_TRUE(guest.started());
    ASSERT_TRUE(guest.wait_for_menu()) << guest.log();
    ASSERT_TRUE(guest.click(kMainLanGames));
    bool joined = false;
    for (int attempt = 0; attempt < 3 && !joined; ++attempt) {
        if (attempt > 0) {
            ASSERT_TRUE(guest.click(kListRefresh));
        }
        std::this_thread::sleep_for(std::chrono::seconds(4));
        ASSERT_TRUE(guest.click(kListFirstRow));
        ASSERT_TRUE(guest.click(kListJoin));
        joined = wait_until([&] { return count(session_log_in(host_data), " CONN\n") >= 2; }, 8000);
    }
    const std::string sessions = session_log_in(host_data);
    EXPECT_TRUE(joined) << guest.log() << sessions;
    // The second player of the same nick gets it with ".1" after it.
    EXPECT_NE(sessions.find(" Player.1 CONN\n"), std::string::npos) << sessions;
    // Both clients follow the session to its map.
    EXPECT_TRUE(host.wait_logged("Loading package 'depot' ...\n")) << host.log();
    EXPECT_TRUE(guest.wait_logged("Loading package 'depot' ...\n")) << guest.log();

    // Client and server on one machine: the server has 57778, the clients moved on from 57777 (to
    // 57877 or, when that is taken too, one of the thousand ports after it).
    const int host_port = client_port(host.log());
    const int guest_port = client_port(guest.log());
    EXPECT_NE(host_port, guest_port);
    if (held >= 0) {
        for (int port : {host_port, guest_port}) {
            EXPECT_GE(port, kClientPort + 100);
            EXPECT_LE(port, kClientPort + 1100);
        }
    } else {
        std::printf("The client port %d stayed taken by other programs: the clients' ports go unchecked\n",
                    kClientPort);
    }

    guest.stop_and_check();
    host.stop_and_check();
    if (held >= 0) ::close(held);
}

// The main menu's own host button hosts a local game (no LAN query is answered): the server runs in
// the process, its client logs in and loads the map.
TEST(ListenServer, HostedFromTheMainMenuAsALocalGameWhoseOwnClientLogsIn) {
    menu_client host;
    if (!host.display_ok()) GTEST_SKIP() << "Xvfb cannot start here";
    ASSERT_TRUE(host.folder_ok());
    host.start();
    ASSERT_TRUE(host.started());
    ASSERT_TRUE(host.wait_for_menu()) << host.log();
    ASSERT_TRUE(host.click(kMainHostGame));
    ASSERT_TRUE(host.click(kHostFirstMap));
    ASSERT_TRUE(host.click(kHostMoveMap));
    server_port_turn turn;
    const int probe = hold_port(kLanPort);
    if (probe < 0) GTEST_SKIP() << "the server port " << kLanPort << " is taken by another program";
    ::close(probe);
    ASSERT_TRUE(host.click(kHostStart));
    ASSERT_TRUE(host.wait_logged("[game] Local KV server service started\n")) << host.log();
    const std::optional<bool> lan_port = host.wait_for_lan_port();
    ASSERT_TRUE(lan_port.has_value()) << host.log();
    if (!*lan_port) {
        host.stop_and_check();
        GTEST_SKIP() << "another program took the server port " << kLanPort;
    }
    const std::filesystem::path host_data = host.folder().path() / "data";
    EXPECT_TRUE(wait_until(
        [&] { return session_log_in(host_data).find("PLR 100 Player CONN\n") != std::string::npos; },
        kWaitMs))
        << host.log() << session_log_in(host_data);
    EXPECT_TRUE(host.wait_logged("Loading package 'depot' ...\n")) << host.log();
    host.stop_and_check();
}

// A master server for the internet mode on an address of its own (127.x.y.z) of the loopback net, so
// that the fixed master port collides with no other test: it answers every "hello" with "OK".
class loopback_master {
public:
    loopback_master() {
        std::random_device random;
        std::mt19937 pick(random());
        for (int tries = 0; tries < 20 && socket_ < 0; ++tries) {
            const uint32_t address = (127u << 24) |
                                     (std::uniform_int_distribution<uint32_t>(1, 250)(pick) << 16) |
                                     (std::uniform_int_distribution<uint32_t>(1, 250)(pick) << 8) |
                                     std::uniform_int_distribution<uint32_t>(2, 250)(pick);
            const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_addr.s_addr = htonl(address);
            local.sin_port = htons(kMasterPort);
            if (s >= 0 && ::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) {
                socket_ = s;
                address_ = address;
            } else if (s >= 0) {
                ::close(s);
            }
        }
        if (socket_ >= 0) thread_ = std::thread([this] { serve(); });
    }
    ~loopback_master() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (socket_ >= 0) ::close(socket_);
    }
    loopback_master(const loopback_master&) = delete;
    loopback_master& operator=(const loopback_master&) = delete;

    bool ok() const { return socket_ >= 0; }
    std::string address() const {
        return str_format("%u.%u.%u.%u", address_ >> 24, (address_ >> 16) & 0xFF, (address_ >> 8) & 0xFF,
                          address_ & 0xFF);
    }
    int hellos() const { return hellos_; }

private:
    void serve() {
        uint8_t buffer[2048];
        while (!stop_) {
            pollfd ready{socket_, POLLIN, 0};
            if (::poll(&ready, 1, 100) != 1) continue;
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n =
                ::recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n < static_cast<ssize_t>(kPacketHeaderSize)) continue;
            packet in(buffer, static_cast<std::size_t>(n));
            if (in.type != kPacketCommand) continue;
            uint8_t id = 0;
            std::string text;
            if (!in.body.read_u8(id) || !in.body.read_string(text) || text != "hello") continue;
            packet out(kPacketCommandResult);
            out.body.write_u8(id);
            out.body.write_string("OK");
            out.set_header(0, 0, 0);
            ::sendto(socket_, out.body.data(), out.body.size(), 0, reinterpret_cast<const sockaddr*>(&from),
                     length);
            hellos_ += 1;
        }
    }

    int socket_ = -1;
    uint32_t address_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> hellos_{0};
    std::thread thread_;
};

// The `kv` processes, other than `except`, whose current folder is `folder`.
std::vector<pid_t> kv_processes_in(const std::filesystem::path& folder, pid_t except) {
    std::vector<pid_t> found;
    std::error_code error;
    const std::filesystem::path binary = std::filesystem::canonical(KV_BINARY_PATH, error);
    const std::filesystem::path where = std::filesystem::canonical(folder, error);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
        if (pid == except) continue;
        std::error_code e1, e2;
        const auto cwd = std::filesystem::read_symlink(entry.path() / "cwd", e1);
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", e2);
        if (!e1 && !e2 && cwd == where && exe == binary) found.push_back(pid);
    }
    return found;
}

// Makes this process the reaper of its orphaned descendants for the life of the guard, so that the
// exit status of a program the child started reaches the test.
class scoped_subreaper {
public:
    scoped_subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~scoped_subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
};

std::optional<int> wait_pid(pid_t pid, int timeout_ms) {
    std::optional<int> result;
    wait_until(
        [&] {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) != pid) return false;
            result = WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
            return true;
        },
        timeout_ms);
    return result;
}

TEST(ListenServer, TheDedicatedBoxWritesTheScriptAndRelaunchesTheProgramAsADedicatedServerWithItsBots) {
    loopback_master master;
    if (!master.ok()) GTEST_SKIP() << "no loopback address for the master server";
    scoped_subreaper reaper;

    // The run folder writes into "write/", and its network settings name the test's master.
    menu_client client;
    if (!client.display_ok()) GTEST_SKIP() << "Xvfb cannot start here";
    ASSERT_TRUE(client.folder_ok());
    const temp_folder& folder = client.folder();
    folder.write("data/net.cfg", "master:" + master.address() + "\n");
    std::filesystem::create_directories(folder.file("write"));
    const std::string shipped_script = folder.read("data/mp.cfg");
    client.start({"--write-dir=./write/"});
    ASSERT_TRUE(client.started());
    // Whatever happens, no server started here outlives the test.
    struct end_servers {
        const temp_folder& folder;
        ~end_servers() {
            for (pid_t pid : kv_processes_in(folder.path(), -1)) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } guard{folder};
    ASSERT_TRUE(client.wait_for_menu()) << client.log();

    // Main menu, internet games, host game (the maps page): depot into the rotation; the rules
    // page: the dedicated box; the bots page: the first preset with team 1's bots; start.
    ASSERT_TRUE(client.click(kMainInternetGames));
    ASSERT_TRUE(client.click(kListHostGame));
    ASSERT_TRUE(client.click(kHostFirstMap));
    ASSERT_TRUE(client.click(kHostMoveMap));
    ASSERT_TRUE(client.click(kHostRulesPage));
    ASSERT_TRUE(client.click(kHostDedicatedBox));
    ASSERT_TRUE(client.click(kHostBotsPage));
    ASSERT_TRUE(client.click(kHostBotPreset));
    ASSERT_TRUE(client.click(kHostTeam1Bots));
    // The host screen leaves the server port at its default, which the new process binds.
    server_port_turn turn;
    const int probe = hold_port(kLanPort);
    if (probe < 0) GTEST_SKIP() << "the server port " << kLanPort << " is taken by another program";
    ::close(probe);
    ASSERT_TRUE(client.click(kHostStart));

    // The client ends normally and leaves a dedicated server behind in the same folder.
    const std::optional<int> status = client.process().wait(kWaitMs);
    ASSERT_TRUE(status.has_value()) << client.log();
    EXPECT_EQ(*status, 0);
    const std::string script = folder.read("write/mp.cfg");
    EXPECT_NE(script.find("set net-mode:inet\n"), std::string::npos) << script;
    EXPECT_NE(script.find("set bots-setup:2001 0000 0000\n"), std::string::npos) << script;
    EXPECT_NE(script.find("set pkg-name:depot\nstart\n"), std::string::npos) << script;
    EXPECT_EQ(script.find("dedicated"), std::string::npos) << script;
    EXPECT_EQ(folder.read("data/mp.cfg"), shipped_script);

    std::vector<pid_t> relaunched;
    ASSERT_TRUE(wait_until(
        [&] {
            relaunched = kv_processes_in(folder.path(), -1);
            return !relaunched.empty();
        },
        kWaitMs));
    ASSERT_EQ(relaunched.size(), 1u);
    const pid_t server = relaunched[0];
    const std::string cmdline = slurp(std::filesystem::path("/proc") / std::to_string(server) / "cmdline");
    EXPECT_NE(cmdline.find("--write-dir=./write/"), std::string::npos);
    EXPECT_NE(cmdline.find("--dedicated=yes"), std::string::npos);

    // The new process hosts the depot in internet mode, registered with the master; its own client
    // logs in as "!q!" and sends the bot line: three bots join team 1.
    const std::filesystem::path write_path = folder.path() / "write";
    const auto sessions_hold = [&](const std::string& text) {
        return wait_until([&] { return session_log_in(write_path).find(text) != std::string::npos; },
                          kWaitMs);
    };
    ASSERT_TRUE(client.wait_logged("[game] Local KV server service started\n")) << client.log();
    ASSERT_TRUE(wait_until(
        [&] {
            return client.logged("Communication port is 57778\n") ||
                   client.logged("Cannot set source for communication socket - network down\n");
        },
        kWaitMs))
        << client.log();
    if (client.logged("Cannot set source for communication socket - network down\n"))
        GTEST_SKIP() << "another program took the server port " << kLanPort;
    EXPECT_TRUE(sessions_hold("!q! CONN\n")) << client.log() << session_log_in(write_path);
    EXPECT_TRUE(sessions_hold("BOT 3 JOINED 1\n")) << client.log() << session_log_in(write_path);
    const std::string sessions = session_log_in(write_path);
    for (const char* line : {"BOT 1 CONN\n", "BOT 1 JOINED 1\n", "BOT 2 JOINED 1\n"})
        EXPECT_NE(sessions.find(line), std::string::npos) << line << sessions;
    EXPECT_GE(master.hellos(), 1);
    // The bot host of the new process gives them bots of the sample module.
    EXPECT_TRUE(client.wait_logged("kvbot: bot 1 attached to player 1\n")) << client.log();

    ::kill(server, SIGTERM);
    const std::optional<int> server_status = wait_pid(server, kWaitMs);
    ASSERT_TRUE(server_status.has_value()) << client.log();
    EXPECT_EQ(*server_status, 0) << client.log();
    EXPECT_TRUE(client.log().ends_with("Shutdown procedure completed.\n")) << client.log();
}

}  // namespace
}  // namespace kv
