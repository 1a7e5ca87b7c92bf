// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/RecordingQueue.h"

#include <random>
#include <thread>

#include "AcquisitionTestSupport.h"

namespace {

using namespace acqtest;

// A source pushing pieces of random length and a reader taking a random
// number of pieces of limited length between them, with queues small enough
// that many pushes overflow and the losses outnumber the places kept for
// them: what is taken is the source's stream with exactly the reported
// losses cut out.
TEST(RecordingQueue, TakenFramesAreTheStreamWithEachReportedLossCutOut) {
    const struct {
        std::int32_t capacity;
        std::size_t maxPush;
        int maxTakes;
        std::size_t takeLimit;
    } cases[] = {{64, 40, 3, 16},
                 {1000, 300, 1, 1000},
                 {1000, 100, 8, 10},
                 {7, 7, 2, 3},
                 {4096, 512, 20, 16}};
    std::mt19937 random(20261207);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capacity);
        CRecordingQueue queue(c.capacity);
        SRecorded taken;
        std::int64_t pushed = 0;
        while (pushed < 25000) {
            const auto count = std::uniform_int_distribution<std::size_t>(1, c.maxPush)(random);
            queue.Push(IndexRamp(pushed, std::int64_t(count)).data(), count);
            pushed += std::int64_t(count);
            const int takes = std::uniform_int_distribution<int>(0, c.maxTakes)(random);
            for (int i = 0; i < takes && taken.TakeOne(queue, c.takeLimit); ++i) {
            }
        }
        while (taken.TakeOne(queue)) {
        }
        EXPECT_EQ(taken.ExpectMatchesRamp(), pushed);
        std::uint64_t reported = 0;
        for (const auto& loss : taken.losses)
            reported += loss.second;
        EXPECT_EQ(reported, queue.FramesLost());
        EXPECT_GT(reported, 0u);
    }
}

// Pushes that never exceed the room lose nothing, however the pieces wrap.
TEST(RecordingQueue, AReaderWithinTheBoundGetsEveryFrame) {
    CRecordingQueue queue(1000);
    SRecorded taken;
    std::int64_t pushed = 0;
    for (std::size_t count : {999u, 1u, 500u, 500u, 333u, 667u, 1000u}) {
        queue.Push(IndexRamp(pushed, std::int64_t(count)).data(), count);
        pushed += std::int64_t(count);
        while (taken.TakeOne(queue)) {
        }
    }
    EXPECT_EQ(taken.ExpectMatchesRamp(), pushed);
    EXPECT_EQ(taken.frames.size() / 2, static_cast<std::size_t>(pushed));
    EXPECT_TRUE(taken.losses.empty());
}

// A source thread and a reader thread at their own pace: the same account.
TEST(RecordingQueue, ASourceAndAReaderOnTheirOwnThreadsKeepTheAccount) {
    CRecordingQueue queue(512);
    constexpr std::int64_t kFrames = 20000;
    std::atomic<bool> done{false};
    std::thread source([&] {
        std::mt19937 random(7);
        for (std::int64_t at = 0; at < kFrames;) {
            const std::int64_t count = std::min<std::int64_t>(
                kFrames - at, std::uniform_int_distribution<>(1, 200)(random));
            queue.Push(IndexRamp(at, count).data(), static_cast<std::size_t>(count));
            at += count;
        }
        done = true;
    });
    SRecorded taken;
    for (;;) {
        const bool finished = done.load();
        if (!taken.TakeOne(queue)) {
            if (finished)
                break;
            std::this_thread::yield();
        }
    }
    source.join();
    EXPECT_EQ(taken.ExpectMatchesRamp(), kFrames);
}

} // namespace
