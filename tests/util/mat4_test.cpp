#include "util/mat4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kv {
namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

void expect_point(const vec3& got, float x, float y, float z, const char* what = "") {
    EXPECT_NEAR(got.x, x, 1e-5f) << what;
    EXPECT_NEAR(got.y, y, 1e-5f) << what;
    EXPECT_NEAR(got.z, z, 1e-5f) << what;
}

mat4 made(int kind, float a = 0.0f, float b = 0.0f, float c = 0.0f, float d = 0.0f) {
    mat4 m;
    mat4_make(m, kind, a, b, c, d);
    return m;
}

// A few transforms with rotation, translation and scale, none of them the identity.
std::vector<mat4> sample_transforms() {
    std::vector<mat4> out;
    out.push_back(made(kMat4KindTranslation, 1.0f, -2.0f, 3.5f));
    out.push_back(made(kMat4KindRotationX, 0.3f));
    out.push_back(made(kMat4KindRotationY, -1.2f));
    out.push_back(made(kMat4KindRotationZ, 2.0f));
    out.push_back(made(kMat4KindScale, 2.0f, 0.5f, -1.0f));
    out.push_back(made(kMat4KindRotationAxis, 1.0f, 2.0f, -0.5f, 0.8f));
    mat4 combined = made(kMat4KindTranslation, 4.0f, 5.0f, 6.0f);
    mat4_rotate_y(combined, 0.7f);
    mat4_scale(combined, {1.5f, 1.5f, 1.5f});
    out.push_back(combined);
    return out;
}

