#include "sound/ambient_source.h"

#include <cmath>
#include <limits>

#include "data/qxps_stream.h"
#include "kernel/kernel.h"
#include "kernel/timer.h"
#include "platform/audio_device.h"
#include "platform/random.h"
#include "sound/sound_system.h"

namespace kv {
namespace {

// Counts every source ever loaded.
uint32_t next_serial = 0;

vec3 read_vec3(qxps_stream& s) {
    vec3 v;
    v.x = qxps_stream_read_float(s);
    v.y = qxps_stream_read_float(s);
    v.z = qxps_stream_read_float(s);
    return v;
}

timer& sound_clock() {
    static timer clock;
    return clock;
}

// The wait of a random source: minimum and maximum in floats, so a maximum below the minimum gives
// a wait between the two.
uint32_t random_interval(const ambient_source& source) {
    const float low = static_cast<float>(source.min_interval);
    const float high = static_cast<float>(source.max_interval);
    const float r = static_cast<float>(kv_rand()) / 32767.0f;
    const float interval = (high - low) * r + low;
    // Both ends round to floats: 4294967295 becomes 2^32.
    if (interval >= 4294967295.0f) return std::numeric_limits<uint32_t>::max();
    return interval > 0.0f ? static_cast<uint32_t>(interval) : 0;
}

bool play(ambient_source& source, uintptr_t zone, bool loop) {
    return snd_play_3d(kernel_get().sound, 1, source.sample_name, zone, source.position, vec3{},
                       source.direction, source.min_distance, source.max_distance,
                       std::trunc(source.inside_cone_angle), std::trunc(source.outside_cone_angle),
                       kAudioSilent, source.owner_id, 0, loop);
}

}  // namespace

uint32_t ambient_clock_ms() {
    return static_cast<uint32_t>(timer_elapsed_ms64(sound_clock()));
}

void ambient_clock_restart() {
    timer_restart(sound_clock());
}

void ambient_source_tick(ambient_source& source, const sector& owner) {
    const auto zone = reinterpret_cast<uintptr_t>(&owner);
    switch (source.mode) {
        case kAmbientRandom:
            if (source.start_time == 0) {
                source.chosen_interval = random_interval(source);
                source.start_time = ambient_clock_ms();
                return;
            }
            if (ambient_clock_ms() - source.start_time < source.chosen_interval) return;
            play(source, zone, false);
            source.start_time = 0;
            return;
        case kAmbientPeriodic:
            if (source.start_time != 0 && ambient_clock_ms() - source.start_time < source.min_interval)
                return;
            play(source, zone, false);
            source.start_time = ambient_clock_ms();
            return;
        case kAmbientLooping:
            play(source, zone, true);
            return;
        default:
            return;
    }
}

std::unique_ptr<ambient_source> ambient_source_load(qxps_stream& s) {
    auto source = std::make_unique<ambient_source>();
    qxps_stream_enter_chunk(s, source.get());
    source->sample_name = qxps_stream_read_string(s);
    source->position = read_vec3(s);
    source->direction = read_vec3(s);
    source->min_distance = qxps_stream_read_float(s);
    source->max_distance = qxps_stream_read_float(s);
    source->inside_cone_angle = static_cast<float>(static_cast<int32_t>(qxps_stream_read_u32(s)));
    source->outside_cone_angle = static_cast<float>(static_cast<int32_t>(qxps_stream_read_u32(s)));
    source->mode = static_cast<int8_t>(qxps_stream_read_u8(s));
    source->min_interval = qxps_stream_read_u32(s);
    source->max_interval = qxps_stream_read_u32(s);
    qxps_stream_leave_chunk(s);
    source->owner_id = kAmbientOwnerBase + next_serial++;
    source->start_time = 0;
    return source;
}

}  // namespace kv
