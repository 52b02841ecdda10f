// Grenades, thrown blades, the placed charge and dropped weapons in a headless local game: the game
// object of the level below, the demo "beings" package for the bodies, the fake clock; soldiers A
// (player 100, Rambo) and B (bot 5), both driven here. This process does not host: hits go to the
// network client as they are dealt.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/dropped_weapon.h"
#include "beings/entity.h"
#include "beings/entity_body.h"
#include "beings/grenade.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "kernel/kernel.h"
#include "kernel/neighbour_standins.h"
#include "platform/random.h"
#include "tests/game/kvgame_test_support.h"
#include "tools/beings_writer.h"
#include "tools/targa_writer.h"
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
constexpr float kGravity = -978.0f;

box3 box_of(const vec3& lo, const vec3& hi) {
    box3 b;
    box3_init(b, lo, hi);
    return b;
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

// A level surface at height y, seen from both sides.
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

// A pane in the plane x = x0, 400 high, seen from both sides.
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

// Places of the field (floor at y 0, bounce byte 128).
const vec3 kOpen{0.0f, 0.0f, 0.0f};
const vec3 kWallAt{2000.0f, 0.0f, 0.0f};        // a wall of resistance 255, x 2000 to 2020
const vec3 kGlassAt{-1500.0f, 0.0f, -2000.0f};  // a pane at x -1500
const vec3 kPool{-2500.0f, 0.0f, 2500.0f};      // water surface at 100
const vec3 kSlab{1200.0f, 0.0f, -2000.0f};      // a ceiling at 300, 40 thick
const vec3 kSpring{-800.0f, 0.0f, 1500.0f};     // a floor of bounce byte 255 at 50
const vec3 kFar{0.0f, kEye, -2900.0f};          // where a soldier stays out of every reach

class Grenades : public headless_game {
protected:
    void SetUp() override {
        headless_game::SetUp();
        surface_table& table = kernel_get().surfaces;
        if (table.rows.empty()) surface_table_build(table);
        surface_material spring = *surface_table_get(table, "concrete10");
        spring.restitution = 255;
        table.rows["spring"] = spring;
        kv_srand(11);
        dropped_weapon_reset_serials();
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        // Body zones by rows of 8 x 8: head 16, chest 32, legs 144.
        tools::targa8_desc map;
        map.width = map.height = 8;
        for (int row = 0; row < 8; ++row) {
            for (int column = 0; column < 8; ++column)
                map.texels.push_back(row < 2 ? 16 : row < 5 ? 32 : 144);
        }
        for (int i = 0; i < 3; ++i)
            write_data("tex/tga/hitmap" + std::to_string(i) + ".tga", tools::targa8(map));
        srv_.texture_dir = "tga/";
        server_load_hit_maps(srv_);
        write_data("maps/training", level());
        srv_.load_request = kLoadRequestMenu;
        srv_.snapshot.name = "training";
        server_set_game_package(srv_, "training");
        for (int i = 0; i < 4; ++i) frame();
        g_ = game();
        ASSERT_NE(g_, nullptr) << log();
        a_ = g_->local_being;
        ASSERT_NE(a_, nullptr) << log();
        package* training = package_list_find(srv_.packages, "training");
        ASSERT_NE(training, nullptr);
        field_ = training->sectors.items[0];
        ASSERT_EQ(field_->name, "field");
        being_set_model(*a_, "beings:soldier", "");
        being_reset_posture(*a_);
        player_slot s;
        s.id = kB;
        s.name = "b";
        s.team = 1;
        s.state = kSlotPlaying;
        s.health = 100;
        player_init(srv_, s);
        server_add_local_player(srv_, kB);
        kvgame_sync_beings(*g_);
        b_ = kvgame_find_player(*g_, kB);
        ASSERT_NE(b_, nullptr);
        being_set_model(*b_, "beings:soldier", "");
        being_reset_posture(*b_);
        srv_.hosting = 0;
        put(*a_, kFar + vec3{-2500.0f, 0.0f, 0.0f});
        put(*b_, kFar + vec3{2500.0f, 0.0f, 0.0f});
        standins().calls.clear();
    }

    void TearDown() override {
        kernel_get().surfaces.rows.erase("spring");
        for (image8& m : hit_maps()) m = image8();
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
        add(box_mesh(kWallAt + vec3{0.0f, 0.0f, -300.0f}, kWallAt + vec3{20.0f, 600.0f, 300.0f}),
            "concrete20");
        add(pane(kGlassAt.x, kGlassAt.z - 200.0f, kGlassAt.z + 200.0f), "glass");
        add(level_quad(kPool.x - 500.0f, kPool.x + 500.0f, kPool.z - 500.0f, kPool.z + 500.0f, 100.0f),
            "water1");
        add(box_mesh(kSlab + vec3{-300.0f, 300.0f, -300.0f}, kSlab + vec3{300.0f, 340.0f, 300.0f}),
            "concrete10");
        add(box_mesh(kSpring + vec3{-400.0f, 0.0f, -400.0f}, kSpring + vec3{400.0f, 50.0f, 400.0f}),
            "spring");
        tools::sector_desc field;
        field.name = "field";
        field.meshes = meshes;
        tools::add_sector(w, field);
        w.add_arty("kvgame", "game", tools::token_writer().key("cb:").integer(33).bytes());
        w.add_arty("kvbound_camera", "cam", {});
        w.add_arty("kvlevel", "level", tools::token_writer().key("title:").str("Field").bytes());
        w.add_arty("kvspawn_point", "sp0",
                   tools::token_writer()
                       .key("sector:")
                       .str("field")
                       .key("posx:")
                       .number(0.0f)
                       .key("posy:")
                       .number(kEye)
                       .key("angle:")
                       .number(90.0f)
                       .bytes());
        return w.finish();
    }

    void put(being& b, const vec3& at) {
        being_set_view(b, at, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, field_);
        for (int i = 0; i < 3; ++i) frame();
    }

    void frames(int count, int32_t ms = 16) {
        for (int i = 0; i < count; ++i) {
            clock_.advance_ms(ms);
            server_frame(srv_, ms);
        }
    }

    entity& body(being& b) { return *server_entity_find(srv_, b.name); }
    vec3 body_at(being& b) { return mat4_row3(entity_world_matrix(body(b))); }
    // The demo body's chest: its spine's quads 20 to 45 above the model's root, facing along x when
    // the soldier faces +z.
    vec3 chest(being& b) { return mat4_row3(body(b).model_root->transform) + vec3{0.0f, 30.0f, 0.0f}; }

    static grenade_values values(int32_t kind, int32_t number = 1) {
        grenade_values v;
        v.kind = kind;
        v.id = number;
        v.model = "weapons:frag";
        v.acceleration = {0.0f, kGravity, 0.0f};
        return v;
    }

    // A grenade of this process (or a quiet network copy), appended to the world server's list.
    grenade& add(int32_t kind, const vec3& at, const vec3& velocity, bool quiet = false,
                 uint32_t owner = kA) {
        auto g = std::make_unique<grenade>();
        grenade_create(*g, srv_, owner, at, velocity, values(kind), field_, quiet);
        srv_.grenades.push_back(std::move(g));
        return *srv_.grenades.back();
    }

    // Steps until the grenade is linked: its fuse starts then.
    void link() { frames(2); }

    std::vector<std::string> calls(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& c : standins().calls)
            if (c.starts_with(prefix)) out.push_back(c);
        return out;
    }
    std::vector<std::string> hits() { return calls("client_send_hit_event"); }

    kvgame* g_ = nullptr;
    being* a_ = nullptr;
    being* b_ = nullptr;
    sector* field_ = nullptr;
};

