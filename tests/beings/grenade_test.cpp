// Grenades, thrown knives, the placed charge, dropped weapons and explosions in a headless local game:
// the game object of the level below, the demo "beings" package for the bodies, the fake clock, a
// seeded generator; soldier A (Rambo, player 100) and soldier B (bot 5), both driven here. What the
// soldiers' side sends stays in the client session's queues.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/dropped_weapon.h"
#include "beings/entity.h"
#include "beings/entity_body.h"
#include "beings/grenade.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "game/server_snapshot.h"
#include "game/server_world.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/explosion_effect.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "tests/beings/level_meshes.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/support/call_log.h"
#include "tests/support/client_capture.h"
#include "tests/support/recording_driver.h"
#include "tools/beings_writer.h"
#include "tools/targa_writer.h"
#include "util/mat4.h"
#include "util/text.h"
#include "world/hit_map.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr uint32_t kA = 100;
constexpr uint32_t kB = 5;
constexpr float kEye = 95.0f;
const vec3 kGravity{0.0f, -978.0f, 0.0f};
// Facing +z, the demo body's quads face a ray along x.
const vec3 kFacingZ{0.0f, 0.0f, 1.0f};
constexpr int32_t kM4a1 = 0;
constexpr int32_t kFragTimed = 55;
constexpr int32_t kActFire = 37;
constexpr int32_t kActDrop = 48;

// Places of the field (one sector, a concrete floor at y 0 whose bounce byte is 128).
const vec3 kOpenA{0.0f, kEye, 0.0f};
const vec3 kWallSpot{0.0f, kEye, -2000.0f};   // a brick wall of resistance 255 at x 200-240
const vec3 kGlassSpot{0.0f, kEye, 2000.0f};   // a glass pane at x 300
const vec3 kPool{2700.0f, 300.0f, -1500.0f};  // water surface at 300 over the floor
const vec3 kUnderSlab{-2000.0f, 0.0f, 0.0f};  // a ceiling slab 200-240 up

