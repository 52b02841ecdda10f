#pragma once
// Movies for the intro player's tests and the demo: an uncompressed AVI file of generated pictures
// (24-bit RGB frames) and a sine tone (16-bit mono PCM), one audio chunk beside each frame.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kv::tools {

struct movie_colour {
    uint8_t r = 0, g = 0, b = 0;
};

struct movie_desc {
    int width = 160;
    int height = 120;
    int frames_per_second = 10;
    int frame_count = 30;
    // Every picture is this colour, crossed by a bar of `bar` that moves one step a frame.
    movie_colour background{230, 120, 20};
    movie_colour bar{20, 40, 200};
    int sample_rate = 22050;
    int tone_hz = 440;
};

std::vector<uint8_t> movie_avi_bytes(const movie_desc& desc);
// Writes the movie to a new file (replacing an old one); creates missing parent folders.
bool write_movie(const std::filesystem::path& path, const movie_desc& desc);

}  // namespace kv::tools
