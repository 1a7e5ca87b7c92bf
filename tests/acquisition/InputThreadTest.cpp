// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/InputThread.h"

#include <mutex>

#include "AcquisitionTestSupport.h"
#include "acquisition/AudioRecorder.h"
#include "acquisition/WavFileSource.h"
#include "analysis/SampleExchange.h"

namespace {

using namespace acqtest;

// Collects what the input thread records; read without the lock once the
// thread has ended.
struct SRecorder : IAudioRecorder, SRecorded {
    std::int32_t GetCaptureFlags() const override { return flags; }
    std::int32_t WriteAudio(std::uint32_t bytes, const void* data,
                            std::uint32_t* written) override {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto* s = static_cast<const std::int16_t*>(data);
        frames.insert(frames.end(), s, s + bytes / 2);
        *written = bytes;
        return 0;
    }
    void NoteAudioGap(std::uint64_t lost) override { losses.emplace_back(frames.size() / 2, lost); }
    std::size_t Frames() {
        const std::lock_guard<std::mutex> lock(mutex);
        return frames.size() / 2;
    }

    std::atomic<std::int32_t> flags{kCaptureSound}; // the session's recording bits
    std::mutex mutex;
};

// The input thread over a scripted device whose chunks the test writes; the
// test itself is the analysis side, taking blocks when it chooses.
class InputThread : public ::testing::Test {
protected:
    static constexpr std::int32_t kN = 1024;

    void SetUp() override {
        m_store.SetCaptureFormat(kDefaultCaptureFormat);
        ASSERT_TRUE(InitCapture(kN, std::make_unique<CScriptedBackend>(m_script)));
        ASSERT_TRUE(StartCapture());
    }
    void TearDown() override {
        StopThread();
        ReleaseCapture();
    }
    // Requests the stop and takes blocks until the empty one.
    void StopThread() {
        if (m_thread.joinable()) {
            m_store.SetInputThreadState(kThreadStopRequested);
            while (Take() != 0) {
            }
            m_thread.join();
            EXPECT_EQ(m_store.GetInputThreadState(), kThreadNotRunning);
        }
    }
    // The store's capture flags decide whether the thread records.
    void StartThread(std::int32_t state, std::int32_t captureFlags = 0) {
        m_store.SetInputThreadState(state);
        m_store.SetCaptureFlags(captureFlags);
        m_thread = std::thread([this] { InputThreadProc({&m_exchange, &m_store, &m_recorder}); });
    }
    std::int32_t Take() { return m_exchange.TakeBlock(); }
    // Whole chunks of the index ramp, continuing where the last ones ended.
    void WriteChunks(int chunks) {
        WriteRamp(*m_script->ring, m_nWritten, std::int64_t{chunks} * kN);
        m_nWritten += std::int64_t{chunks} * kN;
    }
    // Starts recording; chunk 0 goes into the empty exchange and chunk 1
    // then waits in the put, as nobody took chunk 0.
    void RecordUntilStuckInThePut() {
        StartThread(kThreadRun, kCaptureSound);
        WriteChunks(1);
        ASSERT_TRUE(Eventually([&] { return m_recorder.Frames() == kN; }));
        ASSERT_TRUE(Eventually([&] { return !m_script->ring->IsLocked(); }));
        WriteChunks(1);
        ASSERT_TRUE(Eventually([&] { return LockedChunkSequence() == 1; }));
    }
    // Lets the previous chunk's lock go, then holds the device's lock here.
    bool LockAfterRelease() {
        return Eventually([&] { return !m_script->ring->IsLocked(); }) &&
               LockChunk(&m_p[0], &m_s[0], &m_p[1], &m_s[1]);
    }

