// Reads arbitrary bytes as a sample's WAV file.

#include <cstdint>
#include <cstdlib>

#include "data/file_stream.h"
#include "fuzz/memory_chunk_reader.h"
#include "sound/wav_file.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    audio_format format;
    std::vector<uint8_t> samples;
    const bool read = wav_read(stream, "fuzz", format, samples);
    // A sample never holds more than the file, and a refused one holds nothing.
    if (samples.size() > size || (!read && !samples.empty())) std::abort();
    if (read && (format.format_tag != 1 || (format.channels != 1 && format.channels != 2) ||
                 (format.bits_per_sample != 8 && format.bits_per_sample != 16)))
        std::abort();
    return 0;
}