TEST(Mat4, IdentityFlagSkipsProducts) {
    mat4 m = made(kMat4KindRotationZ, 0.4f);
    m.m[3] = 11.0f;  // fourth-column values are carried, not computed
    m.m[7] = 12.0f;
    mat4 unchanged = m;
    mat4_mul_assign(unchanged, kMat4Identity);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(unchanged.m[i], m.m[i]) << i;

    mat4 was_identity = kMat4Identity;
    was_identity.m[3] = -7.0f;
    mat4_mul_assign(was_identity, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(was_identity.m[i], m.m[i]) << i;

    const mat4 both = mat4_mul(kMat4Identity, kMat4Identity);
    EXPECT_TRUE(mat4_is_identity(both));
}

TEST(Mat4, ProductKeepsTheFourthColumnAndClearsTheFlag) {
    mat4 m = made(kMat4KindRotationX, 0.5f);
    m.m[3] = 1.5f;
    m.m[7] = 2.5f;
    m.m[11] = 3.5f;
    mat4_mul_assign(m, made(kMat4KindTranslation, 1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m.m[3], 1.5f);
    EXPECT_EQ(m.m[7], 2.5f);
    EXPECT_EQ(m.m[11], 3.5f);
    EXPECT_EQ(m.m[15], 1.0f);
}

TEST(Mat4, RightOperandAppliesFirst) {
    const mat4 shift = made(kMat4KindTranslation, 1.0f, 0.0f, 0.0f);
    const mat4 turn = made(kMat4KindRotationZ, kHalfPi);
    expect_point(mat4_transform_point(mat4_mul(shift, turn), {}), 1.0f, 0.0f, 0.0f, "rotate, then shift");
    expect_point(mat4_transform_point(mat4_mul(turn, shift), {}), 0.0f, 1.0f, 0.0f, "shift, then rotate");

    // For every pair, the product transforms a point as b then a.
    const vec3 p{0.3f, -1.7f, 2.2f};
    for (const mat4& a : sample_transforms()) {
        for (const mat4& b : sample_transforms()) {
            const vec3 want = mat4_transform_point(a, mat4_transform_point(b, p));
            mat4 product;
            mat4_mul(product, a, b);
            expect_point(mat4_transform_point(product, p), want.x, want.y, want.z);
        }
    }
}

TEST(Mat4, ProductIntoAnOperand) {
    const mat4 a = made(kMat4KindRotationY, 0.9f);
    const mat4 b = made(kMat4KindTranslation, 1.0f, 2.0f, 3.0f);
    const mat4 want = mat4_mul(a, b);
    mat4 into_a = a;
    mat4_mul(into_a, into_a, b);
    mat4 into_b = b;
    mat4_mul(into_b, a, into_b);
    EXPECT_TRUE(mat4_equal(into_a, want));
    EXPECT_TRUE(mat4_equal(into_b, want));
    mat4 squared = a;
    mat4_mul_assign(squared, squared);
    EXPECT_TRUE(mat4_equal(squared, made(kMat4KindRotationY, 1.8f)));
}

TEST(Mat4, ElementaryStepsApplyFirst) {
    // Each step applies before what the matrix already holds.
    mat4 m = made(kMat4KindTranslation, 10.0f, 0.0f, 0.0f);
    mat4_rotate_z(m, kHalfPi);
    expect_point(mat4_transform_point(m, {1.0f, 0.0f, 0.0f}), 10.0f, 1.0f, 0.0f, "rotate_z");
    mat4_translate(m, {0.0f, 0.0f, 2.0f});
    expect_point(mat4_transform_point(m, {1.0f, 0.0f, 0.0f}), 10.0f, 1.0f, 2.0f, "translate");
    mat4_scale(m, {3.0f, 3.0f, 3.0f});
    expect_point(mat4_transform_point(m, {1.0f, 0.0f, 0.0f}), 10.0f, 3.0f, 2.0f, "scale");

    mat4 from_identity;
    mat4_rotate_x(from_identity, kHalfPi);
    EXPECT_TRUE(mat4_equal(from_identity, made(kMat4KindRotationX, kHalfPi)));
    mat4 about_axis;
    mat4_rotate_axis(about_axis, {0.0f, 0.0f, 1.0f}, 0.25f);
    EXPECT_TRUE(mat4_equal(about_axis, made(kMat4KindRotationZ, 0.25f)));
}

TEST(Mat4, SettersAndFactoryKinds) {
    const float a = 0.6f;
    const float c = std::cos(a);
    const float s = std::sin(a);
    struct Case {
        const char* name;
        mat4 got;
        std::vector<std::pair<int, float>> elements;  // the rest are those of the identity
    };
    const Case cases[] = {
        {"rotation x", made(kMat4KindRotationX, a), {{5, c}, {6, s}, {9, -s}, {10, c}}},
        {"rotation y", made(kMat4KindRotationY, a), {{0, c}, {2, s}, {8, -s}, {10, c}}},
        {"rotation z", made(kMat4KindRotationZ, a), {{0, c}, {1, s}, {4, -s}, {5, c}}},
        {"translation", made(kMat4KindTranslation, 1.0f, 2.0f, 3.0f), {{12, 1.0f}, {13, 2.0f}, {14, 3.0f}}},
        {"scale", made(kMat4KindScale, 2.0f, 3.0f, 4.0f), {{0, 2.0f}, {5, 3.0f}, {10, 4.0f}}},
        {"swap x y", made(kMat4KindSwapXY), {{0, 0.0f}, {5, 0.0f}, {1, 1.0f}, {4, 1.0f}}},
        {"swap x z", made(kMat4KindSwapXZ), {{0, 0.0f}, {10, 0.0f}, {2, 1.0f}, {8, 1.0f}}},
        {"swap y z", made(kMat4KindSwapYZ), {{5, 0.0f}, {10, 0.0f}, {6, 1.0f}, {9, 1.0f}}},
    };
    for (const Case& k : cases) {
        mat4 want = kMat4Identity;
        want.m[15] = 1.0f;
        for (const auto& [index, value] : k.elements) want.m[index] = value;
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(k.got.m[i], want.m[i]) << k.name << " element " << i;
    }

    EXPECT_TRUE(mat4_is_identity(made(kMat4KindIdentity)));
    const mat4 zero = made(kMat4KindZero);
    for (float e : zero.m) EXPECT_EQ(e, 0.0f);

    // Unknown kinds and permutations leave the matrix as it was.
    const mat4 before = made(kMat4KindTranslation, 1.0f, 2.0f, 3.0f);
    for (int kind : {11, 12, -1}) {
        mat4 m = before;
        mat4_make(m, kind, 5.0f, 5.0f, 5.0f, 5.0f);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], before.m[i]) << "kind " << kind;
    }
    mat4 m = before;
    mat4_set_permutation(m, 3);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], before.m[i]);
}

