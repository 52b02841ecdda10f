#pragma once
// The take-and-delivery goal pair that the test levels, the demo level and the fuzz level share: a
// "take" goal whose item is carried into the zone of a "delivery" goal, written as the two arty
// descriptions of class "kvgoal". Keys left empty in the description are not written.

#include <cstdint>
#include <optional>
#include <string>

#include "tools/package_writer.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv::tools {

struct goal_pair_desc {
    int32_t team = 0;
    std::string take = "g-1";
    std::string delivery = "g-2";
    std::string model;             // "model:" of the item
    std::string sector;            // "sector:" the item lies in
    std::optional<vec3> position;  // "pos:" of the item
    std::optional<box3> zone;      // "min:" and "max:" of the delivery zone
};

void add_goal_pair(package_writer& w, const goal_pair_desc& desc);

}  // namespace kv::tools
