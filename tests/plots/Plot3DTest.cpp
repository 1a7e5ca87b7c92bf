// SPDX-License-Identifier: GPL-3.0-or-later
// The 3D primitives, and the surface and bars plots over a ring the test
// fills. What the plots send to OpenGL is counted in feedback mode (every
// polygon and line with its window coordinates and colour, before any depth
// test), what they show is read back as pixels.
#include "plots/BarsPlot.h"
#include "plots/SurfacePlot.h"

#include <cmath>
#include <limits>
#include <random>

#include "GlFixture.h"
#include "plots/Palette.h"
#include "plots/Primitives.h"
#include "plots/Projection.h"

namespace {

constexpr int kCols = 30; // the smallest 3D size: 30 x 80
constexpr int kRows = 80;

struct SVertex {
    float x, y, z, r, g, b;
};
struct SPrimitive {
    bool polygon; // else a line
    std::vector<SVertex> v;
};

// An orthographic box of +-50 model units on the whole test viewport, so
// that window coordinates map straight back to model units.
constexpr double kHalfBox = 50.0;

class Plot3D : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (HasFatalFailure())
            return;
        m_ring.assign(kRows * kCols, 0.0);
        m_state.SetSurfaceGeometry({kRows, kCols, m_nNextRow});
        m_state.SetSurface(m_ring.data());
        m_state.SetDisplayRange(kDefaultDisplayRange);
        g_projection2D.SetKind(0);
        g_projection2D.SetViewport(0, 0, kWidth, kHeight);
        g_projection2D.SetBounds(0, kWidth, 0, kHeight, 0, 1);
        g_projection3D.SetViewport(0, 0, kWidth, kHeight);
        g_projection3D.SetKind(0);
        g_projection3D.SetBounds(-kHalfBox, kHalfBox, -kHalfBox, kHalfBox, -kHalfBox, kHalfBox);
        g_projection3D.SetRotation(0, 0, 0);
        g_projection3D.SetTranslation(0, 0, 0);
        g_projection3D.SetRenderMode(CProjection::kRenderDepth);
        m_palette.Build(CPalette::kRainbow);
        for (CPanel* plot : Plots()) {
            Attach(*plot, m_state, 1000, {}, {});
            plot->Layout(0, 0);
        }
    }
    std::array<CPlot3D*, 2> Plots() { return {&m_surface, &m_bars}; }
    static float WindowY(double modelY) {
        return static_cast<float>((modelY + kHalfBox) / (2 * kHalfBox) * kHeight);
    }
    // Row `row` of the ring, all values m.
    void FillRow(int row, double m) { std::fill_n(m_ring.begin() + row * kCols, kCols, m); }

    static std::vector<SPrimitive> Feedback(CPanel& plot) {
        std::vector<GLfloat> buffer(1 << 21);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        plot.Draw();
        const GLint n = glRenderMode(GL_RENDER);
        EXPECT_GE(n, 0) << "feedback buffer overflow";
        std::vector<SPrimitive> out;
        for (GLint i = 0; i < n;) {
            const auto token = static_cast<GLint>(buffer[i++]);
            if (token == GL_PASS_THROUGH_TOKEN) {
                ++i;
                continue;
            }
            // A polygon gives its vertex count, a line two vertices; points,
            // bitmaps and pixels one. GL_3D_COLOR: x, y, z and RGBA a vertex.
            const bool polygon = token == GL_POLYGON_TOKEN;
            const bool line = token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN;
            const GLint count = polygon ? static_cast<GLint>(buffer[i++]) : line ? 2 : 1;
            SPrimitive p{polygon, {}};
            for (GLint k = 0; k < count; ++k, i += 7)
                p.v.push_back({buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 3],
                               buffer[i + 4], buffer[i + 5]});
            if (polygon || line)
                out.push_back(std::move(p));
        }
        return out;
    }
    // Feedback may report a polygon as the triangles it was split into.
    static int Triangles(const std::vector<SPrimitive>& prims) {
        int n = 0;
        for (const SPrimitive& p : prims)
            n += p.polygon ? static_cast<int>(p.v.size()) - 2 : 0;
        return n;
    }

    std::int32_t m_nNextRow = 7;
    std::vector<double> m_ring;
    CRunState m_state;
    CPalette m_palette;
    CSurfacePlot m_surface;
    CBarsPlot m_bars;
};

