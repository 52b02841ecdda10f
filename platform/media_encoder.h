#pragma once
// Compressed sound files made from PCM samples through GStreamer's encoders (the build's tools
// make the demo's music with it).

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// Writes 16-bit samples (channels interleaved) at that rate as an MP3 file, replacing an old one.
// False when GStreamer or its MP3 encoder is missing, or the file cannot be written.
bool sys_encode_mp3(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels,
                    const std::string& path);

}  // namespace kv
