#include "tools/room_grid.h"

#include <algorithm>
#include <array>

#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "util/box3.h"

namespace kv::tools {
namespace {

constexpr const char* kGridSurface = "s-grid";
constexpr const char* kGridMaterial = "wood10";
constexpr float kCrateSide = 1.0f;
constexpr float kWallHeight = 5.0f;

box3 box_between(const vec3& lo, const vec3& hi) {
    box3 b;
    box3_init(b, lo, hi);
    return b;
}

// A cube standing on the floor, twelve triangles.
mesh_desc crate_mesh() {
    mesh_desc m;
    const float h = kCrateSide / 2.0f;
    m.box = box_between({-h, 0.0f, -h}, {h, kCrateSide, h});
    for (int i = 0; i < 8; ++i) {
        m.vertices.push_back({(i & 1) ? h : -h, (i & 2) ? kCrateSide : 0.0f, (i & 4) ? h : -h,
                              (i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f});
    }
    mesh_desc::part part;
    part.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                    2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    part.draws = {{0, 12, 0}};
    m.parts = {part};
    m.tree = {{m.box, 8, 0}};
    return m;
}

// The floor of one room, from (0, 0, 0) to (L, 0, L).
mesh_desc floor_mesh() {
    mesh_desc m;
    m.box = box_between({0.0f, 0.0f, 0.0f}, {kGridRoom, 0.0f, kGridRoom});
    m.vertices = {{0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
                  {kGridRoom, 0.0f, 0.0f, 4.0f, 0.0f},
                  {kGridRoom, 0.0f, kGridRoom, 4.0f, 4.0f},
                  {0.0f, 0.0f, kGridRoom, 0.0f, 4.0f}};
    mesh_desc::part part;
    part.indices = {0, 1, 2, 0, 2, 3};
    part.draws = {{0, 2, 0}};
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

transform_block moved_to(float x, float y, float z) {
    transform_block t;
    t.translation = {x, y, z};
    return t;
}

// A doorway across x = at, centred on z, leading towards +x (`towards_plus`) or -x: its corners
// turn so that (c1 - c0) x (c2 - c1) points into the sector behind it.
std::array<vec3, 4> doorway_x(float at, float z, bool towards_plus) {
    std::array<vec3, 4> q = {{{at, 0.0f, z - kGridDoorHalfWidth},
                              {at, kGridDoorHeight, z - kGridDoorHalfWidth},
                              {at, kGridDoorHeight, z + kGridDoorHalfWidth},
                              {at, 0.0f, z + kGridDoorHalfWidth}}};
    if (!towards_plus) std::swap(q[1], q[3]);
    return q;
}

// The same across z = at, centred on x.
std::array<vec3, 4> doorway_z(float at, float x, bool towards_plus) {
    std::array<vec3, 4> q = {{{x + kGridDoorHalfWidth, 0.0f, at},
                              {x + kGridDoorHalfWidth, kGridDoorHeight, at},
                              {x - kGridDoorHalfWidth, kGridDoorHeight, at},
                              {x - kGridDoorHalfWidth, 0.0f, at}}};
    if (!towards_plus) std::swap(q[1], q[3]);
    return q;
}

}  // namespace

std::string room_grid_sector_name(int column, int row) {
    return "r" + std::to_string(column) + "_" + std::to_string(row);
}

std::vector<uint8_t> room_grid_package(int columns, int rows) {
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    package_writer w;
    auto& q = w.qxps();
    w.add_surface(kGridSurface);
    add_geometry(w, {"g-crate", crate_mesh().box, {add_mesh(q, crate_mesh())}, {}});
    add_geometry(w, {"g-floor", floor_mesh().box, {add_mesh(q, floor_mesh())}, {}});
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float x0 = static_cast<float>(c) * kGridRoom;
            const float z0 = static_cast<float>(r) * kGridRoom;
            const float mid_x = x0 + kGridRoom / 2.0f;
            const float mid_z = z0 + kGridRoom / 2.0f;
            sector_desc s;
            s.name = room_grid_sector_name(c, r);
            s.meshes.push_back(
                add_mesh_instance(q, {moved_to(x0, 0.0f, z0), "g-floor", kGridSurface, kGridMaterial, 0}));
            for (int k = 0; k < kGridCratesPerRoom; ++k) {
                const float offset = kGridRoom * (0.2f + 0.3f * static_cast<float>(k));
                s.meshes.push_back(
                    add_mesh_instance(q, {moved_to(x0 + offset, 0.0f, z0 + kGridRoom - offset), "g-crate",
                                          kGridSurface, kGridMaterial, static_cast<uint16_t>(k + 1)}));
            }
            // A wall across the room's +x half, turned towards +x.
            const float wall_x = x0 + kGridRoom * 0.7f;
            s.occluder_points = {{wall_x, 0.0f, z0 + 1.0f},
                                 {wall_x, kWallHeight, z0 + 1.0f},
                                 {wall_x, kWallHeight, z0 + kGridRoom * 0.4f},
                                 {wall_x, 0.0f, z0 + kGridRoom * 0.4f}};
            if (c + 1 < columns)
                s.portals.push_back(
                    add_portal(q, {room_grid_sector_name(c + 1, r), doorway_x(x0 + kGridRoom, mid_z, true)}));
            if (c > 0)
                s.portals.push_back(
                    add_portal(q, {room_grid_sector_name(c - 1, r), doorway_x(x0, mid_z, false)}));
            if (r + 1 < rows)
                s.portals.push_back(
                    add_portal(q, {room_grid_sector_name(c, r + 1), doorway_z(z0 + kGridRoom, mid_x, true)}));
            if (r > 0)
                s.portals.push_back(
                    add_portal(q, {room_grid_sector_name(c, r - 1), doorway_z(z0, mid_x, false)}));
            add_sector(w, s);
        }
    }
    return w.finish();
}

}  // namespace kv::tools
