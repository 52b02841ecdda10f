// The smoke cloud on the fake clock: its puffs' widths, growth and end times, the facing of each puff
// (flat on the screen for a camera inside the cloud), and the cloud going once its last puff has left.

#include "gfx/effects/smoke_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/gfx/effects/effect_test_support.h"
#include "world/mesh.h"

namespace kv {
namespace {

class SmokeEffect : public effect_test {
protected:
    smoke_effect* smoke(const vec3& at = {}) {
        gfx_add_smoke_effect(g_, at, {0.0f, 1.0f, 0.0f});
        auto* e = dynamic_cast<smoke_effect*>(g_.effects.last_effect);
        gfx_forget_last_effect(g_);
        return e;
    }
    void camera(const vec3& at, const vec3& x, const vec3& y, const vec3& z) {
        g_.views.view_matrix = mat4_inverse_rigid(effect_axes(x, y, z, at));
    }
    static int listed_index(smoke_effect& e, int k) {
        for (int32_t i = 0; i < e.part_count(); ++i)
            if (e.part_mesh(i) == e.puffs[k].get()) return i;
        return -1;
    }
};

TEST_F(SmokeEffect, PuffWidthsFollowTheSine) {
    smoke_effect* e = smoke();
    frame(0);
    for (int k = 0; k < kSmokePuffs; ++k) {
        const auto& v = e->puffs[k]->rest_vertices;
        const float width = v[1].x - v[0].x;
        EXPECT_NEAR(width, 1250.0f * std::sin((k + 1) * std::numbers::pi_v<float> / 19.0f), 0.01f) << k;
        EXPECT_EQ(v[0].y - v[3].y, 1250.0f) << k;
        EXPECT_EQ(v[1].u, 0.02f);
    }
}

// Stepped every 50 ms for 41 s: the outer pairs grow fastest and are listed longest (the last step
// before 40.5 s), the strip loops over its first twenty frames while a puff lasts; then the cloud is gone.
TEST_F(SmokeEffect, OuterPuffsGrowFastestAndLastLongest) {
    smoke_effect* e = smoke();
    frame(0);
    int32_t last_listed[kSmokePuffs] = {};
    for (int32_t ms = 50; ms <= 41000; ms += 50) {
        frame(50);
        if (g_.effects.count == 0) break;
        for (int k = 0; k < kSmokePuffs; ++k)
            if (listed_index(*e, k) >= 0) last_listed[k] = ms;
        if (ms == 5000) {
            // 100 steps: 0.0005 + 100 x growth.
            for (int k = 0; k < kSmokePuffs; ++k)
                EXPECT_NEAR(e->scales[k], 0.0005f + 100.0f * kSmokeGrowth[k / 2], 1e-4f) << k;
            EXPECT_GT(e->scales[0], e->scales[2]);
            EXPECT_EQ(e->scales[0], e->scales[17]);
        }
        if (ms == 1000) {
            // The loop starts again at the whole second.
            EXPECT_EQ(e->puffs[3]->rest_vertices[0].u, 0.0f);
            EXPECT_EQ(e->puffs[3]->rest_vertices[1].u, 0.02f);
        }
        if (ms == 20000) {
            EXPECT_EQ(e->scales[8], 1.0f);
        }
    }
    for (int k : {0, 1, 16, 17}) EXPECT_EQ(last_listed[k], 40450) << k;
    for (int k : {8, 9}) EXPECT_EQ(last_listed[k], 37950) << k;
    for (int k = 2; k < 16; ++k) EXPECT_LT(last_listed[k], 40450) << k;
    EXPECT_EQ(g_.effects.count, 0u);
}

// Inside 625 units the puffs lie in the screen plane; farther away each faces along the line from the
// camera, upright by the camera's up axis; looking straight down on it the camera's axes stand.
TEST_F(SmokeEffect, PuffsFaceTheCamera) {
    smoke_effect* e = smoke({0, 0, 0});
    const vec3 x{0, 0, 1}, y{0, 1, 0}, z{-1, 0, 0};
    struct row {
        const char* name;
        vec3 at, x, y, z;
        vec3 want_z;
    };
    const row rows[] = {
        {"inside", {600, 0, 0}, x, y, z, z},
        {"outside", {1000, 0, 0}, x, y, z, {-1, 0, 0}},
        {"outside, across", {0, 0, 2000}, {-1, 0, 0}, y, {0, 0, -1}, {0, 0, -1}},
        {"above", {0, 2000, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {0, -1, 0}},
        {"along the up axis", {0, -2000, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 1}},
    };
    for (const row& r : rows) {
        camera(r.at, r.x, r.y, r.z);
        frame(10);
        ASSERT_EQ(e->part_count(), kSmokePuffs) << r.name;
        for (int32_t i = 0; i < e->part_count(); ++i) {
            const mat4 m = e->part_matrix(g_, i);
            const float s = *e->part_scales[i];
            const vec3 mz = mat4_row2(m) * (1.0f / s);
            EXPECT_NEAR(mz.x, r.want_z.x, 1e-4f) << r.name;
            EXPECT_NEAR(mz.y, r.want_z.y, 1e-4f) << r.name;
            EXPECT_NEAR(mz.z, r.want_z.z, 1e-4f) << r.name;
            EXPECT_TRUE(std::isfinite(mat4_row0(m).x) && std::isfinite(mat4_row0(m).z)) << r.name;
            EXPECT_NEAR(vec3_dot(mat4_row1(m), r.y) / s, 1.0f, 1e-4f) << r.name;
        }
    }
    // Inside, the puff's side is the camera's.
    camera({300, 0, 0}, x, y, z);
    const mat4 m = e->part_matrix(g_, 0);
    EXPECT_NEAR(mat4_row0(m).z / e->scales[0], 1.0f, 1e-4f);
    EXPECT_EQ(mat4_row3(m).x, 0.0f);
}

}  // namespace
}  // namespace kv
