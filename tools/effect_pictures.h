#pragma once
// The effect textures of the demo data, drawn here as 32-bit Targa strips with alpha: the frames of
// an animation (or the variants of a picture) side by side, as the effects step through them.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

struct effect_picture {
    std::string name;
    std::vector<uint8_t> targa;
};

// "hit_metal" (8 hole variants), "hit_smoke" (16 frames), "hit_water" (10 splash frames),
// "water_ripple" (5 ring frames), "shell", "muzzle_flash" (4 front variants) and "muzzle_side" (the
// side flash's three blades and its end-on view, in sevenths), the explosion's "expl_1" flash and
// "expl_anim" flame (30 frames), the stun grenade's "stun_anim" (30 frames) and the smoke cloud's
// "smoke_anim" (50 frames).
std::vector<effect_picture> effect_pictures();

}  // namespace kv::tools
