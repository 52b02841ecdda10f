// Firing in a headless local game: shots resolved through walls and bodies, the weapon action states,
// the sights and the record block. The level is one field with walls in lanes along +x; the demo
// "beings" package gives the bodies; player 100 (the local player) and bots 5 and 6 are driven here.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <cmath>
#include <memory>
#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/blast.h"
#include "beings/grenade.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "kernel/kernel.h"
#include "kernel/neighbour_standins.h"
#include "net/player_state.h"
#include "platform/random.h"
#include "tests/game/kvgame_test_support.h"
#include "tools/beings_writer.h"
#include "tools/targa_writer.h"
#include "util/text.h"
#include "world/hit_map.h"
#include "world/sector.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr uint32_t kShooter = 100;
constexpr uint32_t kBot = 5;
constexpr uint32_t kSecondBot = 6;
constexpr float kEye = 95.0f;
// The demo body's chest above its model's root; its quads face along x when it faces +z.
constexpr float kChestBone = 30.0f;
// Lanes along +x: clear, a wall of resistance 255 at x 500, one of "wood10" (which a test sets to 0),
// and a pane of glass.
constexpr float kClearLane = 0.0f;
constexpr float kHardLane = -1000.0f;
constexpr float kSoftLane = 1000.0f;
constexpr float kGlassLane = 2000.0f;
constexpr float kStepHeight = 40.0f;

box3 box_of(const vec3& lo, const vec3& hi) {
    box3 b;
    box3_init(b, lo, hi);
    return b;
}

