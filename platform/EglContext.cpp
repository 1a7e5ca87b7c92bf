// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/EglContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>

namespace {

std::string EglError(const char* what) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", what, eglGetError());
    return text;
}

} // namespace

CEglContext::~CEglContext() {
    Destroy();
}

void CEglContext::Destroy() {
    auto display = static_cast<EGLDisplay>(m_display);
    if (display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (m_context != nullptr)
        eglDestroyContext(display, static_cast<EGLContext>(m_context));
    if (m_surface != nullptr)
        eglDestroySurface(display, static_cast<EGLSurface>(m_surface));
    // No eglTerminate: the surfaceless display is one handle for the whole
    // process, so terminating it would break every other context on it (and
    // it unloads the driver, which leaks its allocations).
    eglReleaseThread();
    m_display = m_surface = m_context = nullptr;
}

bool CEglContext::Create(int width, int height, int depthBits) {
    Destroy();
    m_strError.clear();
    EGLDisplay display =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        m_strError = EglError("eglGetPlatformDisplay(surfaceless)");
        return false;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        m_strError = EglError("eglInitialize");
        return false;
    }
    m_display = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        m_strError = EglError("eglBindAPI(OpenGL)");
        Destroy();
        return false;
    }

    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_ALPHA_SIZE,
                             8,
                             EGL_DEPTH_SIZE,
                             depthBits,
                             EGL_NONE};
    EGLint count = 0;
    eglChooseConfig(display, wanted, nullptr, 0, &count);
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count > 0 ? count : 0));
    if (count <= 0 || !eglChooseConfig(display, wanted, configs.data(), count, &count)) {
        m_strError = EglError("eglChooseConfig");
        Destroy();
        return false;
    }
    // eglChooseConfig sorts deeper colour buffers (10 bits) first; the plots
    // read back and compare 8-bit pixels, so take an exact match.
    EGLConfig chosen = nullptr;
    for (EGLint i = 0; i < count && chosen == nullptr; ++i) {
        EGLint r = 0, g = 0, b = 0, a = 0;
        eglGetConfigAttrib(display, configs[static_cast<std::size_t>(i)], EGL_RED_SIZE, &r);
        eglGetConfigAttrib(display, configs[static_cast<std::size_t>(i)], EGL_GREEN_SIZE, &g);
        eglGetConfigAttrib(display, configs[static_cast<std::size_t>(i)], EGL_BLUE_SIZE, &b);
        eglGetConfigAttrib(display, configs[static_cast<std::size_t>(i)], EGL_ALPHA_SIZE, &a);
        if (r == 8 && g == 8 && b == 8 && a == 8)
            chosen = configs[static_cast<std::size_t>(i)];
    }
    if (chosen == nullptr) {
        m_strError = "no EGL config with exactly 8/8/8/8 colour bits";
        Destroy();
        return false;
    }

    const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, chosen, surfaceAttribs);
    if (surface == EGL_NO_SURFACE) {
        m_strError = EglError("eglCreatePbufferSurface");
        Destroy();
        return false;
    }
    m_surface = surface;

    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
                                     EGL_NONE};
    EGLContext context = eglCreateContext(display, chosen, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) {
        m_strError = EglError("eglCreateContext(OpenGL 2.1)");
        Destroy();
        return false;
    }
    m_context = context;
    m_nWidth = width;
    m_nHeight = height;
    if (!MakeCurrent()) {
        Destroy();
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

bool CEglContext::MakeCurrent() {
    if (m_context == nullptr) {
        m_strError = "no context";
        return false;
    }
    auto surface = static_cast<EGLSurface>(m_surface);
    if (!eglMakeCurrent(static_cast<EGLDisplay>(m_display), surface, surface,
                        static_cast<EGLContext>(m_context))) {
        m_strError = EglError("eglMakeCurrent");
        return false;
    }
    return true;
}

std::vector<std::uint8_t> CEglContext::ReadPixels(int x, int y, int width, int height) const {
    if (width <= 0 || height <= 0)
        return {};
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) *
                                     static_cast<std::size_t>(height) * 4);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glFinish();
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    return pixels;
}
