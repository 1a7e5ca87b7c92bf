// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/InputThread.h"

#include "acquisition/AudioRecorder.h"
#include "acquisition/CaptureDevice.h"
#include "analysis/SampleExchange.h"
#include "base/DebugLog.h"
#include "base/RunState.h"

namespace {

constexpr const char* kSourceName = "InputThread";
// The line the lock failure has always been reported with; kept so traces
// read the same across versions.
constexpr int kLockFailureLine = 68;

// Hands the recorder every captured frame once, in order, starting with the
// chunk that was locked when recording began. The frames wait in the capture
// ring's recording queue, which holds seconds of sound, so a late input
// thread catches up instead of losing it; what the queue could not hold
// arrives as a loss of known length.
class CRecordingCursor {
public:
    bool IsActive() const { return m_bActive; }

    void Record(IAudioRecorder& recorder) {
        if (!m_bActive) {
            const std::int64_t first = LockedChunkSequence();
            if (first < 0) {
                return; // nothing captured yet
            }
            StartRecordingFrom(first);
            m_bActive = true;
        }
        for (;;) {
            const CRecordingQueue::SPiece piece = PeekRecorded();
            if (piece.nFrames == 0 && piece.nLostBefore == 0) {
                break;
            }
            if (piece.nLostBefore > 0) {
                ReportGap(recorder, piece.nLostBefore);
            }
            if (piece.nFrames > 0) {
                std::uint32_t written = 0;
                recorder.WriteAudio(static_cast<std::uint32_t>(piece.nFrames * 4), piece.pFrames,
                                    &written);
            }
            ConsumeRecorded(piece);
        }
    }

    void Stop() {
        if (m_bActive) {
            StopRecording();
            m_bActive = false;
        }
    }

private:
    static void ReportGap(IAudioRecorder& recorder, std::uint64_t frames) {
        DebugLog("%s %d: Capture buffer overrun, %llu frames not recorded\r\n", kSourceName,
                 __LINE__, static_cast<unsigned long long>(frames));
        recorder.NoteAudioGap(frames);
    }

    bool m_bActive = false;
};

bool IsRecording(std::int32_t storeFlags, const IAudioRecorder* recorder) {
    return (storeFlags & kCaptureSound) != 0 && recorder != nullptr &&
           (recorder->GetCaptureFlags() & kCaptureSound) != 0;
}

} // namespace

int InputThreadProc(const SInputParams& params) {
    CRunState& runState = *params.pRunState;
    CSampleExchange& exchange = *params.pExchange;
    IAudioRecorder* recorder = params.pRecorder;
    CRecordingCursor recording;

    std::int32_t state = runState.GetInputThreadState();
    DebugLog("Input Thread spawned\r\n");
    while (state != kThreadStopRequested) {
        const std::int32_t flags = runState.GetCaptureFlags();
        // A wait that times out only gives the stop request a look.
        if (WaitForChunk()) {
            void* region1 = nullptr;
            void* region2 = nullptr;
            std::uint32_t bytes1 = 0;
            std::uint32_t bytes2 = 0;
            if (!LockChunk(&region1, &bytes1, &region2, &bytes2)) {
                DebugLog("%s %d: Couldn't get sound buffer lock\r\n", kSourceName,
                         kLockFailureLine);
            } else {
                exchange.PutBlock(static_cast<const std::int16_t*>(region1),
                                  static_cast<std::int32_t>(bytes1 / 4),
                                  static_cast<const std::int16_t*>(region2),
                                  static_cast<std::int32_t>(bytes2 / 4));
                if (IsRecording(flags, recorder)) {
                    recording.Record(*recorder);
                } else {
                    recording.Stop();
                }
                UnlockChunk(region1, bytes1, region2, bytes2);
            }
        }
        state = runState.GetInputThreadState();
    }

    StopCapture();
    // Chunks completed since the last iteration belong to the recording too.
    if (recording.IsActive() && IsRecording(runState.GetCaptureFlags(), recorder)) {
        recording.Record(*recorder);
    }
    recording.Stop();
    ReleaseCapture();
    exchange.PutSingle(nullptr, 0);
    runState.SetInputThreadState(kThreadNotRunning);
    DebugLog("Input Thread Gone\r\n");
    return 0;
}
