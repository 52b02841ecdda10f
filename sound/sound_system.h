#pragma once
// The sound facade as the kernel and the game use it: owned by the kernel, created with it (driver
// kind 0) and destroyed with it. With the DirectSound kind selected and opened it forwards to the
// sound device; otherwise every call does nothing and answers false, and the game runs silent.
//
// Volumes are in hundredths of a decibel (0 full, -10000 silent). Zones and owners are opaque
// pointer-sized ids: a zone is the address of the sector a sound plays in (0 for none).

#include <cstdint>
#include <memory>
#include <string>

#include "util/vec3.h"

namespace kv {

struct option_registry;
struct sound_device;
class audio_device;

inline constexpr uint32_t kSoundDriverNone = 0;
inline constexpr uint32_t kSoundDriverDirectSound = 1;

// The name of the sound card's library.
inline constexpr const char* kSoundLibrary = "dsound.dll";

struct sound_system {
    sound_system();
    ~sound_system();
    sound_system(const sound_system&) = delete;
    sound_system& operator=(const sound_system&) = delete;

    std::unique_ptr<sound_device> device;
    uint32_t driver_kind = kSoundDriverNone;
    float global_volume = 1.0f;  // 0..1, the option "gvolume"
};

// Puts another sound card under the device (tests use a recording one); the device is shut down
// first.
void snd_use_audio_device(sound_system& sound, std::unique_ptr<audio_device> audio);

void snd_select_driver(sound_system& sound, uint32_t kind);
// With DirectSound selected, lists and logs the sound devices; then sets the global volume to 1.0
// and binds it as the float option "gvolume" (with any driver kind).
void snd_bind_volume_option(sound_system& sound, option_registry& options);
// Appends a sample channel with that mode; the kernel's set-up adds channels 0, 1 and 2.
void snd_add_channel(sound_system& sound, uint32_t mode);
// Starts the selected driver and applies the stored volume; a failing device falls back to no
// sound and says so in the log.
void snd_open(sound_system& sound);
// Stores the volume (clamped to 0..1) and sets the master volume.
bool snd_set_volume(sound_system& sound, float volume);
// Music, with the DirectSound kind opened (otherwise false and silent). Plays the file from its
// start, again at each end with `loop`; "data\\sound\\menu.mp3" is "sound/menu.mp3" under the data
// directory. A file that is missing or cannot be decoded logs its line and answers false.
bool music_play(sound_system& sound, const std::string& name, bool loop);
// Fades the music and the samples out over about a second, stops the music and puts the volume
// back; returns at once while no music plays.
void music_fade_out(sound_system& sound);
bool music_is_playing(const sound_system& sound);
// The music's news since the last call (the end of the tune); the main loop calls it each pass.
void music_handle_events(sound_system& sound);
// The per-frame step: zone fades, finished samples dropped.
void snd_update(sound_system& sound);
// Places the 3D listener and enters its zone.
void snd_set_listener(sound_system& sound, uintptr_t zone, const vec3& position, const vec3& velocity,
                      const vec3& top, const vec3& front);
// A positioned sample; true when it plays. Nothing plays beyond its maximum distance.
bool snd_play_3d(sound_system& sound, int32_t channel, const std::string& name, uintptr_t zone,
                 const vec3& position, const vec3& velocity, const vec3& direction, float min_distance,
                 float max_distance, float inside_cone_angle, float outside_cone_angle,
                 int32_t outside_volume, uintptr_t owner, int32_t volume, bool loop);
// A sample without position; true when it plays.
bool snd_play(sound_system& sound, int32_t channel, const std::string& name, uintptr_t owner, int32_t volume,
              bool loop);
// Stops the channel's plain samples of that name and owner; true when one was stopped.
bool snd_stop(sound_system& sound, int32_t channel, const std::string& name, uintptr_t owner);

}  // namespace kv
