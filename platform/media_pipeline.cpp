#include "platform/media_pipeline.h"

#include <SDL.h>
#include <gst/gst.h>
#include <gst/video/videooverlay.h>

#include <atomic>

#include "platform/audio_device.h"

namespace kv {
namespace {

// How long a file may take to build and preroll its pipeline.
constexpr GstClockTime kPrerollTimeout = 10 * GST_SECOND;

bool gstreamer_started() {
    static const bool started = gst_init_check(nullptr, nullptr, nullptr);
    return started;
}

// What the four interfaces of one graph share; the last of them to go stops and frees the pipeline.
struct pipeline {
    GstElement* playbin = nullptr;
    GstBus* bus = nullptr;
    GstElement* size_filter = nullptr;  // in the video sink, which the playbin owns
    std::atomic<uintptr_t> notify_window{0};
    std::atomic<uintptr_t> owner_window{0};

    uintptr_t drawing_window() const {
        const uintptr_t owner = owner_window.load();
        return owner != 0 ? owner : notify_window.load();
    }

    ~pipeline() {
        gst_element_set_state(playbin, GST_STATE_NULL);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(playbin);
    }
};

// Runs on the streaming thread when the video sink is about to make a window: it gets ours.
GstBusSyncReply on_sync_message(GstBus*, GstMessage* message, gpointer data) {
    if (!gst_is_video_overlay_prepare_window_handle_message(message)) return GST_BUS_PASS;
    const auto* owner = static_cast<const pipeline*>(data);
    if (const uintptr_t window = owner->drawing_window(); window != 0) {
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(message)), window);
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

// The picture is scaled on the processor (aspect kept, black borders) to the size of its window and
// drawn by X11 into the program's window; the keys stay with the program. Until the window has a
// size the picture keeps its own. Without a display (a sound-only file on a server, or a test) the picture
// goes nowhere.
GstElement* make_video_sink(GstElement** size_filter) {
    *size_filter = nullptr;
    if (GstElement* probe = gst_element_factory_make("ximagesink", nullptr)) {
        gst_object_ref_sink(probe);
        const bool opens = gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(probe, GST_STATE_NULL);
        gst_object_unref(probe);
        if (!opens) return gst_element_factory_make("fakesink", nullptr);
    }
    GstElement* bin = gst_bin_new("video-sink");
    GstElement* scale = gst_element_factory_make("videoscale", nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = gst_element_factory_make("ximagesink", nullptr);
    GstElement* parts[] = {scale, filter, convert, sink};
    bool made = true;
    for (GstElement* part : parts) {
        if (part == nullptr) {
            made = false;
        } else {
            gst_bin_add(GST_BIN(bin), part);
        }
    }
    if (!made || !gst_element_link_many(scale, filter, convert, sink, nullptr)) {
        gst_object_unref(bin);
        return nullptr;
    }
    g_object_set(scale, "add-borders", TRUE, nullptr);
    g_object_set(sink, "force-aspect-ratio", TRUE, nullptr);
    gst_video_overlay_handle_events(GST_VIDEO_OVERLAY(sink), FALSE);
    GstPad* input = gst_element_get_static_pad(scale, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
    gst_object_unref(input);
    *size_filter = filter;
    return bin;
}

// A machine without a sound card still plays the picture, in time, with the sound dropped.
GstElement* make_audio_sink() {
    if (GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr)) {
        const bool opens = gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(sink, GST_STATE_NULL);
        if (opens) return sink;
        gst_object_unref(sink);
    }
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (sink != nullptr) g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

bool set_state(pipeline& p, GstState state) {
    return gst_element_set_state(p.playbin, state) != GST_STATE_CHANGE_FAILURE;
}

class gst_control : public graph_control {
public:
    explicit gst_control(std::shared_ptr<pipeline> p) : p_(std::move(p)) {}
    bool run() override { return set_state(*p_, GST_STATE_PLAYING); }
    bool stop() override { return set_state(*p_, GST_STATE_READY); }
    bool rewind() override {
        return gst_element_seek_simple(
            p_->playbin, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
    }

private:
    std::shared_ptr<pipeline> p_;
};

class gst_events : public graph_events {
public:
    explicit gst_events(std::shared_ptr<pipeline> p) : p_(std::move(p)) {}
    void set_notify_window(uintptr_t native_window) override { p_->notify_window = native_window; }

    bool get_event(graph_event& out) override {
        while (GstMessage* message = gst_bus_pop(p_->bus)) {
            switch (GST_MESSAGE_TYPE(message)) {
                case GST_MESSAGE_EOS:
                    out = graph_event{kGraphEventComplete, {}, message};
                    return true;
                case GST_MESSAGE_ERROR: {
                    GError* error = nullptr;
                    gst_message_parse_error(message, &error, nullptr);
                    out = graph_event{kGraphEventErrorAbort, error != nullptr ? error->message : "", message};
                    if (error != nullptr) g_error_free(error);
                    return true;
                }
                default:
                    // The pipeline's other news (state changes, tags...) concern nobody.
                    gst_message_unref(message);
                    break;
            }
        }
        return false;
    }

    void free_event(graph_event& event) override {
        if (event.message != nullptr) gst_message_unref(static_cast<GstMessage*>(event.message));
        event = graph_event{};
    }

private:
    std::shared_ptr<pipeline> p_;
};

class gst_video_window : public graph_video_window {
public:
    explicit gst_video_window(std::shared_ptr<pipeline> p) : p_(std::move(p)) {}
    bool set_message_drain(uintptr_t native_window) override {
        if (native_window == 0) return false;
        p_->owner_window = native_window;
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(p_->playbin), native_window);
        return true;
    }
    bool set_full_screen(bool on) override {
        if (p_->size_filter == nullptr) return false;
        GstCaps* caps = nullptr;
        if (on) {
            SDL_Rect display;
            if (SDL_GetDisplayBounds(0, &display) != 0) return false;
            caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, display.w, "height", G_TYPE_INT,
                                       display.h, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        } else {
            caps = gst_caps_new_any();
        }
        g_object_set(p_->size_filter, "caps", caps, nullptr);
        gst_caps_unref(caps);
        // The sink takes no window events: it learns its window's new size here.
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(p_->playbin));
        return true;
    }

private:
    std::shared_ptr<pipeline> p_;
};

class gst_audio : public graph_audio {
public:
    explicit gst_audio(std::shared_ptr<pipeline> p) : p_(std::move(p)) {}
    bool set_volume(int32_t volume) override {
        g_object_set(p_->playbin, "volume", static_cast<gdouble>(audio_gain(volume)), nullptr);
        return true;
    }

private:
    std::shared_ptr<pipeline> p_;
};

class gst_graph : public media_graph {
public:
    explicit gst_graph(std::shared_ptr<pipeline> p) : p_(std::move(p)) {}

    bool render_file(const std::string& name) override {
        gchar* uri = gst_filename_to_uri(name.c_str(), nullptr);
        if (uri == nullptr) return false;
        // The sinks and the file can change only while the pipeline is stopped.
        set_state(*p_, GST_STATE_NULL);
        GstElement* video_sink = make_video_sink(&p_->size_filter);
        GstElement* audio_sink = make_audio_sink();
        g_object_set(p_->playbin, "uri", uri, nullptr);
        if (video_sink != nullptr) g_object_set(p_->playbin, "video-sink", video_sink, nullptr);
        if (audio_sink != nullptr) g_object_set(p_->playbin, "audio-sink", audio_sink, nullptr);
        g_free(uri);
        if (!set_state(*p_, GST_STATE_PAUSED)) return false;
        const GstStateChangeReturn preroll =
            gst_element_get_state(p_->playbin, nullptr, nullptr, kPrerollTimeout);
        return preroll == GST_STATE_CHANGE_SUCCESS || preroll == GST_STATE_CHANGE_NO_PREROLL;
    }

    std::shared_ptr<graph_control> control() override { return std::make_shared<gst_control>(p_); }
    std::shared_ptr<graph_events> events() override { return std::make_shared<gst_events>(p_); }
    std::shared_ptr<graph_video_window> video_window() override {
        return std::make_shared<gst_video_window>(p_);
    }
    std::shared_ptr<graph_audio> audio() override { return std::make_shared<gst_audio>(p_); }

private:
    std::shared_ptr<pipeline> p_;
};

}  // namespace

std::unique_ptr<media_graph> sys_media_graph_create() {
    if (!gstreamer_started()) return nullptr;
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (playbin == nullptr) return nullptr;
    auto p = std::make_shared<pipeline>();
    p->playbin = GST_ELEMENT(gst_object_ref_sink(playbin));
    p->bus = gst_element_get_bus(playbin);
    gst_bus_set_sync_handler(p->bus, on_sync_message, p.get(), nullptr);
    return std::make_unique<gst_graph>(std::move(p));
}

}  // namespace kv
