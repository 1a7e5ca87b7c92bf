// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureDevice.h"

#include "AcquisitionTestSupport.h"

namespace {

using namespace acqtest;

class CaptureDevice : public ::testing::Test {
protected:
    bool Init(EFailAt failAt) {
        script = std::make_shared<SScript>();
        script->failAt = failAt;
        return InitCapture(1024, std::make_unique<CScriptedBackend>(script));
    }
    void TearDown() override { ReleaseCapture(); }

    std::shared_ptr<SScript> script;
};

// (The input thread over a device that failed is the file pipeline's case.)
// A device that initialised but does not start stays, with its name and
// the backend's reason for the user.
TEST_F(CaptureDevice, EachFailedStartUpStepIsTracedAndReleasesTheBackend) {
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
        const STraceMark trace;
        const bool deviceMade = c.step == EFailAt::Start;
        EXPECT_EQ(Init(c.step), deviceMade);
        EXPECT_EQ(HasCaptureDevice(), deviceMade);
        script->error = "the capture stream can't start";
        EXPECT_FALSE(StartCapture());
        EXPECT_FALSE(IsCapturing());
        EXPECT_EQ(trace.Count(c.message), 1);
        EXPECT_EQ(script->starts.load(), deviceMade ? 1 : 0);
        if (!deviceMade) {
            EXPECT_TRUE(script->destroyed.load());
            EXPECT_FALSE(GetCaptureError().empty());
        } else {
            EXPECT_EQ(GetCaptureError(), script->error);
            EXPECT_EQ(GetCaptureDeviceName(), "scripted");
        }
        ReleaseCapture();
    }
}

TEST_F(CaptureDevice, AStallIsTracedOnceButAPauseIsNone) {
    ASSERT_TRUE(Init(EFailAt::Nothing));
    const STraceMark trace;
    auto waitOut = [](std::chrono::milliseconds span) {
        for (const auto until = Clock::now() + span; Clock::now() < until;)
            WaitForChunk(50ms);
    };
    ASSERT_TRUE(StartCapture());
    EXPECT_TRUE(StopCapture());
    waitOut(kStallTime + 200ms);
    EXPECT_EQ(trace.Count("Sound capture stalled"), 0) << "paused";
    ASSERT_TRUE(StartCapture());
    waitOut(kStallTime + 400ms);
    EXPECT_EQ(trace.Count("Sound capture stalled"), 1);
    WriteRamp(*script->ring, 0, 1024);
    EXPECT_TRUE(WaitForChunk(50ms));
    EXPECT_EQ(trace.Count("Sound capture resumed\r\n"), 1);
}

} // namespace
