#pragma once
// The widgets of the game screen that the game object's message panel and scores list set up.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// A picture.
struct kvstatic {
    bool visible = true;
    int32_t rect[4] = {};  // x, y, width, height
};

// A multi-line text label.
struct kvmltext {
    bool visible = true;
    std::string text;
};

struct kvselection_column {
    std::string title;
    int32_t width = 0;
    int32_t value = 0;
};

// A selection list with columns.
struct kvselection {
    std::vector<kvselection_column> columns;
};

void kvstatic_set_rect(kvstatic& w, int32_t x, int32_t y, int32_t width, int32_t height);
void kvstatic_set_visible(kvstatic& w, bool visible);
void kvmltext_set_text(kvmltext& w, const std::string& text, int32_t a, int32_t b);
void kvmltext_set_visible(kvmltext& w, bool visible);
void kvselection_add_column(kvselection& w, const std::string& title, int32_t width, int32_t value);

}  // namespace kv
