// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureRing.h"

#include "AcquisitionTestSupport.h"

namespace {

using namespace acqtest;

std::array<std::uint32_t, 4> Offsets(const CCaptureRing& ring) {
    return {ring.ChunkOffset(0), ring.ChunkOffset(1), ring.ChunkOffset(2), ring.ChunkOffset(3)};
}

TEST(CaptureRing, LockRuleTakesTheChunkBeforeTheOneHoldingTheReadPosition) {
    const CCaptureRing ring(2048);
    EXPECT_EQ(ring.BufferBytes(), 32768u);
    EXPECT_EQ(Offsets(ring), (std::array<std::uint32_t, 4>{0, 8192, 16384, 24576}));
    for (std::int32_t n = 1024; n <= 32768; n *= 2) {
        const CCaptureRing sized(n);
        for (std::uint32_t pos = 0; pos < sized.BufferBytes(); pos += 4) {
            const int holding = static_cast<int>(pos / (4u * n));
            ASSERT_EQ(CCaptureRing::ChunkToLock(pos, Offsets(sized)), (holding + 3) % 4) << pos;
        }
    }
}

TEST(CaptureRing, EachChunkEventIsSetOnceUntilAWaitResetsIt) {
    constexpr std::int32_t kN = 256;
    CCaptureRing ring(kN);
    WriteRamp(ring, 0, kN - 1);
    EXPECT_FALSE(ring.WaitForChunk(20ms));
    WriteRamp(ring, kN - 1, 1);
    EXPECT_TRUE(ring.WaitForChunk(0ms));
    EXPECT_FALSE(ring.WaitForChunk(0ms));
    WriteRamp(ring, kN, 8 * kN); // eight completions set the four events
    int waits = 0;
    while (ring.WaitForChunk(0ms))
        ++waits;
    EXPECT_EQ(waits, 4);
}

TEST(CaptureRing, ALockedChunkIsNeverOverwrittenAndTheDroppedFramesAreCounted) {
    constexpr std::int32_t kN = 256;
    CCaptureRing ring(kN);
    WriteRamp(ring, 0, kN);
    void* p[2] = {};
    std::uint32_t s[2] = {};
    std::int64_t sequence = -2;
    const int chunk = CCaptureRing::ChunkToLock(ring.ReadPosition(), Offsets(ring));
    ASSERT_TRUE(ring.Lock(ring.ChunkOffset(chunk), ring.ChunkBytes(), &p[0], &s[0], &p[1], &s[1],
                          &sequence));
    EXPECT_EQ(sequence, 0);
    EXPECT_FALSE(ring.Lock(ring.ChunkOffset(2), ring.ChunkBytes(), &p[0], &s[0], &p[1], &s[1]));
    // Three chunks fit beside the held one; the next two would replace it.
    WriteRamp(ring, kN, 5 * kN);
    EXPECT_EQ(ring.FramesDropped(), 2u * kN);
    EXPECT_EQ(ring.FramesDelivered(), 6u * kN) << "a place in the source's stream counts the drops";
    const auto* held = static_cast<const std::int16_t*>(p[0]);
    EXPECT_EQ(Samples(held, held + s[0] / 2), IndexRamp(0, kN));
    ring.Unlock();
    WriteRamp(ring, 6 * kN, kN);
    // The chunk after the drop carries it: a recording from chunk 3 meets
    // the loss between chunk 3 and chunk 4.
    ring.StartRecording(3);
    const SRecorded recorded = TakeRecorded(ring);
    EXPECT_EQ(recorded.ExpectMatchesRamp(3 * kN), 4 * kN);
    EXPECT_EQ(recorded.losses, (decltype(recorded.losses){{kN, 2u * kN}}));
}

// The recording begins at the locked chunk: the chunks after it and the
// part of the one being written are queued at once, a loss before the next
// chunk keeps its place, and every later write follows.
TEST(CaptureRing, RecordingStartsAtTheLockedChunkAndThenTakesEveryWrite) {
    constexpr std::int32_t kN = 256;
    const struct {
        std::int64_t beforeStart; // frames written while chunk 0 is locked
        std::int64_t afterStart;  // frames written once it is unlocked
    } cases[] = {{kN + kN / 2, 100}, {3 * kN, 50}, {3 * kN + 128, 100}, {0, 2 * kN}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.beforeStart);
        CCaptureRing ring(kN);
        WriteRamp(ring, 0, kN);
        void* p[2] = {};
        std::uint32_t s[2] = {};
        std::int64_t sequence = -1;
        ASSERT_TRUE(ring.Lock(ring.ChunkOffset(0), ring.ChunkBytes(), &p[0], &s[0], &p[1], &s[1],
                              &sequence));
        WriteRamp(ring, kN, c.beforeStart);
        const std::uint64_t dropped = ring.FramesDropped();
        ring.StartRecording(sequence);
        ring.Unlock();
        WriteRamp(ring, kN + c.beforeStart, c.afterStart);

        const SRecorded recorded = TakeRecorded(ring);
        EXPECT_EQ(recorded.ExpectMatchesRamp(), kN + c.beforeStart + c.afterStart);
        decltype(recorded.losses) losses; // just before the frames written after the start
        if (dropped > 0)
            losses.emplace_back(kN + c.beforeStart - std::int64_t(dropped), dropped);
        EXPECT_EQ(recorded.losses, losses);
    }
}

} // namespace
