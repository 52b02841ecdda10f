#pragma once
// The OpenGL driver's entry points, every one looked up by name in the libraries "opengl32.dll"
// and "glu32.dll" (platform/dll.h) when the driver opens, none linked.

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include "platform/gl_context.h"

namespace kv {

// The library's names in the order they are resolved. X(name, type).
#define KV_GL_CORE_ENTRY_POINTS(X)                                     \
    X(glEnable, decltype(&::glEnable))                                 \
    X(glDisable, decltype(&::glDisable))                               \
    X(glFrustum, decltype(&::glFrustum))                               \
    X(glViewport, decltype(&::glViewport))                             \
    X(glHint, decltype(&::glHint))                                     \
    X(glClearDepth, decltype(&::glClearDepth))                         \
    X(glDepthFunc, decltype(&::glDepthFunc))                           \
    X(glDepthRange, decltype(&::glDepthRange))                         \
    X(glDepthMask, decltype(&::glDepthMask))                           \
    X(glPushAttrib, decltype(&::glPushAttrib))                         \
    X(glPopAttrib, decltype(&::glPopAttrib))                           \
    X(glBlendFunc, decltype(&::glBlendFunc))                           \
    X(glAlphaFunc, decltype(&::glAlphaFunc))                           \
    X(glEnableClientState, decltype(&::glEnableClientState))           \
    X(glDisableClientState, decltype(&::glDisableClientState))         \
    X(glCullFace, decltype(&::glCullFace))                             \
    X(glFogf, decltype(&::glFogf))                                     \
    X(glFogfv, decltype(&::glFogfv))                                   \
    X(glFogi, decltype(&::glFogi))                                     \
    X(glClipPlane, decltype(&::glClipPlane))                           \
    X(glPolygonMode, decltype(&::glPolygonMode))                       \
    X(glPointSize, decltype(&::glPointSize))                           \
    X(glMatrixMode, decltype(&::glMatrixMode))                         \
    X(glPushMatrix, decltype(&::glPushMatrix))                         \
    X(glPopMatrix, decltype(&::glPopMatrix))                           \
    X(glLoadIdentity, decltype(&::glLoadIdentity))                     \
    X(glMultMatrixf, decltype(&::glMultMatrixf))                       \
    X(glTranslatef, decltype(&::glTranslatef))                         \
    X(glScalef, decltype(&::glScalef))                                 \
    X(glClear, decltype(&::glClear))                                   \
    X(glBegin, decltype(&::glBegin))                                   \
    X(glEnd, decltype(&::glEnd))                                       \
    X(glFinish, decltype(&::glFinish))                                 \
    X(glFlush, decltype(&::glFlush))                                   \
    X(glGetError, decltype(&::glGetError))                             \
    X(glGetFloatv, decltype(&::glGetFloatv))                           \
    X(glGetIntegerv, decltype(&::glGetIntegerv))                       \
    X(glGetString, decltype(&::glGetString))                           \
    X(glMaterialfv, decltype(&::glMaterialfv))                         \
    X(glLightfv, decltype(&::glLightfv))                               \
    X(glLightModelfv, decltype(&::glLightModelfv))                     \
    X(glShadeModel, decltype(&::glShadeModel))                         \
    X(glClearColor, decltype(&::glClearColor))                         \
    X(glColor3ub, decltype(&::glColor3ub))                             \
    X(glColor3ubv, decltype(&::glColor3ubv))                           \
    X(glColor4ubv, decltype(&::glColor4ubv))                           \
    X(glColor3f, decltype(&::glColor3f))                               \
    X(glColor4f, decltype(&::glColor4f))                               \
    X(glColorPointer, decltype(&::glColorPointer))                     \
    X(glColorMask, decltype(&::glColorMask))                           \
    X(glVertex3f, decltype(&::glVertex3f))                             \
    X(glVertex3fv, decltype(&::glVertex3fv))                           \
    X(glVertexPointer, decltype(&::glVertexPointer))                   \
    X(glInterleavedArrays, decltype(&::glInterleavedArrays))           \
    X(glDrawElements, decltype(&::glDrawElements))                     \
    X(glDrawArrays, decltype(&::glDrawArrays))                         \
    X(glArrayElement, decltype(&::glArrayElement))                     \
    X(glReadBuffer, decltype(&::glReadBuffer))                         \
    X(glDrawBuffer, decltype(&::glDrawBuffer))                         \
    X(glReadPixels, decltype(&::glReadPixels))                         \
    X(glDrawPixels, decltype(&::glDrawPixels))                         \
    X(glRasterPos2f, decltype(&::glRasterPos2f))                       \
    X(glPixelZoom, decltype(&::glPixelZoom))                           \
    X(glAreTexturesResident, decltype(&::glAreTexturesResident))       \
    X(glIsTexture, decltype(&::glIsTexture))                           \
    X(glGenTextures, decltype(&::glGenTextures))                       \
    X(glBindTexture, decltype(&::glBindTexture))                       \
    X(glTexParameteri, decltype(&::glTexParameteri))                   \
    X(glTexImage2D, decltype(&::glTexImage2D))                         \
    X(glDeleteTextures, decltype(&::glDeleteTextures))                 \
    X(glTexCoord2f, decltype(&::glTexCoord2f))                         \
    X(glTexCoord2fv, decltype(&::glTexCoord2fv))                       \
    X(glTexEnvf, decltype(&::glTexEnvf))                               \
    X(glTexEnvfv, decltype(&::glTexEnvfv))                             \
    X(glTexEnvi, decltype(&::glTexEnvi))                               \
    X(glTexEnviv, decltype(&::glTexEnviv))                             \
    X(glPixelStorei, decltype(&::glPixelStorei))                       \
    X(glPixelTransferi, decltype(&::glPixelTransferi))                 \
    X(glTexCoordPointer, decltype(&::glTexCoordPointer))               \
    X(glGetTexLevelParameteriv, decltype(&::glGetTexLevelParameteriv)) \
    X(wglCreateContext, wgl_create_context_fn)                         \
    X(wglDeleteContext, wgl_delete_context_fn)                         \
    X(wglMakeCurrent, wgl_make_current_fn)                             \
    X(wglSwapBuffers, wgl_swap_buffers_fn)                             \
    X(wglDescribePixelFormat, wgl_describe_pixel_format_fn)            \
    X(wglChoosePixelFormat, wgl_choose_pixel_format_fn)                \
    X(wglSetPixelFormat, wgl_set_pixel_format_fn)                      \
    X(wglGetProcAddress, wgl_get_proc_address_fn)

// Extension entry points, fetched through wglGetProcAddress.
#define KV_GL_EXTENSION_ENTRY_POINTS(X)                                  \
    X(glLockArraysEXT, PFNGLLOCKARRAYSEXTPROC)                           \
    X(glUnlockArraysEXT, PFNGLUNLOCKARRAYSEXTPROC)                       \
    X(glCompressedTexImage3DARB, PFNGLCOMPRESSEDTEXIMAGE3DARBPROC)       \
    X(glCompressedTexImage2DARB, PFNGLCOMPRESSEDTEXIMAGE2DARBPROC)       \
    X(glCompressedTexImage1DARB, PFNGLCOMPRESSEDTEXIMAGE1DARBPROC)       \
    X(glCompressedTexSubImage3DARB, PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC) \
    X(glCompressedTexSubImage2DARB, PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC) \
    X(glCompressedTexSubImage1DARB, PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC) \
    X(glGetCompressedTexImageARB, PFNGLGETCOMPRESSEDTEXIMAGEARBPROC)     \
    X(glMultiTexCoord1fARB, PFNGLMULTITEXCOORD1FARBPROC)                 \
    X(glMultiTexCoord1fvARB, PFNGLMULTITEXCOORD1FVARBPROC)               \
    X(glMultiTexCoord2fARB, PFNGLMULTITEXCOORD2FARBPROC)                 \
    X(glMultiTexCoord2fvARB, PFNGLMULTITEXCOORD2FVARBPROC)               \
    X(glMultiTexCoord3fARB, PFNGLMULTITEXCOORD3FARBPROC)                 \
    X(glMultiTexCoord3fvARB, PFNGLMULTITEXCOORD3FVARBPROC)               \
    X(glMultiTexCoord4fARB, PFNGLMULTITEXCOORD4FARBPROC)                 \
    X(glMultiTexCoord4fvARB, PFNGLMULTITEXCOORD4FVARBPROC)               \
    X(glActiveTextureARB, PFNGLACTIVETEXTUREARBPROC)                     \
    X(glClientActiveTextureARB, PFNGLCLIENTACTIVETEXTUREARBPROC)         \
    X(wglSwapIntervalEXT, wgl_swap_interval_fn)                          \
    X(wglGetExtensionsStringEXT, wgl_get_extensions_string_fn)

struct gl_api {
#define KV_GL_MEMBER(name, type) type name = nullptr;
    KV_GL_CORE_ENTRY_POINTS(KV_GL_MEMBER)
    KV_GL_EXTENSION_ENTRY_POINTS(KV_GL_MEMBER)
#undef KV_GL_MEMBER
    decltype(&::gluBuild2DMipmaps) gluBuild2DMipmaps = nullptr;
};

}  // namespace kv