tools::mesh_desc level_quad(float x0, float x1, float z0, float z1, float y) {
    tools::mesh_desc m;
    m.box = box_of({x0, y, z0}, {x1, y, z1});
    m.vertices = {
        {x0, y, z0, 0.0f, 0.0f}, {x1, y, z0, 1.0f, 0.0f}, {x1, y, z1, 1.0f, 1.0f}, {x0, y, z1, 0.0f, 1.0f}};
    tools::mesh_desc::part part;
    part.indices = {0, 2, 1, 0, 3, 2};
    part.draws = {{0, 2, 0}};
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

// A closed box of twelve triangles, faces outwards.
tools::mesh_desc box_mesh(const vec3& lo, const vec3& hi) {
    tools::mesh_desc m;
    m.box = box_of(lo, hi);
    for (int i = 0; i < 8; ++i) {
        m.vertices.push_back({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z,
                              (i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f});
    }
    tools::mesh_desc::part part;
    part.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                    2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    part.draws = {{0, 12, 0}};
    m.parts = {part};
    m.tree = {{m.box, 8, 0}};
    return m;
}

// A two-sided pane in the plane x = x0, 400 high.
tools::mesh_desc pane(float x0, float z0, float z1) {
    tools::mesh_desc m;
    m.box = box_of({x0, 0.0f, z0}, {x0, 400.0f, z1});
    m.vertices = {{x0, 0.0f, z0, 0.0f, 0.0f},
                  {x0, 400.0f, z0, 1.0f, 0.0f},
                  {x0, 400.0f, z1, 1.0f, 1.0f},
                  {x0, 0.0f, z1, 0.0f, 1.0f}};
    tools::mesh_desc::part part;
    part.indices = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2};
    part.draws = {{0, 4, 0}};
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

class WeaponGame : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
        kernel_get().detail_level = kDetailHigh;
        kv_srand(7);
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        write_hit_maps();
        write_data("maps/range", level());
        srv_.load_request = kLoadRequestMenu;
        srv_.snapshot.name = "range";
        server_set_game_package(srv_, "range");
        for (int i = 0; i < 4; ++i) frame();
        g_ = game();
        ASSERT_NE(g_, nullptr) << log();
        shooter_ = g_->local_being;
        ASSERT_NE(shooter_, nullptr) << log();
        field_ = static_cast<sector*>(shooter_->place.sector);
        ASSERT_NE(field_, nullptr);
        being_record(*shooter_)->team = 0;
        dress(*shooter_);
        for (uint32_t id : {kBot, kSecondBot}) {
            player_init(srv_, slot(id, 1));
            server_add_local_player(srv_, id);
        }
        kvgame_sync_beings(*g_);
        bot_ = kvgame_find_player(*g_, kBot);
        second_ = kvgame_find_player(*g_, kSecondBot);
        ASSERT_NE(bot_, nullptr);
        ASSERT_NE(second_, nullptr);
        dress(*bot_);
        dress(*second_);
        place(*shooter_, {0.0f, kEye, kClearLane}, {0.0f, 0.0f, 1.0f});
        place(*bot_, {1000.0f, kEye, kClearLane}, {0.0f, 0.0f, 1.0f});
        place(*second_, {1500.0f, kEye, kClearLane}, {0.0f, 0.0f, 1.0f});
        for (int i = 0; i < 3; ++i) frame();
        standins().calls.clear();
    }

    void TearDown() override {
        kernel_get().detail_level = kDetailHigh;
        for (image8& map : hit_maps()) map = image8();
        headless_game::TearDown();
    }

    std::vector<uint8_t> level() {
        tools::package_writer w;
        auto& q = w.qxps();
        w.add_import(tools::kDemoBeingsPackage);
        w.add_surface("paint");
        std::vector<int32_t> meshes;
        int n = 0;
        auto add = [&](const tools::mesh_desc& m, const char* material) {
            const std::string name = "g" + std::to_string(n++);
            tools::add_geometry(w, {name, m.box, {tools::add_mesh(q, m)}, {}});
            meshes.push_back(tools::add_mesh_instance(q, {{}, name, "paint", material, 0}));
        };
        add(level_quad(-3000.0f, 3000.0f, -3000.0f, 3000.0f, 0.0f), "concrete10");
        add(pane(500.0f, kHardLane - 100.0f, kHardLane + 100.0f), "brick50");
        add(pane(500.0f, kSoftLane - 100.0f, kSoftLane + 100.0f), "wood10");
        add(pane(500.0f, kGlassLane - 100.0f, kGlassLane + 100.0f), "glass");
        // A step that raises a soldier's chest to a standing soldier's muzzle.
        add(box_mesh({700.0f, 0.0f, -2800.0f}, {1200.0f, kStepHeight, -2200.0f}), "concrete10");
        tools::sector_desc field;
        field.name = "field";
        field.meshes = meshes;
        tools::add_sector(w, field);
        w.add_arty("kvgame", "game", tools::token_writer().key("cb:").integer(33).bytes());
        w.add_arty("kvbound_camera", "cam", {});
        w.add_arty("kvstatic_camera", "scam1", tools::token_writer().key("mode:").integer(0).bytes());
        w.add_arty("kvlevel", "level", tools::token_writer().key("title:").str("Range").bytes());
        for (int i = 0; i < 2; ++i) {
            w.add_arty("kvspawn_point", "sp" + std::to_string(i),
                       tools::token_writer()
                           .key("sector:")
                           .str("field")
                           .key("posx:")
                           .number(-500.0f * static_cast<float>(i))
                           .key("posy:")
                           .number(kEye)
                           .bytes());
        }
        return w.finish();
    }

    void write_hit_maps() {
        tools::targa8_desc map;
        map.width = map.height = 8;
        for (int i = 0; i < 64; ++i) map.texels.push_back(32);
        for (int i = 0; i < 3; ++i)
            write_data("tex/tga/hitmap" + std::to_string(i) + ".tga", tools::targa8(map));
        srv_.texture_dir = "tga/";
        server_load_hit_maps(srv_);
    }

    static player_slot slot(uint32_t id, int32_t team, int32_t state = kSlotPlaying, int32_t cause = 0) {
        player_slot s;
        s.cause = cause;
        s.id = id;
        s.name = "p" + std::to_string(id);
        s.team = team;
        s.state = state;
        s.health = 100;
        return s;
    }

    void dress(being& b) {
        being_set_model(b, "beings:soldier", "");
        being_reset_posture(b);
    }

    void place(being& b, const vec3& at, const vec3& forward = {1.0f, 0.0f, 0.0f}) {
        being_set_view(b, at, forward, {0.0f, 1.0f, 0.0f}, field_);
    }

    void command(being& b, int32_t code) { being_record(b)->commands.push_back(static_cast<int16_t>(code)); }

    // Amounts of the hit events on that victim, in order.
    std::vector<int32_t> hits_on(uint32_t victim) {
        std::vector<int32_t> out;
        for (const std::string& c : standins().calls) {
            if (!c.starts_with("client_send_hit_event ")) continue;
            if (str_to_int(str_field_or_empty(c, 2, ' ')) == static_cast<int32_t>(victim))
                out.push_back(str_to_int(str_field_or_empty(c, 4, ' ')));
        }
        return out;
    }

    // A shot of the shooter from chest height along +x in a lane.
    void shoot(float lane, float inner, float penetration, float range, float outer,
               uint32_t owner = kShooter) {
        blast b;
        const float values[kBlastValues] = {inner, penetration, range, outer, 0.0f};
        const entity* e = server_entity_find(srv_, bot_->name);
        const float chest = mat4_row3(e->model_root->transform).y + kChestBone;
        blast_create(b, owner, {-20.0f, chest, lane}, {1.0f, 0.0f, 0.0f}, values);
        blast_apply(b, field_);
    }

    // Puts the weapon in the soldier's hand; its slot.
    weapon_slot& arm(being& b, int32_t weapon) {
        being_give_weapon(b, weapon);
        const int32_t index = being_find_weapon_slot(b.weapons, weapon, false);
        being_equip_weapon_models(b, index);
        frames(20);
        return b.weapons.slots[index];
    }

    void frames(int count) {
        for (int i = 0; i < count; ++i) frame();
    }

    // Frames until a hit goes out: the number of frames it took, or -1.
    int frames_until_shot(int limit) {
        for (int i = 0; i < limit; ++i) {
            frame();
            for (const std::string& c : standins().calls)
                if (c.starts_with("client_send_hit_event")) return i;
        }
        return -1;
    }

    entity& body(being& b) { return *server_entity_find(srv_, b.name); }

    kvgame* g_ = nullptr;
    being* shooter_ = nullptr;
    being* bot_ = nullptr;
    being* second_ = nullptr;
    sector* field_ = nullptr;
};

