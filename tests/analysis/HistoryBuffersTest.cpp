#include "analysis/HistoryBuffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "analysis/RunState.h"

TEST(HistoryBuffers, StartZeroedAndRegisterTheirGeometryAndPointers) {
    constexpr std::int32_t kH = 24, kK = 30, kR = 80;
    CHistoryBuffers buffers(kH, kK, kR);
    const std::uint8_t* ring = buffers.Waterfall();
    for (std::int32_t i = 0; i < (2 * kH + 1) * kH; ++i)
        ASSERT_EQ(ring[i], 0) << i;
    for (std::int32_t i = 0; i < kR * kK; ++i)
        ASSERT_EQ(buffers.Surface()[i], 0.0) << i;

    CRunState store;
    buffers.Register(store);
    const SHistoryGeometry history = store.GetHistoryGeometry();
    EXPECT_EQ(history.nRingRows, 2 * kH);
    EXPECT_EQ(history.nHistoryLength, kH);
    EXPECT_EQ(history.nHistoryRow, 0);
    EXPECT_EQ(history.nRowWidth, kH);
    const SSurfaceGeometry surface = store.GetSurfaceGeometry();
    EXPECT_EQ(surface.nRows, kR);
    EXPECT_EQ(surface.nCols, kK);
    EXPECT_EQ(surface.nRow, 0);
    EXPECT_EQ(store.GetWaterfall(), buffers.Waterfall());
    EXPECT_EQ(store.GetSurface(), buffers.Surface());
    const SLevelHistories levels = store.GetLevelHistories();
    EXPECT_EQ(levels.pMin, buffers.LevelHistory(0));
    EXPECT_EQ(levels.pRightMax, buffers.LevelHistory(5));

    const SRenderParams params = buffers.RenderParams(nullptr, &store);
    EXPECT_EQ(params.pWaterfall, buffers.Waterfall());
    EXPECT_EQ(params.pSpectrumRow, buffers.SpectrumRow());
    EXPECT_EQ(params.pMaxHistory, buffers.LevelHistory(1));
    EXPECT_EQ(params.pLeftMinHistory, buffers.LevelHistory(2));
    EXPECT_EQ(params.pRunState, &store);
    EXPECT_EQ(params.nSurfaceCols, kK);
    EXPECT_EQ(params.nHistoryLength, kH);
}

TEST(HistoryBuffers, ByteCopiesAreExactAtEveryAlignmentAndLength) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint64_t> words(16);
    auto* shared = reinterpret_cast<std::uint8_t*>(words.data());
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t length = 0; length <= 40; ++length) {
            std::vector<std::uint8_t> source(length);
            for (auto& b : source)
                b = static_cast<std::uint8_t>(byte(random));
            std::fill(words.begin(), words.end(), ~std::uint64_t{0});
            HistoryStoreBytes(shared + offset, source.data(), length);
            for (std::size_t i = 0; i < words.size() * 8; ++i) {
                const bool inside = i >= offset && i < offset + length;
                ASSERT_EQ(shared[i], inside ? source[i - offset] : 0xFF)
                    << "offset " << offset << " length " << length << " byte " << i;
            }
            std::vector<std::uint8_t> back(length + 1, 0xAB);
            HistoryLoadBytes(back.data(), shared + offset, length);
            for (std::size_t i = 0; i < length; ++i)
                ASSERT_EQ(back[i], source[i]);
            ASSERT_EQ(back[length], 0xAB);
        }
    }
    double values[3] = {0.0, 0.0, 0.0};
    const double source[2] = {-0.25, 1.0 / 3.0};
    HistoryStoreDoubles(values, source, 2);
    EXPECT_EQ(HistoryLoadDouble(values), -0.25);
    EXPECT_EQ(HistoryLoadDouble(values + 1), 1.0 / 3.0);
    EXPECT_EQ(values[2], 0.0);
}
