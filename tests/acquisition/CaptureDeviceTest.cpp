#include "acquisition/CaptureDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "ScriptedBackend.h"
#include "WavTestFiles.h"
#include "app/DebugLog.h"

namespace {

using namespace std::chrono_literals;
using capturetest::CScriptedBackend;
using capturetest::EFailAt;
using capturetest::SScript;

// The trace written since construction, without the time prefixes.
class CTraceSince {
public:
    CTraceSince() : m_nStart(CTraceLog::Instance().Text().size()) {}
    std::string Text() const { return CTraceLog::Instance().Text().substr(m_nStart); }
    int Count(const std::string& message) const {
        const std::string text = Text();
        int n = 0;
        for (auto at = text.find(message); at != std::string::npos;
             at = text.find(message, at + message.size())) {
            ++n;
        }
        return n;
    }

private:
    std::size_t m_nStart;
};

std::shared_ptr<SScript> Init(std::int32_t n, EFailAt failAt, bool expectSuccess) {
    auto script = std::make_shared<SScript>();
    script->failAt = failAt;
    EXPECT_EQ(InitCapture(n, std::make_unique<CScriptedBackend>(script)), expectSuccess);
    return script;
}

void WriteFrames(CCaptureRing& ring, std::int64_t first, std::int64_t count) {
    const auto frames = wavtest::IndexRamp(first, count);
    ring.Write(frames.data(), static_cast<std::size_t>(count));
}

class CaptureDevice : public ::testing::Test {
protected:
    void TearDown() override { ReleaseCapture(); }
};

TEST_F(CaptureDevice, StartUpTracesItsStepsAndTheBufferSize) {
    CTraceSince trace;
    auto script = Init(2048, EFailAt::Nothing, true);
    EXPECT_EQ(trace.Text().find("InitSoundCapture\r\n") != std::string::npos, true);
    EXPECT_EQ(trace.Count("Capture Buffer 32768\r\n"), 1);
    ASSERT_TRUE(script->ring);
    EXPECT_EQ(script->ring->BufferBytes(), 32768u);
    EXPECT_FALSE(IsCapturing());
    EXPECT_EQ(GetCaptureError(), "");
}

TEST_F(CaptureDevice, EachFailedStepTracesItsMessageAndLeavesNoDevice) {
    const struct {
        EFailAt step;
        const char* message;
    } cases[] = {
        {EFailAt::Create, "Failed to create sound capture device\r\n"},
        {EFailAt::Enumerate, "Can't enumerate sound capture\r\n"},
        {EFailAt::Caps, "Can't get sound capture caps\r\n"},
        {EFailAt::Format, "Sound Capture Doesn't Support Format!\r\n"},
        {EFailAt::Buffer, "Can't create capture buffer\r\n"},
    };
    for (const auto& c : cases) {
        CTraceSince trace;
        auto script = Init(1024, c.step, false);
        EXPECT_EQ(trace.Count(c.message), 1) << c.message;
        EXPECT_TRUE(script->destroyed) << "a failed device keeps no backend";
        EXPECT_FALSE(GetCaptureError().empty());

        // Every operation leaves the missing objects alone.
        EXPECT_FALSE(StartCapture());
        EXPECT_FALSE(IsCapturing());
        EXPECT_TRUE(StopCapture());
        EXPECT_FALSE(WaitForChunk(5ms));
        void* p1 = nullptr;
        void* p2 = nullptr;
        std::uint32_t s1 = 0;
        std::uint32_t s2 = 0;
        EXPECT_FALSE(LockChunk(&p1, &s1, &p2, &s2));
        EXPECT_EQ(trace.Count("Failed to lock sound buffer: 1\r\n"), 1);
        EXPECT_TRUE(UnlockChunk(p1, s1, p2, s2));
        EXPECT_EQ(GetCapturedFrames(), 0u);
        ReleaseCapture();
        EXPECT_EQ(script->starts, 0);
    }
}

TEST_F(CaptureDevice, WithoutADeviceTheWaitStillReturnsAfterItsTimeout) {
    Init(1024, EFailAt::Create, false);
    // The input thread relies on this to see its stop request.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(WaitForChunk(10ms));
    }
}

