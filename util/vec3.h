#pragma once
// The engine's vector: x, y, z and a fourth float w that is only carried along (0 for vectors
// read from files). Arithmetic uses x, y, z; new vectors get w = 0, the assigning forms keep it.

#include <cmath>

namespace kv {

struct vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

inline vec3 operator+(const vec3& a, const vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline vec3 operator-(const vec3& a, const vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline vec3 operator-(const vec3& a) {
    return {-a.x, -a.y, -a.z};
}
inline vec3 operator*(const vec3& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline vec3 operator*(float s, const vec3& a) {
    return {a.x * s, a.y * s, a.z * s};
}

inline void vec3_set(vec3& v, float x, float y, float z) {
    v.x = x;
    v.y = y;
    v.z = z;
}

inline float vec3_dot(const vec3& a, const vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline vec3 vec3_cross(const vec3& a, const vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float vec3_length_sq(const vec3& v) {
    return vec3_dot(v, v);
}
inline float vec3_length(const vec3& v) {
    return std::sqrt(vec3_length_sq(v));
}

// The unit vector along v; a zero vector stays zero rather than turning into NaNs.
inline vec3 vec3_normalise(const vec3& v) {
    const float length_sq = vec3_length_sq(v);
    if (!(length_sq > 0.0f)) return {};
    const float length = std::sqrt(length_sq);
    return {v.x / length, v.y / length, v.z / length};
}

// a -= b; returns a.
inline vec3& vec3_sub_assign(vec3& a, const vec3& b) {
    a.x -= b.x;
    a.y -= b.y;
    a.z -= b.z;
    return a;
}

inline vec3& vec3_mul_assign(vec3& v, float s) {
    v.x *= s;
    v.y *= s;
    v.z *= s;
    return v;
}

// v := v x other.
inline vec3& vec3_cross_assign(vec3& v, const vec3& other) {
    const vec3 c = vec3_cross(v, other);
    vec3_set(v, c.x, c.y, c.z);
    return v;
}

}  // namespace kv
