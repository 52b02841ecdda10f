#include "sound/sound_system.h"

#include <gtest/gtest.h>

#include "kernel/option_registry.h"
#include "tests/sound/sound_test_support.h"

namespace kv {
namespace {

class SoundSystem : public sound_test {};

TEST_F(SoundSystem, VolumeIsClampedAndMappedOntoThePrimaryBuffer) {
    open();
    struct row {
        float volume;
        float stored;
        int32_t primary;
    };
    const row rows[] = {{0.0f, 0.0f, -10000}, {0.25f, 0.25f, -3000}, {0.5f, 0.5f, -2000},
                        {1.0f, 1.0f, 0},      {1.5f, 1.0f, 0},       {-0.2f, 0.0f, -10000}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.volume);
        EXPECT_TRUE(snd_set_volume(sound_, r.volume));
        EXPECT_EQ(sound_.global_volume, r.stored);
        EXPECT_EQ(card_.primary_volume, r.primary);
    }
}

TEST_F(SoundSystem, OpeningAppliesTheStoredVolume) {
    option_registry options;
    snd_bind_volume_option(sound_, options);
    ASSERT_TRUE(option_registry_set_text(options, "gvolume", "0.5"));
    snd_open(sound_);
    EXPECT_EQ(card_.primary_volume, -2000);

    // A value out of range in the options file is clamped when it is used.
    sound_system other;
    fake_audio_state card;
    use_fake_card(other, card);
    snd_bind_volume_option(other, options);
    ASSERT_TRUE(option_registry_set_text(options, "gvolume", "7"));
    snd_open(other);
    EXPECT_EQ(card.primary_volume, 0);
    EXPECT_EQ(other.global_volume, 1.0f);
}

TEST_F(SoundSystem, ChannelModesDecideARepeatedPlay) {
    write_sample("click");
    open();
    struct row {
        int32_t channel;
        bool second_plays;
        int playing_after;
    };
    // Channel 0 stops the earlier play, 1 refuses the new one, 2 plays both.
    const row rows[] = {{0, true, 1}, {1, false, 1}, {2, true, 2}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.channel);
        fake_audio_device::finish_all(card_);
        snd_update(sound_);
        ASSERT_TRUE(play(r.channel, "click"));
        EXPECT_EQ(play(r.channel, "click"), r.second_plays);
        EXPECT_EQ(playing(), r.playing_after);
        EXPECT_EQ(entries().size(), static_cast<std::size_t>(r.playing_after));
        // Another owner, or the same name placed, is never in the way.
        EXPECT_TRUE(play(r.channel, "click", 8));
    }
    EXPECT_FALSE(play(3, "click"));  // no such channel
    EXPECT_FALSE(play(-1, "click"));
}

TEST_F(SoundSystem, StopEndsThePlainEntriesOfThatOwnerAndNameOnly) {
    write_sample("hum");
    open();
    ASSERT_TRUE(play(2, "hum"));
    ASSERT_TRUE(play(2, "hum", 8));
    ASSERT_TRUE(play_3d(2, "hum", 0, vec3{}));
    EXPECT_TRUE(snd_stop(sound_, 2, "hum", 7));
    EXPECT_EQ(entries(), (std::vector<std::string>{"2 hum 8 0", "2 hum 7 0 3d 0 0 0"}));
    EXPECT_EQ(playing(), 2);
    EXPECT_FALSE(snd_stop(sound_, 2, "hum", 7));  // only the placed one is left for owner 7
    EXPECT_FALSE(snd_stop(sound_, 1, "hum", 8));  // nothing of it on channel 1
}

TEST_F(SoundSystem, APlacedSoundBeyondItsMaximumDistanceDoesNotStart) {
    write_sample("shot");
    open();
    snd_set_listener(sound_, 0, vec3{100.0f, 0.0f, 0.0f}, vec3{}, vec3{0.0f, 1.0f, 0.0f},
                     vec3{0.0f, 0.0f, 1.0f});
    EXPECT_FALSE(play_3d(2, "shot", 0, vec3{100.0f, 0.0f, 1001.0f}));
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(playing(), 0);
    EXPECT_TRUE(play_3d(2, "shot", 0, vec3{100.0f, 0.0f, 999.0f}));
    const fake_audio_state::buffer& b = card_.buffers.begin()->second;
    EXPECT_TRUE(b.positioned);
    EXPECT_EQ(b.params.max_distance, 1000.0f);
    EXPECT_EQ(b.params.min_distance, 100.0f);
    EXPECT_EQ(b.params.position.z, 999.0f);
}

