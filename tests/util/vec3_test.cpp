#include "util/vec3.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Vec3, NormaliseGivesUnitLengthAndLeavesZeroAlone) {
    const vec3 unit = vec3_normalise({3.0f, 0.0f, -4.0f});
    EXPECT_FLOAT_EQ(unit.x, 0.6f);
    EXPECT_FLOAT_EQ(unit.z, -0.8f);
    EXPECT_FLOAT_EQ(vec3_length(unit), 1.0f);

    const vec3 zero = vec3_normalise({});
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
}

TEST(Vec3, AssigningFormsChangeXyzAndKeepW) {
    vec3 a{5.0f, 7.0f, 9.0f, 2.0f};
    vec3& same = vec3_sub_assign(a, {1.0f, 2.0f, 3.0f, 100.0f});
    EXPECT_EQ(&same, &a);
    EXPECT_EQ(a.x, 4.0f);
    EXPECT_EQ(a.y, 5.0f);
    EXPECT_EQ(a.z, 6.0f);
    EXPECT_EQ(a.w, 2.0f);

    vec3_mul_assign(a, 0.5f);
    EXPECT_EQ(a.x, 2.0f);
    EXPECT_EQ(a.w, 2.0f);

    vec3 x{1.0f, 0.0f, 0.0f, 3.0f};
    vec3_cross_assign(x, {0.0f, 1.0f, 0.0f});  // x cross y = z
    EXPECT_EQ(x.x, 0.0f);
    EXPECT_EQ(x.y, 0.0f);
    EXPECT_EQ(x.z, 1.0f);
    EXPECT_EQ(x.w, 3.0f);

    vec3_set(x, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(x.y, 2.0f);
    EXPECT_EQ(x.w, 3.0f);
}

}  // namespace
}  // namespace kv
