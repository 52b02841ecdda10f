#pragma once
// The sound card as the sound device drives it: a library that has to be loaded, a device opened
// in steps that can each fail, a listener, and buffers that each hold one sample and play it, plain
// or placed in the world. The Linux carrier is OpenAL Soft (`audio_device_openal`); tests use a
// recording fake.
//
// Volumes are in hundredths of a decibel (0 full, -10000 silent). Positions, velocities and
// directions are in world units of the left-handed world (y up, z forward).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/vec3.h"

namespace kv {

inline constexpr int32_t kAudioSilent = -10000;

// The PCM layout of a sample.
struct audio_format {
    uint16_t format_tag = 0;  // 1 for PCM
    uint16_t channels = 0;
    uint32_t samples_per_second = 0;
    uint32_t bytes_per_second = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
};

// One device the system offers.
struct audio_device_info {
    std::string description;
    std::string driver;
};

struct audio_listener {
    vec3 position;
    vec3 velocity;
    vec3 front;
    vec3 top;
    float distance_factor = 1.0f;
    float rolloff_factor = 1.0f;
    float doppler_factor = 1.0f;
};

// Where a placed buffer stands and how its sound spreads.
struct audio_3d_params {
    vec3 position;
    vec3 velocity;
    float inside_cone_angle = 360.0f;  // degrees
    float outside_cone_angle = 360.0f;
    vec3 cone_orientation{0.0f, 0.0f, 1.0f};
    int32_t outside_volume = 0;
    float min_distance = 1.0f;
    float max_distance = 1000000000.0f;
};

using audio_buffer_id = uint32_t;  // 0 is no buffer

class audio_device {
public:
    virtual ~audio_device() = default;

    // Start-up, in this order; each step true on success.
    virtual bool load_library() = 0;
    virtual bool find_create_entry() = 0;
    virtual bool create() = 0;
    virtual bool set_cooperative_level() = 0;
    virtual bool create_primary_buffer() = 0;
    virtual bool create_listener() = 0;
    virtual bool set_primary_format(const audio_format& format) = 0;
    // Releases the device and everything made with it; the library stays loaded.
    virtual void release() = 0;

    // The devices the system offers (the library is loaded for it when it is not yet). False when
    // the listing entry is missing (`listing_missing` set) or the listing fails.
    virtual bool enumerate(std::vector<audio_device_info>& devices, bool& listing_missing) = 0;

    virtual bool set_primary_volume(int32_t volume) = 0;
    // The volume last set on the primary buffer (0 before any); false without a device.
    virtual bool get_primary_volume(int32_t& volume) = 0;
    virtual void set_listener(const audio_listener& listener) = 0;
    virtual void commit_listener() = 0;

    virtual audio_buffer_id create_buffer(const audio_format& format, uint32_t size, bool positioned) = 0;
    // The placed interface of a positioned buffer.
    virtual bool open_3d(audio_buffer_id buffer) = 0;
    // Copies the sample into the buffer (lock, copy, unlock).
    virtual bool fill_buffer(audio_buffer_id buffer, const uint8_t* data, uint32_t size) = 0;
    virtual void destroy_buffer(audio_buffer_id buffer) = 0;
    virtual bool buffer_lost(audio_buffer_id buffer) = 0;
    virtual bool restore_buffer(audio_buffer_id buffer) = 0;
    // Rewinds to the start and plays.
    virtual bool play(audio_buffer_id buffer, bool loop) = 0;
    virtual void stop(audio_buffer_id buffer) = 0;
    virtual bool playing(audio_buffer_id buffer) = 0;
    virtual bool set_volume(audio_buffer_id buffer, int32_t volume) = 0;
    virtual bool set_3d(audio_buffer_id buffer, const audio_3d_params& params) = 0;
};

// Gain of a volume in hundredths of a decibel: 10^(volume / 2000), 0 at -10000 and below.
float audio_gain(int32_t volume);

// The OpenAL Soft carrier, reaching the library through `dll` under that name.
std::unique_ptr<audio_device> audio_device_openal(const std::string& library_name);

}  // namespace kv
