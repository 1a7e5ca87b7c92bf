#include "plots/Primitives.h"

#include "GlFixture.h"
#include "analysis/RunState.h"
#include "plots/Panel.h"
#include "view/Palette.h"

namespace {

class Primitives : public GlTest {};

TEST_F(Primitives, FillRectCoversExactlyTheRectangle) {
    glColor3f(1, 1, 1);
    FillRect(20, 60, 50, 30);
    const auto f = Frame();
    EXPECT_TRUE(Lit(f, 20, 30));
    EXPECT_TRUE(Lit(f, 49, 59));
    EXPECT_FALSE(Lit(f, 19, 45));
    EXPECT_FALSE(Lit(f, 50, 45));
    EXPECT_FALSE(Lit(f, 35, 29));
    EXPECT_FALSE(Lit(f, 35, 60));
}

TEST_F(Primitives, FillRectShadedPutsEachColourAtItsCorner) {
    const SColour red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1}, white{1, 1, 1};
    // Colour 1 bottom-left, 2 top-left, 3 top-right, 4 bottom-right.
    FillRectShaded(10, 170, 210, 10, red, green, blue, white);
    const auto f = Frame();
    const int tolerance = 4;
    EXPECT_TRUE(Near(At(f, 10, 10), 1, 0, 0, tolerance));
    EXPECT_TRUE(Near(At(f, 10, 169), 0, 1, 0, tolerance));
    EXPECT_TRUE(Near(At(f, 209, 169), 0, 0, 1, tolerance));
    EXPECT_TRUE(Near(At(f, 209, 10), 1, 1, 1, tolerance));
}

TEST_F(Primitives, OutlineRectDrawsAllFourSidesAndLeavesTheInsideEmpty) {
    UsePixelCentres();
    glColor3f(1, 1, 1);
    OutlineRect(30, 90, 80, 40);
    const auto f = Frame();
    EXPECT_TRUE(Lit(f, 30, 65));
    EXPECT_TRUE(Lit(f, 80, 65));
    EXPECT_TRUE(Lit(f, 55, 90));
    EXPECT_TRUE(Lit(f, 55, 40));
    EXPECT_FALSE(Lit(f, 55, 65));
    EXPECT_FALSE(Lit(f, 31, 65));
    EXPECT_FALSE(Lit(f, 29, 65));
}

TEST_F(Primitives, DrawLineAndFillPolygonUseTheCurrentColour) {
    UsePixelCentres();
    glColor3f(0, 1, 0);
    DrawLine(5, 100, 60, 100);
    const CPoint triangle[3] = {{100, 20}, {180, 20}, {100, 100}};
    glColor3f(0, 0, 1);
    FillPolygon(triangle, 3);
    FillPolygon(triangle, 0); // empty: draws nothing, raises no error
    const auto f = Frame();
    EXPECT_TRUE(Near(At(f, 30, 100), 0, 1, 0));
    EXPECT_FALSE(Lit(f, 30, 101));
    EXPECT_TRUE(Near(At(f, 110, 30), 0, 0, 1));
    EXPECT_FALSE(Lit(f, 175, 95));
}

// Seen from above: a quarter turn about x shows the x-z plane, with screen
// y = -z.
void LookDown() {
    glRotated(90.0, 1.0, 0.0, 0.0);
}

TEST_F(Primitives, FlatBarDrawsOnlyItsBlueBottomFace) {
    LookDown();
    DrawBar3D(40, 0, -100, 60, 0.00005f, 50);
    // The face spans x 40..100 and screen y 50..100.
    EXPECT_TRUE(Near(Pixel(70, 75), 0, 0, 1));

    glClear(GL_COLOR_BUFFER_BIT);
    DrawBar3D(40, 0, -100, 60, 0.001f, 50);
    // A taller bar is drawn whole: the red top face is drawn over the bottom.
    EXPECT_TRUE(Near(Pixel(70, 75), 1, 0, 0));
}

TEST_F(Primitives, BarFacesHaveTheirFixedColoursInDrawingOrder) {
    // Front view (looking along -z): only the faces z = z0 + depth (green,
    // third) and z = z0 (yellow, last) have area.
    DrawBar3D(40, 40, -100, 60, 50, 30);
    EXPECT_TRUE(Near(Pixel(70, 65), 1, 1, 0));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    DrawBar3D(40, 40, -100, 60, 50, 30);
    EXPECT_TRUE(Near(Pixel(70, 65), 0, 1, 0)) << "the nearer face wins with depth test";
    glDisable(GL_DEPTH_TEST);

    // Side view after -90 degrees about y: screen x = -z, depth = x. The faces
    // x = x0 + width (olive, second) and x = x0 (gray, fourth) have area.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glRotated(-90.0, 0.0, 1.0, 0.0);
    DrawBar3D(0, 40, -150, 60, 50, 50);
    EXPECT_TRUE(Near(Pixel(125, 65), 0.5f, 0.5f, 0.5f));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    DrawBar3D(0, 40, -150, 60, 50, 50);
    EXPECT_TRUE(Near(Pixel(125, 65), 0.5f, 0.5f, 0));
    glDisable(GL_DEPTH_TEST);
}

