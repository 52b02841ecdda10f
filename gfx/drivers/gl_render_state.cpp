// The OpenGL driver's frame, transforms and cached render state.

#include <cmath>

#include "gfx/drivers/gl_driver.h"

namespace kv {

void gl_driver::gl_set_blend(int32_t mode) {
    gl_state& s = *state_;
    if (mode < kGlBlendOff || mode > kGlBlendAdd || mode == kGlBlendKeep) return;
    s.blend_lost = 0;  // a blending chosen since
    if (mode == kGlBlendOff) {
        gl_.glDisable(GL_BLEND);
        s.blend = mode;
        return;
    }
    if (s.blend == mode) return;
    if (s.blend == kGlBlendOff) gl_.glEnable(GL_BLEND);
    switch (mode) {
        case kGlBlendOpaque:
            gl_.glBlendFunc(GL_ONE, GL_ZERO);
            break;
        case kGlBlendAlpha:
            gl_.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            gl_.glDisable(GL_ALPHA_TEST);
            break;
        case kGlBlendAlphaTest:
            gl_.glBlendFunc(GL_ONE, GL_ZERO);
            gl_.glEnable(GL_ALPHA_TEST);
            break;
        case kGlBlendMultiply:
            gl_.glBlendFunc(GL_DST_COLOR, GL_ZERO);
            break;
        case kGlBlendAdd:
            gl_.glBlendFunc(GL_ONE, GL_ONE);
            break;
        default:
            break;
    }
    s.blend = mode;
}

void gl_driver::gl_set_cull(int32_t mode) {
    gl_state& s = *state_;
    if (mode == kGlCullOff) {
        gl_.glDisable(GL_CULL_FACE);
        s.cull = mode;
        return;
    }
    if (mode != kGlCullFront && mode != kGlCullBack) return;
    if (s.cull == mode) return;
    if (s.cull == kGlCullOff) gl_.glEnable(GL_CULL_FACE);
    gl_.glCullFace(mode == kGlCullFront ? GL_FRONT : GL_BACK);
    s.cull = mode;
}

void gl_driver::gl_set_texenv(int32_t mode) {
    gl_state& s = *state_;
    if (mode == kGlTexenvAuto) {
        mode = s.texture_kind;
        if (mode == kGlTexenvReplace && s.colour_array != kGlColourArrayFlat) mode = kGlTexenvModulate;
    }
    switch (mode) {
        case kGlTexenvOff:
            for (int32_t u = 0; u < kGlTextureUnits; ++u) disable_texture_unit(u);
            break;
        case kGlTexenvReplace:
        case kGlTexenvModulate:
            if (s.texenv == mode) return;
            enable_texture_unit(0);
            disable_texture_unit(1);
            active_unit(0);
            gl_.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE,
                          mode == kGlTexenvReplace ? GL_REPLACE : GL_MODULATE);
            break;
        case kGlTexenvTwoUnits:
            if (s.texenv == mode) return;
            enable_texture_unit(0);
            active_unit(0);
            gl_.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            enable_texture_unit(1);
            active_unit(1);
            gl_.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            break;
        default:
            return;
    }
    s.texenv = mode;
}

void gl_driver::gl_set_depth_test(int32_t mode) {
    gl_state& s = *state_;
    if (mode == 0) {
        if (s.depth_test != 0) gl_.glDisable(GL_DEPTH_TEST);
    } else if (mode == 1) {
        if (s.depth_test != 1) gl_.glEnable(GL_DEPTH_TEST);
        gl_set_depth_mask(s.blend == kGlBlendAlpha ? 0 : 1);
    } else {
        return;
    }
    s.depth_test = mode;
}

void gl_driver::gl_set_depth_mask(int32_t mode) {
    gl_state& s = *state_;
    if (mode != 0 && mode != 1) return;
    if (s.depth_mask != mode) gl_.glDepthMask(mode ? GL_TRUE : GL_FALSE);
    s.depth_mask = mode;
}

void gl_driver::gl_set_lighting(int32_t mode, const float* ambient) {
    gl_state& s = *state_;
    if (mode == 0) {
        gl_.glDisable(GL_LIGHTING);
    } else if (mode == kGlLightingOn) {
        if (!(s.lighting == kGlLightingOn && s.ambient == ambient)) {
            gl_.glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
            gl_.glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
            if (s.lighting == 0) gl_.glEnable(GL_LIGHTING);
        }
    } else {
        return;
    }
    s.lighting = mode;
    s.ambient = ambient;
}

void gl_driver::gl_set_colour_array(int32_t mode) {
    gl_state& s = *state_;
    if (s.colour_array == mode) return;
    if (mode == kGlColourArrayFlat) {
        gl_.glDisableClientState(GL_COLOR_ARRAY);
        gl_.glShadeModel(GL_FLAT);
    } else if (mode == kGlColourArrayOn) {
        gl_.glEnableClientState(GL_COLOR_ARRAY);
        gl_.glShadeModel(GL_SMOOTH);
    } else if (mode == kGlColourArraySmooth) {
        gl_.glDisableClientState(GL_COLOR_ARRAY);
        gl_.glShadeModel(GL_SMOOTH);
    }
    s.colour_array = mode;
}