    CRunState m_store;
    SRecorder m_recorder; // outlives the thread even when a test ends early
    CSampleExchange m_exchange{kN, kSampleRate, &m_store};
    std::shared_ptr<SScript> m_script = std::make_shared<SScript>();
    std::thread m_thread;
    std::int64_t m_nWritten = 0;
    void* m_p[2] = {}; // the regions of a lock the test takes itself
    std::uint32_t m_s[2] = {};
};

TEST_F(InputThread, StopBeforeTheFirstReadReleasesTheDeviceAndPutsOnlyTheEmptyBlock) {
    WriteChunks(1); // an iteration would put it
    StartThread(kThreadStopRequested);
    EXPECT_EQ(Take(), 0);
    m_thread.join();
    EXPECT_EQ(m_store.GetInputThreadState(), kThreadNotRunning);
    EXPECT_FALSE(IsCapturing());
    EXPECT_TRUE(m_script->destroyed.load());
}

TEST_F(InputThread, AFailedLockIsTracedAndNothingIsPut) {
    StartThread(kThreadRun);
    WriteChunks(1);
    EXPECT_EQ(Take(), kN);
    const STraceMark trace; // someone else holds the lock as the next chunk completes
    ASSERT_TRUE(LockAfterRelease());
    WriteChunks(1);
    EXPECT_TRUE(Eventually(
        [&] { return trace.Count("InputThread 68: Couldn't get sound buffer lock\r\n") == 1; }));
    UnlockChunk(m_p[0], m_s[0], m_p[1], m_s[1]);
    WriteChunks(1);
    // The next block is the chunk after the failure: its ramp ends at 3N - 1.
    EXPECT_EQ(Take(), kN);
    EXPECT_EQ(m_exchange.GetTakenStereoLevels().nLeftMax, 3 * kN - 1);
}

TEST_F(InputThread, RecordingGetsEveryFrameOnceInOrderWhileTheAnalysisLags) {
    ASSERT_NO_FATAL_FAILURE(RecordUntilStuckInThePut());
    WriteChunks(3); // while chunk 1 waits
    Take();
    ASSERT_TRUE(Eventually([&] { return m_recorder.Frames() == 5 * kN; }));
    // The analysis skips to the newest chunk, 4, and waits again while six
    // arrive: three fit beside it in the display's buffer, three do not, but
    // the recording keeps them all.
    ASSERT_TRUE(Eventually([&] { return LockedChunkSequence() == 4; }));
    WriteChunks(6);
    EXPECT_EQ(m_script->ring->FramesDropped(), 3u * kN);
    Take();
    ASSERT_TRUE(Eventually([&] { return m_recorder.Frames() == 11 * kN; }));
    const STraceMark trace;
    WriteChunks(2);
    StopThread(); // the stop comes while the input thread still waits in its put

    EXPECT_EQ(trace.Count("frames not recorded"), 0);
    EXPECT_EQ(m_recorder.ExpectMatchesRamp(), 13 * kN);
    EXPECT_TRUE(m_recorder.losses.empty());
}

// The input thread stuck in its put while the source delivers more than the
// recording queue holds: everything up to the bound is recorded, the rest
// is one traced loss of exactly its length, and recording goes on after it.
TEST_F(InputThread, ARecordingLateBeyondItsBufferTracesTheExactLossAndGoesOn) {
    constexpr std::int64_t kHeld = CCaptureRing::kRecordingFrames;
    constexpr std::int64_t kLate = kHeld / kN + 8; // chunks while stuck, past the bound
    ASSERT_NO_FATAL_FAILURE(RecordUntilStuckInThePut());
    WriteChunks(static_cast<int>(kLate)); // chunk 1 is queued already
    const std::int64_t lost = (1 + kLate) * kN - kHeld;
    const STraceMark trace;
    Take();
    ASSERT_TRUE(
        Eventually([&] { return m_recorder.Frames() == static_cast<std::size_t>(kN + kHeld); }));
    WriteChunks(2);
    StopThread();

    EXPECT_EQ(
        trace.Count("Capture buffer overrun, " + std::to_string(lost) + " frames not recorded\r\n"),
        1);
    EXPECT_EQ(m_recorder.ExpectMatchesRamp(), (4 + kLate) * kN);
    EXPECT_EQ(m_recorder.losses,
              (decltype(m_recorder.losses){{static_cast<std::size_t>(kN + kHeld), lost}}));
}

TEST_F(InputThread, ChunksCompletedAsTheStopArrivesAreStillRecorded) {
    StartThread(kThreadRun, kCaptureSound);
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] { return m_recorder.Frames() == kN; }));
    ASSERT_TRUE(LockAfterRelease()); // so the loop cannot record the next two chunks
    WriteChunks(2);
    StopThread();
    EXPECT_EQ(m_recorder.frames, IndexRamp(0, 3 * kN));
}

