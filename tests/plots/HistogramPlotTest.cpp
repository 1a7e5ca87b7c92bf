// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/HistogramPlot.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "GlFixture.h"
#include "analysis/FrequencyAxis.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/WindowTable.h"

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
// the measured range under auto-scale, else the display range, in dB. With
// the log axis the frequency labels stand at 1, 2 and 5 x 10^k Hz, each a
// decade's share of the axis from its start; with decibels the magnitude
// labels follow the 10 dB grid of the range's ends. Off again (the same
// plot throughout), the axes are as without them.
TEST(HistogramPlot, AxesFollowTheDisplayRangeAndTheScaleOptions) {
    const std::string fixed = "-100.0|-18.1|-12.0|-8.5|-6.0|-4.1|-2.5|-1.2| 0.0|";
    const std::string measured = "-60.0|-27.0|-21.1|-17.6|-15.1|-13.2|-11.6|-10.3|-9.1|";
    const std::string decades = "0.02|0.05|0.10|0.20|0.50|1.00|2.00|5.00|10.00|20.00|";
    const struct {
        double freqMax;
        bool autoScale, scales;
        const char* title;
        std::string freq, db; // the linear axis's ends, the log axis's every label
    } cases[] = {
        {1000.0, false, false, "Frequency (Hz)", "20.0..1000.0", fixed},
        {1000.5, false, false, "Frequency (KHz)", "0.02..1.00", fixed},
        {1000.5, true, false, "Frequency (KHz)", "0.02..1.00", measured},
        {20000.0, false, true, "Frequency (KHz)", decades,
         "-100.0|-90.0|-80.0|-70.0|-60.0|-50.0|-40.0|-30.0|-20.0|-10.0| 0.0|"},
        {20000.0, true, true, "Frequency (KHz)", decades, "-60.0|-50.0|-40.0|-30.0|-20.0|-10.0|"},
        {20000.0, true, false, "Frequency (KHz)", "0.02..20.00", measured},
    };
    CRunState store;
    store.SetHistoryGeometry({720, 360, 0, 360});
    store.SetSpectrumStats({0.001, 0.35, 0.0, 44100.0 / 32768, 22050.0});
    CHistogramPlot plot;
    Attach(plot, store);
    plot.Layout(0, 480);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.freqMax << (c.autoScale ? " auto" : "") << (c.scales ? " log dB" : ""));
        store.SetDisplayRange({20.0, c.freqMax, c.freqMax - 20.0, 0.0, 1.0, c.autoScale});
        store.SetDisplayScale({c.scales, c.scales});
        plot.UpdateAxes();
        const CAxis& x = plot.GetAxisX();
        const auto freq = x.Labels();
        EXPECT_EQ(x.GetTitle(), c.title);
        EXPECT_EQ(c.scales ? Joined(freq, &SAxisLabel::text)
                           : freq.front().text + ".." + freq.back().text,
                  c.freq);
        EXPECT_EQ(Joined(plot.GetAxisY().Labels(), &SAxisLabel::text), c.db);
        if (c.scales) {
            const auto ticks = x.Ticks();
            const int length = x.GetLineEnd().x - x.GetLineStart().x;
            for (const std::size_t decade : {0u, 3u, 6u, 9u})
                EXPECT_EQ(ticks[decade].start.x, x.GetLineStart().x + length * (decade / 3) / 3);
        } else {
            EXPECT_EQ(freq.size(), 11u);
        }
    }
}

// A histogram of one byte per bar (H = 120) over 1 Hz .. 10 kHz, its newest
// waterfall row and averaged rows written by hand.
class HistogramPlotOptions : public GlTest {
protected:
    static constexpr std::int32_t kH = 120;

