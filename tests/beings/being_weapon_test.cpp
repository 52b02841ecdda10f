// Firing, reloading, sights and hit damage in a headless local game: the game object of the level
// below, the demo "beings" package for the bodies, the fake clock and a seeded random draw. Soldier A
// is the local player 100 (team 0), B bot 5 (team 1) and C bot 6 (team 1), all driven here; what
// they send stays in the client session's queues.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "beings/anim_tables.h"
#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/blast.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "tests/beings/level_meshes.h"
#include "tests/game/kvgame_test_support.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/support/call_log.h"
#include "tests/support/client_capture.h"
#include "tools/beings_writer.h"
#include "tools/targa_writer.h"
#include "ui/gui.h"
#include "ui/kvscreen.h"
#include "ui/widgets/kvstatic.h"
#include "util/text.h"
#include "world/hit_map.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr uint32_t kA = 100;
constexpr uint32_t kB = 5;
constexpr uint32_t kC = 6;
constexpr float kEye = 95.0f;
constexpr int32_t kM4a1 = 0;
constexpr int32_t kM203 = 1;
constexpr int32_t kPsg1 = 28;
constexpr int32_t kSpas12 = 48;
constexpr int32_t kKabar = 52;
constexpr int32_t kHandheld = 61;
constexpr int kSightsTimer = 5;  // the condition's timer the sights run

std::vector<std::string> str_split(const std::string& text, char separator) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == separator) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

// Lanes along +x: z = 2000 behind a pane of resistance 255 at x = 500; z = 3000 behind two panes of
// resistance 0 at x = 300 and 600; z = 4000 behind glass at x = 500.
constexpr float kLaneWall = 2000.0f;
constexpr float kLaneOpen = 3000.0f;
constexpr float kLaneGlass = 4000.0f;

