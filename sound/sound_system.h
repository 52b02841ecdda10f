#pragma once
// The sound facade as the kernel uses it: owned by the kernel, created with it (driver kind 0) and
// destroyed with it.

#include <cstdint>
#include <string>

#include "util/vec3.h"

namespace kv {

struct option_registry;

inline constexpr uint32_t kSoundDriverNone = 0;
inline constexpr uint32_t kSoundDriverDirectSound = 1;

struct sound_system {
    uint32_t driver_kind = kSoundDriverNone;
    float global_volume = 1.0f;
};

void snd_select_driver(sound_system& sound, uint32_t kind);
// Sets the global volume to 1.0 and binds it as the float option "gvolume".
void snd_bind_volume_option(sound_system& sound, option_registry& options);
// Appends a sample channel with that mode; the kernel's set-up adds channels 0, 1 and 2.
void snd_add_channel(sound_system& sound, uint32_t mode);
// Starts the selected driver; a failing device falls back to no sound and says so in the log.
void snd_open(sound_system& sound);
void music_fade_out(sound_system& sound);
// The per-frame step: ambient cross-fades, finished samples dropped.
void snd_update(sound_system& sound);
// Places the 3D listener; the zone id is the sector it stands in (0 for none).
void snd_set_listener(sound_system& sound, uintptr_t zone, const vec3& position, const vec3& velocity,
                      const vec3& up, const vec3& forward);
// A positioned sample through the channel's cache. Owner ids are pointer-sized.
void snd_play_3d(sound_system& sound, int32_t channel, const std::string& name, uintptr_t owner,
                 const vec3& position, const vec3& velocity, const vec3& direction, float min_distance,
                 float max_distance, float inside_cone_angle, float outside_cone_angle, float outside_volume,
                 int32_t key, int32_t volume, bool loop);
// A sample without position.
void snd_play(sound_system& sound, int32_t channel, const std::string& name, uintptr_t owner, int32_t flag,
              bool loop);

}  // namespace kv
