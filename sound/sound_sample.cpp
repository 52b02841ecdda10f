#include "sound/sound_sample.h"

#include "data/file_stream.h"
#include "game/server.h"
#include "kernel/log.h"
#include "sound/wav_file.h"

namespace kv {
namespace {

constexpr const char* kSampleDir = "sound/";
constexpr const char* kSampleExtension = ".wav";

bool load_wave(wave_data& wave) {
    std::unique_ptr<file_stream> stream =
        server_open_file(server_get(), kSampleDir + wave.name + kSampleExtension, false);
    if (!stream) {
        log_write("[sound] Sample '%s' not found\n", wave.name.c_str());
        return false;
    }
    const bool loaded = wav_read(*stream, wave.name, wave.format, wave.data);
    file_stream_close(*stream);
    wave.data_size = static_cast<uint32_t>(wave.data.size());
    return loaded;
}

// Lock, copy, unlock.
bool fill(audio_device& audio, sound_sample& sample) {
    const wave_data& wave = *sample.wave;
    return audio.fill_buffer(sample.buffer, wave.data.data(), wave.data_size);
}

bool create_buffer(audio_device& audio, sound_sample& sample) {
    const wave_data* wave = sample.wave;
    if (!wave) {
        log_write("[sound] Sample is not available.\n");
        return false;
    }
    if (wave->data.empty()) {
        log_write("[sound] Sample not loaded\n");
        return false;
    }
    const char* name = wave->name.c_str();
    sample.buffer = audio.create_buffer(wave->format, wave->data_size, sample.positioned != 0);
    if (sample.buffer == 0) {
        log_write("[sound] Cannot create buffer (sample '%s')\n", name);
        return false;
    }
    if (sample.positioned) {
        sample.has_3d = audio.open_3d(sample.buffer);
        if (!sample.has_3d) {
            log_write("[sound] Cannot create 3D buffer (file '%s')\n", name);
            return false;
        }
    }
    if (!fill(audio, sample)) {
        log_write("[sound] Cannot lock buffer (file '%s')\n", name);
        return false;
    }
    return true;
}

void free_instance(audio_device& audio, sound_sample& sample) {
    if (sample.buffer != 0) {
        audio.stop(sample.buffer);
        audio.destroy_buffer(sample.buffer);
        sample.buffer = 0;
    }
}

}  // namespace

sound_sample* sample_get_instance(wave_cache& cache, audio_device& audio, const std::string& name,
                                  int32_t volume, bool positioned) {
    auto entry = cache.waves.begin();
    while (entry != cache.waves.end() && entry->wave.name != name) ++entry;
    if (entry != cache.waves.end()) {
        entry->wave.stamp = ++cache.use_clock;
    } else {
        entry = cache.waves.emplace(cache.waves.end());
        entry->wave.name = name;
    }

    // The wave loads before any instance is made for it.
    if (entry->wave.data.empty() && !load_wave(entry->wave)) {
        cache.waves.erase(entry);
        return nullptr;
    }

    sound_sample* sample = nullptr;
    for (const std::unique_ptr<sound_sample>& s : entry->instances) {
        if (s->positioned == (positioned ? 1 : 0) && !sample_playing(audio, *s)) {
            sample = s.get();
            break;
        }
    }
    if (!sample) {
        auto made = std::make_unique<sound_sample>();
        made->wave = &entry->wave;
        made->positioned = positioned ? 1 : 0;
        if (!create_buffer(audio, *made)) {
            log_write("[sound] cannot create buffer\n");
            free_instance(audio, *made);
            return nullptr;
        }
        sample = made.get();
        entry->instances.push_back(std::move(made));
    }
    sample_set_volume(audio, *sample, volume, false);
    return sample;
}

bool sample_play(audio_device& audio, sound_sample& sample, bool loop) {
    if (audio.buffer_lost(sample.buffer)) {
        log_write("[sound] !!!!!!!!!!!restoring!!!!!!!!!!!!!!!\n");
        const char* name = sample.wave->name.c_str();
        if (!audio.restore_buffer(sample.buffer)) {
            log_write("[sound] Sample '%s' cannot be restored\n", name);
            return false;
        }
        if (!fill(audio, sample)) {
            log_write("[sound] Cannot lock buffer (sample '%s')\n", name);
            log_write("[sound] Cannot reload sample\n");
            return false;
        }
    }
    return audio.play(sample.buffer, loop);
}

void sample_stop(audio_device& audio, sound_sample& sample) {
    audio.stop(sample.buffer);
}

bool sample_playing(audio_device& audio, const sound_sample& sample) {
    return audio.playing(sample.buffer);
}

void sample_set_volume(audio_device& audio, sound_sample& sample, int32_t volume, bool from_zone) {
    int32_t applied = volume;
    if (from_zone) {
        if (sample.volume < applied) applied = sample.volume;
    } else {
        sample.volume = volume;
    }
    if (!audio.set_volume(sample.buffer, applied)) {
        log_write("[sound] Cannot set buffer volume (sample '%s')\n", sample.wave->name.c_str());
    }
}

void wave_cache_purge(wave_cache& cache, audio_device& audio) {
    if (static_cast<int16_t>(cache.use_clock) >= kWavePurgeClock) {
        for (auto entry = cache.waves.begin(); entry != cache.waves.end();) {
            if (static_cast<int16_t>(entry->wave.stamp) > kWaveKeepStamp) {
                entry->wave.stamp = 0;
                ++entry;
            } else {
                for (std::unique_ptr<sound_sample>& s : entry->instances) free_instance(audio, *s);
                entry = cache.waves.erase(entry);
            }
        }
        cache.use_clock = 0;
    }
    for (wave_entry& entry : cache.waves) {
        for (std::unique_ptr<sound_sample>& s : entry.instances) free_instance(audio, *s);
        entry.instances.clear();
    }
}

}  // namespace kv
