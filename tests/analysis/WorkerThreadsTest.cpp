#include "analysis/WorkerThreads.h"

#include <future>

#include "analysis/HistoryBuffers.h"
#include "analysis/SampleExchange.h"
#include "tests/analysis/AnalysisTestSupport.h"

namespace {

using namespace std::chrono_literals;
using EStarted = CWorkerThreads::EStarted;

constexpr std::int32_t kN = 1024;
constexpr std::int32_t kNoCaptureStart = 99;

void Pause() {
    std::this_thread::sleep_for(1ms);
}

// Stand-ins for the capture device, the input thread and the screenshot
// thread that follow their control-word protocol; the analysis thread is real.
struct SWorkerHarness {
    SWorkerHarness() : buffers(16, 30, 80), exchange(kN, 44100.0, &store), chunk(2 * kN, 1000) {
        store.SetCaptureFormat(kDefaultCaptureFormat);
        store.SetDisplayRange(kDefaultDisplayRange);
        buffers.Register(store);
    }

    std::unique_ptr<CWorkerThreads> Workers() {
        SWorkerHooks hooks;
        hooks.beforeInputStart = [this] { capturing = true; };
        hooks.inputThread = [this] {
            ++inputStarts;
            while (store.GetInputThreadState() != kThreadStopRequested) {
                while (!capturing) { // no chunk arrives while capture is paused
                    waitingForChunk = true;
                    Pause();
                }
                ++putsStarted;
                exchange.PutBlock(chunk.data(), kN, nullptr, 0);
            }
            exchange.PutSingle(nullptr, 0);
            store.SetInputThreadState(kThreadNotRunning);
        };
        hooks.screenshotThread = [this] {
            ++screenshotStarts;
            while (store.GetScreenshotThreadState() != kThreadStopRequested)
                Pause();
            store.SetScreenshotThreadState(kThreadNotRunning);
        };
        hooks.isCapturing = [this] { return capturing.load(); };
        hooks.startCapture = [this] {
            wordAtCaptureStart = store.GetInputThreadState();
            capturing = true;
        };
        return std::make_unique<CWorkerThreads>(store, buffers.RenderParams(&exchange, &store),
                                                std::move(hooks));
    }

    void ExpectAllEndOnStop(const std::function<void()>& stop) {
        auto stopped = std::async(std::launch::async, stop);
        if (stopped.wait_for(20s) != std::future_status::ready)
            std::abort(); // a hung stop would stall the whole run
        for (std::int32_t state : {store.GetInputThreadState(), store.GetRenderThreadState(),
                                   store.GetScreenshotThreadState()})
            EXPECT_EQ(state, kThreadNotRunning);
    }

    CRunState store;
    CHistoryBuffers buffers;
    CSampleExchange exchange;
    std::vector<std::int16_t> chunk;
    std::atomic<bool> capturing{false}, waitingForChunk{false};
    std::atomic<int> inputStarts{0}, screenshotStarts{0}, putsStarted{0};
    std::atomic<std::int32_t> wordAtCaptureStart{kNoCaptureStart};
};

} // namespace

TEST(WorkerThreads, TicksStartInputThenAnalysisAndScreenshotAndNothingTwice) {
    SWorkerHarness t;
    t.store.SetInputThreadState(kThreadRun); // whatever the store held before
    auto workers = t.Workers();
    EXPECT_EQ(workers->OnTick(), EStarted::Input);
    EXPECT_EQ(t.store.GetRenderThreadState(), kThreadNotRunning);
    EXPECT_EQ(workers->OnTick(), EStarted::AnalysisAndScreenshot);
    EXPECT_EQ(t.store.GetScreenshotThreadState(), kThreadRun);
    for (int tick = 0; tick < 5; ++tick)
        EXPECT_EQ(workers->OnTick(), EStarted::Nothing);
    // The analysis thread really runs: blocks go through the exchange.
    while (t.store.GetHistoryGeometry().nHistoryRow == 0)
        Pause();

    t.ExpectAllEndOnStop([&] { workers.reset(); }); // destruction stops
    EXPECT_EQ(t.inputStarts.load(), 1);
    EXPECT_EQ(t.screenshotStarts.load(), 1);
    EXPECT_EQ(t.wordAtCaptureStart.load(), kNoCaptureStart); // capture was running
}

// Stopped before any tick, between the two ticks (nobody takes, so the
// input thread's second put waits for the slot) and while the user paused
// the run (capture is started again before the stop is requested).
TEST(WorkerThreads, StopEndsEveryThreadBeforeTheTicksBetweenThemAndWhilePaused) {
    const struct {
        int ticks;
        bool paused;
        std::int32_t wordAtCaptureStart;
    } cases[] = {{0, false, kNoCaptureStart}, {1, false, kNoCaptureStart}, {2, true, kThreadRun}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        SWorkerHarness t;
        auto workers = t.Workers();
        for (int tick = 0; tick < c.ticks; ++tick)
            workers->OnTick();
        if (c.paused)
            t.capturing = false;
        while (c.ticks > 0 && !(c.paused ? t.waitingForChunk.load() : t.putsStarted >= 2))
            Pause();
        t.ExpectAllEndOnStop([&] { workers->Stop(); });
        EXPECT_EQ(workers->OnTick(), EStarted::Nothing);
        EXPECT_EQ(t.inputStarts.load(), c.ticks > 0 ? 1 : 0);
        EXPECT_EQ(t.screenshotStarts.load(), c.ticks > 1 ? 1 : 0);
        EXPECT_EQ(t.wordAtCaptureStart.load(), c.wordAtCaptureStart);
    }
}
