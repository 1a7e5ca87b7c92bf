// SPDX-License-Identifier: GPL-3.0-or-later
// The palette as OpenGL pixel maps, so that 8-bit colour-index images draw in
// palette colours.
//
// User-interface thread only, with the OpenGL context current.
#pragma once

#include <cstdint>

// Loads the process-wide palette copies (view/Palette.h) as the maps
// index-to-red/green/blue and red-to-red, green-to-green, blue-to-blue, and
// index-to-alpha as 1.0 (opaque). Colour mapping itself stays off: left on it
// would also map glReadPixels and RGB draws, so the colour-index draws switch
// it on and off around themselves (DrawColourIndexPixels, CColourIndexScope).
void LoadPixelMaps();

// Turns GL_MAP_COLOR on for its lifetime.
class CColourIndexScope {
public:
    CColourIndexScope();
    ~CColourIndexScope();
    CColourIndexScope(const CColourIndexScope&) = delete;
    CColourIndexScope& operator=(const CColourIndexScope&) = delete;
};

// glDrawPixels of width x height 8-bit colour indexes (rows bottom first,
// tightly packed) at the current raster position, through the pixel maps.
void DrawColourIndexPixels(std::int32_t width, std::int32_t height, const std::uint8_t* pixels);
