#include "gfx/view_stack.h"

#include <cmath>

namespace kv {
namespace {

constexpr float kMaxZoom = 100.0f;

int32_t zoom_percent(float zoom) {
    if (!(zoom > 0.0f)) return 0;  // also not a number
    return static_cast<int32_t>(zoom < kMaxZoom ? zoom : kMaxZoom);
}

void push_camera_product(view_stack& vs, const mat4& view_projection, const mat4& view_matrix) {
    view_stack_reset_matrices(vs);
    vs.matrices.push_back(mat4_mul(view_projection, view_matrix));
}

}  // namespace

void view_stack_init(view_stack& vs) {
    vs.viewports.clear();
    vs.matrices.clear();
    vs.current = 0;
    vs.zoom = 0.0f;
}

void view_stack_clear_viewports(view_stack& vs) {
    vs.viewports.clear();
}

int32_t view_stack_add_viewport(view_stack& vs, const camera_view& view) {
    vs.viewports.push_back(view);
    return static_cast<int32_t>(vs.viewports.size()) - 1;
}

uint32_t view_stack_viewport_count(const view_stack& vs) {
    return static_cast<uint32_t>(vs.viewports.size());
}

void view_stack_set_camera(view_stack& vs, const placement& camera) {
    placement_inverse(vs.view_matrix, camera);
}

void view_stack_reset_matrices(view_stack& vs) {
    vs.matrices.clear();
    vs.matrices.push_back(kMat4Identity);
}

bool view_stack_begin_sky(view_stack& vs, uint32_t i) {
    if (i >= vs.viewports.size()) return false;
    vs.current = i;
    mat4 turn_only = vs.view_matrix;
    turn_only.m[12] = turn_only.m[13] = turn_only.m[14] = 0.0f;
    push_camera_product(vs, vs.viewports[i].view_projection, turn_only);
    return true;
}

bool view_stack_begin_world(view_stack& vs, uint32_t i) {
    if (i >= vs.viewports.size()) return false;
    vs.current = i;
    camera_view& view = vs.viewports[i];
    const int32_t zoom = zoom_percent(vs.zoom);
    if (view.zoom != zoom) camera_view_set_zoom(view, zoom);
    push_camera_product(vs, view.view_projection, vs.view_matrix);
    return true;
}

void view_stack_push_matrix(view_stack& vs, const mat4& m) {
    if (vs.matrices.empty()) vs.matrices.push_back(kMat4Identity);
    vs.matrices.push_back(mat4_mul(vs.matrices.back(), m));
}

void view_stack_pop_matrix(view_stack& vs) {
    if (vs.matrices.size() > 1) vs.matrices.pop_back();
}

const mat4& view_stack_top(const view_stack& vs) {
    return vs.matrices.empty() ? kMat4Identity : vs.matrices.back();
}

void view_stack_set_zoom(view_stack& vs, float percent) {
    vs.zoom = std::isnan(percent) ? 0.0f : percent;
}

}  // namespace kv
