#pragma once
// Writes WAV samples (RIFF, little-endian): a PCM "fmt " chunk and a "data" chunk, with the ids,
// the format record's length, a chunk between the two and the stated data size open to change for
// damaged files. Also makes the tones the demo data and the tests play.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

struct wav_desc {
    uint16_t format_tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    std::vector<uint8_t> data;  // the samples as stored
    // For damaged files.
    std::string riff_id = "RIFF";
    std::string form_type = "WAVE";
    std::string format_id = "fmt ";
    std::string data_id = "data";
    uint32_t format_length = 16;  // bytes past 16 are written as zeros; fewer cut the record
    std::string chunk_between;    // the id of an empty chunk between "fmt " and "data"
    int64_t data_size = -1;       // the stated data size; -1 for the real one
};
std::vector<uint8_t> wav_file(const wav_desc& desc);

// `ms` milliseconds of a sine tone of that frequency, scaled per channel (0..1; one or two
// channels), as 8- or 16-bit samples.
std::vector<uint8_t> wav_tone(uint32_t rate, uint16_t bits, const std::vector<float>& channel_levels,
                              int32_t ms, float frequency);

// A one-channel 16-bit tone file of that length and pitch.
std::vector<uint8_t> wav_tone_file(int32_t ms, float frequency, uint32_t rate = 22050);

}  // namespace kv::tools
