#include "sound/wav_file.h"

#include <gtest/gtest.h>

#include "data/file_stream.h"
#include "tests/sound/sound_test_support.h"

namespace kv {
namespace {

class WavFile : public sound_test {};

struct wav_case {
    const char* what;
    std::vector<uint8_t> bytes;  // empty: no file
    const char* line;            // empty: plays
};

std::vector<uint8_t> with(void (*change)(tools::wav_desc&)) {
    tools::wav_desc desc;
    desc.data = tools::wav_tone(desc.rate, 16, {0.5f}, 50, 440.0f);
    change(desc);
    return tools::wav_file(desc);
}

std::vector<uint8_t> cut(std::vector<uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST_F(WavFile, EachRefusalHasItsLineAndGoodVariantsPlay) {
    const std::string riff = "[sound] Sample 'x' does not have a valid RIFF ID\n";
    const std::string wave = "[sound] Sample 'x' does not have a valid WAVE form-type\n";
    const std::string fmt = "[sound] Sample 'x' does not have a wave-form chunk ID\n";
    const std::string pcm = "[sound] Sample 'x' does not have a PCM wave format\n";
    const std::string data = "[sound] Sample `x' does not have a valid data chunk ID\n";
    const std::vector<uint8_t> good = with([](tools::wav_desc&) {});
    const std::vector<wav_case> cases = {
        {"missing", {}, "[sound] Sample 'x' not found\n"},
        {"riff id", with([](tools::wav_desc& s) { s.riff_id = "RIFX"; }), riff.c_str()},
        {"empty", std::vector<uint8_t>{'R', 'I'}, riff.c_str()},
        {"form type", with([](tools::wav_desc& s) { s.form_type = "AVI "; }), wave.c_str()},
        {"no form type", cut(good, 10), wave.c_str()},
        {"format id", with([](tools::wav_desc& s) { s.format_id = "LIST"; }), fmt.c_str()},
        {"format tag", with([](tools::wav_desc& s) { s.format_tag = 3; }), pcm.c_str()},
        {"short record", with([](tools::wav_desc& s) { s.format_length = 14; }), pcm.c_str()},
        {"cut record", cut(good, 30), pcm.c_str()},
        {"24 bits", with([](tools::wav_desc& s) { s.bits = 24; }), pcm.c_str()},
        {"3 channels", with([](tools::wav_desc& s) { s.channels = 3; }), pcm.c_str()},
        {"no channels", with([](tools::wav_desc& s) { s.channels = 0; }), pcm.c_str()},
        {"rate 0", with([](tools::wav_desc& s) { s.rate = 0; }), pcm.c_str()},
        {"data id", with([](tools::wav_desc& s) { s.data_id = "date"; }), data.c_str()},
        {"chunk between", with([](tools::wav_desc& s) { s.chunk_between = "fact"; }), data.c_str()},
        {"data beyond the file", with([](tools::wav_desc& s) { s.data_size = 0x7FFFFFFF; }), data.c_str()},
        {"data one byte short", cut(good, good.size() - 1), data.c_str()},
        {"no data size", cut(good, 40), data.c_str()},
        {"empty data", with([](tools::wav_desc& s) { s.data.clear(); }), "[sound] Sample not loaded\n"},
        // Accepted: a longer format record (its rest skipped, an odd one with its pad byte), 8 bits
        // in two channels, data followed by more chunks.
        {"plain", good, ""},
        {"record of 18", with([](tools::wav_desc& s) { s.format_length = 18; }), ""},
        {"record of 17", with([](tools::wav_desc& s) { s.format_length = 17; }), ""},
        {"8-bit stereo", with([](tools::wav_desc& s) {
             s.channels = 2;
             s.bits = 8;
             s.data = tools::wav_tone(s.rate, 8, {0.5f, 0.5f}, 50, 440.0f);
         }),
         ""},
        {"trailing chunk",
         with([](tools::wav_desc& s) { s.data_size = static_cast<int64_t>(s.data.size()) - 8; }), ""},
    };
    open();
    for (const wav_case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(srv_.data_dir + "sound/x.wav");
        if (!c.bytes.empty()) write_data("sound/x.wav", c.bytes);
        clear_log();
        const bool plays = play(2, "x");
        EXPECT_EQ(plays, std::string(c.line).empty());
        if (plays) {
            EXPECT_EQ(log(), "");
        } else {
            const std::string after =
                c.line == std::string("[sound] Sample not loaded\n") ? "[sound] cannot create buffer\n" : "";
            EXPECT_EQ(log(), std::string(c.line) + after + "Sound 'x' cannot be added into cache\n");
        }
        // A refused file leaves nothing behind: the next play reads the file again.
        if (!plays) {
            EXPECT_EQ(sound_.device->cache.waves.size(),
                      std::string(c.line) == "[sound] Sample not loaded\n" ? 1u : 0u);
        }
        sound_device_shutdown(*sound_.device);
        sound_.device->cache.waves.clear();
        snd_open(sound_);
    }
}

TEST_F(WavFile, ReadsTheFormatAndTheWholeData) {
    tools::wav_desc desc;
    desc.channels = 2;
    desc.rate = 11025;
    desc.bits = 8;
    desc.format_length = 20;
    desc.data = {1, 2, 3, 4, 5, 6};
    const std::string path = write_data("sound/y.wav", tools::wav_file(desc));
    file_stream s;
    ASSERT_TRUE(file_stream_open(s, path, kFileRead));
    audio_format format;
    std::vector<uint8_t> data;
    ASSERT_TRUE(wav_read(s, "y", format, data));
    EXPECT_EQ(format.format_tag, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samples_per_second, 11025u);
    EXPECT_EQ(format.bytes_per_second, 22050u);
    EXPECT_EQ(format.block_align, 2);
    EXPECT_EQ(format.bits_per_sample, 8);
    EXPECT_EQ(data, desc.data);
}

}  // namespace
}  // namespace kv
