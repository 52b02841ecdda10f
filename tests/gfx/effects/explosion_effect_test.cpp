// The explosion on the fake clock and the recording driver: the lifetimes of each part, the sprites'
// sizes at their due steps, the arc's turn toward the camera (and no turn with the camera straight
// above), the textures of the callers' settings.

#include "gfx/effects/explosion_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "tests/gfx/effects/effect_test_support.h"
#include "tools/byte_writer.h"
#include "world/mesh.h"

namespace kv {
namespace {

class ExplosionEffect : public effect_test {
protected:
    explosion_effect* explode(const vec3& at = {}) {
        gfx_add_explosion_effect(g_, at, {1.0f, 1.0f, 1.0f});
        return dynamic_cast<explosion_effect*>(g_.effects.last_effect);
    }
    void camera_at(const vec3& at) {
        mat4 place;
        mat4_set_translation(place, at.x, at.y, at.z);
        g_.views.view_matrix = mat4_inverse_rigid(place);
    }
    static bool listed(explosion_effect& e, const mesh* m) {
        for (int32_t i = 0; i < e.part_count(); ++i)
            if (e.part_mesh(i) == m) return true;
        return false;
    }
    // The centre of the arc's first quad, in the explosion's space.
    static vec3 first_quad_centre(const explosion_effect& e) {
        vec3 c;
        for (int i = 0; i < 4; ++i) {
            const mesh_vertex& v = e.arc->rest_vertices[static_cast<std::size_t>(i)];
            c = c + vec3{v.x, v.y, v.z} * 0.25f;
        }
        return c;
    }
};

// Each part keeps the effect alive for its own time; with neither it goes at its first pass.
TEST_F(ExplosionEffect, EachPartSetsTheLifetime) {
    struct row {
        const char* name;
        uint8_t sprites, arc;
        int32_t last_alive_ms;  // -1: gone at the first pass
        bool sprites_listed;
    };
    const row rows[] = {{"arc only", 0, 1, 1010, false},
                        {"sprites only", 1, 0, 425, true},
                        {"both", 1, 1, 1010, true},
                        {"neither", 0, 0, -1, false}};
    for (const row& r : rows) {
        explosion_effect* e = explode();
        gfx_set_explosion_effect(g_, "", r.sprites, "", r.arc);
        gfx_forget_last_effect(g_);
        int32_t last_alive = -1;
        bool sprites_seen = false;
        for (int32_t ms = 0; ms <= 1200; ms += 5) {
            frame(ms == 0 ? 0 : 5);
            if (g_.effects.count == 0) break;
            last_alive = ms;
            sprites_seen |= listed(*e, e->sprite_a.get()) || listed(*e, e->sprite_b.get());
        }
        EXPECT_EQ(last_alive, r.last_alive_ms) << r.name;
        EXPECT_EQ(sprites_seen, r.sprites_listed) << r.name;
        EXPECT_EQ(g_.effects.count, 0u) << r.name;
    }
}

// A sprite is listed only in a pass where its step falls due, at the half-size 1500 x s: s = t / 250
// up to t = 250, then 350 / t, with t = elapsed - 50 for the first sprite and 175 ms less for the
// second.
TEST_F(ExplosionEffect, SpritesGrowAndShrinkAtTheirSteps) {
    explosion_effect* e = explode();
    gfx_set_explosion_effect(g_, "", 1, "", 0);
    frame(0);
    struct row {
        int32_t elapsed;
        float a_half;  // 0: not listed
        float b_half;
    };
    const row rows[] = {
        {90, 1500.0f * 40 / 250, 0},
        {95, 0, 0},  // the next step of A is due at t = 66.67
        {150, 1500.0f * 100 / 250, 0},
        {200, 1500.0f * 150 / 250, 0},
        {300, 1500.0f, 1500.0f * 75 / 250},
        {350, 1500.0f * 350 / 300, 1500.0f * 125 / 250},
        {390, 1500.0f * 350 / 340, 1500.0f * 165 / 250},
        {401, 0, 1500.0f * 176 / 250},
    };
    int32_t now = 0;
    for (const row& r : rows) {
        frame(r.elapsed - now);
        now = r.elapsed;
        EXPECT_EQ(listed(*e, e->sprite_a.get()), r.a_half > 0) << r.elapsed;
        EXPECT_EQ(listed(*e, e->sprite_b.get()), r.b_half > 0) << r.elapsed;
        if (r.a_half > 0) {
            EXPECT_NEAR(e->sprite_a->rest_vertices[1].x, r.a_half, 0.05f) << r.elapsed;
            EXPECT_NEAR(e->sprite_a->rest_vertices[1].z, r.a_half, 0.05f) << r.elapsed;
            EXPECT_EQ(e->sprite_a->rest_vertices[1].y, 50.0f);
        }
        if (r.b_half > 0) {
            EXPECT_NEAR(e->sprite_b->rest_vertices[2].x, r.b_half, 0.05f) << r.elapsed;
        }
    }
}

// The arc's face turns to the camera: from +x the yaw passes 2 pi minus the angle, from -x it does not,
// and the arc's first quad lies on the other side.
TEST_F(ExplosionEffect, TheArcTurnsToTheCamera) {
    const float pi = std::numbers::pi_v<float>;
    struct row {
        vec3 camera;
        float yaw;
        vec3 centre;  // of the first quad: (-20, 0, 184.8) before the turn
    };
    const float z0 = -200.0f * std::sin(5.105088f);
    const row rows[] = {{{1000, 0, 0}, 1.5f * pi, {-z0, 0, -20}},
                        {{-1000, 0, 0}, 0.5f * pi, {z0, 0, 20}},
                        {{0, 0, -1000}, 0.0f, {-20, 0, z0}}};
    for (const row& r : rows) {
        camera_at(r.camera);
        explosion_effect* e = explode();
        frame(0);
        frame(40);
        EXPECT_NEAR(e->arc_yaw, r.yaw, 1e-4f);
        const vec3 c = first_quad_centre(*e);
        EXPECT_NEAR(c.x, r.centre.x, 0.01f);
        EXPECT_NEAR(c.z, r.centre.z, 0.01f);
        // One frame of the strip on.
        EXPECT_NEAR(e->arc->rest_vertices[1].u, 2.0f / 30.0f, 1e-6f);
        gfx_clear_effects(g_);
    }
}

// With the camera straight above there is no horizontal direction: the arc keeps its turn and its
// numbers, and still plays its frames; turned later, it faces the camera again.
TEST_F(ExplosionEffect, ACameraStraightAboveLeavesTheArcAsItWas) {
    camera_at({0, 1000, 0});
    explosion_effect* e = explode();
    frame(0);
    for (int i = 0; i < 5; ++i) frame(34);
    EXPECT_EQ(e->arc_yaw, 0.0f);
    for (const mesh_vertex& v : e->arc->rest_vertices) {
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    }
    EXPECT_NEAR(e->arc->rest_vertices[0].u, 5.0f / 30.0f, 1e-5f);
    camera_at({-1000, 1000, 0});
    frame(34);
    EXPECT_NEAR(e->arc_yaw, 0.5f * std::numbers::pi_v<float>, 1e-4f);
}

// The callers' settings: ("", 0, "expl_anim", 1) turns the sprites off and paints the arc with
// "expl_anim"; an empty name keeps a texture set before.
TEST_F(ExplosionEffect, TheCallersSettingsPaintTheArc) {
    for (const char* name : {"expl_anim", "stun_anim", "expl_1"})
        ASSERT_TRUE(tools::write_file(
            std::filesystem::path(srv_.data_dir) / "tex" / "tga" / (std::string(name) + ".tga"),
            plain_texture_file()));
    for (const char* arc : {"expl_anim", "stun_anim"}) {
        explosion_effect* e = explode();
        gfx_set_explosion_effect(g_, "", 0, arc, 1);
        EXPECT_EQ(e->part_flags, kExplosionArc);
        EXPECT_EQ(e->sprite_texture, "expl_1");
        gfx_set_explosion_effect(g_, "", 0, "", 1);
        EXPECT_EQ(e->arc_texture, arc);
        gfx_forget_last_effect(g_);
        driver_->take_calls();
        frame(0);
        std::vector<std::string> textures;
        for (const std::string& call : driver_->take_calls())
            if (call.starts_with("use_texture")) textures.push_back(call);
        ASSERT_EQ(textures.size(), 1u);
        EXPECT_TRUE(textures[0].starts_with(std::string("use_texture ") + arc)) << textures[0];
        gfx_reset_effects(g_);
    }
}

}  // namespace
}  // namespace kv