class WeaponGame : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        kv_srand(7);
        surface_table& table = kernel_get().surfaces;
        if (table.rows.empty()) surface_table_build(table);
        surface_material zero = table.rows.at("brick50");
        zero.blast_absorption = 0;
        table.rows["zero"] = zero;
        kernel_get().detail_level = kDetailHigh;
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        write_hit_maps();
        write_data("maps/training", level());
        srv_.load_request = kLoadRequestMenu;
        srv_.snapshot.name = "training";
        server_set_game_package(srv_, "training");
        for (int i = 0; i < 4; ++i) frame();
        g_ = game();
        ASSERT_NE(g_, nullptr) << log();
        ASSERT_EQ(g_->state, kGameObjectRunning) << log();
        a_ = g_->local_being;
        ASSERT_NE(a_, nullptr) << log();
        field_ = static_cast<sector*>(a_->place.sector);
        ASSERT_NE(field_, nullptr) << log();
        dress(*a_);
        being_record(*a_)->team = 0;
        for (uint32_t id : {kB, kC}) {
            player_init(srv_, slot(id, 1));
            server_add_local_player(srv_, id);
        }
        kvgame_sync_beings(*g_);
        b_ = kvgame_find_player(*g_, kB);
        c_ = kvgame_find_player(*g_, kC);
        ASSERT_NE(b_, nullptr);
        ASSERT_NE(c_, nullptr);
        dress(*b_);
        dress(*c_);
        place(*a_, {0.0f, kEye, 0.0f});
        place(*b_, {1000.0f, kEye, 0.0f}, {-1.0f, 0.0f, 0.0f});
        place(*c_, {-2500.0f, kEye, -2500.0f});
        frame();
        test_call_log().calls.clear();
        client_capture_connect(srv_.client);
    }

    void TearDown() override {
        client_capture_take(srv_.client);
        srv_.client.connected = false;
        kernel_get().detail_level = kDetailHigh;
        kernel_get().surfaces.rows.erase("zero");
        for (image8& map : hit_maps()) map = image8();
        headless_game::TearDown();
    }

    std::vector<uint8_t> level() {
        field_level level;
        level.add(level_quad(-6000.0f, 9000.0f, -6000.0f, 6000.0f, 0.0f), "concrete10");
        level.add(pane(500.0f, kLaneWall - 100.0f, kLaneWall + 100.0f), "brick50");
        level.add(pane(300.0f, kLaneOpen - 100.0f, kLaneOpen + 100.0f), "zero");
        level.add(pane(600.0f, kLaneOpen - 100.0f, kLaneOpen + 100.0f), "zero");
        level.add(pane(500.0f, kLaneGlass - 100.0f, kLaneGlass + 100.0f), "glass");
        level.write_field();
        level.w.add_arty("kvstatic_camera", "scam1", tools::token_writer().key("mode:").integer(0).bytes());
        level.w.add_arty("kvlevel", "level", tools::token_writer().key("title:").str("Field").bytes());
        // The demo's screens: the game screen's pictures 0-5 are the sight overlay.
        for (const tools::screen_desc& screen : tools::demo_screens())
            level.w.add_arty("kvscreen", screen.name, screen.parameters);
        // Team 0's download point, 100 units north of (-3000, 0).
        level.w.add_arty("kvgoal", "g-3",
                         tools::token_writer()
                             .key("type:")
                             .str("download")
                             .key("team:")
                             .integer(0)
                             .key("sector:")
                             .str("field")
                             .key("pos:")
                             .number(-3000.0f)
                             .number(kEye)
                             .number(100.0f)
                             .key("min:")
                             .number(-3200.0f)
                             .number(-100.0f)
                             .number(-200.0f)
                             .key("max:")
                             .number(-2800.0f)
                             .number(400.0f)
                             .number(200.0f)
                             .bytes());
        add_field_spawn_points(level.w, kEye);
        return level.w.finish();
    }

    // Zones by rows of 8 x 8: head 16, chest 32, legs 144.
    void write_hit_maps() {
        const std::vector<uint8_t> map = striped_hit_map();
        for (int i = 0; i < 3; ++i) write_data("tex/tga/hitmap" + std::to_string(i) + ".tga", map);
        srv_.texture_dir = "tga/";
        server_load_hit_maps(srv_);
    }

    static player_slot slot(uint32_t id, int32_t team, int32_t state = kSlotPlaying, int32_t cause = 0) {
        player_slot s;
        s.id = id;
        s.name = "p" + std::to_string(id);
        s.team = team;
        s.spawn = 0;
        s.state = state;
        s.health = 100;
        s.cause = cause;
        return s;
    }

    void dress(being& b) {
        being_set_model(b, "beings:soldier", "");
        being_reset_posture(b);
    }

    void place(being& b, const vec3& at, const vec3& forward = {1.0f, 0.0f, 0.0f}) {
        being_set_view(b, at, forward, {0.0f, 1.0f, 0.0f}, field_);
    }

    // The weapon in hand, with its default rounds and magazines.
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

    void frames(int count, int32_t ms = 16) {
        for (int i = 0; i < count; ++i) {
            clock_.advance_ms(ms);
            server_frame(srv_, ms);
        }
    }

    // The hit events queued so far: "attacker victim zone power" each.
    std::vector<std::string> hits() {
        std::vector<std::string> out;
        for (const std::string& line : client_capture_take(srv_.client)) {
            if (line.starts_with("hit ")) out.push_back(line.substr(4, line.rfind(' ') - 4));
            sent_.push_back(line);
        }
        return out;
    }

    std::vector<std::string> sent(const std::string& prefix) {
        for (std::string& line : client_capture_take(srv_.client)) sent_.push_back(std::move(line));
        std::vector<std::string> out;
        for (const std::string& line : sent_) {
            if (line.starts_with(prefix)) out.push_back(line);
        }
        return out;
    }

    // One shot of that many values from the point along +x, applied at once.
    void shoot(uint32_t owner, const vec3& from, float inner, float penetration, float range, float outer) {
        blast b;
        const float values[kBlastValues] = {inner, penetration, range, outer, 0.0f};
        blast_create(b, owner, from, {1.0f, 0.0f, 0.0f}, values);
        blast_apply(b, field_);
    }

    entity& body(being& b) { return *server_entity_find(srv_, b.name); }

    // B's chest (20 to 45 above his body's root, which stands at his view) across A's muzzle line,
    // that far on; facing +z, the demo body's quads face the shot. Keep gravity off meanwhile.
    void b_across_the_muzzle(float distance) {
        const vec3 muzzle = body(*a_).position;
        place(*b_, {muzzle.x + distance, muzzle.y - 30.0f, muzzle.z}, {0.0f, 0.0f, 1.0f});
        frames(3);
    }

    kvgame* g_ = nullptr;
    being* a_ = nullptr;
    being* b_ = nullptr;
    being* c_ = nullptr;
    sector* field_ = nullptr;
    std::vector<std::string> sent_;
};

