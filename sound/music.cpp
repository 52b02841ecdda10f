// The music of the sound device: one media graph that plays a file from its start, again at its end
// when it loops, and that the main loop hands its news once a pass.

#include "game/server.h"
#include "kernel/log.h"
#include "kernel/timer.h"
#include "platform/clock.h"
#include "platform/path_resolve.h"
#include "sound/sound_device.h"

namespace kv {
namespace {

// Names longer than this are cut (never inside a UTF-8 character).
constexpr std::size_t kMaxMusicName = 255;
// The fade lowers the volume one step each time more than 50 ms have passed, down to -6000.
constexpr int32_t kFadeStepMs = 50;
constexpr int32_t kFadeStep = 300;
constexpr int32_t kFadeFloor = -6000;

std::string cut_name(const std::string& name) {
    if (name.size() <= kMaxMusicName) return name;
    std::size_t end = kMaxMusicName;
    // Back to the first byte of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

// "data/..." is under the data directory, as the program's other data files; '\' separates folders.
std::string music_path(const std::string& name) {
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.starts_with("./")) path.erase(0, 2);
    if (path.starts_with("data/")) path = server_get().data_dir + path.substr(5);
    return sys_resolve_path(path);
}

bool make_graph(sound_music& m) {
    if (m.graph) return true;
    if (!m.create_graph) return false;
    std::unique_ptr<media_graph> graph = m.create_graph();
    if (!graph) return false;
    m.control = graph->control();
    m.events = graph->events();
    m.audio = graph->audio();
    m.graph = std::move(graph);
    return true;
}

}  // namespace

bool sound_device_set_primary_volume(sound_device& d, int32_t volume) {
    if (d.music.audio) d.music.audio->set_volume(volume);
    return d.audio->set_primary_volume(volume);
}

bool sound_device_music_play(sound_device& d, const std::string& name, bool loop) {
    if (!d.listener_ready) return false;
    sound_device_music_stop(d);
    const std::string given = cut_name(name);
    if (!make_graph(d.music) || !d.music.graph->render_file(music_path(given))) {
        log_write("[music] RenderFile failed ! - no music play ('%s')\n", given.c_str());
        return false;
    }
    // The music starts at the volume the samples play at.
    int32_t volume = 0;
    if (d.music.audio && d.audio->get_primary_volume(volume)) d.music.audio->set_volume(volume);
    d.music.control->rewind();
    if (!d.music.control->run()) {
        log_write("[music] The music cannot start ('%s')\n", given.c_str());
        d.music.control->stop();
        return false;
    }
    d.music.loop = loop;
    d.music.playing = true;
    return true;
}

void sound_device_music_stop(sound_device& d) {
    if (d.music.control) d.music.control->stop();
    d.music.playing = false;
}

void sound_device_music_release(sound_device& d) {
    sound_device_music_stop(d);
    d.music.audio.reset();
    d.music.events.reset();
    d.music.control.reset();
    d.music.graph.reset();
}

bool sound_device_music_is_playing(const sound_device& d) {
    return d.music.playing;
}

void sound_device_music_handle_events(sound_device& d) {
    if (!d.music.events) return;
    graph_event event;
    while (d.music.events->get_event(event)) {
        if (d.music.playing && event.code == kGraphEventComplete) {
            if (d.music.loop) {
                d.music.control->rewind();
                d.music.control->run();
            } else {
                sound_device_music_stop(d);
            }
        } else if (d.music.playing && event.code == kGraphEventErrorAbort) {
            log_write("[music] The music stopped: %s\n", event.text.c_str());
            sound_device_music_stop(d);
        }
        d.music.events->free_event(event);
    }
}

void sound_device_music_fade_out(sound_device& d) {
    if (!d.music.playing) return;
    int32_t start = 0;
    if (!d.audio->get_primary_volume(start)) {
        log_write("[direct_sound] Cannot retrieve primary buffer volume.\n");
        sound_device_music_stop(d);
        return;
    }
    timer step;
    timer_restart(step);
    for (int32_t volume = start; volume > kFadeFloor;) {
        const int32_t elapsed = timer_elapsed_ms(step);
        if (elapsed <= kFadeStepMs) {
            sys_sleep(kFadeStepMs + 1 - elapsed);
            continue;
        }
        if (!sound_device_set_primary_volume(d, volume)) {
            log_write("[direct_sound] Cannot set volume\n");
            break;
        }
        volume -= kFadeStep;
        timer_restart(step);
    }
    sound_device_music_stop(d);
    if (!sound_device_set_primary_volume(d, start)) {
        log_write("[direct_sound] Cannot set volume for primary buffer.\n");
    }
}

}  // namespace kv
