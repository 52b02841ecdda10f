#include "beings/entity.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/server_entities.h"
#include "kernel/kernel.h"
#include "tests/beings/beings_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/call_log.h"
#include "tests/support/recording_driver.h"
#include "world/entity_def.h"

namespace kv {
namespace {

// Slots of the test skeleton's table.
enum : int32_t { kWhole = 0, kLegs = 1, kArms = 2, kShort = 3 };

class Entity : public beings_test {
protected:
    void SetUp() override {
        beings_test::SetUp();
        test_state_reset();
        load_test_package([](tools::package_writer& w) {
            auto& q = w.qxps();
            w.add_surface("paint");
            tools::mesh_desc body = test_mesh(3);
            body.bones = {0, 6, 9};
            tools::add_geometry(w, {"g-body", body.box, {}, {tools::add_skinned_mesh(q, body)}});
            tools::add_entity_def(w, {"body",
                                      test_box(-1.0f, 1.0f),
                                      {},
                                      {tools::add_mesh_instance(q, {{}, "g-body", "paint", "metal1", 0})}});
        });
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        entity_create(e_, "pid3", &srv_);
        ASSERT_TRUE(entity_load_skeleton(e_, "test:sk", 4));
        for (const auto& [slot, name] : std::vector<std::pair<int32_t, std::string>>{
                 {kWhole, "whole"}, {kLegs, "legs"}, {kArms, "arms"}, {kShort, "short"}})
            ASSERT_TRUE(entity_bind_animation(e_, slot, "test:" + name));
    }
    void TearDown() override {
        entity_destroy(e_);
        beings_test::TearDown();
    }

    entity_channel& channel(int32_t c) { return e_.channels[static_cast<std::size_t>(c)]; }