TEST_F(Grenades, AFragHurtsByDistanceAfterFourSecondsAndShakesFarther) {
    struct row {
        float distance;
        std::vector<std::string> hits;
        float shake;
    };
    const std::vector<row> rows = {
        {100.0f, {"client_send_hit_event 100 5 253 100 ffff"}, (1950.0f - 100.0f) / 1950.0f},
        {700.0f, {}, (1950.0f - 700.0f) / 1950.0f},
    };
    put(*b_, kOpen + vec3{0.0f, kEye, 0.0f});
    for (const row& r : rows) {
        SCOPED_TRACE(r.distance);
        body(*b_).shake_amplitude = 0.0f;
        const vec3 at = body_at(*b_) + vec3{r.distance, 0.0f, 0.0f};
        const float d = vec3_length(at - body_at(*b_));
        grenade& g = add(kGrenadeFragTimed, at, {});
        link();
        standins().calls.clear();
        frames(249);  // 3984 ms
        ASSERT_EQ(srv_.grenades.size(), 1u);
        EXPECT_TRUE(hits().empty());
        frames(1);
        EXPECT_TRUE(srv_.grenades.empty());
        (void)g;
        EXPECT_EQ(hits(), r.hits);
        EXPECT_NEAR(body(*b_).shake_amplitude, (1950.0f - d) / 1950.0f, 1e-3f);
        EXPECT_NEAR(d, r.distance, 1e-3f);
        // The fireball is made here and not sent on; the echo comes back as it was.
        EXPECT_EQ(calls("gfx_set_explosion_effect"),
                  (std::vector<std::string>{"gfx_set_explosion_effect (\"\", 0, \"expl_anim\", 1)"}));
        ASSERT_EQ(calls("gfx_add_explosion_effect").size(), 1u);
        EXPECT_TRUE(calls("gfx_add_explosion_effect")[0].ends_with("(1, 1, 1) echo 0"));
        EXPECT_TRUE(standins().effect_echo);
        EXPECT_TRUE(calls("client_send_grenade_event").empty());
    }
}

