#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sound/sound_device.h"
#include "sound/sound_system.h"
#include "tests/sound/fake_media_graph.h"
#include "tests/sound/sound_test_support.h"
#include "tools/music_writer.h"

namespace kv {
namespace {

// The real pipeline, counting the ends of the tune that pass through its events.
class counting_graph : public media_graph {
public:
    counting_graph(std::unique_ptr<media_graph> real, int& completes)
        : real_(std::move(real)), completes_(completes) {}
    bool render_file(const std::string& name) override { return real_->render_file(name); }
    std::shared_ptr<graph_control> control() override { return real_->control(); }
    std::shared_ptr<graph_events> events() override {
        return std::make_shared<counting_events>(real_->events(), completes_);
    }
    std::shared_ptr<graph_video_window> video_window() override { return real_->video_window(); }
    std::shared_ptr<graph_audio> audio() override { return real_->audio(); }

private:
    struct counting_events : graph_events {
        counting_events(std::shared_ptr<graph_events> real, int& completes)
            : real_(std::move(real)), completes_(completes) {}
        void set_notify_window(uintptr_t window) override { real_->set_notify_window(window); }
        bool get_event(graph_event& out) override {
            if (!real_->get_event(out)) return false;
            if (out.code == kGraphEventComplete) ++completes_;
            return true;
        }
        void free_event(graph_event& event) override { real_->free_event(event); }
        std::shared_ptr<graph_events> real_;
        int& completes_;
    };

    std::unique_ptr<media_graph> real_;
    int& completes_;
};

class Music : public sound_test {
protected:
    void SetUp() override {
        sound_test::SetUp();
        open();
    }
    // The graph goes before the state it writes into.
    void TearDown() override {
        sound_device_music_release(*sound_.device);
        sound_test::TearDown();
    }
    void use_fake_graph() { sound_.device->music.create_graph = fake_media_graph::factory(media_); }
    std::string render_path(const std::string& name) const { return "render " + srv_.data_dir + name; }

    fake_media_state media_;
};

// The real GStreamer pipeline on files the test writes.
class MusicPipeline : public Music {
protected:
    void SetUp() override {
        Music::SetUp();
        sound_.device->music.create_graph = [this] {
            std::unique_ptr<media_graph> real = sys_media_graph_create();
            return real ? std::make_unique<counting_graph>(std::move(real), completes_) : nullptr;
        };
    }
    // Hands the music its news as the main loop does, until `done` or 15 s have passed.
    bool pump_until(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < end) {
            music_handle_events(sound_);
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // A tune of two 150-ms notes.
    void write_short_tune(const std::string& name) {
        tools::music_desc desc;
        desc.note_ms = 150;
        desc.notes = {0, 7};
        ASSERT_TRUE(tools::write_music_mp3(srv_.data_dir + name, desc));
    }

    int completes_ = 0;
};

TEST_F(MusicPipeline, ALoopingTuneStartsAgainAtItsEndAndAnotherStops) {
    write_short_tune("sound/short.mp3");
    ASSERT_TRUE(music_play(sound_, "data\\sound\\short.mp3", true)) << log();
    EXPECT_TRUE(music_is_playing(sound_));
    EXPECT_TRUE(pump_until([this] { return completes_ >= 2; })) << "the tune has played twice";
    EXPECT_TRUE(music_is_playing(sound_));

    // Played once, the tune ends the music; the same graph renders the next file.
    completes_ = 0;
    ASSERT_TRUE(music_play(sound_, "data/SOUND/Short.mp3", false)) << log();
    EXPECT_TRUE(pump_until([this] { return completes_ >= 1; }));
    EXPECT_FALSE(music_is_playing(sound_));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    music_handle_events(sound_);
    EXPECT_EQ(completes_, 1) << "a stopped tune does not play again";
    EXPECT_FALSE(music_is_playing(sound_));
    EXPECT_EQ(log(), "");
}

TEST_F(MusicPipeline, FilesThatDoNotPlayAreRefusedWithTheirLine) {
    std::mt19937 random(47);
    std::vector<uint8_t> noise(16 * 1024);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    // The container of a Windows Media file, which no installed plugin decodes.
    std::vector<uint8_t> asf = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    asf.resize(4096, 0x11);
    write_data("sound/noise.mp3", noise);
    write_data("sound/empty.mp3", {});
    write_data("sound/menu.wma", asf);
    for (const char* name : {"data\\sound\\missing.mp3", "data\\sound\\noise.mp3", "data\\sound\\empty.mp3",
                             "data\\sound\\menu.wma", "data\\sound"}) {
        SCOPED_TRACE(name);
        clear_log();
        EXPECT_FALSE(music_play(sound_, name, true));
        EXPECT_FALSE(music_is_playing(sound_));
        EXPECT_EQ(log(), str_format("[music] RenderFile failed ! - no music play ('%s')\n", name));
    }
    // A file that plays after them still plays.
    write_short_tune("sound/menu.mp3");
    EXPECT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true)) << log();
}

TEST_F(Music, FadeLowersTheCardAndTheMusicEvery50MsThenStopsAndRestores) {
    use_fake_graph();
    ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true));
    EXPECT_EQ(media_.calls, (std::vector<std::string>{render_path("sound/menu.mp3"), "rewind", "run"}));
    media_.calls.clear();
    card_.primary_volumes.clear();
    media_.volumes.clear();

    music_fade_out(sound_);
    std::vector<int32_t> steps;
    for (int32_t v = 0; v > -6000; v -= 300) steps.push_back(v);
    steps.push_back(0);
    EXPECT_EQ(card_.primary_volumes, steps);
    EXPECT_EQ(media_.volumes, steps) << "the music follows the card";
    EXPECT_EQ(clock_.slept_ms, 20 * 51) << "one step each time more than 50 ms have passed";
    EXPECT_EQ(media_.calls, std::vector<std::string>{"stop"});
    EXPECT_FALSE(music_is_playing(sound_));
    EXPECT_EQ(log(), "");

    // With no music playing, nothing happens.
    card_.primary_volumes.clear();
    clock_.slept_ms = 0;
    music_fade_out(sound_);
    EXPECT_TRUE(card_.primary_volumes.empty());
    EXPECT_EQ(clock_.slept_ms, 0);

    // From a lower volume the fade is shorter and comes back to it.
    ASSERT_TRUE(snd_set_volume(sound_, 0.5f));
    ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true));
    EXPECT_EQ(media_.volumes.back(), -2000) << "the music starts at the card's volume";
    card_.primary_volumes.clear();
    music_fade_out(sound_);
    EXPECT_EQ(card_.primary_volumes,
              (std::vector<int32_t>{-2000, -2300, -2600, -2900, -3200, -3500, -3800, -4100, -4400, -4700,
                                    -5000, -5300, -5600, -5900, -2000}));
}

