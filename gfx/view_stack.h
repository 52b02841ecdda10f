#pragma once
// The camera state of the graphics front end: the run-time copies of the current view's viewports,
// the viewport being drawn, the current camera's view matrix, the weapon sights' zoom and the matrix
// stack whose top maps the coordinates of what is being drawn to eye space. Everything that draws in
// 3D pushes its own transform before drawing and pops it after; the identity stays at the bottom.
// Emptying keeps the storage, so a steady frame allocates nothing.

#include <cstdint>
#include <vector>

#include "gfx/camera_view.h"
#include "util/mat4.h"
#include "util/placement.h"

namespace kv {

struct view_stack {
    std::vector<camera_view> viewports;
    uint32_t current = 0;
    std::vector<mat4> matrices;  // the last one is the top
    mat4 view_matrix;            // the rigid inverse of the camera's transform
    float zoom = 0.0f;           // percent, set by the weapon sights
};

void view_stack_init(view_stack& vs);
void view_stack_clear_viewports(view_stack& vs);
// The index of the copy.
int32_t view_stack_add_viewport(view_stack& vs, const camera_view& view);
uint32_t view_stack_viewport_count(const view_stack& vs);
void view_stack_set_camera(view_stack& vs, const placement& camera);
// Only the identity left on the stack.
void view_stack_reset_matrices(view_stack& vs);
// Viewport i's view-projection after the view matrix without its translation: the sky turns and
// zooms with the camera but never moves. False (nothing changed) for an index out of range.
bool view_stack_begin_sky(view_stack& vs, uint32_t i);
// Applies a changed zoom to viewport i, then pushes its view-projection after the view matrix. False
// (nothing changed) for an index out of range.
bool view_stack_begin_world(view_stack& vs, uint32_t i);
// The new top applies m first, then the old top.
void view_stack_push_matrix(view_stack& vs, const mat4& m);
// Never removes the bottom identity.
void view_stack_pop_matrix(view_stack& vs);
const mat4& view_stack_top(const view_stack& vs);
// Stored for the next `view_stack_begin_world`; not a number counts as 0.
void view_stack_set_zoom(view_stack& vs, float percent);

}  // namespace kv
