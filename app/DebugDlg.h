// SPDX-License-Identifier: GPL-3.0-or-later
// The hidden "Debug" window: shows the whole trace (CTraceLog) in a read-only
// text box that follows new lines to the end, with Pause and Resume.
//
// All members run on the user-interface thread. New trace lines may arrive on
// any thread: the trace's listener only posts a refresh to this thread, and
// several lines appended before it runs cost one refresh.
#pragma once

#include <QDialog>

#include <atomic>
#include <memory>

class QPlainTextEdit;
class QPushButton;

class CDebugDlg : public QDialog {
    Q_OBJECT

public:
    // parent: the main frame, kept for reference only; the dialog itself is a
    // top-level window without an owner, like a modeless tool window.
    explicit CDebugDlg(QWidget* parent);
    ~CDebugDlg() override;

    void Show();
    void Hide();
    bool IsVisible() const { return m_bVisible; }
    bool IsPaused() const { return m_bPaused; }

    // The text currently shown (test and diagnostics).
    QString ShownText() const;

    void OnPause();
    void OnResume();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RefreshFromTrace();
    void ScrollToEnd();
    void OnTraceAppended();

    QPushButton* m_btnResume;
    QPushButton* m_btnPause;
    QPlainTextEdit* m_editLog;
    QWidget* m_pParent;
    bool m_bVisible = false;
    bool m_bPaused = false;
    // Set by the listener (any thread) while a refresh is queued.
    std::shared_ptr<std::atomic<bool>> m_pRefreshQueued;
};
