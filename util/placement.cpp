#include "util/placement.h"

namespace kv {

void placement_set(placement& pl, const vec3& position, const vec3& forward, const vec3& up,
                   placement_sector* sector) {
    const vec3 side = vec3_cross(up, forward);
    mat4_set_row0(pl.transform, side.x, side.y, side.z);
    mat4_set_row1(pl.transform, up.x, up.y, up.z);
    mat4_set_row2(pl.transform, forward.x, forward.y, forward.z);
    mat4_set_row3(pl.transform, position.x, position.y, position.z);
    if (sector) pl.sector = sector;
}

mat4 placement_inverse(const placement& pl) {
    return mat4_inverse_rigid(pl.transform);
}

void placement_inverse(mat4& out, const placement& pl) {
    out = placement_inverse(pl);
}

bool placement_move(placement& pl, const vec3& from, const vec3& to) {
    if (!pl.sector) return false;
    placement_sector* reached = sector_pass_portals(*pl.sector, from, to);
    if (!reached || reached == pl.sector) return false;
    pl.sector = reached;
    return true;
}

}  // namespace kv
