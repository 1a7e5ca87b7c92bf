// SPDX-License-Identifier: GPL-3.0-or-later
// Capture from the running window, fed by the WAV file source: Edit > Copy
// puts the next drawn frame on the clipboard as an image of the plot's size;
// a BMP capture writes one full frame per second; File > Capture > Settings,
// Enable and Close record sound until the time limit runs out on the view's
// timer (no screen frames to stop it).

#include <QAction>
#include <QClipboard>
#include <QImage>

#include "AnswerCaptureSettings.h"
#include "RecordingTestSupport.h"
#include "acquisition/WavFileSource.h"
#include "base/StartupSettings.h"
#include "platform/QtImageClipboard.h"
#include "resources/Resource.h"
#include "tests/gui/GuiTestApp.h"

using namespace rectest;

TEST(ViewCapture, CopyBmpFramesAndASoundCaptureStoppedByItsLimit) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink([](int, const std::string&) {});
    const CTempDir dir;
    // Silence: the plots leave the background showing in the corners.
    const std::string input = dir.Write("in.wav", Wav(Constant(44100, 0, 0)));
    CTamselView::SetBackendFactory(
        [input](const std::string&) { return std::make_unique<CWavFileSource>(input); });
    CQtImageClipboard clipboard(GuiTestApp());
    CTamselView::SetImageClipboard(&clipboard);
    QGuiApplication::clipboard()->clear();

    CTamselDoc doc;
    auto frame = std::make_unique<CMainFrame>(&doc);
    // Red and blue differ, so a swapped channel order shows.
    g_runState.SetBackgroundColor(1.0f, 0.15f, 0.0f);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    // The screenshot thread starts on the sixth tick.
    QTRY_VERIFY_WITH_TIMEOUT(frame->View()->Ticks() >= 7, 5000);
    const int width = g_startupSettings.m_nPlotWidth;
    const int height = g_startupSettings.m_nPlotHeight;

    QAction* copy = frame->Action(ID_EDIT_COPY);
    ASSERT_TRUE(copy->isEnabled());
    copy->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!QGuiApplication::clipboard()->image().isNull(), 5000);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(width, height));
    const QImage shown = frame->View()->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB888).pixel(5, 5), shown.pixel(5, 5));

    CCaptureSession& session = frame->View()->Capture();
    session.SetInterval(1);
    session.SetFileName(CCaptureSession::kScreen, dir.Path() + "/cap###.bmp");
    ASSERT_TRUE(session.InitScreen(g_runState.GetScreenDibHeader(), 1, kCaptureBmp));
    g_runState.SetCaptureType(kCaptureBmp);
    session.StartStop(true);
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(dir.Path() + "/cap002.bmp"), 8000);
    session.StartStop(false);
    session.CloseSession();
    // cap001.bmp is complete once cap002.bmp exists.
    const std::string bmp = dir.Path() + "/cap001.bmp";
    EXPECT_EQ(std::filesystem::file_size(bmp), 54 + std::uintmax_t{DibRowBytes(width)} * height);
    const QImage image(QString::fromStdString(bmp));
    ASSERT_EQ(image.size(), QSize(width, height));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 38, 0));
    EXPECT_EQ(image.pixel(width - 5, height - 5), qRgb(255, 38, 0));

    QAction* enable = frame->Action(ID_CAPTURE_ENABLE);
    QAction* close = frame->Action(ID_CAPTURE_CLOSE);
    frame->UpdateCommandUI();
    EXPECT_FALSE(enable->isEnabled());
    EXPECT_FALSE(close->isEnabled());
    const std::string wav = dir.Path() + "/rec.wav";
    AnswerCaptureSettings({0, "", wav, "", "2", true});
    frame->Action(ID_CAPTURE_SETTINGS)->trigger();
    ASSERT_TRUE(enable->isEnabled());
    EXPECT_TRUE(close->isEnabled());
    EXPECT_FALSE(enable->isChecked());
    enable->trigger();
    EXPECT_TRUE(enable->isChecked());
    EXPECT_EQ(g_runState.GetCaptureFlags(), kCaptureSound);
    // The limit runs out on a timer tick: the check mark and the store's
    // flags go, the recorded time stays.
    QTRY_VERIFY_WITH_TIMEOUT(!enable->isChecked(), 5000);
    EXPECT_EQ(g_runState.GetCaptureFlags(), 0);
    EXPECT_GE(g_runState.GetCaptureElapsed(), 1);
    close->trigger();
    EXPECT_FALSE(enable->isEnabled());
    EXPECT_FALSE(close->isEnabled());
    EXPECT_EQ(g_runState.GetCaptureElapsed(), 0);
    CWavFile recorded;
    ASSERT_TRUE(recorded.Open(wav)) << recorded.Error();
    EXPECT_GE(recorded.FrameCount(), 39690u); // 0.9 s: whole-second clock
    EXPECT_LE(recorded.FrameCount(), 3u * 44100u);

    frame->close();
    frame.reset();
    CTamselView::SetImageClipboard(nullptr);
    CTamselView::SetBackendFactory(nullptr);
    CMessageBoxPresenter::SetTestSink(nullptr);
}