class GrenadeGame : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        kv_srand(7);
        surface_table_build(kernel_get().surfaces);
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        write_hit_maps();
        write_data("maps/training", level());
        srv_.load_request = kLoadRequestMenu;
        srv_.snapshot.name = "training";
        server_set_game_package(srv_, "training");
        for (int i = 0; i < 4; ++i) frame();
        g_ = game();
        ASSERT_NE(g_, nullptr) << log();
        a_ = g_->local_being;
        ASSERT_NE(a_, nullptr) << log();
        field_ = static_cast<sector*>(a_->place.sector);
        ASSERT_NE(field_, nullptr);
        dress(*a_);
        player_init(srv_, slot(kB, 1));
        server_add_local_player(srv_, kB);
        kvgame_sync_beings(*g_);
        b_ = kvgame_find_player(*g_, kB);
        ASSERT_NE(b_, nullptr);
        dress(*b_);
        put(*a_, {-2800.0f, kEye, 2800.0f});
        put(*b_, {-2800.0f, kEye, -2800.0f});
        test_call_log().calls.clear();
        client_capture_connect(srv_.client);
        dropped_weapon_reset_serials();
    }

    void TearDown() override {
        for (image8& map : hit_maps()) map = image8();
        surface_table_build(kernel_get().surfaces);
        client_capture_take(srv_.client);
        srv_.client.connected = false;
        headless_game::TearDown();
    }

    std::vector<uint8_t> level() {
        field_level level;
        level.add(level_quad(-3000.0f, 3000.0f, -3000.0f, 3000.0f, 0.0f, true), "concrete10");
        level.add(box_mesh({200.0f, 0.0f, -2300.0f}, {240.0f, 400.0f, -1700.0f}), "brick50");
        level.add(pane(300.0f, 1900.0f, 2100.0f), "glass");
        level.add(level_quad(2400.0f, 3000.0f, -3000.0f, -200.0f, 300.0f, true), "water1");
        level.add(box_mesh({-2200.0f, 200.0f, -200.0f}, {-1800.0f, 240.0f, 200.0f}), "concrete10");
        level.write_field();
        level.w.add_arty("kvlevel", "level", tools::token_writer().key("title:").str("Field").bytes());
        add_field_spawn_points(level.w, kEye);
        return level.w.finish();
    }

    // Every texel of the bodies is the chest (zone 32).
    void write_hit_maps() {
        tools::targa8_desc map;
        map.width = map.height = 8;
        map.texels.assign(64, 32);
        for (int i = 0; i < 3; ++i)
            write_data("tex/tga/hitmap" + std::to_string(i) + ".tga", tools::targa8(map));
        srv_.texture_dir = "tga/";
        server_load_hit_maps(srv_);
    }

    static player_slot slot(uint32_t id, int32_t team) {
        player_slot s;
        s.id = id;
        s.name = "p" + std::to_string(id);
        s.team = team;
        s.state = kSlotPlaying;
        s.health = 100;
        return s;
    }

    void dress(being& b) {
        being_set_model(b, "beings:soldier", "");
        being_reset_posture(b);
    }

    void put(being& b, const vec3& at, const vec3& forward = {1.0f, 0.0f, 0.0f}) {
        being_set_view(b, at, forward, {0.0f, 1.0f, 0.0f}, field_);
        frames(3);
    }

    void frames(int count, int32_t ms = 16) {
        for (int i = 0; i < count; ++i) {
            clock_.advance_ms(ms);
            server_frame(srv_, ms);
        }
    }

    // The weapon in hand.
    weapon_slot& arm(being& b, int32_t weapon) {
        being_give_weapon(b, weapon);
        const int32_t i = being_find_weapon_slot(b.weapons, weapon, false);
        EXPECT_GE(i, 0);
        being_equip_weapon_models(b, i);
        b.weapons.current = i;
        return b.weapons.slots[i];
    }
    void press(being& b, int32_t code) { being_record(b)->commands.push_back(static_cast<int16_t>(code)); }
    void release(being& b, int32_t code) { being_record(b)->commands.push_back(static_cast<int16_t>(-code)); }

    entity& body(being& b) { return *server_entity_find(srv_, b.name); }
    void lower_body(being& b) {
        mat4& root = body(b).model_root->transform;
        const vec3 at = mat4_row3(root);
        mat4_set_row3(root, at.x, at.y - 40.0f, at.z);
    }
    vec3 body_at(being& b) { return mat4_row3(entity_world_matrix(body(b))); }

    // A grenade of this machine (not quiet) in the world server's list.
    grenade& make(int32_t kind, const vec3& at, const vec3& velocity = {}, uint32_t owner = kA,
                  bool quiet = false) {
        grenade_values values;
        values.kind = kind;
        values.id = next_id_++;
        values.model = "beings:nothing";
        values.acceleration = kGravity;
        auto g = std::make_unique<grenade>();
        grenade_create(*g, srv_, owner, at, velocity, values, field_, quiet);
        grenade& kept = *g;
        srv_.grenades.push_back(std::move(g));
        return kept;
    }

    bool listed(const grenade* g) const {
        return std::any_of(srv_.grenades.begin(), srv_.grenades.end(),
                           [g](const auto& p) { return p.get() == g; });
    }

    // Frames until the grenade leaves the list (or the limit); the milliseconds it took.
    int32_t run_until_gone(const grenade* g, int32_t limit_ms = 60000) {
        int32_t ms = 0;
        while (listed(g) && ms < limit_ms) {
            frames(1);
            ms += 16;
        }
        return ms;
    }

    // What the soldiers' side sent, each line once.
    std::vector<std::string> sent(const std::string& prefix) {
        for (std::string& line : client_capture_take(srv_.client)) sent_.push_back(std::move(line));
        std::vector<std::string> out;
        for (const std::string& c : sent_) {
            if (c.starts_with(prefix)) out.push_back(c);
        }
        return out;
    }
    // The hits on a victim as "attacker code amount".
    std::vector<std::string> hits_on(uint32_t victim) {
        std::vector<std::string> out;
        for (const std::string& line : sent("hit ")) {
            uint32_t attacker = 0, who = 0, code = 0, amount = 0;
            if (std::sscanf(line.c_str(), "hit %u %u %u %u", &attacker, &who, &code, &amount) == 4 &&
                who == victim)
                out.push_back(str_format("%u %u %u", attacker, code, amount));
        }
        return out;
    }
    void forget_sent() {
        client_capture_take(srv_.client);
        sent_.clear();
    }

    // The effects made since the last `forget_effects`: the front end keeps them, as no frame is drawn.
    static std::size_t made(effect_class kind) { return effect_count(kernel_get().graphics, kind); }
    static void forget_effects() { gfx_reset_effects(kernel_get().graphics); }
    static const explosion_effect* last_explosion() {
        const explosion_effect* found = nullptr;
        for (const std::unique_ptr<effect>& e : kernel_get().graphics.effects.items)
            if (const auto* x = dynamic_cast<const explosion_effect*>(e.get())) found = x;
        return found;
    }
    // What the effects have echoed to the other players so far.
    static std::size_t echoed() {
        return effect_world(kernel_get().graphics).client.event_stream.body.size();
    }

    std::size_t calls_starting(const std::string& prefix) const {
        return static_cast<std::size_t>(
            std::count_if(test_call_log().calls.begin(), test_call_log().calls.end(),
                          [&](const std::string& c) { return c.starts_with(prefix); }));
    }

    kvgame* g_ = nullptr;
    being* a_ = nullptr;
    being* b_ = nullptr;
    sector* field_ = nullptr;
    std::vector<std::string> sent_;
    int32_t next_id_ = 1;
};

