#pragma once
// OpenGL on the platform's window system: the module "opengl32.dll" names. Its GL entry points are
// looked up by name through SDL's GL loader; its eight wgl names are the functions below, on the GL
// windows of platform/window.h and SDL's GL contexts. Pixel formats are the display's GLX
// frame-buffer configurations that draw to a window (none is reported as generic and
// unaccelerated); setting one asks SDL for its colour, depth and stencil sizes (no alpha bits, so
// every configuration stays drawable on a 24-bit screen) and makes the window again with them.
// Contexts are compatibility contexts.

#include <cstdint>
#include <memory>

namespace kv {

struct dll_module;
struct sys_gl_window;  // a window with its device context

// Pixel-format flags (the values of the Windows descriptor).
inline constexpr uint32_t kPfdDoubleBuffer = 0x1;
inline constexpr uint32_t kPfdStereo = 0x2;
inline constexpr uint32_t kPfdDrawToWindow = 0x4;
inline constexpr uint32_t kPfdDrawToBitmap = 0x8;
inline constexpr uint32_t kPfdSupportGdi = 0x10;
inline constexpr uint32_t kPfdSupportOpenGl = 0x20;
inline constexpr uint32_t kPfdGenericFormat = 0x40;
inline constexpr uint32_t kPfdNeedPalette = 0x80;
inline constexpr uint32_t kPfdNeedSystemPalette = 0x100;
inline constexpr uint32_t kPfdSwapLayerBuffers = 0x800;
inline constexpr uint32_t kPfdGenericAccelerated = 0x1000;
inline constexpr uint8_t kPfdTypeRgba = 0;
inline constexpr uint16_t kPixelFormatSize = 40;

struct sys_pixel_format {
    uint16_t size = kPixelFormatSize;
    uint16_t version = 1;
    uint32_t flags = 0;
    uint8_t pixel_type = kPfdTypeRgba;
    uint8_t colour_bits = 0;
    uint8_t red_bits = 0;
    uint8_t green_bits = 0;
    uint8_t blue_bits = 0;
    uint8_t alpha_bits = 0;
    uint8_t depth_bits = 0;
    uint8_t stencil_bits = 0;
    uint8_t layer_type = 0;  // 0 the main plane
};

// The wgl functions as the module hands them out (the names in comments).
using wgl_create_context_fn = void* (*)(sys_gl_window* dc);             // wglCreateContext
using wgl_delete_context_fn = int (*)(void* context);                   // wglDeleteContext
using wgl_make_current_fn = int (*)(sys_gl_window* dc, void* context);  // wglMakeCurrent
using wgl_swap_buffers_fn = int (*)(sys_gl_window* dc);                 // wglSwapBuffers
// Fills `out` (when not null) with format `index` (1 upward); returns how many formats there are.
using wgl_describe_pixel_format_fn = int (*)(sys_gl_window* dc, int index, unsigned size,
                                             sys_pixel_format* out);
using wgl_choose_pixel_format_fn = int (*)(sys_gl_window* dc, const sys_pixel_format* wanted);
using wgl_set_pixel_format_fn = int (*)(sys_gl_window* dc, int index, const sys_pixel_format* format);
using wgl_get_proc_address_fn = void* (*)(const char* name);  // wglGetProcAddress
using wgl_swap_interval_fn = int (*)(int interval);           // wglSwapIntervalEXT
using wgl_get_extensions_string_fn = const char* (*)();       // wglGetExtensionsStringEXT

// The module of "opengl32.dll" (platform/dll.h).
std::shared_ptr<const dll_module> gl_platform_module();

}  // namespace kv
