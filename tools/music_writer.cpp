#include "tools/music_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <system_error>

#include "platform/media_encoder.h"

namespace kv::tools {

std::vector<int16_t> music_samples(const music_desc& desc) {
    const std::size_t per_note =
        static_cast<std::size_t>(desc.rate) * static_cast<std::size_t>(desc.note_ms) / 1000;
    const std::size_t rise = std::max<std::size_t>(1, per_note / 20);
    std::vector<int16_t> out;
    out.reserve(per_note * desc.notes.size());
    for (int note : desc.notes) {
        const double hz = 220.0 * std::pow(2.0, note / 12.0);
        for (std::size_t i = 0; i < per_note; ++i) {
            double v = 0.0;
            if (note >= 0) {
                const double t = static_cast<double>(i) / desc.rate;
                const double envelope = std::min(1.0, static_cast<double>(i) / static_cast<double>(rise)) *
                                        (1.0 - static_cast<double>(i) / static_cast<double>(per_note));
                v = std::sin(2.0 * std::numbers::pi * hz * t) * envelope * desc.level;
            }
            out.push_back(static_cast<int16_t>(std::lround(v * 32767.0)));
        }
    }
    return out;
}

bool write_music_mp3(const std::filesystem::path& path, const music_desc& desc) {
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    return sys_encode_mp3(music_samples(desc), desc.rate, 1, path.string());
}

}  // namespace kv::tools