TEST_F(GrenadeGame, AThrownFragClearsTheThrowerBouncesAtHalfSpeedAndExplodesFourSecondsAfterLinking) {
    put(*a_, kOpenA);
    weapon_slot& frags = arm(*a_, kFragTimed);
    frags.rounds = 3;
    frames(5);
    test_call_log().calls.clear();
    forget_effects();
    forget_sent();
    const std::size_t echoed_before = echoed();
    // Fire plays the throw on the body's upper half; the grenade leaves when that animation passes frame
    // 53, whatever frame the legs' own animation shows.
    press(*a_, kActFire);
    int32_t frame_at_throw = -1;
    int32_t frame_before = -1;
    for (int i = 0; i < 400 && srv_.grenades.empty(); ++i) {
        frame_before = body(*a_).channels[1].frame;
        frames(1);
        if (!srv_.grenades.empty()) frame_at_throw = body(*a_).channels[1].frame;
    }
    release(*a_, kActFire);
    ASSERT_EQ(srv_.grenades.size(), 1u) << log();
    EXPECT_GE(frame_at_throw, 53);
    EXPECT_LT(frame_before, 53);
    grenade* g = srv_.grenades.front().get();
    EXPECT_EQ(g->kind, kGrenadeFragTimed);
    EXPECT_EQ(g->quiet, 0);
    EXPECT_EQ(g->team, server_find_player(srv_, kA)->team);
    EXPECT_EQ(frags.rounds, 2);             // one grenade spent
    EXPECT_EQ(sent("event 2").size(), 1u);  // announced once

    // Made in the throw's frame, it takes its model on the next and links on the one after.
    for (int i = 0; i < 3 && !g->linked; ++i) frames(1);
    ASSERT_EQ(g->linked, 1);
    const float launch = g->launch_speed;
    EXPECT_NEAR(launch, 1400.0f, 1e-3f);
    int32_t linked_ms = 0;
    float first_bounce = -1.0f;
    while (listed(g) && linked_ms < 6000) {
        const uint8_t before = g->hit;
        frames(1);
        linked_ms += 16;
        if (!listed(g)) break;
        EXPECT_NE(g->last_hit_player, static_cast<int32_t>(kA)) << "off its own thrower";
        EXPECT_TRUE(std::isfinite(g->position.x) && std::isfinite(g->position.y));
        if (!before && g->hit) first_bounce = g->speed;
    }
    EXPECT_NEAR(first_bounce / launch, 128.0f / 255.0f, 1e-3f);
    EXPECT_GE(linked_ms, 4000);
    EXPECT_LE(linked_ms, 4016);
    EXPECT_EQ(made(effect_class::explosion), 1u);
    const explosion_effect* blast = last_explosion();
    ASSERT_NE(blast, nullptr);
    EXPECT_EQ(blast->scale.x, 1.0f);
    EXPECT_EQ(blast->scale.z, 1.0f);
    EXPECT_EQ(blast->part_flags, kExplosionArc);  // the sprites off, the arc on "expl_anim"
    EXPECT_EQ(blast->arc_texture, "expl_anim");
    EXPECT_EQ(echoed(), echoed_before) << "made with the echo off: every machine makes its own";
    EXPECT_TRUE(gfx_effect_echo(kernel_get().graphics)) << "the echo comes back";
}