TEST(BlastDamage, FallsFromInnerToOuterOverTheRangeThenToNothingOverTheMargin) {
    struct fall_case {
        float inner, outer, range, distance, expected;
    };
    const fall_case cases[] = {
        {7.0f, 3.5f, 5000.0f, 0.0f, 7.0f},
        {7.0f, 3.5f, 5000.0f, 2500.0f, 5.25f},
        {7.0f, 3.5f, 5000.0f, 5000.0f, 3.5f},
        {7.0f, 3.5f, 5000.0f, 6250.0f, 1.75f},
        {7.0f, 3.5f, 5000.0f, 7500.0f, 0.0f},
        {7.0f, 3.5f, 5000.0f, 7501.0f, 0.001f},
        {7.0f, 3.5f, 5000.0f, 90000.0f, 0.001f},
        // A shell (fall-off 4) keeps falling past its range: no jump up from 0.4 to 0.6.
        {10.0f, 4.0f, 1000.0f, 1000.0f, 4.0f},
        {10.0f, 4.0f, 1000.0f, 1001.0f, 4.0f * (1.0f - 1.0f / 2500.0f)},
        {10.0f, 4.0f, 1000.0f, 2250.0f, 2.0f},
    };
    for (const fall_case& c : cases) {
        SCOPED_TRACE(c.distance);
        blast b;
        const float values[kBlastValues] = {c.inner, 10.0f, c.range, c.outer, 0.0f};
        blast_create(b, 1, {}, {0.0f, 0.0f, 2.0f}, values);
        EXPECT_NEAR(blast_damage_at(b, c.distance), c.expected, 1e-4f);
        EXPECT_FLOAT_EQ(b.direction.z, 1.0f);
    }
}

