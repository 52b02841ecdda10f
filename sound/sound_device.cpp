#include "sound/sound_device.h"

#include "kernel/log.h"

namespace kv {
namespace {

// The zone step: every 50 ms the listener's zone rises by 1 dB towards full volume and the others
// fall by as much towards the quiet level a zone starts at.
constexpr int32_t kZoneStepMs = 50;
constexpr int32_t kZoneStep = 100;
constexpr int32_t kZoneQuiet = -5000;

constexpr uint32_t kPrimaryRate = 44100;
constexpr uint16_t kPrimaryBits = 16;
// One world unit is a centimetre.
constexpr float kDistanceFactor = 0.01f;

audio_format primary_format() {
    audio_format f;
    f.format_tag = 1;
    f.channels = 1;
    f.samples_per_second = kPrimaryRate;
    f.block_align = kPrimaryBits / 8;
    f.bytes_per_second = kPrimaryRate * f.block_align;
    f.bits_per_sample = kPrimaryBits;
    return f;
}

sound_channel* find_channel(sound_device& d, int32_t channel) {
    if (channel < 0 || static_cast<std::size_t>(channel) >= d.channels.size()) return nullptr;
    return &d.channels[static_cast<std::size_t>(channel)];
}

// The channel's mode for a play of that name by that owner; false when it must not play.
bool channel_allows(sound_device& d, sound_channel& c, const std::string& name, uintptr_t owner,
                    bool positioned) {
    if (c.mode == kChannelOverlap) return true;
    for (auto e = c.entries.begin(); e != c.entries.end();) {
        const bool same =
            e->owner == owner && e->name == name && (e->instance->positioned != 0) == positioned;
        if (!same || !sample_playing(*d.audio, *e->instance)) {
            ++e;
            continue;
        }
        if (c.mode == kChannelRefuse) return false;
        sample_stop(*d.audio, *e->instance);
        e = c.entries.erase(e);
    }
    return true;
}

int32_t zone_volume(const sound_device& d, uintptr_t zone) {
    auto z = d.zones.find(zone);
    return z == d.zones.end() ? 0 : z->second;
}

void remove_finished(sound_device& d) {
    for (sound_channel& c : d.channels) {
        std::erase_if(c.entries,
                      [&d](const sound_entry& e) { return !sample_playing(*d.audio, *e.instance); });
    }
}

}  // namespace

int32_t sound_primary_volume(float volume) {
    if (volume == 1.0f) return 0;
    if (volume == 0.0f) return kAudioSilent;
    return -static_cast<int32_t>(4000.0f - 4000.0f * volume);
}

bool sound_device_init(sound_device& d) {
    audio_device& a = *d.audio;
    const char* failure = nullptr;
    if (!a.load_library()) {
        failure = "[sound] *ERROR* Cannot load DirectSound DLL\n";
    } else if (!a.find_create_entry()) {
        failure = "[sound] DirectSoundCreate not found - what the **** is this\n";
    } else if (!a.create()) {
        failure = "[sound] Failed to create DirectSound instance - application will run with no sound\n";
    } else if (!a.set_cooperative_level()) {
        failure = "[sound] Could not set up coop level - application will run with no sound\n";
    } else if (!a.create_primary_buffer()) {
        failure = "[sound] Cannot create primary buffer - application will run with no sound\n";
    } else if (!a.create_listener()) {
        failure = "[sound] Cannot create 3DListener - application will run with no sound\n";
    } else if (!a.set_primary_format(primary_format())) {
        failure = "[sound] Cannot setup primary buffer format - application will run with no sound\n";
    }
    if (failure) {
        log_write("%s", failure);
        sound_device_shutdown(d);
        return false;
    }
    d.listener_ready = true;
    timer_restart(d.step_timer);
    log_write("[sound] Direct Sound Initialized\n");
    return true;
}

void sound_device_shutdown(sound_device& d) {
    sound_device_music_release(d);
    for (sound_channel& c : d.channels) {
        for (sound_entry& e : c.entries) sample_stop(*d.audio, *e.instance);
        c.entries.clear();
    }
    wave_cache_purge(d.cache, *d.audio);
    d.listener_ready = false;
    d.audio->release();
}

void sound_device_enumerate(sound_device& d) {
    std::vector<audio_device_info> listed;
    bool missing = false;
    if (!d.audio->enumerate(listed, missing)) {
        log_write(missing ? "[sound] Cannot find DirectSoundEnumerate in the DLL library\n"
                          : "[sound] Cannot enumerate devices\n");
        return;
    }
    for (const audio_device_info& device : listed) {
        if (d.devices.size() >= kMaxSoundDevices) break;
        d.devices.push_back(device);
        log_write("[sound] Device description: '%s' Driver: '%s'\n", device.description.c_str(),
                  device.driver.c_str());
    }
}

void sound_device_add_channel(sound_device& d, uint32_t mode) {
    sound_channel c;
    c.mode = mode;
    d.channels.push_back(std::move(c));
}

bool sound_device_set_volume(sound_device& d, float volume) {
    if (!d.listener_ready) return false;
    if (!sound_device_set_primary_volume(d, sound_primary_volume(volume))) {
        log_write("[sound] Cannot SetVolume() for the primary buffer\n");
        return false;
    }
    return true;
}

void sound_device_set_listener(sound_device& d, uintptr_t zone, const vec3& position, const vec3& velocity,
                               const vec3& top, const vec3& front) {
    if (!d.listener_ready) return;
    if (zone != d.current_zone) {
        d.current_zone = zone;
        d.zones[zone] = kZoneQuiet;
    }
    d.listener.position = position;
    d.listener.velocity = velocity;
    d.listener.front = front;
    d.listener.top = top;
    d.listener.distance_factor = kDistanceFactor;
    d.listener.rolloff_factor = 1.0f;
    d.listener.doppler_factor = 1.0f;
    d.audio->set_listener(d.listener);
}

void sound_device_update(sound_device& d) {
    if (!d.listener_ready) return;
    d.audio->commit_listener();
    const bool stepped = timer_elapsed_ms(d.step_timer) > kZoneStepMs;
    if (stepped) {
        for (auto& [zone, volume] : d.zones) {
            if (zone == d.current_zone) {
                if (volume < 0) volume += kZoneStep;
            } else if (volume > kZoneQuiet) {
                volume -= kZoneStep;
            }
        }
        timer_restart(d.step_timer);
    }
    remove_finished(d);
    if (d.current_zone == 0 || !stepped) return;
    for (sound_channel& c : d.channels) {
        for (sound_entry& e : c.entries) {
            if (e.instance->positioned)
                sample_set_volume(*d.audio, *e.instance, zone_volume(d, e.zone), true);
        }
    }
}

bool sound_device_play_3d(sound_device& d, int32_t channel, const std::string& name, uintptr_t zone,
                          const vec3& position, const vec3& velocity, const vec3& direction,
                          float min_distance, float max_distance, float inside_cone_angle,
                          float outside_cone_angle, int32_t outside_volume, uintptr_t owner, int32_t volume,
                          bool loop) {
    sound_channel* c = find_channel(d, channel);
    if (!d.listener_ready || !c || !channel_allows(d, *c, name, owner, true)) return false;
    const vec3 offset = position - d.listener.position;
    if (vec3_length_sq(offset) > max_distance * max_distance) return false;
    sound_sample* sample = sample_get_instance(d.cache, *d.audio, name, volume, true);
    if (!sample) {
        log_write("Sound '%s' cannot be added into cache\n", name.c_str());
        return false;
    }
    c->entries.push_back({name, owner, zone, sample});
    sample_set_volume(*d.audio, *sample, zone_volume(d, zone), true);
    audio_3d_params& p = sample->params;
    p.position = position;
    p.velocity = velocity;
    p.inside_cone_angle = inside_cone_angle;
    p.outside_cone_angle = outside_cone_angle;
    p.cone_orientation = direction;
    p.outside_volume = outside_volume;
    p.min_distance = min_distance;
    p.max_distance = max_distance;
    if (!d.audio->set_3d(sample->buffer, p)) {
        log_write("[sound] Cannot set 3D buffer parameters (sample '%s')\n", name.c_str());
    }
    return sample_play(*d.audio, *sample, loop);
}

bool sound_device_play(sound_device& d, int32_t channel, const std::string& name, uintptr_t owner,
                       int32_t volume, bool loop) {
    sound_channel* c = find_channel(d, channel);
    if (!d.listener_ready || !c || !channel_allows(d, *c, name, owner, false)) return false;
    sound_sample* sample = sample_get_instance(d.cache, *d.audio, name, volume, false);
    if (!sample) {
        log_write("Sound '%s' cannot be added into cache\n", name.c_str());
        return false;
    }
    c->entries.push_back({name, owner, 0, sample});
    return sample_play(*d.audio, *sample, loop);
}

bool sound_device_stop(sound_device& d, int32_t channel, const std::string& name, uintptr_t owner) {
    sound_channel* c = find_channel(d, channel);
    if (!d.listener_ready || !c) return false;
    bool stopped = false;
    std::erase_if(c->entries, [&](const sound_entry& e) {
        if (e.instance->positioned || e.owner != owner || e.name != name) return false;
        if (!sample_playing(*d.audio, *e.instance)) return false;
        sample_stop(*d.audio, *e.instance);
        stopped = true;
        return true;
    });
    return stopped;
}

}  // namespace kv