// The damage walk aims at a body's origin, which lies below the demo body's quads: the tests lower the
// model (until the next frame) so that its chest covers that point.
TEST_F(GrenadeGame, FragDamageFallsWithDistanceShakesFartherAndStopsAtWalls) {
    struct row {
        float distance;
        int32_t damage;  // -1: none
    };
    for (const row& r : {row{100.0f, 100}, row{500.0f, 25}, row{700.0f, -1}}) {
        put(*b_, kOpenA, kFacingZ);
        grenade& g = make(kGrenadeFragTimed, body_at(*b_) + vec3{r.distance, 0.0f, 0.0f});
        frames(2);
        lower_body(*b_);
        forget_sent();
        body(*b_).shake_amplitude = 0.0f;
        grenade_blast_damage(g, 650.0f);
        const std::vector<std::string> hits = hits_on(kB);
        if (r.damage < 0) {
            EXPECT_TRUE(hits.empty()) << r.distance;
            EXPECT_NEAR(body(*b_).shake_amplitude, (1950.0f - r.distance) / 1950.0f, 0.01f);
        } else {
            EXPECT_EQ(hits, (std::vector<std::string>{str_format("100 253 %d", r.damage)})) << r.distance;
        }
        g.alive = 0;
        frames(1);
    }

    // Armour 255 leaves 0.4 of it.
    put(*b_, kOpenA, kFacingZ);
    server_find_player(srv_, kB)->armour = 255;
    grenade& armoured = make(kGrenadeFragTimed, body_at(*b_) + vec3{50.0f, 0.0f, 0.0f});
    frames(2);
    forget_sent();
    grenade_blast_damage(armoured, 650.0f);
    EXPECT_EQ(hits_on(kB), (std::vector<std::string>{"100 253 40"}));
    server_find_player(srv_, kB)->armour = 0;

    // Behind the brick wall (resistance 255) B takes nothing; A, in reach of his own grenade, is hurt.
    put(*b_, kWallSpot, kFacingZ);
    put(*a_, kWallSpot + vec3{500.0f, 0.0f, 0.0f}, kFacingZ);
    grenade& behind = make(kGrenadeFragTimed, body_at(*b_) + vec3{400.0f, 0.0f, 0.0f});
    frames(2);
    lower_body(*b_);
    lower_body(*a_);
    forget_sent();
    grenade_blast_damage(behind, 650.0f);
    EXPECT_TRUE(hits_on(kB).empty());
    EXPECT_EQ(hits_on(kA).size(), 1u);

    // A quiet copy shakes but never hurts.
    put(*b_, kOpenA, kFacingZ);
    grenade& quiet = make(kGrenadeFragTimed, body_at(*b_) + vec3{50.0f, 0.0f, 0.0f}, {}, kA, true);
    frames(2);
    forget_sent();
    body(*b_).shake_amplitude = 0.0f;
    grenade_blast_damage(quiet, 650.0f);
    EXPECT_TRUE(hits_on(kB).empty());
    EXPECT_GT(body(*b_).shake_amplitude, 0.9f);
}

