// SPDX-License-Identifier: GPL-3.0-or-later
// Starts and stops the three worker threads (input, analysis, screenshot) by
// their control words in the store, as the view's timer and destruction
// require. All functions run on the user-interface thread.
//
// Start: from the fifth timer tick on, each OnTick starts at most one thing:
// the input thread while its word reads -1 (tick 5), otherwise the analysis
// and screenshot threads while the analysis word reads -1 (tick 6). Nothing is
// started once Stop has begun.
//
// Stop: start capture if it is paused (a waiting input thread must get a
// chunk to see the request), request the input and screenshot threads to
// stop, poll each word until it reads -1 (input, then analysis, then
// screenshot), then join every thread that was started. The input thread's
// final empty block is what ends the analysis thread; if the analysis thread
// was never started, Stop takes the input thread's blocks itself so that the
// input thread cannot block forever in its put. Only threads that were
// started are asked to stop and waited for (a word of a thread that never
// ran stays -1), and a poll also ends when the thread's body has returned.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "analysis/RenderThread.h"

class CRunState;

struct SWorkerHooks {
    // Called on the user-interface thread just before the input thread
    // starts, after its word was set to 1 (the view starts capture and stamps
    // the run start here).
    std::function<void()> beforeInputStart;
    // Thread bodies. Each must set its own control word to -1 as its last act.
    std::function<void()> inputThread;
    std::function<void()> screenshotThread;
    // Capture control for the stop protocol.
    std::function<bool()> isCapturing;
    std::function<void()> startCapture;
};

class CWorkerThreads {
public:
    // Sets the three control words to -1: nothing runs yet.
    CWorkerThreads(CRunState& runState, const SRenderParams& renderParams, SWorkerHooks hooks);
    ~CWorkerThreads(); // runs Stop()
    CWorkerThreads(const CWorkerThreads&) = delete;
    CWorkerThreads& operator=(const CWorkerThreads&) = delete;

    enum class EStarted { Nothing, Input, AnalysisAndScreenshot };
    // One timer tick from the fifth on.
    EStarted OnTick();
    // The stop protocol; idempotent.
    void Stop();
    bool IsClosing() const { return m_bClosing; }

private:
    CRunState& m_runState;
    SRenderParams m_renderParams;
    SWorkerHooks m_hooks;
    bool m_bClosing = false;
    std::thread m_inputThread;
    std::thread m_renderThread;
    std::thread m_screenshotThread;
    // Set by each thread after its body has returned.
    std::atomic<bool> m_bInputEnded{false};
    std::atomic<bool> m_bRenderEnded{false};
    std::atomic<bool> m_bScreenshotEnded{false};
};
