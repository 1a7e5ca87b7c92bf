// Edit > Copy in the running window puts the next drawn frame on the
// clipboard as an image of the plot's size.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "base/StartupSettings.h"
#include "platform/QtImageClipboard.h"
#include "presets/TamselDoc.h"
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
