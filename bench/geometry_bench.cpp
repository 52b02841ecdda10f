// What the world's traces and the renderer's transforms cost: ray-triangle tests and 4x4 products.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "util/mat4.h"
#include "util/ray.h"
#include "util/triangle.h"

namespace kv {
namespace {

constexpr int kCount = 1024;

// Spread-out values in [-scale, scale] from the index alone, so every run sees the same data.
float spread(int i, float scale) {
    const float h = std::sin(static_cast<float>(i) * 12.9898f) * 43758.5453f;
    return (h - std::floor(h)) * 2.0f * scale - scale;
}

std::vector<triangle> sample_triangles() {
    std::vector<triangle> out;
    out.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        const vec3 centre{spread(i, 50.0f), spread(i + 7, 50.0f), 20.0f + spread(i + 13, 10.0f)};
        const float size = 2.0f + std::fabs(spread(i + 29, 20.0f));
        out.emplace_back(centre + vec3{-size, -size, 0.0f}, centre + vec3{size, -size, spread(i + 3, 2.0f)},
                         centre + vec3{0.0f, size, spread(i + 5, 2.0f)});
    }
    return out;
}

// Each ray aims near its own triangle, so about half of them hit.
std::vector<ray> sample_rays(const std::vector<triangle>& triangles) {
    std::vector<ray> out;
    out.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        const vec3 origin{spread(i + 41, 5.0f), spread(i + 43, 5.0f), 0.0f};
        const triangle& tri = triangles[i];
        const vec3 centre = (tri.corners[0] + tri.corners[1] + tri.corners[2]) * (1.0f / 3.0f);
        const float size = tri.corners[1].x - tri.corners[0].x;
        const vec3 aim = centre + vec3{spread(i + 47, size * 0.5f), spread(i + 53, size * 0.5f), 0.0f};
        out.emplace_back(origin, aim - origin);
    }
    return out;
}

std::vector<mat4> sample_matrices(int offset) {
    std::vector<mat4> out(kCount);
    for (int i = 0; i < kCount; ++i) {
        mat4_set_translation(out[i], spread(i + offset, 100.0f), spread(i + offset + 1, 100.0f),
                             spread(i + offset + 2, 100.0f));
        mat4_rotate_axis(out[i], {spread(i + offset + 3, 1.0f), 1.0f, spread(i + offset + 4, 1.0f)},
                         spread(i + offset + 5, 3.0f));
    }
    return out;
}

void BM_RayTriangle(benchmark::State& state) {
    const std::vector<triangle> triangles = sample_triangles();
    const std::vector<ray> rays = sample_rays(triangles);
    int64_t hits = 0;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            vec3 hit;
            hits += triangle_intersect_ray(triangles[i], rays[i], hit, 22500.0f, false);
            benchmark::DoNotOptimize(hit);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCount);
    state.counters["hit_share"] =
        static_cast<double>(hits) / static_cast<double>(state.iterations() * kCount);
}
BENCHMARK(BM_RayTriangle);

void BM_Mat4Mul(benchmark::State& state) {
    const std::vector<mat4> a = sample_matrices(0);
    const std::vector<mat4> b = sample_matrices(100);
    std::vector<mat4> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) mat4_mul(out[i], a[i], b[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Mat4Mul);

// The common case of unrotated objects and empty matrix stacks: one comparison and a copy.
void BM_Mat4MulIdentity(benchmark::State& state) {
    const std::vector<mat4> a = sample_matrices(0);
    std::vector<mat4> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) mat4_mul(out[i], a[i], kMat4Identity);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Mat4MulIdentity);

}  // namespace
}  // namespace kv
