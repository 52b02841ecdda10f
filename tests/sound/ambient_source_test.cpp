#include "sound/ambient_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/package.h"
#include "game/kvcamera.h"
#include "platform/random.h"
#include "tests/game/arty_test_support.h"
#include "tests/game/game_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "world/sector.h"

namespace kv {
namespace {

// A seed after which `kv_rand` answers r: the generator's step solved backwards.
uint32_t seed_for(int r) {
    constexpr uint32_t kMultiplier = 214013;
    uint32_t inverse = kMultiplier;  // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - kMultiplier * inverse;
    const uint32_t state = static_cast<uint32_t>(r) << 16;
    return (state - 2531011u) * inverse;
}

// Sectors written by the package writer into the level "level": "hall" holds a source of each mode
// and more, "yard" a looping wind; the listener stands at the origin of the hall.
class AmbientSource : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        ambient_clock_restart();
        clock_.advance_ms(1000);
    }

    void load(const std::vector<tools::ambient_source_desc>& hall_sources,
              const std::vector<tools::ambient_source_desc>& yard_sources = {}) {
        tools::package_writer w;
        tools::qxps_writer& q = w.qxps();
        for (const auto& [name, sources] :
             {std::pair{"hall", &hall_sources}, std::pair{"yard", &yard_sources}}) {
            tools::sector_desc s;
            s.name = name;
            for (const tools::ambient_source_desc& a : *sources)
                s.ambient_sources.push_back(add_ambient_source(q, a));
            tools::add_sector(w, s);
        }
        write_data("maps/level", w.finish());
        ASSERT_TRUE(load_package(srv_, "level", true)) << log();
    }
    void unload() { package_destroy(srv_, *package_list_find(srv_.packages, "level")); }

    sector& hall() { return *package_list_find(srv_.packages, "level")->sectors.items[0]; }
    sector& yard() { return *package_list_find(srv_.packages, "level")->sectors.items[1]; }
    ambient_source& source(int i) { return *hall().ambient_sources.items[static_cast<std::size_t>(i)]; }
    uintptr_t zone(sector& s) const { return reinterpret_cast<uintptr_t>(&s); }

    // The hall's sources, one step each; what plays then, every play ended after.
    std::vector<std::string> tick(kernel_sound_probe& sound) {
        server_step_ambients(srv_, hall());
        return sound.take();
    }
    std::string playing(int i) {
        const ambient_source& a = source(i);
        return str_format("1 %s %u %zu 3d %g %g %g", a.sample_name.c_str(), a.owner_id,
                          static_cast<std::size_t>(zone(hall())), static_cast<double>(a.position.x),
                          static_cast<double>(a.position.y), static_cast<double>(a.position.z));
    }

    static tools::ambient_source_desc desc(const char* sample, int8_t mode, uint32_t min, uint32_t max) {
        return {.sample = sample,
                .position = {10.0f, 0.0f, 0.0f},
                .direction = {0.0f, 0.0f, 1.0f},
                .min_distance = 50.0f,
                .max_distance = 1000.0f,
                .inside_cone_angle = 90,
                .outside_cone_angle = 180,
                .mode = mode,
                .min_interval = min,
                .max_interval = max};
    }
};

TEST_F(AmbientSource, OwnerIdsCountEverySourceEverLoaded) {
    load({desc("drip", 0, 1, 1), desc("bell", 1, 1, 1)}, {desc("wind", 2, 0, 0)});
    const uint32_t first = source(0).owner_id;
    EXPECT_GE(first, kAmbientOwnerBase);
    EXPECT_EQ(source(1).owner_id, first + 1);
    EXPECT_EQ(yard().ambient_sources.items[0]->owner_id, first + 2);
    EXPECT_EQ(source(0).start_time, 0u);
    unload();
    load({desc("drip", 0, 1, 1)});
    EXPECT_EQ(source(0).owner_id, first + 3);
}

