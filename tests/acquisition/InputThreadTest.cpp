#include "acquisition/InputThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "PipelineHarness.h"
#include "ScriptedBackend.h"
#include "WavTestFiles.h"
#include "acquisition/AudioRecorder.h"
#include "acquisition/CaptureDevice.h"
#include "acquisition/SampleExchange.h"
#include "acquisition/WavFileSource.h"
#include "analysis/RunState.h"
#include "app/DebugLog.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using pipelinetest::Eventually;

bool TraceContains(std::size_t since, const std::string& message) {
    return CTraceLog::Instance().Text().find(message, since) != std::string::npos;
}

void SetUpStore(CRunState& store) {
    store.SetCaptureFormat({44100.0, 16, 2, 2, CHANNEL_SUM, 0});
    store.SetDisplayRange({1.0, 10000.0, 9999.0, 0.0, 1.0, false});
    store.SetCaptureFlags(0);
}

// The analysis side reduced to what the input thread sees of it: a taker
// that takes one block per permit, so a test decides how far it lags.
class CGatedConsumer {
public:
    explicit CGatedConsumer(CSampleExchange& exchange)
        : m_thread([this, &exchange] { Run(exchange); }) {}
    ~CGatedConsumer() {
        GrantForever();
        m_thread.join();
    }
    void Grant(int permits) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nPermits += permits;
        m_cv.notify_all();
    }
    void GrantForever() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bUnlimited = true;
        m_cv.notify_all();
    }
    int Taken() const { return m_nTaken.load(); }
    bool SawEmptyBlock() const { return m_bEmpty.load(); }
    int FirstCount() const { return m_nFirstCount.load(); }

private:
    void Run(CSampleExchange& exchange) {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [this] { return m_bUnlimited || m_nPermits > 0; });
                if (!m_bUnlimited) {
                    --m_nPermits;
                }
            }
            const std::int32_t frames = exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
            if (m_nTaken.fetch_add(1) == 0) {
                m_nFirstCount = frames;
            }
            if (frames == 0) {
                m_bEmpty = true;
                return;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_nPermits = 0;
    bool m_bUnlimited = false;
    std::atomic<int> m_nTaken{0};
    std::atomic<int> m_nFirstCount{-1};
    std::atomic<bool> m_bEmpty{false};
    std::thread m_thread;
};

class CCollectingRecorder : public IAudioRecorder {
public:
    std::int32_t GetCaptureFlags() const override { return m_nFlags.load(); }
    std::int32_t WriteAudio(std::uint32_t bytes, const void* data,
                            std::uint32_t* pWritten) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto* samples = static_cast<const std::int16_t*>(data);
        m_samples.insert(m_samples.end(), samples, samples + bytes / 2);
        ++m_nCalls;
        *pWritten = bytes;
        return 0;
    }
    void NoteAudioGap(std::uint64_t frames) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_gaps.push_back({m_samples.size() / 2, frames});
    }

    std::size_t Frames() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples.size() / 2;
    }
    std::vector<std::int16_t> Samples() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples;
    }
    int Calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nCalls;
    }
    struct SGap {
        std::size_t atFrame;
        std::uint64_t frames;
        bool operator==(const SGap&) const = default;
    };
    std::vector<SGap> Gaps() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_gaps;
    }

    std::atomic<std::int32_t> m_nFlags{kCaptureSound};

private:
    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_samples;
    std::vector<SGap> m_gaps;
    int m_nCalls = 0;
};

// The input thread over a scripted device whose chunks the test writes.
class InputThread : public ::testing::Test {
protected:
    static constexpr std::int32_t kN = 1024;

    void SetUp() override {
        SetUpStore(m_store);
        m_script = std::make_shared<capturetest::SScript>();
        ASSERT_TRUE(InitCapture(kN, std::make_unique<capturetest::CScriptedBackend>(m_script)));
        ASSERT_TRUE(StartCapture());
    }
    void TearDown() override {
        StopThread();
        ReleaseCapture();
    }