TEST_F(WeaponGame, ShotsWearThroughWallsAndBodiesArmourCutsAndTheShooterIsNeverHurt) {
    surface_material& wood = kernel_get().surfaces.rows.at("wood10");
    const uint8_t wood_absorption = wood.blast_absorption;
    wood.blast_absorption = 0;
    struct shot_case {
        const char* what;
        float lane;
        float penetration;
        uint8_t armour;
        int32_t first;   // amount on the bot, -1 none
        int32_t second;  // on the second bot behind it
    };
    const shot_case cases[] = {
        {"through the shooter and two soldiers", kClearLane, 10.0f, 0, 70, 56},
        {"armour 102 changes nothing", kClearLane, 10.0f, 102, 70, 56},
        {"armour 255 leaves 0.4", kClearLane, 10.0f, 255, 28, 56},
        {"resistance 255 stops a shot of penetration 1", kHardLane, 1.0f, 0, -1, -1},
        {"resistance 0 passes, and a soldier wears 2", kSoftLane, 2.0f, 0, 70, 56},
        {"a soldier stops penetration 1", kSoftLane, 1.0f, 0, 70, -1},
    };
    for (const shot_case& c : cases) {
        SCOPED_TRACE(c.what);
        place(*bot_, {1000.0f, kEye, c.lane}, {0.0f, 0.0f, 1.0f});
        place(*second_, {1500.0f, kEye, c.lane}, {0.0f, 0.0f, 1.0f});
        place(*shooter_, {0.0f, kEye, c.lane}, {0.0f, 0.0f, 1.0f});
        for (int i = 0; i < 3; ++i) frame();
        being_record(*bot_)->armour = c.armour;
        standins().calls.clear();
        // The same damage at every distance: only wear and armour change it.
        shoot(c.lane, 7.0f, c.penetration, 5000.0f, 7.0f);
        EXPECT_TRUE(hits_on(kShooter).empty());
        const std::vector<int32_t> first = hits_on(kBot);
        const std::vector<int32_t> second = hits_on(kSecondBot);
        if (c.first < 0) {
            EXPECT_TRUE(first.empty()) << ::testing::PrintToString(standins().calls);
        } else {
            ASSERT_EQ(first.size(), 1u) << ::testing::PrintToString(standins().calls);
            EXPECT_NEAR(first[0], c.first, 1);  // tenths, truncated on the wire
        }
        if (c.second < 0) {
            EXPECT_TRUE(second.empty());
        } else {
            ASSERT_EQ(second.size(), 1u) << ::testing::PrintToString(standins().calls);
            EXPECT_NEAR(second[0], c.second, 1);
        }
        being_record(*bot_)->armour = 0;
    }

    // Fired by the first bot from behind himself: his own body neither takes the shot nor wears it.
    standins().calls.clear();
    shoot(kSoftLane, 7.0f, 1.0f, 5000.0f, 7.0f, kBot);
    EXPECT_TRUE(hits_on(kBot).empty());
    EXPECT_EQ(hits_on(kSecondBot), std::vector<int32_t>{70});
    wood.blast_absorption = wood_absorption;
}

TEST_F(WeaponGame, APaneBreaksOnceAndOtherSurfacesTakeAnImpact) {
    place(*bot_, {1000.0f, kEye, kGlassLane}, {0.0f, 0.0f, 1.0f});
    for (int i = 0; i < 3; ++i) frame();
    standins().calls.clear();
    shoot(kGlassLane, 7.0f, 10.0f, 5000.0f, 7.0f);
    EXPECT_EQ(hits_on(kBot).size(), 1u);
    EXPECT_EQ(take_calls("gfx_add_glass_shatter_effect").size(), 1u);
    standins().calls.clear();
    shoot(kGlassLane, 7.0f, 10.0f, 5000.0f, 7.0f);
    EXPECT_TRUE(take_calls("gfx_add_glass_shatter_effect").empty());
    // The hard wall takes an impact and stops the shot.
    standins().calls.clear();
    shoot(kHardLane, 7.0f, 1.0f, 5000.0f, 7.0f);
    EXPECT_EQ(take_calls("gfx_add_impact_effect").size(), 1u);
}

