#pragma once
// What a placement needs of the sector that holds it: the sector's transform and its portals,
// each a quad in sector space with the sector behind it. World sectors implement this.

#include <span>

#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

class placement_sector {
public:
    virtual ~placement_sector() = default;

    // Sector space to world space.
    virtual const mat4& world_transform() const = 0;
    virtual int portal_count() const = 0;
    // The corners of portal i in sector space, in order around the quad. The portal's front is
    // the side its first three corners' plane normal points to.
    virtual std::span<const vec3, 4> portal_points(int i) const = 0;
    // The sector behind portal i, or null when it cannot be found (the sector reports why).
    virtual placement_sector* portal_target(int i) = 0;
};

// Whether the segment from -> to (world points) passes through the quad: it must leave the back
// side of the quad's plane (or start on the plane) and end on another side, and cross the plane
// inside the quad. A crossing point on an edge of the quad counts as inside; a quad whose first
// three corners lie in a line is never crossed.
bool portal_crossed(std::span<const vec3, 4> points, const mat4& transform, const vec3& from, const vec3& to);

// The sector reached by moving from -> to: the target of the first portal, in order, that the
// segment crosses; the sector itself when none is crossed or that portal's target cannot be found
// (a later portal is not tried then).
placement_sector* sector_pass_portals(placement_sector& sector, const vec3& from, const vec3& to);

}  // namespace kv
