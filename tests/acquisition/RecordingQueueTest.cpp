// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/RecordingQueue.h"

#include <random>
#include <thread>

#include "AcquisitionTestSupport.h"

namespace {

using namespace acqtest;

// What a reader took: the frames, and the loss it was told of before each.
struct STaken {
    Samples frames;
    std::vector<std::pair<std::size_t, std::uint64_t>> losses; // at frame, frames lost

    // Takes one piece, cut to at most limit frames as the input thread
    // cuts it to a chunk; false when there was nothing.
    bool TakeOne(CRecordingQueue& queue, std::size_t limit = SIZE_MAX) {
        CRecordingQueue::SPiece piece = queue.Peek();
        piece.nFrames = std::min(piece.nFrames, limit);
        if (piece.nFrames == 0 && piece.nLostBefore == 0)
            return false;
        if (piece.nLostBefore > 0)
            losses.emplace_back(frames.size() / 2, piece.nLostBefore);
        frames.insert(frames.end(), piece.pFrames, piece.pFrames + piece.nFrames * 2);
        queue.Consume(piece);
        return true;
    }
    // The source's stream rebuilt from what was taken: each loss skips its
    // length. Returns the frames accounted for (taken plus lost).
    std::int64_t ExpectMatchesRamp() const {
        std::int64_t at = 0;
        std::size_t done = 0;
        for (std::size_t i = 0; i <= losses.size(); ++i) {
            const std::size_t until = i < losses.size() ? losses[i].first : frames.size() / 2;
            const Samples piece(frames.begin() + std::ptrdiff_t(done * 2),
                                frames.begin() + std::ptrdiff_t(until * 2));
            EXPECT_EQ(piece, IndexRamp(at, std::int64_t(until - done))) << "before loss " << i;
            at += std::int64_t(until - done);
            done = until;
            if (i < losses.size())
                at += std::int64_t(losses[i].second);
        }
        return at;
    }
};

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
        STaken taken;
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
    STaken taken;
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
    STaken taken;
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