    void SetUp() override {
        GlTest::SetUp();
        CFakeRasterizer fake;
        ASSERT_TRUE(BuildFontList(fake, 1200, 12, "Arial"));
        buffers.Register(store);
        store.SetDisplayRange({1.0, 10000.0, 9999.0, 0.0, 1.0, false});
        store.SetSpectrumStats({0.0, 1.0, 0.0, 44100.0 / 4096, 22050.0});
        Attach(plot, store);
        plot.Layout(0, 190);
    }
    // The newest row is at r + 1 = 1 with the store's start position.
    void SetNewestRow(std::int32_t column, std::uint8_t value) {
        std::fill_n(buffers.Waterfall() + kH, kH, std::uint8_t{0});
        if (column >= 0)
            buffers.Waterfall()[kH + column] = value;
    }
    // A new block's row, as the analysis thread appends it: at the write
    // row r and r + H, then r moves down.
    void AppendRow(std::int32_t column, std::uint8_t value) {
        const SHistoryGeometry g = store.GetHistoryGeometry();
        for (const std::int32_t index : {g.nHistoryRow, g.nHistoryRow + kH}) {
            std::uint8_t* row = buffers.Waterfall() + index * kH;
            std::fill_n(row, kH, std::uint8_t{0});
            if (column >= 0)
                row[column] = value;
        }
        const std::int32_t next = g.nHistoryRow == 0 ? kH - 1 : g.nHistoryRow - 1;
        store.SetHistoryGeometry({g.nRingRows, g.nHistoryLength, next, g.nRowWidth});
    }
    std::vector<std::uint8_t> Draw() {
        glClear(GL_COLOR_BUFFER_BIT);
        plot.Draw();
        return Frame();
    }
    // The lowest row at or above y0 in column x in the peak colour (1, 0.3,
    // 0.3), or -1.
    static int PeakRow(const std::vector<std::uint8_t>& f, int x, int y0) {
        for (int y = y0; y < kHeight; ++y)
            if (Near(At(f, x, y), 1.0f, 0.3f, 0.3f))
                return y;
        return -1;
    }
    // Whether column x shows the peak colour within a pixel of height y.
    static bool PeakColourNear(const std::vector<std::uint8_t>& f, int x, int y) {
        const int row = PeakRow(f, x, y - 1);
        return row >= 0 && row <= y + 1;
    }

    CRunState store;
    CHistoryBuffers buffers{kH, 30, 80};
    CHistogramPlot plot;
};

TEST_F(HistogramPlotOptions, FullRowDrawsFullHeightBarsWhosePeaksThenFallAFixedStepPerFrame) {
    std::fill_n(buffers.Waterfall() + kH, kH, std::uint8_t{255});
    const auto f = Draw();
    const CRect area = plot.GetPlotArea();
    for (int i = 0; i < CHistogramPlot::kBars; ++i) {
        const int x = area.left + i;
        SCOPED_TRACE(testing::Message() << "bar " << i);
        for (int y : {area.bottom + 1, area.bottom + kH / 2, area.bottom + kH - 2})
            ASSERT_TRUE(Near(At(f, x, y), 1, 1, 1)) << "y " << y;
        EXPECT_TRUE(PeakColourNear(f, x, area.bottom + kH));
    }

    // The panel is H + 63 pixels high, so a marker falls 183 / 25 = 7 pixels
    // a frame once the bars drop.
    const int x = area.left + 40;
    const int top = PeakRow(f, x, area.bottom + 1);
    SetNewestRow(-1, 0);
    for (int frame = 1; frame <= 3; ++frame) {
        const auto after = Draw();
        EXPECT_EQ(PeakRow(after, x, area.bottom + 1), top - 7 * frame) << "frame " << frame;
        EXPECT_TRUE(Near(At(after, x, area.bottom + 5), 0, 0, 0)) << "no bar left";
    }
}

// Max hold keeps the top of a tone that has stopped, even one whose row came
// and went between two frames (so that neither the bars nor the falling
// markers ever showed it); a reset clears it, and with max hold off there is
// none.
TEST_F(HistogramPlotOptions, MaxHoldKeepsAToneThatHasStoppedUntilReset) {
    constexpr int kColumn = 30;
    const CRect area = plot.GetPlotArea();
    const int x = area.left + kColumn;
    const int held = area.bottom + 200 * kH / 255;
    for (const bool maxHold : {true, false}) {
        SCOPED_TRACE(maxHold ? "max hold on" : "max hold off");
        store.SetMeasureOptions({false, 0, maxHold});
        plot.ResetMaxHold();
        AppendRow(-1, 0);
        Draw();
        AppendRow(kColumn, 200);
        AppendRow(-1, 0);
        AppendRow(-1, 0);
        std::vector<std::uint8_t> f = Draw();
        EXPECT_EQ(PeakColourNear(f, x, held), maxHold);
        AppendRow(-1, 0);
        f = Draw();
        EXPECT_EQ(PeakColourNear(f, x, held), maxHold) << "a frame later";
        EXPECT_FALSE(Near(At(f, x, area.bottom + 5), 1, 1, 1)) << "the tone has stopped";
    }
    store.SetMeasureOptions({false, 0, true});
    AppendRow(kColumn, 200);
    Draw();
    AppendRow(-1, 0);
    plot.ResetMaxHold();
    EXPECT_FALSE(PeakColourNear(Draw(), x, held)) << "after a reset";
}

