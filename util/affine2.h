#pragma once
// 2D affine transform for texture coordinates and screen layout: rows (a, b, tx) and (c, d, ty);
// a point (x, y) maps to (a x + b y + tx, c x + d y + ty).

namespace kv {

struct affine2 {
    float a = 1.0f;
    float b = 0.0f;
    float tx = 0.0f;
    float c = 0.0f;
    float d = 1.0f;
    float ty = 0.0f;
};

inline constexpr affine2 kAffine2Identity{};
inline constexpr affine2 kAffine2Zero{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};

// Kinds of affine2_make.
enum affine2_kind : int {
    kAffine2KindZero = 0,
    kAffine2KindIdentity = 1,
    kAffine2KindRotation = 2,
    kAffine2KindTranslation = 3,
    kAffine2KindScale = 4,
};

// Rotation by the angle a, translation (a, b), scale (a, b). An unknown kind leaves it unchanged.
void affine2_make(affine2& t, int kind, float a = 0.0f, float b = 0.0f);
affine2 affine2_translation(float tx, float ty);
affine2 affine2_scale(float sx, float sy);
// Rows (cos, -sin, 0) and (sin, cos, 0).
affine2 affine2_rotation(float angle);
// t := t composed with other, other applied first.
void affine2_mul_assign(affine2& t, const affine2& other);

}  // namespace kv
