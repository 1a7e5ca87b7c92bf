// SPDX-License-Identifier: GPL-3.0-or-later
// The pipeline as the view runs it, fed by the WAV file source and
// recording through a capture session: shared by the end-to-end tests and
// the recording driver they kill. Input frames carry their own index
// (IndexedFrames), so a recording can be checked for loss and repeats.
#pragma once

#include <memory>

#include "acquisition/CaptureDevice.h"
#include "acquisition/SpectrumPipeline.h"
#include "acquisition/WavFileSource.h"
#include "base/RunState.h"
#include "recording/CaptureSession.h"

namespace rectest {

// Frame i: left = i mod 2^15, right = i div 2^15 (mod 2^15), so 2^30 frames
// tell their index.
inline std::vector<std::int16_t> IndexedFrames(std::int64_t frames) {
    std::vector<std::int16_t> s;
    s.reserve(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<std::int16_t>(i & 0x7FFF));
        s.push_back(static_cast<std::int16_t>((i >> 15) & 0x7FFF));
    }
    return s;
}

inline std::int64_t FrameIndex(const std::int16_t* frame) {
    return std::int64_t{frame[0]} | (std::int64_t{frame[1]} << 15);
}

class CRecordingPipeline {
public:
    CRecordingPipeline(std::int32_t n, const std::string& inputWav) : m_nBlockSize(n) {
        m_store.SetCaptureFormat(kDefaultCaptureFormat);
        m_store.SetDisplayRange(kDefaultDisplayRange);
        m_bCapture = InitCapture(n, std::make_unique<CWavFileSource>(inputWav));
    }
    ~CRecordingPipeline() {
        if (m_pipeline)
            m_pipeline->Stop();
        ReleaseCapture();
    }

    // The fifth and sixth timer ticks: input, then analysis and screenshot.
    bool Start() {
        if (!m_bCapture)
            return false;
        m_pipeline =
            std::make_unique<CSpectrumPipeline>(m_store, SPipelineSetup{.nBlockSize = m_nBlockSize,
                                                                        .nHistoryLength = 400,
                                                                        .nSurfaceCols = 30,
                                                                        .nSurfaceRows = 80,
                                                                        .pRecorder = &m_session});
        return m_pipeline->OnTick() == CWorkerThreads::EStarted::Input &&
               m_pipeline->OnTick() == CWorkerThreads::EStarted::AnalysisAndScreenshot;
    }
    // Sets up a sound capture into wav and enables it (with any screen part
    // set up before), as Settings and Enable do; the view's tick publishes
    // the flags.
    bool Record(const std::string& wav) {
        m_session.SetFileName(CCaptureSession::kAudio, wav);
        if (!m_session.OpenAudio())
            return false;
        m_session.StartStop(true);
        m_store.SetCaptureFlags(m_session.GetCaptureFlags());
        return (m_session.GetCaptureFlags() & kCaptureSound) != 0;
    }
    // Enable again, then Close.
    void EndRecording() {
        m_session.StartStop(false);
        m_store.SetCaptureFlags(m_session.GetCaptureFlags());
        m_session.CloseSession();
    }
    CCaptureSession& Session() { return m_session; }

private:
    std::int32_t m_nBlockSize;
    bool m_bCapture = false;
    CRunState m_store;
    CCaptureSession m_session;
    // Last: its threads use the store and the session.
    std::unique_ptr<CSpectrumPipeline> m_pipeline;
};

} // namespace rectest
