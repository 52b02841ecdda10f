#pragma once
// The text label: one line of text drawn in a named font at a point of the 1000 x 1000 virtual
// screen, starting there, centred on it or ending there. Labels are plain values that screens,
// rolls, list rows, buttons, the HUD and the soldiers' name tags copy and keep.

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int32_t kTextAlignLeft = 0;
inline constexpr int32_t kTextAlignCentre = 1;
inline constexpr int32_t kTextAlignRight = 2;

struct kvtext {
    float x = 0.0f;
    float y = 0.0f;
    float char_width = 0.0f;  // the character cell the font is drawn at
    float char_height = 0.0f;
    int32_t alignment = kTextAlignLeft;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // red, green, blue, alpha
    std::string text;
    std::string font;  // names both the font texture and its metrics
    uint8_t flag = 0;  // handed to the driver's text drawing as it is
    uint8_t visible = 1;
};

void kvtext_init(kvtext& t, int32_t x, int32_t y, const float (&colour)[4], const std::string& text,
                 const std::string& font, int32_t char_width, int32_t char_height, int32_t alignment,
                 bool flag);
// The form the level objects' labels are made with: the three values are the character width, the
// flag (non-zero: set) and the character height.
void kvtext_init(kvtext& t, float x, float y, const float (&colour)[4], const std::string& text,
                 const int32_t (&values)[3], int32_t alignment, const std::string& font);
// Position, cell and alignment 0, no text or font, flag clear, visible; the colour is the owner's
// to set before drawing.
void kvtext_init_default(kvtext& t);
void kvtext_setup(kvtext& t, int32_t x, int32_t y, const float (&colour)[4], const std::string& text,
                  const std::string& font, int32_t char_width, int32_t char_height, int32_t alignment,
                  bool flag);
void kvtext_destroy(kvtext& t);
void kvtext_set_position(kvtext& t, int32_t x, int32_t y);
void kvtext_set_x(kvtext& t, int32_t x);
void kvtext_set_y(kvtext& t, int32_t y);
void kvtext_set_color(kvtext& t, const float (&colour)[4]);
void kvtext_get_color(const kvtext& t, float (&colour)[4]);
void kvtext_set_text(kvtext& t, const std::string& text);
void kvtext_set_font(kvtext& t, const std::string& font);
void kvtext_set_visible(kvtext& t, bool visible);
// True when drawn, and for an invisible label or an unknown alignment (nothing drawn); false when
// there is no font texture (an empty font name included) or no display driver.
bool kvtext_draw(const kvtext& t);

}  // namespace kv
