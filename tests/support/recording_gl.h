#pragma once
// A recording "opengl32.dll" and "glu32.dll" inside the test program: while one lives, the OpenGL
// driver loads these instead of the platform's GL. Every entry point writes one line ("glEnable
// 0xDE1"; unsigned values in hex, signed ones in decimal, floats with %g, pointers as "p" or "0")
// and answers like a small GL: the strings, integers and pixel formats chosen here, texture names
// counting up. Names listed as missing are not found. Windows are records without a display.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/gl_context.h"

namespace kv {

struct recording_gl_options {
    std::string extensions =
        "GL_EXT_compiled_vertex_array GL_ARB_texture_compression GL_EXT_texture_compression_s3tc "
        "GL_ARB_multitexture WGL_EXT_swap_control";
    std::set<std::string> missing;  // names the module does not have
    int32_t texture_units = 2;
    int32_t max_texture_size = 2048;
    std::vector<sys_pixel_format> formats;  // the window's pixel formats, 1 upward
    int32_t system_choice = 1;              // what wglChoosePixelFormat answers
    std::set<int32_t> refused_formats;      // wglSetPixelFormat fails for these
    bool context = true;                    // wglCreateContext gives one
};

class recording_gl {
public:
    explicit recording_gl(recording_gl_options options = {});
    ~recording_gl();
    recording_gl(const recording_gl&) = delete;
    recording_gl& operator=(const recording_gl&) = delete;

    // The lines written since the last take, forgotten afterwards.
    std::vector<std::string> take();
    // Whether a line was written since the last take.
    bool wrote(const std::string& line) const;
    recording_gl_options& options() { return options_; }

    // The module in use (one at a time).
    static recording_gl& current();
    void record(std::string line) { lines_.push_back(std::move(line)); }

private:
    recording_gl_options options_;
    std::vector<std::string> lines_;
};

// A double-buffered window format with these sizes.
sys_pixel_format recording_pixel_format(uint8_t colour, uint8_t depth, uint8_t stencil,
                                        uint32_t extra_flags = 0);

}  // namespace kv
