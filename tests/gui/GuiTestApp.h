// SPDX-License-Identifier: GPL-3.0-or-later
// The one QApplication of a GUI test process, made on first use; null when
// there is no X display (the tests then skip). And the fixture of the tests
// that drive a main frame, with what they all include.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/WavFileSource.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "plots/Projection.h"
#include "presets/TamselDoc.h"
#include "resources/Resource.h"
#include "view/TamselView.h"

inline QApplication* GuiTestApp() {
    static QApplication* app = []() -> QApplication* {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0')
            return nullptr;
        static int argc = 1;
        static char name[] = "gui_frame_tests";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);
        SetMessagePresenter(std::make_unique<CMessageBoxPresenter>(created));
        return created;
    }();
    return app;
}

namespace guitest {

// The messages reported while a frame test runs: level and text.
inline std::vector<std::pair<int, std::string>> g_messages;

// Whether a message of that level beginning with `text` was reported.
inline bool Shown(int level, const std::string& text) {
    for (const auto& [l, t] : g_messages)
        if (l == level && t.rfind(text, 0) == 0)
            return true;
    return false;
}

// A main frame on its own document, shown, exposed and active; no capture
// backend unless a test sets one before SetUp.
class CFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GuiTestApp() == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        g_messages.clear();
        CMessageBoxPresenter::SetTestSink(
            [](int level, const std::string& text) { g_messages.emplace_back(level, text); });
        ShowFrame();
    }
    // Closes the frame there is, then shows a new one.
    void ShowFrame() {
        CloseFrame();
        m_frame = std::make_unique<CMainFrame>(&m_doc);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        QApplication::setActiveWindow(m_frame.get());
        m_frame->activateWindow();
        QTest::qWait(50);
    }
    // Shows a new frame capturing from the WAV file at `path` in a loop, once
    // it acquires.
    void ShowFramePlaying(const std::string& path) {
        CTamselView::SetBackendFactory(
            [path](const std::string&) { return std::make_unique<CWavFileSource>(path); });
        ShowFrame();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->View()->IsAcquiring(); }, 5000));
    }
    void CloseFrame() {
        if (m_frame) {
            m_doc.SetModifiedFlag(false); // closes without asking
            m_frame->close();
            m_frame.reset();
        }
    }
    void TearDown() override {
        CloseFrame();
        g_runState.SetDisplayScale({}); // the user's options start off in every test
        g_runState.SetMeasureOptions({});
        CTamselView::SetBackendFactory(nullptr);
        CTamselView::SetUrlOpener(nullptr);
        CTamselView::SetInstalledHelpFile({});
        CMessageBoxPresenter::SetTestSink(nullptr);
    }

    CTamselView* View() const { return m_frame->View(); }
    // The native window the plot is drawn in, which gets the mouse events.
    QWindow* Surface() const { return View()->Surface(); }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(m_frame.get(), key, modifiers);
    }
    bool Checked(int id) const { return m_frame->Action(id)->isChecked(); }
    // Enabled as the menu shows it: the states are brought up to date first.
    bool Enabled(int id) const {
        m_frame->UpdateCommandUI();
        return m_frame->Action(id)->isEnabled();
    }

    CTamselDoc m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace guitest