TEST_F(GrenadeGame, GlassInReachBreaksOnceAndAQuietCopyFliesTheSamePathWithoutHarm) {
    const vec3 start = kGlassSpot + vec3{-600.0f, 100.0f, 0.0f};
    const vec3 velocity{700.0f, 100.0f, 0.0f};

    // The network's copy: through the glass unbroken, no hit, nothing sent.
    kv_srand(3);
    grenade_values values;
    values.kind = kGrenadeFragTimed;
    values.model = "beings:nothing";
    values.acceleration = kGravity;
    ASSERT_TRUE(server_add_grenade(srv_, kA, start, velocity, values, 0));
    grenade* quiet = srv_.grenades.back().get();
    std::vector<vec3> quiet_path;
    forget_sent();
    test_call_log().calls.clear();
    forget_effects();
    while (listed(quiet)) {
        frames(1);
        if (listed(quiet)) quiet_path.push_back(quiet->position);
    }
    EXPECT_EQ(made(effect_class::glass_shatter), 0u);
    EXPECT_TRUE(hits_on(kB).empty());
    EXPECT_TRUE(sent("event 2").empty());
    EXPECT_EQ(made(effect_class::explosion), 1u);  // the effect is made everywhere

    // The thrower's own: the same path, the glass breaks once, B is hurt.
    kv_srand(3);
    grenade& mine = make(kGrenadeFragTimed, start, velocity);
    std::vector<vec3> path;
    while (listed(&mine)) {
        frames(1);
        if (listed(&mine)) path.push_back(mine.position);
    }
    ASSERT_EQ(path.size(), quiet_path.size());
    for (std::size_t i = 0; i < path.size(); ++i)
        EXPECT_NEAR(vec3_length(path[i] - quiet_path[i]), 0.0f, 1e-2f) << i;
    EXPECT_EQ(made(effect_class::glass_shatter), 1u);
    EXPECT_EQ(sent("event 2").size(), 1u);
    grenade& again = make(kGrenadeFragTimed, start, velocity);
    run_until_gone(&again);
    EXPECT_EQ(made(effect_class::glass_shatter), 1u);  // the pane is broken already
}

TEST_F(GrenadeGame, KindsEndTheirOwnWay) {
    // A frag-c explodes at its first bounce.
    grenade& contact = make(kGrenadeFragContact, {0.0f, 300.0f, 0.0f}, {0.0f, -100.0f, 0.0f});
    forget_effects();
    const int32_t ms = run_until_gone(&contact);
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(made(effect_class::explosion), 1u);

    // A launcher grenade starts 100 ahead.
    grenade& launched = make(kGrenadeLauncher, {0.0f, 300.0f, 0.0f}, {500.0f, 0.0f, 0.0f});
    frames(1);
    EXPECT_NEAR(launched.arc_start.x, 100.0f, 1e-3f);
    run_until_gone(&launched);

    // The stun grenade's flash.
    forget_effects();
    grenade& stun = make(kGrenadeStun, {0.0f, 300.0f, 500.0f});
    run_until_gone(&stun);
    ASSERT_EQ(made(effect_class::explosion), 1u);
    EXPECT_EQ(last_explosion()->arc_texture, "stun_anim");
    EXPECT_EQ(made(effect_class::smoke), 0u);
    grenade& smoke = make(kGrenadeSmoke, {0.0f, 300.0f, 500.0f});
    run_until_gone(&smoke);
    EXPECT_EQ(made(effect_class::smoke), 1u);
}

