// The intro movie player on its own Xvfb: the time from starting `kvplayer` to its first picture
// covering the screen, reported beside the movie's own frame time (goal: the first picture within
// one second). Run it with `build/kv_bench --benchmark_filter=Kvplayer`; it starts Xvfb itself.

#include <X11/keysym.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/x_display.h"
#include "tools/movie_writer.h"

namespace kv {
namespace {

constexpr int kColourTolerance = 40;
constexpr double kFullScreenShare = 0.75;
constexpr auto kGiveUp = std::chrono::seconds(10);

class movie_folder {
public:
    movie_folder() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            path_ = base / ("kv_kvplayer_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~movie_folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void BM_KvplayerFirstPicture(benchmark::State& state) {
    x_display display(640, 480);
    if (!display.ok()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    movie_folder folder;
    tools::movie_spec spec;
    spec.frame_count = 20 * spec.frames_per_second;
    tools::write_movie(folder.path() / "intro.avi", spec);
    const screen_colour picture{spec.background.r, spec.background.g, spec.background.b};
    scoped_display_env env(display.name());

    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        child_process player(KV_PLAYER_PATH, {"intro.avi"}, folder.path().string());
        bool shown = false;
        while (!shown && std::chrono::steady_clock::now() - start < kGiveUp && !player.wait(0)) {
            shown = display.share_of_colour(picture, kColourTolerance) >= kFullScreenShare;
            if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!shown) {
            state.SkipWithError("the movie never covered the screen");
            break;
        }
        state.PauseTiming();
        display.press_key(XK_Escape);
        player.wait(5000);
        state.ResumeTiming();
    }
    state.counters["movie_frame_ms"] = 1000.0 / spec.frames_per_second;
}
BENCHMARK(BM_KvplayerFirstPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace kv
