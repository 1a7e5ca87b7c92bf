#include "app/WorkerThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "acquisition/SampleExchange.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/RunState.h"

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kN = 1024;

// Stand-ins for the capture device, the input thread and the screenshot
// thread that follow their control-word protocol.
class WorkerThreadsTest : public ::testing::Test {
protected:
    WorkerThreadsTest() : buffers(16, 30, 80), exchange(kN, 44100.0, &store), chunk(2 * kN, 1000) {
        store.SetCaptureFormat({44100.0, 16, 2, 2, CHANNEL_SUM, 0});
        store.SetDisplayRange({1.0, 10000.0, 9999.0, 0.0, 1.0, false});
        buffers.Register(store);
    }

    SWorkerHooks Hooks() {
        SWorkerHooks hooks;
        hooks.beforeInputStart = [this] {
            wordBeforeInputStart = store.GetInputThreadState();
            ++inputStartsPrepared;
            capturing = true;
        };
        hooks.inputThread = [this] { InputThread(); };
        hooks.screenshotThread = [this] {
            ++screenshotStarts;
            while (store.GetScreenshotThreadState() != kThreadStopRequested)
                std::this_thread::sleep_for(100ms);
            store.SetScreenshotThreadState(kThreadNotRunning);
        };
        hooks.isCapturing = [this] { return capturing.load(); };
        hooks.startCapture = [this] {
            wordAtCaptureStart = store.GetInputThreadState();
            ++captureStarts;
            capturing = true;
        };
        return hooks;
    }

    void InputThread() {
        ++inputStarts;
        if (store.GetInputThreadState() != kThreadStopRequested) {
            do {
                // Waiting for a chunk: none arrives while capture is paused.
                waitingForChunk = true;
                while (!capturing)
                    std::this_thread::sleep_for(1ms);
                waitingForChunk = false;
                std::this_thread::sleep_for(2ms);
                ++putsStarted;
                exchange.PutBlock(chunk.data(), kN, nullptr, 0);
            } while (store.GetInputThreadState() != kThreadStopRequested);
        }
        exchange.PutSingle(nullptr, 0);
        store.SetInputThreadState(kThreadNotRunning);
    }

    // Stop must come back; a hang would otherwise stall the whole run.
    void StopWithin(CWorkerThreads& workers, std::chrono::seconds limit) {
        auto stopped = std::async(std::launch::async, [&] { workers.Stop(); });
        if (stopped.wait_for(limit) != std::future_status::ready) {
            std::fprintf(stderr, "Stop did not return within %lld s\n",
                         static_cast<long long>(limit.count()));
            std::abort();
        }
        stopped.get();
    }

    void ExpectAllEnded() {
        EXPECT_EQ(store.GetInputThreadState(), kThreadNotRunning);
        EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);
        EXPECT_EQ(store.GetScreenshotThreadState(), kThreadNotRunning);
    }

    CRunState store;
    CHistoryBuffers buffers;
    CSampleExchange exchange;
    std::vector<std::int16_t> chunk;

    std::atomic<bool> capturing{false};
    std::atomic<bool> waitingForChunk{false};
    std::atomic<int> inputStarts{0};
    std::atomic<int> inputStartsPrepared{0};
    std::atomic<int> screenshotStarts{0};
    std::atomic<int> captureStarts{0};
    std::atomic<int> putsStarted{0};
    std::atomic<std::int32_t> wordBeforeInputStart{99};
    std::atomic<std::int32_t> wordAtCaptureStart{99};
};

} // namespace

TEST_F(WorkerThreadsTest, TicksStartInputThenAnalysisAndScreenshotAndNothingTwice) {
    store.SetInputThreadState(kThreadRun); // whatever the store held before
    CWorkerThreads workers(store, buffers.RenderParams(&exchange, &store), Hooks());
    ExpectAllEnded(); // the constructor marks every thread as not running

    EXPECT_EQ(workers.OnTick(), CWorkerThreads::EStarted::Input);
    EXPECT_EQ(wordBeforeInputStart.load(), kThreadRun);
    EXPECT_EQ(store.GetInputThreadState(), kThreadRun);
    EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);

    EXPECT_EQ(workers.OnTick(), CWorkerThreads::EStarted::AnalysisAndScreenshot);
    EXPECT_EQ(store.GetRenderThreadState(), kThreadRun);
    EXPECT_EQ(store.GetScreenshotThreadState(), kThreadRun);

    for (int tick = 0; tick < 5; ++tick)
        EXPECT_EQ(workers.OnTick(), CWorkerThreads::EStarted::Nothing);
    // The analysis thread really runs: blocks go through the exchange.
    while (store.GetHistoryGeometry().nHistoryRow == 0)
        std::this_thread::sleep_for(1ms);

    StopWithin(workers, 20s);
    ExpectAllEnded();
    EXPECT_TRUE(workers.IsClosing());
    EXPECT_EQ(inputStarts.load(), 1);
    EXPECT_EQ(inputStartsPrepared.load(), 1);
    EXPECT_EQ(screenshotStarts.load(), 1);
    EXPECT_EQ(captureStarts.load(), 0); // capture was running
    EXPECT_EQ(workers.OnTick(), CWorkerThreads::EStarted::Nothing);
    EXPECT_EQ(inputStarts.load(), 1);
}

TEST_F(WorkerThreadsTest, StopWhilePausedStartsCaptureBeforeRequestingTheStop) {
    CWorkerThreads workers(store, buffers.RenderParams(&exchange, &store), Hooks());
    workers.OnTick();
    workers.OnTick();
    capturing = false; // the user paused the run
    while (!waitingForChunk)
        std::this_thread::sleep_for(1ms);

    StopWithin(workers, 20s);
    ExpectAllEnded();
    EXPECT_EQ(captureStarts.load(), 1);
    EXPECT_EQ(wordAtCaptureStart.load(), kThreadRun);
}

TEST_F(WorkerThreadsTest, StopBeforeTheFifthTickEndsAtOnceAndStartsNothingAfterwards) {
    CWorkerThreads workers(store, buffers.RenderParams(&exchange, &store), Hooks());
    StopWithin(workers, 5s);
    ExpectAllEnded();
    EXPECT_EQ(captureStarts.load(), 0); // no input thread waits for a chunk
    EXPECT_EQ(workers.OnTick(), CWorkerThreads::EStarted::Nothing);
    EXPECT_EQ(inputStarts.load(), 0);
    EXPECT_EQ(screenshotStarts.load(), 0);
    workers.Stop(); // idempotent
    ExpectAllEnded();
}

TEST_F(WorkerThreadsTest, StopBetweenInputAndAnalysisStartDoesNotLeaveTheInputThreadBlocked) {
    CWorkerThreads workers(store, buffers.RenderParams(&exchange, &store), Hooks());
    EXPECT_EQ(workers.OnTick(), CWorkerThreads::EStarted::Input);
    // With nobody taking, the second put waits for the slot.
    while (putsStarted < 2)
        std::this_thread::sleep_for(1ms);

    StopWithin(workers, 20s);
    ExpectAllEnded();
    EXPECT_EQ(screenshotStarts.load(), 0);
}

TEST_F(WorkerThreadsTest, DestructionStopsRunningThreads) {
    {
        CWorkerThreads workers(store, buffers.RenderParams(&exchange, &store), Hooks());
        workers.OnTick();
        workers.OnTick();
    }
    ExpectAllEnded();
    EXPECT_EQ(inputStarts.load(), 1);
    EXPECT_EQ(screenshotStarts.load(), 1);
}
