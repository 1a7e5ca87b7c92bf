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
// Scale, View > Log Frequency Axis), scale (writes the display options' state),
// peak, maxhold and average=N (View > Peak Readout, View > Max Hold, View >
// Average > N Blocks, 0 for Off),
// turn (a Ctrl + left drag over the view), grab (the view's picture to
// FILE-TICK.ppm), help (Help > Help Topics, writing the page's path instead
// of opening a browser), close (the window's close, the path File > Exit
// takes as well).
//
// With VIREON_TEST_ONSETS=PERIOD:FIRST:THRESHOLD:COUNT it measures the delay
// of tone onsets in a looping input file whose onsets fall at FIRST + k *
// PERIOD frames of the captured stream: a watcher thread notes, every
// kOnsetPollUs, when the captured frame count passes the next onset (its
// arrival in the capture buffer; from a late poll, the time the source's
// real-time pace gives it, not before the poll before) and when the first
// history row whose level (the larger of |min| and |max|, full scale 1)
// reaches THRESHOLD is published (seen at R, after the poll G earlier); the
// first frame whose drawing began after that is the first to show it. One
// line per onset: "onset k=K frame=F arrivedUs=A rowUs=R rowGapUs=G level=L
// frameBeginUs=B frameEndUs=E" (steady-clock microseconds). The
// watcher ends after COUNT onsets; let it finish before the window closes,
// since it reads the history the window owns.
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
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
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
    void StartSwitching(std::int32_t tick, const QString& switching);
    void WriteMemory(std::int32_t tick);
    static void OnMessage(int level, const std::string& text);

    struct SOnsetWatch {
        std::int64_t nPeriod = 0; // frames
        std::int64_t nFirst = 0;  // frames
        double dThreshold = 0.0;
        std::int32_t nCount = 0;
    };
    struct SOnsetRow {
        std::int32_t nIndex = 0;
        std::int64_t nFrame = 0;
        std::int64_t nArrivedUs = 0;
        std::int64_t nRowUs = 0;
        std::int64_t nRowGapUs = 0; // since the poll before: the row's uncertainty
        double dLevel = 0.0;
    };
    static constexpr std::int64_t kOnsetPollUs = 500;
    // The watcher thread's body.
    void WatchOnsets(const std::stop_token& stop, SOnsetWatch watch);
    void OnFrame(std::int64_t beginUs, std::int64_t endUs);

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
    SOnsetWatch m_onsetWatch;
    std::mutex m_onsetMutex;
    std::deque<SOnsetRow> m_onsetRows; // rows found, their frame not yet drawn
    std::jthread m_onsetThread;        // last: stopped and joined first
};
