#pragma once
// The game screen's HUD controls.

#include <cstdint>
#include <string>

namespace kv {

// The sight overlay: mode 0 hides all its pictures.
void hud_set_sights(int32_t mode, const std::string& picture_a, const std::string& picture_b);

}  // namespace kv
