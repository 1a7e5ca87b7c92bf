#include "acquisition/CaptureDevice.h"

#include "AcquisitionTestSupport.h"

namespace {

using namespace std::chrono_literals;
using acqtest::EFailAt;

class CaptureDevice : public ::testing::Test {
protected:
    bool Init(EFailAt failAt) {
        script = std::make_shared<acqtest::SScript>();
        script->failAt = failAt;
        return InitCapture(1024, std::make_unique<acqtest::CScriptedBackend>(script));
    }
    void TearDown() override { ReleaseCapture(); }

    std::shared_ptr<acqtest::SScript> script;
};

TEST_F(CaptureDevice, EachFailedStartUpStepIsTracedAndLeavesLaterCallsHarmless) {
    const struct {
        EFailAt step;
        const char* message;
    } cases[] = {
        {EFailAt::Create, "Failed to create sound capture device\r\n"},
        {EFailAt::Enumerate, "Can't enumerate sound capture\r\n"},
        {EFailAt::Caps, "Can't get sound capture caps\r\n"},
        {EFailAt::Format, "Sound Capture Doesn't Support Format!\r\n"},
        {EFailAt::Buffer, "Can't create capture buffer\r\n"},
        {EFailAt::Start, "Can't start sound capture write\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const acqtest::STraceMark trace;
        const bool deviceMade = c.step == EFailAt::Start;
        EXPECT_EQ(Init(c.step), deviceMade);
        EXPECT_FALSE(StartCapture());
        EXPECT_FALSE(IsCapturing());
        EXPECT_EQ(trace.Count(c.message), 1);
        EXPECT_EQ(script->starts.load(), deviceMade ? 1 : 0);
        if (!deviceMade) {
            EXPECT_TRUE(script->destroyed.load());
            EXPECT_FALSE(GetCaptureError().empty());
            EXPECT_TRUE(StopCapture());
            EXPECT_FALSE(WaitForChunk(10ms)); // returns, so the input thread sees its stop
            void* p1 = nullptr;
            void* p2 = nullptr;
            std::uint32_t s1 = 0;
            std::uint32_t s2 = 0;
            EXPECT_FALSE(LockChunk(&p1, &s1, &p2, &s2));
            EXPECT_EQ(trace.Count("Failed to lock sound buffer: 1\r\n"), 1);
            EXPECT_TRUE(UnlockChunk(p1, s1, p2, s2));
            EXPECT_EQ(GetCapturedFrames(), 0u);
        }
        ReleaseCapture();
    }
}

TEST_F(CaptureDevice, AStallIsTracedOnceButAPauseIsNone) {
    ASSERT_TRUE(Init(EFailAt::Nothing));
    const acqtest::STraceMark trace;
    auto waitOut = [](std::chrono::milliseconds span) {
        for (const auto until = acqtest::Clock::now() + span; acqtest::Clock::now() < until;)
            WaitForChunk(50ms);
    };
    ASSERT_TRUE(StartCapture());
    EXPECT_TRUE(StopCapture());
    waitOut(kStallTime + 200ms);
    EXPECT_EQ(trace.Count("Sound capture stalled"), 0) << "paused";
    ASSERT_TRUE(StartCapture());
    waitOut(kStallTime + 400ms);
    EXPECT_EQ(trace.Count("Sound capture stalled"), 1);
    acqtest::WriteRamp(*script->ring, 0, 1024);
    EXPECT_TRUE(WaitForChunk(50ms));
    EXPECT_EQ(trace.Count("Sound capture resumed\r\n"), 1);
}

} // namespace
