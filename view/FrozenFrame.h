// SPDX-License-Identifier: GPL-3.0-or-later
// The picture a frozen display keeps showing: one drawn frame read back
// whole and put back pixel for pixel by every later draw, so the screen, a
// screen capture and a copy all show the same frame however long the
// analysis runs on behind it.
//
// The calling thread must have the drawing context current (the
// user-interface thread inside the view's drawing, or a test's context).
// Draw leaves the OpenGL state as it found it.
#pragma once

#include <cstdint>
#include <vector>

class CFrozenFrame {
public:
    // Reads width x height pixels from the lower left of the current read
    // framebuffer; true when OpenGL reports no error (nothing is held
    // otherwise).
    bool Hold(std::int32_t width, std::int32_t height);
    // Clears the framebuffer of width x height pixels to the colour (0..1)
    // and draws the held pixels at its lower left corner. Nothing without a
    // held frame.
    void Draw(std::int32_t width, std::int32_t height, float red, float green, float blue) const;
    bool IsHeld() const { return !m_pixels.empty(); }
    void Release();

private:
    std::vector<std::uint8_t> m_pixels; // RGBA rows, bottom up
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
};
