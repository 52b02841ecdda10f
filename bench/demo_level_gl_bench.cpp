// The demo level drawn by the OpenGL driver on Mesa's software rasteriser, at 800 x 600 on an Xvfb of
// the benchmark's own: the client program starts in this process on the demo data (its window at
// resolution 1, 800 x 600), loads the menu, then the depot as the local test game, and each iteration
// draws one whole frame (`gfx_render_frame`: the sky, the rooms through their doorways, the pool's
// water, the HUD, the buffer swap, then `glFinish`). Argument 0 takes the briefing's camera, above the
// yard looking down the row of rooms; 1 the local soldier's own view from his spawn point in the
// store. Goal: 30 frames a second (33 ms a frame, wall time; Mesa rasterises in threads of its own).
// Run it with `build/kv_bench --benchmark_filter=DemoLevelGl`; it starts Xvfb itself.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/gfx.h"
#include "kernel/engine_main.h"
#include "kernel/kernel.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr auto kLoadTime = std::chrono::seconds(30);
// The program starts once per run: the frames are counted, not estimated.
constexpr int kFrames = 150;

class demo_run_folder {
public:
    demo_run_folder() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            path_ = base / ("kv_demo_level_gl_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
        written_ = tools::write_demo_data(path_ / "data");
        std::filesystem::create_directory(path_ / "write");
    }
    ~demo_run_folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    bool written() const { return written_; }

private:
    std::filesystem::path path_;
    bool written_ = false;
};

// The run folder goes with the benchmark: when something fails its log is shown.
void show_log(const std::filesystem::path& folder) {
    std::ifstream log(folder / "kv.log");
    for (std::string text; std::getline(log, text);)
        if (text.size() < 200) std::cerr << text << "\n";
}

void BM_DemoLevelGlFrame(benchmark::State& state) {
    x_display display(kWidth, kHeight);
    if (!display.ok()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    scoped_display_env env(display.name());
    demo_run_folder folder;
    if (!folder.written()) {
        state.SkipWithError("the demo data could not be written");
        return;
    }
    const std::filesystem::path old_directory = std::filesystem::current_path();
    // The log "kv.log" goes into the working directory.
    std::filesystem::current_path(folder.path());
    const std::string base_dir = "--base-dir=" + (folder.path() / "data").string() + "/";
    const std::string write_dir = "--write-dir=" + (folder.path() / "write").string() + "/";
    const char* const words[] = {"kv", base_dir.c_str(), write_dir.c_str(), "--resolution=1"};
    command_line line = command_line_from_words(4, words);
    // An earlier benchmark of the run (the dedicated server's) may have stopped the process's kernel.
    kernel_get().running = true;
    kernel_get().failed = false;
    engine_session session;
    const start_up_result started =
        engine_start_up(session, static_cast<int>(line.argv.size()), line.argv.data());
    if (started != start_up_result::run) {
        show_log(folder.path());
        state.SkipWithError("the client did not start");
        std::filesystem::current_path(old_directory);
        return;
    }
    server& srv = server_get();
    kernel& k = kernel_get();
    kvgame* game = nullptr;
    bool asked = false;
    const auto load_start = std::chrono::steady_clock::now();
    while (!game && std::chrono::steady_clock::now() - load_start < kLoadTime) {
        if (!engine_main_pass(session)) break;
        if (!asked) {
            // The menu first, then the depot as the local test game.
            if (srv.level_loaded) {
                srv.load_request = kLoadRequestMenu;
                srv.snapshot.name = tools::kDemoMap;  // the map the game server names: no change of level
                server_set_game_package(srv, tools::kDemoMap);
                asked = true;
            }
            continue;
        }
        game = arty_factory_find_by_name_as<kvgame>(srv.factory, "game");
        const bool running = game && game->state == kGameObjectRunning && game->game_level;
        if (!server_game_package_loaded(srv) || !running) game = nullptr;
    }
    if (!game) {
        show_log(folder.path());
        state.SkipWithError("the demo level did not start");
    } else {
        if (state.range(0) == 0) kvgame_pick_static_camera(*game, -1, 0);
        kvgame_select_camera(*game, false);
        engine_main_pass(session);
        auto* driver = dynamic_cast<gl_driver*>(k.graphics.driver.get());
        int64_t objects = 0;
        double seconds = 0.0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            gfx_render_frame(k.graphics);
            if (driver) driver->api().glFinish();
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            objects += k.graphics.counters.objects;
        }
        const double frames = static_cast<double>(state.iterations());
        state.counters["frames_per_second"] = seconds > 0.0 ? frames / seconds : 0.0;
        state.counters["objects"] = frames > 0.0 ? static_cast<double>(objects) / frames : 0.0;
    }

    kernel_stop(k);
    while (engine_main_pass(session)) {
    }
    engine_shut_down(session);
    std::filesystem::current_path(old_directory);
}
BENCHMARK(BM_DemoLevelGlFrame)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kFrames)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