TEST(Mat4, RotationAboutAnAxis) {
    // The unit axes give the three setters' matrices, y included.
    for (float angle : {0.5f, -2.0f, kHalfPi}) {
        EXPECT_TRUE(mat4_equal(made(kMat4KindRotationAxis, 1.0f, 0.0f, 0.0f, angle),
                               made(kMat4KindRotationX, angle)));
        EXPECT_TRUE(mat4_equal(made(kMat4KindRotationAxis, 0.0f, 1.0f, 0.0f, angle),
                               made(kMat4KindRotationY, angle)));
        EXPECT_TRUE(mat4_equal(made(kMat4KindRotationAxis, 0.0f, 0.0f, 1.0f, angle),
                               made(kMat4KindRotationZ, angle)));
        EXPECT_TRUE(
            mat4_equal(made(kMat4KindRotationAxis, 0.0f, 0.0f, 3.0f, angle), made(kMat4KindRotationZ, angle)))
            << "the axis is normalised";
    }

    // Any axis gives a proper rotation: orthonormal rows, determinant 1.
    const mat4 r = made(kMat4KindRotationAxis, 1.0f, 2.0f, -0.5f, 0.8f);
    const vec3 rows[3] = {mat4_row0(r), mat4_row1(r), mat4_row2(r)};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(vec3_dot(rows[i], rows[j]), i == j ? 1.0f : 0.0f, 1e-5f);
    }
    EXPECT_NEAR(vec3_dot(vec3_cross(rows[0], rows[1]), rows[2]), 1.0f, 1e-5f);
    EXPECT_EQ(r.m[15], 1.0f);

    // A zero axis turns nothing instead of filling the matrix with NaNs.
    const mat4 none = made(kMat4KindRotationAxis, 0.0f, 0.0f, 0.0f, 1.0f);
    mat4 plain = kMat4Identity;
    plain.m[15] = 1.0f;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(none.m[i], plain.m[i]) << i;
}

// Turns about computed axes keep the axis where it is; the axis setter does so only for axes
// without a y part or with nothing else.
TEST(Mat4, RotationAboutKeepsItsAxis) {
    for (const vec3 axis :
         {vec3{0.0f, 1.0f, 1.0f}, vec3{1.0f, 1.0f, 0.0f}, vec3{1.0f, 2.0f, -0.5f}, vec3{0.3f, -0.9f, 0.2f}}) {
        mat4 r;
        mat4_set_rotation_about(r, axis, 0.7f);
        const vec3 unit = vec3_normalise(axis);
        const vec3 moved = mat4_transform_point(r, unit);
        EXPECT_NEAR(moved.x, unit.x, 1e-5f);
        EXPECT_NEAR(moved.y, unit.y, 1e-5f);
        EXPECT_NEAR(moved.z, unit.z, 1e-5f);
        // The axis setter turns about the axis mirrored in y.
        mat4 mirrored;
        mat4_set_rotation_about(mirrored, vec3{axis.x, -axis.y, axis.z}, 0.7f);
        EXPECT_TRUE(mat4_equal(made(kMat4KindRotationAxis, axis.x, axis.y, axis.z, 0.7f), mirrored));
    }
    // Unit axes: the x and z setters' sense; about y the other way from the y setter.
    mat4 r;
    mat4_set_rotation_about(r, vec3{1.0f, 0.0f, 0.0f}, 0.5f);
    EXPECT_TRUE(mat4_equal(r, made(kMat4KindRotationX, 0.5f)));
    mat4_set_rotation_about(r, vec3{0.0f, 0.0f, 2.0f}, 0.5f);
    EXPECT_TRUE(mat4_equal(r, made(kMat4KindRotationZ, 0.5f)));
    mat4_set_rotation_about(r, vec3{0.0f, 1.0f, 0.0f}, 0.5f);
    EXPECT_TRUE(mat4_equal(r, made(kMat4KindRotationY, -0.5f)));
}

TEST(Mat4, EqualityAndTheFlag) {
    mat4 plain = kMat4Identity;
    plain.m[15] = 1.0f;
    EXPECT_FALSE(mat4_equal(kMat4Identity, plain));
    EXPECT_FALSE(mat4_equal(plain, kMat4Identity));

    mat4 flagged_other = made(kMat4KindTranslation, 9.0f, 9.0f, 9.0f);
    flagged_other.m[15] = kMat4IdentityFlag;
    EXPECT_TRUE(mat4_equal(kMat4Identity, flagged_other));  // the flag alone decides

    mat4 near = plain;
    near.m[12] = 0.00001f;
    EXPECT_TRUE(mat4_equal(plain, near));
    near.m[12] = 0.00002f;
    EXPECT_FALSE(mat4_equal(plain, near));
    near.m[12] = std::nanf("");
    EXPECT_FALSE(mat4_equal(plain, near));
}