TEST_F(GrenadeGame, GrenadesInWaterSinkSlowlyAndOnlyFragsSplash) {
    grenade& frag = make(kGrenadeFragTimed, kPool + vec3{0.0f, 200.0f, 0.0f}, {0.0f, -200.0f, 0.0f});
    frames(2);
    while (listed(&frag) && !frag.in_water) frames(1);
    ASSERT_TRUE(frag.in_water);
    EXPECT_NEAR(frag.speed, 0.1f, 1e-6f);
    EXPECT_NEAR(frag.acceleration.y, -978.0f / 4.0f, 1e-3f);
    EXPECT_NEAR(frag.velocity.y, -1.0f, 1e-6f);
    EXPECT_NEAR(frag.water_point.y, 300.0f, 1e-2f);
    forget_effects();
    const std::size_t impacts = effect_count(kernel_get().graphics, effect_class::impact);
    run_until_gone(&frag);
    EXPECT_EQ(made(effect_class::explosion), 0u);
    EXPECT_GT(effect_count(kernel_get().graphics, effect_class::impact), impacts);

    for (int32_t kind : {kGrenadeSmoke, kGrenadeStun}) {
        grenade& quiet_end = make(kind, kPool + vec3{0.0f, 200.0f, 0.0f}, {0.0f, -200.0f, 0.0f});
        forget_effects();
        run_until_gone(&quiet_end);
        EXPECT_EQ(made(effect_class::explosion), 0u) << kind;
        EXPECT_EQ(made(effect_class::smoke), 0u) << kind;
    }
}

TEST_F(GrenadeGame, KnivesStickInWallsAndFloorsBounceOffCeilingsAndHurtOnce) {
    grenade& floor_knife = make(kGrenadeKabar, {500.0f, 100.0f, 500.0f}, {100.0f, -300.0f, 0.0f});
    frames(40);
    EXPECT_EQ(floor_knife.speed, 0.0f);
    EXPECT_EQ(floor_knife.hit, 1);

    grenade& wall_knife = make(kGrenadeTanto, kWallSpot + vec3{0.0f, 100.0f, 0.0f}, {800.0f, 0.0f, 0.0f});
    frames(40);
    EXPECT_EQ(wall_knife.speed, 0.0f);
    EXPECT_NEAR(wall_knife.arc_start.x, 200.0f, 1.0f);

    grenade& up = make(kGrenadeShovel, kUnderSlab + vec3{0.0f, 100.0f, 0.0f}, {0.0f, 600.0f, 0.0f});
    const float launch = up.launch_speed;
    frames(2);
    while (!up.hit) frames(1);
    EXPECT_NEAR(up.speed, launch * 128.0f / 255.0f * 0.2f, launch * 0.01f);
    EXPECT_LT(up.contact_normal.y, 0.0f);

    // B in armour 102 is struck once for 100 x (1 - 102 / 255 x 0.5) = 80.
    put(*b_, kOpenA, kFacingZ);
    server_find_player(srv_, kB)->armour = 102;
    forget_sent();
    const vec3 chest = mat4_row3(body(*b_).model_root->transform) + vec3{-300.0f, 40.0f, 0.0f};
    grenade& knife = make(kGrenadeKabar, chest, {2000.0f, 0.0f, 0.0f});
    run_until_gone(&knife, 3000);
    EXPECT_FALSE(listed(&knife));
    const std::vector<std::string> hits = hits_on(kB);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_TRUE(hits[0].starts_with("100 ")) << hits[0];
    EXPECT_TRUE(hits[0].ends_with(" 80")) << hits[0];

    // A quiet knife never hurts.
    forget_sent();
    grenade& copy = make(kGrenadeKabar, chest, {2000.0f, 0.0f, 0.0f}, kA, true);
    frames(60);
    EXPECT_TRUE(listed(&copy));
    EXPECT_TRUE(hits_on(kB).empty());
}

