// SPDX-License-Identifier: GPL-3.0-or-later
// Rasterises the Latin-1 glyphs 0..254 of a font face with Qt into the 1-bit
// bitmaps that BuildFontList turns into display lists: bold, sans-serif style
// hint, the given character height in pixels, no antialiasing.
//
// Needs a QGuiApplication (any platform, "offscreen" included). Call from the
// thread that owns it, normally the user-interface thread.
#pragma once

#include "plots/FontList.h"

class CGlyphRasterizer : public IGlyphRasterizer {
public:
    bool Rasterize(const std::string& face, int pixelHeight,
                   std::vector<SGlyphBitmap>& glyphs) override;
};
