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

// Hands the recorder every completed chunk once, in order, starting with the
// chunk that was locked when recording began. The chunks not yet recorded
// are retained in the capture buffer, so the source drops new sound rather
// than overwrite them; such drops arrive as "lost before" counts.
class CRecordingCursor {
public:
    bool IsActive() const { return m_nNext >= 0; }

    void Record(IAudioRecorder& recorder) {
        if (m_nNext < 0) {
            m_nNext = LockedChunkSequence();
            if (m_nNext < 0) {
                return; // nothing captured yet
            }
            m_bFirst = true;
            RetainChunksFrom(m_nNext);
        }
        for (;;) {
            CCaptureRing::SChunk chunk;
            const auto state = GetCapturedChunk(m_nNext, chunk);
            if (state == CCaptureRing::EChunkState::NotYet) {
                break;
            }
            if (state == CCaptureRing::EChunkState::Gone) {
                // Retention should make this impossible; account for it all
                // the same rather than skip silently.
                ReportGap(recorder, 0, true);
            } else {
                if (!m_bFirst && chunk.nLostBefore > 0) {
                    ReportGap(recorder, chunk.nLostBefore, false);
                }
                std::uint32_t written = 0;
                recorder.WriteAudio(chunk.nBytes, chunk.pData, &written);
            }
            m_bFirst = false;
            ++m_nNext;
            RetainChunksFrom(m_nNext);
        }
    }

    void Stop() {
        if (m_nNext >= 0) {
            RetainChunksFrom(CCaptureRing::kNoRetention);
            m_nNext = -1;
        }
    }

private:
    static void ReportGap(IAudioRecorder& recorder, std::uint64_t frames, bool wholeChunk) {
        if (wholeChunk) {
            DebugLog("%s %d: Sound recording lost a capture chunk\r\n", kSourceName, __LINE__);
            return;
        }
        DebugLog("%s %d: Capture buffer overrun, %llu frames not recorded\r\n", kSourceName,
                 __LINE__, static_cast<unsigned long long>(frames));
        recorder.NoteAudioGap(frames);
    }

    std::int64_t m_nNext = -1; // next sequence to record; -1 not recording
    bool m_bFirst = false;
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
