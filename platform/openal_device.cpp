// The sound card on OpenAL Soft. The library is loaded at run time through `dll` and every entry
// point is looked up by name, so a machine without it runs silent instead of failing to start.
//
// One AL buffer and one source per sample buffer. The world is left-handed (z forward) and OpenAL
// right-handed: z is negated on every position, velocity and direction, here and nowhere else.

#include <AL/al.h>
#include <AL/alc.h>

#include <cmath>
#include <cstring>
#include <map>

#include "platform/audio_device.h"
#include "platform/dll.h"

namespace kv {

namespace {

// The mixing rate the device opens at.
constexpr ALCint kMixRate = 44100;
// One world unit is a centimetre: sound travels 343 m/s.
constexpr float kSpeedOfSound = 34300.0f;

struct al_entries {
    decltype(&alcOpenDevice) open_device = nullptr;
    decltype(&alcCloseDevice) close_device = nullptr;
    decltype(&alcCreateContext) create_context = nullptr;
    decltype(&alcDestroyContext) destroy_context = nullptr;
    decltype(&alcMakeContextCurrent) make_current = nullptr;
    decltype(&alGetError) get_error = nullptr;
    decltype(&alDistanceModel) distance_model = nullptr;
    decltype(&alSpeedOfSound) speed_of_sound = nullptr;
    decltype(&alDopplerFactor) doppler_factor = nullptr;
    decltype(&alListenerf) listener_f = nullptr;
    decltype(&alListenerfv) listener_fv = nullptr;
    decltype(&alListener3f) listener_3f = nullptr;
    decltype(&alGenBuffers) gen_buffers = nullptr;
    decltype(&alDeleteBuffers) delete_buffers = nullptr;
    decltype(&alBufferData) buffer_data = nullptr;
    decltype(&alGenSources) gen_sources = nullptr;
    decltype(&alDeleteSources) delete_sources = nullptr;
    decltype(&alSourcei) source_i = nullptr;
    decltype(&alSourcef) source_f = nullptr;
    decltype(&alSource3f) source_3f = nullptr;
    decltype(&alSourcePlay) source_play = nullptr;
    decltype(&alSourceStop) source_stop = nullptr;
    decltype(&alSourceRewind) source_rewind = nullptr;
    decltype(&alGetSourcei) get_source_i = nullptr;
};

template <typename F>
bool find(const dll& library, F& entry, const char* name) {
    entry = reinterpret_cast<F>(dll_get_proc(library, name));
    return entry != nullptr;
}

bool find_all(const dll& l, al_entries& e) {
    return find(l, e.open_device, "alcOpenDevice") && find(l, e.close_device, "alcCloseDevice") &&
           find(l, e.create_context, "alcCreateContext") && find(l, e.destroy_context, "alcDestroyContext") &&
           find(l, e.make_current, "alcMakeContextCurrent") && find(l, e.get_error, "alGetError") &&
           find(l, e.distance_model, "alDistanceModel") && find(l, e.speed_of_sound, "alSpeedOfSound") &&
           find(l, e.doppler_factor, "alDopplerFactor") && find(l, e.listener_f, "alListenerf") &&
           find(l, e.listener_fv, "alListenerfv") && find(l, e.listener_3f, "alListener3f") &&
           find(l, e.gen_buffers, "alGenBuffers") && find(l, e.delete_buffers, "alDeleteBuffers") &&
           find(l, e.buffer_data, "alBufferData") && find(l, e.gen_sources, "alGenSources") &&
           find(l, e.delete_sources, "alDeleteSources") && find(l, e.source_i, "alSourcei") &&
           find(l, e.source_f, "alSourcef") && find(l, e.source_3f, "alSource3f") &&
           find(l, e.source_play, "alSourcePlay") && find(l, e.source_stop, "alSourceStop") &&
           find(l, e.source_rewind, "alSourceRewind") && find(l, e.get_source_i, "alGetSourcei");
}

// One sample buffer: its data, the source that plays it and what decides its gain.
struct voice {
    ALuint buffer = 0;
    ALuint source = 0;
    ALenum format = 0;
    uint32_t rate = 0;
    uint32_t size = 0;
    uint32_t frame_bytes = 0;
    bool positioned = false;
    int32_t volume = 0;
    audio_3d_params params;
};

class openal_device : public audio_device {
public:
    explicit openal_device(const std::string& library_name) : library_(library_name) {}
    ~openal_device() override { openal_device::release(); }

    bool load_library() override { return dll_load(library_); }
    bool find_create_entry() override { return find_all(library_, al_); }