TEST_F(Grenades, AWallThatSoaksEverythingLeavesBUnhurtAndTheThrowerIsNotSpared) {
    put(*b_, kWallAt + vec3{200.0f, kEye, 0.0f});
    put(*a_, kWallAt + vec3{-300.0f, kEye, 0.0f});
    add(kGrenadeFragTimed, chest(*b_) - vec3{400.0f, 0.0f, 0.0f}, {});
    link();
    standins().calls.clear();
    frames(251);
    EXPECT_TRUE(srv_.grenades.empty());
    // A is 100 from it, B behind the wall.
    EXPECT_EQ(hits(), (std::vector<std::string>{"client_send_hit_event 100 100 253 100 ffff"}));
}

TEST_F(Grenades, ArmourScalesTheBlastAndAQuietCopyOnlyShakes) {
    put(*b_, kOpen + vec3{0.0f, kEye, 0.0f});
    server_find_player(srv_, kB)->armour = 255;
    add(kGrenadeFragTimed, body_at(*b_) + vec3{100.0f, 0.0f, 0.0f}, {});
    add(kGrenadeFragTimed, body_at(*b_) + vec3{100.0f, 0.0f, 0.0f}, {}, true);
    link();
    standins().calls.clear();
    frames(251);
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_EQ(
        hits(),
        (std::vector<std::string>{"client_send_hit_event 100 5 253 39 ffff"}));  // 100 x (1.4 - 1), truncated
}