TEST_F(AmbientSource, ARandomSourceWithEqualIntervalsWaitsExactlyThatLong) {
    kernel_sound_probe sound(srv_.data_dir, {"drip"});
    load({desc("drip", 0, 500, 500)});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(tick(sound), std::vector<std::string>{}) << "the wait is chosen";
        EXPECT_EQ(source(0).chosen_interval, 500u);
        clock_.advance_ms(499);
        EXPECT_EQ(tick(sound), std::vector<std::string>{});
        clock_.advance_ms(1);
        EXPECT_EQ(tick(sound), std::vector<std::string>{playing(0)});
        EXPECT_EQ(source(0).start_time, 0u);
    }
    // The play: the source's place, cone and distances, the silent outside, volume 0, once.
    const auto& [id, buffer] = *sound.card.buffers.begin();
    EXPECT_EQ(buffer.params.inside_cone_angle, 90.0f);
    EXPECT_EQ(buffer.params.outside_cone_angle, 180.0f);
    EXPECT_EQ(buffer.params.outside_volume, -10000);
    EXPECT_EQ(buffer.params.min_distance, 50.0f);
    EXPECT_EQ(buffer.params.max_distance, 1000.0f);
    EXPECT_EQ(buffer.params.velocity.x, 0.0f);
    EXPECT_EQ(buffer.params.cone_orientation.z, 1.0f);
    EXPECT_NE(std::find(sound.card.calls.begin(), sound.card.calls.end(), str_format("play %u", id)),
              sound.card.calls.end());
}

TEST_F(AmbientSource, RandomIntervalsComeFromTheGeneratorInFloats) {
    const struct {
        uint32_t min, max;
        int r;
        uint32_t interval;
    } cases[] = {
        {1000, 3000, 0, 1000},
        {1000, 3000, 32767, 3000},
        {1000, 3000, 16384, 2000},
        {3000, 1000, 0, 3000},
        {3000, 1000, 32767, 1000},
        {3000, 1000, 16384, 1999},
        {0, 0, 20000, 0},
        {4294967295u, 4294967295u, 100, 4294967295u},
        {0, 4294967295u, 32767, 4294967295u},
    };
    std::vector<tools::ambient_source_desc> sources;
    for (const auto& c : cases) sources.push_back(desc("drip", 0, c.min, c.max));
    load(sources);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        kv_srand(seed_for(cases[i].r));
        ambient_source_tick(source(static_cast<int>(i)), hall());
        EXPECT_EQ(source(static_cast<int>(i)).chosen_interval, cases[i].interval);
    }
    // A maximum below the minimum stays between the two whatever the draw.
    kv_srand(47);
    for (int n = 0; n < 200; ++n) {
        source(3).start_time = 0;
        ambient_source_tick(source(3), hall());
        EXPECT_GE(source(3).chosen_interval, 1000u);
        EXPECT_LE(source(3).chosen_interval, 3000u);
    }
}

TEST_F(AmbientSource, PeriodicAndLoopingSourcesAndOtherModes) {
    kernel_sound_probe sound(srv_.data_dir, {"bell", "hum", "odd"});
    load({desc("bell", 1, 300, 900), desc("hum", 2, 0, 0), desc("odd", 3, 0, 0), desc("odd", -1, 0, 0)});
    sound.card.calls.clear();
    server_step_ambients(srv_, hall());
    EXPECT_EQ(sound_entries(kernel_get().sound), (std::vector<std::string>{playing(0), playing(1)}));
    EXPECT_EQ(sound.card.calls,
              (std::vector<std::string>{"create_buffer 3d", "open_3d", "fill_buffer 1", "play 1",
                                        "create_buffer 3d", "open_3d", "fill_buffer 2", "play 2 loop"}));
    // The hum still plays: channel 1 refuses it; the bell waits its minimum.
    sound.card.calls.clear();
    clock_.advance_ms(299);
    EXPECT_EQ(tick(sound), (std::vector<std::string>{playing(0), playing(1)}));
    EXPECT_TRUE(sound.card.calls.empty());
    // Both have ended now (the hum never does on a real card): the bell's time has come and the hum
    // starts again, on every step while it is not playing.
    clock_.advance_ms(1);
    EXPECT_EQ(tick(sound), (std::vector<std::string>{playing(0), playing(1)}));
    EXPECT_EQ(tick(sound), std::vector<std::string>{playing(1)});
    EXPECT_EQ(source(2).start_time, 0u);
    EXPECT_EQ(source(3).start_time, 0u);
}

