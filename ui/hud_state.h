#pragma once
// What the game object keeps for the HUD passes (ui/hud.h) and the briefing screens: the HUD's
// switches, the saved sight rectangles of the sway, the frame-rate samples, and the side and picture
// choice of the briefing.

#include <cstdint>

namespace kv {

inline constexpr int kFrameSamples = 10;

struct hud_state {
    uint8_t spectator_camera = 0;  // the free flying camera is shown
    uint8_t rpg = 0;               // the skill-level bars are shown
    uint8_t sway_active = 0;
    float saved_sights[2][4] = {};  // pictures 0 and 1: x, y, width, height
    int32_t samples[kFrameSamples] = {};
    int32_t sample_count = 0;
    float average_ms = 0.0f;  // of the last ten frames; 0 until there is one
    int32_t frames_per_second = 0;
};

struct briefing_state {
    int32_t side = 0;  // 0 none, 1-3
    uint8_t wide = 0;  // the wide preview pictures
    int32_t shown_side = -1;  // whose map text the briefing shows
};

}  // namespace kv
