// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/SpectrumPipeline.h"

#include "AcquisitionTestSupport.h"

namespace {

using namespace acqtest;
using enum CWorkerThreads::EStarted;

constexpr std::int32_t kN = 1024;
constexpr std::int32_t kH = 64;

// The buffers are in the store before anything runs; the owner hears of the
// run only once capture has been started (the view flags the run as
// acquiring there, the headless tool gives up if it did not start); and a
// pipeline that goes out of scope running ends all its threads before its
// buffers go.
TEST(SpectrumPipeline,
     TheFirstTickStartsCaptureBeforeTellingTheOwnerAndDestructionEndsEveryThread) {
    for (const bool deviceStarts : {true, false}) {
        SCOPED_TRACE(deviceStarts ? "the device starts" : "the device fails to start");
        auto script = std::make_shared<SScript>();
        script->failAt = deviceStarts ? EFailAt::Nothing : EFailAt::Start;
        ASSERT_TRUE(InitCapture(kN, std::make_unique<CScriptedBackend>(script)));
        CRunState store;
        store.SetCaptureFormat(kDefaultCaptureFormat);
        store.SetDisplayRange(kDefaultDisplayRange);
        int runStarts = 0;
        bool capturingAtRunStart = false;
        {
            CSpectrumPipeline pipeline(store, {.nBlockSize = kN,
                                               .nHistoryLength = kH,
                                               .nSurfaceCols = 30,
                                               .nSurfaceRows = 80,
                                               .onRunStart = [&] {
                                                   ++runStarts;
                                                   capturingAtRunStart = IsCapturing();
                                               }});
            // The plots find the buffers through the store.
            EXPECT_EQ(store.GetWaterfall(), pipeline.History().Waterfall());
            EXPECT_EQ(store.GetSurface(), pipeline.History().Surface());
            EXPECT_EQ(store.GetHistoryGeometry().nHistoryLength, kH);
            EXPECT_FALSE(pipeline.CaptureStarted());
            ASSERT_EQ(pipeline.OnTick(), Input);
            EXPECT_EQ(pipeline.CaptureStarted(), deviceStarts);
            EXPECT_EQ(capturingAtRunStart, deviceStarts);
            ASSERT_EQ(pipeline.OnTick(), AnalysisAndScreenshot);
            if (deviceStarts) { // a block reaches the history while the threads run
                WriteRamp(*script->ring, 0, 2 * kN);
                EXPECT_TRUE(
                    Eventually([&] { return store.GetHistoryGeometry().nHistoryRow != 0; }));
            }
        }
        EXPECT_EQ(runStarts, 1);
        EXPECT_EQ(store.GetInputThreadState(), kThreadNotRunning);
        EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);
        EXPECT_EQ(store.GetScreenshotThreadState(), kThreadNotRunning);
        ReleaseCapture();
    }
}

} // namespace
