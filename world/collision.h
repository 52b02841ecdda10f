#pragma once
// Movement collision: moves a box-shaped mover by a motion through the world and returns where it
// ends, stopping short of surfaces and sliding along them. The solver works in the mover's scaled
// space, where its box becomes a sphere of radius 1 around its position; the faces of the mover's
// sector and of the sectors directly behind its portals are swept against that sphere.

#include <array>
#include <cstdint>
#include <vector>

#include "util/box3.h"
#include "util/mat4.h"
#include "util/plane.h"
#include "util/polygon.h"
#include "util/triangle.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct surface_material;

// Boxes narrower than this collide as if this wide.
inline constexpr float kCollisionMinWidth = 60.0f;
// Boxes flatter than this collide as if this high.
inline constexpr float kCollisionMinHeight = 1.0f;
// Motions shorter than this (in solver units) do not move the mover: 0.75 world units for a box of
// the minimum width.
inline constexpr float kCollisionMinMotion = 0.025f;

// The world frame runs when at least this many milliseconds have passed since the last one, so that
// the slowest mover (crawling, 0.07 units a millisecond) clears the solver's floor in one frame:
// 0.07 x 11 = 0.77 > 0.75. The elapsed time is kept, not dropped, until the frame runs.
inline constexpr int32_t kWorldFrameMinMs = 11;
inline bool world_frame_due(int32_t elapsed_ms) {
    return elapsed_ms >= kWorldFrameMinMs;
}

struct collision_sweep {
    sector* sec = nullptr;
    const box3* box = nullptr;
    vec3 centre;
    const mat4* placement = nullptr;
    float factor_x = 0.0f;
    float factor_z = 0.0f;
    float factor_y = 0.0f;
    float slide_factor = 0.0f;
    int32_t pass_counter = 0;
    std::vector<mat4> stack;
    std::vector<polygon> polygons;  // solver space
    std::vector<plane> polygon_planes;
    std::vector<triangle> triangles;  // solver space
    std::vector<const surface_material*> polygon_materials;
    std::vector<const surface_material*> triangle_materials;
    std::vector<const surface_material*>* touched = nullptr;
};

// Stores the sector, the box and the placement (both must outlive the sweep) and computes the
// centre and the solver's scale factors.
// The portal test: a quad lies outside the box when its four points all lie on the outer side of one
// face of the box (a point on the face counts as outside).
bool portal_outside_box(const std::array<vec3, 4>& points, const box3& box);

void collision_sweep_init(collision_sweep& sweep, sector* sec, const box3& box, const mat4& placement);
// One move from the placement's position by the world motion: the end position goes to `out` and
// is returned. Every material of a face met within the motion is added once to `touched` (when
// given); water, foliage and pass-through faces never stop the mover. A mover without a sector
// moves freely.
vec3& collision_sweep_move(collision_sweep& sweep, vec3& out, const vec3& motion, float slide_factor,
                           std::vector<const surface_material*>* touched);
// The slide solver in solver space: at most two passes (the move and one slide).
void collision_solve(collision_sweep& sweep, vec3& position, const vec3& velocity);

}  // namespace kv
