#include "gfx/camera_view.h"

#include <cmath>
#include <numbers>

#include "kernel/log.h"

namespace kv {
namespace {

constexpr int kNear = 0;
constexpr int kAngle0 = 1;
constexpr int kAngleCount = 4;
constexpr int kFirstScaled = 0;
constexpr int kThirdScaled = 2;
constexpr int32_t kMaxZoom = 100;
constexpr float kNarrowest = 0.0625f;

bool pair_has_projection(float a, float b) {
    const float sum = a + b;
    return std::isfinite(a) && std::isfinite(b) && sum > 0.0f && sum < std::numbers::pi_v<float>;
}

bool has_finite_projection(const float (&values)[kViewportProjectionValues]) {
    const float near = values[kNear];
    return std::isfinite(near) && near > 0.0f && pair_has_projection(values[kAngle0], values[kAngle0 + 1]) &&
           pair_has_projection(values[kAngle0 + 2], values[kAngle0 + 3]);
}

void compute_projection(camera_view& view) {
    const float* values = view.record.projection;
    const float s = camera_view_zoom_scale(view.zoom);
    const float near = values[kNear];
    float b[kAngleCount];
    for (int i = 0; i < kAngleCount; ++i) b[i] = s * values[kAngle0 + i];

    mat4 shear;
    shear.m[8] = std::tan(b[0] - b[1]);
    shear.m[9] = std::tan(b[2] - b[3]);
    shear.m[15] = 1.0f;
    mat4 scale;
    scale.m[0] = 1.0f / (std::tan((b[0] + b[1]) / 2.0f) * near);
    scale.m[5] = 1.0f / (std::tan((b[2] + b[3]) / 2.0f) * near);
    scale.m[10] = 1.0f / near;
    scale.m[15] = 1.0f;

    view.scaled[0] = values[kFirstScaled] / near;
    view.scaled[1] = values[kThirdScaled] / near;
    view.view_projection = mat4_mul(scale, mat4_mul(shear, view.record.transform));
}

}  // namespace

float camera_view_zoom_scale(int32_t percent) {
    const int32_t p = percent < 0 ? 0 : percent > kMaxZoom ? kMaxZoom : percent;
    return static_cast<float>(kMaxZoom - p) / kMaxZoom * (1.0f - kNarrowest) + kNarrowest;
}

camera_view camera_view_copy(const viewport& record) {
    camera_view view;
    view.record = record;
    if (!has_finite_projection(view.record.projection)) {
        log_write("gfx: Viewport `%s' has no finite projection; a 90-degree view is used.\n",
                  log_printable(record.name).c_str());
        float* values = view.record.projection;
        if (!(std::isfinite(values[kNear]) && values[kNear] > 0.0f)) values[kNear] = 1.0f;
        for (int i = 0; i < kAngleCount; ++i) values[kAngle0 + i] = kCameraViewFallbackAngle;
    }
    compute_projection(view);
    return view;
}

void camera_view_set_zoom(camera_view& view, int32_t percent) {
    view.zoom = percent < 0 ? 0 : percent > kMaxZoom ? kMaxZoom : percent;
    compute_projection(view);
}

}  // namespace kv
