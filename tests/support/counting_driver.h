#pragma once
// A display driver for benchmarks that writes nothing down: it counts the pictures and texts drawn and
// marks textures uploaded as the recording driver does, so what is measured is the caller's own cost.

#include <cstdint>
#include <string>

#include "gfx/texture.h"
#include "tests/support/recording_driver.h"

namespace kv {

class counting_driver : public recording_driver {
public:
    bool use_texture(texture& t, int32_t) override {
        if (t.handle == kNoTextureHandle) {
            t.handle = 1;
            t.uploaded = 1;
        }
        return true;
    }
    void draw_text(texture*, const gfx_colour&, int32_t, int32_t, int32_t, int32_t, const std::string&, bool,
                   const int8_t*) override {
        ++draws;
    }
    void draw_quad_uv_tinted(texture*, const gfx_colour&, const gfx_rect&, const gfx_uv_rect&) override {
        ++draws;
    }
    void draw_quad_uv_tinted_at(texture*, const gfx_colour&, float, float, float, float, const float (&)[2],
                                const float (&)[2]) override {
        ++draws;
    }
    void draw_quad_uv_at(texture*, float, float, float, float, const float (&)[2],
                         const float (&)[2]) override {
        ++draws;
    }
    int64_t draws = 0;
};

}  // namespace kv
