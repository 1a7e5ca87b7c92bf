#include "analysis/BlockMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/WindowTable.h"
#include "base/RunState.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::int32_t kHann = 2;

struct STone {
    double dBin;     // frequency in bins of the block size
    double dLevelDb; // dBFS of the amplitude
};

// N stereo frames of 16-bit sines: left holds the left tones, right the
// right ones (the left ones again when none are given).
std::vector<std::int16_t> Frames(std::int32_t n, const std::vector<STone>& left,
                                 const std::vector<STone>& right = {}) {
    auto value = [n](const std::vector<STone>& tones, std::int32_t i) {
        double v = 0.0;
        for (const STone& t : tones)
            v += std::pow(10.0, t.dLevelDb / 20.0) *
                 std::sin(2.0 * std::numbers::pi * t.dBin * i / n);
        return static_cast<std::int16_t>(std::lround(v * 32767.0));
    };
    std::vector<std::int16_t> frames;
    for (std::int32_t i = 0; i < n; ++i)
        frames.insert(frames.end(), {value(left, i), value(right.empty() ? left : right, i)});
    return frames;
}

SPeak Measure(std::int32_t n, const std::vector<STone>& tones,
              double floorDb = kDefaultPeakFloorDb) {
    CBlockMeter meter(n, kRate);
    meter.SetFloor(floorDb);
    return meter.Measure(Frames(n, tones).data(), n).peak;
}

TEST(PeakFinder, HannTonesFromBinTwoToNyquistLessTwoReadWithinATenthOfABin) {
    std::mt19937 generator(12);
    for (const std::int32_t n : {1024, 4096, 32768}) {
        const double half = n / 2;
        std::vector<double> bins = {2.0,        2.5,       3.3, 100.0, 100.5, half / 2 + 0.25,
                                    half - 2.5, half - 2.0};
        std::uniform_real_distribution<double> anywhere(2.0, half - 2.0);
        for (int i = 0; i < 8; ++i)
            bins.push_back(anywhere(generator));
        for (const double bin : bins) {
            SCOPED_TRACE("N = " + std::to_string(n) + ", bin " + std::to_string(bin));
            const SPeak peak = Measure(n, {{bin, -6.0}});
            ASSERT_TRUE(peak.bFound);
            EXPECT_NEAR(peak.dFrequency / (kRate / n), bin, 0.1);
            EXPECT_NEAR(peak.dLevelDb, -6.0, 0.5);
        }
    }
}

TEST(PeakFinder, TonesInTheFirstOrLastTwoBinsReadWithinABinOrNotAtAll) {
    for (const std::int32_t n : {1024, 4096, 32768}) {
        const double half = n / 2;
        for (const double bin : {0.4, 1.0, 1.6, half - 1.6, half - 1.0, half - 0.4}) {
            SCOPED_TRACE("N = " + std::to_string(n) + ", bin " + std::to_string(bin));
            const SPeak peak = Measure(n, {{bin, -6.0}});
            if (peak.bFound) {
                EXPECT_NEAR(peak.dFrequency / (kRate / n), bin, 1.0);
            }
        }
    }
}

TEST(PeakFinder, OfTwoTonesTheStrongerIsReported) {
    constexpr std::int32_t n = 4096;
    const std::pair<std::vector<STone>, double> cases[] = {
        {{{93.0, -6.0}, {279.4, -20.0}}, 93.0},
        {{{93.0, -20.0}, {279.4, -6.0}}, 279.4},
        {{{40.2, -30.0}, {41.0 + 8.0, -29.0}}, 49.0},
    };
    for (const auto& [tones, strongest] : cases)
        EXPECT_NEAR(Measure(n, tones).dFrequency / (kRate / n), strongest, 0.1);
}