TEST_F(AmbientSource, ASourceBeyondItsReachDoesNotStartAndWaitsAgain) {
    kernel_sound_probe sound(srv_.data_dir, {"drip", "hum"});
    tools::ambient_source_desc far = desc("drip", 0, 100, 100);
    far.max_distance = 9.0f;
    tools::ambient_source_desc far_loop = desc("hum", 2, 0, 0);
    far_loop.max_distance = 9.0f;
    load({far, far_loop});
    tick(sound);
    clock_.advance_ms(100);
    EXPECT_EQ(tick(sound), std::vector<std::string>{});
    EXPECT_EQ(source(0).start_time, 0u) << "the turn is spent";
    clock_.advance_ms(1);
    tick(sound);
    EXPECT_NE(source(0).start_time, 0u) << "a new wait";
    // Nearer, both play.
    snd_set_listener(kernel_get().sound, zone(hall()), {5.0f, 0.0f, 0.0f}, {}, {0.0f, 1.0f, 0.0f},
                     {0.0f, 0.0f, 1.0f});
    clock_.advance_ms(100);
    EXPECT_EQ(tick(sound), (std::vector<std::string>{playing(0), playing(1)}));
}

TEST_F(AmbientSource, MovingFromSectorToSectorCrossFadesTheirLoops) {
    kernel_sound_probe sound(srv_.data_dir, {"hum", "wind"});
    tools::ambient_source_desc wind = desc("wind", 2, 0, 0);
    load({desc("hum", 2, 0, 0)}, {wind});
    description_holder descriptions;
    auto* cam = descriptions.spawn<kvloose_camera>(srv_.factory, "kvloose_camera", "cam", {});
    ASSERT_NE(cam, nullptr);
    const sound_device& device = *kernel_get().sound.device;
    const auto volume_of = [&](const char* name) {
        for (const sound_channel& c : device.channels) {
            for (const sound_entry& e : c.entries) {
                if (e.name == name) return sound.card.buffers.at(e.instance->buffer).volume;
            }
        }
        return 1;
    };
    // Steps of the camera's listener, 51 ms apart: each moves the zones by 1 dB.
    const auto steps = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock_.advance_ms(51);
            cam->tick(0);
        }
    };

    cam->view_setup({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, &hall());
    cam->tick(0);
    EXPECT_EQ(device.zones.at(zone(hall())), -5000);
    EXPECT_EQ(volume_of("hum"), -5000);
    steps(50);
    EXPECT_EQ(device.zones.at(zone(hall())), 0);
    EXPECT_EQ(volume_of("hum"), 0);
    EXPECT_EQ(volume_of("wind"), 1) << "the yard's sources are not ticked from the hall";

    cam->view_setup({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, &yard());
    cam->tick(0);
    EXPECT_EQ(device.zones.at(zone(yard())), -5000);
    EXPECT_EQ(volume_of("wind"), -5000);
    steps(25);
    EXPECT_EQ(device.zones.at(zone(yard())), -2500);
    EXPECT_EQ(device.zones.at(zone(hall())), -2500);
    EXPECT_EQ(volume_of("wind"), -2500);
    EXPECT_EQ(volume_of("hum"), -2500);
    steps(30);
    EXPECT_EQ(volume_of("wind"), 0);
    EXPECT_EQ(volume_of("hum"), -5000);
    EXPECT_EQ(device.zones.at(zone(hall())), -5000);
}

}  // namespace
}  // namespace kv
