#include "tests/support/recording_gl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <type_traits>

#include "gfx/drivers/gl_api.h"
#include "platform/dll.h"
#include "platform/window.h"

namespace kv {
namespace {

recording_gl* g_current = nullptr;

template <std::size_t N>
struct fixed_name {
    char text[N];
    constexpr fixed_name(const char (&s)[N]) { std::copy_n(s, N, text); }
};

template <typename T>
std::string format_argument(T value) {
    char buffer[64];
    if constexpr (std::is_same_v<T, const char*>) {
        return value != nullptr ? value : "0";
    } else if constexpr (std::is_pointer_v<T>) {
        return value != nullptr ? "p" : "0";
    } else if constexpr (std::is_floating_point_v<T>) {
        std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    } else if constexpr (std::is_same_v<T, unsigned char>) {
        std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(value));
    } else if constexpr (std::is_unsigned_v<T>) {
        std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
    } else {
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    }
    return buffer;
}

template <typename... A>
void write_line(const char* name, A... args) {
    std::string line = name;
    ((line += " " + format_argument(args)), ...);
    if (g_current != nullptr) g_current->record(std::move(line));
}

template <fixed_name Name, typename F>
struct recorder;

template <fixed_name Name, typename R, typename... A>
struct recorder<Name, R (*)(A...)> {
    static R call(A... args) {
        write_line(Name.text, args...);
        if constexpr (!std::is_void_v<R>) return R{};
    }
};

GLuint g_next_texture = 1;

// The entry points that answer.
const GLubyte* get_string(GLenum name) {
    write_line("glGetString", name);
    static std::string text;
    switch (name) {
        case GL_VENDOR:
            text = "Recording";
            break;
        case GL_VERSION:
            text = "1.1";
            break;
        case GL_RENDERER:
            text = "recording GL";
            break;
        case GL_EXTENSIONS:
            return reinterpret_cast<const GLubyte*>(g_current->options().extensions.c_str());
        default:
            text.clear();
    }
    return reinterpret_cast<const GLubyte*>(text.c_str());
}

void get_integerv(GLenum name, GLint* value) {
    write_line("glGetIntegerv", name);
    if (name == GL_MAX_TEXTURE_SIZE) *value = g_current->options().max_texture_size;
    if (name == GL_MAX_TEXTURE_UNITS_ARB) *value = g_current->options().texture_units;
}

void gen_textures(GLsizei n, GLuint* names) {
    write_line("glGenTextures", n);
    for (GLsizei i = 0; i < n; ++i) names[i] = g_next_texture++;
}

void get_tex_level_parameteriv(GLenum target, GLint level, GLenum name, GLint* value) {
    write_line("glGetTexLevelParameteriv", target, level, name);
    *value = 0;
}

int describe_pixel_format(sys_gl_window* dc, int index, unsigned size, sys_pixel_format* out) {
    write_line("wglDescribePixelFormat", dc, index, size);
    const auto& formats = g_current->options().formats;
    if (out != nullptr && index >= 1 && index <= static_cast<int>(formats.size())) {
        *out = formats[static_cast<std::size_t>(index - 1)];
    }
    return static_cast<int>(formats.size());
}

int choose_pixel_format(sys_gl_window* dc, const sys_pixel_format* wanted) {
    write_line("wglChoosePixelFormat", dc, wanted);
    return g_current->options().system_choice;
}

int set_pixel_format(sys_gl_window* dc, int index, const sys_pixel_format* format) {
    write_line("wglSetPixelFormat", dc, index, format);
    return g_current->options().refused_formats.count(index) ? 0 : 1;
}

void* create_context(sys_gl_window* dc) {
    write_line("wglCreateContext", dc);
    static int context = 0;
    return g_current->options().context ? &context : nullptr;
}

int make_current(sys_gl_window* dc, void* context) {
    write_line("wglMakeCurrent", dc, context);
    return 1;
}

const char* extensions_string() {
    write_line("wglGetExtensionsStringEXT");
    return "";
}

void* lookup(const char* name);

void* get_proc_address(const char* name) {
    write_line("wglGetProcAddress", name);
    return lookup(name);
}

int build_mipmaps(GLenum target, GLint internal, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  const void* data) {
    write_line("gluBuild2DMipmaps", target, internal, width, height, format, type, data);
    return 0;
}

using table = std::map<std::string, void*>;

table make_table() {
    table t;
#define KV_RECORDER(name, type) t[#name] = reinterpret_cast<void*>(&recorder<#name, type>::call);
    KV_GL_CORE_ENTRY_POINTS(KV_RECORDER)
    KV_GL_EXTENSION_ENTRY_POINTS(KV_RECORDER)
#undef KV_RECORDER
    t["glGetString"] = reinterpret_cast<void*>(&get_string);
    t["glGetIntegerv"] = reinterpret_cast<void*>(&get_integerv);
    t["glGenTextures"] = reinterpret_cast<void*>(&gen_textures);
    t["glGetTexLevelParameteriv"] = reinterpret_cast<void*>(&get_tex_level_parameteriv);
    t["wglDescribePixelFormat"] = reinterpret_cast<void*>(&describe_pixel_format);
    t["wglChoosePixelFormat"] = reinterpret_cast<void*>(&choose_pixel_format);
    t["wglSetPixelFormat"] = reinterpret_cast<void*>(&set_pixel_format);
    t["wglCreateContext"] = reinterpret_cast<void*>(&create_context);
    t["wglMakeCurrent"] = reinterpret_cast<void*>(&make_current);
    t["wglGetProcAddress"] = reinterpret_cast<void*>(&get_proc_address);
    t["wglGetExtensionsStringEXT"] = reinterpret_cast<void*>(&extensions_string);
    t["gluBuild2DMipmaps"] = reinterpret_cast<void*>(&build_mipmaps);
    return t;
}

void* lookup(const char* name) {
    static const table kTable = make_table();
    if (g_current == nullptr || g_current->options().missing.count(name)) return nullptr;
    auto it = kTable.find(name);
    return it != kTable.end() ? it->second : nullptr;
}

}  // namespace

sys_pixel_format recording_pixel_format(uint8_t colour, uint8_t depth, uint8_t stencil,
                                        uint32_t extra_flags) {
    sys_pixel_format f;
    f.flags = kPfdDrawToWindow | kPfdSupportOpenGl | kPfdDoubleBuffer | extra_flags;
    f.colour_bits = colour;
    f.depth_bits = depth;
    f.stencil_bits = stencil;
    return f;
}

recording_gl::recording_gl(recording_gl_options options) : options_(std::move(options)) {
    if (options_.formats.empty()) options_.formats.push_back(recording_pixel_format(32, 24, 8));
    g_current = this;
    g_next_texture = 1;
    auto module = std::make_shared<dll_module>();
    module->lookup = lookup;
    dll_register_module("opengl32.dll", module);
    dll_register_module("glu32.dll", module);
    sys_fake_gl_windows(true);
}

recording_gl::~recording_gl() {
    sys_fake_gl_windows(false);
    dll_register_module("opengl32.dll", nullptr);
    dll_register_module("glu32.dll", nullptr);
    g_current = nullptr;
}

std::vector<std::string> recording_gl::take() {
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
}

bool recording_gl::wrote(const std::string& line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

recording_gl& recording_gl::current() {
    return *g_current;
}

}  // namespace kv
