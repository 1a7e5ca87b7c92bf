// SPDX-License-Identifier: GPL-3.0-or-later
// Random user commands on the main window, for the test probe's stress runs
// (VIREON_TEST_SCRIPT's switch=SEED:COUNT): COUNT commands picked by a
// generator seeded with SEED, each drawn at least once before the next.
//
// The commands: every checkable command of the frame that carries a command
// id, except File > Run and Capture > Enable (plot types, panels, palettes,
// the display options and the window's bars; an option a menu gains later
// joins without a change here), then Reset Palette, Reset Plot, a Ctrl drag
// that turns the 3D scene by a random amount, and opening one of the presets
// given through the recent-file path, answering No when asked to save the
// one shown. A preset that fails to open is reported as for a user.
//
// Drawing paces it: the next command follows the next frame the view
// shows, and a command that runs a modal loop (the save question) is never
// entered twice. User-interface thread only.
#pragma once

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <vector>

class CMainFrame;
class QAction;
class QOpenGLWindow;

class CRandomSwitcher : public QObject {
    Q_OBJECT

public:
    // done gets the number of commands performed of each kind (a command's
    // text, "preset", "turn"), once all COUNT are; the switcher is then idle.
    using Done = std::function<void(const std::map<QString, std::int32_t>& counts)>;

    CRandomSwitcher(CMainFrame* frame, std::uint32_t seed, std::int32_t count, QStringList presets,
                    Done done);

    // Performs the first command; the rest follow the frames.
    void Start();

private:
    void OnFrameSwapped();
    void PerformOne();
    void OpenPreset();
    void Turn();
    void RequestFrame();

    CMainFrame* m_pFrame;
    QOpenGLWindow* m_pSurface = nullptr;
    std::mt19937 m_random;
    std::int32_t m_nLeft;
    QStringList m_presets;
    Done m_done;
    std::vector<QAction*> m_toggles;
    std::map<QString, std::int32_t> m_counts;
    bool m_bBusy = false;
    bool m_bStarted = false;
};
