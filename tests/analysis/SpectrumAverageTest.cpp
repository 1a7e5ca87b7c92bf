// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/SpectrumAverage.h"

#include "analysis/SampleExchange.h"
#include "tests/analysis/AnalysisTestSupport.h"

namespace {

constexpr double kRate = 44100.0;

// Takes the next block into a plain row and, averaged over `blocks`, a second
// row, both `width` columns of colour indexes.
std::array<std::vector<std::uint8_t>, 2> TakeRows(CSampleExchange& exchange,
                                                  const SDisplayRange& range,
                                                  CSpectrumAverage& average, std::int32_t blocks,
                                                  std::int32_t width) {
    std::array<std::vector<std::uint8_t>, 2> rows{std::vector<std::uint8_t>(width, 0),
                                                  std::vector<std::uint8_t>(width, 0)};
    const SMapRow plainRow{rows[0].data(), MAP_COLOUR_INDEX, width, nullptr};
    const SMapRow averagedRow{rows[1].data(), MAP_COLOUR_INDEX, width, nullptr};
    STakeExtras extras;
    extras.pAverage = &average;
    extras.nAverageBlocks = blocks;
    extras.averagedRows = {&averagedRow, 1};
    exchange.TakeBlock(range, {}, {&plainRow, 1}, nullptr, &extras);
    return rows;
}

// After a first block of magnitude a and k blocks of b, the power has moved
// from a^2 towards b^2 by all but (1 - 1/n)^k of the way; a new spectrum
// size starts afresh, as does a reset.
TEST(SpectrumAverage, PowerApproachesEachNewLevelByOneNthPerBlock) {
    constexpr std::int32_t kCount = 5;
    const std::vector<double> a(kCount, 0.8);
    const std::vector<double> b(kCount, 0.1);
    for (const std::int32_t n : {1, 2, 4, 16, 32}) {
        for (const int k : {1, 5, 40}) {
            SCOPED_TRACE(testing::Message() << n << " blocks, " << k << " steps");
            CSpectrumAverage average;
            average.Add(a.data(), kCount, n);
            for (int i = 0; i < k; ++i)
                average.Add(b.data(), kCount, n);
            const double power = 0.01 + (0.64 - 0.01) * std::pow(1.0 - 1.0 / n, k);
            ASSERT_EQ(average.Count(), kCount);
            for (std::int32_t j = 0; j < kCount; ++j)
                EXPECT_NEAR(average.Magnitudes()[j], std::sqrt(power), 1e-12);
            EXPECT_NEAR(average.Peak(), std::sqrt(power), 1e-12);

            average.Reset();
            average.Add(a.data(), kCount, n);
            EXPECT_DOUBLE_EQ(average.Magnitudes()[0], 0.8) << "after a reset";
            average.Add(b.data(), kCount - 1, n);
            EXPECT_DOUBLE_EQ(average.Magnitudes()[0], 0.1) << "after a new size";
        }
    }
}

// Seeded white noise through the exchange, mapped into a row of 600 columns
// (the block's own and, through the extras, the average of 16 blocks): once
// the average has settled, each column of the averaged row varies from block
// to block at most a third as much as the plain one.
TEST(SpectrumAverage, SixteenBlocksOfNoiseVaryAThirdAsMuchPerColumn) {
    constexpr std::int32_t kN = 4096;
    constexpr std::int32_t kWidth = 600;
    constexpr int kSettle = 64;
    constexpr int kBlocks = 256;
    CRunState store;
    store.SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, 2});
    CSampleExchange exchange(kN, kRate, &store);
    // Noise of 0.3 full scale leaves about 0.003 per bin after the Hann
    // window: a range up to 0.01 keeps the columns well inside 0..255.
    const SDisplayRange range{1.0, 10000.0, 9999.0, 0.0, 0.01, false};
    std::mt19937 random(19);
    std::normal_distribution<double> noise(0.0, 0.3 * 32767.0);
    CSpectrumAverage average;

    std::vector<double> sum[2], squares[2];
    for (int i = 0; i < 2; ++i)
        sum[i].assign(kWidth, 0.0), squares[i].assign(kWidth, 0.0);
    vtest::Samples block(2 * kN);
    for (int b = 0; b < kSettle + kBlocks; ++b) {
        for (auto& s : block)
            s = static_cast<std::int16_t>(std::clamp(std::lround(noise(random)), -32768L, 32767L));
        exchange.PutSingle(block.data(), kN);
        const auto rows = TakeRows(exchange, range, average, 16, kWidth);
        if (b < kSettle)
            continue;
        for (std::int32_t c = 0; c < kWidth; ++c) {
            for (int i = 0; i < 2; ++i) {
                const double v = rows[i][c];
                sum[i][c] += v;
                squares[i][c] += v * v;
            }
        }
    }
    double deviation[2] = {0.0, 0.0};
    for (int i = 0; i < 2; ++i) {
        for (std::int32_t c = 0; c < kWidth; ++c) {
            const double mean = sum[i][c] / kBlocks;
            deviation[i] += std::sqrt(std::max(squares[i][c] / kBlocks - mean * mean, 0.0));
        }
        deviation[i] /= kWidth;
    }
    EXPECT_GT(deviation[0], 5.0) << "the plain columns hardly vary: the test shows nothing";
    EXPECT_GE(deviation[0], 3.0 * deviation[1])
        << "plain " << deviation[0] << ", averaged " << deviation[1];
}

// A steady tone averages to itself: the averaged row is the plain one, and
// under auto-scale both are scaled by the block's own measured ends.
TEST(SpectrumAverage, ASteadyToneAveragesToItsOwnRowAlsoUnderAutoScale) {
    constexpr std::int32_t kN = 1024;
    constexpr std::int32_t kWidth = 300;
    CRunState store;
    store.SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, 2});
    CSampleExchange exchange(kN, kRate, &store);
    const vtest::Samples tone = vtest::Tone(3000.0, 12000.0, kN);
    CSpectrumAverage average;
    for (const bool autoScale : {false, true}) {
        SCOPED_TRACE(autoScale ? "auto-scale" : "fixed range");
        average.Reset();
        for (int b = 0; b < 8; ++b) {
            exchange.PutSingle(tone.data(), kN);
            const auto [plain, averaged] =
                TakeRows(exchange, {1.0, 10000.0, 9999.0, 0.0, 0.5, autoScale}, average, 4, kWidth);
            ASSERT_NE(std::count(plain.begin(), plain.end(), 0), kWidth);
            for (std::int32_t c = 0; c < kWidth; ++c)
                ASSERT_NEAR(averaged[c], plain[c], 1) << "block " << b << ", column " << c;
        }
    }
}

} // namespace
