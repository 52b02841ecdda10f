#pragma once
// The sound facade as the kernel uses it: owned by the kernel, created with it (driver kind 0) and
// destroyed with it.

#include <cstdint>
#include <string>

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
// Plays a sample without position.
void snd_play(sound_system& sound, int32_t channel, const std::string& name, int32_t owner, int32_t flag,
              bool loop);
void music_fade_out(sound_system& sound);

}  // namespace kv
