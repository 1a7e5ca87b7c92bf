#include "acquisition/CaptureRing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "WavTestFiles.h"

namespace {

using namespace std::chrono_literals;

std::array<std::uint32_t, 4> Offsets(const CCaptureRing& ring) {
    return {ring.ChunkOffset(0), ring.ChunkOffset(1), ring.ChunkOffset(2), ring.ChunkOffset(3)};
}

void WriteFrames(CCaptureRing& ring, std::int64_t first, std::int64_t count) {
    const auto frames = wavtest::IndexRamp(first, count);
    ring.Write(frames.data(), static_cast<std::size_t>(count));
}

// The chunk's bytes as samples, compared with the ramp it should hold.
void ExpectChunkHolds(const CCaptureRing::SChunk& chunk, std::int64_t firstFrame) {
    const auto expected = wavtest::IndexRamp(firstFrame, chunk.nBytes / 4);
    std::vector<std::int16_t> actual(expected.size());
    std::memcpy(actual.data(), chunk.pData, chunk.nBytes);
    EXPECT_EQ(actual, expected) << "chunk starting at frame " << firstFrame;
}

TEST(CaptureRing, GeometryForBlockOf2048) {
    CCaptureRing ring(2048);
    EXPECT_EQ(ring.BufferBytes(), 32768u);
    EXPECT_EQ(ring.ChunkBytes(), 8192u);
    EXPECT_EQ(Offsets(ring), (std::array<std::uint32_t, 4>{0, 8192, 16384, 24576}));
}

TEST(CaptureRing, LockRuleTakesTheChunkBeforeTheReadPosition) {
    CCaptureRing ring(2048);
    const auto offsets = Offsets(ring);
    EXPECT_EQ(CCaptureRing::ChunkToLock(0, offsets), 3);
    EXPECT_EQ(CCaptureRing::ChunkToLock(8191, offsets), 3);
    EXPECT_EQ(CCaptureRing::ChunkToLock(8192, offsets), 0);
    EXPECT_EQ(CCaptureRing::ChunkToLock(16383, offsets), 0);
    EXPECT_EQ(CCaptureRing::ChunkToLock(16384, offsets), 1);
    EXPECT_EQ(CCaptureRing::ChunkToLock(24575, offsets), 1);
    EXPECT_EQ(CCaptureRing::ChunkToLock(24576, offsets), 2);
    EXPECT_EQ(CCaptureRing::ChunkToLock(32767, offsets), 2);
    // Every position of every block size: the chunk before the one that
    // holds the position, cyclically.
    for (std::int32_t n = 1024; n <= 32768; n *= 2) {
        CCaptureRing sized(n);
        const auto o = Offsets(sized);
        for (std::uint32_t pos = 0; pos < sized.BufferBytes(); pos += 4) {
            const int holding = static_cast<int>(pos / sized.ChunkBytes());
            ASSERT_EQ(CCaptureRing::ChunkToLock(pos, o), (holding + 3) % 4) << n << " " << pos;
        }
    }
}

TEST(CaptureRing, PiecesOfAnySizeFillChunksContiguously) {
    constexpr std::int32_t kN = 1024;
    CCaptureRing ring(kN);
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::int64_t> size(1, 3 * kN);
    std::int64_t written = 0;
    while (written < 3 * kN + 100) {
        const std::int64_t piece = size(random);
        WriteFrames(ring, written, piece);
        written += piece;
        // Read each chunk as soon as it completes, before it can be reused.
        for (std::int64_t seq = 0; seq <= ring.NewestSequence(); ++seq) {
            CCaptureRing::SChunk chunk;
            if (ring.GetChunk(seq, chunk) == CCaptureRing::EChunkState::Ready) {
                ExpectChunkHolds(chunk, seq * kN);
            }
        }
    }
    EXPECT_EQ(ring.FramesWritten(), static_cast<std::uint64_t>(written));
    EXPECT_EQ(ring.NewestSequence(), written / kN - 1);
    const std::uint32_t expectedPosition =
        static_cast<std::uint32_t>(written % (4 * kN)) * CCaptureRing::kBytesPerFrame;
    EXPECT_EQ(ring.ReadPosition(), expectedPosition);
}

TEST(CaptureRing, EventsAreAutoResetAndNotCounted) {
    constexpr std::int32_t kN = 256;
    for (int chunks : {1, 3, 5, 9}) {
        CCaptureRing ring(kN);
        WriteFrames(ring, 0, std::int64_t{chunks} * kN);
        // Completing chunk s signals the event of chunk s + 1.
        std::set<int> signalled;
        for (int s = 0; s < chunks; ++s) {
            signalled.insert((s + 1) % 4);
        }
        int waits = 0;
        while (ring.WaitForChunk(0ms)) {
            ++waits;
        }
        EXPECT_EQ(waits, static_cast<int>(signalled.size())) << chunks << " chunks";
    }
}

TEST(CaptureRing, WaitTimesOutWithoutACompletedChunk) {
    CCaptureRing ring(256);
    WriteFrames(ring, 0, 255);
    EXPECT_FALSE(ring.WaitForChunk(20ms));
    WriteFrames(ring, 255, 1);
    EXPECT_TRUE(ring.WaitForChunk(20ms));
}

TEST(CaptureRing, LockedChunkIsNeverOverwrittenAndTheLossIsCounted) {
    constexpr std::int32_t kN = 512;
    CCaptureRing ring(kN);
    WriteFrames(ring, 0, kN); // chunk 0 complete, writer at chunk 1
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t s1 = 0;
    std::uint32_t s2 = 0;
    std::int64_t seq = -2;
    const int chunk = CCaptureRing::ChunkToLock(ring.ReadPosition(), Offsets(ring));
    ASSERT_EQ(chunk, 0);
    ASSERT_TRUE(ring.Lock(ring.ChunkOffset(chunk), ring.ChunkBytes(), &p1, &s1, &p2, &s2, &seq));
    EXPECT_EQ(seq, 0);
    EXPECT_EQ(s1, ring.ChunkBytes());
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(s2, 0u);

    // Three chunks fit in the others; everything after them would land in
    // the locked chunk and is dropped.
    WriteFrames(ring, kN, 5 * kN);
    ExpectChunkHolds({static_cast<const std::uint8_t*>(p1), s1, 0}, 0);
    EXPECT_EQ(ring.FramesWritten(), 4u * kN);
    EXPECT_EQ(ring.FramesDropped(), 2u * kN);

    ring.Unlock();
    WriteFrames(ring, 6 * kN, kN);
    CCaptureRing::SChunk next;
    ASSERT_EQ(ring.GetChunk(4, next), CCaptureRing::EChunkState::Ready);
    EXPECT_EQ(next.nLostBefore, 2u * kN);
    ExpectChunkHolds(next, 6 * kN);
}

TEST(CaptureRing, LockFailsWhereItCannotProtectTheData) {
    constexpr std::int32_t kN = 512;
    CCaptureRing ring(kN);
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t s1 = 0;
    std::uint32_t s2 = 0;
    WriteFrames(ring, 0, kN + 10); // the source is inside chunk 1
    EXPECT_FALSE(ring.Lock(ring.ChunkOffset(1), ring.ChunkBytes(), &p1, &s1, &p2, &s2));
    EXPECT_FALSE(ring.Lock(ring.BufferBytes(), 4, &p1, &s1, &p2, &s2));
    EXPECT_FALSE(ring.Lock(ring.ChunkOffset(3) + 4, ring.ChunkBytes(), &p1, &s1, &p2, &s2));
    std::int64_t seq = 0;
    ASSERT_TRUE(ring.Lock(ring.ChunkOffset(3), ring.ChunkBytes(), &p1, &s1, &p2, &s2, &seq));
    EXPECT_EQ(seq, -1) << "a chunk never written has no sequence number";
    EXPECT_FALSE(ring.Lock(ring.ChunkOffset(0), ring.ChunkBytes(), &p1, &s1, &p2, &s2));
    ring.Unlock();
    EXPECT_TRUE(ring.Lock(ring.ChunkOffset(0), ring.ChunkBytes(), &p1, &s1, &p2, &s2));
}

TEST(CaptureRing, RetainedChunksSurviveUntilReleasedInOrder) {
    constexpr std::int32_t kN = 256;
    CCaptureRing ring(kN);
    WriteFrames(ring, 0, 2 * kN);
    ring.RetainFrom(1);
    WriteFrames(ring, 2 * kN, 6 * kN); // chunks 2, 3, 4 fit; chunk 5 would replace 1
    EXPECT_EQ(ring.FramesDropped(), 3u * kN);
    CCaptureRing::SChunk chunk;
    EXPECT_EQ(ring.GetChunk(0, chunk), CCaptureRing::EChunkState::Gone);
    EXPECT_EQ(ring.GetChunk(5, chunk), CCaptureRing::EChunkState::NotYet);
    for (std::int64_t seq = 1; seq <= 4; ++seq) {
        ASSERT_EQ(ring.GetChunk(seq, chunk), CCaptureRing::EChunkState::Ready);
        ExpectChunkHolds(chunk, seq * kN);
        ring.RetainFrom(seq + 1);
    }
    ring.RetainFrom(CCaptureRing::kNoRetention);
    WriteFrames(ring, 8 * kN, 8 * kN);
    EXPECT_EQ(ring.FramesDropped(), 3u * kN) << "nothing is held back any more";
}

} // namespace
