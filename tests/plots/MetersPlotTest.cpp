// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/MetersPlot.h"

#include <array>
#include <cstdint>

#include "GlFixture.h"
#include "analysis/HistoryBuffers.h"

namespace {

// Meters 78 wide, 20 apart, shifted right by 10 * (H / 60) above H = 360;
// the strips at x + H + 48 + 2 * (10 - w) and 25 pixels less than a strip
// width further on, w = 111 for a level area of 75. A meter's scale: ten dB
// values at (dB + 100) / 100 of the bar, ticks 5 pixels long left of it,
// labels right-aligned left of those: a character taken as 12 * 5 / 7 = 8
// pixels wide, the baseline 1200 * 0.004 = 4 pixels below.
TEST(MetersPlot, MetersStripsAndScalesSitWhereTheHistoryLengthPutsThem) {
    static const double values[] = {-100, -84, -66, -48, -36, -24, -12, -6, -3, 0};
    for (const auto& [h, left, right, leftStrip, rightStrip] :
         {std::array{360, 10, 108, 216, 302}, {480, 90, 188, 336, 422}}) {
        SCOPED_TRACE(testing::Message() << "H " << h);
        CRunState store;
        store.SetHistoryGeometry({2 * h, h, 0, h});
        store.SetCaptureFormat(kDefaultCaptureFormat);
        CMetersPlot plot;
        Attach(plot, store);
        const CSize size = plot.Layout(10, 700);
        EXPECT_EQ(plot.LeftMeter().GetOrigin().x, left);
        EXPECT_EQ(plot.RightMeter().GetOrigin().x, right);
        EXPECT_EQ(plot.LeftMeter().GetSize().cx, 78);
        EXPECT_EQ(plot.LeftStrip().GetOrigin().x, leftStrip);
        EXPECT_EQ(plot.RightStrip().GetOrigin().x, rightStrip);
        EXPECT_EQ(size.cx, 2 * plot.LeftStrip().GetSize().cx);

        const CRect bar = plot.LeftMeter().GetBar();
        const auto ticks = plot.LeftMeter().ScaleAxis().Ticks();
        const auto labels = plot.LeftMeter().ScaleAxis().Labels();
        ASSERT_EQ(ticks.size(), 10u);
        ASSERT_EQ(labels.size(), 10u);
        for (std::size_t k = 0; k < 10; ++k) {
            const int y =
                bar.bottom + static_cast<int>((bar.top - bar.bottom) * (values[k] + 100) / 100);
            EXPECT_EQ(ticks[k], (SAxisTick{{bar.left - 5, y}, {bar.left, y}, true})) << values[k];
            const int n = static_cast<int>(labels[k].text.size());
            EXPECT_EQ(labels[k].origin, (CPoint{bar.left - 8 * n, y - 4})) << values[k];
        }
        EXPECT_EQ(labels[6].text, "-12.0");
    }
}

// The peak-to-peak level / 65536 in dB, -100..0 over the bar less two pixels.
TEST(LevelMeter, LitHeightFollowsThePeakToPeakLevelInDecibels) {
    // Bar height, maximum, minimum, lit height.
    const std::array<int, 4> cases[] = {
        {362, 32767, -32768, 360}, // full scale: 2 pixels below the top
        {362, 0, 0, 0},            // silence
        {362, 3, -3, 0},           // below -100 dB
        {362, 104, -104, 180},     // -49.97 dB: half way
        {122, 8192, -8192, 105},   // -12.04 dB: 0.8796 of 120
    };
    for (const auto& [bar, max, min, lit] : cases)
        EXPECT_EQ(CLevelMeter::LitHeight(bar, max, min), lit) << max << ", " << min;
}

class LevelMeterDraw : public GlTest {};

// Green shading into yellow up to 0.88 of the bar (-12 dB), yellow to 0.94
// (-6 dB), then into red; black above the lit height; the red triangle at the
// highest level until it is reset. Stopped, the stereo meters keep the levels
// the store holds; only the channel-function meter (the third) reads nothing.
TEST_F(LevelMeterDraw, ZonesSitAtTheirDecibelMarksAndTheMaximumMarkerStays) {
    constexpr SColour kLow{0.0f, 0.7f, 0.0f}, kMid{1.0f, 1.0f, 0.0f}, kHigh{1.0f, 0.0f, 0.0f};
    CRunState store;
    CHistoryBuffers buffers(120, 30, 80);
    buffers.Register(store);
    CLevelMeter meters[3];
    for (int i = 0; i < 3; ++i) {
        meters[i].SetChannel(i);
        Attach(meters[i], store);
        meters[i].SetLevelColours(kLow, kMid, kHigh);
        meters[i].Layout(90 * i, 180);
    }
    const auto drawAll = [&] {
        glClear(GL_COLOR_BUFFER_BIT);
        for (CLevelMeter& meter : meters)
            meter.Draw();
    };
    store.SetStereoLevels({-32768, 32767, -104, 104}); // left full scale, right about -50 dB
    store.SetLevels({-32768, 32767, 23166});
    store.SetAcquiring(false);
    drawAll();
    auto f = Frame();
    const CRect bar = meters[0].GetBar();
    const int span = bar.top - bar.bottom;
    const int y1 = bar.bottom + static_cast<int>(0.88 * span);
    const int y2 = bar.bottom + static_cast<int>(0.94 * span);
    const int x = bar.left + 15;
    ExpectZones([&](int y) { return At(f, x, y); }, bar.bottom, y1, y2, bar.top, bar.top - 4, kLow,
                kMid, kHigh);

    const CRect right = meters[1].GetBar();
    const int lit = CLevelMeter::LitHeight(span, 104, -104);
    const int below = right.bottom + lit - 3;
    EXPECT_TRUE(Near(At(f, right.left + 15, below), Blend(kLow, kMid, right.bottom, y1, below), 3));
    EXPECT_TRUE(Near(At(f, right.left + 15, right.bottom + lit + 10), 0, 0, 0)) << "unlit";

    // Full scale: marker 2 pixels below the top, and it stays after the level drops.
    EXPECT_EQ(meters[0].GetMaxMarker(), bar.top - 2);
    EXPECT_EQ(meters[2].GetMaxMarker(), bar.bottom) << "stopped";
    store.SetStereoLevels({});
    store.SetAcquiring(true);
    drawAll();
    f = Frame();
    EXPECT_EQ(meters[0].GetMaxMarker(), bar.top - 2);
    EXPECT_TRUE(Near(At(f, bar.right + 6, bar.top - 2), 1, 0, 0)) << "triangle";
    EXPECT_TRUE(Near(At(f, x, y1 - 3), 0, 0, 0)) << "unlit after the drop";
    EXPECT_EQ(meters[2].GetMaxMarker(), bar.top - 2) << "running";
    meters[0].ResetMaxMarker();
    drawAll();
    EXPECT_EQ(meters[0].GetMaxMarker(), bar.bottom);
}

} // namespace
