// The main frame in this process, driven by real key events through Qt's
// shortcut handling: the accelerators, the hidden debug and timing keys, and
// what a failed capture device shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/AboutDlg.h"
#include "app/DebugDlg.h"
#include "app/DebugLog.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "app/Version.h"
#include "presets/TamselDoc.h"
#include "resources/Resource.h"
#include "tests/gui/GuiTestApp.h"
#include "view/TamselView.h"

namespace {

std::vector<std::pair<int, std::string>> g_messages;

void RecordMessage(int level, const std::string& text) {
    g_messages.emplace_back(level, text);
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GuiTestApp() == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        CMessageBoxPresenter::SetTestSink(&RecordMessage);
        g_messages.clear();
        m_frame = std::make_unique<CMainFrame>(&m_doc);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        QApplication::setActiveWindow(m_frame.get());
        m_frame->activateWindow();
        QTest::qWait(50);
    }

    void TearDown() override {
        if (m_frame)
            m_frame->close();
        m_frame.reset();
    }

    void Press(int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(m_frame.get(), static_cast<Qt::Key>(key), modifiers);
    }

    CTamselDoc m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrameTest, CtrlAltDShowsAndHidesTheDebugWindowAndTheTraceSurvives) {
    CDebugDlg& dlg = m_frame->DebugDlg();
    ASSERT_FALSE(dlg.IsVisible());
    DebugLog("first line\r\n");

    Press(Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(dlg.IsVisible());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.ShownText().contains(QStringLiteral("first line")));

    Press(Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(dlg.IsVisible());
    EXPECT_FALSE(dlg.isVisible());

    DebugLog("second line\r\n");
    Press(Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(dlg.IsVisible());
    const QString shown = dlg.ShownText();
    EXPECT_TRUE(shown.contains(QStringLiteral("first line")));
    EXPECT_TRUE(shown.contains(QStringLiteral("second line")));
    EXPECT_LT(shown.indexOf(QStringLiteral("first line")),
              shown.indexOf(QStringLiteral("second line")));
}

TEST_F(MainFrameTest, DebugWindowFollowsLinesLoggedFromAnotherThread) {
    CDebugDlg& dlg = m_frame->DebugDlg();
    dlg.Show();
    std::thread worker([] { DebugLog("from a worker\r\n"); });
    worker.join();
    // The refresh is queued to this thread.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dlg.ShownText().contains(QStringLiteral("from a worker")); }, 2000));
}

TEST_F(MainFrameTest, ClosingTheFrameHidesTheDebugWindow) {
    m_frame->DebugDlg().Show();
    ASSERT_TRUE(m_frame->DebugDlg().isVisible());
    m_frame->close();
    EXPECT_FALSE(m_frame->DebugDlg().isVisible());
    EXPECT_TRUE(m_frame->View()->IsClosing());
}

TEST_F(MainFrameTest, CtrlAltPWritesThePlotFftAndTimerLinesInThatOrder) {
    const std::size_t before = CTraceLog::Instance().Text().size();
    Press(Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
    const std::string added = CTraceLog::Instance().Text().substr(before);
    const std::size_t plot = added.find("Plot: ");
    const std::size_t fft = added.find("FFT: ");
    const std::size_t timer = added.find("Timer: ");
    ASSERT_NE(plot, std::string::npos) << added;
    ASSERT_NE(fft, std::string::npos) << added;
    ASSERT_NE(timer, std::string::npos) << added;
    EXPECT_LT(plot, fft);
    EXPECT_LT(fft, timer);
    EXPECT_NE(added.find(" mSec \r\n", plot), std::string::npos);
    EXPECT_NE(added.find(" mSec\r\n", timer), std::string::npos);
}

TEST_F(MainFrameTest, EveryAcceleratorReachesItsOwnCommand) {
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    struct SAccel {
        Qt::KeyboardModifiers modifiers;
        int key;
        int command;
    };
    // Exit last: it closes the window.
    const SAccel table[] = {
        {ctrl, Qt::Key_A, ID_FILE_SAVE_AS},       {ctrlAlt, Qt::Key_A, ID_VIEW_ACQUIRE},
        {ctrlAlt, Qt::Key_B, ID_PLOT_BARS},       {ctrl, Qt::Key_C, ID_EDIT_COPY},
        {ctrlAlt, Qt::Key_D, ID_DEBUG_WINDOW},    {ctrlAlt, Qt::Key_G, ID_PALETTE_GRAYSCALE},
        {ctrlAlt, Qt::Key_H, ID_PLOT_HISTOGRAM},  {ctrlAlt, Qt::Key_M, ID_PLOT_METERS},
        {ctrl, Qt::Key_N, ID_FILE_NEW},           {ctrl, Qt::Key_O, ID_FILE_OPEN},
        {ctrlAlt, Qt::Key_P, ID_SHOW_TIMING},     {ctrl, Qt::Key_R, ID_FILE_RUN},
        {ctrlAlt, Qt::Key_R, ID_PALETTE_RAINBOW}, {ctrl, Qt::Key_S, ID_FILE_SAVE},
        {ctrlAlt, Qt::Key_S, ID_PLOT_WATERFALL},  {ctrl, Qt::Key_T, ID_FILE_REVERT},
        {ctrlAlt, Qt::Key_U, ID_PLOT_SURFACE},    {ctrl, Qt::Key_W, ID_CAPTURE_ENABLE},
        {ctrlAlt, Qt::Key_Z, ID_PLOT_RESET},      {ctrl, Qt::Key_Q, ID_APP_EXIT},
    };
    for (const SAccel& accel : table) {
        SCOPED_TRACE("command " + std::to_string(accel.command));
        QAction* target = m_frame->Action(accel.command);
        ASSERT_NE(target, nullptr);
        // Commands still waiting for their handlers are greyed; a greyed
        // action ignores its key, so enable it for the press.
        target->setEnabled(true);
        QSignalSpy spy(target, &QAction::triggered);
        Press(accel.key, accel.modifiers);
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_FALSE(m_frame->isVisible()) << "Ctrl+Q closes the window";
    EXPECT_TRUE(m_frame->View()->IsClosing());
}

TEST_F(MainFrameTest, PaletteCommandsMoveTheCheckMarks) {
    QAction* gray = m_frame->Action(ID_PALETTE_GRAYSCALE);
    QAction* rainbow = m_frame->Action(ID_PALETTE_RAINBOW);
    QAction* invert = m_frame->Action(ID_PALETTE_INVERT);
    EXPECT_TRUE(gray->isChecked());
    EXPECT_FALSE(rainbow->isChecked());

    Press(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(gray->isChecked());
    EXPECT_TRUE(rainbow->isChecked());
    EXPECT_EQ(m_frame->View()->Palette().m_nPalette, 0);

    invert->trigger();
    EXPECT_TRUE(invert->isChecked());
    m_frame->Action(ID_PALETTE_RESET)->trigger();
    EXPECT_FALSE(invert->isChecked());
    EXPECT_TRUE(rainbow->isChecked()) << "Reset keeps the palette";
}

TEST_F(MainFrameTest, AFailedCaptureDeviceIsReportedWithTheStopIconAndTheWindowRuns) {
    // No backend was given: the device cannot start.
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_messages.empty(); }, 2000));
    EXPECT_EQ(g_messages[0].first, 1);
    EXPECT_EQ(g_messages[0].second, "Couldn't initialize sound capture device");
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_frame->View()->Ticks() >= 2; }, 2000));
    EXPECT_TRUE(m_frame->isVisible());
}

TEST_F(MainFrameTest, StatusBarToggleHidesAndShowsTheBarWithItsCheckMark) {
    QAction* toggle = m_frame->Action(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(m_frame->statusBar()->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(m_frame->statusBar()->isVisible());
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(MainFrameTest, AboutCommandShowsTheNameVersionAndLegalNoticeModally) {
    QString caption, name, legal, version;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            caption = about->windowTitle();
            name = about->NameText();
            legal = about->LegalText();
            version = about->VersionText();
            about->accept();
        }
    });
    poll.start(20);
    m_frame->Action(ID_APP_ABOUT)->trigger(); // returns once the box is closed
    EXPECT_EQ(caption, QStringLiteral("About..."));
    EXPECT_EQ(name, QStringLiteral(VIREON_INTERNAL_NAME));
    EXPECT_EQ(legal, QStringLiteral(VIREON_LEGAL_COPYRIGHT));
    EXPECT_TRUE(version.startsWith(QStringLiteral("Version "))) << version.toStdString();
}

} // namespace
