// The main frame in this process, driven by real key events through Qt's
// shortcut handling: the accelerators (the timing lines they lead to are
// counted by the whole-process test), and what a failed capture device shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "base/DebugLog.h"
#include "presets/TamselDoc.h"
#include "resources/Resource.h"
#include "tests/gui/GuiTestApp.h"
#include "view/TamselView.h"

namespace {

std::vector<std::pair<int, std::string>> g_messages;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GuiTestApp() == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        CMessageBoxPresenter::SetTestSink(
            [](int level, const std::string& text) { g_messages.emplace_back(level, text); });
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
    }
    void Press(int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(m_frame.get(), static_cast<Qt::Key>(key), modifiers);
    }

    CTamselDoc m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrameTest, EveryAcceleratorReachesItsOwnCommand) {
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, ctrlAlt = ctrl | Qt::AltModifier;
    const struct {
        Qt::KeyboardModifiers modifiers;
        int key, command;
    } table[] = {
        // exit last: it closes the window
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
    // Commands that open a dialog (Open, Save As, Acquire) find it closed.
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    closer.start();
    for (const auto& accel : table) {
        SCOPED_TRACE("command " + std::to_string(accel.command));
        QAction* target = m_frame->Action(accel.command);
        ASSERT_NE(target, nullptr);
        // Commands still waiting for their handlers are greyed; a greyed
        // action ignores its key, so enable it for the press.
        target->setEnabled(true);
        QSignalSpy spy(target, &QAction::triggered);
        // A dialog that just closed hands the focus back asynchronously.
        QApplication::setActiveWindow(m_frame.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
        Press(accel.key, accel.modifiers);
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_FALSE(m_frame->isVisible()) << "Ctrl+Q closes the window";
}

TEST_F(MainFrameTest, AFailedCaptureDeviceIsReportedWithTheStopIconAndTheWindowRuns) {
    // No backend was given: the device cannot start.
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_messages.empty(); }, 2000));
    EXPECT_EQ(g_messages[0].first, 1) << "level 1 shows the stop icon";
    EXPECT_EQ(g_messages[0].second, "Couldn't initialize sound capture device");
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_frame->View()->Ticks() >= 2; }, 2000));
    EXPECT_TRUE(m_frame->isVisible());
}

} // namespace
