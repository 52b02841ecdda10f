// The intro movie player on its own Xvfb: the time from starting `kvplayer` to its first picture
// covering the screen, reported beside the movie's own frame time (goal: the first picture within
// one second). Run it with `build/kv_bench --benchmark_filter=Kvplayer`; it starts Xvfb itself.

#include <X11/keysym.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

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

// The movie's folder, removed with the benchmark.
class movie_folder {
public:
    movie_folder() {
        std::string name = (std::filesystem::temp_directory_path() / "kv_kvplayer_bench_XXXXXX").string();
        if (mkdtemp(name.data()) != nullptr) path_ = name;
    }
    ~movie_folder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
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
    if (folder.path().empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    tools::movie_desc desc;
    desc.frame_count = 20 * desc.frames_per_second;
    tools::write_movie(folder.path() / "intro.avi", desc);
    const screen_colour picture{desc.background.r, desc.background.g, desc.background.b};
    scoped_display_env env(display.name());

    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        child_process player(KV_PLAYER_PATH, {"intro.avi"}, folder.path().string());
        bool shown = false;
        while (!shown && std::chrono::steady_clock::now() - start < kGiveUp && !player.wait(0)) {
            shown = display.share_of_colour(picture, kColourTolerance) >= kFullScreenShare;
            if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!shown) {
            state.SkipWithError("the movie never covered the screen");
            break;
        }
        state.PauseTiming();
        display.press_key(XK_Escape);
        player.wait(5000);
        state.ResumeTiming();
    }
    state.counters["movie_frame_ms"] = 1000.0 / desc.frames_per_second;
}
BENCHMARK(BM_KvplayerFirstPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace kv
