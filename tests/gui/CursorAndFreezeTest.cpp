// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the display: the range pane follows the mouse over the histogram
// and the waterfall, and Freeze holds the picture while the analysis and the
// recordings run on. The mouse events go to the drawing surface as the
// window system delivers them.
#include <QEvent>
#include <QWindow>

#include <cstdio>
#include <random>

#include "analysis/FrequencyAxis.h"
#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/gui/GuiTestApp.h"
#include "tests/recording/AnswerCaptureSettings.h"
#include "view/MouseDrag.h"

namespace {

class ViewReadout : public guitest::CFrameTest {
protected:
    // Waits for a frame drawn after now: the readout reads what was drawn.
    bool FrameDrawn() {
        const std::int64_t drawn = View()->DrawCount();
        return QTest::qWaitFor([&] { return View()->DrawCount() > drawn; }, 5000);
    }
    // The surface point over pixel (x, y) of the view's drawing (y upward).
    QPoint Over(std::int32_t x, std::int32_t y) const { return {x, Surface()->height() - 1 - y}; }
    // Rests the mouse there without a button; the range pane's text.
    QString RestAt(QPoint at) {
        QTest::mouseMove(Surface(), at);
        QTest::qWait(1);
        return m_frame->PaneText(1);
    }
    QString RangeText() const {
        return QString::fromStdString(
            FormatRangeHint(g_runState.GetDisplayRange(), g_runState.GetSpectrumStats()));
    }
    // The frequency the readout shows, or -1 when it shows something else.
    static double ShownHz(const QString& text) {
        double hz = -1.0;
        return std::sscanf(text.toLatin1().constData(), "F(%lfHz)", &hz) == 1 ? hz : -1.0;
    }
};

// The readout shows the frequency at the centre of the pixel column under
// the mouse, wherever the frame puts the plot, on the linear and the log
// axis and over two ranges; the waterfall adds the row's age, a block per
// row. Leaving the surface, moving off the plot or pressing a button brings
// the range back.
TEST_F(ViewReadout, ThePaneReadsTheFrequencyUnderTheMouseAndTheRangeOnceItLeaves) {
    const std::int32_t columns = g_startupSettings.m_nHistoryLength;
    ASSERT_TRUE(FrameDrawn());
    for (const bool log : {false, true}) {
        for (const auto& [fmin, fmax] : {std::pair{1.0, 10000.0}, std::pair{300.0, 2500.0}}) {
            const SDisplayRange range{fmin, fmax, fmax - fmin, 0.0, 1.0, false};
            g_runState.SetDisplayRange(range);
            View()->SetDisplayScale({false, log});
            ASSERT_TRUE(FrameDrawn());
            const CRect& area = View()->HistogramPlot().GetPlotArea();
            const SFrequencyAxis axis =
                MakeFrequencyAxis(range, log, g_runState.GetSpectrumStats().dBinWidth, columns);
            for (const std::int32_t column : {0, columns / 2, columns - 1}) {
                SCOPED_TRACE(std::to_string(fmin) + ".." + std::to_string(fmax) +
                             (log ? " log, column " : " linear, column ") + std::to_string(column));
                const QString text = RestAt(Over(area.left + column, area.bottom + 5));
                EXPECT_NEAR(ShownHz(text), AxisFrequency(axis, column + 0.5), 0.051)
                    << text.toStdString();
            }
        }
    }

    const QPoint over = Over(View()->HistogramPlot().GetPlotArea().left + 40,
                             View()->HistogramPlot().GetPlotArea().bottom + 5);
    ASSERT_GT(ShownHz(RestAt(over)), 0.0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Surface(), &leave);
    EXPECT_EQ(m_frame->PaneText(1).toStdString(), RangeText().toStdString()) << "left the surface";
    EXPECT_EQ(RestAt(Over(View()->HistogramPlot().GetPlotArea().left - 3, 5)).toStdString(),
              RangeText().toStdString())
        << "off the plot";
    ASSERT_GT(ShownHz(RestAt(over)), 0.0);
    QTest::mousePress(Surface(), Qt::LeftButton, Qt::NoModifier, over);
    EXPECT_EQ(m_frame->PaneText(1).toStdString(), RangeText().toStdString()) << "a press";
    QTest::mouseRelease(Surface(), Qt::LeftButton, Qt::NoModifier, over);
    EXPECT_EQ(m_frame->PaneText(1).toStdString(), RangeText().toStdString())
        << "until the mouse moves again";
    EXPECT_GT(ShownHz(RestAt(over + QPoint(1, 0))), 0.0);

    Keys(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier); // the waterfall
    ASSERT_TRUE(FrameDrawn());
    const CPoint origin = View()->WaterfallPlot().GetRasterOrigin();
    double age[2] = {-1.0, -1.0};
    for (const std::int32_t row : {0, 100}) {
        const QString text = RestAt(Over(origin.x + 7, origin.y + row));
        double hz = 0.0;
        ASSERT_EQ(std::sscanf(text.toLatin1().constData(), "F(%lfHz),T(-%lfs)", &hz,
                              &age[row == 0 ? 0 : 1]),
                  2)
            << text.toStdString();
    }
    const double block = g_startupSettings.m_nBlockSize / g_runState.GetCaptureFormat().dSampleRate;
    EXPECT_NEAR(age[1] - age[0], 100 * block, 0.011);
    EXPECT_GT(age[0], 0.0);
}

// Freeze holds the drawn picture: frames drawn while frozen, a screen
// capture's frames and the copy the test grabs are the same pixels, while
// new rows keep reaching the history and the sound recording keeps
// growing. The run pane says so; a second Freeze shows the live display.
TEST_F(ViewReadout, FreezeHoldsThePixelsWhileRowsAdvanceAndTheRecordingGrows) {
    const acqtest::CTempDir dir;
    std::mt19937 random(19);
    std::normal_distribution<double> noise(0.0, 3000.0);
    acqtest::Samples samples;
    for (std::int64_t i = 0; i < 30 * std::int64_t{kSampleRate}; ++i) {
        const auto v = static_cast<std::int16_t>(std::clamp(noise(random), -32000.0, 32000.0));
        samples.insert(samples.end(), {v, v});
    }
    const std::string input = dir.Write("noise.wav", acqtest::Wav(samples));
    ASSERT_NO_FATAL_FAILURE(ShowFramePlaying(input));
    EXPECT_FALSE(View()->IsFrozen()) << "off in a new window";

    const std::string wav = dir.Path() + "/rec.wav";
    const auto shot = [&](int n) {
        char name[32];
        std::snprintf(name, sizeof name, "/shot%03d.bmp", n);
        return dir.Path() + name;
    };
    rectest::AnswerCaptureSettings({.type = 1,
                                    .screen = dir.Path() + "/shot###.bmp",
                                    .wav = wav,
                                    .log = "",
                                    .limit = nullptr});
    m_frame->Action(ID_CAPTURE_SETTINGS)->trigger();
    m_frame->Action(ID_CAPTURE_ENABLE)->trigger();
    ASSERT_EQ(g_runState.GetCaptureFlags(), kCaptureSound | kCaptureScreen);
    // The dialog that just closed hands the focus back asynchronously.
    QApplication::setActiveWindow(m_frame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));

