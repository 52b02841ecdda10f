#pragma once
// Which models dress a soldier for the weapon in hand: its world models on attachment slots 0 and 1 of
// the third-person model, and its first-person parts, each on an attachment slot (0 to 15) of the
// first-person model. Names only; the soldier attaches them.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

inline constexpr int32_t kFirstPersonAttachments = 16;

struct weapon_model_part {
    int32_t attachment;  // slot of the first-person model
    std::string name;
};

struct weapon_models {
    std::vector<std::string> world;  // for third-person slots 0 and 1, in order
    std::vector<weapon_model_part> first_person;
};

// Empty for the goal item, the hands and kinds outside 0 to 63.
weapon_models weapon_models_find(int32_t weapon);

}  // namespace kv