TEST_F(Grenades, AThrownFragClearsTheThrowerBouncesAtHalfSpeedAndItsQuietCopyFliesTheSamePath) {
    put(*a_, kOpen + vec3{0.0f, kEye, 0.0f});
    const vec3 hand = body_at(*a_);
    const vec3 throw_velocity{700.0f, 100.0f, 0.0f};
    server_throw_entity_grenade(srv_, kA, hand, throw_velocity, values(kGrenadeFragTimed), 0.0f, 0.0f, 0.0f,
                                0.0f, field_);
    ASSERT_EQ(srv_.grenades.size(), 1u);
    EXPECT_EQ(calls("client_send_grenade_event").size(), 1u);
    ASSERT_TRUE(server_add_grenade(srv_, kA, hand, throw_velocity, values(kGrenadeFragTimed), 0));
    grenade& thrown = *srv_.grenades.front();
    grenade& copy = *srv_.grenades.back();
    EXPECT_EQ(copy.quiet, 1);
    EXPECT_EQ(calls("client_send_grenade_event").size(), 1u);
    link();
    float before_bounce = thrown.speed;
    int bounces = 0;
    for (int i = 0; i < 240 && srv_.grenades.size() == 2u; ++i) {
        const uint8_t was_hit = thrown.hit;
        frames(1);
        if (srv_.grenades.size() != 2u) break;
        EXPECT_EQ(thrown.position.x, copy.position.x);
        EXPECT_EQ(thrown.position.y, copy.position.y);
        EXPECT_FALSE(std::isnan(thrown.position.y));
        EXPECT_GT(thrown.position.y, -1.0f);
        if (!was_hit && thrown.hit) {
            ++bounces;
            EXPECT_NEAR(thrown.speed / before_bounce, 128.0f / 255.0f, 1e-4f);
            EXPECT_NE(thrown.last_hit_player, static_cast<int32_t>(kA));
            EXPECT_EQ(thrown.last_sound, "rico-conc");
        }
        before_bounce = thrown.speed;
    }
    EXPECT_EQ(bounces, 1);
    EXPECT_GT(thrown.position.x, hand.x + 100.0f);
    EXPECT_EQ(thrown.sector_index, 0);
}

TEST_F(Grenades, GlassInReachBreaksOnceAndOnlyForTheThrower) {
    mesh_instance& glass = *field_->meshes.items[2];
    mesh& pane_mesh = *glass.geom->meshes.items[0];
    ASSERT_FALSE(mesh_is_broken(pane_mesh));
    add(kGrenadeFragTimed, kGlassAt + vec3{300.0f, 50.0f, 0.0f}, {}, true);
    link();
    frames(251);
    EXPECT_FALSE(mesh_is_broken(pane_mesh));
    EXPECT_TRUE(calls("gfx_add_glass_shatter_effect").empty());
    add(kGrenadeFragTimed, kGlassAt + vec3{300.0f, 50.0f, 0.0f}, {});
    add(kGrenadeFragTimed, kGlassAt + vec3{300.0f, 50.0f, 0.0f}, {});
    link();
    frames(251);
    EXPECT_TRUE(mesh_is_broken(pane_mesh));
    EXPECT_EQ(calls("gfx_add_glass_shatter_effect").size(), 1u);
}

TEST_F(Grenades, ContactAndLauncherGrenadesEndAtTheirFirstBounce) {
    grenade& contact = add(kGrenadeFragContact, kOpen + vec3{0.0f, 40.0f, 0.0f}, {0.0f, -300.0f, 0.0f});
    link();
    for (int i = 0; i < 30 && !srv_.grenades.empty(); ++i) frames(1);
    EXPECT_TRUE(srv_.grenades.empty());
    (void)contact;
    EXPECT_EQ(calls("gfx_add_explosion_effect").size(), 1u);

    grenade& launched = add(kGrenadeLauncher, kOpen + vec3{0.0f, 200.0f, 0.0f}, {0.0f, 0.0f, 2000.0f});
    frames(1);
    EXPECT_NEAR(launched.position.z, 100.0f, 1e-3f);
    EXPECT_NEAR(launched.arc_start.z, 100.0f, 1e-3f);
}