    Keys(Qt::Key_Space, Qt::NoModifier);
    ASSERT_TRUE(View()->IsFrozen());
    EXPECT_TRUE(Checked(ID_VIEW_FREEZE));
    EXPECT_EQ(m_frame->PaneText(2), QStringLiteral("FROZEN"));
    ASSERT_TRUE(FrameDrawn()); // the frame it holds
    const QImage held = View()->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    const std::int32_t row = g_runState.GetHistoryGeometry().nHistoryRow;
    const std::uintmax_t recorded = std::filesystem::file_size(wav);
    int next = 0;
    while (std::filesystem::exists(shot(next)))
        ++next;

    // Two more capture frames, taken while frozen; the first is complete
    // once the second exists.
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(shot(next + 1)); }, 8000));
    EXPECT_TRUE(View()->grabFramebuffer().convertToFormat(QImage::Format_RGB888) == held);
    EXPECT_NE(g_runState.GetHistoryGeometry().nHistoryRow, row) << "rows keep coming";
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::file_size(wav) > recorded; }, 5000))
        << "the recording grows";
    const QImage captured =
        QImage(QString::fromStdString(shot(next))).convertToFormat(QImage::Format_RGB888);
    const int width = g_startupSettings.m_nPlotWidth;
    const int height = g_startupSettings.m_nPlotHeight;
    ASSERT_EQ(captured.size(), QSize(width, height));
    EXPECT_TRUE(captured == held.copy(0, held.height() - height, width, height))
        << "the capture records the frozen frame";
    EXPECT_TRUE(View()->IsFrozen());

    // The menu command this time: a key reaches the shortcut only while the
    // window is the active one, and under ThreadSanitizer's slowdown it once
    // was not by then.
    m_frame->Action(ID_VIEW_FREEZE)->trigger();
    EXPECT_FALSE(View()->IsFrozen());
    EXPECT_EQ(m_frame->PaneText(2), QStringLiteral("RUN"));
    ASSERT_TRUE(FrameDrawn());
    EXPECT_TRUE(View()->grabFramebuffer().convertToFormat(QImage::Format_RGB888) != held)
        << "live again: the noise has moved on";
    m_frame->Action(ID_CAPTURE_CLOSE)->trigger();
}

} // namespace
