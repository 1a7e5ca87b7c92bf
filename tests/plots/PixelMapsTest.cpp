#include "view/PixelMaps.h"

#include "GlFixture.h"
#include "plots/Primitives.h"
#include "view/Palette.h"

namespace {

class PixelMaps : public GlTest {};

TEST_F(PixelMaps, ColourIndexesDrawOpaqueInPaletteColours) {
    CPalette palette;
    palette.m_nPaletteShift = 3;
    palette.Build(CPalette::kRainbow);
    LoadPixelMaps();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);

    const std::uint8_t row[5] = {0, 40, 100, 200, 255};
    glRasterPos2i(10, 20);
    DrawColourIndexPixels(5, 1, row);
    const auto f = Frame();
    for (int i = 0; i < 5; ++i) {
        const std::size_t c = row[i];
        const SPixel p = At(f, 10 + i, 20);
        EXPECT_TRUE(Near(p, g_afPaletteRed[c], g_afPaletteGreen[c], g_afPaletteBlue[c], 1))
            << "index " << c;
        EXPECT_EQ(p.a, 255) << "index " << c;
    }
    EXPECT_FALSE(Lit(f, 15, 20));
}

TEST_F(PixelMaps, ColourMappingIsOffOutsideColourIndexDraws) {
    CPalette palette;
    palette.m_bPaletteInvert = true;
    palette.Build(CPalette::kGrayscale);
    LoadPixelMaps();
    GLint mapped = -1;
    glGetIntegerv(GL_MAP_COLOR, &mapped);
    EXPECT_EQ(mapped, GL_FALSE);

    const std::uint8_t index = 7;
    glRasterPos2i(0, 0);
    DrawColourIndexPixels(1, 1, &index);
    glGetIntegerv(GL_MAP_COLOR, &mapped);
    EXPECT_EQ(mapped, GL_FALSE);

    // An RGB draw and its read-back are not passed through the palette.
    glColor3f(0.2f, 0.4f, 0.6f);
    FillRect(50, 80, 90, 40);
    EXPECT_TRUE(Near(Pixel(70, 60), 0.2f, 0.4f, 0.6f, 1));
    const std::uint8_t bgr[3] = {200, 100, 50};
    glRasterPos2i(120, 120);
    glDrawPixels(1, 1, GL_BGR, GL_UNSIGNED_BYTE, bgr);
    const SPixel p = Pixel(120, 120);
    EXPECT_EQ(p.r, 50);
    EXPECT_EQ(p.g, 100);
    EXPECT_EQ(p.b, 200);
}

TEST_F(PixelMaps, ScopeSwitchesMappingOnOnlyForItsLifetime) {
    GLint mapped = -1;
    {
        CColourIndexScope scope;
        glGetIntegerv(GL_MAP_COLOR, &mapped);
        EXPECT_EQ(mapped, GL_TRUE);
    }
    glGetIntegerv(GL_MAP_COLOR, &mapped);
    EXPECT_EQ(mapped, GL_FALSE);
}

} // namespace
