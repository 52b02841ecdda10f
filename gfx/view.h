#pragma once
// A view: a named set of viewports that a screen of a package carries. The front end activates a
// view by name and renders each viewport with the camera bound to it.
//
// Package records (big-endian, strings counted by a u16):
//   view: name, viewport count (u16), that many viewport chunk ids; a viewport chunk named again
//         (in this view or another) is the viewport read the first time, shared.
//   viewport: x, y, width, height (i16, in the 1000 x 1000 virtual screen), name, position (3 f32),
//         rotation axis (3 f32), rotation angle (f32), seven projection values (f32): the near
//         distance, the horizontal frustum angles, the vertical ones, one value kept unused, the
//         far distance.

#include <cstdint>
#include <memory>
#include <string>

#include "data/object_table.h"
#include "util/mat4.h"

namespace kv {

struct package_read_context;
struct placement;

// Positions of the projection values.
inline constexpr int kViewportNear = 0;
inline constexpr int kViewportFar = 6;
inline constexpr int kViewportProjectionValues = 7;

struct viewport {
    int32_t rect[4] = {0, 0, 0, 0};  // x, y, width, height
    std::string name;
    // Rotation about the axis after translation by the position: p becomes R(p + position). A zero
    // axis turns nothing.
    mat4 transform;
    float projection[kViewportProjectionValues] = {};
    placement* camera = nullptr;  // bound by the front end
};

struct view {
    std::string name;
    object_table<viewport> viewports;  // each viewport owned by the first view that read it
};

// Reads the view record in the current chunk, and each viewport it names the first time. Raises
// `read_error` on a damaged record.
std::unique_ptr<view> view_read(package_read_context& ctx);
// Reads the viewport record in the current chunk; a near distance not above 0 is damage.
std::unique_ptr<viewport> viewport_read(package_read_context& ctx);

}  // namespace kv
