// The sound card on OpenAL Soft itself. OpenAL Soft reads its configuration once per process, so
// each case runs this test program again in a child process, with ALSOFT_CONF naming a configuration
// file the case writes in its temporary folder: the wave-file backend (whose output file the case
// reads back), the null backend, or no usable backend at all.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "kernel/log.h"
#include "sound/sound_device.h"
#include "sound/sound_system.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "util/byte_order.h"

namespace kv {
namespace {

constexpr const char* kScenarioVariable = "KV_OPENAL_SCENARIO";

// The left and right loudness (root mean square of 16-bit samples) of the wave backend's output.
struct loudness {
    double left = 0.0;
    double right = 0.0;
    std::size_t frames = 0;
};

loudness measure(const std::string& bytes) {
    loudness out;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    std::size_t at = 12;
    uint16_t channels = 0;
    uint16_t bits = 0;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = le_load_u32(p + at + 4);
        at += 8;
        if (id == "fmt " && at + 16 <= bytes.size()) {
            channels = le_load_u16(p + at + 2);
            bits = le_load_u16(p + at + 14);
        }
        if (id == "data") {
            if (channels != 2 || bits != 16) return out;
            const std::size_t end = std::min(bytes.size(), at + size);
            double sum[2] = {0.0, 0.0};
            for (; at + 4 <= end; at += 4) {
                for (int c = 0; c < 2; ++c) {
                    const double v = static_cast<int16_t>(le_load_u16(p + at + 2 * c));
                    sum[c] += v * v;
                }
                ++out.frames;
            }
            if (out.frames) {
                out.left = std::sqrt(sum[0] / static_cast<double>(out.frames));
                out.right = std::sqrt(sum[1] / static_cast<double>(out.frames));
            }
            return out;
        }
        at += size + (size & 1);
    }
    return out;
}

// Runs this program's `OpenalDeviceChild.Scenario` with that scenario and OpenAL Soft set up by
// `config`; the child's own checks decide its exit status.
void run_child(const temp_folder& folder, const std::string& scenario, const std::string& config) {
    const std::string config_path = folder.write("alsoft.conf", config);
    setenv("ALSOFT_CONF", config_path.c_str(), 1);
    setenv(kScenarioVariable, scenario.c_str(), 1);
    child_process child("/proc/self/exe", {"--gtest_filter=OpenalDeviceChild.Scenario"},
                        folder.path().string());
    unsetenv(kScenarioVariable);
    unsetenv("ALSOFT_CONF");
    ASSERT_TRUE(child.started());
    const std::optional<int> status = child.wait(60000);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << folder.read("stdout") << folder.read("stderr");
}

std::string wave_config(const temp_folder& folder) {
    return "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nfrequency = 44100\nhrtf = "
           "false\n"
           "[wave]\nfile = " +
           folder.file("out.wav") + "\n";
}

TEST(OpenalDevice, APlainSampleIsHeardAndSilentAtVolumeZero) {
    temp_folder loud;
    run_child(loud, "plain 1.0", wave_config(loud));
    const loudness heard = measure(loud.read("out.wav"));
    EXPECT_GT(heard.frames, 4410u);
    EXPECT_GT(heard.left, 500.0);
    EXPECT_GT(heard.right, 500.0);

    temp_folder quiet;
    run_child(quiet, "plain 0.0", wave_config(quiet));
    const loudness silent = measure(quiet.read("out.wav"));
    EXPECT_GT(silent.frames, 4410u);
    EXPECT_LT(silent.left, 1.0);
    EXPECT_LT(silent.right, 1.0);
}

TEST(OpenalDevice, ASourceOnTheListenersRightIsLouderOnTheRight) {
    temp_folder folder;
    run_child(folder, "right", wave_config(folder));
    const loudness heard = measure(folder.read("out.wav"));
    EXPECT_GT(heard.right, 200.0);
    EXPECT_GT(heard.right, 2.0 * heard.left);
}

TEST(OpenalDevice, TheNullBackendOpensAndListsItsDevice) {
    temp_folder folder;
    run_child(folder, "null", "[general]\ndrivers = null\n");
}

TEST(OpenalDevice, WithoutABackendTheGameRunsSilent) {
    temp_folder folder;
    run_child(folder, "none", "[general]\ndrivers = no-such-backend\n");
}

// The child's side. Its working directory is the case's folder.
class OpenalDeviceChild : public ::testing::Test {
protected:
    void SetUp() override {
        const char* scenario = std::getenv(kScenarioVariable);
        if (!scenario) GTEST_SKIP() << "run by the OpenalDevice cases";
        scenario_ = scenario;
        ASSERT_TRUE(log_open("kv.log"));
        folder_ = std::filesystem::current_path().string() + "/";
        data_dir_ = std::make_unique<scoped_data_dir>(folder_ + "data/");
    }
    void TearDown() override {
        data_dir_.reset();
        log_close();
    }

