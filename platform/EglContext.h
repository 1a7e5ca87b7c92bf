// SPDX-License-Identifier: GPL-3.0-or-later
// A headless OpenGL context: Mesa's EGL surfaceless platform with a pbuffer
// surface, OpenGL (compatibility) 2.1 and an exact 8/8/8/8 RGBA colour buffer.
// It needs neither an X server nor a DRI device and rasterises like the
// on-screen context, so drawing tests and benchmarks use it.
//
// The context is made current on the thread that calls Create or MakeCurrent;
// use one object from one thread. Several objects may live at once: they share
// the process-wide display, which is left initialised until the process ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CEglContext {
public:
    CEglContext() = default;
    ~CEglContext();
    CEglContext(const CEglContext&) = delete;
    CEglContext& operator=(const CEglContext&) = delete;

    // Creates display, context and a width x height pbuffer (with a depth
    // buffer of depthBits) and makes it current. On failure returns false and
    // leaves a description in GetError.
    bool Create(int width, int height, int depthBits = 24);
    bool MakeCurrent();
    bool IsValid() const { return m_context != nullptr; }
    const std::string& GetError() const { return m_strError; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

    // glReadPixels of the colour buffer as RGBA bytes, rows bottom first.
    std::vector<std::uint8_t> ReadPixels(int x, int y, int width, int height) const;
    std::vector<std::uint8_t> ReadPixels() const { return ReadPixels(0, 0, m_nWidth, m_nHeight); }

private:
    void Destroy();

    void* m_display = nullptr;
    void* m_surface = nullptr;
    void* m_context = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::string m_strError;
};
