#include "acquisition/WavFileSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "WavTestFiles.h"

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kN = 1024;

// Waits (polling) until the ring has completed chunk `sequence`.
bool WaitForSequence(const CCaptureRing& ring, std::int64_t sequence) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (ring.NewestSequence() < sequence) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::vector<std::int16_t> ChunkSamples(const CCaptureRing& ring, std::int64_t sequence) {
    CCaptureRing::SChunk chunk;
    EXPECT_EQ(ring.GetChunk(sequence, chunk), CCaptureRing::EChunkState::Ready);
    std::vector<std::int16_t> samples(chunk.nBytes / 2);
    std::memcpy(samples.data(), chunk.pData, chunk.nBytes);
    return samples;
}

TEST(WavFileSource, PlaysTheFileInOrderAndLoopsAtItsEnd) {
    wavtest::CTempDir dir;
    constexpr std::int64_t kFileFrames = 1500; // not a multiple of a chunk
    wavtest::WriteFile(dir / "ramp.wav",
                       wavtest::SimpleWav(wavtest::SFormat{}, wavtest::IndexRamp(0, kFileFrames)));
    auto ring = std::make_shared<CCaptureRing>(kN);
    CWavFileSource source((dir / "ramp.wav").string());
    ASSERT_TRUE(source.Create()) << source.Error();
    ASSERT_TRUE(source.CreateBuffer(ring));
    // Retain everything so the test can read each chunk at leisure.
    ring->RetainFrom(0);
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(WaitForSequence(*ring, 3));
    source.Stop();
    for (std::int64_t seq = 0; seq <= 3; ++seq) {
        std::vector<std::int16_t> expected;
        for (std::int64_t i = seq * kN; i < (seq + 1) * kN; ++i) {
            const auto frame = wavtest::IndexRamp(i % kFileFrames, 1);
            expected.insert(expected.end(), frame.begin(), frame.end());
        }
        EXPECT_EQ(ChunkSamples(*ring, seq), expected) << "chunk " << seq;
    }
}

TEST(WavFileSource, ResumesWhereItStoppedAndStopsPromptly) {
    wavtest::CTempDir dir;
    wavtest::WriteFile(dir / "ramp.wav",
                       wavtest::SimpleWav(wavtest::SFormat{}, wavtest::IndexRamp(0, 20000)));
    auto ring = std::make_shared<CCaptureRing>(kN);
    CWavFileSource source((dir / "ramp.wav").string());
    ASSERT_TRUE(source.Create());
    ASSERT_TRUE(source.CreateBuffer(ring));
    ring->RetainFrom(0);
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(WaitForSequence(*ring, 0));
    source.Stop();
    const std::uint64_t before = ring->FramesWritten();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ring->FramesWritten(), before) << "nothing arrives while stopped";
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(WaitForSequence(*ring, 2));
    source.Stop();
    // No frame skipped or repeated across the pause.
    for (std::int64_t seq = 0; seq <= 2; ++seq) {
        EXPECT_EQ(ChunkSamples(*ring, seq), wavtest::IndexRamp(seq * kN, kN)) << seq;
    }
}

TEST(WavFileSource, ABadFileFailsCreateWithItsReason) {
    wavtest::CTempDir dir;
    wavtest::SFormat f;
    f.rate = 22050;
    wavtest::WriteFile(dir / "slow.wav", wavtest::SimpleWav(f, wavtest::IndexRamp(0, 100)));
    CWavFileSource source((dir / "slow.wav").string());
    EXPECT_FALSE(source.Create());
    EXPECT_NE(source.Error().find("slow.wav"), std::string::npos);
    EXPECT_NE(source.Error().find("22050 Hz"), std::string::npos);
    EXPECT_FALSE(source.Start()) << "nothing to play";
}

} // namespace
