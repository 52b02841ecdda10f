#pragma once
// Media files played through a GStreamer playbin, reached through four small interfaces in the
// roles the callers know from a filter graph: the graph itself (renders a file: builds the pipeline
// and prerolls it), its control (run, stop, rewind), its events (taken without waiting, each freed
// by the caller), its video window (the program window the picture is drawn into) and its audio
// (the volume of what it plays). A graph can render another file once it is done with one. Each
// interface keeps the pipeline alive; the pipeline is stopped and freed with the last of them.
// There is no GLib main loop: the owner polls the events once per pass of its message loop.
// Tests replace the whole graph through a factory.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kv {

// Event codes, as the graph's users know them.
constexpr int32_t kGraphEventComplete = 1;    // the whole file has played
constexpr int32_t kGraphEventErrorAbort = 3;  // a stream error stopped the playing

struct graph_event {
    int32_t code = 0;
    std::string text;         // for kGraphEventErrorAbort: what went wrong
    void* message = nullptr;  // the pipeline's own message, freed by `free_event`
};

class graph_control {
public:
    virtual ~graph_control() = default;
    virtual bool run() = 0;
    // Stops the streaming (devices closed); the next run starts from the beginning.
    virtual bool stop() = 0;
    virtual bool rewind() = 0;
};

class graph_events {
public:
    virtual ~graph_events() = default;
    // The window whose message loop polls these events. Until the video window has an owner, the
    // picture is drawn into it too, so the pipeline never opens a window of its own.
    virtual void set_notify_window(uintptr_t native_window) = 0;
    // Takes the next event without waiting; false when none is left.
    virtual bool get_event(graph_event& out) = 0;
    virtual void free_event(graph_event& event) = 0;
};

class graph_video_window {
public:
    virtual ~graph_video_window() = default;
    // The program window that draws the picture and gets the keys (the pipeline takes none).
    virtual bool set_message_drain(uintptr_t native_window) = 0;
    // The picture fills its window, scaled with its aspect kept.
    virtual bool set_full_screen(bool on) = 0;
};

class graph_audio {
public:
    virtual ~graph_audio() = default;
    // Hundredths of a decibel: 0 full, -10000 silent.
    virtual bool set_volume(int32_t volume) = 0;
};

class media_graph {
public:
    virtual ~media_graph() = default;
    // Builds the pipeline for the file (a relative name is taken from the current folder) and
    // prerolls it; false when the file does not render.
    virtual bool render_file(const std::string& name) = 0;
    virtual std::shared_ptr<graph_control> control() = 0;
    virtual std::shared_ptr<graph_events> events() = 0;
    virtual std::shared_ptr<graph_video_window> video_window() = 0;
    // nullptr when the graph has no volume of its own.
    virtual std::shared_ptr<graph_audio> audio() { return nullptr; }
};

using media_graph_factory = std::function<std::unique_ptr<media_graph>()>;

// A graph on GStreamer (started on first use); nullptr when GStreamer cannot start.
std::unique_ptr<media_graph> sys_media_graph_create();

}  // namespace kv
