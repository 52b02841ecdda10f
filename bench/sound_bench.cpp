// The sound's frame on OpenAL Soft's null backend: the per-frame step and the listener's move with 64
// placed looping samples in 16 zones (goal: under 0.1 ms a frame), and a sample's first play (file
// read, buffer made and filled) beside a repeated one from the wave cache (goal: at least 10 times
// cheaper).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "game/server.h"
#include "sound/sound_device.h"
#include "sound/sound_system.h"
#include "tools/byte_writer.h"
#include "tools/wav_writer.h"

namespace kv {
namespace {

constexpr int kZones = 16;
constexpr int kSounds = 64;

// Samples in a temporary data folder and a facade opened on the null backend, for the whole run.
class sound_setup {
public:
    sound_setup() {
        setenv("ALSOFT_DRIVERS", "null", 1);
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder_ = base / ("kv_sound_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(folder_)) break;
        }
        for (int z = 0; z < kZones; ++z) {
            tools::write_file(folder_ / "sound" / ("hum" + std::to_string(z) + ".wav"),
                              tools::wav_tone_file(500, 100.0f + 20.0f * static_cast<float>(z)));
        }
        tools::write_file(folder_ / "sound" / "click.wav", tools::wav_tone_file(50, 880.0f));
        server_get().data_dir = folder_.string() + "/";
        snd_select_driver(sound, kSoundDriverDirectSound);
        for (uint32_t mode = 0; mode < 3; ++mode) snd_add_channel(sound, mode);
        snd_open(sound);
    }
    ~sound_setup() {
        sound_device_shutdown(*sound.device);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    sound_system sound;

private:
    std::filesystem::path folder_;
};

sound_setup& setup() {
    static sound_setup s;
    return s;
}

uintptr_t zone(int z) {
    return static_cast<uintptr_t>(z + 1);
}

void BM_SoundFrame64Placed16Zones(benchmark::State& state) {
    sound_system& sound = setup().sound;
    for (int i = 0; i < kSounds; ++i) {
        const int z = i % kZones;
        const float at = static_cast<float>(i) * 20.0f;
        if (!snd_play_3d(sound, 2, "hum" + std::to_string(z), zone(z), vec3{at, 0.0f, 100.0f}, vec3{}, vec3{},
                         100.0f, 100000.0f, 360.0f, 360.0f, 0, static_cast<uintptr_t>(i), 0, true)) {
            state.SkipWithError("no sound");
            return;
        }
    }
    int frame = 0;
    for (auto _ : state) {
        snd_update(sound);
        const float x = static_cast<float>(frame % 1000);
        snd_set_listener(sound, zone((frame / 60) % kZones), vec3{x, 0.0f, 0.0f}, vec3{},
                         vec3{0.0f, 1.0f, 0.0f}, vec3{0.0f, 0.0f, 1.0f});
        ++frame;
    }
    sound_device_shutdown(*sound.device);
    sound_device_init(*sound.device);
}
BENCHMARK(BM_SoundFrame64Placed16Zones)->Unit(benchmark::kMicrosecond);

void BM_SoundFirstPlay(benchmark::State& state) {
    sound_system& sound = setup().sound;
    for (auto _ : state) {
        state.PauseTiming();
        sound_device_shutdown(*sound.device);
        sound.device->cache.waves.clear();
        sound_device_init(*sound.device);
        state.ResumeTiming();
        benchmark::DoNotOptimize(snd_play(sound, 0, "click", 1, 0, false));
    }
}
BENCHMARK(BM_SoundFirstPlay)->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_SoundRepeatedPlay(benchmark::State& state) {
    sound_system& sound = setup().sound;
    snd_play(sound, 0, "click", 1, 0, false);
    for (auto _ : state) benchmark::DoNotOptimize(snd_play(sound, 0, "click", 1, 0, false));
}
BENCHMARK(BM_SoundRepeatedPlay)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
