#pragma once
// 4x4 transform, row-major: rows 0-2 are the transformed x, y and z axes, row 3 the translation.
// Points are row vectors (p' = p x M). Products are affine: the fourth column is taken as
// (0, 0, 0, 1) and not computed. The identity carries -1.0 in element 15, so that a product with
// it costs one comparison; every setter that builds anything else writes 1.0 there.

#include "util/vec3.h"

namespace kv {

inline constexpr float kMat4IdentityFlag = -1.0f;
inline constexpr float kMat4Tolerance = 1e-5f;

struct mat4 {
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                   0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, kMat4IdentityFlag};
};

inline constexpr mat4 kMat4Identity{};
inline constexpr mat4 kMat4Zero{{}};

// Kinds of mat4_make.
enum mat4_kind : int {
    kMat4KindZero = 0,
    kMat4KindIdentity = 1,
    kMat4KindRotationX = 2,
    kMat4KindRotationY = 3,
    kMat4KindRotationZ = 4,
    kMat4KindRotationAxis = 5,
    kMat4KindTranslation = 6,
    kMat4KindScale = 7,
    kMat4KindSwapXY = 8,
    kMat4KindSwapXZ = 9,
    kMat4KindSwapYZ = 10,
};

inline bool mat4_is_identity(const mat4& m) {
    return m.m[15] == kMat4IdentityFlag;
}

// Setters overwrite the whole matrix. Angles are radians.
void mat4_set_identity(mat4& m);
void mat4_set_zero(mat4& m);
// x: m5 = cos, m6 = sin, m9 = -sin, m10 = cos.
void mat4_set_rotation_x(mat4& m, float angle);
// y: m0 = cos, m2 = sin, m8 = -sin, m10 = cos. Note this turns the other way about its axis from x and z.
void mat4_set_rotation_y(mat4& m, float angle);
// z: m0 = cos, m1 = sin, m4 = -sin, m5 = cos.
void mat4_set_rotation_z(mat4& m, float angle);
// The axis is normalised first; a zero axis gives no rotation. The unit axes give exactly the
// matrices of the three setters above, y included: the turn is about the axis mirrored in y, so an
// axis with a y part and an x or z part does not stay where it is.
void mat4_set_rotation_axis(mat4& m, float x, float y, float z, float angle);
// A rotation that keeps the axis where it is, turning as the x and z setters do (about the y axis
// it turns the other way from `mat4_set_rotation_y`). For turns about computed axes.
void mat4_set_rotation_about(mat4& m, const vec3& axis, float angle);
void mat4_set_translation(mat4& m, float x, float y, float z);
void mat4_set_scale(mat4& m, float x, float y, float z);
// 0 swaps x and y, 1 x and z, 2 y and z; any other value leaves the matrix unchanged.
void mat4_set_permutation(mat4& m, int which);
// By mat4_kind: rotations about x/y/z take the angle a, about an axis (a, b, c) by d;
// translation and scale take (a, b, c). An unknown kind leaves the matrix unchanged.
void mat4_make(mat4& m, int kind, float a = 0.0f, float b = 0.0f, float c = 0.0f, float d = 0.0f);

// m := other x m: the result applies other first, then m. Elements 3, 7 and 11 keep their values.
void mat4_mul_assign(mat4& m, const mat4& other);
// b applied first, then a.
mat4 mat4_mul(const mat4& a, const mat4& b);
void mat4_mul(mat4& out, const mat4& a, const mat4& b);

// m := m after the elementary transform, which applies first.
void mat4_translate(mat4& m, const vec3& v);
void mat4_scale(mat4& m, const vec3& v);
void mat4_rotate_x(mat4& m, float angle);
void mat4_rotate_y(mat4& m, float angle);
void mat4_rotate_z(mat4& m, float angle);
void mat4_rotate_axis(mat4& m, const vec3& axis, float angle);
void mat4_rotate_about(mat4& m, const vec3& axis, float angle);

// Both identities, or every element within kMat4Tolerance.
bool mat4_equal(const mat4& a, const mat4& b);

// Rows as vectors with w = 0.
vec3 mat4_row0(const mat4& m);
vec3 mat4_row1(const mat4& m);
vec3 mat4_row2(const mat4& m);
vec3 mat4_row3(const mat4& m);
// Set a row's first three elements; element 15 := 1.0.
void mat4_set_row0(mat4& m, float x, float y, float z);
void mat4_set_row1(mat4& m, float x, float y, float z);
void mat4_set_row2(mat4& m, float x, float y, float z);
void mat4_set_row3(mat4& m, float x, float y, float z);

// The identity with the upper 3x3 transposed (the inverse of a pure rotation); element 15 = 1.0.
mat4 mat4_rotation_transposed(const mat4& m);
// The inverse of a rotation plus translation.
mat4 mat4_inverse_rigid(const mat4& m);
// The inverse of any invertible affine transform (scale included); the identity gives the identity
// and a singular upper 3x3 gives the rigid inverse.
mat4 mat4_inverse_affine(const mat4& m);

// x' = x m0 + y m4 + z m8 + m12 and likewise for y and z; w is kept. The identity copies the point.
vec3 mat4_transform_point(const mat4& m, const vec3& point);
void mat4_transform_point(vec3& out, const mat4& m, const vec3& point);

}  // namespace kv