TEST_F(Primitives, BoxEdgesOutlineTheBoxInTheCurrentColour) {
    UsePixelCentres();
    glColor3f(1, 0, 1);
    DrawBoxEdges(20, 120, 30, 90, -5, 5);
    const auto f = Frame();
    EXPECT_TRUE(Near(At(f, 70, 30), 1, 0, 1));
    EXPECT_TRUE(Near(At(f, 70, 90), 1, 0, 1));
    EXPECT_TRUE(Near(At(f, 20, 60), 1, 0, 1));
    EXPECT_TRUE(Near(At(f, 120, 60), 1, 0, 1));
    EXPECT_FALSE(Lit(f, 70, 60));
}

TEST_F(Primitives, SurfaceCellTakesItsColoursFromThePalette) {
    CPalette palette;
    palette.Build(CPalette::kRainbow);
    LookDown();
    // A flat cell: every corner the same magnitude, one palette colour.
    const double m = 0.5;
    DrawSurfaceCell(20, -150, 120, -50, 0, 10, m, m, m, m);
    const auto index = static_cast<std::size_t>(m * 255);
    EXPECT_TRUE(Near(Pixel(70, 100), g_afPaletteRed[index], g_afPaletteGreen[index],
                     g_afPaletteBlue[index]));

    // Out-of-range magnitudes use the end entries instead of reading outside
    // the tables.
    glClear(GL_COLOR_BUFFER_BIT);
    DrawSurfaceCell(20, -150, 120, -50, 0, 10, 7.5, 7.5, 7.5, 7.5);
    EXPECT_TRUE(
        Near(Pixel(70, 100), g_afPaletteRed[255], g_afPaletteGreen[255], g_afPaletteBlue[255]));
    glClear(GL_COLOR_BUFFER_BIT);
    DrawSurfaceCell(20, -150, 120, -50, 0, 10, -1.0, -1.0, -1.0, -1.0);
    EXPECT_TRUE(Near(Pixel(70, 100), g_afPaletteRed[0], g_afPaletteGreen[0], g_afPaletteBlue[0]));
}

TEST_F(Primitives, SurfaceCellCornersKeepTheirOwnMagnitudes) {
    CPalette palette;
    palette.Build(CPalette::kGrayscale);
    LookDown();
    // m1 at (x0, z0), m2 at (x0, z1), m3 at (x1, z1), m4 at (x1, z0); screen
    // y = -z, so z0 = -20 is the bottom edge at y 20.
    DrawSurfaceCell(20, -20, 180, -170, 0, 1, 0.0, 1.0 / 3, 2.0 / 3, 1.0);
    const auto f = Frame();
    const int tolerance = 6;
    auto gray = [](double m) { return g_afPaletteRed[static_cast<std::size_t>(m * 255)]; };
    const float c1 = gray(0.0), c2 = gray(1.0 / 3), c3 = gray(2.0 / 3), c4 = gray(1.0);
    EXPECT_TRUE(Near(At(f, 20, 20), c1, c1, c1, tolerance));
    EXPECT_TRUE(Near(At(f, 20, 169), c2, c2, c2, tolerance));
    EXPECT_TRUE(Near(At(f, 179, 169), c3, c3, c3, tolerance));
    EXPECT_TRUE(Near(At(f, 179, 20), c4, c4, c4, tolerance));
}

TEST_F(Primitives, SurfaceCellHeightsAreMagnitudeTimesScalePlusOffset) {
    CPalette palette;
    palette.Build(CPalette::kGrayscale);
    // Front view: screen y is the height. The z0 edge lies at magnitude 0.1,
    // the z1 edge at 1.0, so the cell slopes from 30 + 0.1 * 120 up to 150.
    const float offset = 30, scale = 120;
    DrawSurfaceCell(20, 0, 120, -10, offset, scale, 0.1, 1.0, 1.0, 0.1);
    const auto f = Frame();
    int lowest = kHeight, highest = -1;
    for (int y = 0; y < kHeight; ++y) {
        if (Lit(f, 70, y)) {
            lowest = std::min(lowest, y);
            highest = std::max(highest, y);
        }
    }
    EXPECT_EQ(lowest, static_cast<int>(offset + 0.1f * scale));
    EXPECT_EQ(highest, static_cast<int>(offset + scale) - 1);
}

} // namespace