    bool create() override {
        device_ = al_.open_device(nullptr);
        return device_ != nullptr;
    }
    bool set_cooperative_level() override { return true; }
    bool create_primary_buffer() override {
        const ALCint attributes[] = {ALC_FREQUENCY, kMixRate, 0};
        context_ = al_.create_context(device_, attributes);
        return context_ && al_.make_current(context_);
    }
    bool create_listener() override {
        al_.distance_model(AL_INVERSE_DISTANCE_CLAMPED);
        al_.speed_of_sound(kSpeedOfSound);
        return al_.get_error() == AL_NO_ERROR;
    }
    // The mixing rate was asked for with the context; OpenAL mixes any sample format into it.
    bool set_primary_format(const audio_format& format) override {
        return format.samples_per_second == static_cast<uint32_t>(kMixRate);
    }

    void release() override {
        if (context_) {
            for (auto& [id, v] : voices_) forget(v);
            voices_.clear();
            al_.make_current(nullptr);
            al_.destroy_context(context_);
            context_ = nullptr;
            primary_volume_ = 0;
        }
        if (device_) {
            al_.close_device(device_);
            device_ = nullptr;
        }
    }

    bool enumerate(std::vector<audio_device_info>& devices, bool& listing_missing) override {
        listing_missing = false;
        decltype(&alcGetString) get_string = nullptr;
        decltype(&alcIsExtensionPresent) has_extension = nullptr;
        if (!dll_load(library_) || !find(library_, get_string, "alcGetString") ||
            !find(library_, has_extension, "alcIsExtensionPresent")) {
            listing_missing = true;
            return false;
        }
        const bool all = has_extension(nullptr, "ALC_ENUMERATE_ALL_EXT");
        const ALCchar* list = get_string(nullptr, all ? ALC_ALL_DEVICES_SPECIFIER : ALC_DEVICE_SPECIFIER);
        if (!list) return false;
        // Names one after the other, each ended by a zero byte, the list by an empty one.
        for (const ALCchar* name = list; *name; name += std::strlen(name) + 1) {
            devices.push_back({name, dll_system_name(library_.name)});
        }
        return true;
    }

    bool set_primary_volume(int32_t volume) override {
        if (!context_) return false;
        al_.listener_f(AL_GAIN, audio_gain(volume));
        if (al_.get_error() != AL_NO_ERROR) return false;
        primary_volume_ = volume;
        return true;
    }
    bool get_primary_volume(int32_t& volume) override {
        if (!context_) return false;
        volume = primary_volume_;
        return true;
    }

    void set_listener(const audio_listener& l) override {
        if (!context_) return;
        listener_ = l.position;
        al_.listener_3f(AL_POSITION, l.position.x, l.position.y, -l.position.z);
        al_.listener_3f(AL_VELOCITY, l.velocity.x, l.velocity.y, -l.velocity.z);
        const ALfloat orientation[] = {l.front.x, l.front.y, -l.front.z, l.top.x, l.top.y, -l.top.z};
        al_.listener_fv(AL_ORIENTATION, orientation);
        // The distance factor is the length of a unit in metres; OpenAL counts distances in units
        // and takes it through the speed of sound.
        if (l.distance_factor > 0.0f) al_.speed_of_sound(343.0f / l.distance_factor);
        al_.doppler_factor(l.doppler_factor);
        for (auto& [id, v] : voices_) apply_gain(v);
    }
    void commit_listener() override {}

