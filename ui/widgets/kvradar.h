#pragma once
// The radar: a picture that also shows coloured dots, the blips, placed about its centre. The HUD
// hands it the blips each frame as positions relative to the local player, with the radar's range.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/widgets/kvstatic.h"

namespace kv {

// Blip kinds with a colour of their own; any other kind is grey.
inline constexpr int32_t kBlipRed = 1;
inline constexpr int32_t kBlipGreen = 2;
inline constexpr int32_t kBlipBlue = 3;
inline constexpr float kBlipSize = 2.0f;

struct kvradar_blip {
    float x = 0.0f;
    float y = 0.0f;
    int32_t kind = 0;
};

struct kvradar : kvstatic {
    kvradar() = default;
    kvradar(int32_t x, int32_t y, int32_t width, int32_t height, const std::string& texture_name);

    // The picture's result; the blips are drawn also when the picture is not.
    bool draw() override;

    std::vector<kvradar_blip> blips;  // in screen units
};

// Replaces the blips: a blip at (range / 2, 0) lands on the right edge, (0, 0) in the centre. A
// range that is not above 0 leaves no blips.
void kvradar_set_blips(kvradar& r, const std::vector<kvradar_blip>& records, float range);
bool kvradar_draw(kvradar& r);

}  // namespace kv
