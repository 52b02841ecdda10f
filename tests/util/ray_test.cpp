#include "util/ray.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

TEST(Ray, DirectionIsMadeUnitLength) {
    const ray r({1.0f, 2.0f, 3.0f}, {0.0f, 3.0f, 4.0f});
    EXPECT_FLOAT_EQ(r.direction.y, 0.6f);
    EXPECT_FLOAT_EQ(r.direction.z, 0.8f);
    EXPECT_EQ(r.origin.z, 3.0f);

    // A zero direction is a point, not a ray of NaNs.
    const ray point({1.0f, 1.0f, 1.0f}, {});
    EXPECT_FALSE(std::isnan(point.direction.x));
    EXPECT_TRUE(ray_passes_near(point, {1.0f, 1.0f, 2.0f}, 1.0f));
    EXPECT_FALSE(ray_passes_near(point, {1.0f, 1.0f, 2.5f}, 1.0f));
    EXPECT_TRUE(ray_hits_box(point, {{0.0f, 0.0f, 0.0f}, {2.0f, 2.0f, 2.0f}}));
    EXPECT_FALSE(ray_hits_box(point, {{3.0f, 0.0f, 0.0f}, {4.0f, 2.0f, 2.0f}}));
}

TEST(Ray, PassesNearAlongTheWholeLine) {
    const ray r({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
    struct Case {
        const char* name;
        vec3 point;
        float radius;
        bool near;
    };
    const Case cases[] = {
        {"ahead, inside", {5.0f, 1.0f, 0.0f}, 1.5f, true},
        {"ahead, at the radius", {5.0f, 0.0f, 2.0f}, 2.0f, true},
        {"ahead, outside", {5.0f, 0.0f, 2.0f}, 1.9f, false},
        {"behind the origin", {-5.0f, 1.0f, 0.0f}, 1.5f, true},
    };
    for (const Case& c : cases) EXPECT_EQ(ray_passes_near(r, c.point, c.radius), c.near) << c.name;
}

TEST(Ray, HitsBoxes) {
    const box3 box{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
    struct Case {
        const char* name;
        vec3 origin;
        vec3 direction;
        bool hits;
    };
    const Case cases[] = {
        {"origin inside, any direction", {0.5f, 0.5f, 0.5f}, {0.0f, 1.0f, 0.0f}, true},
        {"origin inside, backwards", {0.5f, 0.5f, 0.5f}, {-1.0f, -1.0f, -1.0f}, true},
        {"origin on a face", {1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, true},
        {"towards it", {-5.0f, 0.2f, 0.3f}, {1.0f, 0.0f, 0.0f}, true},
        {"slanted towards it", {-5.0f, -5.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, true},
        {"away from it", {-5.0f, 0.2f, 0.3f}, {-1.0f, 0.0f, 0.0f}, false},
        {"parallel, outside the slab", {-5.0f, 1.5f, 0.0f}, {1.0f, 0.0f, 0.0f}, false},
        {"missing the bounding sphere", {-5.0f, 5.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, false},
        // Within the bounding sphere but past the corner.
        {"past a corner", {-5.0f, -2.8f, 0.0f}, {1.0f, 1.0f, 0.0f}, false},
        {"just inside a corner", {-5.0f, -3.1f, 0.0f}, {1.0f, 1.0f, 0.0f}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(ray_hits_box(ray(c.origin, c.direction), box), c.hits) << c.name;
}

}  // namespace
}  // namespace kv
