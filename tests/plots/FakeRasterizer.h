// Glyphs of known shape for placing text exactly: every printable code is a
// solid block; the space is empty.
#pragma once

#include "plots/FontList.h"

struct SFakeGlyph {
    int width, height;
    float originX, originY, advance;
};

class CFakeRasterizer : public IGlyphRasterizer {
public:
    SFakeGlyph block{5, 8, -1.0f, 0.0f, 7.0f};      // one pixel of left bearing
    SFakeGlyph descender{5, 10, -1.0f, 3.0f, 7.0f}; // 'g': 3 rows below the baseline
    float spaceAdvance = 4.0f;
    int calls = 0;
    int lastHeight = 0;
    std::string lastFace;

    static SGlyphBitmap Solid(const SFakeGlyph& g) {
        SGlyphBitmap b;
        b.width = g.width;
        b.height = g.height;
        b.originX = g.originX;
        b.originY = g.originY;
        b.advance = g.advance;
        const int rowBytes = (g.width + 7) / 8;
        b.bits.assign(static_cast<std::size_t>(rowBytes * g.height), 0);
        for (int row = 0; row < g.height; ++row)
            for (int x = 0; x < g.width; ++x)
                b.bits[static_cast<std::size_t>(row * rowBytes + x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
        return b;
    }

    bool Rasterize(const std::string& face, int pixelHeight,
                   std::vector<SGlyphBitmap>& glyphs) override {
        ++calls;
        lastFace = face;
        lastHeight = pixelHeight;
        glyphs.assign(kGlyphCount, SGlyphBitmap{});
        for (int code = 33; code < 127; ++code)
            glyphs[static_cast<std::size_t>(code)] = Solid(block);
        glyphs['g'] = Solid(descender);
        glyphs[' '].advance = spaceAdvance;
        return true;
    }
};
