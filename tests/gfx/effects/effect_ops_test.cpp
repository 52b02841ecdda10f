// The creation and parameter operations and their network echo: one table over every operation with
// the echo on and off, compared byte for byte with the client's own event writers; derived effects
// stay local; a recorded stream replays into the same effects on a second front end; parameter
// records act only on an effect of their own class; impossible numbers from peers are refused.

#include "gfx/effects/effect_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "gfx/effects/explosion_effect.h"
#include "gfx/effects/flash_effects.h"
#include "gfx/effects/impact_effect.h"
#include "gfx/effects/smoke_effect.h"
#include "gfx/effects/water_ripple_effect.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/gfx/effects/effect_test_support.h"

namespace kv {
namespace {

class EffectOps : public effect_test {
protected:
    void TearDown() override {
        gfx& replica = kernel_get().graphics;
        gfx_reset_effects(replica);
        replica.effects.world = nullptr;
        gfx_set_effect_echo(replica, true);
        effect_test::TearDown();
    }

    // Runs the set-up with the echo off, then the operation with the echo as given.
    void run(const std::function<void()>& setup, const std::function<void()>& op, bool echo) {
        gfx_set_effect_echo(g_, false);
        if (setup) setup();
        gfx_set_effect_echo(g_, echo);
        take_events();
        op();
    }
};

TEST_F(EffectOps, EchoedEventsOfEveryOperation) {
    const trace_hit wall = hit_of(yard_, {0, 0, 0}, {1, 0, 0});
    const uint8_t metal = static_cast<uint8_t>(surface_table_index_of(kernel_get().surfaces, wall.material));
    const vec3 p{1.0f, 2.0f, 3.0f};
    const vec3 up{0.0f, 1.0f, 0.0f};
    sector stray;  // not in the map package
    net_client& c = srv_.client;
    auto blast = [&] { gfx_add_blast_impact_effect(g_, p, up, yard_); };
    auto ripple = [&] { gfx_add_water_ripple_effect(g_, p, 2.0f, pool_); };
    const vec3 scale{2.0f, 2.0f, 2.0f};
    auto explosion = [&] { gfx_add_explosion_effect(g_, p, scale); };
    auto smoke = [&] { gfx_add_smoke_effect(g_, p, up); };
    const uint16_t wall_key = static_cast<uint16_t>(wall.hit_mesh->id);
    struct row {
        const char* name;
        std::function<void()> setup;
        std::function<void()> op;
        std::function<void()> writes;  // null: nothing is written
        bool always = false;           // written with the echo off too
    };
    const std::vector<row> rows = {
        {"impact from a hit", nullptr, [&] { gfx_add_impact_effect(g_, wall, 100.0f, yard_); },
         [&] { client_write_impact_event(c, wall.hit.point, wall.hit.normal, metal, 0); }},
        {"impact outside the map", nullptr, [&] { gfx_add_impact_effect(g_, wall, 100.0f, &stray); },
         [&] { client_write_impact_event(c, wall.hit.point, wall.hit.normal, metal, 0); }},
        {"blast impact", nullptr, [&] { gfx_add_blast_impact_effect(g_, p, up, pool_); },
         [&] { client_write_impact_event(c, p, up, 255, 1); }},
        {"impact from the network", nullptr, [&] { gfx_add_impact_effect_from_net(g_, p, up, 32, 1); },
         [&] { client_write_impact_event(c, p, up, 32, 1); }},
        {"impact parameters", blast, [&] { gfx_set_impact_effect(g_, "", "hit_water", 1, 750.0f); },
         [&] { client_write_impact_params_event(c, "", "hit_water", 1, 750.0f); }},
        {"ripple", nullptr, ripple, [&] { client_write_water_ripple_event(c, p, 2.0f, 1); }},
        {"ripple outside the map", nullptr, [&] { gfx_add_water_ripple_effect(g_, p, 2.0f, &stray); },
         [&] { client_write_water_ripple_event(c, p, 2.0f, 0); }},
        {"ripple from the network", nullptr, [&] { gfx_add_water_ripple_effect_from_net(g_, p, 2.0f, 7); },
         [&] { client_write_water_ripple_event(c, p, 2.0f, 7); }},
        {"ripple parameters", ripple, [&] { gfx_set_water_ripple_effect(g_, "ring", 900u, uint8_t{1}); },
         [&] { client_write_water_ripple_params_event(c, "ring", 900, 1); }},
        {"screen flash", nullptr, [&] { gfx_add_screen_tint_effect(g_, 5, p); },
         [&] { client_write_screen_tint_event(c, 5, p); }},
        {"shell", nullptr, [&] { gfx_add_shell_effect(g_, kMat4Identity, yard_); }, nullptr},
        {"muzzle flash", nullptr, [&] { gfx_add_weapon_model_effect(g_, kMat4Identity, "a", "b", 0); },
         nullptr},
        {"muzzle flash scale", [&] { gfx_add_weapon_model_effect(g_, kMat4Identity, "a", "b", 0); },
         [&] { gfx_set_weapon_model_effect(g_, 2.0f); }, nullptr},
        {"red flash", nullptr, [&] { gfx_add_red_flash_effect(g_); }, nullptr},
        {"texture scroll", nullptr, [&] { gfx_add_texture_scroll_effect(g_); }, nullptr},
        {"forget", ripple, [&] { gfx_forget_last_effect(g_); }, nullptr},
        {"explosion", nullptr, explosion, [&] { client_write_explosion_event(c, p, scale); }},
        {"explosion parameters", explosion, [&] { gfx_set_explosion_effect(g_, "", 0, "expl_anim", 1); },
         [&] { client_write_explosion_params_event(c, "", 0, "expl_anim", 1); }},
        {"explosion parameters after smoke", smoke,
         [&] { gfx_set_explosion_effect(g_, "", 0, "stun_anim", 1); }, nullptr},
        {"smoke", nullptr, smoke, [&] { client_write_smoke_event(c, p, up); }},
        {"smoke parameters", smoke, [&] { gfx_set_smoke_effect(g_, "puff"); },
         [&] { client_write_smoke_param_event(c, "puff"); }},
        {"smoke parameters after an explosion", explosion, [&] { gfx_set_smoke_effect(g_, "puff"); },
         nullptr},
        {"glass shatter", nullptr, [&] { gfx_add_glass_shatter_effect(g_, wall, yard_); },
         [&] { client_write_decal_event(c, wall_key, 0, 0); }, true},
        {"glass shatter outside the map", nullptr, [&] { gfx_add_glass_shatter_effect(g_, wall, &stray); },
         [&] { client_write_decal_event(c, wall_key, 0, 255); }, true},
        {"glass shatter by ids", nullptr, [&] { gfx_add_glass_shatter_effect_by_ids(g_, wall_key, 0, 0); },
         nullptr},
    };
    for (bool echo : {true, false}) {
        for (const row& r : rows) {
            run(r.setup, r.op, echo);
            const std::vector<uint8_t> written = take_events();
            std::vector<uint8_t> expected;
            if ((echo || r.always) && r.writes) {
                r.writes();
                expected = take_events();
                ASSERT_FALSE(expected.empty()) << r.name;
            }
            EXPECT_EQ(written, expected) << r.name << (echo ? " with" : " without") << " the echo";
            EXPECT_EQ(gfx_effect_echo(g_), echo) << r.name;
            gfx_clear_effects(g_);
        }
    }
}

// Effects an effect makes for itself (a water impact's ripples, a landing shell's splash) are not
// sent, and the flag is as it was; the caller's last effect is forgotten.
TEST_F(EffectOps, DerivedEffectsWriteNothingAndRestoreTheFlag) {
    gfx_add_impact_effect(g_, hit_of(pool_, {0, 100, 0}, {0, -1, 0}), 100.0f, pool_);
    gfx_forget_last_effect(g_);
    take_events();
    for (int i = 0; i < 20; ++i) frame(30);
    EXPECT_EQ(effect_count(g_, effect_class::water_ripple), 2u);
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});
    EXPECT_TRUE(gfx_effect_echo(g_));
    EXPECT_EQ(g_.effects.last_effect, nullptr);
}

