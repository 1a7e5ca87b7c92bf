// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/WaterfallPlot.h"

#include <cstdint>
#include <random>
#include <vector>

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

// The image lives in a texture that only takes the rows that changed. After
// every draw, even with OpenGL's colour mapping left on by an earlier draw,
// it must show exactly what one glDrawPixels of all the rows, newest at the
// bottom and zoomed to H pixels across, shows, each byte in its palette
// colour and H - 2 rows high: while new rows arrive one or a few at a
// time, wrapping round the ring, more than a window at once, when an old row
// changes in place and when the palette changes; and a single new row is the
// only one converted again.
TEST_F(WaterfallPlotDraw, EveryDrawShowsExactlyTheWholeImageWhileRowsArriveAndPalettesChange) {
    constexpr std::int32_t kH = 60;
    std::mt19937 random(17);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const std::int32_t width : {kH, 45, 30}) {
        SCOPED_TRACE(testing::Message() << "row width " << width);
        CRunState store;
        CHistoryBuffers buffers(kH, 30, 80);
        buffers.Register(store);
        std::int32_t r = 7;
        const auto put = [&](std::int32_t at) {
            for (const std::int32_t copy : {at, at + kH})
                for (std::int32_t c = 0; c < width; ++c)
                    buffers.Waterfall()[copy * width + c] = static_cast<std::uint8_t>(byte(random));
        };
        for (std::int32_t row = 0; row < kH; ++row)
            put(row);
        const auto arrive = [&](int count) {
            for (int i = 0; i < count; ++i) {
                put(r);
                r = r == 0 ? kH - 1 : r - 1;
            }
            store.SetHistoryGeometry({2 * kH, kH, r, width});
        };
        arrive(0);
        CPalette palette;
        palette.Build(CPalette::kRainbow);
        CWaterfallPlot plot;
        Attach(plot, store);
        plot.Layout(0, 150);
        const CPoint origin = plot.GetRasterOrigin();
        CRingSnapshot reference;
        std::vector<std::uint8_t> bgr;

        const struct {
            const char* what;
            int rows;
            bool rewriteOld, newPalette;
        } steps[] = {
            {"first draw", 0, false, false},        {"one row", 1, false, false},
            {"three rows", 3, false, false},        {"nothing new", 0, false, false},
            {"an old row changes", 0, true, false}, {"across the wrap", 9, false, false},
            {"a new palette", 1, false, true},      {"more than a window", kH + 5, false, false}};
        for (const auto& step : steps) {
            SCOPED_TRACE(step.what);
            arrive(step.rows);
            if (step.rewriteOld)
                put((r + 20) % kH);
            if (step.newPalette) {
                palette.m_nPaletteShift = 40;
                palette.Build(CPalette::kGrayscale);
            }
            const std::int64_t uploaded = plot.GetRowsUploaded();
            glClear(GL_COLOR_BUFFER_BIT);
            glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
            plot.Draw();
            const auto f = Frame();
            EXPECT_TRUE(Near(At(f, origin.x + 10, origin.y + kH - 2), 0, 0, 0))
                << "above the image";
            // The frame's right line covers the image's last column.
            const auto drawn = s_context->ReadPixels(origin.x, origin.y, kH - 1, kH - 2);
            if (step.rows == 1 && !step.newPalette) {
                EXPECT_EQ(plot.GetRowsUploaded() - uploaded, 1);
            }

            const std::int32_t rows = reference.Read(store, kH - 2);
            ASSERT_EQ(rows, kH - 2);
            for (int j = 0; j < rows && width == kH; j += 3)
                for (int c = 0; c < kH - 1; c += 4)
                    ASSERT_TRUE(Near(At(f, origin.x + c, origin.y + j),
                                     PaletteEntry(reference.Row(j)[c]), 1))
                        << "row " << j << ", column " << c;
            bgr.resize(static_cast<std::size_t>(3 * rows * width));
            PaletteToBgr(reference.Data(), static_cast<std::size_t>(rows * width), g_afPaletteBlue,
                         g_afPaletteGreen, g_afPaletteRed, bgr.data());
            glClear(GL_COLOR_BUFFER_BIT);
            glRasterPos2i(origin.x, origin.y);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glPixelZoom(static_cast<float>(kH) / static_cast<float>(width), 1.0f);
            glDrawPixels(width, rows, GL_BGR_EXT, GL_UNSIGNED_BYTE, bgr.data());
            glPixelZoom(1.0f, 1.0f);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            EXPECT_TRUE(drawn == s_context->ReadPixels(origin.x, origin.y, kH - 1, kH - 2));
        }
        plot.ReleaseGl();
    }
}

} // namespace
