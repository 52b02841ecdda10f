#include "tools/wav_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kv::tools {
namespace {

void put_id(std::vector<uint8_t>& out, const std::string& id) {
    for (std::size_t i = 0; i < 4; ++i) out.push_back(i < id.size() ? static_cast<uint8_t>(id[i]) : ' ');
}

void put_u16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

std::vector<uint8_t> wav_file(const wav_desc& desc) {
    std::vector<uint8_t> record;
    put_u16(record, desc.format_tag);
    put_u16(record, desc.channels);
    put_u32(record, desc.rate);
    const uint16_t block = static_cast<uint16_t>(desc.channels * desc.bits / 8);
    put_u32(record, desc.rate * block);
    put_u16(record, block);
    put_u16(record, desc.bits);
    record.resize(desc.format_length, 0);

    std::vector<uint8_t> body;
    put_id(body, desc.form_type);
    put_id(body, desc.format_id);
    put_u32(body, desc.format_length);
    body.insert(body.end(), record.begin(), record.end());
    if (desc.format_length & 1) body.push_back(0);
    if (!desc.chunk_between.empty()) {
        put_id(body, desc.chunk_between);
        put_u32(body, 0);
    }
    put_id(body, desc.data_id);
    put_u32(body, desc.data_size < 0 ? static_cast<uint32_t>(desc.data.size())
                                     : static_cast<uint32_t>(desc.data_size));
    body.insert(body.end(), desc.data.begin(), desc.data.end());

    std::vector<uint8_t> out;
    put_id(out, desc.riff_id);
    put_u32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> wav_tone(uint32_t rate, uint16_t bits, const std::vector<float>& channel_levels,
                              int32_t ms, float frequency) {
    std::vector<uint8_t> out;
    const int64_t frames = static_cast<int64_t>(rate) * ms / 1000;
    for (int64_t i = 0; i < frames; ++i) {
        const float wave = std::sin(2.0f * std::numbers::pi_v<float> * frequency * static_cast<float>(i) /
                                    static_cast<float>(rate));
        for (float level : channel_levels) {
            const float v = std::clamp(wave * level, -1.0f, 1.0f);
            if (bits == 8) {
                out.push_back(static_cast<uint8_t>(128 + static_cast<int>(v * 127.0f)));
            } else {
                put_u16(out, static_cast<uint16_t>(static_cast<int16_t>(v * 32767.0f)));
            }
        }
    }
    return out;
}

std::vector<uint8_t> wav_tone_file(int32_t ms, float frequency, uint32_t rate) {
    wav_desc desc;
    desc.rate = rate;
    desc.data = wav_tone(rate, 16, {0.8f}, ms, frequency);
    return wav_file(desc);
}

}  // namespace kv::tools
