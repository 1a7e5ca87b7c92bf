#include "plots/ScalePanel.h"

#include "GlFixture.h"
#include "plots/Palette.h"
#include "view/PixelMaps.h"

namespace {

class ScalePanel : public GlTest {};

TEST(ScalePanelLabels, EndsReadTheMagnitudeInWholeDecibels) {
    struct SCase {
        double magnitude;
        const char* text;
    } const cases[] = {{0.0, "-100"}, {1.0, "  0"}, {0.5, " -6"}, {0.01, "-40"}};
    for (const SCase& c : cases)
        EXPECT_EQ(CScalePanel::EndLabel(c.magnitude), c.text) << c.magnitude;
}

// Column i of the ramp shows palette entry 2i, in whatever palette the pixel
// maps hold, and colour mapping is off afterwards. (The frame's top and
// right lines, on pixel boundaries, light the ramp's top row and last column.)
TEST_F(ScalePanel, RampIsThePaletteThroughThePixelMapsAndFollowsAnInvertedPalette) {
    CRunState store;
    store.SetDisplayRange(kDefaultDisplayRange);
    CScalePanel panel;
    panel.SetRunState(&store);
    panel.SetFonts(1200, 1000);
    panel.SetColours(0.3f, 0, 0.5f, 1, 1, 1, 0, 0, 0);
    panel.Layout(40, 150);
    const CPoint corner = panel.GetRampCorner();

    struct SCase {
        std::int32_t palette;
        bool invert;
    } const cases[] = {
        {CPalette::kGrayscale, false}, {CPalette::kRainbow, false}, {CPalette::kRainbow, true}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.palette) + (c.invert ? " inverted" : ""));
        CPalette palette;
        palette.m_bPaletteInvert = c.invert;
        palette.Build(c.palette);
        LoadPixelMaps();
        glClear(GL_COLOR_BUFFER_BIT);
        panel.Draw();
        GLint mapped = -1;
        glGetIntegerv(GL_MAP_COLOR, &mapped);
        EXPECT_EQ(mapped, GL_FALSE);
        const auto f = Frame();
        for (int i = 0; i < CScalePanel::kRampWidth - 1; ++i)
            for (int row : {0, CScalePanel::kRampHeight - 2}) {
                const std::size_t e = 2 * static_cast<std::size_t>(i);
                ASSERT_TRUE(Near(At(f, corner.x + i, corner.y + row), palette.m_afRed[e],
                                 palette.m_afGreen[e], palette.m_afBlue[e], 1))
                    << "column " << i << " row " << row;
            }
    }
}

} // namespace