TEST_F(Grenades, InWaterAGrenadeSinksSlowlyAFragSplashesAndSmokeAndStunEndSilently) {
    for (int32_t kind : {kGrenadeFragTimed, kGrenadeSmoke, kGrenadeStun}) {
        SCOPED_TRACE(kind);
        standins().calls.clear();
        grenade& g = add(kind, kPool + vec3{0.0f, 130.0f, 0.0f}, {0.0f, -500.0f, 0.0f});
        link();
        for (int i = 0; i < 20 && !g.in_water; ++i) frames(1);
        ASSERT_EQ(g.in_water, 1);
        EXPECT_FLOAT_EQ(g.speed, 0.1f);
        EXPECT_FLOAT_EQ(g.acceleration.y, kGravity * 0.25f);
        EXPECT_NEAR(g.water_point.y, 100.0f, 1e-3f);
        ASSERT_EQ(calls("gfx_add_impact_effect").size(), 1u);
        EXPECT_TRUE(calls("gfx_add_impact_effect")[0].ends_with("250 field echo 0"));
        const float top = g.position.y;
        frames(10);
        EXPECT_LT(g.position.y, top);
        EXPECT_NEAR(g.velocity.x, 0.0f, 1e-6f);
        EXPECT_NEAR(g.velocity.z, 0.0f, 1e-6f);
        frames(260);
        EXPECT_TRUE(srv_.grenades.empty());
        EXPECT_TRUE(calls("gfx_add_explosion_effect").empty());
        EXPECT_TRUE(calls("gfx_add_smoke_effect").empty());
        EXPECT_TRUE(calls("gfx_add_screen_tint_effect").empty());
        if (kind == kGrenadeFragTimed) {
            EXPECT_EQ(calls("gfx_set_impact_effect"),
                      (std::vector<std::string>{"gfx_set_impact_effect (\"\", \"hit_water\", 1, 750)"}));
            EXPECT_EQ(calls("gfx_add_blast_impact_effect").size(), 1u);
        } else {
            EXPECT_TRUE(calls("gfx_set_impact_effect").empty());
        }
    }
}

TEST_F(Grenades, SmokeAndStunInTheOpenMakeTheirEffects) {
    add(kGrenadeStun, kOpen + vec3{0.0f, 10.0f, 0.0f}, {});
    add(kGrenadeSmoke, kOpen + vec3{0.0f, 10.0f, 0.0f}, {});
    link();
    frames(251);
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_EQ(calls("gfx_set_explosion_effect"),
              (std::vector<std::string>{"gfx_set_explosion_effect (\"\", 0, \"stun_anim\", 1)"}));
    EXPECT_EQ(calls("gfx_add_screen_tint_effect"),
              (std::vector<std::string>{"gfx_add_screen_tint_effect 0 0 10 0"}));
    EXPECT_EQ(calls("gfx_add_smoke_effect").size(), 1u);
    EXPECT_TRUE(hits().empty());
}

