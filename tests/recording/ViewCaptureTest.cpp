// Screen capture from the running window: Edit > Copy puts the next drawn
// frame on the clipboard as an image of the plot's size, and a BMP capture
// writes one full frame per second.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include <filesystem>

#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "base/StartupSettings.h"
#include "platform/QtImageClipboard.h"
#include "presets/TamselDoc.h"
#include "recording/BmpFile.h"
#include "resources/Resource.h"
#include "tests/gui/GuiTestApp.h"
#include "view/TamselView.h"

TEST(EditCopy, PutsAnImageOfThePlotOnTheClipboard) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink([](int, const std::string&) {});
    CQtImageClipboard clipboard(GuiTestApp());
    CTamselView::SetImageClipboard(&clipboard);
    QGuiApplication::clipboard()->clear();

    CTamselDoc doc;
    auto frame = std::make_unique<CMainFrame>(&doc);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    // The screenshot thread starts on the sixth tick.
    QTRY_VERIFY_WITH_TIMEOUT(frame->View()->Ticks() >= 7, 5000);

    QAction* copy = frame->Action(ID_EDIT_COPY);
    ASSERT_TRUE(copy->isEnabled());
    copy->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!QGuiApplication::clipboard()->image().isNull(), 5000);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.width(), g_startupSettings.m_nPlotWidth);
    EXPECT_EQ(copied.height(), g_startupSettings.m_nPlotHeight);
    // The view draws only its background yet: every pixel shows it, and
    // so does the frame Qt composes.
    const QImage shown = frame->View()->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB888).pixel(5, 5), shown.pixel(5, 5));

    frame->close();
    frame.reset();
    CTamselView::SetImageClipboard(nullptr);
    CMessageBoxPresenter::SetTestSink(nullptr);
}

TEST(ViewCapture, BmpCaptureWritesTheDrawnFrameOncePerSecond) {
    namespace fs = std::filesystem;
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink([](int, const std::string&) {});
    const fs::path dir = fs::temp_directory_path() / "vireon-view-capture";
    fs::remove_all(dir);
    fs::create_directories(dir);

    CTamselDoc doc;
    auto frame = std::make_unique<CMainFrame>(&doc);
    // Red and blue differ, so a swapped channel order shows.
    g_runState.SetBackgroundColor(1.0f, 0.15f, 0.0f);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QTRY_VERIFY_WITH_TIMEOUT(frame->View()->Ticks() >= 7, 5000);

    CCaptureSession& session = frame->View()->Capture();
    session.SetInterval(1);
    session.SetFileName(CCaptureSession::kScreen, (dir / "cap###.bmp").string());
    ASSERT_TRUE(session.InitScreen(g_runState.GetScreenDibHeader(), 1, kCaptureBmp));
    g_runState.SetCaptureType(kCaptureBmp);
    session.StartStop(true);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(dir / "cap002.bmp"), 8000);
    session.StartStop(false);
    session.CloseSession();

    const int width = g_startupSettings.m_nPlotWidth;
    const int height = g_startupSettings.m_nPlotHeight;
    const std::uintmax_t size = 54 + std::uintmax_t{DibRowBytes(width)} * height;
    if (width == 640) {
        EXPECT_EQ(size, 921654u);
    }
    for (const char* name : {"cap000.bmp", "cap001.bmp", "cap002.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fs::file_size(dir / name), size);
        const QImage image(QString::fromStdString((dir / name).string()));
        ASSERT_EQ(image.size(), QSize(width, height));
        EXPECT_EQ(image.pixel(5, 5), qRgb(255, 38, 0));
        EXPECT_EQ(image.pixel(width - 5, height - 5), qRgb(255, 38, 0));
    }
    frame->close();
    frame.reset();
    fs::remove_all(dir);
    CMessageBoxPresenter::SetTestSink(nullptr);
}