TEST_F(InputThread, NothingIsRecordedUnlessBothStoreAndSessionSayAudio) {
    m_recorder.flags = kCaptureScreen;
    StartThread(kThreadRun, kCaptureSound);
    WriteChunks(1);
    EXPECT_EQ(Take(), kN);
    m_store.SetCaptureFlags(kCaptureScreen);
    // One more chunk through the loop: the iteration after it reads the store anew.
    WriteChunks(1);
    EXPECT_EQ(Take(), kN);
    ASSERT_TRUE(Eventually([&] { return !m_script->ring->IsLocked(); }));
    m_recorder.flags = kCaptureSound;
    WriteChunks(1);
    EXPECT_EQ(Take(), kN);
    StopThread();
    EXPECT_TRUE(m_recorder.frames.empty());
}

// The whole pipeline over the WAV file source, started and stopped as the
// view does.
class FilePipeline : public ::testing::Test {
protected:
    static constexpr std::int32_t kN = 2048;
    static constexpr double kToneHz = 1000.0;
    static constexpr double kAmplitude = 16384.0;

    void TearDown() override { ReleaseCapture(); }
    const CTempDir m_dir;
    const std::string m_strTone =
        m_dir.Write("tone.wav", Wav(Tone(kToneHz, kAmplitude, kSampleRate)));
};

// Running, the file's tone peaks in its column; stopping ends every thread
// within a second whatever state the run is in, even before the analysis
// thread takes the input thread's blocks.
TEST_F(FilePipeline, AToneFromTheFileIsAnalysedAndStopEndsAllThreadsWithinASecondInEveryState) {
    const struct {
        const char* state;
        bool source, restartCaptureOnStop, paused;
        int ticks;
    } cases[] = {
        {"running", true, true, false, 3},
        {"paused", true, true, true, 3},
        {"paused, left paused by the stop", true, false, true, 3},
        {"without a sound source", false, true, false, 3},
        {"before any tick", true, true, false, 0},
        {"between the two ticks", true, true, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        CPipelineHarness pipeline(kN, 360);
        const std::string path = c.source ? m_strTone : m_dir.Path() + "/absent.wav";
        ASSERT_EQ(InitCapture(kN, std::make_unique<CWavFileSource>(path)), c.source);
        ASSERT_TRUE(pipeline.Start(c.restartCaptureOnStop, c.ticks));
        if (c.ticks == 1) { // the second block waits for a taker
            ASSERT_TRUE(Eventually([] { return LockedChunkSequence() >= 1; }));
        }
        if (c.source && !c.paused && c.ticks > 1) {
            ASSERT_TRUE(pipeline.WaitForBlocks(3));
            EXPECT_EQ(pipeline.PeakColumn(), pipeline.ToneColumn(kToneHz));
            EXPECT_NEAR(pipeline.NewestLevel(5), kAmplitude / 32767.0, 0.01); // right max
        }
        if (c.paused) {
            ASSERT_TRUE(pipeline.WaitForBlocks(1));
            StopCapture();
            // The input thread lets its last chunk go and waits for one that
            // does not come.
            ASSERT_TRUE(Eventually([] { return LockedChunkSequence() < 0; }));
        }
        EXPECT_TRUE(pipeline.StopsWithin(1000ms));
        ReleaseCapture();
    }
}

} // namespace