// What one front end sends, another replays into the same effects, sending nothing back.
TEST_F(EffectOps, ARecordedStreamReplaysIntoTheSameEffects) {
    gfx_add_impact_effect(g_, hit_of(yard_, {0, 0, 0}, {1, 0, 0}), 100.0f, yard_);
    gfx_set_impact_effect(g_, "puff", "", 0, 80.0f);
    gfx_forget_last_effect(g_);
    gfx_add_blast_impact_effect(g_, {1, 2, 3}, {0, 0, 1}, pool_);
    gfx_forget_last_effect(g_);
    gfx_add_water_ripple_effect(g_, {4, 0, 4}, 1.5f, pool_);
    gfx_set_water_ripple_effect(g_, "ring", 900u, uint8_t{1});
    gfx_forget_last_effect(g_);
    g_.views.view_matrix = kMat4Identity;
    gfx_add_screen_tint_effect(g_, 0, {0, 0, 100});
    gfx_forget_last_effect(g_);
    gfx_add_red_flash_effect(g_);  // never sent
    gfx_forget_last_effect(g_);

    packet sent(srv_.client.event_stream.body.data(), srv_.client.event_stream.body.size());
    take_events();
    gfx& replica = kernel_get().graphics;
    gfx_reset_effects(replica);
    replica.effects.world = &srv_;
    replica.views.view_matrix = kMat4Identity;
    client_apply_events(srv_.client, sent);

    std::vector<effect_class> expected = effect_kinds(g_);
    expected.pop_back();
    EXPECT_EQ(effect_kinds(replica), expected);
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});
    auto mine = g_.effects.items.begin();
    auto theirs = replica.effects.items.begin();
    for (int i = 0; i < 2; ++i, ++mine, ++theirs) {
        auto* a = dynamic_cast<impact_effect*>(mine->get());
        auto* b = dynamic_cast<impact_effect*>(theirs->get());
        ASSERT_TRUE(a && b);
        EXPECT_FLOAT_EQ(a->position.x, b->position.x);
        EXPECT_FLOAT_EQ(a->position.y, b->position.y);
        EXPECT_FLOAT_EQ(a->normal.z, b->normal.z);
        EXPECT_EQ(a->smoke_texture, b->smoke_texture);
        EXPECT_EQ(a->impact_texture, b->impact_texture);
        EXPECT_EQ(a->size, b->size);
        EXPECT_EQ(a->in_sector, b->in_sector);
    }
    auto* ripple = dynamic_cast<water_ripple_effect*>(theirs->get());
    ASSERT_TRUE(ripple);
    EXPECT_EQ(ripple->texture, "ring");
    EXPECT_EQ(ripple->lifetime_ms, 900);
    EXPECT_EQ(ripple->in_sector, pool_);
    ++theirs;
    EXPECT_TRUE((*theirs)->alive());
}

