// The whole game's costs, with the real program and the demo data:
// - the client's whole frame (network tick, world frame, drawing, swap: one main-loop pass) on the
//   demo level at 800x600 on Mesa's software rasteriser under an Xvfb of the benchmark's own, joined
//   with `-join` to a dedicated `kv` hosting "depot" on loopback (goal: median under 33 ms);
// - the dedicated server's frame (one main-loop pass without its sleep) with 16 players, 8 of them
//   bots of the sample module and 8 scripted clients that logged in and joined a team (goal: under
//   2 ms);
// - a dedicated `kv` idling on "depot" with no player: its processor time (user and system, every
//   thread) over ten seconds of wall time (goal: under 1% of one core).
// The measured client and server run in a forked copy of this program, so that their singletons are
// their own; they hand their pass times back through a pipe. Run them with
// `build/kv_bench --benchmark_filter=WholeGame`.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "game/server.h"
#include "kernel/engine_main.h"
#include "kernel/kernel.h"
#include "net/snapshot_package.h"
#include "platform/clock.h"
#include "tests/support/child_process.h"
#include "tests/support/program_logs.h"
#include "tests/support/scripted_client.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWaitMs = 60000;
constexpr int kMeasuredPasses = 300;
constexpr auto kWarmUp = std::chrono::seconds(2);
constexpr auto kIdleInterval = std::chrono::seconds(10);
constexpr int kBots = 8;
constexpr int kHumans = 8;
// Two bots of specialisations 0 and 1 in each of teams 0 and 1.
constexpr const char* kBotLine = "2200 2200 0000";

