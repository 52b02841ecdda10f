#include "gfx/portal_walk.h"

#include <algorithm>

#include "data/reference_list.h"
#include "game/server.h"
#include "gfx/clipper.h"
#include "gfx/gfx.h"
#include "kernel/log.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

constexpr gfx_colour kPortalColour{1.0f, 0.0f, 0.0f};
constexpr gfx_colour kCollectedOccluderColour{0.0f, 0.0f, 1.0f};
constexpr gfx_colour kOtherOccluderColour{0.0f, 1.0f, 0.0f};

std::array<vec3, 4> to_eye_space(const std::array<vec3, 4>& corners, const mat4& to_eye) {
    std::array<vec3, 4> out;
    for (std::size_t k = 0; k < 4; ++k) out[k] = mat4_transform_point(to_eye, corners[k]);
    return out;
}

// The portal's target; a missing one is reported once, until it is found again.
sector* resolve_target(sector& s, portal& p) {
    server& srv = s.srv ? *s.srv : server_get();
    sector* found = server_resolve_sector_quietly(srv, p.target, &s);
    if (found) {
        p.render_reported = false;
        return found;
    }
    if (!p.render_reported) {
        log_write("gfx: *WARNING* Unknown sector or unloaded package in portal reference `%s'.\n",
                  log_printable(p.target).c_str());
        p.render_reported = true;
    }
    return nullptr;
}

void draw_quad(gfx& g, const gfx_colour& colour, const mat4& modelview, const std::array<vec3, 4>& corners) {
    if (!g.driver) return;
    mesh_vertex vertices[4];
    for (std::size_t k = 0; k < 4; ++k) {
        vertices[k].x = corners[k].x;
        vertices[k].y = corners[k].y;
        vertices[k].z = corners[k].z;
    }
    g.driver->set_colour(colour);
    g.driver->set_modelview(modelview, false);
    g.driver->draw_polygon(vertices, 4, false);
}

// Whether the portal lets the walk through, after its stamp.
bool portal_passes(gfx& g, portal& q, const mat4& to_eye, int32_t base) {
    if (!gfx_quad_faces_eye(to_eye_space(q.points, to_eye))) return false;
    if (!clip_quad_in_view(g.clipper, q.points, to_eye)) return false;
    if (base == 0) {
        box3 box;
        box3_init_point(box, q.points[0]);
        for (std::size_t k = 1; k < 4; ++k) box3_add_point(box, q.points[k]);
        const box3 eye_box = box3_transform(box, to_eye);
        // The view volume and the occluders only: no clip planes are active yet.
        if (!gfx_view_volume_pass(g, eye_box) || !gfx_cull_planes_pass(g, eye_box, 0)) return false;
    }
    if (g.options.show_portals) draw_quad(g, kPortalColour, to_eye, q.points);
    return true;
}

void write_out_planes(gfx_cull_planes& planes) {
    if (planes.out_planes_written && timer_elapsed_ms(planes.out_planes_timer) < kOutPlanesLogIntervalMs)
        return;
    log_write("gfx: Total number of out-planes reached\n");
    planes.out_planes_written = true;
    timer_restart(planes.out_planes_timer);
}

}  // namespace

mat4 gfx_sector_to_eye(const gfx& g, const sector& s) {
    return mat4_mul(view_stack_top(g.views), s.transform);
}

bool gfx_quad_faces_eye(const std::array<vec3, 4>& c) {
    const vec3 n = vec3_cross(c[1] - c[0], c[2] - c[1]);
    return vec3_dot(n, c[0]) >= 0.0f;
}

void gfx_portal_walk(gfx& g, sector& s, int32_t base, const gfx_sector_drawer& draw_sector) {
    const uint16_t stamp = world_visit_stamp();
    const mat4 to_eye = gfx_sector_to_eye(g, s);
    const std::vector<portal*>& table = s.portals.items;
    for (std::size_t i = 0; i < table.size(); ++i) {
        portal* p = table[i];
        if (!p) continue;
        sector* target = resolve_target(s, *p);
        if (!target || target->render_stamp == stamp || p->visit_stamp == stamp) continue;
        // Every later portal to the same sector belongs to this group and is stamped with it.
        bool drawn = false;
        for (std::size_t j = i; j < table.size(); ++j) {
            portal* q = table[j];
            if (!q || q->target != p->target) continue;
            q->visit_stamp = stamp;
            if (!portal_passes(g, *q, to_eye, base)) continue;
            gfx_add_portal_clip_planes(g, *q, to_eye);
            drawn = true;
        }
        if (drawn) {
            draw_sector(*target);
            if (base == 0 && g.planes.clip_count != 0)
                gfx_portal_walk(g, *target, g.planes.clip_count, draw_sector);
        }
        gfx_set_clip_plane_count(g, base);
    }
}

