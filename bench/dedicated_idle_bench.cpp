// The dedicated server idling on the demo level: the main loop runs for about two seconds of wall
// time with no client, and the processor time it takes is reported per second of wall time (goal:
// under 1% of one core). The loop's sleep fills each pass up to the service's minimum frame time.
// The server's console is polled every pass, on a pipe nobody types into.

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "game/server.h"
#include "gfx/drivers/null_driver.h"
#include "gfx/gfx.h"
#include "kernel/engine_main.h"
#include "kernel/kernel.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr auto kIdleTime = std::chrono::seconds(2);
constexpr int kLoadPasses = 100;

class demo_folder {
public:
    demo_folder() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            path_ = base / ("kv_dedicated_idle_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
        tools::write_demo_data(path_ / "data");
        std::filesystem::create_directory(path_ / "write");
    }
    ~demo_folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The console's ends: typed lines from a pipe that stays open and empty, lines shown to /dev/null.
int g_console_in = -1;
int g_console_out = -1;

std::unique_ptr<gfx_driver> make_quiet_console(int32_t kind) {
    if (kind != kGfxDriverNull) return gfx_make_driver(kind);
    auto driver = std::make_unique<null_driver>();
    driver->input_fd = g_console_in;
    driver->output_fd = g_console_out;
    return driver;
}

double processor_seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

void BM_DedicatedServerIdleOnTheDemoLevel(benchmark::State& state) {
    demo_folder folder;
    const std::filesystem::path old_directory = std::filesystem::current_path();
    // The log "kv.log" goes into the working directory.
    std::filesystem::current_path(folder.path());
    const std::string base_dir = "--base-dir=" + (folder.path() / "data").string() + "/";
    const std::string write_dir = "--write-dir=" + (folder.path() / "write").string() + "/";
    int typed[2] = {-1, -1};
    if (pipe2(typed, O_CLOEXEC) != 0) {
        state.SkipWithError("no pipe");
        std::filesystem::current_path(old_directory);
        return;
    }
    g_console_in = typed[0];
    g_console_out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    gfx_set_driver_maker(make_quiet_console);
    const char* const words[] = {"kv", "--dedicated=yes", base_dir.c_str(), write_dir.c_str()};
    command_line line = command_line_from_words(4, words);
    engine_session session;
    if (engine_start_up(session, static_cast<int>(line.argv.size()), line.argv.data()) !=
        start_up_result::run) {
        state.SkipWithError("start-up failed");
        gfx_set_driver_maker(nullptr);
        for (int fd : {typed[0], typed[1], g_console_out}) close(fd);
        std::filesystem::current_path(old_directory);
        return;
    }
    server& srv = server_get();
    server_set_game_package(srv, tools::kDemoMap);
    for (int pass = 0; pass < kLoadPasses && !server_game_package_loaded(srv); ++pass)
        engine_main_pass(session);
    if (!server_game_package_loaded(srv)) state.SkipWithError("the demo level did not load");

    double processor = 0.0;
    double wall = 0.0;
    int64_t passes = 0;
    for (auto _ : state) {
        const double processor_start = processor_seconds();
        const auto wall_start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - wall_start < kIdleTime) {
            if (!engine_main_pass(session)) break;
            ++passes;
        }
        processor += processor_seconds() - processor_start;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    }
    state.counters["processor_percent_of_one_core"] = wall > 0.0 ? 100.0 * processor / wall : 0.0;
    state.counters["passes_per_second"] = wall > 0.0 ? static_cast<double>(passes) / wall : 0.0;

    kernel_stop(kernel_get());
    while (engine_main_pass(session)) {
    }
    engine_write_statistics();
    engine_shut_down(session);
    kernel_get().graphics.driver.reset();
    gfx_set_driver_maker(nullptr);
    for (int fd : {typed[0], typed[1], g_console_out}) close(fd);
    std::filesystem::current_path(old_directory);
}
BENCHMARK(BM_DedicatedServerIdleOnTheDemoLevel)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
