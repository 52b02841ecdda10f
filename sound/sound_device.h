#pragma once
// The sound device behind the facade: the sound card, its listener, the wave cache, the numbered
// sample channels and the ambient zones. Channels play samples plain or placed in the world; a
// channel's mode says what happens when an owner plays a name that is still playing there. Zones
// are the sectors placed samples play in: the listener's zone fades in, the others fade out, in
// steps of 50 ms. The music plays beside the samples through a media graph made on its first play,
// at the card's primary volume.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kernel/timer.h"
#include "platform/audio_device.h"
#include "platform/media_pipeline.h"
#include "sound/sound_sample.h"

namespace kv {

// Channel modes: what a play does while the same owner's same name still plays there.
inline constexpr uint32_t kChannelRestart = 0;  // stops the earlier play
inline constexpr uint32_t kChannelRefuse = 1;   // plays nothing
inline constexpr uint32_t kChannelOverlap = 2;  // plays both

// At most this many devices of the system's list are kept.
inline constexpr std::size_t kMaxSoundDevices = 3;

struct sound_entry {
    std::string name;
    uintptr_t owner = 0;
    uintptr_t zone = 0;
    sound_sample* instance = nullptr;
};

struct sound_channel {
    uint32_t mode = kChannelRestart;
    std::vector<sound_entry> entries;
};

struct sound_music {
    media_graph_factory create_graph = sys_media_graph_create;  // tests put a fake graph here
    std::unique_ptr<media_graph> graph;
    std::shared_ptr<graph_control> control;
    std::shared_ptr<graph_events> events;
    std::shared_ptr<graph_audio> audio;
    bool loop = false;
    bool playing = false;
};

struct sound_device {
    std::unique_ptr<audio_device> audio;
    bool listener_ready = false;  // the card's primary buffer and listener are set up
    audio_listener listener;
    std::vector<audio_device_info> devices;
    wave_cache cache;
    std::vector<sound_channel> channels;
    std::map<uintptr_t, int32_t> zones;  // hundredths of a decibel
    uintptr_t current_zone = 0;
    timer step_timer;
    sound_music music;
};

// Start-up of the card; false, after its log line and a shutdown, when a step fails.
bool sound_device_init(sound_device& d);
// Stops and drops every channel entry, purges the wave cache, frees the instances and releases the
// card.
void sound_device_shutdown(sound_device& d);
// Lists and logs the system's devices, keeping the first three.
void sound_device_enumerate(sound_device& d);
void sound_device_add_channel(sound_device& d, uint32_t mode);
// The master volume (0..1) onto the card.
bool sound_device_set_volume(sound_device& d, float volume);
void sound_device_set_listener(sound_device& d, uintptr_t zone, const vec3& position, const vec3& velocity,
                               const vec3& top, const vec3& front);
void sound_device_update(sound_device& d);
bool sound_device_play_3d(sound_device& d, int32_t channel, const std::string& name, uintptr_t zone,
                          const vec3& position, const vec3& velocity, const vec3& direction,
                          float min_distance, float max_distance, float inside_cone_angle,
                          float outside_cone_angle, int32_t outside_volume, uintptr_t owner, int32_t volume,
                          bool loop);
bool sound_device_play(sound_device& d, int32_t channel, const std::string& name, uintptr_t owner,
                       int32_t volume, bool loop);
bool sound_device_stop(sound_device& d, int32_t channel, const std::string& name, uintptr_t owner);

// Music. A name starting "data/" (or "data\\") is a file under the data directory; names are cut
// at 255 bytes. False, after its log line, when the file does not play.
bool sound_device_music_play(sound_device& d, const std::string& name, bool loop);
void sound_device_music_stop(sound_device& d);
// Stops the music and drops its graph.
void sound_device_music_release(sound_device& d);
// Lowers the primary volume to silence over about a second (sleeping between steps), stops the
// music and puts the volume back; nothing while no music plays.
void sound_device_music_fade_out(sound_device& d);
bool sound_device_music_is_playing(const sound_device& d);
// Takes the graph's pending events: the end of a looping tune starts it again, the end of another
// or a stream error stops the music.
void sound_device_music_handle_events(sound_device& d);
// The primary volume on the card and on the music; false when the card refuses it.
bool sound_device_set_primary_volume(sound_device& d, int32_t volume);

// The card volume of a master volume: 0 at 1.0, -10000 at 0.0, else -(4000 - 4000 v) truncated.
int32_t sound_primary_volume(float volume);

}  // namespace kv
