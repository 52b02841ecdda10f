#pragma once
// Music for the demo and the music tests: a tune made of plain notes (a sine with a short rise and
// a decay each), encoded as MP3 through the platform's encoder.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kv::tools {

struct music_desc {
    uint32_t rate = 44100;
    int32_t note_ms = 250;
    // Semitones above A3 (220 Hz), one a note; a negative one is a rest.
    std::vector<int> notes{0, 3,  7,  12, 7,  3,  5, 8, 12, 15, 12, 8,
                           7, 10, 14, 19, 14, 10, 3, 7, 12, -1, 0,  -1};
    float level = 0.4f;  // of full scale
};

// One channel of 16-bit samples.
std::vector<int16_t> music_samples(const music_desc& desc);
// Encodes the tune into an MP3 file (replacing an old one); creates missing parent folders.
bool write_music_mp3(const std::filesystem::path& path, const music_desc& desc);

}  // namespace kv::tools