// A parameter operation changes only an effect of its own class: first in a stream, after another
// class, or locally after the wrong creation, it changes and sends nothing.
TEST_F(EffectOps, ParametersActOnlyOnTheirOwnClass) {
    gfx_add_red_flash_effect(g_);
    take_events();
    gfx_set_impact_effect(g_, "a", "b", 1, 5.0f);
    gfx_set_water_ripple_effect(g_, "ring", 900u, uint8_t{1});
    gfx_set_weapon_model_effect(g_, 3.0f);
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});

    gfx_add_blast_impact_effect(g_, {0, 0, 0}, {0, 1, 0}, yard_);
    auto* impact = dynamic_cast<impact_effect*>(g_.effects.last_effect);
    take_events();
    gfx_set_water_ripple_effect(g_, "ring", 900u, uint8_t{1});
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});
    EXPECT_EQ(impact->size, 100.0f);

    // Replayed: a settings record first in the stream, then one after an effect of another class.
    gfx& replica = kernel_get().graphics;
    gfx_reset_effects(replica);
    replica.effects.world = &srv_;
    client_write_impact_params_event(srv_.client, "a", "b", 1, 5.0f);
    client_write_water_ripple_event(srv_.client, {0, 0, 0}, 1.0f, 1);
    client_write_impact_params_event(srv_.client, "a", "b", 1, 5.0f);
    packet stream(srv_.client.event_stream.body.data(), srv_.client.event_stream.body.size());
    take_events();
    client_apply_events(srv_.client, stream);
    ASSERT_EQ(effect_kinds(replica), std::vector<effect_class>{effect_class::water_ripple});
    EXPECT_EQ(dynamic_cast<water_ripple_effect*>(replica.effects.items.front().get())->texture,
              "water_ripple");
}