TEST_F(WeaponGame, OneRoundOfTheM4a1HitsTheSoldierAThousandUnitsOffFor57AndAKillPlaysHisDeath) {
    weapon_slot& slot = arm(*shooter_, 0);
    // B stands 1,000 units along the weapon frame's axis (the demo body's weapon frame points to the
    // soldier's left), on a step that brings his chest to the muzzle's height, his quads across the ray.
    place(*shooter_, {0.0f, kEye, -2500.0f});
    frames(3);
    const vec3 muzzle = body(*shooter_).position;
    const vec3 axis = body(*shooter_).motion;
    place(*bot_, {muzzle.x + axis.x * 1000.0f, kEye + kStepHeight, muzzle.z + axis.z * 1000.0f},
          {axis.z, 0.0f, -axis.x});
    place(*second_, {-2000.0f, kEye, -2000.0f});
    frames(3);
    const int32_t rounds = slot.rounds;
    ASSERT_GT(rounds, 1);
    standins().calls.clear();
    command(*shooter_, 37);
    frame();
    EXPECT_EQ(shooter_->action_state, 27);
    EXPECT_EQ(body(*shooter_).blast.pellets, 1);
    // The shot goes when the body's animation passes frame 0: the next update of the body.
    EXPECT_EQ(frames_until_shot(10), 0) << ::testing::PrintToString(standins().calls);
    command(*shooter_, -37);
    // Game command 4 spent one round; B's body took 5.7 x 10 before armour.
    EXPECT_EQ(slot.rounds, rounds - 1);
    EXPECT_EQ(hits_on(kBot), std::vector<int32_t>{57}) << ::testing::PrintToString(standins().calls);
    // Released: no more shots.
    standins().calls.clear();
    frames(60);
    EXPECT_TRUE(hits_on(kBot).empty());
    EXPECT_EQ(slot.rounds, rounds - 1);
    EXPECT_EQ(shooter_->action_state, 0);
    // The snapshot that turns B dying with cause 1 (a body hit) plays his standing death, held.
    player_init(srv_, WeaponGame::slot(kBot, 1, kSlotDying, 1));
    kvgame_sync_beings(*g_);
    EXPECT_EQ(bot_->movement_state, kStateDead);
    EXPECT_EQ(body(*bot_).channels[0].animation, 191);
    EXPECT_EQ(body(*bot_).channels[1].animation, 201);
}

TEST_F(WeaponGame, AnEmptyMagazineClicksAndReloadsTakeSpareMagazinesOnly) {
    weapon_slot& slot = arm(*shooter_, 0);
    slot.rounds = 0;
    standins().calls.clear();
    command(*shooter_, 37);
    frame();
    EXPECT_EQ(body(*shooter_).blast.ammo, nullptr);
    command(*shooter_, -37);
    frames(30);
    EXPECT_TRUE(hits_on(kBot).empty());
    // No spare magazine: Reload does nothing.
    slot.magazines = 0;
    command(*shooter_, 40);
    frame();
    command(*shooter_, -40);
    frames(60);
    EXPECT_EQ(slot.rounds, 0);
    // With one: a whole magazine.
    slot.magazines = 2;
    command(*shooter_, 40);
    frame();
    command(*shooter_, -40);
    frames(60);
    EXPECT_EQ(slot.rounds, slot.capacity);
    EXPECT_EQ(slot.magazines, 1);
    EXPECT_EQ(shooter_->action_state, 0);
}

TEST_F(WeaponGame, TheFireActionsSetTheirStates) {
    weapon_slot& slot = arm(*shooter_, 0);
    slot.rounds = 0;
    EXPECT_TRUE(being_weapon_command(*shooter_, true, 37));
    EXPECT_EQ(shooter_->action_state, 31);
    being_weapon_step(*shooter_);
    EXPECT_EQ(shooter_->action_state, 0);
    EXPECT_EQ(body(*shooter_).blast.ammo, nullptr);
    // A round-by-round reload with a full magazine goes straight back to 0.
    weapon_slot& shotgun = arm(*shooter_, 48);
    ASSERT_EQ(shotgun.rounds, shotgun.capacity);
    EXPECT_TRUE(being_weapon_command(*shooter_, true, 40));
    EXPECT_EQ(shooter_->action_state, 32);
    frames(30);
    EXPECT_EQ(shooter_->action_state, 0);
    EXPECT_FALSE(being_weapon_command(*shooter_, true, 30));
}

