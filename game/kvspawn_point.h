#pragma once
// A spawn point: a named place where a being or the flying camera starts. The game object finds it
// by its instance name ("sp0", "sp%d") and reads its fields.

#include <string>

#include "game/arty.h"
#include "util/vec3.h"

namespace kv {

class kvspawn_point : public arty {
public:
    // Keys: "sector:" string, "posx:", "posy:", "posz:", "angle:" numbers. Missing ones leave 0.
    kvspawn_point(arty_factory& factory, const arty_description& description);

    std::string sector_name;
    vec3 position;
    float angle = 0.0f;  // as written in the description
};

}  // namespace kv