// Values that are not numbers never make an effect; the refusal is logged once per received batch.
TEST_F(EffectOps, EventsWithImpossibleNumbersAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    gfx& replica = kernel_get().graphics;
    gfx_reset_effects(replica);
    replica.effects.world = &srv_;
    client_write_impact_event(srv_.client, {nan, 0, 0}, {0, 1, 0}, 255, 0);
    client_write_water_ripple_event(srv_.client, {0, 0, 0}, nan, 0);
    client_write_screen_tint_event(srv_.client, 0, {0, std::numeric_limits<float>::infinity(), 0});
    client_write_water_ripple_event(srv_.client, {0, 0, 0}, 1.0f, 0);
    client_write_impact_params_event(srv_.client, "a", "b", 0, nan);
    packet stream(srv_.client.event_stream.body.data(), srv_.client.event_stream.body.size());
    take_events();
    clear_log();
    client_apply_events(srv_.client, stream);
    EXPECT_EQ(effect_kinds(replica), std::vector<effect_class>{effect_class::water_ripple});
    EXPECT_EQ(log(), "gfx: *WARNING* impact effect with a value that is not a number refused.\n");
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// An empty name keeps the texture, and so does a name that is not a plain one, locally and replayed.
TEST_F(EffectOps, EmptyNamesKeepTheTextures) {
    auto settle = [&](gfx& g) {
        gfx_add_explosion_effect(g, {0, 0, 0}, {1, 1, 1});
        gfx_set_explosion_effect(g, "fire", 1, "flame", 1);
        gfx_set_explosion_effect(g, "", 1, "../flame", 1);
        gfx_forget_last_effect(g);
        gfx_add_smoke_effect(g, {0, 0, 0}, {0, 1, 0});
        gfx_set_smoke_effect(g, "fog");
        gfx_set_smoke_effect(g, "");
        gfx_forget_last_effect(g);
    };
    auto check = [](gfx& g, const char* where) {
        ASSERT_EQ(effect_kinds(g), (std::vector<effect_class>{effect_class::explosion, effect_class::smoke}))
            << where;
        const auto* x = dynamic_cast<const explosion_effect*>(g.effects.items.front().get());
        EXPECT_EQ(x->sprite_texture, "fire") << where;
        EXPECT_EQ(x->arc_texture, "flame") << where;
        EXPECT_EQ(x->part_flags, kExplosionAllParts) << where;
        EXPECT_EQ(dynamic_cast<const smoke_effect*>(g.effects.items.back().get())->texture, "fog") << where;
    };
    take_events();
    settle(g_);
    check(g_, "here");
    packet sent(srv_.client.event_stream.body.data(), srv_.client.event_stream.body.size());
    take_events();
    gfx& replica = kernel_get().graphics;
    gfx_reset_effects(replica);
    replica.effects.world = &srv_;
    client_apply_events(srv_.client, sent);
    check(replica, "replayed");
}

// Explosions and smoke with impossible numbers from a peer are refused, with one line.
TEST_F(EffectOps, ExplosionsAndSmokeWithImpossibleNumbersAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    gfx& replica = kernel_get().graphics;
    gfx_reset_effects(replica);
    replica.effects.world = &srv_;
    client_write_explosion_event(srv_.client, {0, 0, 0}, {nan, 1, 1});
    client_write_explosion_params_event(srv_.client, "a", 1, "b", 1);
    client_write_smoke_event(srv_.client, {0, std::numeric_limits<float>::infinity(), 0}, {0, 1, 0});
    client_write_smoke_event(srv_.client, {0, 0, 0}, {0, 1, 0});
    packet stream(srv_.client.event_stream.body.data(), srv_.client.event_stream.body.size());
    take_events();
    clear_log();
    client_apply_events(srv_.client, stream);
    EXPECT_EQ(effect_kinds(replica), std::vector<effect_class>{effect_class::smoke});
    EXPECT_EQ(log(), "gfx: *WARNING* explosion effect with a value that is not a number refused.\n");
}

}  // namespace
}  // namespace kv