TEST_F(WeaponGame, AShellHasItsPelletsAtHighDetailHalfAtMediumAndOneAtLow) {
    weapon_slot& slot = arm(*shooter_, 48);
    const ammo_def* ammo = ammo_def_find(slot.ammunition);
    ASSERT_NE(ammo, nullptr);
    struct detail_case {
        int32_t detail;
        int32_t pellets;
    };
    const detail_case cases[] = {
        {kDetailHigh, ammo->pellets}, {kDetailMedium, ammo->pellets / 2}, {kDetailLow, 1}};
    for (const detail_case& c : cases) {
        SCOPED_TRACE(c.detail);
        kernel_get().detail_level = c.detail;
        being_fire_shot(*shooter_);
        EXPECT_EQ(body(*shooter_).blast.pellets, c.pellets);
    }
}

TEST_F(WeaponGame, SightsZoomWhileFire2IsHeldAndTheHudFollowsThroughTheGameCommands) {
    arm(*shooter_, 28);  // the psg1: a scope of zoom 1.8
    srv_.snapshot.flags = 0;
    standins().calls.clear();
    command(*shooter_, 38);
    frame();
    ASSERT_EQ(shooter_->sights, 1);
    EXPECT_EQ(shooter_->sight_step, 1);
    EXPECT_FALSE(take_calls("hud_set_sights 2 hud_sghts4 hud_sghts4").empty());
    float last = shooter_->zoom;
    for (int i = 0; i < 20; ++i) {
        frame();
        EXPECT_GE(shooter_->zoom, last);
        last = shooter_->zoom;
    }
    EXPECT_GT(shooter_->zoom, 0.0f);
    EXPECT_LT(shooter_->zoom, 80.0f + 16.0f * 0.08f * 2.0f);
    command(*shooter_, -38);
    frame();
    EXPECT_EQ(shooter_->sight_step, 2);
    // A change of weapon redraws the overlay.
    standins().calls.clear();
    being_sights_update(*shooter_);
    EXPECT_FALSE(take_calls("hud_set_sights 2 hud_sghts4 hud_sghts4").empty());
    // Fire2 again lowers them.
    command(*shooter_, 38);
    frame();
    EXPECT_EQ(shooter_->sights, 0);
    EXPECT_EQ(shooter_->sight_step, 0);
    EXPECT_FALSE(take_calls("hud_set_sights 0  ").empty());
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(WeaponGame, AChargeInReachAndInViewIsDefusedAfterItsTimeAndLookingAwayStartsAgain) {
    auto charge = std::make_unique<grenade>();
    charge->kind = kGrenadeDefusable;
    charge->owner = kBot;
    charge->id = 3;
    charge->team = 1;
    // 199 units off, seen 44 degrees off the view's axis (facing +x).
    const float a = 44.0f * 0.017453292f;
    const vec3 eye = being_position(*shooter_);
    charge->position = eye + vec3{199.0f * std::cos(a), 0.0f, 199.0f * std::sin(a)};
    grenade* g = charge.get();
    srv_.grenades.push_back(std::move(charge));
    auto defused_after = [&](int32_t look_away_at_ms) {
        standins().calls.clear();
        timer_restart(shooter_->check_timer);
        for (int32_t ms = 0; ms <= 31000; ms += 100) {
            clock_.advance_ms(100);
            if (ms == look_away_at_ms) {
                place(*shooter_, eye, {-1.0f, 0.0f, 0.0f});
                EXPECT_TRUE(being_defuse_check(*shooter_));
                place(*shooter_, eye, {1.0f, 0.0f, 0.0f});
                continue;
            }
            EXPECT_TRUE(being_defuse_check(*shooter_));
            if (take_calls("client_send_defused") == calls_t{"client_send_defused 5 3"}) {
                g->defused = 0;  // a client's defused charge waits for the host to remove it
                g->alive = 1;
                return ms;
            }
        }
        return -1;
    };
    place(*shooter_, eye, {1.0f, 0.0f, 0.0f});
    EXPECT_NEAR(defused_after(-1), 15000, 100);
    // Looking away at 14 s starts the count again.
    EXPECT_NEAR(defused_after(14000), 29100, 200);
    // With the handheld item: 5 seconds.
    arm(*shooter_, 61);
    place(*shooter_, eye, {1.0f, 0.0f, 0.0f});
    EXPECT_NEAR(defused_after(-1), 5000, 100);
    // The own team's charge never counts.
    g->team = being_record(*shooter_)->team;
    EXPECT_FALSE(being_defuse_check(*shooter_));
}

TEST_F(WeaponGame, ASoldierWalkingOntoADroppedWeaponPicksItUpWithItsRounds) {
    being_give_weapon(*bot_, kWeaponAll);
    const vec3 at = being_position(*bot_);
    server_drop_weapon(srv_, at - vec3{0.0f, 60.0f, 0.0f}, vec3{}, 28, 7, 2, "weapons:psg1_th", field_,
                       vec3{}, 44, 1.0f);
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    standins().calls.clear();
    being_pick_up_step(*bot_);
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    const int32_t index = being_find_weapon_slot(bot_->weapons, 28, true);
    ASSERT_GE(index, 0);
    EXPECT_EQ(bot_->weapons.slots[index].rounds, 7);
    EXPECT_EQ(bot_->weapons.slots[index].magazines, 2);
    EXPECT_FALSE(take_calls("client_send_pickup 5 44").empty());
    // One far away stays.
    server_drop_weapon(srv_, at + vec3{500.0f, 0.0f, 0.0f}, vec3{}, 0, 7, 2, "weapons:m4a1_th", field_,
                       vec3{}, 45, 1.0f);
    being_pick_up_step(*bot_);
    EXPECT_EQ(srv_.dropped_weapons.size(), 1u);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(WeaponGame, TheRecordBlockCarriesInputFlagsSurfaceMarksAndChannelsToAnotherSoldier) {
    struct input_case {
        uint32_t held;
        uint8_t flags;
    };
    const input_case cases[] = {
        {kHoldWalk, 0x01},      {kHoldBack, 0x02},     {kHoldForward | kHoldStepLeft, 0x06},
        {kHoldStepRight, 0x08}, {kHoldTurnLeft, 0x10}, {kHoldJump | kHoldDown, 0x00},
    };
    for (const input_case& c : cases) {
        SCOPED_TRACE(c.held);
        shooter_->held = c.held;
        shooter_->surface_marks[0] = 3;
        shooter_->surface_marks[1] = 255;
        being_store_anim_state(*shooter_);
        const player_state& st = being_record(*shooter_)->state_record;
        EXPECT_EQ(st.bytes[0], c.flags);
        being_apply_remote_inputs(*bot_, st.bytes);
        EXPECT_EQ(bot_->remote_inputs[0], c.flags);
        EXPECT_EQ(bot_->surface_marks[0], 3);
        EXPECT_EQ(bot_->surface_marks[1], 255);
    }
    shooter_->held = 0;
    // The channels reach the other body as they were.
    being_store_anim_state(*shooter_);
    const player_state& st = being_record(*shooter_)->state_record;
    int32_t channels[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) channels[i][j] = st.groups[i][j];
    being_apply_anim_state(*bot_, channels, 0.25f);
    EXPECT_EQ(body(*bot_).channels[0].animation, body(*shooter_).channels[0].animation);
    EXPECT_EQ(body(*bot_).channels[1].animation, body(*shooter_).channels[1].animation);
    EXPECT_FLOAT_EQ(bot_->aim_angle, 0.25f);
}

}  // namespace
}  // namespace kv
