// The acquisition and analysis pipeline as the view runs it: the capture
// device (already initialised by the test), the input thread, the exchange,
// the analysis thread and the history buffers, started by the worker-thread
// ticks and stopped by their stop protocol.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "acquisition/CaptureDevice.h"
#include "acquisition/InputThread.h"
#include "acquisition/SampleExchange.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/RunState.h"
#include "app/WorkerThreads.h"

namespace pipelinetest {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto until = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class CPipelineHarness {
public:
    static constexpr double kFreqMin = 1.0;
    static constexpr double kFreqMax = 10000.0;

    CPipelineHarness(std::int32_t n, std::int32_t h) : m_nBlockSize(n), m_nHistoryLength(h) {
        m_store.SetCaptureFormat({44100.0, 16, 2, 2, CHANNEL_SUM, 0});
        m_store.SetDisplayRange({kFreqMin, kFreqMax, kFreqMax - kFreqMin, 0.0, 1.0, false});
        m_store.SetCaptureFlags(0);
    }

    // Starts the input thread, then the analysis and screenshot threads, as
    // the fifth and sixth timer ticks do. Without restartCaptureOnStop the
    // stop protocol leaves a paused device paused.
    bool Start(bool restartCaptureOnStop = true) {
        m_buffers.Register(m_store);
        SWorkerHooks hooks;
        hooks.beforeInputStart = [] { StartCapture(); };
        hooks.inputThread = [this] { InputThreadProc({&m_exchange, &m_store, nullptr}); };
        hooks.screenshotThread = [this] {
            while (m_store.GetScreenshotThreadState() != kThreadStopRequested) {
                std::this_thread::sleep_for(5ms);
            }
            m_store.SetScreenshotThreadState(kThreadNotRunning);
        };
        if (restartCaptureOnStop) {
            hooks.isCapturing = [] { return IsCapturing(); };
            hooks.startCapture = [] { StartCapture(); };
        }
        m_workers = std::make_unique<CWorkerThreads>(
            m_store, m_buffers.RenderParams(&m_exchange, &m_store), std::move(hooks));
        return m_workers->OnTick() == CWorkerThreads::EStarted::Input &&
               m_workers->OnTick() == CWorkerThreads::EStarted::AnalysisAndScreenshot;
    }

    int BlocksAnalysed() const {
        return (m_nHistoryLength - m_store.GetHistoryGeometry().nHistoryRow) % m_nHistoryLength;
    }

    // The newest waterfall row and the newest value of level history
    // `which` (0 min, 1 max, 2 left min, 3 left max, 4 right min, 5 right
    // max).
    std::vector<std::uint8_t> NewestRow() {
        const SHistoryGeometry g = m_store.GetHistoryGeometry();
        std::vector<std::uint8_t> row(static_cast<std::size_t>(m_nHistoryLength));
        HistoryLoadBytes(row.data(), m_buffers.Waterfall() + (g.nHistoryRow + 1) * g.nRowWidth,
                         row.size());
        return row;
    }
    double NewestLevel(int which) {
        const SHistoryGeometry g = m_store.GetHistoryGeometry();
        return HistoryLoadDouble(m_buffers.LevelHistory(which) + g.nHistoryRow + 1);
    }

    static std::ptrdiff_t PeakColumn(const std::vector<std::uint8_t>& row) {
        return std::max_element(row.begin(), row.end()) - row.begin();
    }
    // The column of the bin nearest hz, by the mapping's rule
    // (f - fmin) / fspan x width.
    std::ptrdiff_t ToneColumn(double hz) const {
        const double binWidth = 44100.0 / m_nBlockSize;
        const double binHz = std::round(hz / binWidth) * binWidth;
        return static_cast<std::ptrdiff_t>((binHz - kFreqMin) / (kFreqMax - kFreqMin) *
                                           m_nHistoryLength);
    }

    // The view's stop protocol; returns how long it took. Every control word
    // must read -1 afterwards.
    std::chrono::milliseconds TimedStop() {
        const auto start = Clock::now();
        if (m_workers) {
            m_workers->Stop();
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }
    bool AllEnded() const {
        return m_store.GetInputThreadState() == kThreadNotRunning &&
               m_store.GetRenderThreadState() == kThreadNotRunning &&
               m_store.GetScreenshotThreadState() == kThreadNotRunning;
    }

    CRunState& Store() { return m_store; }
    CHistoryBuffers& Buffers() { return m_buffers; }

private:
    std::int32_t m_nBlockSize;
    std::int32_t m_nHistoryLength;
    CRunState m_store;
    CSampleExchange m_exchange{m_nBlockSize, 44100.0, &m_store};
    CHistoryBuffers m_buffers{m_nHistoryLength, 30, 80};
    std::unique_ptr<CWorkerThreads> m_workers;
};

} // namespace pipelinetest
