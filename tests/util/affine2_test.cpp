#include "util/affine2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kv {
namespace {

struct point2 {
    float x;
    float y;
};

point2 apply(const affine2& t, point2 p) {
    return {t.a * p.x + t.b * p.y + t.tx, t.c * p.x + t.d * p.y + t.ty};
}

affine2 made(int kind, float a = 0.0f, float b = 0.0f) {
    affine2 t;
    affine2_make(t, kind, a, b);
    return t;
}

void expect_same(const affine2& got, const affine2& want, const char* what) {
    EXPECT_FLOAT_EQ(got.a, want.a) << what;
    EXPECT_FLOAT_EQ(got.b, want.b) << what;
    EXPECT_FLOAT_EQ(got.tx, want.tx) << what;
    EXPECT_FLOAT_EQ(got.c, want.c) << what;
    EXPECT_FLOAT_EQ(got.d, want.d) << what;
    EXPECT_FLOAT_EQ(got.ty, want.ty) << what;
}

TEST(Affine2, FactoryKinds) {
    const float s = std::sin(0.4f);
    const float c = std::cos(0.4f);
    expect_same(made(kAffine2KindZero), {0, 0, 0, 0, 0, 0}, "zero");
    expect_same(made(kAffine2KindIdentity), {1, 0, 0, 0, 1, 0}, "identity");
    expect_same(made(kAffine2KindRotation, 0.4f), {c, -s, 0, s, c, 0}, "rotation");
    expect_same(made(kAffine2KindTranslation, 2.0f, 3.0f), {1, 0, 2, 0, 1, 3}, "translation");
    expect_same(made(kAffine2KindScale, 2.0f, 3.0f), {2, 0, 0, 0, 3, 0}, "scale");
    expect_same(affine2_rotation(0.4f), made(kAffine2KindRotation, 0.4f), "rotation helper");
    expect_same(affine2_translation(2.0f, 3.0f), made(kAffine2KindTranslation, 2.0f, 3.0f),
                "translation helper");
    expect_same(affine2_scale(2.0f, 3.0f), made(kAffine2KindScale, 2.0f, 3.0f), "scale helper");

    for (int kind : {5, -1}) {
        affine2 t = affine2_translation(7.0f, 8.0f);
        affine2_make(t, kind, 1.0f, 1.0f);
        expect_same(t, affine2_translation(7.0f, 8.0f), "unknown kind");
    }
}

TEST(Affine2, ComposedTransformAppliesTheOtherFirst) {
    affine2 t = affine2_translation(10.0f, 0.0f);
    affine2_mul_assign(t, affine2_scale(2.0f, 3.0f));
    const point2 p = apply(t, {1.0f, 1.0f});
    EXPECT_FLOAT_EQ(p.x, 12.0f);  // scaled, then moved
    EXPECT_FLOAT_EQ(p.y, 3.0f);

    affine2 turn = affine2_rotation(std::numbers::pi_v<float> / 2.0f);
    affine2_mul_assign(turn, affine2_translation(1.0f, 0.0f));
    const point2 q = apply(turn, {0.0f, 0.0f});
    EXPECT_NEAR(q.x, 0.0f, 1e-6f);  // moved to (1, 0), then turned to (0, 1)
    EXPECT_NEAR(q.y, 1.0f, 1e-6f);
}

}  // namespace
}  // namespace kv