    void StartThread(IAudioRecorder* recorder) {
        m_store.SetInputThreadState(kThreadRun);
        SInputParams params{&m_exchange, &m_store, recorder};
        m_thread = std::thread([params] { InputThreadProc(params); });
    }
    // Requests the stop and lets the consumer drain; the thread must end.
    void StopThread() {
        if (!m_thread.joinable()) {
            return;
        }
        m_store.SetInputThreadState(kThreadStopRequested);
        m_consumer.GrantForever();
        m_thread.join();
        EXPECT_EQ(m_store.GetInputThreadState(), kThreadNotRunning);
    }
    // Writes whole chunks of the index ramp, continuing where the last
    // write ended.
    void WriteChunks(int chunks) {
        const auto frames = wavtest::IndexRamp(m_nWritten, std::int64_t{chunks} * kN);
        m_script->ring->Write(frames.data(), frames.size() / 2);
        m_nWritten += std::int64_t{chunks} * kN;
    }
    bool WaitUntilLocked(std::int64_t sequence) {
        return Eventually([&] { return LockedChunkSequence() == sequence; });
    }

    CRunState m_store;
    CSampleExchange m_exchange{kN, 44100.0, &m_store};
    CGatedConsumer m_consumer{m_exchange};
    std::shared_ptr<capturetest::SScript> m_script;
    std::thread m_thread;
    std::int64_t m_nWritten = 0;
};

TEST_F(InputThread, StopBeforeTheFirstReadStillShutsDownAndSendsTheEmptyBlock) {
    const std::size_t since = CTraceLog::Instance().Text().size();
    m_store.SetInputThreadState(kThreadStopRequested);
    SInputParams params{&m_exchange, &m_store, nullptr};
    std::thread thread([params] { InputThreadProc(params); });
    m_consumer.GrantForever();
    thread.join();
    EXPECT_EQ(m_store.GetInputThreadState(), kThreadNotRunning);
    ASSERT_TRUE(Eventually([&] { return m_consumer.SawEmptyBlock(); }));
    EXPECT_EQ(m_consumer.FirstCount(), 0) << "the first block taken is the empty one";
    EXPECT_FALSE(IsCapturing());
    EXPECT_TRUE(m_script->destroyed) << "the device was released";
    EXPECT_TRUE(TraceContains(since, "Input Thread spawned\r\n"));
    EXPECT_TRUE(TraceContains(since, "Input Thread Gone\r\n"));
}

TEST_F(InputThread, EachCompletedChunkIsPutAsOneBlock) {
    m_consumer.GrantForever();
    StartThread(nullptr);
    for (int i = 1; i <= 3; ++i) {
        WriteChunks(1);
        ASSERT_TRUE(Eventually([&] { return m_consumer.Taken() == i; }));
    }
    // The block holds the chunk's levels: the ramp's last frame is the
    // largest left value.
    EXPECT_EQ(m_store.GetStereoLevels().nLeftMax, static_cast<std::int16_t>(3 * kN - 1));
    StopThread();
    EXPECT_TRUE(Eventually([&] { return m_consumer.SawEmptyBlock(); }));
}

TEST_F(InputThread, AFailedLockIsTracedAndNothingIsPut) {
    m_consumer.GrantForever();
    StartThread(nullptr);
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] { return m_consumer.Taken() == 1; }));
    ASSERT_TRUE(Eventually([&] { return !m_script->ring->IsLocked(); }));

    // Someone else holds the buffer's lock when the next chunk completes.
    const std::size_t since = CTraceLog::Instance().Text().size();
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t s1 = 0;
    std::uint32_t s2 = 0;
    ASSERT_TRUE(LockChunk(&p1, &s1, &p2, &s2));
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] {
        return TraceContains(since, "InputThread 68: Couldn't get sound buffer lock\r\n");
    }));
    EXPECT_TRUE(TraceContains(since, "Failed to lock sound buffer: 1\r\n"));
    EXPECT_EQ(m_consumer.Taken(), 1);
    UnlockChunk(p1, s1, p2, s2);

    WriteChunks(1);
    EXPECT_TRUE(Eventually([&] { return m_consumer.Taken() == 2; })) << "the loop goes on";
}