    std::string log() const {
        std::ifstream in(folder_ + "kv.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // A 440 Hz tone; `extra_byte` leaves half a frame at its end.
    void write_tone(const std::string& name, bool extra_byte = false) const {
        const std::filesystem::path path = folder_ + "data/sound/" + name + ".wav";
        std::filesystem::create_directories(path.parent_path());
        tools::wav_desc desc;
        desc.rate = 44100;
        desc.data = tools::wav_tone(desc.rate, 16, {0.8f}, 400, 440.0f);
        if (extra_byte) desc.data.push_back(0);
        const std::vector<uint8_t> bytes = tools::wav_file(desc);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // The kernel's start-up of the sound: the device list, the channels, the opening.
    void open(sound_system& sound, option_registry& options) {
        snd_select_driver(sound, kSoundDriverDirectSound);
        snd_bind_volume_option(sound, options);
        for (uint32_t mode = 0; mode < 3; ++mode) snd_add_channel(sound, mode);
        snd_open(sound);
    }

    std::string scenario_;
    std::string folder_;
    std::unique_ptr<scoped_data_dir> data_dir_;
};

TEST_F(OpenalDeviceChild, Scenario) {
    sound_system sound;
    option_registry options;
    write_tone("tone");
    open(sound, options);
    const vec3 top{0.0f, 1.0f, 0.0f};
    const vec3 front{0.0f, 0.0f, 1.0f};

    if (scenario_ == "none") {
        EXPECT_NE(
            log().find("[sound] DirectSound initialization failed. Application will run with no sound...\n"),
            std::string::npos)
            << log();
        EXPECT_EQ(sound.driver_kind, kSoundDriverNone);
        EXPECT_FALSE(snd_play(sound, 1, "tone", 0, 0, false));
        return;
    }
    ASSERT_NE(log().find("[sound] Direct Sound Initialized\n"), std::string::npos) << log();
    ASSERT_EQ(sound.driver_kind, kSoundDriverDirectSound);
    if (scenario_ == "null") {
        EXPECT_NE(log().find("Driver: 'libopenal.so.1'\n"), std::string::npos) << log();
        EXPECT_TRUE(snd_play(sound, 1, "tone", 0, 0, false));
        write_tone("odd", true);
        EXPECT_TRUE(snd_play(sound, 1, "odd", 0, 0, false)) << log();
        // The primary volume reads back as it was set (the music's fade starts from it).
        int32_t volume = 1;
        EXPECT_TRUE(sound.device->audio->get_primary_volume(volume));
        EXPECT_EQ(volume, 0);
        ASSERT_TRUE(snd_set_volume(sound, 0.5f));
        EXPECT_TRUE(sound.device->audio->get_primary_volume(volume));
        EXPECT_EQ(volume, -2000);
        sound_device_shutdown(*sound.device);
        EXPECT_FALSE(sound.device->audio->get_primary_volume(volume)) << "no device, no volume";
        return;
    }
    snd_set_listener(sound, 0, vec3{}, vec3{}, top, front);
    if (scenario_ == "right") {
        // x is to the right of a listener facing +z with y up.
        ASSERT_TRUE(snd_play_3d(sound, 2, "tone", 0, vec3{200.0f, 0.0f, 0.0f}, vec3{}, vec3{}, 100.0f,
                                5000.0f, 360.0f, 360.0f, 0, 0, 0, false));
    } else {
        snd_set_volume(sound, scenario_ == "plain 0.0" ? 0.0f : 1.0f);
        ASSERT_TRUE(snd_play(sound, 1, "tone", 0, 0, false));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The backend finishes its file when the device closes.
    sound_device_shutdown(*sound.device);
}

}  // namespace
}  // namespace kv