TEST_F(GrenadeGame, TheChargeBeepsFasterExplodesAtFortyFiveSecondsOnceAndNotWhenDefused) {
    put(*b_, kOpenA);
    grenade& charge = make(kGrenadeDefusable, body_at(*b_) + vec3{2000.0f, 0.0f, 0.0f});
    frames(2);
    std::vector<int32_t> beeps;  // ms since linked
    int32_t ms = 0;
    int32_t last = timer_elapsed_ms(charge.sound_timer);
    forget_sent();
    forget_effects();
    while (ms < 46000) {
        frames(1);
        ms += 16;
        const int32_t now = timer_elapsed_ms(charge.sound_timer);
        if (now < last && charge.last_sound == "bombeep") beeps.push_back(ms);
        last = now;
    }
    ASSERT_FALSE(beeps.empty());
    auto gap_at = [&](int32_t t) {
        for (std::size_t i = 1; i < beeps.size(); ++i) {
            if (beeps[i] > t) return beeps[i] - beeps[i - 1];
        }
        return -1;
    };
    EXPECT_NEAR(gap_at(9000), 3008, 20);
    EXPECT_NEAR(gap_at(22000), 2000, 20);
    EXPECT_NEAR(gap_at(32000), 1008, 20);
    EXPECT_NEAR(gap_at(37000), 304, 20);
    EXPECT_NEAR(gap_at(42000), 208, 20);  // the same sound never within 200 ms
    EXPECT_EQ(charge.exploded, 1);
    EXPECT_TRUE(listed(&charge));
    ASSERT_EQ(made(effect_class::explosion), 1u);
    EXPECT_EQ(last_explosion()->scale.x, 4.0f);
    EXPECT_GT(body(*b_).shake_amplitude, 0.0f);  // 2000 within three times 2600
    frames(100);
    EXPECT_EQ(made(effect_class::explosion), 1u);

    srv_.hosting = 1;
    grenade& defused = make(kGrenadeDefusable, {0.0f, 0.0f, 0.0f});
    server_grenade_event(srv_, kA, defused.id, true);
    frames(2900, 16);
    EXPECT_TRUE(listed(&defused));
    EXPECT_EQ(defused.exploded, 0);
    EXPECT_EQ(made(effect_class::explosion), 1u);
}

TEST_F(GrenadeGame, ADroppedWeaponFliesBouncesRestsAndIsPickedUp) {
    put(*a_, kOpenA);
    kernel_get().surfaces.rows["concrete10"].restitution = 255;
    arm(*a_, kM4a1);
    frames(30);                                        // the raise plays out: nothing queued
    ASSERT_NE(server_game_state(srv_), kGameRunning);  // outside a running round the drop key drops
    const mat4 world = entity_world_matrix(body(*a_));
    forget_sent();
    press(*a_, kActDrop);
    frames(1);
    release(*a_, kActDrop);
    EXPECT_LT(being_find_weapon_slot(a_->weapons, kM4a1, true), 0) << "no longer held";
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    dropped_weapon& w = *srv_.dropped_weapons.front();
    EXPECT_EQ(w.serial, 0);
    EXPECT_EQ(sent("drop "), (std::vector<std::string>{"drop 100 0"}));
    EXPECT_EQ(w.model_name, "weapons:m4a1_th") << "its third-person model";
    EXPECT_NEAR(vec3_length(w.arc_start - mat4_row3(world)), 80.0f, 1e-2f);
    EXPECT_NEAR(vec3_dot(w.arc_start - mat4_row3(world), mat4_row2(world)), 80.0f, 1e-2f) << "in front";
    float before = w.speed;
    float first = -1.0f;
    for (int i = 0; i < 400 && !w.resting; ++i) {
        frames(1);
        if (first < 0.0f && w.speed < before) first = w.speed;
    }
    EXPECT_NEAR(first, 100.0f, 1e-2f);  // a fifth off a floor of bounce byte 255
    EXPECT_EQ(w.resting, 1);
    EXPECT_EQ(w.alive, 1);

    // B walks onto it: his pick-up step's walk finds it touching his body and takes it.
    const vec3 lying = dropped_weapon_position(w);
    const box3 lying_box = dropped_weapon_bounds(w);
    put(*b_, {lying.x, kEye, lying.z});
    EXPECT_FALSE(box3_disjoint(entity_bounds(body(*b_)), lying_box));
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    const int32_t slot = being_find_weapon_slot(b_->weapons, kM4a1, true);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(sent("pickup "), (std::vector<std::string>{"pickup 5 100 0"}));
}

