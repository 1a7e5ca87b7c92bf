// SPDX-License-Identifier: GPL-3.0-or-later
// The overlay panels: frame and title, colour scale, VU meter, volume strip
// and the two text panels.
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "GlFixture.h"
#include "plots/InfoPanel.h"
#include "plots/RunStatusPanel.h"
#include "plots/ScalePanel.h"
#include "plots/VolumePanel.h"
#include "plots/VuMeterPanel.h"
#include "view/PixelMaps.h"

namespace {

class Panel : public GlTest {};

// The frame: the foreground on the rectangle, the border one pixel outside.
// The title starts (h * n) / 4 left of its anchor, h the font's list base /
// 100 and n the title's length, in integer arithmetic: 60 - (10 * 3) / 4 = 53.
TEST_F(Panel, FrameBorderLiesOutsideAndTheTitleStartsAQuarterOfHeightTimesLengthLeft) {
    CPanel panel;
    panel.SetColours(0, 0, 0.5f, 1, 1, 1, 1, 0, 0); // back, fore white, border red
    UseOrtho(0.5);
    panel.DrawFrame(40, 120, 140, 60);
    auto f = Frame();
    struct SProbe {
        int x, y;
        float r, g, b;
    } const probes[] = {
        {40, 90, 1, 1, 1},  {39, 90, 1, 0, 0},  {41, 90, 0, 0, 0}, {140, 90, 1, 1, 1},
        {141, 90, 1, 0, 0}, {90, 121, 1, 0, 0}, {90, 60, 1, 1, 1}, {90, 61, 0, 0, 0},
    };
    for (const SProbe& p : probes)
        EXPECT_TRUE(Near(At(f, p.x, p.y), p.r, p.g, p.b)) << "at " << p.x << ", " << p.y;

    CFakeRasterizer fake;
    fake.block = CFakeRasterizer::Solid(1, 10, 0.0f, 0.0f, 6.0f);
    ASSERT_TRUE(BuildFontList(fake, 1000, 10, "Arial"));
    panel.SetFonts(1000, 1000);
    panel.SetTitle("abc");
    panel.SetTitleAnchor(60, 20);
    UseOrtho(0.0);
    glClear(GL_COLOR_BUFFER_BIT);
    panel.DrawTitle();
    f = Frame();
    const SBox box = LitBox(f);
    EXPECT_EQ((std::pair{box.left, box.bottom}), (std::pair{60 - 30 / 4, 20}));
    EXPECT_TRUE(Near(At(f, box.left, box.bottom), 1, 1, 1)) << "in the foreground colour";
}

class ScalePanel : public GlTest {};

TEST(ScalePanelLabels, EndsReadTheMagnitudeInWholeDecibels) {
    for (const auto& [magnitude, text] :
         {std::pair{0.0, "-100"}, {1.0, "  0"}, {0.5, " -6"}, {0.01, "-40"}})
        EXPECT_EQ(CScalePanel::EndLabel(magnitude), text) << magnitude;
}

// Column i of the ramp shows palette entry 2i, opaque, in whatever palette
// was built last, for every shape of palette: exactly the palette's colour
// indexes drawn through the pixel maps. Colour mapping is off after loading
// the maps and after the draw, or it would pass later images and read-backs
// through the palette. (The frame's top and right lines, on pixel
// boundaries, light the ramp's top row and last column.)
TEST_F(ScalePanel, RampIsThePaletteThroughThePixelMapsForEveryPaletteShape) {
    CRunState store;
    store.SetDisplayRange(kDefaultDisplayRange);
    CScalePanel panel;
    Attach(panel, store, 1000, {0.3f, 0, 0.5f}, {});
    panel.Layout(40, 150);
    const CPoint corner = panel.GetRampCorner();
    const int w = CScalePanel::kRampWidth - 1, h = CScalePanel::kRampHeight - 1;
    const auto mapping = [] {
        GLint mapped = -1;
        glGetIntegerv(GL_MAP_COLOR, &mapped);
        return mapped;
    };
    // One image per palette, each at its own address: Mesa keeps the last
    // colour-index image it drew by its address, already mapped, and would
    // show every palette as the first. (Rows longer than drawn defeat that
    // too, but Mesa then copies past the end of its own buffer.)
    std::vector<std::uint8_t> ramp;
    for (int row = 0; row < h; ++row)
        for (int i = 0; i < w; ++i)
            ramp.push_back(CScalePanel::RampIndex(i));
    std::vector<std::vector<std::uint8_t>> images;
    const struct {
        int kind, shift;
        float scale;
        bool invert;
    } shapes[] = {{CPalette::kGrayscale, 0, 1.0f, false}, {CPalette::kRainbow, 0, 1.0f, false},
                  {CPalette::kRainbow, 0, 1.0f, true},    {CPalette::kRainbow, 37, 0.7f, true},
                  {CPalette::kRainbow, -90, 1.9f, false}, {CPalette::kGrayscale, 12, 0.1f, true},
                  {CPalette::kRainbow, 255, 2.0f, false}};
    for (const auto& shape : shapes) {
        SCOPED_TRACE(testing::Message() << "palette " << shape.kind << " shift " << shape.shift
                                        << " scale " << shape.scale << " invert " << shape.invert);
        CPalette palette;
        palette.m_nPaletteShift = shape.shift;
        palette.m_fPaletteScale = shape.scale;
        palette.m_bPaletteInvert = shape.invert;
        palette.Build(shape.kind);
        LoadPixelMaps();
        EXPECT_EQ(mapping(), GL_FALSE) << "after loading the maps";
        glClear(GL_COLOR_BUFFER_BIT);
        panel.Draw();
        EXPECT_EQ(mapping(), GL_FALSE) << "after the draw";
        const auto f = Frame();
        for (int i = 0; i < w; ++i)
            for (int row : {0, h - 1}) {
                const SPixel p = At(f, corner.x + i, corner.y + row);
                ASSERT_TRUE(Near(p, PaletteEntry(2 * static_cast<std::size_t>(i)), 1) && p.a == 255)
                    << "column " << i << " row " << row << " alpha " << p.a;
            }
        const auto drawn = s_context->ReadPixels(corner.x, corner.y, w, h);
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(corner.x, corner.y);
        DrawColourIndexPixels(w, h, images.emplace_back(ramp).data());
        EXPECT_TRUE(drawn == s_context->ReadPixels(corner.x, corner.y, w, h));
    }
}

// The bar spans -100..0 dB over 126 lit pixels; the level is the block's
// peak-to-peak span over the whole 16-bit range.
struct SLevelCase {
    std::int16_t min, max;
    double db;
    std::int32_t lit;
};
constexpr SLevelCase kLevels[] = {
    {-16384, 16383, 20.0 * std::log10(32767.0 / 65536.0), 118}, // into the red from 112
    {-32768, 32767, 0.0, 126},                                  // full scale
    {-32, 32, 20.0 * std::log10(64.0 / 65536.0), 50},
    {0, 0, -100.0, 0},  // silence
    {-3, 3, -100.0, 0}, // below 0.0001
};

class VuMeter : public GlTest {
protected:
    // Draws a meter of the store's levels laid out at (50, 150); its frame.
    std::vector<std::uint8_t> Draw(CVuMeterPanel& panel) {
        Attach(panel, m_store, 1000, {0.3f, 0, 0.5f}, {});
        panel.Layout(50, 150);
        glClear(GL_COLOR_BUFFER_BIT);
        panel.Draw();
        return Frame();
    }
    CRunState m_store;
};

// The bar is lit up to its lit length, the yellow peak marker sits just
// right of it, and the rest is black; stopped, nothing is lit.
TEST_F(VuMeter, ExtremeLevelsGiveTheirDecibelsAndTheBarIsLitToTheExpectedPixel) {
    for (const bool acquiring : {true, false})
        for (const SLevelCase& c : kLevels) {
            SCOPED_TRACE(std::to_string(c.max) + (acquiring ? " running" : " stopped"));
            EXPECT_NEAR(CVuMeterPanel::LevelDb(c.min, c.max), c.db, 1e-9);
            m_store.SetAcquiring(acquiring);
            m_store.SetLevels({c.min, c.max, 0});
            CVuMeterPanel panel;
            const auto f = Draw(panel);
            const CRect bar = panel.GetBar();
            const int y = (bar.top + bar.bottom) / 2;
            const int lit = acquiring ? c.lit : 0;
            // Lines on pixel boundaries light the column left of them: the
            // marker (x = left + lit and + lit + 1) covers columns left +
            // lit - 1 and left + lit, the bar's right edge column right - 1.
            int last = bar.left;
            for (int x = bar.left; x < bar.right - 1; ++x)
                if (Lit(f, x, y))
                    last = x;
            EXPECT_EQ(last, bar.left + lit);
            EXPECT_TRUE(Near(At(f, bar.left + lit, y), 1, 1, 0)) << "yellow marker";
        }
}

// Green shading into yellow up to 80 % of the bar, yellow to 88 %, then
// shading into red, whatever the level: the zones stay put and only the lit
// length moves.
TEST_F(VuMeter, ZonesSitAtFourFifthsAndEightyEightHundredthsOfTheBar) {
    constexpr SColour kLow{0.0f, 0.7f, 0.0f}, kMid{1.0f, 1.0f, 0.0f}, kHigh{1.0f, 0.0f, 0.0f};
    m_store.SetAcquiring(true);
    for (const SLevelCase& c : {kLevels[0], kLevels[1]}) {
        SCOPED_TRACE(c.max);
        m_store.SetLevels({c.min, c.max, 0});
        CVuMeterPanel panel;
        panel.SetLevelColours(kLow, kMid, kHigh);
        const auto f = Draw(panel);
        const CRect bar = panel.GetBar();
        const int w = bar.right - bar.left;
        const int x1 = bar.left + static_cast<int>(0.8 * w);
        const int x2 = bar.left + static_cast<int>(0.88 * w);
        const int y = (bar.top + bar.bottom) / 2;
        ExpectZones([&](int x) { return At(f, x, y); }, bar.left, x1, x2, bar.right,
                    bar.left + c.lit - 3, kLow, kMid, kHigh);
    }
}

class VolumePanel : public GlTest {};

// Each row i above the strip's bottom is the block r + 1 + i of the chosen
// channel's histories; a block spanning -1..1 runs from 58 pixels left of the
// centre to 58 right of it at width 120, a silent one from centre - 1 to
// centre + 1 (a line lights its start pixel, not its end pixel).
TEST_F(VolumePanel, RowsSpanEachBlocksLevelsForTheChosenChannel) {
    constexpr int kH = 20, kRing = 2 * kH + 1;
    std::vector<std::vector<double>> levels(6, std::vector<double>(kRing, 0.0));
    const int r = 7; // the next row to write
    // Newest block (row r + 1): -1..1 in the histories of channel 0, 1, 2 in
    // turn; the next one -0.5..0.25.
    const int pairs[3][2] = {{2, 3}, {4, 5}, {0, 1}};
    CRunState store;
    store.SetHistoryGeometry({2 * kH, kH, r, kH});
    store.SetCaptureFormat(kDefaultCaptureFormat);
    store.SetLevelHistories({levels[0].data(), levels[1].data(), levels[2].data(), levels[3].data(),
                             levels[4].data(), levels[5].data()});
    for (int channel = 0; channel < 3; ++channel) {
        SCOPED_TRACE("channel " + std::to_string(channel));
        for (auto& l : levels)
            std::fill(l.begin(), l.end(), 0.0);
        levels[pairs[channel][0]][r + 1] = -1.0;
        levels[pairs[channel][1]][r + 1] = 1.0;
        levels[pairs[channel][0]][r + 2] = -0.5;
        levels[pairs[channel][1]][r + 2] = 0.25;
        CVolumePanel panel;
        panel.SetChannel(channel);
        Attach(panel, store, 1200, {}, {});
        panel.Layout(20, 150, 120);
        UseOrtho(0.5);
        glClear(GL_COLOR_BUFFER_BIT);
        panel.Draw();
        const auto f = Frame();
        const CRect area = panel.GetLevelArea();
        const int centre = panel.GetCentreX();
        EXPECT_EQ(centre, area.left + 61);
        const auto span = [&](int y) {
            SBox box;
            for (int x = area.left + 1; x < area.right; ++x)
                if (Lit(f, x, y))
                    box = {std::min(box.left, x), y, std::max(box.right, x), y};
            return std::pair{box.left - centre, box.right - centre};
        };
        EXPECT_EQ(span(area.bottom + 1), (std::pair{-58, 57})) << "newest block";
        // -0.5 * 57.5 - 1 = -29.75 and 0.25 * 57.5 + 1 = 15.375, truncated.
        EXPECT_EQ(span(area.bottom + 2), (std::pair{-29, 14}));
        EXPECT_EQ(span(area.bottom + 3), (std::pair{-1, 0})) << "silent block";
    }
}

TEST(InfoPanel, LinesNameTheBufferTheChannelFunctionAndTheWindow) {
    const struct {
        std::int32_t block, channel, window;
        const char* text;
    } cases[] = {
        {2048, CHANNEL_SUM, 2, "Buffer: 2048 Samples|Channels: Left + Right|Input Fn:Hann|"},
        {1024, CHANNEL_LEFT, 0, "Buffer: 1024 Samples|Channel: Left|Input Fn:Rectangular|"},
        {32768, CHANNEL_RIGHT, 9, "Buffer: 32768 Samples|Channel: Right|Input Fn:Blackman-Harris|"},
        {4096, CHANNEL_DIFFERENCE, 6,
         "Buffer: 4096 Samples|Channels: Left - Right|Input Fn:Bartlett-Hann|"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Joined(CInfoPanel::Text("Vireon", "V1.0", c.block, c.channel, c.window)),
                  std::string("Vireon V1.0|") + c.text);
}

TEST(RunStatusPanel, LinesShowTheStateDateRunTimeAndRecording) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t now = 1700000000; // 11/14/2023 22:13:20 UTC
    const struct {
        bool acquiring;
        std::time_t start;
        std::int32_t flags;
        std::int64_t recorded;
        const char *status, *rest;
    } cases[] = {
        {false, now - 50, 0, 0, "Stopped", "00:00:00|"},
        {true, now - 25 * 3600 - 3723, 0, 0, "Running", "02:02:03|"}, // days wrap
        {true, now, kCaptureSound, 75, "Running", "00:00:00|Capture (A):00:01:15"},
        {true, now, kCaptureScreen, 3600, "Running", "00:00:00|Capture (S):01:00:00"},
        {false, now, kCaptureScreen | kCaptureSound, 59, "Stopped",
         "00:00:00|Capture (S+A):00:00:59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Joined(CRunStatusPanel::Text(c.acquiring, now, c.start, c.flags, c.recorded)),
                  std::string(c.status) + "|11/14/2023: 22:13:20|Run  Time  : " + c.rest + "|");
    unsetenv("TZ");
    tzset();
}

// Some pixel of the glyph band (8 rows from the baseline) right of the line's
// start has the colour.
class TextPanels : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        CFakeRasterizer fake;
        ASSERT_TRUE(BuildFontList(fake, 1200, 12, "Arial"));
        ASSERT_TRUE(BuildFontList(fake, 1000, 10, "Arial"));
    }
    static bool TextOnLine(const std::vector<std::uint8_t>& f, CPoint line, float r, float g,
                           float b) {
        for (int y = line.y; y < line.y + 8; ++y)
            for (int x = line.x; x < line.x + 60; ++x)
                if (Near(At(f, x, y), r, g, b, 1))
                    return true;
        return false;
    }
};

