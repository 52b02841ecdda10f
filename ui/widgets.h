#pragma once
// The widgets of the game screen that the game object's message panel and scores list set up.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/widgets/kvmltext.h"
#include "ui/widgets/kvstatic.h"

namespace kv {

struct kvselection_column {
    std::string title;
    int32_t width = 0;
    int32_t value = 0;
};

// A selection list with columns.
struct kvselection {
    std::vector<kvselection_column> columns;
};

void kvselection_add_column(kvselection& w, const std::string& title, int32_t width, int32_t value);

}  // namespace kv
