#include "tools/effect_pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/targa_writer.h"

namespace kv::tools {
namespace {

constexpr int kCell = 16;

struct rgba {
    uint8_t r, g, b, a;
};

// A strip of `frames` cells of kCell x kCell; `paint` gets the frame, and the cell's x and y in -1..1.
std::vector<uint8_t> strip(int frames, const std::function<rgba(int, float, float)>& paint) {
    targa_desc shape;
    shape.bits = 32;
    shape.alpha_bits = 8;
    shape.width = static_cast<uint16_t>(frames * kCell);
    shape.height = kCell;
    for (int row = 0; row < kCell; ++row) {
        for (int column = 0; column < frames * kCell; ++column) {
            const float x = (static_cast<float>(column % kCell) + 0.5f) / kCell * 2.0f - 1.0f;
            const float y = (static_cast<float>(row) + 0.5f) / kCell * 2.0f - 1.0f;
            const rgba c = paint(column / kCell, x, y);
            shape.texels.insert(shape.texels.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return targa(shape);
}

uint8_t fade(float f) {
    return static_cast<uint8_t>(std::clamp(f, 0.0f, 1.0f) * 255.0f);
}

}  // namespace

std::vector<effect_picture> effect_pictures() {
    return {
        // A dark hole with a lighter rim, a little off centre in each variant.
        {"hit_metal", strip(8,
                            [](int k, float x, float y) {
                                const float dx = x - 0.1f * static_cast<float>(k % 3 - 1);
                                const float dy = y - 0.1f * static_cast<float>(k / 3 - 1);
                                const float d = std::sqrt(dx * dx + dy * dy);
                                if (d < 0.35f) return rgba{20, 20, 20, 255};
                                return rgba{90, 90, 95, fade((0.7f - d) * 3.0f)};
                            })},
        // A grey puff that grows and thins.
        {"hit_smoke", strip(16,
                            [](int k, float x, float y) {
                                const float t = static_cast<float>(k) / 15.0f;
                                const float d = std::sqrt(x * x + y * y) / (0.4f + 0.6f * t);
                                return rgba{170, 170, 165, fade((1.0f - d) * (1.0f - t))};
                            })},
        // A white column of water that rises, then falls apart.
        {"hit_water",
         strip(10,
               [](int k, float x, float y) {
                   const float t = static_cast<float>(k) / 9.0f;
                   const float width = 0.3f + 0.5f * t;
                   const float top = -1.0f + 2.0f * (1.0f - t);
                   return rgba{220, 235, 255, fade((width - std::fabs(x)) * 3.0f * (y > -top ? 1.0f : 0.0f))};
               })},
        // A thin ring that widens and fades.
        {"water_ripple", strip(5,
                               [](int k, float x, float y) {
                                   const float t = static_cast<float>(k) / 4.0f;
                                   const float d = std::sqrt(x * x + y * y);
                                   const float ring = 1.0f - std::fabs(d - (0.4f + 0.5f * t)) * 8.0f;
                                   return rgba{230, 240, 255, fade(ring * (1.0f - 0.6f * t))};
                               })},
        // Brass.
        {"shell", strip(1,
                        [](int, float, float y) {
                            return rgba{fade(0.75f + 0.2f * y), 160, 60, 255};
                        })},
        // A bright star, turned a little in each variant.
        {"muzzle_flash", strip(4,
                               [](int k, float x, float y) {
                                   const float a = std::atan2(y, x) + 0.4f * static_cast<float>(k);
                                   const float d = std::sqrt(x * x + y * y);
                                   const float rays = 0.5f + 0.5f * std::cos(5.0f * a);
                                   return rgba{255, 230, 150, fade((1.0f - d) * (0.6f + rays))};
                               })},
        // The explosion's flash: a white-hot disc with an orange rim.
        {"expl_1", strip(1,
                         [](int, float x, float y) {
                             const float d = std::sqrt(x * x + y * y);
                             return rgba{255, fade(1.0f - 0.6f * d), fade(0.8f - d), fade((1.0f - d) * 2.0f)};
                         })},
        // The flame arc's 30 frames: a ball of fire that swells, reddens and burns out.
        {"expl_anim", strip(30,
                            [](int k, float x, float y) {
                                const float t = static_cast<float>(k) / 29.0f;
                                const float d = std::sqrt(x * x + y * y) / (0.5f + 0.5f * t);
                                return rgba{255, fade(0.85f - 0.6f * t), fade(0.3f - 0.3f * t),
                                            fade((1.0f - d) * 2.0f * (1.0f - t * t))};
                            })},
        // The stun grenade's 30 frames: a blue-white burst that fades.
        {"stun_anim", strip(30,
                            [](int k, float x, float y) {
                                const float t = static_cast<float>(k) / 29.0f;
                                const float d = std::sqrt(x * x + y * y) / (0.4f + 0.6f * t);
                                return rgba{230, 240, 255, fade((1.0f - d) * 2.0f * (1.0f - t))};
                            })},
        // The smoke cloud's 50 frames: twenty of a slowly stirring puff, then thirty thinning away.
        {"smoke_anim", strip(50,
                             [](int k, float x, float y) {
                                 const float stir =
                                     0.08f * std::sin(static_cast<float>(k) * 0.314f + 3.0f * x);
                                 const float d = std::sqrt(x * x + y * y) + stir;
                                 const float thin = k < 20 ? 1.0f : 1.0f - static_cast<float>(k - 19) / 30.0f;
                                 return rgba{150, 150, 145, fade((1.0f - d) * 1.5f * thin)};
                             })},
        // Seven cells: three blade pairs fading along the barrel, then the flash seen end-on.
        {"muzzle_side", strip(7,
                              [](int k, float x, float y) {
                                  if (k == 6) {
                                      const float d = std::sqrt(x * x + y * y);
                                      return rgba{255, 240, 170, fade(1.0f - d)};
                                  }
                                  const float along = (static_cast<float>(k % 2) + (x + 1.0f) / 2.0f) / 2.0f;
                                  return rgba{255, 220, 130, fade((1.0f - std::fabs(y)) * (1.0f - along))};
                              })},
    };
}

}  // namespace kv::tools
