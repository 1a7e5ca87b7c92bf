// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap fonts as OpenGL display lists: list base + code draws character code
// (0..254) with glBitmap at the raster position and advances it. The glyph
// shapes come from a rasteriser of the platform (platform/GlyphRasterizer).
//
// Text is drawn without calling the lists: Mesa spends about a quarter of a
// millisecond on every glCallLists (a fresh allocation filled each time),
// and on every run of glBitmap calls it draws (a new texture each time). A
// font built here also keeps its glyphs and an alpha texture holding all of
// them (its atlas), and DrawFontText draws a whole text as one batch of
// textured quads, each on the pixels its glBitmap would light, in the colour
// glBitmap would use, and moves the raster position as the lists would.
//
// User-interface thread only, with the OpenGL context current. A font belongs
// to the context it was built in, like its lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One glyph in glBitmap form.
struct SGlyphBitmap {
    std::int32_t width = 0;  // pixels
    std::int32_t height = 0; // rows
    // Pen position relative to the bitmap's bottom-left pixel (glBitmap's
    // xorig, yorig): xorig = -left bearing, yorig = rows below the baseline.
    float originX = 0.0f;
    float originY = 0.0f;
    float advance = 0.0f; // pixels the pen moves right
    // Rows bottom first, each (width + 7) / 8 bytes, most significant bit
    // leftmost.
    std::vector<std::uint8_t> bits;
};

class IGlyphRasterizer {
public:
    static constexpr int kGlyphCount = 255;

    virtual ~IGlyphRasterizer() = default;
    // Fills glyphs with kGlyphCount entries for character codes 0..254
    // (Latin-1) of the bold face at a character height of pixelHeight pixels.
    // Returns false if the face could not be rasterised at all.
    virtual bool Rasterize(const std::string& face, int pixelHeight,
                           std::vector<SGlyphBitmap>& glyphs) = 0;
};

// The program's bitmap fonts. A font's list base is 100 times its pixel
// height: the panels measure text as listBase / 100.
struct SBitmapFont {
    std::int32_t listBase;
    int pixelHeight;
    const char* face;
};
inline constexpr SBitmapFont kArial10{1000, 10, "Arial"};
inline constexpr SBitmapFont kArial12{1200, 12, "Arial"};
inline constexpr SBitmapFont kArial14{1400, 14, "Arial"};
inline constexpr SBitmapFont kCourierBoldItalic24{2400, 24, "Courier Bold Italic"};
inline constexpr SBitmapFont kBitmapFonts[] = {kArial10, kArial12, kArial14, kCourierBoldItalic24};

// Builds the 255 display lists listBase .. listBase + 254 from the glyphs of
// the face. Returns false (and builds nothing) if the rasteriser fails.
bool BuildFontList(IGlyphRasterizer& rasterizer, std::int32_t listBase, int pixelHeight,
                   const std::string& face);
// Builds the lists from glyphs already rasterised (at most 255 are used).
void BuildFontList(std::int32_t listBase, const std::vector<SGlyphBitmap>& glyphs);

// Deletes the font's lists and atlas.
void DeleteFontList(std::int32_t listBase);

// Draws text from the current raster position with the font at listBase,
// pixel for pixel what glCallLists of its lists draws, and leaves the raster
// position where they would. The quads need the fragment state the view
// draws text in (no texturing, alpha test, lighting, face culling, polygon
// offset or stipple, filled polygons, a current alpha above 0, and with the
// depth test on a raster position at depth 0); otherwise, and for a base no
// font was built at in this context, the text goes through glBitmap or the
// lists.
// Leaves texturing and the alpha test off, and everything else it touches
// (the pixel store, the bound texture, the texture environment, the alpha
// function, the matrices and the viewport) as it found it.
void DrawFontText(std::int32_t listBase, std::string_view text);
