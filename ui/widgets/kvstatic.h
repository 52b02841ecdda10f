#pragma once
// The picture: a textured rectangle of the 1000 x 1000 virtual screen, tinted with a colour and cut
// from its texture by a texture rectangle. Screens keep pictures by value; every screen owns one as
// its mouse pointer, the cursor, drawn from the eight frames of "kvCursor".

#include <cstdint>
#include <string>

namespace kv {

inline constexpr const char* kCursorTexture = "kvCursor";
inline constexpr int32_t kCursorFrames = 8;  // side by side in the texture

struct kvstatic {
    // A visible picture of size 0 at 0, 0 with no texture.
    kvstatic() = default;
    kvstatic(int32_t x, int32_t y, int32_t width, int32_t height, const std::string& texture_name,
             const float (&colour)[4], const float (&texture_rect)[4]);
    virtual ~kvstatic() = default;
    kvstatic(const kvstatic&) = default;
    kvstatic& operator=(const kvstatic&) = default;

    // True when drawn, and for an invisible picture; false without a texture image.
    virtual bool draw();

    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float texture_rect[4] = {0.0f, 0.0f, 1.0f, 1.0f};  // left, top, right, bottom
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};        // red, green, blue, alpha
    std::string texture_name;
    uint8_t visible = 1;
};

// The screen's pointer: at 500, 500, 40 x 50, its first frame.
kvstatic kvstatic_cursor();

// The picture part's drawing, whatever the picture's class.
bool kvstatic_draw(kvstatic& w);
// A negative x keeps the position, a negative width the size.
void kvstatic_set_rect(kvstatic& w, int32_t x, int32_t y, int32_t width, int32_t height);
void kvstatic_set_y(kvstatic& w, int32_t y);
void kvstatic_set_color(kvstatic& w, float red, float green, float blue, float alpha);
void kvstatic_set_texture(kvstatic& w, const std::string& texture_name);
void kvstatic_set_visible(kvstatic& w, bool visible);
// Equal left and right (or top and bottom) edges draw a one-texel strip: never refused.
void kvstatic_set_texture_rect(kvstatic& w, float left, float top, float right, float bottom);

}  // namespace kv