TEST_F(SoundSystem, TheListenersZoneFadesInAndTheZoneLeftFadesOut) {
    write_sample("hum");
    open();
    const vec3 top{0.0f, 1.0f, 0.0f};
    const vec3 front{0.0f, 0.0f, 1.0f};
    snd_set_listener(sound_, 11, vec3{}, vec3{}, top, front);
    std::map<uintptr_t, int32_t>& zones = sound_.device->zones;
    EXPECT_EQ(zones[11], -5000);
    for (int step = 0; step < 50; ++step) {
        clock_.advance_ms(51);
        snd_update(sound_);
    }
    EXPECT_EQ(zones[11], 0);
    EXPECT_EQ(card_.listener.distance_factor, 0.01f);

    // Into zone 22: it starts quiet, zone 11 falls. A sample of zone 11 follows its zone.
    ASSERT_TRUE(play_3d(2, "hum", 11, vec3{}));
    const audio_buffer_id buffer = card_.buffers.begin()->first;
    EXPECT_EQ(card_.buffers[buffer].volume, 0);
    snd_set_listener(sound_, 22, vec3{}, vec3{}, top, front);
    EXPECT_EQ(zones[22], -5000);
    clock_.advance_ms(50);  // not more than 50 ms: no step
    snd_update(sound_);
    EXPECT_EQ(zones[11], 0);
    for (int step = 0; step < 50; ++step) {
        clock_.advance_ms(51);
        snd_update(sound_);
    }
    EXPECT_EQ(zones[11], -5000);
    EXPECT_EQ(zones[22], 0);
    EXPECT_EQ(card_.buffers[buffer].volume, -5000);
}

TEST_F(SoundSystem, APlacedSoundInAnUnknownZonePlaysAtItsOwnVolume) {
    write_sample("hum");
    open();
    EXPECT_TRUE(snd_play_3d(sound_, 2, "hum", 99, vec3{}, vec3{}, vec3{}, 100.0f, 1000.0f, 360.0f, 360.0f, 0,
                            7, -300, false));
    EXPECT_EQ(card_.buffers.begin()->second.volume, -300);
    EXPECT_EQ(sound_.device->zones.count(99), 0u);
}

TEST_F(SoundSystem, EachFailingStartUpStepLeavesTheGameSilent) {
    struct row {
        const char* step;
        const char* line;
    };
    const row rows[] = {
        {"load_library", "[sound] *ERROR* Cannot load DirectSound DLL\n"},
        {"find_create_entry", "[sound] DirectSoundCreate not found - what the **** is this\n"},
        {"create", "[sound] Failed to create DirectSound instance - application will run with no sound\n"},
        {"set_cooperative_level",
         "[sound] Could not set up coop level - application will run with no sound\n"},
        {"create_primary_buffer",
         "[sound] Cannot create primary buffer - application will run with no sound\n"},
        {"create_listener", "[sound] Cannot create 3DListener - application will run with no sound\n"},
        {"set_primary_format",
         "[sound] Cannot setup primary buffer format - application will run with no sound\n"},
    };
    write_sample("click");
    for (const row& r : rows) {
        SCOPED_TRACE(r.step);
        sound_system sound;
        fake_audio_state card;
        card.failing = {r.step};
        use_fake_card(sound, card);
        clear_log();
        const int released = card.released;
        snd_open(sound);
        EXPECT_EQ(log(), std::string(r.line) +
                             "[sound] DirectSound initialization failed. Application will run with no "
                             "sound...\n");
        EXPECT_EQ(sound.driver_kind, kSoundDriverNone);
        EXPECT_EQ(card.released, released + 1);
        card.calls.clear();
        clear_log();
        EXPECT_FALSE(snd_play(sound, 1, "click", 0, 0, false));
        EXPECT_FALSE(snd_set_volume(sound, 0.5f));
        snd_update(sound);
        EXPECT_TRUE(card.calls.empty());
        EXPECT_EQ(log(), "");
    }
    // The format asked for: one channel, 44100 per second, 16 bits.
    EXPECT_EQ(card_.calls, std::vector<std::string>{});
    snd_open(sound_);
    EXPECT_EQ(card_.calls.back(), "set_primary_format 1 44100 16");
}

