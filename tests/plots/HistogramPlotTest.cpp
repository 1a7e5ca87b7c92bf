// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/HistogramPlot.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "GlFixture.h"
#include "analysis/HistoryBuffers.h"

namespace {

// Bar i is the largest of the w = H / 120 bytes from i * w, times H / 255;
// a row shorter than H leaves the bars past its end at 0.
TEST(HistogramPlot, EachBarIsTheTallestOfItsBytesScaledToTheHistoryLength) {
    std::mt19937 random(8);
    for (const auto& [h, rowBytes] : {std::pair{360, 360}, {600, 600}, {360, 200}}) {
        SCOPED_TRACE(testing::Message() << "H " << h << ", row " << rowBytes);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
        for (auto& b : row)
            b = static_cast<std::uint8_t>(random());
        std::int32_t heights[CHistogramPlot::kBars];
        HistogramBarHeights(row.data(), rowBytes, h, h / 255.0, heights);
        const int w = h / 120;
        for (int i = 0; i < CHistogramPlot::kBars; ++i) {
            int want = 0;
            for (int k = i * w; k < (i + 1) * w && k < rowBytes; ++k)
                want = std::max(want, row[static_cast<std::size_t>(k)] * h / 255);
            EXPECT_EQ(heights[i], want) << "bar " << i;
        }
    }
}

// Above 1000 Hz the frequency labels turn to kHz; the magnitude axis follows
// the measured range under auto-scale, else the display range, in dB.
TEST(HistogramPlot, AxesFollowTheDisplayRange) {
    const std::string fixed = "-100.0|-18.1|-12.0|-8.5|-6.0|-4.1|-2.5|-1.2| 0.0|";
    const struct {
        double freqMax;
        bool autoScale;
        const char *title, *freq;
        std::string db;
    } cases[] = {
        {1000.0, false, "Frequency (Hz)", "20.0..1000.0", fixed},
        {1000.5, false, "Frequency (KHz)", "0.02..1.00", fixed},
        {1000.5, true, "Frequency (KHz)", "0.02..1.00",
         "-60.0|-27.0|-21.1|-17.6|-15.1|-13.2|-11.6|-10.3|-9.1|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.freqMax << (c.autoScale ? " auto" : ""));
        CRunState store;
        store.SetHistoryGeometry({720, 360, 0, 360});
        store.SetDisplayRange({20.0, c.freqMax, c.freqMax - 20.0, 0.0, 1.0, c.autoScale});
        store.SetSpectrumStats({0.001, 0.35, 0.0, 0.0, 0.0});
        CHistogramPlot plot;
        Attach(plot, store);
        plot.Layout(0, 480);
        plot.UpdateAxes();
        const auto freq = plot.GetAxisX().Labels();
        EXPECT_EQ(plot.GetAxisX().GetTitle(), c.title);
        EXPECT_EQ(freq.front().text + ".." + freq.back().text, c.freq);
        std::string db;
        for (const SAxisLabel& label : plot.GetAxisY().Labels())
            db += label.text + "|";
        EXPECT_EQ(db, c.db);
    }
}

// With the log axis the frequency labels stand at 1, 2 and 5 x 10^k Hz,
// each a decade's share of the axis from its start; with decibels the
// magnitude labels follow the 10 dB grid of the range's ends (the measured
// ones under auto-scale). Off again, the axes are as without them.
TEST(HistogramPlot, TheScaleOptionsPutTheAxesOnTheLogAndDecibelGrids) {
    CRunState store;
    store.SetHistoryGeometry({720, 360, 0, 360});
    store.SetSpectrumStats({0.001, 0.35, 0.0, 44100.0 / 32768, 22050.0});
    CHistogramPlot plot;
    Attach(plot, store);
    plot.Layout(0, 480);
    const auto texts = [](const CAxis& axis) {
        std::string all;
        for (const SAxisLabel& label : axis.Labels())
            all += label.text + "|";
        return all;
    };
    const struct {
        bool autoScale;
        std::string db;
    } cases[] = {
        {false, "-100.0|-90.0|-80.0|-70.0|-60.0|-50.0|-40.0|-30.0|-20.0|-10.0| 0.0|"},
        {true, "-60.0|-50.0|-40.0|-30.0|-20.0|-10.0|"},
    };
    for (const auto& c : cases) {
        store.SetDisplayRange({20.0, 20000.0, 19980.0, 0.0, 1.0, c.autoScale});
        store.SetDisplayScale({true, true});
        plot.UpdateAxes();
        const CAxis& x = plot.GetAxisX();
        EXPECT_EQ(texts(x), "0.02|0.05|0.10|0.20|0.50|1.00|2.00|5.00|10.00|20.00|");
        const auto ticks = x.Ticks();
        const int length = x.GetLineEnd().x - x.GetLineStart().x;
        for (const std::size_t decade : {0u, 3u, 6u, 9u})
            EXPECT_EQ(ticks[decade].start.x, x.GetLineStart().x + length * (decade / 3) / 3);
        EXPECT_EQ(texts(plot.GetAxisY()), c.db);
    }

    store.SetDisplayScale({});
    plot.UpdateAxes();
    EXPECT_EQ(plot.GetAxisX().Labels().size(), 11u);
    EXPECT_EQ(texts(plot.GetAxisY()), "-60.0|-27.0|-21.1|-17.6|-15.1|-13.2|-11.6|-10.3|-9.1|");
}

class HistogramPlotDraw : public GlTest {};

TEST_F(HistogramPlotDraw, FullRowDrawsFullHeightBarsWhosePeaksThenFallAFixedStepPerFrame) {
    constexpr std::int32_t kH = 120; // one byte per bar
    CRunState store;
    CHistoryBuffers buffers(kH, 30, 80);
    buffers.Register(store);
    CHistogramPlot plot;
    Attach(plot, store);
    plot.Layout(0, 190);
    // The newest row is at r + 1 = 1 with the store's start position.
    const auto setNewestRow = [&](std::uint8_t v) { std::fill_n(buffers.Waterfall() + kH, kH, v); };
    // The lowest row at or above y0 in column x in the peak colour (1, 0.3, 0.3).
    const auto peakRow = [](const std::vector<std::uint8_t>& f, int x, int y0) {
        for (int y = y0; y < kHeight; ++y)
            if (Near(At(f, x, y), 1.0f, 0.3f, 0.3f))
                return y;
        return -1;
    };
    setNewestRow(255);
    plot.Draw();
    const auto f = Frame();
    const CRect area = plot.GetPlotArea();
    for (int i = 0; i < CHistogramPlot::kBars; ++i) {
        const int x = area.left + i;
        SCOPED_TRACE(testing::Message() << "bar " << i);
        for (int y : {area.bottom + 1, area.bottom + kH / 2, area.bottom + kH - 2})
            ASSERT_TRUE(Near(At(f, x, y), 1, 1, 1)) << "y " << y;
        const int peak = peakRow(f, x, area.bottom + kH - 1);
        EXPECT_GE(peak, area.bottom + kH - 1);
        EXPECT_LE(peak, area.bottom + kH + 1);
    }

    // The panel is H + 63 pixels high, so a marker falls 183 / 25 = 7 pixels
    // a frame once the bars drop.
    const int x = area.left + 40;
    const int top = peakRow(f, x, area.bottom + 1);
    setNewestRow(0);
    for (int frame = 1; frame <= 3; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT);
        plot.Draw();
        const auto after = Frame();
        EXPECT_EQ(peakRow(after, x, area.bottom + 1), top - 7 * frame) << "frame " << frame;
        EXPECT_TRUE(Near(At(after, x, area.bottom + 5), 0, 0, 0)) << "no bar left";
    }
}

} // namespace
