// SPDX-License-Identifier: GPL-3.0-or-later
// Capture from the running window, fed by the WAV file source: Edit > Copy
// puts the next drawn frame on the clipboard as an image of the plot's size;
// File > Capture > Settings, Enable and Close record sound until the time
// limit runs out on the view's timer (no screen frames to stop it). (The
// window's BMP frames are compared with the frame drawn by the freeze test,
// their layout by the screen capture test.) The clipboard itself takes a
// worker's picture on the user-interface thread only.

#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QThread>

#include <thread>

#include "AnswerCaptureSettings.h"
#include "RecordingTestSupport.h"
#include "acquisition/WavFileSource.h"
#include "base/BitmapInfoHeader.h"
#include "base/StartupSettings.h"
#include "platform/QtImageClipboard.h"
#include "resources/Resource.h"
#include "tests/gui/GuiTestApp.h"

using namespace rectest;

TEST(ViewCapture, CopyAndASoundCaptureStoppedByItsLimit) {
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

// The worker posts and moves on: the clipboard is still as it was when the
// worker has ended, and changes once the user-interface thread runs its
// events, on that thread. The DIB's rows are bottom-up, the image's top-down.
TEST(QtImageClipboard, AWorkersPictureIsSetOnTheUserInterfaceThreadLater) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    constexpr int kWidth = 5, kHeight = 3;
    const std::size_t stride = DibRowBytes(kWidth);
    Bytes dib = Dib(DibHeader(kWidth, kHeight));
    const auto colour = [](int x, int row) { return qRgb(200, 80 * row, 40 * x); };
    for (int row = 0; row < kHeight; ++row)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = dib.data() + sizeof(SBitmapInfoHeader) + row * stride + 3 * x;
            const QRgb c = colour(x, row);
            p[0] = static_cast<std::uint8_t>(qBlue(c));
            p[1] = static_cast<std::uint8_t>(qGreen(c));
            p[2] = static_cast<std::uint8_t>(qRed(c));
        }

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QCoreApplication::processEvents();
    std::vector<bool> changedOnUiThread;
    const QMetaObject::Connection watch =
        QObject::connect(clipboard, &QClipboard::dataChanged, [&changedOnUiThread] {
            changedOnUiThread.push_back(QThread::currentThread() ==
                                        QCoreApplication::instance()->thread());
        });
    CQtImageClipboard poster(GuiTestApp());
    bool posted = false;
    std::thread worker([&] { posted = poster.PostDib(dib.data(), dib.size()); });
    worker.join();
    EXPECT_TRUE(posted);
    EXPECT_TRUE(clipboard->image().isNull()) << "set on the worker's own thread";
    QTRY_VERIFY_WITH_TIMEOUT(!clipboard->image().isNull(), 5000);
    QObject::disconnect(watch);
    EXPECT_FALSE(changedOnUiThread.empty());
    for (const bool onUiThread : changedOnUiThread)
        EXPECT_TRUE(onUiThread);
    const QImage image = clipboard->image();
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(image.pixel(x, y), colour(x, kHeight - 1 - y)) << x << ", " << y;
    clipboard->clear();
}
