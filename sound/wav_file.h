#pragma once
// Reading a sample's WAV file (RIFF, little-endian): the "RIFF" header with the "WAVE" form type,
// the "fmt " chunk with a PCM format of 8 or 16 bits in 1 or 2 channels, and right behind it the
// "data" chunk, read whole. No other chunk may stand between the two.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_device.h"

namespace kv {

struct file_stream;

// Reads the file's format and data; a refused file gets its log line, naming the sample, and
// leaves `data` empty.
bool wav_read(file_stream& s, const std::string& name, audio_format& format, std::vector<uint8_t>& data);

}  // namespace kv
