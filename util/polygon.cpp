#include "util/polygon.h"

#include <cmath>

#include "util/plane.h"

namespace kv {
namespace {

constexpr float kFarDistanceSq = 1e38f;

}  // namespace

polygon::polygon(int count) : points(count > 0 ? static_cast<std::size_t>(count) : 0) {}

int polygon_count(const polygon& poly) {
    return static_cast<int>(poly.points.size());
}

vec3& polygon_point(polygon& poly, int i) {
    return poly.points.at(static_cast<std::size_t>(i));
}

const vec3& polygon_point(const polygon& poly, int i) {
    return poly.points.at(static_cast<std::size_t>(i));
}

vec3 polygon_normal(const polygon& poly) {
    if (poly.points.size() < 3) return {};
    plane pl;
    plane_init(pl, poly.points[0], poly.points[1], poly.points[2]);
    return pl.normal;
}

bool polygon_contains_point_with_normal(std::span<const vec3> points, const vec3& point, const vec3& normal) {
    if (points.empty()) return true;
    if (vec3_length_sq(normal) == 0.0f) return false;
    bool outside = false;
    bool inside = false;
    const vec3* previous = &points.back();
    for (const vec3& current : points) {
        const vec3 s = vec3_cross(current - *previous, normal);
        const float value = vec3_dot(s, point) - vec3_dot(s, current);
        if (value > kPolygonEdgeTolerance) {
            outside = true;
        } else if (value < -kPolygonEdgeTolerance) {
            inside = true;
        }
        if (outside && inside) return false;
        previous = &current;
    }
    return true;
}

bool polygon_contains_point_with_normal(const polygon& poly, const vec3& point, const vec3& normal) {
    return polygon_contains_point_with_normal(std::span<const vec3>(poly.points), point, normal);
}

bool polygon_contains_point(const polygon& poly, const vec3& point) {
    return polygon_contains_point_with_normal(poly, point, polygon_normal(poly));
}

bool polygon_intersect_ray(const polygon& poly, const ray& r, vec3& hit, bool two_sided) {
    if (poly.points.size() < 3) return false;
    plane pl;
    plane_init(pl, poly.points[0], poly.points[1], poly.points[2]);
    const float facing = vec3_dot(pl.normal, r.direction);
    if (facing == 0.0f) return false;
    if (!two_sided && std::fabs(facing) < kPolygonEdgeTolerance) return false;
    hit = plane_intersect_line(pl, r.origin, r.direction);
    return polygon_contains_point_with_normal(poly, hit, pl.normal);
}

vec3 polygon_nearest_edge_point(std::span<const vec3> points, const vec3& point, bool* on_edge,
                                vec3* edge_start, vec3* edge_end) {
    vec3 best = point;
    float best_distance_sq = kFarDistanceSq;
    bool best_on_edge = false;
    const vec3* best_start = nullptr;
    const vec3* best_end = nullptr;
    const vec3* start = points.empty() ? nullptr : &points.back();
    for (const vec3& end : points) {
        const vec3 edge = end - *start;
        const float length_sq = vec3_length_sq(edge);
        vec3 candidate = *start;
        bool inside_edge = false;
        if (length_sq > 0.0f) {
            const float length = std::sqrt(length_sq);
            const vec3 unit = edge * (1.0f / length);
            const float along = vec3_dot(point - *start, unit);
            if (along < kPolygonEdgeTolerance) {
                candidate = *start;
            } else if (along > length - kPolygonEdgeTolerance) {
                candidate = end;
            } else {
                candidate = *start + unit * along;
                inside_edge = true;
            }
        }
        const float distance_sq = vec3_length_sq(candidate - point);
        if (distance_sq < best_distance_sq) {
            best = candidate;
            best_distance_sq = distance_sq;
            best_on_edge = inside_edge;
            best_start = start;
            best_end = &end;
        }
        start = &end;
    }
    if (on_edge) *on_edge = best_on_edge;
    if (edge_start && edge_end && best_start) {
        *edge_start = *best_start;
        *edge_end = *best_end;
    }
    return best;
}

vec3 polygon_nearest_edge_point(const polygon& poly, const vec3& point, bool* on_edge, vec3* edge_start,
                                vec3* edge_end) {
    return polygon_nearest_edge_point(std::span<const vec3>(poly.points), point, on_edge, edge_start,
                                      edge_end);
}

float polygon_area(int count, const vec3* points) {
    if (count < 3 || !points) return 0.0f;
    vec3 sum;
    for (int i = 0; i < count; ++i) sum = sum + vec3_cross(points[i], points[(i + 1) % count]);
    plane pl;
    plane_init(pl, points[0], points[1], points[2]);
    // First three points in a line give no normal; for a planar polygon |sum| / 2 is the same area.
    if (vec3_length_sq(pl.normal) == 0.0f) return 0.5f * vec3_length(sum);
    return 0.5f * std::fabs(vec3_dot(pl.normal, sum));
}

}  // namespace kv
