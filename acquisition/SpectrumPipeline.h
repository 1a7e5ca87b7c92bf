// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition pipeline as one object: capture device → input thread →
// sample exchange → analysis thread → history buffers, plus the screenshot
// thread that runs beside them. The window, the headless tool and the tests
// all build it here, so the wiring exists once.
//
// Owns: the sample exchange (N frames at kSampleRate), the history buffers
// (H, K, R), and the three worker threads (CWorkerThreads). It does not own
// the capture device (InitCapture / ReleaseCapture stay with the caller, who
// may set the device up before or after constructing this), the store, the
// recorder or whatever the screenshot body uses: all of them must outlive it.
//
// Construction registers the buffers in the store (history and surface
// geometry, buffer pointers) and sets the three thread words to -1. The
// caller's settings that the analysis reads (capture format, display range)
// are the caller's to put in the store.
//
// Threads: every member function runs on the thread that owns the pipeline
// (the user-interface thread in the window). The input thread runs
// InputThreadProc over the exchange, the store and the recorder; the analysis
// thread runs RenderThreadProc over the exchange and the buffers; the
// screenshot thread runs the caller's body.
//
// Start: OnTick is the main loop's tick from the fifth on. The first starts
// capture, then calls onRunStart, then starts the input thread; the next
// starts the analysis and screenshot threads; later ones start nothing.
// Stop (also run by the destructor, before anything the threads use goes):
// a paused capture is started so that the waiting input thread sees its stop
// request at once, the input and screenshot threads are asked to stop, each
// word is polled until it reads -1 (input, analysis, screenshot), and every
// started thread is joined. The input thread's final empty block ends the
// analysis thread. See analysis/WorkerThreads.h for the details.
#pragma once

#include <cstdint>
#include <functional>

#include "acquisition/InputThread.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/SampleExchange.h"
#include "analysis/WorkerThreads.h"

class CRunState;
class IAudioRecorder;

struct SPipelineSetup {
    std::int32_t nBlockSize = 0;     // N: a power of two, 1024..32768
    std::int32_t nHistoryLength = 0; // H: waterfall width and depth
    std::int32_t nSurfaceCols = 0;   // K
    std::int32_t nSurfaceRows = 0;   // R
    // Gets every captured chunk on the input thread while its recording bits
    // are set; null: nothing is recorded.
    IAudioRecorder* pRecorder = nullptr;
    // Called on the owner's thread once the first run's capture start has
    // been tried (CaptureStarted says whether it worked), just before the
    // input thread starts (the window flags the run and stamps its start
    // here, or reports why it could not).
    std::function<void()> onRunStart = nullptr;
    // The screenshot thread's body; it must set the store's screenshot word
    // to -1 as its last act, once the word leaves 1. Empty: the thread only
    // waits for its stop request (there is no screen to take).
    std::function<void()> screenshotThread = nullptr;
    // Off, the stop leaves a paused capture paused; the input thread then
    // sees its stop request within one chunk wait slice.
    bool bStartPausedCaptureOnStop = true;
};

class CSpectrumPipeline {
public:
    CSpectrumPipeline(CRunState& store, SPipelineSetup setup);
    ~CSpectrumPipeline() = default; // the threads are stopped first (member order)
    CSpectrumPipeline(const CSpectrumPipeline&) = delete;
    CSpectrumPipeline& operator=(const CSpectrumPipeline&) = delete;

    // One main-loop tick from the fifth on; says what it started.
    CWorkerThreads::EStarted OnTick() { return m_threads.OnTick(); }
    // The stop protocol; idempotent. Nothing starts afterwards.
    void Stop() { m_threads.Stop(); }

    // Whether the first tick's StartCapture succeeded (false before it).
    bool CaptureStarted() const { return m_bCaptureStarted; }
    // The buffers, for readers that do not go through the store's pointers.
    // The accessors return fixed pointers; read with the HistoryLoad* helpers.
    CHistoryBuffers& History() { return m_history; }

private:
    SWorkerHooks Hooks(SPipelineSetup& setup);

    CRunState& m_store;
    bool m_bCaptureStarted = false;
    CSampleExchange m_exchange;
    CHistoryBuffers m_history;
    SInputParams m_inputParams;
    // Last: destroyed (and so stopped) before anything the threads use.
    CWorkerThreads m_threads;
};
