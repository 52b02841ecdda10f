#pragma once
// The text label widget: a line of text drawn at a point, aligned left, centred or right about it.

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int32_t kTextAlignLeft = 0;
inline constexpr int32_t kTextAlignCentre = 1;
inline constexpr int32_t kTextAlignRight = 2;

struct kvtext {
    float x = 0.0f;
    float y = 0.0f;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // RGBA
    std::string text;
    int32_t values[3] = {};  // size and layout
    int32_t alignment = kTextAlignLeft;
    std::string font;
};

void kvtext_init(kvtext& t, float x, float y, const float (&colour)[4], const std::string& text,
                 const int32_t (&values)[3], int32_t alignment, const std::string& font);
void kvtext_set_position(kvtext& t, float x, float y);
void kvtext_set_color(kvtext& t, const float (&colour)[4]);
void kvtext_draw(const kvtext& t);

}  // namespace kv