void gfx_begin_world_walk(gfx& g) {
    gfx_set_clip_plane_count(g, 0);
    gfx_clear_occluders(g);
}

void gfx_draw_world_from(gfx& g, sector& camera_sector, const gfx_sector_drawer& draw_sector) {
    gfx_begin_world_walk(g);
    if (g.switches.debug == 0) draw_sector(camera_sector);
    if (g.options.portals_on) gfx_portal_walk(g, camera_sector, 0, draw_sector);
}

bool gfx_add_portal_clip_planes(gfx& g, const portal& p, const mat4& to_eye) {
    gfx_cull_planes& planes = g.planes;
    if (planes.clip_count + kClipPlaneGroup > kMaxClipPlanes) return false;
    const std::array<vec3, 4> c = to_eye_space(p.points, to_eye);
    const vec3 eye{};
    for (std::size_t k = 0; k < 4; ++k)
        plane_init(planes.clip[static_cast<std::size_t>(planes.clip_count) + k], eye, c[k], c[(k + 1) % 4]);
    planes.clip_count += kClipPlaneGroup;
    return true;
}

void gfx_set_clip_plane_count(gfx& g, int32_t n) {
    g.planes.clip_count = std::clamp(n, 0, kMaxClipPlanes);
}

void gfx_collect_occluders(gfx& g, sector& s, bool show) {
    if (s.occluders.empty()) return;
    const mat4 to_eye = gfx_sector_to_eye(g, s);
    const float mark = -g.options.occmark;
    for (occluder& occ : s.occluders) {
        const float size = occluder_apparent_size(occ, g.camera.position, g.camera.forward);
        if (show) {
            const vec3 lift =
                vec3_normalise(vec3_cross(occ.points[1] - occ.points[0], occ.points[2] - occ.points[1])) *
                -kShownOccluderLift;
            std::array<vec3, 4> shown;
            for (std::size_t k = 0; k < 4; ++k) shown[k] = occ.points[k] + lift;
            draw_quad(g, size < mark ? kCollectedOccluderColour : kOtherOccluderColour, to_eye, shown);
            continue;
        }
        if (!(size < mark)) continue;
        const std::array<vec3, 4> c = to_eye_space(occ.points, to_eye);
        if (!gfx_quad_faces_eye(c)) continue;
        if (!clip_quad_in_view(g.clipper, c, kMat4Identity)) continue;
        if (!gfx_add_occluder_planes(g, c)) write_out_planes(g.planes);
    }
}

bool gfx_add_occluder_planes(gfx& g, const std::array<vec3, 4>& c) {
    gfx_cull_planes& planes = g.planes;
    if (planes.occluder_count + kOccluderPlaneGroup > kMaxOccluderPlanes) return false;
    plane* group = &planes.occluders[static_cast<std::size_t>(planes.occluder_count)];
    plane_init(group[0], c[0], c[1], c[2]);
    const vec3 eye{};
    for (std::size_t k = 1; k <= 4; ++k) plane_init(group[k], eye, c[k - 1], c[k % 4]);
    planes.occluder_count += kOccluderPlaneGroup;
    return true;
}

void gfx_clear_occluders(gfx& g) {
    g.planes.occluder_count = 0;
}

bool gfx_view_volume_pass(const gfx& g, const box3& eye_box) {
    const view_stack& vs = g.views;
    const float far = vs.current < vs.viewports.size()
                          ? vs.viewports[vs.current].record.projection[kViewportFar]
                          : kClipQuadFar;
    return box3_touches_view_pyramid(eye_box, far);
}

bool gfx_cull_planes_pass(const gfx& g, const box3& eye_box, int32_t n) {
    const gfx_cull_planes& planes = g.planes;
    if (n < 0 || n > planes.clip_count) n = planes.clip_count;
    if (n >= 1) {
        bool inside_a_group = false;
        for (int32_t first = 0; first < n && !inside_a_group; first += kClipPlaneGroup) {
            inside_a_group = true;
            for (int32_t k = first; k < first + kClipPlaneGroup && k < kMaxClipPlanes; ++k) {
                if (plane_classify_box(planes.clip[static_cast<std::size_t>(k)], eye_box) < 0) {
                    inside_a_group = false;
                    break;
                }
            }
        }
        if (!inside_a_group) return false;
    }
    for (int32_t first = 0; first < planes.occluder_count; first += kOccluderPlaneGroup) {
        bool hidden = true;
        for (int32_t k = first; k < first + kOccluderPlaneGroup && hidden; ++k)
            hidden = plane_classify_box(planes.occluders[static_cast<std::size_t>(k)], eye_box) == 1;
        if (hidden) return false;
    }
    return true;
}

}  // namespace kv
