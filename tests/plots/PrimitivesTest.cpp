#include "plots/Primitives.h"

#include "GlFixture.h"
#include "plots/Palette.h"

namespace {

class Primitives : public GlTest {};

// Seen from above (a quarter turn about x shows the x-z plane, screen y =
// -z): m1 at (x0, z0), m2 at (x0, z1), m3 at (x1, z1), m4 at (x1, z0), each
// corner in the palette colour of its magnitude; magnitudes outside 0..1 take
// the end entries rather than reading outside the tables.
TEST_F(Primitives, SurfaceCellCornersTakeThePaletteColoursOfTheirMagnitudes) {
    CPalette palette;
    palette.Build(CPalette::kRainbow);
    glRotated(90.0, 1.0, 0.0, 0.0);
    const double m[4] = {-1.0, 1.0 / 3, 2.0 / 3, 7.5};
    DrawSurfaceCell(20, -20, 180, -170, 0, 1, m[0], m[1], m[2], m[3]);
    const auto f = Frame();
    const int corners[4][2] = {{20, 20}, {20, 169}, {179, 169}, {179, 20}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("corner " + std::to_string(i + 1));
        const auto c = static_cast<std::size_t>(std::clamp(m[i] * 255, 0.0, 255.0));
        EXPECT_TRUE(Near(At(f, corners[i][0], corners[i][1]), PaletteEntry(c), 6));
    }
}

// Front view, screen y is the height: the cell slopes from the z0 edge at
// magnitude 0.1 up to the z1 edge at 1.0.
TEST_F(Primitives, SurfaceCellHeightsAreMagnitudeTimesScalePlusOffset) {
    CPalette palette;
    palette.Build(CPalette::kGrayscale);
    const float offset = 30, scale = 120;
    DrawSurfaceCell(20, 0, 120, -10, offset, scale, 0.1, 1.0, 1.0, 0.1);
    const auto f = Frame();
    std::vector<int> lit;
    for (int y = 0; y < kHeight; ++y)
        if (Lit(f, 70, y))
            lit.push_back(y);
    ASSERT_FALSE(lit.empty());
    EXPECT_EQ(lit.front(), static_cast<int>(offset + 0.1f * scale));
    EXPECT_EQ(lit.back(), static_cast<int>(offset + scale) - 1);
}

} // namespace
