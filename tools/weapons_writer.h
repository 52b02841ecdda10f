#pragma once
// The demo package "weapons": every model the weapon table and the weapon model set-up name (the world
// models "<word>-0", "-1" and "_th", the first-person parts "<word>-1st-<n>", the launcher's grenade),
// each a small box, so that soldiers dressed for any weapon find their models.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

inline constexpr const char* kDemoWeaponsPackage = "weapons";

// The object names (without "weapons:"), sorted, each once.
std::vector<std::string> weapon_model_names();
std::vector<uint8_t> weapons_package();

}  // namespace kv::tools