    entity e_;
    ammo_def ammo_{};
};

// The renderer's helpers pass: under the model's matrix moved to the centre, the box in green and
// every leaf box of the first mesh's tree in blue; nothing before the entity has a model.
TEST_F(Entity, TheHelpersPassOutlinesTheBoxAndTheMeshLeaves) {
    gfx& g = kernel_get().graphics;
    scoped_recording_driver driver(g);
    view_stack_reset_matrices(g.views);
    entity_render_hook(e_);
    EXPECT_TRUE(driver->take_calls().empty());

    ASSERT_TRUE(entity_set_model(e_, "test:body"));
    entity_render_hook(e_);
    const std::vector<std::string> calls = driver->take_calls();
    std::vector<std::string> colours;
    std::size_t lines = 0;
    for (const std::string& call : calls) {
        if (call.starts_with("set_colour")) colours.push_back(call);
        if (call.starts_with("draw_line")) ++lines;
    }
    ASSERT_GE(colours.size(), 2u);
    EXPECT_EQ(colours[0], "set_colour 0 1 0");
    for (std::size_t i = 1; i < colours.size(); ++i) EXPECT_EQ(colours[i], "set_colour 0 0 1");
    EXPECT_EQ(lines, 12 * colours.size());
    EXPECT_EQ(g.views.matrices.size(), 1u);
}

struct channel_case {
    const char* name;
    std::function<void(entity&)> setup;
    int32_t ms;
    bool advanced;
    int32_t animation;
    int32_t frame;
    int32_t accumulator;
    uint8_t ended;
};

const channel_case kChannelCases[] = {
    {"TwoFramesAndFiftyLeft", [](entity& e) { entity_play(e, 0, kWhole, 100); }, 250, true, kWhole, 2, 50, 0},
    {"ShortOfAFrame", [](entity& e) { entity_play(e, 0, kWhole, 100); }, 99, false, kWhole, 0, 99, 0},
    {"LoopWraps",
     [](entity& e) {
         entity_play(e, 0, kWhole, 100);
         e.channels[0].frame = 7;
     },
     100, true, kWhole, 0, 0, 1},
    {"NoLoopHoldsTheLastFrame",
     [](entity& e) {
         entity_play(e, 0, kWhole, 100);
         entity_channel_clear_loop(e, 0);
         e.channels[0].frame = 7;
     },
     150, true, kWhole, 7, 50, 1},
    {"StopAtTheEndGoesIdle",
     [](entity& e) {
         entity_play(e, 0, kShort, 100);
         entity_queue_animation(e, 0, kChannelStopAtEnd, 100);
     },
     200, false, -1, 0, 0, 1},
    {"QueuedAnimationStartsAtTheEnd",
     [](entity& e) {
         entity_play(e, 0, kShort, 100);
         entity_queue_animation(e, 0, kLegs, 40);
         entity_channel_set_next_no_loop(e, 0);
     },
     250, true, kLegs, 0, 10, 0},
    {"IdleChannelStartsItsQueue", [](entity& e) { entity_queue_animation(e, 0, kLegs, 0); }, 3, true, kLegs,
     3, 0, 0},
    {"IdleChannelWithoutQueue", [](entity&) {}, 500, false, -1, 0, 0, 0},
};

class EntityChannels : public Entity, public ::testing::WithParamInterface<channel_case> {};

TEST_P(EntityChannels, Advance) {
    const channel_case& c = GetParam();
    c.setup(e_);
    EXPECT_EQ(entity_advance_channel(e_, 0, c.ms), c.advanced);
    EXPECT_EQ(channel(0).animation, c.animation);
    EXPECT_EQ(channel(0).frame, c.frame);
    EXPECT_EQ(channel(0).accumulator, c.accumulator);
    EXPECT_EQ(channel(0).ended, c.ended);
}

INSTANTIATE_TEST_SUITE_P(Entity, EntityChannels, ::testing::ValuesIn(kChannelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Entity, AQueuedStartClearsTheTriggersAndLocksHoldTheChannel) {
    entity_play(e_, 0, kShort, 100);
    entity_queue_animation(e_, 0, kWhole, 100);
    entity_channel_set_next_lock(e_, 0, 1);
    entity_channel_set_next_reverse(e_, 0);
    ASSERT_TRUE(entity_set_frame_trigger(e_, 0, kTriggerShell, "", 1));
    entity_set_blast_trigger(e_, 1, &ammo_, 0, 3, 1);
    entity_set_throw_trigger(e_, 1, 3, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(entity_advance_channel(e_, 0, 200));
    EXPECT_EQ(channel(0).animation, kWhole);
    EXPECT_EQ(channel(0).reverse, 1);
    EXPECT_EQ(e_.triggers[0].kind, -1);
    EXPECT_EQ(e_.blast.ammo, nullptr);
    EXPECT_EQ(e_.throw_trigger.armed, 0);
    // Locked while it plays: play refuses and changes nothing; a cleared lock lets it through.
    EXPECT_FALSE(entity_play(e_, 0, kLegs, 50));
    EXPECT_EQ(channel(0).animation, kWhole);
    EXPECT_EQ(channel(0).ms_per_frame, 100);
    entity_channel_set_lock(e_, 0, 0);
    EXPECT_TRUE(entity_play(e_, 0, kLegs, 0));
    EXPECT_EQ(channel(0).ms_per_frame, 1);  // a speed of 0 is taken as 1
    // Channel 1 records the parent of its animation's first bone.
    EXPECT_TRUE(entity_play(e_, 1, kArms, 33));
    EXPECT_EQ(channel(1).root_bone, 5);
    EXPECT_EQ(entity_shown_frame(e_, 1), 0);
    entity_channel_set_reverse(e_, 1);
    EXPECT_EQ(entity_shown_frame(e_, 1), 2);
}

TEST_F(Entity, ChannelStatesRoundTripAndDamagedOnesAreRefused) {
    entity_play(e_, 1, kArms, 33);
    channel(1).frame = 2;
    entity_channel_set_reverse(e_, 1);
    entity_queue_animation(e_, 1, kLegs, 33);
    entity_channel_state state;
    entity_get_channel_state(e_, 1, state);
    EXPECT_EQ(state.animation, kArms);
    EXPECT_EQ(state.frame, 2 | 128);
    EXPECT_EQ(state.ms_per_frame, 33 | 128);

    entity remote;
    entity_create(remote, "pid4", &srv_);
    ASSERT_TRUE(entity_load_skeleton(remote, "test:sk", 4));
    EXPECT_TRUE(entity_set_channel_state(remote, 1, state));
    const entity_channel& c = remote.channels[1];
    EXPECT_EQ(c.animation, kArms);
    EXPECT_EQ(c.frame, 2);
    EXPECT_EQ(c.ms_per_frame, 33);
    EXPECT_EQ(c.reverse, 1);
    EXPECT_EQ(c.loop, 0);  // a queued animation there: hold the last frame
    EXPECT_FALSE(entity_set_channel_state(remote, 1, state));  // the same animation

    struct bad_state {
        entity_channel_state state;
        int32_t animation;
        int32_t frame;
        int32_t ms;
    };
    const bad_state cases[] = {
        {{kShort, 127, 0}, kShort, 1, 1},  // past the end: the last frame; speed 0 taken as 1
        {{99, 0, 33}, kShort, 1, 1},       // outside the slot table: left as it is
        {{-7, 0, 33}, kShort, 1, 1},       // the same
        {{kWhole, 0x7FFFFFFF, -1}, kWhole, 7, 127},
        {{-1, 0, 0}, -1, 0, 1},
    };
    for (const bad_state& b : cases) {
        entity_set_channel_state(remote, 0, b.state);
        EXPECT_EQ(remote.channels[0].animation, b.animation) << b.state.animation;
        EXPECT_EQ(remote.channels[0].frame, b.frame) << b.state.animation;
        EXPECT_EQ(remote.channels[0].ms_per_frame, b.ms) << b.state.animation;
    }
    remote.skel->slots[kLegs] = nullptr;  // unbound
    EXPECT_FALSE(entity_set_channel_state(remote, 0, {kLegs, 0, 33}));
    remote.skel->slots[kLegs] = &anim("legs");
    // One warning per entity.
    const std::string text = log();
    const std::string warning = "server: *WARNING* entity `pid4' got channel state for slot";
    EXPECT_NE(text.find(warning), std::string::npos) << text;
    EXPECT_EQ(text.find(warning), text.rfind(warning));
    entity_destroy(remote);
}

TEST_F(Entity, TheBlastTriggerFiresOnceUntilChannelOnesEndRearmsIt) {
    ASSERT_TRUE(entity_set_model(e_, "test:body"));
    entity_play(e_, 0, kLegs, 100);
    entity_play(e_, 1, kArms, 100);
    entity_set_blast_trigger(e_, 0, &ammo_, 0, 3, 2);
    auto step = [&] {
        clock_.advance_ms(100);
        entity_update(e_, 0);
        return srv_.blasts.size();
    };
    EXPECT_EQ(step(), 2u);  // ammunition row 0 fires: two pellets
    EXPECT_EQ(step(), 2u);
    EXPECT_EQ(step(), 2u);  // channel 1 ends here and re-arms it
    EXPECT_EQ(step(), 4u);
    EXPECT_EQ(step(), 4u);
    EXPECT_EQ(e_.posed, 1);
}

TEST_F(Entity, TheThrowTriggerFollowsTheBodysUpperChannelAndNeverFiresAtItsEnd) {
    ASSERT_TRUE(entity_set_model(e_, "test:body"));
    entity_play(e_, 1, kShort, 100);
    entity_channel_clear_loop(e_, 1);
    clock_.advance_ms(300);
    entity_update(e_, 0);
    ASSERT_EQ(channel(1).end_reached, 1);
    entity_set_throw_trigger(e_, 0, 3, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    clock_.advance_ms(100);
    entity_update(e_, 0);
    EXPECT_EQ(channel(1).end_reached, 1);
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_EQ(e_.thrown, 0);
    // Before the end it throws once, whatever the legs' channel shows.
    entity_play(e_, 0, kLegs, 100);
    entity_play(e_, 1, kShort, 100);
    entity_set_throw_trigger(e_, 0, 3, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    clock_.advance_ms(100);
    entity_update(e_, 0);
    EXPECT_EQ(srv_.grenades.size(), 1u);
    EXPECT_EQ(e_.thrown, 1);
}

TEST_F(Entity, MeleeTriggersStrikeOncePerFrameForEachEntity) {
    entity other;
    entity_create(other, "pid5", &srv_);
    ASSERT_TRUE(entity_load_skeleton(other, "test:sk", 4));
    for (entity* e : {&e_, &other}) {
        ASSERT_TRUE(entity_set_model(*e, "test:body"));
        entity_set_active(*e, true);
        entity_play(*e, 0, kLegs, 100);
        entity_play(*e, 1, kWhole, 100);
        ASSERT_TRUE(entity_set_frame_trigger(*e, 2, kTriggerStrike, "", 0));
    }
    clock_.advance_ms(100);
    entity_update(e_, 0);
    entity_update(other, 0);
    EXPECT_EQ(e_.last_strike_frame, 1);
    EXPECT_EQ(other.last_strike_frame, 1);
    e_.last_strike_frame = 7;
    entity_update(e_, 0);  // no frame passed: nothing
    EXPECT_EQ(e_.last_strike_frame, 7);
    entity_destroy(other);
}

TEST_F(Entity, TheWeaponSoundPlaysInTheEntitysSectorForItsPlayer) {
    kernel_sound_probe sound(srv_.data_dir, {"shot"});
    sector room;
    e_.in_sector = &room;
    ASSERT_TRUE(entity_set_model(e_, "test:body"));
    entity_set_active(e_, true);
    entity_play(e_, 0, kWhole, 100);
    entity_set_names(e_, "shot", 100, 4000, "", "", 0.0f, 0.0f);
    ASSERT_TRUE(entity_set_frame_trigger(e_, 2, kTriggerWeaponEffect, "", 0));
    clock_.advance_ms(100);
    entity_update(e_, 0);
    // Channel 2, the owner key (player 3 + 5000), the sector as zone.
    const std::vector<std::string> played = sound.take();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].rfind(str_format("2 shot 5003 %zu 3d", reinterpret_cast<std::size_t>(&room)), 0), 0u)
        << played[0];
    const audio_3d_params& p = sound.card.buffers.begin()->second.params;
    EXPECT_EQ(p.min_distance, 100.0f);
    EXPECT_EQ(p.max_distance, 4000.0f);
    e_.in_sector = nullptr;
}

TEST_F(Entity, MissingObjectsAreReportedAndLeaveTheEntityAsItWas) {
    EXPECT_TRUE(entity_bind_animation(e_, kShort, "test:nope"));  // bound already: no lookup
    EXPECT_EQ(log().find("nope"), std::string::npos);
    e_.skel->slots[kArms] = nullptr;
    EXPECT_FALSE(entity_bind_animation(e_, kArms, "test:nope"));
    EXPECT_EQ(e_.skel->slots[kArms], nullptr);
    EXPECT_NE(log().find("server: No animation `test:nope' found.\n"), std::string::npos) << log();
    EXPECT_FALSE(entity_load_skeleton(e_, "test:nobody", 4));
    EXPECT_FALSE(entity_load_skeleton(e_, "elsewhere:sk", 4));
    EXPECT_EQ(e_.skel, &skel());
    EXPECT_FALSE(entity_set_model(e_, "test:nothing"));
    EXPECT_EQ(e_.model, nullptr);
    EXPECT_FALSE(entity_attach_model(e_, 16, "test:body"));
    // A reference queued by a package being loaded is neither resolved nor reported by the setters.
    entity_def* queued = nullptr;
    ref_list_add_entity(ref_list(), "later", "crate", &queued);
    ASSERT_TRUE(entity_set_model(e_, "test:body"));
    ASSERT_TRUE(entity_attach_model(e_, 2, "test:body"));
    EXPECT_EQ(ref_list().items.size(), 1u);
    EXPECT_EQ(log().find("[later]"), std::string::npos);
    EXPECT_NE(entity_def_find_attach_point(*e_.model, 2), -1);
    entity_detach(e_, -1);
    EXPECT_EQ(entity_def_find_attach_point(*e_.model, 2), -1);
}

TEST_F(Entity, ASectorThatGoesAwayTakesItsEntitiesOffItsList) {
    auto room = std::make_unique<sector>();
    mat4 place;
    mat4_set_translation(place, 1.0f, 2.0f, 3.0f);
    ASSERT_TRUE(entity_set_model(e_, "test:body"));
    entity_update_sample(e_, place, room.get());
    entity_set_active(e_, true);
    entity_set_throw_trigger(e_, 0, 3, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(e_.throw_trigger.in_sector, room.get());
    room.reset();
    EXPECT_EQ(e_.in_sector, nullptr);
    EXPECT_EQ(e_.active, 0);
    EXPECT_EQ(e_.throw_trigger.in_sector, nullptr);
    entity_set_active(e_, true);
    EXPECT_EQ(e_.in_sector, nullptr);
}

}  // namespace
}  // namespace kv