TEST_F(SoundSystem, WithoutADriverEveryCallIsSilentAndTheVolumeStillBinds) {
    write_sample("click");
    sound_system sound;
    fake_audio_state card;
    snd_use_audio_device(sound, std::make_unique<fake_audio_device>(card));
    snd_select_driver(sound, kSoundDriverNone);
    option_registry options;
    snd_bind_volume_option(sound, options);
    for (uint32_t mode = 0; mode < 3; ++mode) snd_add_channel(sound, mode);
    snd_open(sound);
    EXPECT_EQ(log(), "[sound] No sound driver was specified\n");
    clear_log();
    EXPECT_FALSE(snd_play(sound, 1, "click", 0, 0, false));
    EXPECT_FALSE(snd_play_3d(sound, 2, "click", 0, vec3{}, vec3{}, vec3{}, 1.0f, 10.0f, 360.0f, 360.0f, 0, 0,
                             0, false));
    EXPECT_FALSE(snd_stop(sound, 1, "click", 0));
    EXPECT_FALSE(snd_set_volume(sound, 0.25f));
    snd_set_listener(sound, 5, vec3{}, vec3{}, vec3{}, vec3{});
    snd_update(sound);
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(card.calls.empty());
    // The volume is still an option and is saved with the others.
    EXPECT_EQ(option_registry_get_text(options, "gvolume"), option_text_from_float(0.25f));
    EXPECT_TRUE(option_registry_save_wanted(options));
}

TEST_F(SoundSystem, TheDeviceListKeepsThreeAndLogsItsFailures) {
    option_registry options;
    card_.devices = {{"One", "libopenal.so.1"},
                     {"Two", "libopenal.so.1"},
                     {"Three", "libopenal.so.1"},
                     {"Four", "libopenal.so.1"}};
    snd_bind_volume_option(sound_, options);
    ASSERT_EQ(sound_.device->devices.size(), 3u);
    EXPECT_EQ(sound_.device->devices[2].description, "Three");
    EXPECT_EQ(log(),
              "[sound] Device description: 'One' Driver: 'libopenal.so.1'\n"
              "[sound] Device description: 'Two' Driver: 'libopenal.so.1'\n"
              "[sound] Device description: 'Three' Driver: 'libopenal.so.1'\n");

    for (const char* failure : {"enumerate_missing", "enumerate"}) {
        sound_system sound;
        fake_audio_state card;
        card.failing = {failure};
        use_fake_card(sound, card);
        clear_log();
        snd_bind_volume_option(sound, options);
        EXPECT_EQ(log(), (failure == std::string("enumerate")
                              ? "[sound] Cannot enumerate devices\n"
                              : "[sound] Cannot find DirectSoundEnumerate in the DLL "
                                "library\n"));
    }
}

TEST_F(SoundSystem, ShutdownStopsEveryEntryBeforeFreeingTheInstances) {
    write_sample("hum");
    open();
    ASSERT_TRUE(snd_play(sound_, 2, "hum", 1, 0, true));
    ASSERT_TRUE(play_3d(2, "hum", 0, vec3{}));
    ASSERT_EQ(playing(), 2);
    const int released = card_.released;
    sound_device_shutdown(*sound_.device);
    EXPECT_TRUE(entries().empty());
    EXPECT_TRUE(card_.buffers.empty());
    EXPECT_EQ(card_.released, released + 1);
    // Updates after it touch nothing freed.
    snd_update(sound_);
}

}  // namespace
}  // namespace kv