// 29 x 75 cells of two triangles, 30 x 75 bars. Seen straight from the
// front, culling leaves a bar only its front face, a flat bar (seen edge-on)
// nothing. The five oldest rows (from the one written next on) are never
// drawn: a value there must not raise a bar. The guides add the three axis
// lines and the twelve box edges.
TEST_F(Plot3D, SmallestSizeDrawsEveryCellAndBarOfTheShownRows) {
    const int newest = m_nNextRow - 1;
    const struct {
        const char* what;
        int tallRow; // filled with 0.5, every other row 0; -1 none
        int barFaces;
    } cases[] = {
        {"all flat", -1, 0},
        {"newest row tall", newest, 30},
        {"oldest shown row tall", (newest - 74 + kRows) % kRows, 30},
        {"row written next tall", m_nNextRow, 0},
        {"last hidden row tall", (m_nNextRow + 4) % kRows, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::fill(m_ring.begin(), m_ring.end(), 0.0);
        if (c.tallRow >= 0)
            FillRow(c.tallRow, 0.5);
        EXPECT_EQ(Triangles(Feedback(m_surface)), 2 * 29 * 75);
        EXPECT_EQ(Triangles(Feedback(m_bars)), 2 * c.barFaces);
    }
    for (CPlot3D* plot : Plots())
        for (const bool guides : {true, false}) {
            plot->SetGuides(guides);
            const auto prims = Feedback(*plot);
            EXPECT_EQ(std::count_if(prims.begin(), prims.end(), [](auto& p) { return !p.polygon; }),
                      guides ? 3 + 12 : 0);
        }
}

// Not a number lies at the floor of the surface in palette colour 0. (Values
// above 1.0 and below 0.0 are in the batched picture's comparison.)
TEST_F(Plot3D, NotANumberIsDrawnAtTheFloorInTheLowestColour) {
    std::fill(m_ring.begin(), m_ring.end(), std::numeric_limits<double>::quiet_NaN());
    const auto prims = Feedback(m_surface);
    EXPECT_EQ(Triangles(prims), 2 * 29 * 75) << "every cell still drawn";
    for (const SPrimitive& p : prims)
        for (const SVertex& v : p.v) {
            ASSERT_NEAR(v.y, WindowY(-kCols / 2.0), 0.01);
            ASSERT_NEAR(v.r, g_afPaletteRed[0], 0.005);
            ASSERT_NEAR(v.g, g_afPaletteGreen[0], 0.005);
            ASSERT_NEAR(v.b, g_afPaletteBlue[0], 0.005);
        }
}

// The plots send their geometry in one batch, the bars with back faces
// culled. The picture must be the one drawn a bar or cell per call with
// nothing culled, from any side, flat bars (bottom face only) included, and
// with magnitudes past both ends: the surface lays them at the floor, the
// bars stand as tall as they are and lie flat below zero.
TEST_F(Plot3D, BatchedCulledDrawingShowsThePictureOfOneCallPerBarOrCell) {
    std::mt19937 generator(11);
    std::uniform_real_distribution<double> magnitude(-0.1, 1.1);
    for (double& m : m_ring)
        m = magnitude(generator) < 0.1 ? 0.0 : magnitude(generator);
    g_projection3D.SetKind(CProjection::kPerspective);
    g_projection3D.SetBounds(-0.45 * kCols, 0.45 * kCols, -kCols / 2.0, kCols / 2.0, 0.8 * kRows,
                             8.0 * kRows);
    g_projection3D.SetTranslation(0, 0, -1.6 * kRows);

    // The scene as the plots lay it out, in the same float steps.
    const float d = kCols, y0 = -d / 2, zTop = 1.5f * (d / 2);
    const float barStepZ = 1.5f * d / (kRows - 5), cellStepX = d / (kCols - 1);
    const auto row = [&](int r) { return ((m_nNextRow - 1 - r) % kRows + kRows) % kRows; };
    const auto shown = [&](int r, int j) {
        const double m = m_ring[row(r) * kCols + j];
        return m >= 0.0 && m <= 1.0 ? m : 0.0;
    };
    const auto onePerCall = [&](bool bars) {
        float z = zTop;
        for (int r = 0; r < kRows - 5; ++r, z -= barStepZ) {
            float x = -d / 2;
            for (int j = 0; j < kCols - (bars ? 0 : 1); ++j, x += bars ? 1.0f : cellStepX)
                bars ? DrawBar3D(x, y0, z, 0.5f, static_cast<float>(m_ring[row(r) * kCols + j]) * d,
                                 static_cast<float>(kRows - 4) / d)
                     : DrawSurfaceCell(x, z, x + cellStepX, z - barStepZ, y0, d, shown(r, j),
                                       shown(r + 1, j), shown(r + 1, j + 1), shown(r, j + 1));
        }
    };
    const auto draw = [](const auto& paint) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        g_projection3D.Apply();
        paint();
        return Frame();
    };

    const auto same = [](SPixel a, SPixel b) {
        return std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1;
    };
    for (const auto& [rx, ry] : {std::pair{20, 0}, {15, -35}, {30, 50}, {-25, 10}}) {
        SCOPED_TRACE(testing::Message() << "turned " << rx << ", " << ry);
        g_projection3D.SetRotation(rx, ry, 0);
        for (const bool bars : {true, false}) {
            const auto expected = draw([&] { onePerCall(bars); });
            const auto actual = draw([&] { bars ? m_bars.Draw() : m_surface.Draw(); });
            // Colours may round one step apart where a face is clipped at the
            // frame's edge. Where two faces meet, the old picture could let a
            // back face win a pixel by depth rounding; culled, the front face
            // that borders it shows there instead.
            int swapped = 0, unexplained = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const SPixel now = At(actual, x, y);
                    if (same(now, At(expected, x, y)))
                        continue;
                    ++swapped;
                    bool bordering = false;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            bordering |= same(now, At(expected, std::clamp(x + dx, 0, kWidth - 1),
                                                      std::clamp(y + dy, 0, kHeight - 1)));
                    unexplained += !bordering;
                }
            EXPECT_EQ(unexplained, 0) << (bars ? "bars" : "surface");
            EXPECT_LE(swapped, kWidth * kHeight / 2000) << (bars ? "bars" : "surface");
        }
    }
}