TEST_F(Music, FadeFailuresEndTheFadeWithTheirLine) {
    use_fake_graph();
    const struct {
        const char* failing;
        const char* log;
    } cases[] = {
        {"get_primary_volume", "[direct_sound] Cannot retrieve primary buffer volume.\n"},
        {"set_primary_volume",
         "[direct_sound] Cannot set volume\n[direct_sound] Cannot set volume for primary buffer.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        card_.failing.clear();
        ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true));
        clear_log();
        card_.failing.insert(c.failing);
        music_fade_out(sound_);
        EXPECT_EQ(log(), c.log);
        EXPECT_FALSE(music_is_playing(sound_)) << "the music stops all the same";
    }
}

TEST_F(Music, EventsLoopStopOrEndTheMusicAndAreEachFreedOnce) {
    use_fake_graph();
    ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true));
    media_.calls.clear();
    media_.events = {fake_media_graph::event_of(7), fake_media_graph::event_of(kGraphEventComplete)};
    music_handle_events(sound_);
    EXPECT_EQ(media_.calls, (std::vector<std::string>{"rewind", "run"}));
    EXPECT_TRUE(music_is_playing(sound_));

    ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", false));
    media_.calls.clear();
    media_.events = {fake_media_graph::event_of(kGraphEventComplete),
                     fake_media_graph::event_of(kGraphEventComplete)};
    music_handle_events(sound_);
    EXPECT_EQ(media_.calls, std::vector<std::string>{"stop"}) << "the second end finds the music stopped";
    EXPECT_FALSE(music_is_playing(sound_));

    ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true));
    clear_log();
    media_.events = {fake_media_graph::event_of(kGraphEventErrorAbort, "device gone")};
    music_handle_events(sound_);
    EXPECT_FALSE(music_is_playing(sound_));
    EXPECT_EQ(log(), "[music] The music stopped: device gone\n");
    EXPECT_EQ(media_.freed, (std::vector<intptr_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(media_.graphs_made, 1);
}

TEST_F(Music, NamesAreCutAt255BytesBetweenCharacters) {
    use_fake_graph();
    media_.failing.insert("render");
    // 254 bytes, a two-byte character across the limit, then more.
    const std::string name = std::string(254, 'a') + "\xC3\xA9" + std::string(44, 'b');
    ASSERT_EQ(name.size(), 300u);
    EXPECT_FALSE(music_play(sound_, name, true));
    EXPECT_EQ(media_.calls.back(), "render " + std::string(254, 'a'));
    EXPECT_EQ(log(), "[music] RenderFile failed ! - no music play ('" + std::string(254, 'a') + "')\n");

    clear_log();
    const std::string plain(300, 'c');
    EXPECT_FALSE(music_play(sound_, "data\\" + plain, true));
    EXPECT_EQ(media_.calls.back(), "render " + srv_.data_dir + plain.substr(0, 250));
}

TEST_F(Music, WithoutSoundEveryCallAnswersFalseAndLogsNothing) {
    use_fake_graph();
    snd_select_driver(sound_, kSoundDriverNone);
    EXPECT_FALSE(music_play(sound_, "data\\sound\\menu.mp3", true));
    EXPECT_FALSE(music_is_playing(sound_));
    music_fade_out(sound_);
    music_handle_events(sound_);
    EXPECT_TRUE(media_.calls.empty());
    EXPECT_EQ(media_.graphs_made, 0);
    EXPECT_EQ(log(), "");
}

TEST_F(Music, TheMusicFollowsTheVolumeOption) {
    use_fake_graph();
    ASSERT_TRUE(music_play(sound_, "data\\sound\\menu.mp3", true));
    ASSERT_TRUE(snd_set_volume(sound_, 0.25f));
    EXPECT_EQ(media_.volumes, (std::vector<int32_t>{0, -3000}));
    EXPECT_EQ(card_.primary_volume, -3000);
}

}  // namespace
}  // namespace kv