TEST_F(WeaponGame, OneRoundOfTheM4a1ReachesBWith57BeforeArmourAndTheDyingSlotPlaysHisDeath) {
    zero_gravity still;
    weapon_slot& m4 = arm(*a_, kM4a1);
    frames(3);
    // B's chest (20 to 45 above his body's root, which stands at his view) across the muzzle's line,
    // 1,000 units on; facing +z, the demo body's quads face the shot.
    const vec3 muzzle = body(*a_).position;
    place(*b_, {muzzle.x + 1000.0f, muzzle.y - 30.0f, muzzle.z}, {0.0f, 0.0f, 1.0f});
    frames(3);
    hits();
    const int32_t rounds = m4.rounds;
    press(*a_, 37);
    // The press arms the shot on the body; the round goes once the animation passed frame 0.
    std::vector<std::string> seen;
    for (int i = 0; i < 10 && seen.empty(); ++i) {
        frames(1);
        seen = hits();
    }
    release(*a_, 37);
    frames(2);
    ASSERT_EQ(seen.size(), 1u) << log();
    EXPECT_EQ(m4.rounds, rounds - 1);
    const std::vector<std::string> words = str_split(seen[0], ' ');
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[0], "100");
    EXPECT_EQ(words[1], "5");
    EXPECT_TRUE(words[2] == "16" || words[2] == "32" || words[2] == "144") << words[2];
    EXPECT_EQ(words[3], "57");
    // Released: no more shots, whatever the animation does.
    frames(30);
    EXPECT_TRUE(hits().empty());
    EXPECT_EQ(m4.rounds, rounds - 1);
    EXPECT_EQ(body(*a_).blast.ammo, nullptr);

    // The game server's slot turns B dying with cause 1: his death plays.
    player_init(srv_, slot(kB, 1, kSlotDying, 1));
    kvgame_sync_beings(*g_);
    EXPECT_EQ(b_->dying, 1);
    EXPECT_EQ(body(*b_).channels[0].animation, being_death_slots(kStateStill, 1).lower);
    EXPECT_EQ(body(*b_).channels[1].animation, being_death_slots(kStateStill, 1).upper);
}

