#include "sound/sound_sample.h"

#include <gtest/gtest.h>

#include "tests/sound/sound_test_support.h"

namespace kv {
namespace {

class SoundSample : public sound_test {
protected:
    wave_entry* wave(const std::string& name) {
        for (wave_entry& e : sound_.device->cache.waves) {
            if (e.wave.name == name) return &e;
        }
        return nullptr;
    }
};

TEST_F(SoundSample, APlayBeforeTheFileExistsFailsAndOneAfterPlays) {
    open();
    EXPECT_FALSE(play(1, "late"));
    EXPECT_EQ(log(), "[sound] Sample 'late' not found\nSound 'late' cannot be added into cache\n");
    EXPECT_EQ(wave("late"), nullptr);
    EXPECT_TRUE(card_.buffers.empty());
    write_sample("late");
    EXPECT_TRUE(play(1, "late"));
    EXPECT_EQ(playing(), 1);
}

TEST_F(SoundSample, InstancesAreReusedPerPlacedFlagAndNeverShared) {
    write_sample("step");
    open();
    ASSERT_TRUE(play(2, "step"));
    ASSERT_TRUE(play_3d(2, "step", 0, vec3{}));
    ASSERT_TRUE(play(2, "step"));  // the first still plays: a second plain instance
    EXPECT_EQ(card_.calls, (std::vector<std::string>{"create_buffer", "fill_buffer 1", "play 1",
                                                     "create_buffer 3d", "open_3d", "fill_buffer 2", "play 2",
                                                     "create_buffer", "fill_buffer 3", "play 3"}));
    EXPECT_EQ(wave("step")->instances.size(), 3u);

    // Once they have ended, each flag takes back its own instance and nothing is made or filled.
    fake_audio_device::finish_all(card_);
    card_.calls.clear();
    ASSERT_TRUE(play_3d(2, "step", 0, vec3{}));
    ASSERT_TRUE(play(2, "step"));
    EXPECT_EQ(card_.calls, (std::vector<std::string>{"play 2", "play 1"}));
    EXPECT_EQ(wave("step")->instances.size(), 3u);
    EXPECT_EQ(wave("step")->wave.stamp, 4);
}

TEST_F(SoundSample, ALostBufferIsRestoredAndRefilledBeforeItPlays) {
    write_sample("door");
    open();
    ASSERT_TRUE(play(2, "door"));
    fake_audio_device::finish_all(card_);
    card_.buffers[1].lost = true;
    card_.calls.clear();
    clear_log();
    ASSERT_TRUE(play(2, "door"));
    EXPECT_EQ(card_.calls, (std::vector<std::string>{"restore_buffer 1", "fill_buffer 1", "play 1"}));
    EXPECT_EQ(card_.buffers[1].fills, 2);
    EXPECT_EQ(log(), "[sound] !!!!!!!!!!!restoring!!!!!!!!!!!!!!!\n");

    // A buffer that cannot come back does not play.
    fake_audio_device::finish_all(card_);
    card_.buffers[1].lost = true;
    card_.failing = {"restore_buffer"};
    clear_log();
    EXPECT_FALSE(play(2, "door"));
    EXPECT_EQ(log(),
              "[sound] !!!!!!!!!!!restoring!!!!!!!!!!!!!!!\n[sound] Sample 'door' cannot be restored\n");
}

TEST_F(SoundSample, BufferFailuresAreLoggedAndLeaveNoInstance) {
    struct row {
        const char* step;
        bool placed;
        const char* line;
    };
    const row rows[] = {
        {"create_buffer", false, "[sound] Cannot create buffer (sample 'hit')\n"},
        {"open_3d", true, "[sound] Cannot create 3D buffer (file 'hit')\n"},
        {"fill_buffer", false, "[sound] Cannot lock buffer (file 'hit')\n"},
    };
    write_sample("hit");
    open();
    for (const row& r : rows) {
        SCOPED_TRACE(r.step);
        card_.failing = {r.step};
        clear_log();
        EXPECT_FALSE(r.placed ? play_3d(2, "hit", 0, vec3{}) : play(2, "hit"));
        EXPECT_EQ(log(), std::string(r.line) +
                             "[sound] cannot create buffer\nSound 'hit' cannot be added into cache\n");
        EXPECT_TRUE(wave("hit")->instances.empty());
        EXPECT_TRUE(card_.buffers.empty());
        EXPECT_TRUE(entries().empty());
    }
}

TEST_F(SoundSample, ThePurgeKeepsWavesPlayedOftenAndFreesTheRest) {
    write_sample("often");
    write_sample("once");
    open();
    for (int i = 0; i < 10001; ++i) {
        ASSERT_TRUE(play(2, "often"));
        fake_audio_device::finish_all(card_);
    }
    ASSERT_TRUE(play(2, "once"));
    EXPECT_EQ(sound_.device->cache.use_clock, 10000);
    sound_device_shutdown(*sound_.device);
    ASSERT_NE(wave("often"), nullptr);
    EXPECT_EQ(wave("often")->wave.stamp, 0);
    EXPECT_TRUE(wave("often")->instances.empty());
    EXPECT_FALSE(wave("often")->wave.data.empty());
    EXPECT_EQ(wave("once"), nullptr);
    EXPECT_EQ(sound_.device->cache.use_clock, 0);
    EXPECT_TRUE(card_.buffers.empty());

    // Below the purge mark every wave stays; only the instances go.
    sound_system sound;
    fake_audio_state card;
    use_fake_card(sound, card);
    snd_open(sound);
    ASSERT_TRUE(snd_play(sound, 2, "once", 0, 0, false));
    sound_device_shutdown(*sound.device);
    ASSERT_EQ(sound.device->cache.waves.size(), 1u);
    EXPECT_TRUE(sound.device->cache.waves.front().instances.empty());
}

}  // namespace
}  // namespace kv
