#pragma once
// Convex polygon. Containment accepts either winding and counts points on an edge as inside.

#include <span>
#include <vector>

#include "util/ray.h"
#include "util/vec3.h"

namespace kv {

inline constexpr float kPolygonEdgeTolerance = 1e-5f;

struct polygon {
    polygon() = default;
    // Room for count points (a negative count gives none).
    explicit polygon(int count);

    std::vector<vec3> points;
};

int polygon_count(const polygon& poly);
// Throws std::out_of_range for an index outside the polygon.
vec3& polygon_point(polygon& poly, int i);
const vec3& polygon_point(const polygon& poly, int i);
// The normal of the plane through points 0, 1, 2; zero for fewer than three points.
vec3 polygon_normal(const polygon& poly);
// Inside when no edge sees the point on its outer side and another on its inner side (beyond
// kPolygonEdgeTolerance). No points contain every point; a zero normal contains none.
bool polygon_contains_point_with_normal(std::span<const vec3> points, const vec3& point, const vec3& normal);
bool polygon_contains_point_with_normal(const polygon& poly, const vec3& point, const vec3& normal);
bool polygon_contains_point(const polygon& poly, const vec3& point);
// Where the ray's whole line meets the polygon's plane (stored in hit), and whether that point is
// inside. One-sided, a line within kPolygonEdgeTolerance of parallel misses; a line exactly parallel
// always misses and leaves hit alone. Fewer than three points never hit.
bool polygon_intersect_ray(const polygon& poly, const ray& r, vec3& hit, bool two_sided);
// The point of the outline nearest to the point: on_edge tells whether it lies inside an edge
// rather than at a corner; the edge's ends are given when both are asked for. On ties the earlier
// edge (the first runs from the last point to point 0) wins. No points give the point itself.
vec3 polygon_nearest_edge_point(std::span<const vec3> points, const vec3& point, bool* on_edge = nullptr,
                                vec3* edge_start = nullptr, vec3* edge_end = nullptr);
vec3 polygon_nearest_edge_point(const polygon& poly, const vec3& point, bool* on_edge = nullptr,
                                vec3* edge_start = nullptr, vec3* edge_end = nullptr);
// Area of a planar polygon; 0 for fewer than three points.
float polygon_area(int count, const vec3* points);

}  // namespace kv
