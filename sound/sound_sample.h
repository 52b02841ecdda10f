#pragma once
// Samples by name: each WAV file is read once into the wave cache, and played through sample
// instances, each one sound-card buffer filled with the wave's data. A wave keeps its instances per
// placed (3D) flag and reuses those that have stopped. The device owns the cache and frees the
// instances at its shutdown, when the cache is also purged of the waves little used since.

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_device.h"

namespace kv {

// The use clock at which a shutdown purges the cache, and the stamp above which a wave stays.
inline constexpr int16_t kWavePurgeClock = 10000;
inline constexpr int16_t kWaveKeepStamp = 2000;

struct wave_data {
    std::string name;
    uint16_t stamp = 0;  // the use clock at the last play
    uint32_t data_size = 0;
    std::vector<uint8_t> data;  // empty until loaded
    audio_format format;
};

struct sound_sample {
    wave_data* wave = nullptr;
    audio_buffer_id buffer = 0;
    audio_3d_params params;
    bool has_3d = false;  // the buffer's placed interface is open
    int32_t volume = 0;   // its own volume
    uint8_t positioned = 0;
};

// A wave with its instances.
struct wave_entry {
    wave_data wave;
    std::vector<std::unique_ptr<sound_sample>> instances;
};

struct wave_cache {
    std::list<wave_entry> waves;
    uint16_t use_clock = 0;
};

// A stopped (or new) instance of the named sample with that placed flag, filled and at that volume;
// null, after the log line, when the sample cannot be loaded or its buffer cannot be made.
sound_sample* sample_get_instance(wave_cache& cache, audio_device& audio, const std::string& name,
                                  int32_t volume, bool positioned);
// Plays from the start, restoring and refilling a buffer the card has lost.
bool sample_play(audio_device& audio, sound_sample& sample, bool loop);
void sample_stop(audio_device& audio, sound_sample& sample);
bool sample_playing(audio_device& audio, const sound_sample& sample);
// Set directly the volume becomes the instance's own; set from a zone the quieter of the two plays.
void sample_set_volume(audio_device& audio, sound_sample& sample, int32_t volume, bool from_zone);
// At shutdown: once the use clock has reached the purge mark, waves stamped above the keep mark
// stay (stamp back to 0) and the others go; then every instance is freed.
void wave_cache_purge(wave_cache& cache, audio_device& audio);

}  // namespace kv