TEST_F(InputThread, RecordingGetsEveryFrameOnceInOrderWhileTheAnalysisLags) {
    CCollectingRecorder recorder;
    m_store.SetCaptureFlags(kCaptureSound);
    StartThread(&recorder);

    // Chunk 0 goes straight into the empty exchange and is recorded.
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] { return recorder.Frames() == kN; }));
    ASSERT_TRUE(Eventually([&] { return !m_script->ring->IsLocked(); }));
    // Chunk 1 waits in the put (nobody took chunk 0) while 2, 3, 4 arrive.
    WriteChunks(1);
    ASSERT_TRUE(WaitUntilLocked(1));
    WriteChunks(3);
    EXPECT_EQ(m_script->ring->FramesDropped(), 0u);
    m_consumer.Grant(1);
    ASSERT_TRUE(Eventually([&] { return recorder.Frames() == 5 * kN; }));
    // The analysis is on the newest chunk, 4, and stuck in its put again.
    ASSERT_TRUE(WaitUntilLocked(4));

    // Now six chunks arrive while it waits: three fit beside the locked and
    // unrecorded chunks, the rest is lost.
    WriteChunks(6);
    EXPECT_EQ(m_script->ring->FramesDropped(), 3u * kN);
    m_consumer.Grant(1);
    ASSERT_TRUE(Eventually([&] { return recorder.Frames() == 8 * kN; }));
    EXPECT_TRUE(recorder.Gaps().empty()) << "the loss comes after these chunks";

    m_consumer.GrantForever();
    const std::size_t since = CTraceLog::Instance().Text().size();
    WriteChunks(2);
    ASSERT_TRUE(Eventually([&] { return recorder.Frames() == 10 * kN; }));
    EXPECT_TRUE(TraceContains(since, "Capture buffer overrun, 3072 frames not recorded\r\n"));
    StopThread();

    // Recorded = offered minus exactly the dropped stretch, in order.
    std::vector<std::int16_t> expected = wavtest::IndexRamp(0, 8 * kN);
    const auto after = wavtest::IndexRamp(11 * kN, 2 * kN);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(recorder.Samples(), expected);
    const std::vector<CCollectingRecorder::SGap> gaps = {{8u * kN, 3u * kN}};
    EXPECT_EQ(recorder.Gaps(), gaps);
    EXPECT_EQ(recorder.Calls(), 10) << "one WriteAudio per chunk: the second region is empty";
}

TEST_F(InputThread, ChunksCompletedJustBeforeTheStopAreStillRecorded) {
    CCollectingRecorder recorder;
    m_store.SetCaptureFlags(kCaptureSound);
    m_consumer.GrantForever();
    StartThread(&recorder);
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] { return recorder.Frames() == kN; }));
    WriteChunks(2);
    StopThread();
    EXPECT_EQ(recorder.Samples(), wavtest::IndexRamp(0, 3 * kN));
}

TEST_F(InputThread, NothingIsRecordedUnlessBothStoreAndSessionSayAudio) {
    CCollectingRecorder recorder;
    m_consumer.GrantForever();
    StartThread(&recorder);
    recorder.m_nFlags = kCaptureSound;
    m_store.SetCaptureFlags(kCaptureScreen);
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] { return m_consumer.Taken() == 1; }));
    recorder.m_nFlags = kCaptureScreen;
    m_store.SetCaptureFlags(kCaptureSound | kCaptureScreen);
    WriteChunks(1);
    ASSERT_TRUE(Eventually([&] { return m_consumer.Taken() == 2; }));
    StopThread();
    EXPECT_EQ(recorder.Calls(), 0);
}

// The whole pipeline over the WAV file source, started and stopped as the
// view does.
class FilePipeline : public ::testing::Test {
protected:
    static constexpr std::int32_t kN = 2048;
    static constexpr std::int32_t kH = 360;
    static constexpr double kToneHz = 1000.0;
    static constexpr double kAmplitude = 16384.0;

