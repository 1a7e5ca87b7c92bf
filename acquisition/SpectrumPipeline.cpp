// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/SpectrumPipeline.h"

#include <thread>
#include <utility>

#include "acquisition/CaptureDevice.h"
#include "base/RunState.h"
#include "base/Tunables.h"

namespace {

// Without a screen to take the thread still runs, so that every owner goes
// through the same start and stop protocol.
void AwaitStopRequest(CRunState& store) {
    while (store.GetScreenshotThreadState() == kThreadRun)
        std::this_thread::sleep_for(kScreenshotPoll);
    store.SetScreenshotThreadState(kThreadNotRunning);
}

} // namespace

CSpectrumPipeline::CSpectrumPipeline(CRunState& store, SPipelineSetup setup)
    : m_store(store), m_exchange(setup.nBlockSize, kSampleRate, &store),
      m_history(setup.nHistoryLength, setup.nSurfaceCols, setup.nSurfaceRows),
      m_inputParams{&m_exchange, &store, setup.pRecorder},
      m_threads(store, m_history.RenderParams(&m_exchange, &store), Hooks(setup)) {
    m_history.Register(m_store);
}

SWorkerHooks CSpectrumPipeline::Hooks(SPipelineSetup& setup) {
    SWorkerHooks hooks;
    hooks.beforeInputStart = [this, onRunStart = std::move(setup.onRunStart)] {
        m_bCaptureStarted = StartCapture();
        if (onRunStart)
            onRunStart();
    };
    hooks.inputThread = [this] { InputThreadProc(m_inputParams); };
    if (setup.screenshotThread)
        hooks.screenshotThread = std::move(setup.screenshotThread);
    else
        hooks.screenshotThread = [this] { AwaitStopRequest(m_store); };
    if (setup.bStartPausedCaptureOnStop) {
        hooks.isCapturing = [] { return IsCapturing(); };
        hooks.startCapture = [] { StartCapture(); };
    }
    return hooks;
}
