// SPDX-License-Identifier: GPL-3.0-or-later
// Test instrumentation of the whole program, off unless the environment asks
// for it. With VIREON_TEST_STATE=FILE the program appends its observable
// state to FILE, one line per event, flushed at once: window geometry,
// title, the three thread words and drawing times per tick, the debug
// window's state, the close and the exit. With VIREON_TEST_SCRIPT set to
// "TICK:ACTION,..." it performs ACTION at timer tick TICK through the same
// commands a user reaches: debug (Ctrl+Alt+D), run (File > Run), timing
// (Ctrl+Alt+P), statusbar (View > Status Bar), plot=N (the Plot menu's
// plot type N), rainbow (Ctrl+Alt+R), decibel and logaxis (View > Decibel
// Scale, View > Log Frequency Axis), scale (writes both options' state),
// turn (a Ctrl + left drag over the view), grab (the view's picture to
// FILE-TICK.ppm), help (Help > Help Topics, writing the page's path instead
// of opening a browser), close (the window's close, the path File > Exit
// takes as well).
//
// For the stress and soak runs: close@MS (the close MS milliseconds into the
// tick, the threads' words written just before it), record=LIMIT (File >
// Capture > Settings... answered as a user would: the plot to
// capture-####.avi every second in the codec VIREON_TEST_CODEC names,
// mjpeg by default, the sound to capture-####.wav, each rolled over at LIMIT
// bytes unless LIMIT is 0; then Capture > Enable), enable (Capture >
// Enable), stopcapture (Capture > Close), switch=SEED:COUNT (COUNT random
// commands, app/RandomSwitcher.h, with the presets *.tpz of the current
// folder; then the close) and memory (resident memory and the trace's
// length). An item "START/EVERY:ACTION" performs ACTION at tick START and
// every EVERY ticks after it. The exit line counts the OpenGL errors in the
// trace.
//
// While a probe exists, messages for the user (ReportMessage) are written as
// "message level=N text=..." lines (line ends as spaces) instead of boxes, so
// a run never waits for a click.
//
// Times are CLOCK_MONOTONIC milliseconds, comparable across processes.
// User-interface thread only.
#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CMainFrame;
class QWidget;

class CTestProbe {
public:
    // Null unless VIREON_TEST_STATE is set (and the file can be opened).
    static CTestProbe* CreateFromEnvironment();
    ~CTestProbe();

    void Attach(CMainFrame* frame);
    void OnTick(std::int32_t tick);
    void OnExit();

    static std::int64_t MonotonicMs();

    // Answers the next modal window the way answer does (it returns false
    // for a window that is not the one it expects), as soon as one shows
    // within a few seconds; for the commands that ask the user.
    static void AnswerNextModal(std::function<bool(QWidget* modal)> answer);

private:
    explicit CTestProbe(std::FILE* file);
    void Write(const QString& line);
    void WriteGeometry();
    void WriteThreads(const char* event, std::int32_t tick);
    void WriteDebugState();
    void Perform(const QString& action, std::int32_t tick);
    void Close(std::int32_t tick);
    void Record(std::int32_t tick, std::int32_t sizeLimit);
    void StartSwitching(std::int32_t tick, const QString& spec);
    void WriteMemory(std::int32_t tick);
    static void OnMessage(int level, const std::string& text);

    std::FILE* m_pFile;
    QString m_strPath;
    CMainFrame* m_pFrame = nullptr;
    std::multimap<std::int32_t, QString> m_script;
    struct SRepeat {
        std::int32_t nStart, nEvery;
        QString action;
    };
    std::vector<SRepeat> m_repeats;
    static inline CTestProbe* s_pInstance = nullptr;
};