    audio_buffer_id create_buffer(const audio_format& format, uint32_t size, bool positioned) override {
        if (!context_ || size == 0 || format.format_tag != 1) return 0;
        voice v;
        if (format.channels == 1 && format.bits_per_sample == 8) v.format = AL_FORMAT_MONO8;
        if (format.channels == 1 && format.bits_per_sample == 16) v.format = AL_FORMAT_MONO16;
        if (format.channels == 2 && format.bits_per_sample == 8) v.format = AL_FORMAT_STEREO8;
        if (format.channels == 2 && format.bits_per_sample == 16) v.format = AL_FORMAT_STEREO16;
        if (v.format == 0 || format.samples_per_second == 0) return 0;
        v.rate = format.samples_per_second;
        v.size = size;
        v.frame_bytes = format.channels * format.bits_per_sample / 8u;
        v.positioned = positioned;
        al_.get_error();
        al_.gen_buffers(1, &v.buffer);
        al_.gen_sources(1, &v.source);
        if (al_.get_error() != AL_NO_ERROR) {
            forget(v);
            return 0;
        }
        if (!positioned) {
            // A plain sample sits on the listener and does not fade with distance.
            al_.source_i(v.source, AL_SOURCE_RELATIVE, AL_TRUE);
            al_.source_3f(v.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
            al_.source_f(v.source, AL_ROLLOFF_FACTOR, 0.0f);
        }
        const audio_buffer_id id = next_id_++;
        voices_[id] = v;
        return id;
    }

    bool open_3d(audio_buffer_id id) override {
        const voice* v = find_voice(id);
        return v && v->positioned;
    }

    bool fill_buffer(audio_buffer_id id, const uint8_t* data, uint32_t size) override {
        voice* v = find_voice(id);
        if (!v || size != v->size) return false;
        // OpenAL takes whole frames only; a sample's odd last byte is dropped.
        const uint32_t whole = size - size % v->frame_bytes;
        if (whole == 0) return false;
        al_.source_stop(v->source);
        al_.source_i(v->source, AL_BUFFER, 0);
        al_.get_error();
        al_.buffer_data(v->buffer, v->format, data, static_cast<ALsizei>(whole),
                        static_cast<ALsizei>(v->rate));
        al_.source_i(v->source, AL_BUFFER, static_cast<ALint>(v->buffer));
        return al_.get_error() == AL_NO_ERROR;
    }

    void destroy_buffer(audio_buffer_id id) override {
        auto it = voices_.find(id);
        if (it == voices_.end()) return;
        forget(it->second);
        voices_.erase(it);
    }

    // OpenAL keeps its buffers.
    bool buffer_lost(audio_buffer_id) override { return false; }
    bool restore_buffer(audio_buffer_id id) override { return find_voice(id) != nullptr; }

    bool play(audio_buffer_id id, bool loop) override {
        voice* v = find_voice(id);
        if (!v) return false;
        al_.get_error();
        al_.source_rewind(v->source);
        al_.source_i(v->source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
        al_.source_play(v->source);
        return al_.get_error() == AL_NO_ERROR;
    }

    void stop(audio_buffer_id id) override {
        if (voice* v = find_voice(id)) al_.source_stop(v->source);
    }

    bool playing(audio_buffer_id id) override {
        voice* v = find_voice(id);
        if (!v) return false;
        ALint state = AL_STOPPED;
        al_.get_source_i(v->source, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }

    bool set_volume(audio_buffer_id id, int32_t volume) override {
        voice* v = find_voice(id);
        if (!v) return false;
        v->volume = volume;
        apply_gain(*v);
        return true;
    }

    bool set_3d(audio_buffer_id id, const audio_3d_params& p) override {
        voice* v = find_voice(id);
        if (!v || !v->positioned) return false;
        v->params = p;
        al_.get_error();
        al_.source_3f(v->source, AL_POSITION, p.position.x, p.position.y, -p.position.z);
        al_.source_3f(v->source, AL_VELOCITY, p.velocity.x, p.velocity.y, -p.velocity.z);
        al_.source_3f(v->source, AL_DIRECTION, p.cone_orientation.x, p.cone_orientation.y,
                      -p.cone_orientation.z);
        al_.source_f(v->source, AL_CONE_INNER_ANGLE, p.inside_cone_angle);
        al_.source_f(v->source, AL_CONE_OUTER_ANGLE, p.outside_cone_angle);
        al_.source_f(v->source, AL_CONE_OUTER_GAIN, audio_gain(p.outside_volume));
        al_.source_f(v->source, AL_REFERENCE_DISTANCE, p.min_distance);
        al_.source_f(v->source, AL_MAX_DISTANCE, p.max_distance);
        al_.source_f(v->source, AL_ROLLOFF_FACTOR, 1.0f);
        apply_gain(*v);
        return al_.get_error() == AL_NO_ERROR;
    }

private:
    voice* find_voice(audio_buffer_id id) {
        auto it = voices_.find(id);
        return it == voices_.end() ? nullptr : &it->second;
    }

    // Inverse-clamped distances hold the gain at the maximum distance; beyond it the sample is
    // muted instead.
    void apply_gain(voice& v) {
        float gain = audio_gain(v.volume);
        if (v.positioned) {
            const vec3 d = v.params.position - listener_;
            const float max = v.params.max_distance;
            if (d.x * d.x + d.y * d.y + d.z * d.z > max * max) gain = 0.0f;
        }
        al_.source_f(v.source, AL_GAIN, gain);
    }

    void forget(voice& v) {
        if (v.source) {
            al_.source_stop(v.source);
            al_.source_i(v.source, AL_BUFFER, 0);
            al_.delete_sources(1, &v.source);
        }
        if (v.buffer) al_.delete_buffers(1, &v.buffer);
        v.source = 0;
        v.buffer = 0;
    }

    dll library_;
    al_entries al_;
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    std::map<audio_buffer_id, voice> voices_;
    audio_buffer_id next_id_ = 1;
    vec3 listener_;
    int32_t primary_volume_ = 0;  // a new context's listener is at full gain
};

}  // namespace

std::unique_ptr<audio_device> audio_device_openal(const std::string& library_name) {
    return std::make_unique<openal_device>(library_name);
}

}  // namespace kv