TEST(PeakFinder, SilenceAndTonesBelowTheFloorGiveNoPeak) {
    constexpr std::int32_t n = 4096;
    EXPECT_FALSE(Measure(n, {}).bFound);
    // {tone level, floor, found}
    const std::tuple<double, double, bool> cases[] = {
        {-60.0, -50.0, false},
        {-60.0, -70.0, true},
        {-80.0, kDefaultPeakFloorDb, true},
        {-40.0, -39.0, false},
    };
    for (const auto& [level, floorDb, found] : cases)
        EXPECT_EQ(Measure(n, {{500.3, level}}, floorDb).bFound, found)
            << level << " dBFS against a floor of " << floorDb;
}

TEST(PeakFinder, TheBandLimitsTheSearchAndATonesSlopeOutsideItIsNoPeak) {
    constexpr std::int32_t n = 4096;
    const double bw = kRate / n;
    CBlockMeter meter(n, kRate);
    const auto frames = Frames(n, {{93.0, -20.0}, {464.0, -6.0}});
    // {low Hz, high Hz, bin expected or -1 for no peak}
    const std::tuple<double, double, double> cases[] = {
        {0.0, 1e9, 464.0},
        {500.0, 2000.0, 93.0},
        {0.0, 93.0 * bw, 93.0},
        {2000.0, 22050.0, 464.0},
        // From half a bin above the strong tone: only its falling flank.
        {464.5 * bw, 22050.0, -1.0},
        {10000.0, 22050.0, -1.0},
    };
    for (const auto& [low, high, bin] : cases) {
        meter.SetBand(low, high);
        const SPeak peak = meter.Measure(frames.data(), n).peak;
        SCOPED_TRACE(std::to_string(low) + ".." + std::to_string(high) + " Hz");
        EXPECT_EQ(peak.bFound, bin >= 0.0);
        if (peak.bFound) {
            EXPECT_NEAR(peak.dFrequency / bw, bin, 0.1);
        }
    }
}

TEST(BlockMeter, AFullScaleSineReadsZeroDbfsThroughEveryWindow) {
    constexpr std::int32_t n = 4096;
    CBlockMeter meter(n, kRate);
    const auto frames = Frames(n, {{256.0, 0.0}});
    for (std::int32_t type = 0; type < kWindowCount; ++type) {
        meter.SetWindowType(type);
        EXPECT_NEAR(meter.Measure(frames.data(), n).peak.dLevelDb, 0.0, 0.05)
            << g_apszWindowNames[type];
    }
}

TEST(BlockMeter, LevelsAndPeakFollowTheChannelFunction) {
    constexpr std::int32_t n = 4096;
    const double bw = kRate / n;
    CBlockMeter meter(n, kRate);
    // Left a -6 dBFS tone, right a -12 dBFS tone at another frequency.
    const auto frames = Frames(n, {{93.0, -6.0}}, {{279.0, -12.0}});
    const double left = std::pow(10.0, -6.0 / 20.0);
    const double right = std::pow(10.0, -12.0 / 20.0);
    // {channel, peak bin, amplitude of the channel's strongest tone, its RMS}
    const std::tuple<std::int32_t, double, double, double> cases[] = {
        {CHANNEL_LEFT, 93.0, left, left / std::sqrt(2.0)},
        {CHANNEL_RIGHT, 279.0, right, right / std::sqrt(2.0)},
        {CHANNEL_SUM, 93.0, left / 2.0, std::hypot(left, right) / 2.0 / std::sqrt(2.0)},
        {CHANNEL_DIFFERENCE, 93.0, left, std::hypot(left, right) / std::sqrt(2.0)},
    };
    for (const auto& [channel, bin, amplitude, rms] : cases) {
        SCOPED_TRACE("channel " + std::to_string(channel));
        meter.SetChannelMode(channel);
        const SBlockMeasurement m = meter.Measure(frames.data(), n);
        EXPECT_NEAR(m.peak.dFrequency / bw, bin, 0.1);
        EXPECT_NEAR(m.peak.dLevelDb, 20.0 * std::log10(amplitude), 0.5);
        EXPECT_NEAR(m.dRms, rms, 1e-3);
        EXPECT_LE(m.dMax, amplitude * 1.5 + 1e-3);
        EXPECT_GE(m.dMax, amplitude * 0.9);
        EXPECT_LT(m.dMin, -amplitude * 0.9);
    }
}

} // namespace