// The peak readout marks the peak's column just above its bar in the peak
// colour and writes one line inside the plot's top edge in the foreground
// colour; off, neither is drawn.
TEST_F(HistogramPlotOptions, PeakReadoutMarksThePeakAndWritesItsLineInsideTheTopEdge) {
    const CRect area = plot.GetPlotArea();
    const SFrequencyAxis axis = MakeFrequencyAxis(store.GetDisplayRange(), false, 0.0, kH);
    const std::int32_t column = AxisColumn(axis, 5000.0);
    SetNewestRow(column, 128);
    const int top = area.bottom + 128 * kH / 255;
    store.SetBlockReadout({1, true, 5000.0, -6.0, 2, -1});
    const auto textIn = [&](const std::vector<std::uint8_t>& f) {
        int lit = 0;
        for (int y = area.top - 14; y <= area.top - 7; ++y)
            for (int x = area.left + 2; x < area.left + 60; ++x)
                lit += Near(At(f, x, y), 1, 1, 1) ? 1 : 0;
        return lit;
    };
    // Above the falling marker, which sits on the bar's top.
    const auto markAbove = [&](const std::vector<std::uint8_t>& f) {
        int lit = 0;
        for (int y = top + 4; y <= top + 7; ++y)
            lit += Near(At(f, area.left + column, y), 1.0f, 0.3f, 0.3f) ? 1 : 0;
        return lit;
    };
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "readout on" : "readout off");
        store.SetMeasureOptions({on, 0, false});
        const auto f = Draw();
        EXPECT_EQ(textIn(f) > 20, on) << textIn(f) << " pixels of text";
        EXPECT_EQ(markAbove(f) >= 2, on) << markAbove(f) << " pixels of the mark";
    }
}

// While averaging, the bars show the averaged row the readout names; with
// none named (the block before averaging began) the newest waterfall row.
TEST_F(HistogramPlotOptions, AveragingDrawsTheAveragedRowTheReadoutNames) {
    const CRect area = plot.GetPlotArea();
    SetNewestRow(100, 255);
    const SAverageRows rows = store.GetAverageRows();
    ASSERT_EQ(rows.nWidth, kH);
    std::fill_n(rows.pRows, rows.nSlots * kH, std::uint8_t{0});
    rows.pRows[2 * kH + 10] = 255;
    const struct {
        std::int32_t slot, averageBlocks;
        int lit, dark;
    } cases[] = {{2, 8, 10, 100}, {-1, 8, 100, 10}, {2, 0, 100, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot << ", " << c.averageBlocks);
        store.SetMeasureOptions({false, c.averageBlocks, false});
        store.SetBlockReadout({1, false, 0.0, 0.0, 0, c.slot});
        const auto f = Draw();
        EXPECT_TRUE(Near(At(f, area.left + c.lit, area.bottom + kH / 2), 1, 1, 1));
        EXPECT_TRUE(Near(At(f, area.left + c.dark, area.bottom + kH / 2), 0, 0, 0));
    }
}

// The line names frequency (Hz, one decimal), level (dBFS, one decimal) and
// window, or says that no tone stood out.
TEST(HistogramPlot, PeakReadoutTextNamesFrequencyLevelAndWindow) {
    for (std::int32_t window = 0; window < kWindowCount; ++window) {
        const std::string found = PeakReadoutText({1, true, 1234.54, -6.02, window, -1});
        EXPECT_NE(found.find("1234.5 Hz"), std::string::npos) << found;
        EXPECT_NE(found.find("-6.0 dBFS"), std::string::npos) << found;
        EXPECT_NE(found.find(g_apszWindowNames[window]), std::string::npos) << found;
        const std::string none = PeakReadoutText({1, false, 0.0, 0.0, window, -1});
        EXPECT_EQ(none.find("Hz"), std::string::npos) << none;
        EXPECT_NE(none.find(g_apszWindowNames[window]), std::string::npos) << none;
    }
}

} // namespace
