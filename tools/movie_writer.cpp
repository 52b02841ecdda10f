#include "tools/movie_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

#include "tools/byte_writer.h"

namespace kv::tools {
namespace {

constexpr uint32_t kAviHasIndex = 0x10;
constexpr uint32_t kIndexKeyFrame = 0x10;
constexpr int kBytesPerPixel = 3;
constexpr int kBytesPerSample = 2;
constexpr double kToneAmplitude = 8000.0;

// AVI is little-endian throughout.
struct riff_writer {
    std::vector<uint8_t> bytes;

    void u16(uint32_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void fourcc(std::string_view code) { bytes.insert(bytes.end(), code.begin(), code.end()); }
    // Starts a chunk (or, with a list type, a list) and returns where its size goes.
    std::size_t begin(std::string_view code, std::string_view list_type = {}) {
        fourcc(code);
        const std::size_t at = bytes.size();
        u32(0);
        if (!list_type.empty()) fourcc(list_type);
        return at;
    }
    void end(std::size_t size_at) {
        if (bytes.size() % 2 != 0) bytes.push_back(0);
        const uint32_t size = static_cast<uint32_t>(bytes.size() - size_at - 4);
        for (int i = 0; i < 4; ++i) bytes[size_at + i] = static_cast<uint8_t>(size >> (8 * i));
    }
};

int row_bytes(const movie_desc& desc) {
    return (desc.width * kBytesPerPixel + 3) / 4 * 4;
}

// Bottom-up rows of blue, green, red.
std::vector<uint8_t> frame_pixels(const movie_desc& desc, int frame) {
    const int stride = row_bytes(desc);
    std::vector<uint8_t> pixels(static_cast<std::size_t>(stride) * desc.height);
    const int bar_width = std::max(1, desc.width / 16);
    const int bar_x = frame * bar_width % desc.width;
    for (int y = 0; y < desc.height; ++y) {
        for (int x = 0; x < desc.width; ++x) {
            const movie_colour& c = x >= bar_x && x < bar_x + bar_width ? desc.bar : desc.background;
            uint8_t* p = &pixels[static_cast<std::size_t>(y) * stride + x * kBytesPerPixel];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
    return pixels;
}

std::vector<uint8_t> tone_samples(const movie_desc& desc, int frame) {
    const int first = frame * desc.sample_rate / desc.frames_per_second;
    const int last = (frame + 1) * desc.sample_rate / desc.frames_per_second;
    std::vector<uint8_t> samples;
    for (int i = first; i < last; ++i) {
        const double t = static_cast<double>(i) / desc.sample_rate;
        const auto v = static_cast<int16_t>(
            std::lround(kToneAmplitude * std::sin(2 * std::numbers::pi * desc.tone_hz * t)));
        samples.push_back(static_cast<uint8_t>(v));
        samples.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return samples;
}

void stream_header(riff_writer& out, std::string_view type, uint32_t scale, uint32_t rate, uint32_t length,
                   uint32_t buffer_size, uint32_t sample_size, const movie_desc& desc) {
    const std::size_t at = out.begin("strh");
    out.fourcc(type);
    out.u32(0);  // handler
    out.u32(0);  // flags
    out.u32(0);  // priority and language
    out.u32(0);  // initial frames
    out.u32(scale);
    out.u32(rate);
    out.u32(0);  // start
    out.u32(length);
    out.u32(buffer_size);
    out.u32(0xFFFFFFFF);  // quality: the default
    out.u32(sample_size);
    out.u16(0);
    out.u16(0);
    out.u16(static_cast<uint32_t>(desc.width));
    out.u16(static_cast<uint32_t>(desc.height));
    out.end(at);
}

}  // namespace

std::vector<uint8_t> movie_avi_bytes(const movie_desc& desc) {
    const uint32_t frame_size = static_cast<uint32_t>(row_bytes(desc) * desc.height);
    const uint32_t audio_rate = static_cast<uint32_t>(desc.sample_rate * kBytesPerSample);
    const uint32_t samples_per_frame = static_cast<uint32_t>(desc.sample_rate / desc.frames_per_second + 1);
    riff_writer out;
    const std::size_t riff = out.begin("RIFF", "AVI ");

    const std::size_t header_list = out.begin("LIST", "hdrl");
    const std::size_t main_header = out.begin("avih");
    out.u32(static_cast<uint32_t>(1000000 / desc.frames_per_second));
    out.u32(frame_size * desc.frames_per_second + audio_rate);
    out.u32(0);
    out.u32(kAviHasIndex);
    out.u32(static_cast<uint32_t>(desc.frame_count));
    out.u32(0);
    out.u32(2);  // streams
    out.u32(frame_size);
    out.u32(static_cast<uint32_t>(desc.width));
    out.u32(static_cast<uint32_t>(desc.height));
    for (int i = 0; i < 4; ++i) out.u32(0);
    out.end(main_header);

    const std::size_t video_list = out.begin("LIST", "strl");
    stream_header(out, "vids", 1, static_cast<uint32_t>(desc.frames_per_second),
                  static_cast<uint32_t>(desc.frame_count), frame_size, 0, desc);
    const std::size_t bitmap = out.begin("strf");
    out.u32(40);
    out.u32(static_cast<uint32_t>(desc.width));
    out.u32(static_cast<uint32_t>(desc.height));  // positive: rows bottom-up
    out.u16(1);
    out.u16(kBytesPerPixel * 8);
    out.u32(0);  // uncompressed
    out.u32(frame_size);
    for (int i = 0; i < 4; ++i) out.u32(0);
    out.end(bitmap);
    out.end(video_list);

    const std::size_t audio_list = out.begin("LIST", "strl");
    stream_header(out, "auds", kBytesPerSample, audio_rate,
                  static_cast<uint32_t>(desc.frame_count * desc.sample_rate / desc.frames_per_second),
                  samples_per_frame * kBytesPerSample, kBytesPerSample, desc);
    const std::size_t wave = out.begin("strf");
    out.u16(1);  // PCM
    out.u16(1);  // mono
    out.u32(static_cast<uint32_t>(desc.sample_rate));
    out.u32(audio_rate);
    out.u16(kBytesPerSample);
    out.u16(kBytesPerSample * 8);
    out.u16(0);
    out.end(wave);
    out.end(audio_list);
    out.end(header_list);

    struct index_entry {
        const char* id;
        uint32_t offset, size;
    };
    std::vector<index_entry> index;
    const std::size_t movie = out.begin("LIST", "movi");
    const std::size_t movie_type_at = movie + 4;  // index offsets count from the list's type
    auto add_chunk = [&](const char* id, const std::vector<uint8_t>& data) {
        index.push_back({id, static_cast<uint32_t>(out.bytes.size() - movie_type_at),
                         static_cast<uint32_t>(data.size())});
        const std::size_t chunk = out.begin(id);
        out.bytes.insert(out.bytes.end(), data.begin(), data.end());
        out.end(chunk);
    };
    for (int frame = 0; frame < desc.frame_count; ++frame) {
        add_chunk("00db", frame_pixels(desc, frame));
        add_chunk("01wb", tone_samples(desc, frame));
    }
    out.end(movie);

    const std::size_t idx = out.begin("idx1");
    for (const index_entry& entry : index) {
        out.fourcc(entry.id);
        out.u32(kIndexKeyFrame);
        out.u32(entry.offset);
        out.u32(entry.size);
    }
    out.end(idx);
    out.end(riff);
    return std::move(out.bytes);
}

bool write_movie(const std::filesystem::path& path, const movie_desc& desc) {
    return write_file(path, movie_avi_bytes(desc));
}

}  // namespace kv::tools