TEST_F(WeaponGame, ShotsWearThroughWallsAndSoldiersAndHurtByDistanceAndArmour) {
    being_record(*c_)->armour = 0;
    struct shot_case {
        const char* what;
        vec3 shooter;     // where A stands (the shot leaves from his eye)
        vec3 b_at, c_at;  // where B and C stand
        float penetration;
        int32_t armour;  // B's
        std::vector<std::string> expected;
    };
    const vec3 far{-5000.0f, kEye, -5000.0f};
    const vec3 farther{-5000.0f, kEye, 5000.0f};
    const shot_case cases[] = {
        // 255 gathers 10 > 1: nothing behind the wall is hurt.
        {"wall", {0.0f, kEye, kLaneWall}, {1000.0f, kEye, kLaneWall}, far, 1.0f, 0, {}},
        // Resistance 0 passes everything.
        {"open", {0.0f, kEye, kLaneOpen}, {1000.0f, kEye, kLaneOpen}, far, 1.0f, 0, {"100 5 200"}},
        // Through B, C takes 0.8 of what the distance leaves: 200 x 0.8.
        {"two",
         {0.0f, kEye, 0.0f},
         {1000.0f, kEye, 0.0f},
         {1000.0f + 60.0f, kEye, 0.0f},
         4.0f,
         0,
         {"100 5 200", "100 6 160"}},
        {"armour 102", {0.0f, kEye, kLaneOpen}, {1000.0f, kEye, kLaneOpen}, far, 1.0f, 102, {"100 5 200"}},
        // 0.4 of 200 in floats, truncated.
        {"armour 255", {0.0f, kEye, kLaneOpen}, {1000.0f, kEye, kLaneOpen}, far, 1.0f, 255, {"100 5 79"}},
        // The shot starts inside A's own body: he is neither hurt nor wears it.
        {"shooter", {0.0f, kEye, 0.0f}, {1000.0f, kEye, 0.0f}, farther, 1.0f, 0, {"100 5 200"}},
    };
    for (const shot_case& c : cases) {
        SCOPED_TRACE(c.what);
        // Facing +z the demo bodies' quads face the shot.
        place(*b_, c.b_at, {0.0f, 0.0f, 1.0f});
        place(*c_, c.c_at, {0.0f, 0.0f, 1.0f});
        place(*a_, c.shooter, {0.0f, 0.0f, 1.0f});
        being_record(*b_)->armour = static_cast<uint8_t>(c.armour);
        frames(3);
        hits();
        // At the chest, from just behind the shooter's body; 20 all the way to the range: the distance
        // changes nothing.
        const vec3 from{c.shooter.x - 20.0f, being_position(*a_).y + 30.0f, c.shooter.z};
        shoot(kA, from, 20.0f, c.penetration, 5000.0f, 20.0f);
        std::vector<std::string> got;
        for (const std::string& h : hits()) {
            const std::vector<std::string> w = str_split(h, ' ');
            got.push_back(w[0] + " " + w[1] + " " + w[3]);
        }
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(WeaponGame, GlassBreaksOnceAndOtherSurfacesTakeImpacts) {
    const gfx& g = kernel_get().graphics;
    const std::size_t before = effect_count(g, effect_class::glass_shatter);
    shoot(kA, {0.0f, 50.0f, kLaneGlass}, 5.0f, 100.0f, 5000.0f, 5.0f);
    EXPECT_EQ(effect_count(g, effect_class::glass_shatter), before + 1);
    // Broken: the next shot passes without a second shatter.
    shoot(kA, {0.0f, 50.0f, kLaneGlass}, 5.0f, 100.0f, 5000.0f, 5.0f);
    EXPECT_EQ(effect_count(g, effect_class::glass_shatter), before + 1);
}

TEST(BlastDamage, FallsFromInnerToOuterThenToNothingPastTheRange) {
    struct damage_case {
        float inner, outer, range, distance, expected;
    };
    const damage_case cases[] = {
        {7.0f, 3.5f, 5000.0f, 0.0f, 7.0f},
        {7.0f, 3.5f, 5000.0f, 2500.0f, 5.25f},
        {7.0f, 3.5f, 5000.0f, 5000.0f, 3.5f},
        {7.0f, 3.5f, 5000.0f, 6250.0f, 1.75f},
        {7.0f, 3.5f, 5000.0f, 7500.0f, 0.0f},
        {7.0f, 3.5f, 5000.0f, 7600.0f, 0.001f},
        // A shell's pellet (fall-off 4): just past the range it goes on from 0.4 A, falling.
        {1.0f, 0.4f, 2000.0f, 2000.0f, 0.4f},
        {1.0f, 0.4f, 2000.0f, 2001.0f, 0.4f * (1.0f - 1.0f / 2500.0f)},
        {1.0f, 0.4f, 2000.0f, 3250.0f, 0.2f},
    };
    for (const damage_case& c : cases) {
        blast b;
        const float values[kBlastValues] = {c.inner, 1.0f, c.range, c.outer, 0.0f};
        blast_create(b, 1, {}, {0.0f, 0.0f, 2.0f}, values);
        EXPECT_NEAR(blast_damage_at(b, c.distance), c.expected, 1e-5f) << c.distance;
    }
}

TEST_F(WeaponGame, FiringEmptyReloadingAndRoundByRound) {
    weapon_slot& m4 = arm(*a_, kM4a1);
    frames(3);
    // Empty: state 31 and no shot.
    m4.rounds = 0;
    m4.magazines = 0;
    EXPECT_TRUE(being_weapon_action(*a_, true, 37));
    EXPECT_EQ(a_->action_state, 31);
    frames(6);
    EXPECT_EQ(a_->action_state, 0);
    EXPECT_EQ(body(*a_).blast.ammo, nullptr);
    EXPECT_TRUE(hits().empty());
    // Reload without spare magazines does nothing.
    press(*a_, 40);
    frames(6);
    EXPECT_EQ(m4.rounds, 0);
    EXPECT_EQ(a_->action_state, 0);
    // With one: a full magazine.
    m4.magazines = 1;
    press(*a_, 40);
    frames(6);
    EXPECT_EQ(m4.rounds, m4.capacity);
    EXPECT_EQ(m4.magazines, 0);

    // Round by round with a full magazine: straight back to 0.
    weapon_slot& spas = arm(*a_, kSpas12);
    // The reload plays out, and the ready pose queued behind it.
    for (int i = 0;
         i < 400 && (entity_channel_has_next(body(*a_), 1) || entity_channel_has_next(body(*a_), 0) ||
                     entity_channel_has_next(*server_entity_find(srv_, a_->view_model_name), 0));
         ++i)
        frames(1);
    spas.rounds = spas.capacity;
    const int32_t magazines = spas.magazines;
    being_weapon_action(*a_, true, 40);
    EXPECT_EQ(a_->action_state, 32);
    frames(1);
    EXPECT_EQ(a_->action_state, 0);
    EXPECT_EQ(spas.magazines, magazines);
    // Two short: the rounds go in one by one.
    spas.rounds = spas.capacity - 2;
    being_weapon_action(*a_, true, 40);
    for (int i = 0; i < 400 && a_->action_state != 0; ++i) frames(1);
    EXPECT_EQ(a_->action_state, 0);
    EXPECT_EQ(spas.rounds, spas.capacity);
    EXPECT_EQ(spas.magazines, magazines - 1);
}

TEST_F(WeaponGame, TheLauncherCarriesItsStateInItsSign) {
    weapon_slot& m203 = arm(*a_, kM203);
    frames(3);
    const int32_t rounds = m203.rounds;
    for (int32_t start : {1, 4}) {
        SCOPED_TRACE(start);
        m203.launcher_rounds = start;
        being_weapon_action(*a_, true, 39);
        EXPECT_EQ(a_->action_state, 28);
        frames(1);
        EXPECT_EQ(body(*a_).throw_trigger.armed, 1);
        EXPECT_EQ(body(*a_).throw_trigger.values.kind, 9);
        being_weapon_action(*a_, false, 39);
        frames(60);
        EXPECT_EQ(m203.launcher_rounds, start == 1 ? 0 : -4);
        // The launcher's round spends no magazine round.
        EXPECT_EQ(m203.rounds, rounds);
    }
    // -4: the next Fire3 reloads it to 3.
    being_weapon_action(*a_, true, 39);
    EXPECT_EQ(a_->action_state, 35);
    frames(2);
    EXPECT_EQ(m203.launcher_rounds, 3);
}

TEST_F(WeaponGame, PelletsFollowTheDetailLevel) {
    arm(*a_, kSpas12);
    frames(3);
    struct detail_case {
        int32_t detail, pellets;
    };
    for (const detail_case c : {detail_case{kDetailHigh, 12}, {kDetailMedium, 6}, {kDetailLow, 1}}) {
        kernel_get().detail_level = c.detail;
        being_fire_shot(*a_);
        EXPECT_EQ(body(*a_).blast.pellets, c.pellets);
    }
}

TEST_F(WeaponGame, OneShotWeaponsFireOncePerPressAutomaticOnesPerCycleUntilReleaseOrDeath) {
    zero_gravity still;
    weapon_slot& m4 = arm(*a_, kM4a1);
    frames(3);
    b_across_the_muzzle(1000.0f);
    m4.rounds = 30;
    // Automatic: held for two seconds, several shots; none after the release.
    // Automatic: held for two seconds, a shot (a round) each cycle of the shot animation; none after
    // the release.
    press(*a_, 37);
    frames(125);
    EXPECT_FALSE(hits().empty());
    const int32_t after_hold = m4.rounds;
    EXPECT_LT(after_hold, 28);
    release(*a_, 37);
    frames(125);
    EXPECT_EQ(m4.rounds, after_hold);
    EXPECT_TRUE(hits().empty());
    // Fire mode 2: one shot however long it is held.
    m4.fire_mode = 2;
    press(*a_, 37);
    frames(125);
    EXPECT_EQ(m4.rounds, after_hold - 1);
    release(*a_, 37);
    frames(20);
    // Held by a soldier who dies: no more shots.
    m4.fire_mode = 0;
    press(*a_, 37);
    frames(20);
    being_die(*a_, 0);
    const int32_t at_death = m4.rounds;
    frames(125);
    EXPECT_EQ(m4.rounds, at_death);
    EXPECT_EQ(body(*a_).blast.ammo, nullptr);
}

TEST_F(WeaponGame, FireWithABladeArmsTheStrikeOnBothModels) {
    zero_gravity still;
    being_set_view_mode(*a_, 1);
    arm(*a_, kKabar);
    frames(5);
    // Fire with the blade arms the strike (frame trigger 2, kind 0, frame 0) on both models: the drawn
    // one strikes. No shot and no throw.
    press(*a_, 37);
    frames(1);
    EXPECT_EQ(a_->action_state, 27);
    for (const std::string& name : {a_->name, a_->view_model_name}) {
        const entity& e = *server_entity_find(srv_, name);
        EXPECT_EQ(e.triggers[2].kind, kTriggerStrike) << name;
        EXPECT_EQ(e.triggers[2].frame, 0) << name;
    }
    EXPECT_EQ(body(*a_).blast.ammo, nullptr);
    EXPECT_EQ(body(*a_).throw_trigger.armed, 0);
    release(*a_, 37);
    frames(60);
    // The swing passes: no shot was queued and no round spent.
    EXPECT_TRUE(hits().empty());
}

// The strike runs from A's hand (attachment point 0) along its x axis, which on the demo body points
// to A's side. B stands there facing A's way, his weapon arm across that line 26 units on, his root 46
// units on and 27 off the line: within the blade's reach (sqrt(1500), about 39).
TEST_F(WeaponGame, AKnifeStrikeHitsBOnceFor80) {
    zero_gravity still;
    being_set_view_mode(*a_, 1);
    arm(*a_, kKabar);
    frames(5);
    entity& blade = body(*a_);
    mat4 point;
    entity_attachment_matrix(blade, point, kTriggerStrike);
    const mat4 strike = mat4_mul(blade.model_root->transform, point);
    const vec3 from = mat4_row3(strike);
    const vec3 along = mat4_row0(strike);
    place(*b_, {from.x + along.x * 50.0f, kEye, from.z + along.z * 50.0f}, {1.0f, 0.0f, 0.0f});
    frames(3);
    hits();
    press(*a_, 37);
    frames(1);
    release(*a_, 37);
    frames(60);
    const std::vector<std::string> seen = hits();
    ASSERT_EQ(seen.size(), 1u) << log();
    const std::vector<std::string> words = str_split(seen[0], ' ');
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[0], "100");
    EXPECT_EQ(words[1], "5");
    EXPECT_TRUE(words[2] == "16" || words[2] == "32" || words[2] == "144") << words[2];
    EXPECT_EQ(words[3], "80");
}

TEST_F(WeaponGame, ScopeZoomGrowsWhileHeldAndTheOverlayFollowsThroughTheGameCommands) {
    arm(*a_, kPsg1);
    frames(20);
    srv_.snapshot.flags &= ~kGameSightsFlag;
    // The overlay is the game screen's pictures 0-5, shown while the camera follows A.
    gui_show_screen(*g_, kScreenGame, false);
    ASSERT_NE(g_->bound_camera, nullptr);
    kvbound_camera_attach(*g_->bound_camera, a_);
    kvscreen* scr = g_->gui.screens[kScreenGame];
    ASSERT_NE(scr, nullptr) << log();
    auto picture = [&](int32_t i) -> kvstatic& { return *kvscreen_picture(*scr, i); };
    // "g_sights 2 hud_sghts4 hud_sghts4": the psg1's scope picture and its four edge strips.
    auto expect_scope = [&](const char* when) {
        EXPECT_FALSE(picture(1).visible) << when;
        for (int32_t i : {0, 2, 3, 4, 5}) {
            EXPECT_EQ(picture(i).texture_name, "hud_sghts4") << when << " " << i;
            EXPECT_TRUE(picture(i).visible) << when << " " << i;
        }
    };
    test_call_log().calls.clear();
    press(*a_, 38);
    frames(1);
    EXPECT_EQ(a_->sights, 1);
    EXPECT_EQ(a_->sight_step, 1);
    expect_scope("raised");
    EXPECT_EQ(a_->condition.running[kSightsTimer], 1);
    EXPECT_FALSE(kernel_get().graphics.switches.first_person);  // no first-person weapon through the sights
    // Held: from 0 toward 80 %, at 0.08 % a millisecond.
    frames(25);
    EXPECT_GT(a_->zoom, 20.0f);
    EXPECT_LT(a_->zoom, 80.0f);
    frames(100);
    EXPECT_GE(a_->zoom, 80.0f);
    EXPECT_LT(a_->zoom, 82.0f);
    const float zoom = a_->zoom;
    release(*a_, 38);
    frames(5);
    EXPECT_EQ(a_->sight_step, 2);
    EXPECT_EQ(a_->zoom, zoom);
    // A change of weapon while they are up: "wpn_sights" shows the overlay again.
    for (int32_t i = 0; i <= 5; ++i) kvstatic_set_visible(picture(i), false);
    being_sights_update(*a_);
    frames(1);
    expect_scope("after wpn_sights");
    // Down again.
    press(*a_, 38);
    frames(1);
    EXPECT_EQ(a_->sights, 0);
    EXPECT_EQ(a_->zoom, 0.0f);
    EXPECT_EQ(a_->condition.running[kSightsTimer], 0);
    EXPECT_TRUE(kernel_get().graphics.switches.first_person);
    // "g_sights ": the overlay goes.
    for (int32_t i = 0; i <= 5; ++i) EXPECT_FALSE(picture(i).visible) << i;
}

// A weapon change that waited for the holster animation takes the sights of the weapon put away down;
// the models of the current slot are dressed and the change is done.
TEST_F(WeaponGame, AChangeThatWaitedForTheHolsterLowersTheSights) {
    arm(*a_, kPsg1);
    frames(20);
    press(*a_, 38);
    frames(1);
    release(*a_, 38);
    frames(1);
    ASSERT_EQ(a_->sights, 1);
    struct change_case {
        uint8_t holster;
        uint8_t sights_after;
    };
    for (const change_case c : {change_case{0, 1}, change_case{1, 0}}) {
        a_->weapon_change_pending = 1;
        a_->change_with_holster = c.holster;
        frames(1);
        EXPECT_EQ(a_->weapon_change_pending, 0) << int{c.holster};
        EXPECT_EQ(a_->sights, c.sights_after) << int{c.holster};
    }
    EXPECT_TRUE(kernel_get().graphics.switches.first_person);
    EXPECT_EQ(a_->zoom, 0.0f);
}

TEST_F(WeaponGame, ChargesAreDefusedAfterFiveOrFifteenSecondsWhileLookedAt) {
    // A charge of team 1 199 units away, 44 degrees off A's forward axis.
    const float angle = 44.0f * std::numbers::pi_v<float> / 180.0f;
    const vec3 at{199.0f * std::cos(angle), kEye, 199.0f * std::sin(angle)};
    auto add_charge = [&](int32_t id, int32_t team) {
        auto g = std::make_unique<grenade>();
        g->owner = kB;
        g->kind = kGrenadeDefusable;
        g->id = id;
        g->team = team;
        g->position = at;
        srv_.grenades.push_back(std::move(g));
        return srv_.grenades.back().get();
    };
    struct defuse_case {
        int32_t weapon;
        int32_t seconds;
    };
    int32_t id = 0;
    for (const defuse_case c : {defuse_case{kHandheld, 5}, {kM4a1, 15}}) {
        SCOPED_TRACE(c.weapon);
        arm(*a_, c.weapon);
        frames(5);
        srv_.grenades.clear();
        grenade* own = add_charge(100, 0);  // A's own team's: never offered
        grenade* charge = add_charge(++id, 1);
        sent("defused");
        sent_.clear();
        a_->command44 = 1;
        timer_restart(a_->command44_timer);
        EXPECT_TRUE(being_check_defuse(*a_));
        clock_.advance_ms(c.seconds * 1000 - 100);
        EXPECT_TRUE(being_check_defuse(*a_));
        EXPECT_EQ(charge->defused, 0);
        EXPECT_GT(a_->check_progress, 0.9f);
        clock_.advance_ms(100);
        EXPECT_TRUE(being_check_defuse(*a_));
        EXPECT_EQ(charge->defused, 1);
        EXPECT_EQ(own->defused, 0);
        EXPECT_EQ(sent("defused"), (std::vector<std::string>{str_format("defused 5 %d", id)}));
        // Done: it counts no more.
        EXPECT_FALSE(being_check_defuse(*a_));
    }
    // Looking away at 14 s starts the count again.
    srv_.grenades.clear();
    grenade* charge = add_charge(++id, 1);
    timer_restart(a_->command44_timer);
    clock_.advance_ms(14000);
    place(*a_, {0.0f, kEye, 0.0f}, {-1.0f, 0.0f, 0.0f});
    EXPECT_TRUE(being_check_defuse(*a_));
    place(*a_, {0.0f, kEye, 0.0f});
    clock_.advance_ms(2000);
    EXPECT_TRUE(being_check_defuse(*a_));
    EXPECT_EQ(charge->defused, 0);
    // Holding Use with nothing in reach, then facing the charge, starts from nothing too.
    srv_.grenades.clear();
    clock_.advance_ms(20000);
    EXPECT_FALSE(being_check_defuse(*a_));
    EXPECT_FALSE(being_check_download(*a_));
    charge = add_charge(++id, 1);
    EXPECT_TRUE(being_check_defuse(*a_));
    EXPECT_EQ(charge->defused, 0);
    EXPECT_LT(a_->check_progress, 0.01f);
}

TEST_F(WeaponGame, TheDownloadGoalIsReportedOnceEveryTenSecondsWhileLookedAt) {
    arm(*a_, kHandheld);
    place(*a_, {-3000.0f, kEye, 0.0f}, {0.0f, 0.0f, 1.0f});
    frames(3);
    sent("goal");
    sent_.clear();
    timer_restart(a_->command44_timer);
    EXPECT_TRUE(being_check_download(*a_));
    clock_.advance_ms(9900);
    EXPECT_TRUE(being_check_download(*a_));
    EXPECT_TRUE(sent("goal").empty());
    clock_.advance_ms(100);
    EXPECT_TRUE(being_check_download(*a_));
    EXPECT_EQ(sent("goal"), (std::vector<std::string>{"goal download 100 0"}));
    clock_.advance_ms(9000);
    EXPECT_TRUE(being_check_download(*a_));
    EXPECT_EQ(sent("goal").size(), 1u);
    clock_.advance_ms(1000);
    EXPECT_TRUE(being_check_download(*a_));
    EXPECT_EQ(sent("goal").size(), 2u);
    // Looking away starts the count again.
    clock_.advance_ms(9000);
    place(*a_, {-3000.0f, kEye, 0.0f}, {0.0f, 0.0f, -1.0f});
    EXPECT_TRUE(being_check_download(*a_));
    place(*a_, {-3000.0f, kEye, 0.0f}, {0.0f, 0.0f, 1.0f});
    clock_.advance_ms(2000);
    EXPECT_TRUE(being_check_download(*a_));
    EXPECT_EQ(sent("goal").size(), 2u);
    // Without the handheld item: nothing.
    arm(*a_, kM4a1);
    EXPECT_FALSE(being_check_download(*a_));
}

TEST_F(WeaponGame, BWalksOntoADroppedWeaponAndGetsItWithItsRoundsAndMagazines) {
    // B carries nothing but his hands.
    being_give_weapon(*b_, kWeaponAll);
    being_give_weapon(*b_, kWeaponHands);
    frames(2);
    dropped_weapon_values values;
    values.arc_start = being_position(*b_);
    values.id = 7;
    values.values[0] = kPsg1;
    values.values[1] = 3;
    values.values[2] = 2;
    values.model_name = "weapons:psg1_th";
    server_drop_weapon(srv_, values, field_);
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    const uint8_t serial = srv_.dropped_weapons.front()->serial;
    sent("pickup");
    sent_.clear();
    frames(2);
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    const int32_t i = being_find_weapon_slot(b_->weapons, kPsg1, true);
    ASSERT_GE(i, 0);
    EXPECT_EQ(b_->weapons.slots[i].rounds, 3);
    EXPECT_EQ(b_->weapons.slots[i].magazines, 2);
    EXPECT_EQ(sent("pickup"), (std::vector<std::string>{str_format("pickup 5 7 %u", serial)}));
    // The goal item only for a team the goal accepts: there is no goal here, so it stays.
    values.values[0] = kWeaponGoalItem;
    values.id = 1;
    server_drop_weapon(srv_, values, field_);
    frames(2);
    EXPECT_EQ(srv_.dropped_weapons.size(), 1u);
    EXPECT_EQ(b_->carried_goal, -1);
}

TEST_F(WeaponGame, TheRecordBlockReproducesInputsMarksChannelsAndAimOnAnotherBeing) {
    a_->held = kHoldForward | kHoldStepLeft | kHoldWalk;
    a_->surface_marks[0] = 3;
    a_->surface_marks[1] = 7;
    a_->pitch = 0.25f;
    frames(3);
    a_->held = kHoldForward | kHoldStepLeft | kHoldWalk;
    being_store_anim_state(*a_);
    const player_state st = being_record(*a_)->state_record;
    EXPECT_EQ(st.bytes[0], 0x01 | 0x02 | 0x04);
    being_apply_anim_state(*c_, st.groups, st.second_angle);
    being_apply_remote_inputs(*c_, st.bytes);
    EXPECT_EQ(c_->held, kHoldForward | kHoldStepLeft | kHoldWalk);
    EXPECT_EQ(c_->surface_marks[0], 3);
    EXPECT_EQ(c_->surface_marks[1], 7);
    EXPECT_FLOAT_EQ(c_->aim_angle, 0.25f);
    entity_channel_state mine, theirs;
    server_entity_select(srv_, a_->name);
    server_entity_get_channel_state(srv_, mine);
    server_entity_select(srv_, c_->name);
    server_entity_get_channel_state(srv_, theirs);
    server_entity_deselect(srv_);
    EXPECT_EQ(theirs.animation, mine.animation);
    // Marks without a row of the surface table name nothing.
    const uint8_t bad[3] = {0, 200, 254};
    being_apply_remote_inputs(*c_, bad);
    EXPECT_EQ(c_->surface_marks[0], kSurfaceWireNone);
    EXPECT_EQ(c_->surface_marks[1], kSurfaceWireNone);
}

}  // namespace
}  // namespace kv