// The renderer's helpers pass outlines a dropped weapon: its model's box under its node's matrix, in
// green; nothing before its model is resolved.
TEST_F(GrenadeGame, TheHelpersPassOutlinesADroppedWeapon) {
    server_drop_weapon(srv_, kOpenA, {}, 3, 0, 0, "beings:hands-1st", field_, kGravity, 1, 0.0f);
    dropped_weapon& w = *srv_.dropped_weapons.back();
    gfx& g = kernel_get().graphics;
    scoped_recording_driver driver(g);
    view_stack_reset_matrices(g.views);
    dropped_weapon_draw(w);
    EXPECT_TRUE(driver->take_calls().empty());
    frames(1);
    ASSERT_NE(w.model, nullptr);
    dropped_weapon_draw(w);
    const std::vector<std::string> calls = driver->take_calls();
    ASSERT_EQ(calls.size(), 14u);
    EXPECT_EQ(calls[0], "set_colour 0 1 0");
    const box3& box = w.model->box;
    const auto d = [](float v) { return static_cast<double>(v); };
    EXPECT_EQ(calls[2], str_format("draw_line %g %g %g %g %g %g", d(box.max.x), d(box.max.y), d(box.max.z),
                                   d(box.min.x), d(box.max.y), d(box.max.z)));
    EXPECT_EQ(g.views.matrices.size(), 1u) << "the node's matrix is taken off again";
}

TEST_F(GrenadeGame, DroppedWeaponsSinkInWaterAndTakeSerialsRoundTheCounter) {
    server_drop_weapon(srv_, kPool + vec3{0.0f, 100.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, 3, 0, 0, "beings:nothing",
                       field_, kGravity, 1, 100.0f);
    dropped_weapon& w = *srv_.dropped_weapons.back();
    for (int i = 0; i < 100 && w.speed != 0.1f; ++i) frames(1);
    EXPECT_EQ(w.speed, 0.1f);
    EXPECT_NEAR(w.acceleration.y, -978.0f / 4.0f, 1e-3f);
    EXPECT_NEAR(w.velocity.y, -1.0f, 1e-6f);

    server_clear_dropped_weapons(srv_);
    dropped_weapon_reset_serials();
    std::vector<int32_t> serials;
    for (int i = 0; i < 256; ++i) {
        server_drop_weapon(srv_, {}, {}, 3, 0, 0, "", nullptr, kGravity, 1, 0.0f);
        serials.push_back(srv_.dropped_weapons.back()->serial);
    }
    EXPECT_EQ(serials[0], 0);
    EXPECT_EQ(serials[254], 254);
    EXPECT_EQ(serials[255], 0);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(GrenadeGame, UnloadingTheLevelTakesItsGrenadesAndWeaponsWithIt) {
    make(kGrenadeDefusable, {0.0f, 10.0f, 0.0f});
    server_drop_weapon(srv_, {0.0f, 10.0f, 0.0f}, {}, 3, 0, 0, "", field_, kGravity, 1, 0.0f);
    make(kGrenadeSmoke, {0.0f, 10.0f, 0.0f}).in_sector = nullptr;  // in no sector: stays
    frames(3);
    package* level = server_find_package(srv_, srv_.current_level_name);
    ASSERT_NE(level, nullptr);
    package_destroy(srv_, *level);
    EXPECT_EQ(srv_.grenades.size(), 1u);
    EXPECT_TRUE(srv_.dropped_weapons.empty());
}

}  // namespace
}  // namespace kv
