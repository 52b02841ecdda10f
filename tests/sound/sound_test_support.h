#pragma once
// Shared set-up of the sound tests: the data-layer fixture (temporary data directory, log, stopped
// clock) with the world server's data directory pointed at it, so that samples load from
// "sound/<name>.wav" there, and a sound facade on the recording sound card with channels 0, 1 and 2
// in modes 0, 1 and 2.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "kernel/kernel.h"
#include "sound/sound_device.h"
#include "sound/sound_system.h"
#include "tests/data/data_test_support.h"
#include "tests/sound/fake_audio_device.h"
#include "tools/wav_writer.h"

namespace kv {

// Points the world server's data directory elsewhere for its lifetime.
class scoped_data_dir {
public:
    explicit scoped_data_dir(const std::string& dir) : old_(server_get().data_dir) {
        server_get().data_dir = dir;
    }
    ~scoped_data_dir() { server_get().data_dir = old_; }
    scoped_data_dir(const scoped_data_dir&) = delete;
    scoped_data_dir& operator=(const scoped_data_dir&) = delete;

private:
    std::string old_;
};

// "channel name owner zone" of every entry, channels in order, with " 3d x y z" for placed ones.
inline std::vector<std::string> sound_entries(const sound_system& sound) {
    std::vector<std::string> out;
    for (std::size_t c = 0; c < sound.device->channels.size(); ++c) {
        for (const sound_entry& e : sound.device->channels[c].entries) {
            std::string line =
                str_format("%zu %s %zu %zu", c, e.name.c_str(), static_cast<std::size_t>(e.owner),
                           static_cast<std::size_t>(e.zone));
            if (e.instance->positioned) {
                const vec3& p = e.instance->params.position;
                line += str_format(" 3d %g %g %g", static_cast<double>(p.x), static_cast<double>(p.y),
                                   static_cast<double>(p.z));
            }
            out.push_back(line);
        }
    }
    return out;
}

// Puts the recording card under a facade, selects DirectSound and adds the kernel's three channels.
inline void use_fake_card(sound_system& sound, fake_audio_state& card) {
    snd_use_audio_device(sound, std::make_unique<fake_audio_device>(card));
    snd_select_driver(sound, kSoundDriverDirectSound);
    if (sound.device->channels.empty()) {
        for (uint32_t mode = 0; mode < 3; ++mode) snd_add_channel(sound, mode);
    }
}

// The kernel's sound facade on the recording card for one test, opened, with short tones for the
// named samples under the data directory (which the world server reads for its lifetime). Game
// tests see what was played in the channels' entries.
class kernel_sound_probe {
public:
    kernel_sound_probe(const std::string& data_dir, const std::vector<std::string>& samples)
        : data_dir_(data_dir) {
        for (const std::string& name : samples) {
            const std::filesystem::path path = std::filesystem::path(data_dir) / "sound" / (name + ".wav");
            std::filesystem::create_directories(path.parent_path());
            const std::vector<uint8_t> bytes = tools::wav_tone_file(100, 440.0f);
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        sound_system& sound = kernel_get().sound;
        kind_ = sound.driver_kind;
        for (const sound_channel& c : sound.device->channels) modes_.push_back(c.mode);
        renew(sound, std::make_unique<fake_audio_device>(card));
        use_fake_card(sound, card);
        snd_open(sound);
    }
    // The kernel's facade as it was, on a fresh device with the machine's card.
    ~kernel_sound_probe() {
        sound_system& sound = kernel_get().sound;
        renew(sound, audio_device_openal(kSoundLibrary));
        for (uint32_t mode : modes_) snd_add_channel(sound, mode);
        sound.driver_kind = kind_;
    }
    kernel_sound_probe(const kernel_sound_probe&) = delete;
    kernel_sound_probe& operator=(const kernel_sound_probe&) = delete;

    // What plays now; then everything comes to its end and is dropped.
    std::vector<std::string> take() {
        sound_system& sound = kernel_get().sound;
        std::vector<std::string> now = sound_entries(sound);
        fake_audio_device::finish_all(card);
        snd_update(sound);
        return now;
    }

    fake_audio_state card;

private:
    static void renew(sound_system& sound, std::unique_ptr<audio_device> audio) {
        sound_device_shutdown(*sound.device);
        sound.device = std::make_unique<sound_device>();
        sound.device->audio = std::move(audio);
    }

    scoped_data_dir data_dir_;
    uint32_t kind_ = kSoundDriverNone;
    std::vector<uint32_t> modes_;
};

class sound_test : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        data_dir_ = std::make_unique<scoped_data_dir>(srv_.data_dir);
        use_fake_card(sound_, card_);
    }
    void TearDown() override {
        data_dir_.reset();
        data_test::TearDown();
    }

    // Opens the facade on the card; the log is cleared after.
    void open() {
        snd_open(sound_);
        ASSERT_EQ(sound_.driver_kind, kSoundDriverDirectSound);
        clear_log();
        card_.calls.clear();
    }
    // A short tone under "sound/<name>.wav".
    void write_sample(const std::string& name, int32_t ms = 200) {
        write_data("sound/" + name + ".wav", tools::wav_tone_file(ms, 440.0f));
    }
    std::vector<std::string> entries() const { return sound_entries(sound_); }
    // The buffers playing now.
    int playing() const {
        int n = 0;
        for (const auto& [id, b] : card_.buffers) n += b.playing ? 1 : 0;
        return n;
    }
    bool play(int32_t channel, const std::string& name, uintptr_t owner = 7) {
        return snd_play(sound_, channel, name, owner, 0, false);
    }
    bool play_3d(int32_t channel, const std::string& name, uintptr_t zone, const vec3& position,
                 float max_distance = 1000.0f, uintptr_t owner = 7) {
        return snd_play_3d(sound_, channel, name, zone, position, vec3{}, vec3{0.0f, 0.0f, 1.0f}, 100.0f,
                           max_distance, 360.0f, 360.0f, 0, owner, 0, false);
    }

    fake_audio_state card_;
    sound_system sound_;
    std::unique_ptr<scoped_data_dir> data_dir_;
};

}  // namespace kv