TEST_F(Grenades, AKnifeSticksInFloorsAndWallsBouncesOffCeilingsAndHurtsOnce) {
    // Down onto the floor: it sticks where it lands.
    grenade& floor_knife = add(kGrenadeKabar, kOpen + vec3{500.0f, 60.0f, 0.0f}, {300.0f, -600.0f, 0.0f});
    link();
    for (int i = 0; i < 30 && floor_knife.speed > 0.0f; ++i) frames(1);
    EXPECT_EQ(floor_knife.speed, 0.0f);
    EXPECT_NEAR(floor_knife.arc_start.y, 0.0f, 0.01f);
    const vec3 stuck = floor_knife.position;
    frames(5);
    EXPECT_EQ(floor_knife.position.x, stuck.x);
    EXPECT_EQ(floor_knife.alive, 1);

    // Into the wall's face: it sticks too.
    grenade& wall_knife = add(kGrenadeTanto, kWallAt + vec3{-100.0f, 300.0f, 0.0f}, {1500.0f, 0.0f, 0.0f});
    link();
    for (int i = 0; i < 30 && wall_knife.speed > 0.0f; ++i) frames(1);
    EXPECT_EQ(wall_knife.speed, 0.0f);
    EXPECT_NEAR(wall_knife.arc_start.x, kWallAt.x, 0.01f);

    // Up into the slab: it bounces down.
    grenade& ceiling_knife = add(kGrenadeShovel, kSlab + vec3{0.0f, 250.0f, 0.0f}, {0.0f, 1500.0f, 0.0f});
    link();
    for (int i = 0; i < 30 && !ceiling_knife.hit; ++i) frames(1);
    EXPECT_EQ(ceiling_knife.hit, 1);
    EXPECT_GT(ceiling_knife.speed, 0.0f);
    EXPECT_LT(ceiling_knife.velocity.y, 0.0f);
    EXPECT_TRUE(hits().empty());

    // Into B: 100 x (1 - 102 / 255 x 0.5) = 80, once; the knife is gone.
    put(*b_, kOpen + vec3{-800.0f, kEye, 800.0f});
    server_find_player(srv_, kB)->armour = 102;
    standins().calls.clear();
    add(kGrenadeKabar, chest(*b_) + vec3{-200.0f, 0.0f, 0.0f}, {1500.0f, 0.0f, 0.0f});
    link();
    frames(20);
    EXPECT_EQ(srv_.grenades.size(), 3u);
    ASSERT_EQ(hits().size(), 1u);
    EXPECT_TRUE(hits()[0].starts_with("client_send_hit_event 100 5 ")) << hits()[0];
    EXPECT_TRUE(hits()[0].ends_with(" 80 ffff")) << hits()[0];
}

TEST_F(Grenades, TheChargeBeepsFasterAndExplodesAtFortyFiveSecondsUnlessDefused) {
    put(*b_, kOpen + vec3{0.0f, kEye, 0.0f});
    for (const bool defuse : {false, true}) {
        SCOPED_TRACE(defuse);
        srv_.grenades.clear();
        grenade& c = add(kGrenadeDefusable, body_at(*b_) + vec3{400.0f, 0.0f, 0.0f}, {});
        // The host keeps a defused charge in its list.
        srv_.hosting = defuse ? 1 : 0;
        if (defuse) server_grenade_event(srv_, kA, c.id, true);
        link();
        standins().calls.clear();
        std::vector<int32_t> beeps;  // fuse time of each beep
        int32_t last_elapsed = timer_elapsed_ms(c.sound_timer);
        for (int32_t t = 0; t < 47000; t += 16) {
            frames(1);
            const int32_t now = timer_elapsed_ms(c.sound_timer);
            if (now < last_elapsed) beeps.push_back(t + 16);
            last_elapsed = now;
        }
        // 3 s apart up to 15 s, 2 s to 30 s, 1 s to 35 s, then 300 ms, then every 200 ms at most.
        ASSERT_GE(beeps.size(), 20u);
        auto gap_at = [&](int32_t t) {
            for (std::size_t i = 1; i < beeps.size(); ++i)
                if (beeps[i] >= t) return beeps[i] - beeps[i - 1];
            return -1;
        };
        EXPECT_NEAR(gap_at(9000), 3000, 20);
        EXPECT_NEAR(gap_at(22000), 2000, 20);
        EXPECT_NEAR(gap_at(34000), 1000, 20);
        EXPECT_NEAR(gap_at(38000), 300, 20);
        EXPECT_NEAR(gap_at(43000), 200, 20);
        EXPECT_EQ(c.exploded, defuse ? 0 : 1);
        EXPECT_EQ(srv_.grenades.size(), 1u);  // the record stays
        if (defuse) {
            EXPECT_TRUE(hits().empty());
            EXPECT_TRUE(calls("gfx_add_explosion_effect").empty());
            EXPECT_GT(beeps.back(), 44500);  // it beeps on to the end
        } else {
            // 400 from B is within a fifth of its 2600 reach; once only.
            EXPECT_EQ(hits(), (std::vector<std::string>{"client_send_hit_event 100 5 253 100 ffff"}));
            EXPECT_EQ(calls("gfx_add_explosion_effect").size(), 1u);
            EXPECT_TRUE(calls("gfx_add_explosion_effect")[0].ends_with("(4, 4, 4) echo 0"));
            EXPECT_LT(beeps.back(), 45100);
        }
    }
}

