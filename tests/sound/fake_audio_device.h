#pragma once
// A sound card for tests: it writes down what it is asked, fails the step it is told to, and keeps
// each buffer's state (playing until stopped or finished by the test, volume, placement, copies of
// the data). A buffer can be marked lost, as a card may lose it.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "util/text.h"

namespace kv {

struct fake_audio_state {
    // Start-up and other steps that fail: "load_library", "find_create_entry", "create",
    // "set_cooperative_level", "create_primary_buffer", "create_listener", "set_primary_format",
    // "enumerate", "enumerate_missing", "create_buffer", "open_3d", "fill_buffer", "restore_buffer",
    // "get_primary_volume", "set_primary_volume".
    std::set<std::string> failing;
    std::vector<audio_device_info> devices{{"Speakers", "libopenal.so.1"}};
    // One line per step and buffer call: "create", "create_buffer 1 3d", "play 1 loop", ...
    std::vector<std::string> calls;

    struct buffer {
        bool positioned = false;
        bool playing = false;
        bool lost = false;
        int32_t volume = 0;
        int fills = 0;
        audio_3d_params params;
    };
    std::map<audio_buffer_id, buffer> buffers;
    int32_t primary_volume = 1;            // 1 until set
    std::vector<int32_t> primary_volumes;  // every volume set, in order
    audio_listener listener;
    int released = 0;
};

class fake_audio_device : public audio_device {
public:
    // The state outlives the device, which the sound device owns.
    explicit fake_audio_device(fake_audio_state& state) : s_(state) {}

    bool load_library() override { return step("load_library"); }
    bool find_create_entry() override { return step("find_create_entry"); }
    bool create() override { return step("create"); }
    bool set_cooperative_level() override { return step("set_cooperative_level"); }
    bool create_primary_buffer() override { return step("create_primary_buffer"); }
    bool create_listener() override { return step("create_listener"); }
    bool set_primary_format(const audio_format& f) override {
        return step(
            str_format("set_primary_format %u %u %u", f.channels, f.samples_per_second, f.bits_per_sample),
            "set_primary_format");
    }
    void release() override { ++s_.released; }

    bool enumerate(std::vector<audio_device_info>& devices, bool& listing_missing) override {
        listing_missing = s_.failing.count("enumerate_missing") != 0;
        if (listing_missing || s_.failing.count("enumerate")) return false;
        devices = s_.devices;
        return true;
    }

    bool set_primary_volume(int32_t volume) override {
        if (s_.failing.count("set_primary_volume")) return false;
        s_.primary_volume = volume;
        s_.primary_volumes.push_back(volume);
        return true;
    }
    bool get_primary_volume(int32_t& volume) override {
        if (s_.failing.count("get_primary_volume")) return false;
        volume = s_.primary_volume;
        return true;
    }
    void set_listener(const audio_listener& listener) override { s_.listener = listener; }
    void commit_listener() override {}

    audio_buffer_id create_buffer(const audio_format&, uint32_t, bool positioned) override {
        if (!step(positioned ? "create_buffer 3d" : "create_buffer", "create_buffer")) return 0;
        const audio_buffer_id id = next_++;
        s_.buffers[id].positioned = positioned;
        return id;
    }
    bool open_3d(audio_buffer_id) override { return step("open_3d"); }
    bool fill_buffer(audio_buffer_id id, const uint8_t*, uint32_t) override {
        if (!step(str_format("fill_buffer %u", id), "fill_buffer")) return false;
        ++s_.buffers[id].fills;
        s_.buffers[id].lost = false;
        return true;
    }
    void destroy_buffer(audio_buffer_id id) override { s_.buffers.erase(id); }
    bool buffer_lost(audio_buffer_id id) override { return s_.buffers[id].lost; }
    bool restore_buffer(audio_buffer_id id) override {
        return step(str_format("restore_buffer %u", id), "restore_buffer");
    }
    bool play(audio_buffer_id id, bool loop) override {
        s_.calls.push_back(str_format("play %u%s", id, loop ? " loop" : ""));
        s_.buffers[id].playing = true;
        return true;
    }
    void stop(audio_buffer_id id) override {
        auto b = s_.buffers.find(id);
        if (b != s_.buffers.end()) b->second.playing = false;
    }
    bool playing(audio_buffer_id id) override {
        auto b = s_.buffers.find(id);
        return b != s_.buffers.end() && b->second.playing;
    }
    bool set_volume(audio_buffer_id id, int32_t volume) override {
        s_.buffers[id].volume = volume;
        return true;
    }
    bool set_3d(audio_buffer_id id, const audio_3d_params& params) override {
        s_.buffers[id].params = params;
        return true;
    }

    // Every buffer comes to its end.
    static void finish_all(fake_audio_state& s) {
        for (auto& [id, b] : s.buffers) b.playing = false;
    }

private:
    bool step(const std::string& call, const std::string& name = "") {
        s_.calls.push_back(call);
        return s_.failing.count(name.empty() ? call : name) == 0;
    }

    fake_audio_state& s_;
    audio_buffer_id next_ = 1;
};

}  // namespace kv
