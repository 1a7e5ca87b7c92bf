// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/WorkerThreads.h"

#include <utility>

#include "analysis/SampleExchange.h"
#include "base/RunState.h"
#include "base/Tunables.h"

namespace {

// A thread whose word reads -1 has done its last act; joining it returns
// promptly and frees the object for a new start.
void JoinIfStarted(std::thread& thread) {
    if (thread.joinable())
        thread.join();
}

void Start(std::thread& thread, std::atomic<bool>& ended, std::function<void()> body) {
    JoinIfStarted(thread);
    ended = false;
    thread = std::thread([&ended, body = std::move(body)] {
        if (body)
            body();
        ended = true;
    });
}

// Waits for a started thread's word to read -1; a body that returned without
// setting it cannot hold the close up either.
template <typename Get>
void PollUntilEnded(const std::thread& thread, const std::atomic<bool>& ended, Get word) {
    if (!thread.joinable())
        return;
    while (word() != kThreadNotRunning && !ended)
        std::this_thread::sleep_for(kStopPoll);
}

} // namespace

CWorkerThreads::CWorkerThreads(CRunState& runState, const SRenderParams& renderParams,
                               SWorkerHooks hooks)
    : m_runState(runState), m_renderParams(renderParams), m_hooks(std::move(hooks)) {
    m_runState.SetInputThreadState(kThreadNotRunning);
    m_runState.SetRenderThreadState(kThreadNotRunning);
    m_runState.SetScreenshotThreadState(kThreadNotRunning);
}

CWorkerThreads::~CWorkerThreads() {
    Stop();
}

CWorkerThreads::EStarted CWorkerThreads::OnTick() {
    if (m_bClosing)
        return EStarted::Nothing;

    if (m_runState.GetInputThreadState() == kThreadNotRunning) {
        m_runState.SetInputThreadState(kThreadRun);
        if (m_hooks.beforeInputStart)
            m_hooks.beforeInputStart();
        Start(m_inputThread, m_bInputEnded, m_hooks.inputThread);
        return EStarted::Input;
    }
    if (m_runState.GetRenderThreadState() == kThreadNotRunning) {
        m_runState.SetRenderThreadState(kThreadRun);
        const SRenderParams params = m_renderParams;
        Start(m_renderThread, m_bRenderEnded, [params] { RenderThreadProc(params); });
        // Never a second screenshot thread beside one still running.
        if (m_runState.GetScreenshotThreadState() == kThreadNotRunning) {
            m_runState.SetScreenshotThreadState(kThreadRun);
            Start(m_screenshotThread, m_bScreenshotEnded, m_hooks.screenshotThread);
        }
        return EStarted::AnalysisAndScreenshot;
    }
    return EStarted::Nothing;
}

void CWorkerThreads::Stop() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    const bool inputStarted = m_inputThread.joinable();

    // A paused input thread sits waiting for a chunk; it needs one to see
    // the stop request.
    if (inputStarted && m_hooks.isCapturing && !m_hooks.isCapturing() && m_hooks.startCapture)
        m_hooks.startCapture();

    if (inputStarted)
        m_runState.SetInputThreadState(kThreadStopRequested);
    if (m_screenshotThread.joinable())
        m_runState.SetScreenshotThreadState(kThreadStopRequested);

    // Stopped between the input thread's start and the analysis thread's:
    // nobody takes the input thread's blocks, so its next put - at the latest
    // its final empty block - would wait forever. Take them here instead;
    // the empty block always comes and ends this loop.
    if (inputStarted && !m_renderThread.joinable() && m_renderParams.pExchange != nullptr) {
        while (m_renderParams.pExchange->TakeBlock() != 0) {
        }
    }

    PollUntilEnded(m_inputThread, m_bInputEnded,
                   [this] { return m_runState.GetInputThreadState(); });
    PollUntilEnded(m_renderThread, m_bRenderEnded,
                   [this] { return m_runState.GetRenderThreadState(); });
    PollUntilEnded(m_screenshotThread, m_bScreenshotEnded,
                   [this] { return m_runState.GetScreenshotThreadState(); });

    JoinIfStarted(m_inputThread);
    JoinIfStarted(m_renderThread);
    JoinIfStarted(m_screenshotThread);
}