TEST_F(Grenades, ADroppedWeaponLeavesInFrontBouncesAtAFifthAndComesToRest) {
    put(*a_, kSpring + vec3{-300.0f, 50.0f + kEye, 0.0f});
    const mat4 world = entity_world_matrix(body(*a_));
    const vec3 front = mat4_row2(world);
    const vec3 at = mat4_row3(world) + front * 80.0f;
    server_drop_weapon(srv_, at, front * 500.0f, 0, 30, 2, "weapons:m4a1_th", field_, {0.0f, kGravity, 0.0f},
                       static_cast<int32_t>(kA), 500.0f);
    ASSERT_EQ(srv_.dropped_weapons.size(), 1u);
    dropped_weapon& w = *srv_.dropped_weapons.front();
    EXPECT_EQ(w.kind, 0);
    frames(1);
    EXPECT_NEAR(vec3_length(dropped_weapon_position(w) - mat4_row3(world)), 80.0f, 1e-3f);
    float before = w.factor;
    bool first = true;
    for (int i = 0; i < 400 && !w.resting; ++i) {
        frames(1);
        if (w.factor != before && first) {
            EXPECT_NEAR(w.factor / before, 0.2f, 1e-5f);
            first = false;
        }
        before = w.factor;
        EXPECT_FALSE(std::isnan(dropped_weapon_position(w).y));
    }
    EXPECT_FALSE(first);
    EXPECT_EQ(w.resting, 1);
    EXPECT_EQ(w.alive, 1);
    EXPECT_NEAR(dropped_weapon_position(w).y, 50.0f, 2.0f);
    EXPECT_TRUE(box3_contains_point(dropped_weapon_bounds(w), dropped_weapon_position(w)));
}

TEST_F(Grenades, ADroppedWeaponSinksInWaterAndLocalDropsCountTheirSerials) {
    dropped_weapon_values v;
    v.position = kPool + vec3{0.0f, 130.0f, 0.0f};
    v.velocity = {0.0f, -500.0f, 0.0f};
    v.gravity = {0.0f, kGravity, 0.0f};
    v.factor = 500.0f;
    v.text = "weapons:m4a1_th";
    server_drop_weapon(srv_, v, field_);
    dropped_weapon& w = *srv_.dropped_weapons.front();
    for (int i = 0; i < 20 && w.factor != 0.1f; ++i) frames(1);
    EXPECT_FLOAT_EQ(w.factor, 0.1f);
    EXPECT_FLOAT_EQ(w.gravity.y, kGravity * 0.25f);
    EXPECT_EQ(w.velocity.y, -1.0f);
    frames(2);
    const float top = dropped_weapon_position(w).y;
    frames(5);
    EXPECT_LT(dropped_weapon_position(w).y, top);

    server_clear_dropped_weapons(srv_);
    dropped_weapon_reset_serials();
    std::vector<int32_t> serials;
    for (int i = 0; i < 256; ++i) {
        dropped_weapon d;
        dropped_weapon_create(d, srv_, v, kDroppedHere, field_);
        serials.push_back(d.kind);
    }
    EXPECT_EQ(serials[0], 0);
    EXPECT_EQ(serials[254], 254);
    EXPECT_EQ(serials[255], 0);
    // A network copy keeps its own.
    dropped_weapon copy;
    dropped_weapon_create(copy, srv_, v, 77, field_);
    EXPECT_EQ(copy.kind, 77);
}