TEST(Mat4, RowsAndTheirSetters) {
    mat4 m = made(kMat4KindRotationZ, kHalfPi);
    m.m[3] = 4.0f;
    m.m[12] = 7.0f;
    const vec3 x_axis = mat4_row0(m);
    EXPECT_NEAR(x_axis.x, 0.0f, 1e-6f);
    EXPECT_NEAR(x_axis.y, 1.0f, 1e-6f);
    EXPECT_EQ(x_axis.w, 0.0f);
    EXPECT_EQ(mat4_row3(m).x, 7.0f);

    mat4 id = kMat4Identity;
    mat4_set_row2(id, 0.0f, 0.0f, 2.0f);
    EXPECT_EQ(id.m[15], 1.0f);
    EXPECT_EQ(mat4_row2(id).z, 2.0f);
    mat4_set_row3(m, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(m.m[3], 4.0f);
    EXPECT_EQ(mat4_row3(m).y, 2.0f);
    mat4_set_row1(m, 5.0f, 6.0f, 7.0f);
    EXPECT_EQ(mat4_row1(m).z, 7.0f);
    mat4_set_row0(m, 8.0f, 9.0f, 10.0f);
    EXPECT_EQ(mat4_row0(m).x, 8.0f);
}

TEST(Mat4, RigidInverse) {
    mat4 m = made(kMat4KindTranslation, 1.0f, 2.0f, 3.0f);
    mat4_rotate_y(m, 0.5f);
    const mat4 inverse = mat4_inverse_rigid(m);
    mat4 plain = kMat4Identity;
    plain.m[15] = 1.0f;
    EXPECT_TRUE(mat4_equal(mat4_mul(inverse, m), plain));
    EXPECT_TRUE(mat4_equal(mat4_mul(m, inverse), plain));
    EXPECT_EQ(mat4_mul(inverse, m).m[15], 1.0f);

    // Rigid transforms of several kinds undo each other through a point.
    const vec3 p{-3.0f, 0.25f, 8.0f};
    for (int kind : {kMat4KindRotationX, kMat4KindRotationZ, kMat4KindRotationAxis}) {
        mat4 rigid = made(kMat4KindTranslation, -4.0f, 0.5f, 9.0f);
        mat4_mul_assign(rigid, made(kind, 1.1f, 0.3f, -0.7f, 2.1f));
        const vec3 back = mat4_transform_point(mat4_inverse_rigid(rigid), mat4_transform_point(rigid, p));
        expect_point(back, p.x, p.y, p.z);
    }

    const mat4 transposed = mat4_rotation_transposed(made(kMat4KindTranslation, 5.0f, 5.0f, 5.0f));
    EXPECT_TRUE(mat4_equal(transposed, plain));
    EXPECT_TRUE(mat4_equal(mat4_rotation_transposed(made(kMat4KindRotationX, 0.3f)),
                           made(kMat4KindRotationX, -0.3f)));
}

TEST(Mat4, AffineInverseUndoesScaleToo) {
    const vec3 p{-3.0f, 0.25f, 8.0f};
    for (const mat4& m : sample_transforms()) {
        const vec3 back = mat4_transform_point(mat4_inverse_affine(m), mat4_transform_point(m, p));
        expect_point(back, p.x, p.y, p.z);
    }
    EXPECT_TRUE(mat4_is_identity(mat4_inverse_affine(kMat4Identity)));
    // A flat transform has no inverse: the rigid one stands in, without NaNs.
    const mat4 flat = made(kMat4KindScale, 1.0f, 0.0f, 1.0f);
    for (float e : mat4_inverse_affine(flat).m) EXPECT_TRUE(std::isfinite(e));
}

TEST(Mat4, TransformsPoints) {
    const vec3 p{1.0f, 2.0f, 3.0f, 5.0f};
    const vec3 same = mat4_transform_point(kMat4Identity, p);
    EXPECT_EQ(same.x, 1.0f);
    EXPECT_EQ(same.w, 5.0f);

    mat4 m = kMat4Zero;
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i + 1);
    m.m[15] = 1.0f;
    vec3 out;
    mat4_transform_point(out, m, p);
    // x' = x m0 + y m4 + z m8 + m12 and likewise.
    EXPECT_EQ(out.x, 1.0f * 1 + 2.0f * 5 + 3.0f * 9 + 13);
    EXPECT_EQ(out.y, 1.0f * 2 + 2.0f * 6 + 3.0f * 10 + 14);
    EXPECT_EQ(out.z, 1.0f * 3 + 2.0f * 7 + 3.0f * 11 + 15);
}

}  // namespace
}  // namespace kv
