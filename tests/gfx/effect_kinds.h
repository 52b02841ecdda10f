#pragma once
// What a front end's effect list holds, for the tests of the code that makes effects.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"

namespace kv {

inline std::vector<effect_class> effect_kinds(const gfx& g) {
    std::vector<effect_class> kinds;
    for (const std::unique_ptr<effect>& e : g.effects.items) kinds.push_back(e->kind());
    return kinds;
}

inline std::size_t effect_count(const gfx& g, effect_class kind) {
    const std::vector<effect_class> kinds = effect_kinds(g);
    return static_cast<std::size_t>(std::count(kinds.begin(), kinds.end(), kind));
}

}  // namespace kv
