#include "view/PixelMaps.h"

#include "GlFixture.h"
#include "plots/Palette.h"

namespace {

class PixelMaps : public GlTest {};

// Index-to-alpha left at its default drew every index transparent; colour
// mapping left on would pass later RGB draws and read-backs through the palette.
TEST_F(PixelMaps, ColourIndexesDrawOpaqueInPaletteColoursAndMappingStaysOff) {
    CPalette palette;
    palette.m_nPaletteShift = 3;
    palette.Build(CPalette::kRainbow);
    LoadPixelMaps();
    const auto mapping = [] {
        GLint mapped = -1;
        glGetIntegerv(GL_MAP_COLOR, &mapped);
        return mapped;
    };
    EXPECT_EQ(mapping(), GL_FALSE) << "after loading the maps";
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);

    const std::uint8_t row[5] = {0, 40, 100, 200, 255};
    glRasterPos2i(10, 20);
    DrawColourIndexPixels(5, 1, row);
    EXPECT_EQ(mapping(), GL_FALSE) << "after a colour-index draw";
    const auto f = Frame();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE("index " + std::to_string(row[i]));
        const std::size_t c = row[i];
        const SPixel p = At(f, 10 + i, 20);
        EXPECT_TRUE(Near(p, g_afPaletteRed[c], g_afPaletteGreen[c], g_afPaletteBlue[c], 1));
        EXPECT_EQ(p.a, 255);
    }
}

} // namespace
