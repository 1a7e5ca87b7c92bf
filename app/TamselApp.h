// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: start-up order, the command line, the recent-file
// list and the one document, frame and view.
//
// Start-up (InitInstance): the message presenter, the per-user settings under
// "QuillmoorSoftware" with a recent-file list of 4 entries (and the display
// scale options, restored into the view once it exists), the command line
// (a file: a preset to open, or sound to play instead of the sound device, as
// --input FILE does), then the document, the main frame (which reads the startup
// settings) and its view; the window is shown and the event loop takes over.
//
// User-interface thread only.
#pragma once

#include <QApplication>
#include <QStringList>

#include <memory>

#include "app/RecentFileList.h"
#include "platform/GlyphRasterizer.h"
#include "platform/QtImageClipboard.h"

class CMainFrame;
class CTamselDoc;
class CTestProbe;
struct SCommandLine;
class IMessagePresenter;

class CTamselApp : public QApplication {
    Q_OBJECT

public:
    static constexpr int kRecentFiles = 4;

    CTamselApp(int& argc, char** argv);
    ~CTamselApp() override;

    static CTamselApp* Instance();

    // Before the application object exists: parses the command line and
    // handles what needs no display (a bad option, --help, --version,
    // --list-devices).
    // Returns true if the program is to end, with *pExitCode: 0, 1 (no
    // capture device to list) or 2 (bad options).
    static bool HandleInfoOptions(int argc, char** argv, int* pExitCode);

    // False when the program is to end at once; ExitCode() then says how
    // (as HandleInfoOptions, or 1 when no OpenGL context can be made or the
    // preset named on the command line could not be opened, both reported).
    bool InitInstance();
    int ExitCode() const { return m_nExitCode; }
    // Runs the event loop, then the shutdown bookkeeping.
    int Run();

    CMainFrame* MainFrame() { return m_pMainFrame.get(); }
    CTamselDoc* Document() { return m_pDoc.get(); }

    // Most recent first, at most kRecentFiles, no duplicates; saved at once.
    void AddToRecentFileList(const QString& path);
    // Drops a file that failed to open from the list.
    void RemoveFromRecentFileList(const QString& path);
    QStringList RecentFiles() const { return m_recentFiles.Files(); }

private:
    static int RunInfoOption(const SCommandLine& args);
    void LoadRecentFiles();
    // Saves the list at once and shows it in the File menu.
    void PublishRecentFiles();
    // The decibel scale and the log frequency axis: the user's own, kept
    // with the recent files and never in a preset. Restored into the view
    // at start, saved whenever a command switches one.
    void RestoreDisplayScale();
    void SaveDisplayScale(bool decibel, bool logFrequency);

    int m_nExitCode = 0;
    std::unique_ptr<IMessagePresenter> m_pPreviousPresenter;
    CRecentFileList m_recentFiles{kRecentFiles};
    CGlyphRasterizer m_glyphRasterizer;
    CQtImageClipboard m_clipboard{this};
    std::unique_ptr<CTamselDoc> m_pDoc;
    std::unique_ptr<CTestProbe> m_pProbe;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
