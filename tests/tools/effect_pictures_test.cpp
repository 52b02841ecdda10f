#include "tools/effect_pictures.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kv::tools {
namespace {

// Every strip is 16 high with one 16-wide cell per frame the effect steps through, 32 bits with alpha.
TEST(EffectPictures, StripsHoldTheFramesTheEffectsStepThrough) {
    const std::map<std::string, int> frames = {{"hit_metal", 8},    {"hit_smoke", 16}, {"hit_water", 10},
                                               {"water_ripple", 5}, {"shell", 1},      {"muzzle_flash", 4},
                                               {"muzzle_side", 7},  {"expl_1", 1},     {"expl_anim", 30},
                                               {"stun_anim", 30},   {"smoke_anim", 50}};
    const std::vector<effect_picture> pictures = effect_pictures();
    ASSERT_EQ(pictures.size(), frames.size());
    for (const effect_picture& p : pictures) {
        ASSERT_TRUE(frames.count(p.name)) << p.name;
        ASSERT_GE(p.targa.size(), 18u);
        const int width = p.targa[12] | (p.targa[13] << 8);
        const int height = p.targa[14] | (p.targa[15] << 8);
        EXPECT_EQ(width, 16 * frames.at(p.name)) << p.name;
        EXPECT_EQ(height, 16) << p.name;
        EXPECT_EQ(p.targa[16], 32) << p.name;
        EXPECT_EQ(p.targa.size(), 18u + static_cast<std::size_t>(width * height * 4)) << p.name;
    }
}

}  // namespace
}  // namespace kv::tools
