#include "platform/media_encoder.h"

#include <gst/gst.h>

#include <cstring>

namespace kv {
namespace {

// How long the encoding of one file may take.
constexpr GstClockTime kEncodeTimeout = 60 * GST_SECOND;

GstElement* make(GstElement* bin, const char* factory) {
    GstElement* e = gst_element_factory_make(factory, nullptr);
    if (e != nullptr) gst_bin_add(GST_BIN(bin), e);
    return e;
}

}  // namespace

bool sys_encode_mp3(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels,
                    const std::string& path) {
    if (!gst_init_check(nullptr, nullptr, nullptr) || rate == 0 || channels == 0) return false;
    GstElement* pipeline = gst_pipeline_new("mp3-encoder");
    GstElement* source = make(pipeline, "appsrc");
    GstElement* convert = make(pipeline, "audioconvert");
    GstElement* encoder = make(pipeline, "lamemp3enc");
    GstElement* sink = make(pipeline, "filesink");
    bool ok = source != nullptr && convert != nullptr && encoder != nullptr && sink != nullptr &&
              gst_element_link_many(source, convert, encoder, sink, nullptr);
    if (ok) {
        GstCaps* caps =
            gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING,
                                "interleaved", "rate", G_TYPE_INT, static_cast<gint>(rate), "channels",
                                G_TYPE_INT, static_cast<gint>(channels), nullptr);
        g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, nullptr);
        gst_caps_unref(caps);
        g_object_set(sink, "location", path.c_str(), nullptr);
        ok = gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }
    if (ok) {
        // The samples in little-endian order, as the caps say.
        const gsize size = samples.size() * 2;
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto v = static_cast<uint16_t>(samples[i]);
            map.data[2 * i] = static_cast<guint8>(v & 0xFF);
            map.data[2 * i + 1] = static_cast<guint8>(v >> 8);
        }
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) = 0;
        GST_BUFFER_DURATION(buffer) =
            gst_util_uint64_scale(samples.size() / channels, GST_SECOND, static_cast<guint64>(rate));
        GstFlowReturn pushed = GST_FLOW_OK;
        g_signal_emit_by_name(source, "push-buffer", buffer, &pushed);
        gst_buffer_unref(buffer);
        GstFlowReturn ended = GST_FLOW_OK;
        g_signal_emit_by_name(source, "end-of-stream", &ended);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, kEncodeTimeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        ok = pushed == GST_FLOW_OK && message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (message != nullptr) gst_message_unref(message);
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

}  // namespace kv
