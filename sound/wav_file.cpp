#include "sound/wav_file.h"

#include <cstring>

#include "data/file_stream.h"
#include "kernel/log.h"
#include "util/byte_order.h"

namespace kv {
namespace {

// The format record's fixed part.
constexpr uint32_t kFormatSize = 16;
constexpr uint16_t kFormatPcm = 1;

bool read_exact(file_stream& s, void* buffer, std::size_t n) {
    std::size_t count = 0;
    return file_stream_read(s, buffer, n, &count) && count == n;
}

bool read_id(file_stream& s, const char* id) {
    char bytes[4];
    return read_exact(s, bytes, sizeof bytes) && std::memcmp(bytes, id, sizeof bytes) == 0;
}

bool read_u32(file_stream& s, uint32_t& value) {
    uint8_t bytes[4];
    if (!read_exact(s, bytes, sizeof bytes)) return false;
    value = le_load_u32(bytes);
    return true;
}

bool playable(const audio_format& f) {
    return f.format_tag == kFormatPcm && (f.channels == 1 || f.channels == 2) &&
           (f.bits_per_sample == 8 || f.bits_per_sample == 16) && f.samples_per_second != 0;
}

// The "fmt " chunk after its id: a record of at least the fixed size, the rest skipped, and the
// pad byte of an odd length.
bool read_format(file_stream& s, audio_format& f) {
    uint32_t length = 0;
    uint8_t record[kFormatSize];
    if (!read_u32(s, length) || length < kFormatSize || !read_exact(s, record, sizeof record)) return false;
    f.format_tag = le_load_u16(record);
    f.channels = le_load_u16(record + 2);
    f.samples_per_second = le_load_u32(record + 4);
    f.bytes_per_second = le_load_u32(record + 8);
    f.block_align = le_load_u16(record + 12);
    f.bits_per_sample = le_load_u16(record + 14);
    const int64_t rest = static_cast<int64_t>(length - kFormatSize) + (length & 1);
    if (rest > 0 && !file_stream_seek(s, file_stream_tell(s) + rest)) return false;
    return playable(f);
}

}  // namespace

bool wav_read(file_stream& s, const std::string& name, audio_format& format, std::vector<uint8_t>& data) {
    data.clear();
    const char* sample = name.c_str();
    if (!read_id(s, "RIFF")) {
        log_write("[sound] Sample '%s' does not have a valid RIFF ID\n", sample);
        return false;
    }
    uint32_t riff_size = 0;
    if (!read_u32(s, riff_size) || !read_id(s, "WAVE")) {
        log_write("[sound] Sample '%s' does not have a valid WAVE form-type\n", sample);
        return false;
    }
    if (!read_id(s, "fmt ")) {
        log_write("[sound] Sample '%s' does not have a wave-form chunk ID\n", sample);
        return false;
    }
    if (!read_format(s, format)) {
        log_write("[sound] Sample '%s' does not have a PCM wave format\n", sample);
        return false;
    }
    uint32_t size = 0;
    const bool has_data = read_id(s, "data") && read_u32(s, size);
    const int64_t left = file_stream_size(s) - file_stream_tell(s);
    if (!has_data || static_cast<int64_t>(size) > left) {
        log_write("[sound] Sample `%s' does not have a valid data chunk ID\n", sample);
        return false;
    }
    data.resize(size);
    if (size != 0 && !read_exact(s, data.data(), size)) {
        data.clear();
        log_write("[sound] Sample `%s' does not have a valid data chunk ID\n", sample);
        return false;
    }
    return true;
}

}  // namespace kv