// The run-status background follows the acquiring state; its line 4 shows
// only while recording, in yellow.
TEST_F(TextPanels, PutTextOnEachLineOnABackgroundThatFollowsTheRun) {
    CRunState store;
    store.SetCaptureFormat(kDefaultCaptureFormat);
    store.SetRunStart(static_cast<std::int64_t>(std::time(nullptr)));
    CInfoPanel info;
    Attach(info, store, 1000, {0.3f, 0, 0.5f}, {});
    EXPECT_EQ(info.Layout(30, 150), (CSize{153, 60}));
    info.Draw();
    auto f = Frame();
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(info.GetLinePosition(k), (CPoint{34, 150 - 14 * k}));
        EXPECT_TRUE(TextOnLine(f, info.GetLinePosition(k), 1, 1, 1)) << "info line " << k;
    }
    EXPECT_TRUE(Near(At(f, 30 + 150, 100), 0.3f, 0, 0.5f)) << "background";

    CRunStatusPanel status;
    status.SetRunState(&store);
    status.SetFonts(1200, 1000);
    const SColour stopped{0.6f, 0, 0}, running{0.1f, 0.5f, 0};
    status.SetColours(stopped, running, {1, 1, 1}, {0, 0, 0});
    EXPECT_EQ(status.Layout(30, 150), (CSize{148, 60}));
    store.SetCaptureElapsed(75);
    for (const bool acquiring : {false, true})
        for (const std::int32_t flags : {0, kCaptureSound}) {
            SCOPED_TRACE(std::to_string(acquiring) + " flags " + std::to_string(flags));
            store.SetAcquiring(acquiring);
            store.SetCaptureFlags(flags);
            glClear(GL_COLOR_BUFFER_BIT);
            status.Draw();
            f = Frame();
            EXPECT_TRUE(Near(At(f, 30 + 145, 100), acquiring ? running : stopped));
            for (int k = 1; k <= 4; ++k)
                EXPECT_EQ(TextOnLine(f, status.GetLinePosition(k), 1, 1, k < 4 ? 1 : 0),
                          k < 4 || flags != 0)
                    << "status line " << k;
        }
}

} // namespace
