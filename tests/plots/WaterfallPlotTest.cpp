// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/WaterfallPlot.h"

#include <cstdint>

#include "GlFixture.h"
#include "analysis/HistoryBuffers.h"
#include "base/StartupSettings.h"

namespace {

// Each row is one block of N samples: the axis runs from half a block's
// duration to H blocks' duration, here 2048 / 88200 s to 720 times that.
TEST(WaterfallPlot, TimeAxisSpansTheHistoryInBlockDurations) {
    const std::int32_t savedBlock = g_startupSettings.m_nBlockSize;
    g_startupSettings.m_nBlockSize = 2048;
    CRunState store;
    store.SetHistoryGeometry({720, 360, 0, 360});
    store.SetCaptureFormat(kDefaultCaptureFormat);
    CWaterfallPlot plot;
    Attach(plot, store);
    plot.Layout(0, 480);
    g_startupSettings.m_nBlockSize = savedBlock;

    const CAxis& axis = plot.GetAxisY();
    EXPECT_NEAR(axis.GetMin(), 0.0232, 0.0001);
    EXPECT_NEAR(axis.GetMax(), 16.72, 0.01);
    const auto labels = axis.Labels();
    ASSERT_EQ(labels.size(), 9u);
    EXPECT_EQ(labels[0].text + labels[1].text + labels[8].text, "0:00.00:02.10:16.7");
    // H pixels from one above the image bottom, a label every 360 / 8.
    EXPECT_EQ(labels[1].origin.y - labels[0].origin.y, 45);
    EXPECT_EQ(axis.GetLineStart().y, plot.GetPlotArea().bottom + 1);
}

class WaterfallPlotDraw : public GlTest {};

// Three bands of palette indexes 0, 128 and 255 (blue, green and red in the
// rainbow), reversed in the five newest rows: the newest rows must come out
// at the bottom, each byte in its palette colour, even with OpenGL's colour
// mapping left on by an earlier draw.
TEST_F(WaterfallPlotDraw, ShowsTheRingUprightInPaletteColours) {
    constexpr std::int32_t kH = 60, kNewest = 18; // published write row 17
    CRunState store;
    CHistoryBuffers buffers(kH, 30, 80);
    buffers.Register(store);
    store.SetHistoryGeometry({2 * kH, kH, kNewest - 1, kH});
    CPalette palette;
    palette.Build(CPalette::kRainbow);
    CWaterfallPlot plot;
    Attach(plot, store);
    plot.Layout(0, 150);
    const std::uint8_t bands[] = {0, 128, 255};
    const auto value = [&](int age, int column) {
        const int band = column / 20;
        return bands[age < 5 ? 2 - band : band];
    };
    for (int age = 0; age < kH; ++age)
        for (int c = 0; c < kH; ++c)
            buffers.Waterfall()[(kNewest + age) * kH + c] = value(age, c);

    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    plot.Draw();
    const auto f = Frame();
    const CPoint origin = plot.GetRasterOrigin();
    const SColour named[] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    for (int age : {0, 4, 5, 30, kH - 3}) {
        for (int c : {2, 10, 30, 50, 57}) {
            SCOPED_TRACE(testing::Message() << "age " << age << ", column " << c);
            const std::uint8_t b = value(age, c);
            const SPixel p = At(f, origin.x + c, origin.y + age);
            EXPECT_TRUE(Near(p, PaletteEntry(b), 1));
            EXPECT_TRUE(Near(p, named[b == 0 ? 0 : b == 128 ? 1 : 2], 5));
        }
    }
    // H - 2 rows: the two above stay background.
    EXPECT_TRUE(Near(At(f, origin.x + 10, origin.y + kH - 2), 0, 0, 0));
}

} // namespace