TEST_F(Grenades, NetworkReportsOutOfRangeOrOutOfReachAreRefused) {
    const float nan = std::nanf("");
    struct row {
        int32_t kind;
        vec3 position;
        vec3 velocity;
    };
    for (const row& r : std::vector<row>{{0, {}, {}},
                                         {10, {}, {}},
                                         {1, {nan, 0.0f, 0.0f}, {}},
                                         {1, {}, {0.0f, 1e30f, 0.0f}},
                                         {1, {}, {INFINITY, 0.0f, 0.0f}}}) {
        EXPECT_FALSE(server_add_grenade(srv_, kA, r.position, r.velocity, values(r.kind), 0));
    }
    dropped_weapon_values v;
    for (int32_t weapon : {-1, 64}) {
        v.values[0] = weapon;
        EXPECT_FALSE(server_add_dropped_weapon(srv_, v, 3, 0, kB));
    }
    v.values[0] = 0;
    v.factor = nan;
    EXPECT_FALSE(server_add_dropped_weapon(srv_, v, 3, 0, kB));
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    EXPECT_NE(log().find("server: *WARNING* grenade of kind 10 refused."), std::string::npos) << log();
    EXPECT_NE(log().find("server: *WARNING* dropped weapon 64 refused."), std::string::npos) << log();
}

TEST_F(Grenades, ABounceStepOfNoLengthLeavesTheFlightAlone) {
    grenade& g = add(kGrenadeFragTimed, kOpen + vec3{0.0f, 100.0f, 0.0f}, {100.0f, 0.0f, 0.0f});
    link();
    // Two updates in the same millisecond: the second step has no length.
    server_update_grenades(srv_);
    server_update_grenades(srv_);
    EXPECT_FALSE(std::isnan(g.position.x));
    EXPECT_FALSE(std::isnan(g.velocity.x));
    EXPECT_EQ(g.hit, 0);
}

TEST_F(Grenades, TheBlastsWalkSoaksItThroughWallsAndSoldiers) {
    surface_material wall;
    wall.blast_absorption = 255;
    surface_material half;
    half.blast_absorption = 102;
    auto world = [](const surface_material* m) {
        trace_hit h;
        h.material = m;
        return h;
    };
    auto soldier = [](int32_t id) {
        trace_hit h;
        h.player_id = id;
        return h;
    };
    struct row {
        std::vector<trace_hit> hits;
        float damage;  // negative: never reached
    };
    const std::vector<row> rows = {
        {{soldier(5)}, 25.0f},
        {{world(&half), soldier(5)}, 25.0f * 0.6f},
        {{world(&wall), soldier(5)}, 0.0f},                 // soaked to 10: nothing gets through
        {{world(&wall), world(&half), soldier(5)}, -1.0f},  // the walk stops past 10
        {{world(nullptr), soldier(5)}, -1.0f},              // geometry without a material stops it
        {{soldier(7), soldier(5)}, 25.0f * 0.8f},           // the soldier in front takes his share
        {{world(&half), soldier(7), soldier(5)}, 25.0f * 0.6f * 0.4f},
        {{world(&half)}, -1.0f},  // the ray never met him
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        trace t;
        t.hits = rows[i].hits;
        EXPECT_NEAR(grenade_soak_damage(t, 5, 25.0f), rows[i].damage, 1e-4f);
    }
    // The steps by distance, as a share of the reach.
    for (const auto& [d, expected] : std::vector<std::pair<float, float>>{{0.0f, 100.0f},
                                                                          {292.5f, 100.0f},
                                                                          {390.0f, 75.0f},
                                                                          {487.5f, 50.0f},
                                                                          {500.0f, 25.0f},
                                                                          {585.0f, 25.0f},
                                                                          {650.0f, 10.0f},
                                                                          {651.0f, 0.0f}}) {
        EXPECT_EQ(grenade_damage_step(d, 650.0f), expected) << d;
    }
}

}  // namespace
}  // namespace kv
