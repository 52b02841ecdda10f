#pragma once
// The soldier's animation slots: the object name ("a-" and the family and action words, or the
// first-person name) each slot of the body's and of the first-person model's skeleton binds.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

inline constexpr int32_t kSoldierSlotCount = 298;
inline constexpr int32_t kSoldierFirstSlotCount = 173;

// Object names by slot; empty for a slot left unbound.
std::vector<std::string> soldier_slot_names();
std::vector<std::string> soldier_first_slot_names();
// The slot bound to that object name ("a-..."), or -1.
int32_t soldier_slot_of(const std::string& name);
int32_t soldier_first_slot_of(const std::string& name);

}  // namespace kv