class Primitives : public GlTest {};

// Seen from above (a quarter turn about x shows the x-z plane, screen y =
// -z): m1 at (x0, z0), m2 at (x0, z1), m3 at (x1, z1), m4 at (x1, z0), each
// corner in the palette colour of its magnitude. Seen from the front, screen y is the height: the
// cell slopes from the z0 edge at magnitude 0.1 up to the z1 edge at 1.0.
TEST_F(Primitives, SurfaceCellCornersTakeThePaletteColoursAndHeightsOfTheirMagnitudes) {
    CPalette palette;
    palette.Build(CPalette::kRainbow);
    glRotated(90.0, 1.0, 0.0, 0.0);
    const double m[4] = {0.0, 1.0 / 3, 2.0 / 3, 1.0};
    DrawSurfaceCell(20, -20, 180, -170, 0, 1, m[0], m[1], m[2], m[3]);
    auto f = Frame();
    const int corners[4][2] = {{20, 20}, {20, 169}, {179, 169}, {179, 20}};
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<std::size_t>(m[i] * 255);
        EXPECT_TRUE(Near(At(f, corners[i][0], corners[i][1]), PaletteEntry(c), 6)) << "m" << i + 1;
    }

    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    const float offset = 30, scale = 120;
    DrawSurfaceCell(20, 0, 120, -10, offset, scale, 0.1, 1.0, 1.0, 0.1);
    f = Frame();
    std::vector<int> lit;
    for (int y = 0; y < kHeight; ++y)
        if (Lit(f, 70, y))
            lit.push_back(y);
    ASSERT_FALSE(lit.empty());
    EXPECT_EQ(lit.front(), static_cast<int>(offset + 0.1f * scale));
    EXPECT_EQ(lit.back(), static_cast<int>(offset + scale) - 1);
}

// The range line: the frequencies in kHz from a maximum of 1000 Hz on, in Hz
// below; dB bounds from the display range, or measured with auto-scale.
TEST(Plot3DRangeTitle, FormatsFrequenciesAndDecibelsAsTheStatusLineDoes) {
    const struct {
        SDisplayRange range;
        SSpectrumStats stats;
        const char* text;
    } cases[] = {
        {{1, 1000, 999, 0.0, 1.0, false}, {}, " 0.00KHz - 1.00KHz  (-100dB to    0dB)"},
        {{20, 999, 979, 0.001, 0.5, false}, {}, " 0020Hz -  999Hz   ( -60dB to   -6dB)"},
        {{250, 12000, 11750, 0.0, 1.0, true},
         {0.01, 0.1},
         " 0.25KHz - 12.00KHz  ( -40dB to  -20dB)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatRangeTitle("", c.range, c.stats), c.text);
}

} // namespace
