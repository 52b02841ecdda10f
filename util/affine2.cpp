#include "util/affine2.h"

#include <cmath>

namespace kv {

void affine2_make(affine2& t, int kind, float a, float b) {
    switch (kind) {
        case kAffine2KindZero:
            t = kAffine2Zero;
            break;
        case kAffine2KindIdentity:
            t = kAffine2Identity;
            break;
        case kAffine2KindRotation:
            t = affine2_rotation(a);
            break;
        case kAffine2KindTranslation:
            t = affine2_translation(a, b);
            break;
        case kAffine2KindScale:
            t = affine2_scale(a, b);
            break;
        default:
            break;
    }
}

affine2 affine2_translation(float tx, float ty) {
    affine2 t = kAffine2Identity;
    t.tx = tx;
    t.ty = ty;
    return t;
}

affine2 affine2_scale(float sx, float sy) {
    affine2 t = kAffine2Zero;
    t.a = sx;
    t.d = sy;
    return t;
}

affine2 affine2_rotation(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return {c, -s, 0.0f, s, c, 0.0f};
}

void affine2_mul_assign(affine2& t, const affine2& o) {
    const affine2 r{t.a * o.a + t.b * o.c, t.a * o.b + t.b * o.d, t.a * o.tx + t.b * o.ty + t.tx,
                    t.c * o.a + t.d * o.c, t.c * o.b + t.d * o.d, t.c * o.tx + t.d * o.ty + t.ty};
    t = r;
}

}  // namespace kv
