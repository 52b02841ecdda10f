#pragma once
// The GL side of the Direct3D-shaped layer, shared by its object and its device.

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

#include "platform/d3d_types.h"
#include "platform/dll.h"
#include "platform/gl_context.h"

namespace kv {

// The GL entry points the layer uses, looked up in the platform's GL module; the optional ones may be
// null.
#define KV_D3D_GL_REQUIRED(X) \
    X(glEnable)               \
    X(glDisable)              \
    X(glViewport)             \
    X(glDepthRange)           \
    X(glDepthFunc)            \
    X(glDepthMask)            \
    X(glClearDepth)           \
    X(glClearColor)           \
    X(glClear)                \
    X(glScissor)              \
    X(glBlendFunc)            \
    X(glAlphaFunc)            \
    X(glCullFace)             \
    X(glShadeModel)           \
    X(glPolygonMode)          \
    X(glFogi)                 \
    X(glFogf)                 \
    X(glFogfv)                \
    X(glMatrixMode)           \
    X(glLoadMatrixf)          \
    X(glLoadIdentity)         \
    X(glEnableClientState)    \
    X(glDisableClientState)   \
    X(glVertexPointer)        \
    X(glColorPointer)         \
    X(glTexCoordPointer)      \
    X(glDrawArrays)           \
    X(glDrawElements)         \
    X(glGenTextures)          \
    X(glDeleteTextures)       \
    X(glBindTexture)          \
    X(glTexParameteri)        \
    X(glTexImage2D)           \
    X(glTexEnvi)              \
    X(glPixelStorei)          \
    X(glReadBuffer)           \
    X(glReadPixels)           \
    X(glGetString)            \
    X(glGetIntegerv)          \
    X(glPointSize)            \
    X(glFinish)
#define KV_D3D_GL_OPTIONAL(X)                                 \
    X(glActiveTexture, PFNGLACTIVETEXTUREPROC)                \
    X(glClientActiveTexture, PFNGLCLIENTACTIVETEXTUREARBPROC) \
    X(glCompressedTexImage2D, PFNGLCOMPRESSEDTEXIMAGE2DPROC)  \
    X(glProvokingVertex, PFNGLPROVOKINGVERTEXPROC)

struct d3d_gl {
#define KV_MEMBER(name) decltype(&::name) name = nullptr;
    KV_D3D_GL_REQUIRED(KV_MEMBER)
#undef KV_MEMBER
#define KV_MEMBER(name, type) type name = nullptr;
    KV_D3D_GL_OPTIONAL(KV_MEMBER)
#undef KV_MEMBER
    wgl_create_context_fn create_context = nullptr;
    wgl_delete_context_fn delete_context = nullptr;
    wgl_make_current_fn make_current = nullptr;
    wgl_swap_buffers_fn swap_buffers = nullptr;
    wgl_describe_pixel_format_fn describe_pixel_format = nullptr;
    wgl_set_pixel_format_fn set_pixel_format = nullptr;
};

// Looks the entry points up in the GL module; false with the first missing required name.
bool d3d_load_gl(const dll& library, d3d_gl& gl, std::string& missing);
bool d3d_has_extension(const char* all, const char* name);
// The display format of a desktop depth.
d3d_format d3d_format_of_bits(int32_t bits);
bool d3d_depth_format_known(d3d_format f);

}  // namespace kv
