#pragma once
// A media graph for the music tests: it plays nothing, writes down what it is asked ("render
// <path>", "run", "stop", "rewind", "volume <v>"), fails the steps it is told to and hands out the
// events a test queued, numbering them so that their freeing can be checked.

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/media_pipeline.h"
#include "util/text.h"

namespace kv {

struct fake_media_state {
    std::vector<std::string> calls;
    std::set<std::string> failing;  // "render", "run"
    std::deque<graph_event> events;
    int taken = 0;
    std::vector<intptr_t> freed;  // the numbers of the freed events, in order
    std::vector<int32_t> volumes;
    int graphs_made = 0;
};

class fake_media_graph : public media_graph {
public:
    explicit fake_media_graph(fake_media_state& s) : s_(s) { ++s_.graphs_made; }

    bool render_file(const std::string& name) override {
        s_.calls.push_back("render " + name);
        return s_.failing.count("render") == 0;
    }
    std::shared_ptr<graph_control> control() override { return std::make_shared<control_part>(s_); }
    std::shared_ptr<graph_events> events() override { return std::make_shared<events_part>(s_); }
    std::shared_ptr<graph_video_window> video_window() override { return nullptr; }
    std::shared_ptr<graph_audio> audio() override { return std::make_shared<audio_part>(s_); }

    // A factory for `sound_music::create_graph`.
    static media_graph_factory factory(fake_media_state& s) {
        return [&s] { return std::make_unique<fake_media_graph>(s); };
    }
    static graph_event event_of(int32_t code, const std::string& text = "") {
        graph_event e;
        e.code = code;
        e.text = text;
        return e;
    }

private:
    struct control_part : graph_control {
        explicit control_part(fake_media_state& s) : s_(s) {}
        bool run() override {
            s_.calls.push_back("run");
            return s_.failing.count("run") == 0;
        }
        bool stop() override {
            s_.calls.push_back("stop");
            return true;
        }
        bool rewind() override {
            s_.calls.push_back("rewind");
            return true;
        }
        fake_media_state& s_;
    };
    struct events_part : graph_events {
        explicit events_part(fake_media_state& s) : s_(s) {}
        void set_notify_window(uintptr_t) override {}
        bool get_event(graph_event& out) override {
            if (s_.events.empty()) return false;
            out = s_.events.front();
            s_.events.pop_front();
            out.message = reinterpret_cast<void*>(static_cast<intptr_t>(++s_.taken));
            return true;
        }
        void free_event(graph_event& event) override {
            s_.freed.push_back(reinterpret_cast<intptr_t>(event.message));
            event = graph_event{};
        }
        fake_media_state& s_;
    };
    struct audio_part : graph_audio {
        explicit audio_part(fake_media_state& s) : s_(s) {}
        bool set_volume(int32_t volume) override {
            s_.volumes.push_back(volume);
            return true;
        }
        fake_media_state& s_;
    };

    fake_media_state& s_;
};

}  // namespace kv
