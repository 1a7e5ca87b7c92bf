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

// (Chunks retained for the recording are the input thread's tests' case.)
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
    CCaptureRing::SChunk held;
    ASSERT_EQ(ring.GetChunk(0, held), CCaptureRing::EChunkState::Ready);
    ExpectChunkHolds(held, 0);
    EXPECT_EQ(p[0], held.pData);
    ring.Unlock();
    WriteRamp(ring, 6 * kN, kN);
    ASSERT_EQ(ring.GetChunk(4, held), CCaptureRing::EChunkState::Ready);
    EXPECT_EQ(held.nLostBefore, 2u * kN);
    ExpectChunkHolds(held, 6 * kN);
}

} // namespace
