// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menu bar, toolbar, the OpenGL view, and a status bar with
// three panes (mouse hints 350 px, frequency range 200 px, the rest). Its
// size is fixed: the view gets exactly the plot size W x P from the startup
// settings, which the constructor reads.
//
// Closing (the window's close button or File > Exit, both through
// closeEvent) hides the debug window, then runs the view's stop protocol so
// that every worker thread has ended before the window and its OpenGL
// context go away.
//
// User-interface thread only.
#pragma once

#include <QMainWindow>

#include <map>
#include <memory>

class CDebugDlg;
class CTamselDoc;
class CTamselView;
class QLabel;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kPaneCount = 3;
    static constexpr int kHintPaneWidth = 350;
    static constexpr int kRangePaneWidth = 200;

    // Reads the startup settings (the sizes are fixed from here on), then
    // builds the window around a view of the document.
    explicit CMainFrame(CTamselDoc* doc);
    ~CMainFrame() override;

    CDebugDlg& DebugDlg() { return *m_debugDlg; }
    CTamselView* View() { return m_pView; }
    QToolBar* ToolBar() { return m_wndToolBar; }

    // Status-bar panes 0..2.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    QLabel* Pane(int pane) const;

    // The action of a command (resources/Resource.h), or null.
    QAction* Action(int commandId) const;
    // Refreshes check marks and enabled states from the view.
    void UpdateCommandUI();
    // Shows the recent-file list in the File menu (greyed placeholder if empty).
    void SetRecentFiles(const QStringList& files);

    // Grows the fixed window by the given pixels (the view's window fit).
    void GrowBy(int dx, int dy);

    void OnDebugWindow();
    void OnViewStatusBar();
    void OnAppAbout();

    // ---- the document's commands ----
    // Opens a recent file (after asking to save a modified preset); a file
    // that fails to open is reported and leaves the document as it was.
    void OnOpenRecentFile(const QString& path);

signals:
    // A recent-file entry could not be opened (the list drops it).
    void recentFileOpenFailed(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(int id, const QString& text, const QString& prompt,
                        const QKeySequence& shortcut = {});
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // ---- the document's commands ----
    void CreateDocumentCommands();

    std::unique_ptr<CDebugDlg> m_debugDlg;
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    CTamselDoc* m_pDoc;
    CTamselView* m_pView = nullptr;
    QLabel* m_panes[kPaneCount] = {};
    QMenu* m_recentMenuAnchor = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    std::map<int, QAction*> m_actions;
    bool m_bClosed = false;
};

// The one main frame, set by its constructor (null before and after).
extern CMainFrame* g_pMainFrame;
