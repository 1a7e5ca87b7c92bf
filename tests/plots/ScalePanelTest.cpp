#include "plots/ScalePanel.h"

#include "GlFixture.h"
#include "plots/Palette.h"
#include "view/PixelMaps.h"

namespace {

class ScalePanel : public GlTest {};

TEST(ScalePanelLabels, EndsReadTheMagnitudeInWholeDecibels) {
    for (const auto& [magnitude, text] :
         {std::pair{0.0, "-100"}, {1.0, "  0"}, {0.5, " -6"}, {0.01, "-40"}})
        EXPECT_EQ(CScalePanel::EndLabel(magnitude), text) << magnitude;
}

// Column i of the ramp shows palette entry 2i, opaque (index-to-alpha left
// at its default would draw it transparent), in whatever palette the pixel
// maps hold; colour mapping is off after loading the maps and after the
// draw, or it would pass later images and read-backs through the palette.
// (The frame's top and right lines, on pixel boundaries, light the ramp's top
// row and last column.)
TEST_F(ScalePanel, RampIsThePaletteThroughThePixelMapsAndFollowsAnInvertedPalette) {
    CRunState store;
    store.SetDisplayRange(kDefaultDisplayRange);
    CScalePanel panel;
    Attach(panel, store, 1000, {0.3f, 0, 0.5f}, {});
    panel.Layout(40, 150);
    const CPoint corner = panel.GetRampCorner();
    const auto mapping = [] {
        GLint mapped = -1;
        glGetIntegerv(GL_MAP_COLOR, &mapped);
        return mapped;
    };

    for (const auto& [kind, invert] : {std::pair{CPalette::kGrayscale, false},
                                       {CPalette::kRainbow, false},
                                       {CPalette::kRainbow, true}}) {
        SCOPED_TRACE(std::to_string(kind) + (invert ? " inverted" : ""));
        CPalette palette;
        palette.m_bPaletteInvert = invert;
        palette.Build(kind);
        LoadPixelMaps();
        EXPECT_EQ(mapping(), GL_FALSE) << "after loading the maps";
        glClear(GL_COLOR_BUFFER_BIT);
        panel.Draw();
        EXPECT_EQ(mapping(), GL_FALSE) << "after the draw";
        const auto f = Frame();
        for (int i = 0; i < CScalePanel::kRampWidth - 1; ++i)
            for (int row : {0, CScalePanel::kRampHeight - 2}) {
                const SPixel p = At(f, corner.x + i, corner.y + row);
                ASSERT_TRUE(Near(p, PaletteEntry(2 * static_cast<std::size_t>(i)), 1) && p.a == 255)
                    << "column " << i << " row " << row << " alpha " << p.a;
            }
    }
}

} // namespace
