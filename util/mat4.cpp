#include "util/mat4.h"

#include <cmath>

namespace kv {
namespace {

// Identity values with element 15 = 1.0: the start of every setter that builds a real transform.
void set_plain_identity(mat4& m) {
    m = kMat4Identity;
    m.m[15] = 1.0f;
}

void set_row(mat4& m, int row, float x, float y, float z) {
    m.m[row * 4] = x;
    m.m[row * 4 + 1] = y;
    m.m[row * 4 + 2] = z;
    m.m[15] = 1.0f;
}

vec3 row(const mat4& m, int row) {
    return {m.m[row * 4], m.m[row * 4 + 1], m.m[row * 4 + 2]};
}

// out := other x m (other applied first) for two matrices without the identity flag. Elements 3, 7
// and 11 come from m; out may be either operand. Scalar code: the compiler vectorises it on x86-64.
void multiply_affine(mat4& out, const mat4& m, const mat4& other) {
    const float* t = m.m;
    const float* o = other.m;
    float r[12];
    for (int i = 0; i < 4; ++i) {
        const float a = o[i * 4];
        const float b = o[i * 4 + 1];
        const float c = o[i * 4 + 2];
        r[i * 3] = a * t[0] + b * t[4] + c * t[8];
        r[i * 3 + 1] = a * t[1] + b * t[5] + c * t[9];
        r[i * 3 + 2] = a * t[2] + b * t[6] + c * t[10];
    }
    r[9] += t[12];
    r[10] += t[13];
    r[11] += t[14];
    const float fourth[3] = {t[3], t[7], t[11]};
    float* e = out.m;
    for (int i = 0; i < 4; ++i) {
        e[i * 4] = r[i * 3];
        e[i * 4 + 1] = r[i * 3 + 1];
        e[i * 4 + 2] = r[i * 3 + 2];
    }
    e[3] = fourth[0];
    e[7] = fourth[1];
    e[11] = fourth[2];
    e[15] = 1.0f;
}

}  // namespace

void mat4_set_identity(mat4& m) {
    m = kMat4Identity;
}

void mat4_set_zero(mat4& m) {
    m = kMat4Zero;
}

namespace {

// A rotation within the plane of axes a and b (a < b): m[a][a] = m[b][b] = cos, m[a][b] = sin,
// m[b][a] = -sin.
void set_plane_rotation(mat4& m, int a, int b, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    set_plain_identity(m);
    m.m[a * 5] = c;
    m.m[a * 4 + b] = s;
    m.m[b * 4 + a] = -s;
    m.m[b * 5] = c;
}

}  // namespace

void mat4_set_rotation_x(mat4& m, float angle) {
    set_plane_rotation(m, 1, 2, angle);
}

void mat4_set_rotation_y(mat4& m, float angle) {
    set_plane_rotation(m, 0, 2, angle);
}

void mat4_set_rotation_z(mat4& m, float angle) {
    set_plane_rotation(m, 0, 1, angle);
}

void mat4_set_rotation_about(mat4& m, const vec3& axis_in, float angle) {
    set_plain_identity(m);
    const vec3 axis = vec3_normalise(axis_in);
    if (vec3_length_sq(axis) == 0.0f) return;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    const float ax = axis.x;
    const float ay = axis.y;
    const float az = axis.z;
    m.m[0] = t * ax * ax + c;
    m.m[1] = t * ax * ay + s * az;
    m.m[2] = t * ax * az - s * ay;
    m.m[4] = t * ax * ay - s * az;
    m.m[5] = t * ay * ay + c;
    m.m[6] = t * ay * az + s * ax;
    m.m[8] = t * ax * az + s * ay;
    m.m[9] = t * ay * az - s * ax;
    m.m[10] = t * az * az + c;
}

void mat4_set_rotation_axis(mat4& m, float x, float y, float z, float angle) {
    // The y rotation turns the other way from x and z, so y enters with its sign turned; each
    // unit axis then gives its own setter's matrix.
    mat4_set_rotation_about(m, vec3{x, -y, z}, angle);
}

void mat4_set_translation(mat4& m, float x, float y, float z) {
    set_plain_identity(m);
    m.m[12] = x;
    m.m[13] = y;
    m.m[14] = z;
}

void mat4_set_scale(mat4& m, float x, float y, float z) {
    set_plain_identity(m);
    m.m[0] = x;
    m.m[5] = y;
    m.m[10] = z;
}

void mat4_set_permutation(mat4& m, int which) {
    static constexpr int kSwappedAxes[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    if (which < 0 || which > 2) return;
    const int a = kSwappedAxes[which][0];
    const int b = kSwappedAxes[which][1];
    set_plain_identity(m);
    m.m[a * 5] = 0.0f;
    m.m[b * 5] = 0.0f;
    m.m[a * 4 + b] = 1.0f;
    m.m[b * 4 + a] = 1.0f;
}

void mat4_make(mat4& m, int kind, float a, float b, float c, float d) {
    switch (kind) {
        case kMat4KindZero:
            mat4_set_zero(m);
            break;
        case kMat4KindIdentity:
            mat4_set_identity(m);
            break;
        case kMat4KindRotationX:
            mat4_set_rotation_x(m, a);
            break;
        case kMat4KindRotationY:
            mat4_set_rotation_y(m, a);
            break;
        case kMat4KindRotationZ:
            mat4_set_rotation_z(m, a);
            break;
        case kMat4KindRotationAxis:
            mat4_set_rotation_axis(m, a, b, c, d);
            break;
        case kMat4KindTranslation:
            mat4_set_translation(m, a, b, c);
            break;
        case kMat4KindScale:
            mat4_set_scale(m, a, b, c);
            break;
        case kMat4KindSwapXY:
            mat4_set_permutation(m, 0);
            break;
        case kMat4KindSwapXZ:
            mat4_set_permutation(m, 1);
            break;
        case kMat4KindSwapYZ:
            mat4_set_permutation(m, 2);
            break;
        default:
            break;
    }
}

void mat4_mul_assign(mat4& m, const mat4& other) {
    if (mat4_is_identity(other)) return;
    if (mat4_is_identity(m)) {
        m = other;
        return;
    }
    multiply_affine(m, m, other);
}

mat4 mat4_mul(const mat4& a, const mat4& b) {
    mat4 product;
    mat4_mul(product, a, b);
    return product;
}

void mat4_mul(mat4& out, const mat4& a, const mat4& b) {
    if (mat4_is_identity(b)) {
        out = a;
    } else if (mat4_is_identity(a)) {
        out = b;
    } else {
        multiply_affine(out, a, b);
    }
}

void mat4_translate(mat4& m, const vec3& v) {
    mat4 step;
    mat4_set_translation(step, v.x, v.y, v.z);
    mat4_mul_assign(m, step);
}

void mat4_scale(mat4& m, const vec3& v) {
    mat4 step;
    mat4_set_scale(step, v.x, v.y, v.z);
    mat4_mul_assign(m, step);
}

void mat4_rotate_x(mat4& m, float angle) {
    mat4 step;
    mat4_set_rotation_x(step, angle);
    mat4_mul_assign(m, step);
}

void mat4_rotate_y(mat4& m, float angle) {
    mat4 step;
    mat4_set_rotation_y(step, angle);
    mat4_mul_assign(m, step);
}

void mat4_rotate_z(mat4& m, float angle) {
    mat4 step;
    mat4_set_rotation_z(step, angle);
    mat4_mul_assign(m, step);
}

void mat4_rotate_axis(mat4& m, const vec3& axis, float angle) {
    mat4 step;
    mat4_set_rotation_axis(step, axis.x, axis.y, axis.z, angle);
    mat4_mul_assign(m, step);
}

void mat4_rotate_about(mat4& m, const vec3& axis, float angle) {
    mat4 step;
    mat4_set_rotation_about(step, axis, angle);
    mat4_mul_assign(m, step);
}

bool mat4_equal(const mat4& a, const mat4& b) {
    if (mat4_is_identity(a) && mat4_is_identity(b)) return true;
    for (int i = 0; i < 16; ++i) {
        if (!(std::fabs(a.m[i] - b.m[i]) <= kMat4Tolerance)) return false;
    }
    return true;
}

vec3 mat4_row0(const mat4& m) {
    return row(m, 0);
}
vec3 mat4_row1(const mat4& m) {
    return row(m, 1);
}
vec3 mat4_row2(const mat4& m) {
    return row(m, 2);
}
vec3 mat4_row3(const mat4& m) {
    return row(m, 3);
}

void mat4_set_row0(mat4& m, float x, float y, float z) {
    set_row(m, 0, x, y, z);
}
void mat4_set_row1(mat4& m, float x, float y, float z) {
    set_row(m, 1, x, y, z);
}
void mat4_set_row2(mat4& m, float x, float y, float z) {
    set_row(m, 2, x, y, z);
}
void mat4_set_row3(mat4& m, float x, float y, float z) {
    set_row(m, 3, x, y, z);
}

mat4 mat4_rotation_transposed(const mat4& m) {
    mat4 t;
    set_plain_identity(t);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) t.m[i * 4 + j] = m.m[j * 4 + i];
    }
    return t;
}