TEST_F(CaptureDevice, FailedStartIsTracedAndCaptureStaysOff) {
    auto script = Init(1024, EFailAt::Start, true);
    CTraceSince trace;
    EXPECT_FALSE(StartCapture());
    EXPECT_FALSE(IsCapturing());
    EXPECT_EQ(trace.Count("Can't start sound capture write\r\n"), 1);
}

TEST_F(CaptureDevice, StartStopAndReleaseReachTheBackendOnce) {
    auto script = Init(1024, EFailAt::Nothing, true);
    EXPECT_TRUE(StartCapture());
    EXPECT_TRUE(StartCapture()) << "starting a running device changes nothing";
    EXPECT_TRUE(IsCapturing());
    EXPECT_EQ(script->starts, 1);
    EXPECT_TRUE(StopCapture());
    EXPECT_FALSE(IsCapturing());
    EXPECT_TRUE(StartCapture());
    ReleaseCapture();
    EXPECT_EQ(script->starts, 2);
    EXPECT_EQ(script->stops, 2) << "release stops a running device";
    EXPECT_TRUE(script->destroyed);
    EXPECT_FALSE(StartCapture()) << "nothing restarts after release";
}

TEST_F(CaptureDevice, LockChunkTakesTheMostRecentlyCompletedChunk) {
    constexpr std::int32_t kN = 1024;
    auto script = Init(kN, EFailAt::Nothing, true);
    ASSERT_TRUE(StartCapture());
    CCaptureRing& ring = *script->ring;
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t s1 = 0;
    std::uint32_t s2 = 0;
    // Completed chunks 0..6, writer part-way into chunk 7 (ring chunk 3).
    WriteFrames(ring, 0, 7 * kN + 100);
    ASSERT_TRUE(WaitForChunk(0ms));
    ASSERT_TRUE(LockChunk(&p1, &s1, &p2, &s2));
    EXPECT_EQ(LockedChunkSequence(), 6);
    EXPECT_EQ(s1, 4u * kN);
    EXPECT_EQ(s2, 0u);
    const auto expected = wavtest::IndexRamp(6 * kN, kN);
    EXPECT_EQ(std::memcmp(p1, expected.data(), s1), 0);
    UnlockChunk(p1, s1, p2, s2);
    EXPECT_EQ(LockedChunkSequence(), -1);
    EXPECT_EQ(GetCapturedFrames(), 7u * kN + 100);
}

TEST_F(CaptureDevice, ASourceThatStopsDeliveringIsTracedOncePerStall) {
    auto script = Init(1024, EFailAt::Nothing, true);
    ASSERT_TRUE(StartCapture());
    CTraceSince trace;
    const auto until = std::chrono::steady_clock::now() + kStallTime + 400ms;
    while (std::chrono::steady_clock::now() < until) {
        WaitForChunk(50ms);
    }
    EXPECT_EQ(trace.Count("Sound capture stalled"), 1);
    WriteFrames(*script->ring, 0, 1024);
    EXPECT_TRUE(WaitForChunk(50ms));
    EXPECT_EQ(trace.Count("Sound capture resumed\r\n"), 1);
}

TEST_F(CaptureDevice, APausedSourceIsNotAStall) {
    auto script = Init(1024, EFailAt::Nothing, true);
    ASSERT_TRUE(StartCapture());
    ASSERT_TRUE(StopCapture());
    CTraceSince trace;
    const auto until = std::chrono::steady_clock::now() + kStallTime + 200ms;
    while (std::chrono::steady_clock::now() < until) {
        WaitForChunk(50ms);
    }
    EXPECT_EQ(trace.Count("Sound capture stalled"), 0);
}

} // namespace
