#include "sound/sound_system.h"

#include <algorithm>

#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "sound/sound_device.h"

namespace kv {
namespace {

constexpr const char* kVolumeOption = "gvolume";

bool active(const sound_system& sound) {
    return sound.driver_kind == kSoundDriverDirectSound;
}

}  // namespace

sound_system::sound_system() : device(std::make_unique<sound_device>()) {
    device->audio = audio_device_openal(kSoundLibrary);
}

sound_system::~sound_system() {
    sound_device_shutdown(*device);
}

void snd_use_audio_device(sound_system& sound, std::unique_ptr<audio_device> audio) {
    sound_device_shutdown(*sound.device);
    sound.device->audio = std::move(audio);
}

void snd_select_driver(sound_system& sound, uint32_t kind) {
    sound.driver_kind = kind;
    if (kind == kSoundDriverDirectSound) sound_device_shutdown(*sound.device);
}

void snd_bind_volume_option(sound_system& sound, option_registry& options) {
    if (active(sound)) sound_device_enumerate(*sound.device);
    sound.global_volume = 1.0f;
    option_registry_add_float(options, kVolumeOption, &sound.global_volume);
}

void snd_add_channel(sound_system& sound, uint32_t mode) {
    sound_device_add_channel(*sound.device, mode);
}

void snd_open(sound_system& sound) {
    if (!active(sound)) {
        log_write("[sound] No sound driver was specified\n");
        return;
    }
    if (!sound_device_init(*sound.device)) {
        log_write("[sound] DirectSound initialization failed. Application will run with no sound...\n");
        sound.driver_kind = kSoundDriverNone;
        return;
    }
    snd_set_volume(sound, sound.global_volume);
}

bool snd_set_volume(sound_system& sound, float volume) {
    // The option file and the console may hold anything.
    sound.global_volume = std::clamp(volume, 0.0f, 1.0f);
    return active(sound) && sound_device_set_volume(*sound.device, sound.global_volume);
}

bool music_play(sound_system& sound, const std::string& name, bool loop) {
    return active(sound) && sound_device_music_play(*sound.device, name, loop);
}

void music_fade_out(sound_system& sound) {
    if (active(sound)) sound_device_music_fade_out(*sound.device);
}

bool music_is_playing(const sound_system& sound) {
    return active(sound) && sound_device_music_is_playing(*sound.device);
}

void music_handle_events(sound_system& sound) {
    if (active(sound)) sound_device_music_handle_events(*sound.device);
}

void snd_update(sound_system& sound) {
    if (active(sound)) sound_device_update(*sound.device);
}

void snd_set_listener(sound_system& sound, uintptr_t zone, const vec3& position, const vec3& velocity,
                      const vec3& top, const vec3& front) {
    if (active(sound)) sound_device_set_listener(*sound.device, zone, position, velocity, top, front);
}

bool snd_play_3d(sound_system& sound, int32_t channel, const std::string& name, uintptr_t zone,
                 const vec3& position, const vec3& velocity, const vec3& direction, float min_distance,
                 float max_distance, float inside_cone_angle, float outside_cone_angle,
                 int32_t outside_volume, uintptr_t owner, int32_t volume, bool loop) {
    return active(sound) && sound_device_play_3d(*sound.device, channel, name, zone, position, velocity,
                                                 direction, min_distance, max_distance, inside_cone_angle,
                                                 outside_cone_angle, outside_volume, owner, volume, loop);
}

bool snd_play(sound_system& sound, int32_t channel, const std::string& name, uintptr_t owner, int32_t volume,
              bool loop) {
    return active(sound) && sound_device_play(*sound.device, channel, name, owner, volume, loop);
}

bool snd_stop(sound_system& sound, int32_t channel, const std::string& name, uintptr_t owner) {
    return active(sound) && sound_device_stop(*sound.device, channel, name, owner);
}

}  // namespace kv