// A folder of the benchmark's own, removed with it.
class bench_folder {
public:
    bench_folder() {
        std::string name = (std::filesystem::temp_directory_path() / "kv_whole_game_bench_XXXXXX").string();
        if (mkdtemp(name.data()) != nullptr) path_ = name;
    }
    ~bench_folder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    bool ok() const { return !path_.empty(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path path_;
};

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A dedicated `kv` in `folder`/server hosting "depot" from its settings script, `bots` its bot line.
std::unique_ptr<child_process> start_server(const bench_folder& folder, const std::string& bots) {
    folder.write("server/write/mp.cfg", "set server-port:0\nset bots-setup:" + bots + "\nset pkg-name:" +
                                            tools::kDemoMap + "\nstart\n");
    std::filesystem::create_directories(folder.file("server/bot"));
    return std::make_unique<child_process>(
        KV_BINARY_PATH,
        std::vector<std::string>{"--dedicated=yes", "--base-dir=" + folder.file("data") + "/",
                                 "--write-dir=" + folder.file("server/write") + "/"},
        folder.file("server"));
}

// The processor time of a process so far (user and system, all its threads), in seconds.
std::optional<double> processor_seconds_of(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name in parentheses may hold blanks: the fields are counted after its end.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // Fields 3 to 13, then utime (14) and stime (15).
    for (int i = 3; i <= 13; ++i) fields >> field;
    long long user = 0;
    long long system = 0;
    if (!(fields >> user >> system)) return std::nullopt;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The machine's clock, counting the time the main loop spends asleep.
class sleep_counting_clock : public sys_clock {
public:
    explicit sleep_counting_clock(sys_clock& machine) : machine_(machine) {}
    int64_t counter_frequency() override { return machine_.counter_frequency(); }
    int64_t counter_now() override { return machine_.counter_now(); }
    uint32_t ms_now() override { return machine_.ms_now(); }
    void period_begin() override { machine_.period_begin(); }
    void period_end() override { machine_.period_end(); }
    void sleep_ms(int ms) override {
        const auto start = std::chrono::steady_clock::now();
        machine_.sleep_ms(ms);
        slept += std::chrono::steady_clock::now() - start;
    }
    std::chrono::steady_clock::duration slept{};

private:
    sys_clock& machine_;
};

// Runs `body` in a forked copy of this program and returns the pass times (ms) it writes to the pipe;
// `body` returns false when it could not measure. Meanwhile `beside`, when given, runs on a thread of
// this process until the copy has ended and `stop` is set (the thread starts after the fork).
std::vector<double> forked_pass_times(const std::function<bool(int fd)>& body, std::string& error,
                                      const std::function<void(const std::atomic<bool>& stop)>& beside = {}) {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = "no pipe";
        return {};
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(ends[0]);
        // The dedicated console reads a pipe nobody types into and writes nowhere.
        int typed[2] = {-1, -1};
        if (pipe(typed) == 0) dup2(typed[0], STDIN_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY);
        if (nowhere >= 0) dup2(nowhere, STDOUT_FILENO);
        const bool measured = body(ends[1]);
        close(ends[1]);
        _exit(measured ? 0 : 3);
    }
    close(ends[1]);
    std::atomic<bool> stop{false};
    std::thread beside_thread;
    if (beside) beside_thread = std::thread([&beside, &stop] { beside(stop); });
    std::vector<double> times;
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(ends[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    stop.store(true);
    if (beside_thread.joinable()) beside_thread.join();
    for (std::size_t at = 0; at + sizeof(double) <= bytes.size(); at += sizeof(double)) {
        double t = 0.0;
        std::memcpy(&t, bytes.data() + at, sizeof t);
        times.push_back(t);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) error = "the measured program did not finish its run";
    return times;
}

void write_times(int fd, const std::vector<double>& times) {
    const char* p = reinterpret_cast<const char*>(times.data());
    std::size_t left = times.size() * sizeof(double);
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Starts the engine from these words in the current folder; false when start-up failed.
bool engine_start(engine_session& session, const std::vector<std::string>& words) {
    std::vector<const char*> argv{"kv"};
    for (const std::string& w : words) argv.push_back(w.c_str());
    command_line line = command_line_from_words(static_cast<int>(argv.size()), argv.data());
    return engine_start_up(session, static_cast<int>(line.argv.size()), line.argv.data()) == start_up_result::run;
}

void engine_end(engine_session& session) {
    kernel_stop(kernel_get());
    while (engine_main_pass(session)) {
    }
    engine_write_statistics();
    engine_shut_down(session);
}

// Passes until `done` holds; false when the loop ended or the wait ran out.
bool pass_until(engine_session& session, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end || !engine_main_pass(session)) return false;
    }
    return true;
}

void report(benchmark::State& state, std::vector<double> times, const std::string& error) {
    if (times.empty()) {
        state.SkipWithError(error.empty() ? "nothing measured" : error.c_str());
        return;
    }
    std::sort(times.begin(), times.end());
    double sum = 0.0;
    for (double t : times) sum += t;
    const auto at = [&times](double share) {
        return times[std::min(times.size() - 1, static_cast<std::size_t>(share * static_cast<double>(times.size())))];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["max_ms"] = times.back();
    state.counters["mean_ms"] = sum / static_cast<double>(times.size());
    state.counters["passes"] = static_cast<double>(times.size());
    if (!error.empty()) state.SkipWithError(error.c_str());
}

void BM_WholeGameClientFrameOnTheDemoLevel(benchmark::State& state) {
    bench_folder folder;
    x_display display(800, 600);
    if (!folder.ok() || !display.ok()) {
        state.SkipWithError("no folder or no Xvfb");
        return;
    }
    tools::write_demo_data(folder.file("data"));
    std::unique_ptr<child_process> host = start_server(folder, "");
    if (!wait_for_text(folder.file("server/kv.log"), "Loading package 'depot' ...\n", kWaitMs)) {
        state.SkipWithError("the server did not host the demo level");
        return;
    }
    const int port = game_server_port(folder.read("server/kv.log"));
    std::filesystem::create_directories(folder.file("client/write"));
    std::vector<double> times;
    std::string error;
    for (auto _ : state) {
        times = forked_pass_times(
            [&](int fd) {
                setenv("DISPLAY", display.name().c_str(), 1);
                setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
                // No sound card: OpenAL Soft plays into nothing.
                setenv("ALSOFT_DRIVERS", "null", 1);
                std::filesystem::current_path(folder.file("client"));
                engine_session session;
                if (!engine_start(session, {"--base-dir=" + folder.file("data") + "/",
                                            "--write-dir=" + folder.file("client/write") + "/", "--resolution=1",
                                            "-join", "127.0.0.1:" + std::to_string(port), "-name", "Ann"}))
                    return false;
                server& srv = server_get();
                const bool in_level = pass_until(session, [&srv] {
                    return srv.game_package == tools::kDemoMap && server_game_package_loaded(srv);
                });
                if (!in_level) return false;
                const auto warm_end = std::chrono::steady_clock::now() + kWarmUp;
                while (std::chrono::steady_clock::now() < warm_end) engine_main_pass(session);
                std::vector<double> passes;
                double triangles = 0.0;
                for (int i = 0; i < kMeasuredPasses; ++i) {
                    const auto start = std::chrono::steady_clock::now();
                    if (!engine_main_pass(session)) return false;
                    passes.push_back(
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                    triangles += static_cast<double>(kernel_get().graphics.counters.triangles);
                }
                // The last value: the triangles a frame drew, on average.
                passes.push_back(triangles / kMeasuredPasses);
                write_times(fd, passes);
                engine_end(session);
                return true;
            },
            error);
        state.SetIterationTime(1.0);
    }
    if (!times.empty()) {
        state.counters["triangles_per_frame"] = times.back();
        times.pop_back();
    }
    // The renderer the client's OpenGL driver found.
    const std::string client_log = folder.read("client/kv.log");
    const std::size_t renderer = client_log.find("Renderer  : ");
    if (renderer != std::string::npos)
        state.SetLabel(client_log.substr(renderer + 12, client_log.find('\n', renderer) - renderer - 12));
    report(state, times, error);
    host->signal(SIGTERM);
    host->wait(kWaitMs);
}
BENCHMARK(BM_WholeGameClientFrameOnTheDemoLevel)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A scripted player: logged in, then joined to a team once the round machine has left the map change.
struct scripted_player {
    std::unique_ptr<scripted_client> client;
    int id = 0;
    bool joined = false;
};

void BM_WholeGameServerFrameWith16Players(benchmark::State& state) {
    bench_folder folder;
    if (!folder.ok()) {
        state.SkipWithError("no folder");
        return;
    }
    tools::write_demo_data(folder.file("data"));
    // The sample module, from the server's own "./bot".
    std::filesystem::create_directories(folder.file("server/bot"));
    std::error_code copy_error;
    std::filesystem::copy(KV_SAMPLE_BOT_DIR, folder.file("server/bot"),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
                          copy_error);
    folder.write("server/write/mp.cfg", std::string("set server-port:0\nset bots-setup:") + kBotLine +
                                            "\nset pkg-name:" + tools::kDemoMap + "\nstart\n");
    int log_level = 0;
    std::vector<double> times;
    std::string error;
    for (auto _ : state) {
        // The humans play from this process while the forked server measures.
        const auto play = [&](const std::atomic<bool>& stop) {
            std::vector<scripted_player> humans;
            const std::string log = folder.file("server/kv.log");
            if (!wait_for_text(log, "Loading package 'depot' ...\n", kWaitMs)) return;
            const int port = game_server_port(folder.read("server/kv.log"));
            for (int i = 0; i < kHumans; ++i) {
                scripted_player p;
                p.client = std::make_unique<scripted_client>(log_level, static_cast<uint16_t>(port));
                p.client->command(1, "login 0 0 1000 \"P" + std::to_string(i) + "\"");
                humans.push_back(std::move(p));
            }
            while (!stop.load()) {
                for (std::size_t i = 0; i < humans.size(); ++i) {
                    scripted_player& p = humans[i];
                    p.client->poll();
                    for (const std::string& reply : p.client->replies()) {
                        if (p.id == 0 && reply.starts_with("OK ")) p.id = std::stoi(reply.substr(3));
                    }
                    bool playing = false;
                    for (packet& g : p.client->take_type(kPacketGameSnapshot)) {
                        snapshot_package received;
                        if (snapshot_package_read(received, g)) playing = received.state != kGameMapChange;
                    }
                    if (p.id != 0 && playing && !p.joined) {
                        // Specialisation 0, teams 0 and 1 in turn.
                        p.client->command(2, "join " + std::to_string(p.id) + " 0 " + std::to_string(i % 2) + " 0 0");
                        p.joined = true;
                    }
                    p.client->inbox.clear();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        };
        times = forked_pass_times(
            [&](int fd) {
                std::filesystem::current_path(folder.file("server"));
                sleep_counting_clock clock(sys_clock_get());
                sys_clock_install(&clock);
                engine_session session;
                if (!engine_start(session, {"--dedicated=yes", "--base-dir=" + folder.file("data") + "/",
                                            "--write-dir=" + folder.file("server/write") + "/"}))
                    return false;
                server& srv = server_get();
                // Every bot attached and every human joined: 16 players beside the host.
                const bool full = pass_until(session, [&srv] {
                    int players = 0;
                    for (const player_record& r : srv.players) players += r.team >= 0 && r.team < kNoTeam ? 1 : 0;
                    return players >= kBots + kHumans;
                });
                if (!full) return false;
                const auto warm_end = std::chrono::steady_clock::now() + kWarmUp;
                while (std::chrono::steady_clock::now() < warm_end) engine_main_pass(session);
                std::vector<double> passes;
                int players = 0;
                for (const player_record& r : srv.players) players += r.team >= 0 && r.team < kNoTeam ? 1 : 0;
                for (int i = 0; i < kMeasuredPasses; ++i) {
                    const auto start = std::chrono::steady_clock::now();
                    const auto slept_before = clock.slept;
                    if (!engine_main_pass(session)) return false;
                    const auto worked = std::chrono::steady_clock::now() - start - (clock.slept - slept_before);
                    passes.push_back(std::chrono::duration<double, std::milli>(worked).count());
                }
                // The last value: the players in teams.
                passes.push_back(players);
                write_times(fd, passes);
                engine_end(session);
                sys_clock_install(nullptr);
                return true;
            },
            error, play);
        state.SetIterationTime(1.0);
    }
    if (!times.empty()) {
        state.counters["players"] = times.back();
        times.pop_back();
    }
    report(state, times, error);
}
BENCHMARK(BM_WholeGameServerFrameWith16Players)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WholeGameIdleDedicatedServer(benchmark::State& state) {
    bench_folder folder;
    if (!folder.ok()) {
        state.SkipWithError("no folder");
        return;
    }
    tools::write_demo_data(folder.file("data"));
    std::unique_ptr<child_process> host = start_server(folder, "");
    const std::string log = folder.file("server/kv.log");
    // The host "!q!" is in and the world has the level: from here on the server idles.
    if (!wait_for_text(log, "Loading package 'depot' ...\n", kWaitMs) ||
        !wait_for_text(log, "View `default' activated.\n", kWaitMs)) {
        state.SkipWithError("the server did not host the demo level");
        return;
    }
    std::this_thread::sleep_for(kWarmUp);
    double processor = 0.0;
    double wall = 0.0;
    for (auto _ : state) {
        const std::optional<double> before = processor_seconds_of(host->pid());
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(kIdleInterval);
        const std::optional<double> after = processor_seconds_of(host->pid());
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!before || !after) {
            state.SkipWithError("the server's processor time cannot be read");
            break;
        }
        processor += *after - *before;
        wall += elapsed;
        state.SetIterationTime(elapsed);
    }
    state.counters["processor_percent_of_one_core"] = wall > 0.0 ? 100.0 * processor / wall : 0.0;
    state.counters["players"] = static_cast<double>(count_of(folder.read("server/kv.log"), "attached to player"));
    host->signal(SIGTERM);
    host->wait(kWaitMs);
}
BENCHMARK(BM_WholeGameIdleDedicatedServer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