    void TearDown() override {
        m_pipeline.TimedStop();
        ReleaseCapture();
    }
    std::string WriteToneFile() {
        const auto path = (m_dir / "tone.wav").string();
        wavtest::WriteFile(path, wavtest::SimpleWav(wavtest::SFormat{},
                                                    wavtest::Tone(kToneHz, kAmplitude, 44100)));
        return path;
    }
    void ExpectStopWithinASecond() {
        EXPECT_LT(m_pipeline.TimedStop(), 1000ms);
        EXPECT_TRUE(m_pipeline.AllEnded());
    }

    wavtest::CTempDir m_dir;
    pipelinetest::CPipelineHarness m_pipeline{kN, kH};
};

TEST_F(FilePipeline, AToneFromTheFilePeaksInItsColumnAndFillsTheLevelHistories) {
    ASSERT_TRUE(InitCapture(kN, std::make_unique<CWavFileSource>(WriteToneFile())));
    ASSERT_TRUE(m_pipeline.Start());
    ASSERT_TRUE(Eventually([&] { return m_pipeline.BlocksAnalysed() >= 3; }));

    const std::vector<std::uint8_t> row = m_pipeline.NewestRow();
    const auto peak = pipelinetest::CPipelineHarness::PeakColumn(row);
    EXPECT_EQ(peak, m_pipeline.ToneColumn(kToneHz));
    EXPECT_GT(row[static_cast<std::size_t>(peak)], 0);

    // A block of the sine holds a sample within half a sample period of its
    // crest; every history shows that amplitude.
    const double highest = kAmplitude / 32767.0;
    const double lowest = kAmplitude * std::cos(std::numbers::pi * kToneHz / 44100.0) / 32767.0;
    for (int which : {1, 3, 5}) {
        const double max = m_pipeline.NewestLevel(which);
        EXPECT_GE(max, lowest - 1e-9) << which;
        EXPECT_LE(max, highest + 1e-9) << which;
        const double min = m_pipeline.NewestLevel(which - 1);
        EXPECT_LE(min, -lowest + 1e-9) << which;
        EXPECT_GE(min, -highest - 2.0 / 32767.0) << which;
    }
    ExpectStopWithinASecond();
}

TEST_F(FilePipeline, StopWhilePausedEndsAllThreadsWithinASecond) {
    ASSERT_TRUE(InitCapture(kN, std::make_unique<CWavFileSource>(WriteToneFile())));
    ASSERT_TRUE(m_pipeline.Start());
    ASSERT_TRUE(Eventually([&] { return m_pipeline.BlocksAnalysed() >= 1; }));
    StopCapture();
    std::this_thread::sleep_for(150ms);
    ExpectStopWithinASecond();
}

TEST_F(FilePipeline, StopWhilePausedNeedsNoRestartOfCapture) {
    ASSERT_TRUE(InitCapture(kN, std::make_unique<CWavFileSource>(WriteToneFile())));
    ASSERT_TRUE(m_pipeline.Start(false));
    ASSERT_TRUE(Eventually([&] { return m_pipeline.BlocksAnalysed() >= 1; }));
    StopCapture();
    std::this_thread::sleep_for(100ms);
    const int before = m_pipeline.BlocksAnalysed();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_pipeline.BlocksAnalysed(), before) << "a paused device delivers no blocks";
    ExpectStopWithinASecond();
}

TEST_F(FilePipeline, WithoutASoundSourceThePipelineStillStopsWithinASecond) {
    const auto path = (m_dir / "absent.wav").string();
    ASSERT_FALSE(InitCapture(kN, std::make_unique<CWavFileSource>(path)));
    EXPECT_NE(GetCaptureError().find(path), std::string::npos);
    ASSERT_TRUE(m_pipeline.Start());
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(m_pipeline.BlocksAnalysed(), 0);
    ExpectStopWithinASecond();
}

TEST_F(FilePipeline, StopRightAfterTheStartEndsAllThreadsWithinASecond) {
    ASSERT_TRUE(InitCapture(kN, std::make_unique<CWavFileSource>(WriteToneFile())));
    ASSERT_TRUE(m_pipeline.Start());
    ExpectStopWithinASecond();
}

} // namespace
