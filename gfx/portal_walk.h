#pragma once
// The portal walk: which sectors are drawn, and the planes that cull what is drawn in them.
//
// The frame draws the camera's sector itself and then walks its portals: every portal that faces
// the eye and shows something adds four clip planes through the eye and its edges, and the sector
// behind it is drawn with those planes active; a nested walk does the same one sector further, and
// no further (two portals away at most). Portals of one sector that lead to the same sector form
// one group: the target is drawn once with the planes of all of them. Large occluders of the drawn
// sectors that face the eye add five planes each (their own plane and four edge planes), and hide
// what lies wholly behind them for the rest of the viewport.
//
// Everything works in eye space: the top of the view stack's matrix stack, after a sector's own
// transform, takes a sector's coordinates there (eye at the origin, looking along +z, the view a
// square 90-degree pyramid). A quad faces the eye when, with n = (c1 - c0) x (c2 - c1), n . c0 >= 0.
//
// The frame's part, per viewport: `gfx_begin_world_walk`, then its own sector drawing through
// `gfx_draw_world_from`; the sector drawing collects the sector's occluders first
// (`gfx_collect_occluders`) and tests each object's eye-space box with the view volume
// (`gfx_view_volume_pass`) and `gfx_cull_planes_pass`, which together are the whole box test.

#include <array>
#include <cstdint>
#include <functional>

#include "kernel/timer.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/plane.h"
#include "util/vec3.h"

namespace kv {

struct gfx;
struct portal;
class sector;

inline constexpr int32_t kMaxClipPlanes = 32;
inline constexpr int32_t kClipPlaneGroup = 4;
inline constexpr int32_t kMaxOccluderPlanes = 160;
inline constexpr int32_t kOccluderPlaneGroup = 5;
// The out-planes line is written at most this often while occluders are refused.
inline constexpr int32_t kOutPlanesLogIntervalMs = 1000;
// How far the shown occluders stand out towards the eye.
inline constexpr float kShownOccluderLift = 10.0f;

struct gfx_cull_planes {
    int32_t clip_count = 0;  // a multiple of 4: one group per passed portal
    std::array<plane, kMaxClipPlanes> clip{};
    int32_t occluder_count = 0;  // a multiple of 5: one group per collected occluder
    std::array<plane, kMaxOccluderPlanes> occluders{};
    timer out_planes_timer;  // since the last out-planes line
    bool out_planes_written = false;
};

// Draws one sector (the frame's sector drawing); it stamps the sector with the frame stamp.
using gfx_sector_drawer = std::function<void(sector&)>;

// Walks the sector's portals; `base` is the clip-plane count active on entry (0 from the frame).
void gfx_portal_walk(gfx& g, sector& s, int32_t base, const gfx_sector_drawer& draw_sector);
// The world of one viewport from the camera's sector: no planes, then the camera's sector unless
// the debug switch is set, then the portal walk when portals are on.
void gfx_draw_world_from(gfx& g, sector& camera_sector, const gfx_sector_drawer& draw_sector);
// No clip planes and no occluders: the start of a viewport's world pass.
void gfx_begin_world_walk(gfx& g);

// Four planes through the eye and the portal's edges, its corners taken through `to_eye`. False
// (nothing added) when 32 planes are active.
bool gfx_add_portal_clip_planes(gfx& g, const portal& p, const mat4& to_eye);
void gfx_set_clip_plane_count(gfx& g, int32_t n);

// Collects the sector's large facing occluders (`show` false), or draws every one of them (`show`
// true): blue one that would be collected, green the others.
void gfx_collect_occluders(gfx& g, sector& s, bool show);
// The occluder's plane and four edge planes from its eye-space corners; false (nothing added) when
// 160 planes are active.
bool gfx_add_occluder_planes(gfx& g, const std::array<vec3, 4>& corners);
void gfx_clear_occluders(gfx& g);

// The eye-space box within the view volume of the current viewport: in front of z = 1, short of its
// far distance, inside the 90-degree pyramid.
bool gfx_view_volume_pass(const gfx& g, const box3& eye_box);
// The eye-space box passes the first n clip planes (-1: every active one) when it is in front of all
// four planes of at least one group, and no occluder hides it wholly.
bool gfx_cull_planes_pass(const gfx& g, const box3& eye_box, int32_t n);

// The matrix taking the sector's coordinates to eye space: the top matrix after its transform.
mat4 gfx_sector_to_eye(const gfx& g, const sector& s);
// The facing test of portals and occluders on eye-space corners.
bool gfx_quad_faces_eye(const std::array<vec3, 4>& eye_corners);

}  // namespace kv