mat4 mat4_inverse_rigid(const mat4& m) {
    mat4 inverse = mat4_rotation_transposed(m);
    mat4_translate(inverse, -mat4_row3(m));
    return inverse;
}

mat4 mat4_inverse_affine(const mat4& m) {
    if (mat4_is_identity(m)) return m;
    const float* e = m.m;
    // Cofactors of the upper 3x3, transposed, over its determinant.
    const float c0 = e[5] * e[10] - e[6] * e[9];
    const float c1 = e[6] * e[8] - e[4] * e[10];
    const float c2 = e[4] * e[9] - e[5] * e[8];
    const float det = e[0] * c0 + e[1] * c1 + e[2] * c2;
    if (det == 0.0f || !std::isfinite(det)) return mat4_inverse_rigid(m);
    const float k = 1.0f / det;
    mat4 inverse;
    float* r = inverse.m;
    r[0] = c0 * k;
    r[1] = (e[2] * e[9] - e[1] * e[10]) * k;
    r[2] = (e[1] * e[6] - e[2] * e[5]) * k;
    r[4] = c1 * k;
    r[5] = (e[0] * e[10] - e[2] * e[8]) * k;
    r[6] = (e[2] * e[4] - e[0] * e[6]) * k;
    r[8] = c2 * k;
    r[9] = (e[1] * e[8] - e[0] * e[9]) * k;
    r[10] = (e[0] * e[5] - e[1] * e[4]) * k;
    r[3] = r[7] = r[11] = 0.0f;
    r[12] = r[13] = r[14] = 0.0f;
    r[15] = 1.0f;
    const vec3 t = mat4_transform_point(inverse, mat4_row3(m));
    r[12] = -t.x;
    r[13] = -t.y;
    r[14] = -t.z;
    return inverse;
}

vec3 mat4_transform_point(const mat4& m, const vec3& point) {
    if (mat4_is_identity(m)) return point;
    const float* e = m.m;
    return {point.x * e[0] + point.y * e[4] + point.z * e[8] + e[12],
            point.x * e[1] + point.y * e[5] + point.z * e[9] + e[13],
            point.x * e[2] + point.y * e[6] + point.z * e[10] + e[14], point.w};
}

void mat4_transform_point(vec3& out, const mat4& m, const vec3& point) {
    out = mat4_transform_point(m, point);
}

}  // namespace kv
