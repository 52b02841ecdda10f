#pragma once
// The pixels `read_screen` reads for a region given as screen fractions from the top left, shared
// by every driver so that they read the same pixels.

#include <cstdint>

namespace kv {

struct screen_region {
    int32_t x = 0;  // first column
    int32_t y = 0;  // first row, from the top
    int32_t width = 0;
    int32_t height = 0;
};

// x = trunc(W x0), y = trunc(H y0), width = trunc(W x1) - x, height = trunc(H y1) - y. Fractions
// are taken within 0 to 1 and a reversed region is empty, so the region never leaves the screen.
screen_region gfx_screen_region(int32_t screen_width, int32_t screen_height, float x0, float y0, float x1,
                                float y1);

}  // namespace kv