void gl_driver::set_clear(const gfx_colour& colour, float alpha, float depth) {
    gl_.glClearColor(colour.red, colour.green, colour.blue, alpha);
    gl_.glClearDepth(depth);
}

void gl_driver::set_colour(const gfx_colour& colour) {
    state_->texture_kind = 0;
    state_->colour[0] = colour.red;
    state_->colour[1] = colour.green;
    state_->colour[2] = colour.blue;
    gl_.glColor3f(colour.red, colour.green, colour.blue);
}

void gl_driver::set_smooth_hint(bool nicest) {
    gl_.glHint(GL_POLYGON_SMOOTH_HINT, nicest ? GL_NICEST : GL_FASTEST);
}

void gl_driver::set_dither(int32_t mode) {
    if (mode == 0) {
        gl_.glDisable(GL_DITHER);
    } else if (mode == 1 || mode == 2) {
        gl_.glEnable(GL_DITHER);
    }
}

void gl_driver::set_perspective(float a, float far) {
    perspective_a_ = a;
    perspective_far_ = far;
    gl_.glMatrixMode(GL_PROJECTION);
    gl_.glLoadIdentity();
    gl_.glFrustum(-a, a, -a, a, a, far);
    gl_.glMatrixMode(GL_MODELVIEW);
}

void gl_driver::set_depth_range(float near, float far) {
    gl_.glDepthRange(near, far);
}

void gl_driver::set_clip_planes(int32_t count, const double (*planes)[4]) {
    gl_state& s = *state_;
    if (count < 0) count = 0;
    if (count > 4) count = 4;
    for (int32_t i = 0; i < count; ++i) {
        if (!s.clip_planes[i]) {
            gl_.glEnable(GL_CLIP_PLANE0 + static_cast<GLenum>(i));
            s.clip_planes[i] = 1;
        }
        gl_.glClipPlane(GL_CLIP_PLANE0 + static_cast<GLenum>(i), planes[i]);
    }
    for (int32_t i = count; i < 4; ++i) {
        if (s.clip_planes[i]) {
            gl_.glDisable(GL_CLIP_PLANE0 + static_cast<GLenum>(i));
            s.clip_planes[i] = 0;
        }
    }
}

void gl_driver::set_wireframe(bool on) {
    gl_state& s = *state_;
    if (s.wireframe == (on ? 1 : 0)) return;
    s.wireframe = on ? 1 : 0;
    gl_.glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
}

void gl_driver::set_vsync(bool on) {
    if (state_->swap_control) gl_.wglSwapIntervalEXT(on ? 1 : 0);
}

bool gl_driver::set_fog(const gfx_fog* fog) {
    if (fog == nullptr) {
        gl_.glDisable(GL_FOG);
        return true;
    }
    gl_.glEnable(GL_FOG);
    gl_.glFogi(GL_FOG_MODE, GL_EXP);
    gl_.glFogf(GL_FOG_DENSITY, fog->density);
    const float colour[4] = {fog->red, fog->green, fog->blue, 0.0f};
    gl_.glFogfv(GL_FOG_COLOR, colour);
    return true;
}

void gl_driver::end_frame() {
    gl_.glFlush();
    gl_.wglSwapBuffers(state_->window);
}

void gl_driver::begin_frame() {
    gl_set_depth_mask(1);
    gl_.glClear(GL_DEPTH_BUFFER_BIT);
}

// After a swap the back buffer holds an older frame (or nothing defined): it is cleared with the depth.
void gl_driver::clear_frame() {
    gl_set_depth_mask(1);
    gl_.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void gl_driver::set_viewport(float x0, float y0, float x1, float y1) {
    // Fractions from the top left; OpenGL counts rows from the bottom.
    const auto w = static_cast<GLint>(std::trunc(static_cast<float>(width_) * (x1 - x0)));
    const auto h = static_cast<GLint>(std::trunc(static_cast<float>(height_) * (y1 - y0)));
    const auto x = static_cast<GLint>(std::trunc(static_cast<float>(width_) * x0));
    const auto y = height_ - static_cast<GLint>(std::trunc(static_cast<float>(height_) * y0)) - h;
    gl_.glViewport(x, y, w, h);
    // The next model-view is applied whatever it is.
    state_->modelview_valid = 0;
}

void gl_driver::set_modelview(const mat4& m, bool force) {
    gl_state& s = *state_;
    if (!force && s.modelview_valid && mat4_equal(s.modelview, m)) return;
    s.modelview = m;
    s.modelview_valid = 1;
    if (s.modelview_pushed) pop_matrix();
    push_matrix(m);
    s.modelview_pushed = 1;
}

void gl_driver::push_matrix(const mat4& m) {
    gl_.glPushMatrix();
    if (m.m[15] != kMat4IdentityFlag) gl_.glMultMatrixf(m.m);
}

void gl_driver::pop_matrix() {
    gl_.glPopMatrix();
}

void gl_driver::set_tint(bool on) {
    if (on) {
        fill_rect(0.0f, 0.0f, 1000.0f, 1000.0f, 0, 75, 0, 128);
        state_->tint = 1;
    } else {
        state_->tint = 0;
    }
}

}  // namespace kv
