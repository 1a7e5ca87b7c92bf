// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/BlockMeter.h"

#include "tests/analysis/AnalysisTestSupport.h"

namespace {

constexpr double kRate = 44100.0;

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

// Hann tones from bin 2 to N/2 - 2 (on a bin, between two, near both ends
// and seeded anywhere) read within a tenth of a bin; in the first or last
// two bins within one bin, or not at all.
TEST(PeakFinder, HannTonesReadWithinATenthOfABinAndNearTheEndsWithinOneOrNotAtAll) {
    std::mt19937 generator(12);
    for (const std::int32_t n : {1024, 4096, 32768}) {
        const double half = n / 2;
        std::vector<double> bins = {0.4, 1.0, 1.6, 2.0, 2.5, 3.3, 100.0, 100.5, half / 2 + 0.25};
        for (const double fromTop : {2.5, 2.0, 1.6, 1.0, 0.4})
            bins.push_back(half - fromTop);
        std::uniform_real_distribution<double> anywhere(2.0, half - 2.0);
        for (int i = 0; i < 8; ++i)
            bins.push_back(anywhere(generator));
        CBlockMeter meter(n, kRate);
        for (const double bin : bins) {
            SCOPED_TRACE("N = " + std::to_string(n) + ", bin " + std::to_string(bin));
            const bool inner = bin >= 2.0 && bin <= half - 2.0;
            const SPeak peak = meter.Measure(Frames(n, {{bin, -6.0}}).data(), n).peak;
            ASSERT_TRUE(peak.bFound || !inner);
            if (peak.bFound) {
                EXPECT_NEAR(peak.dFrequency / (kRate / n), bin, inner ? 0.1 : 1.0);
            }
            if (inner) {
                EXPECT_NEAR(peak.dLevelDb, -6.0, 0.5);
            }
        }
    }
}

// The strongest tone in the band and above the floor is reported, or else
// no peak. Bins 0 and N/2 have no negative-frequency twin: a DC offset or a
// Nyquist component reads its own amplitude. A DC offset stronger than the
// tone is no peak until the band is set to include 0 Hz.
TEST(PeakFinder, TheStrongestToneInTheBandAndAboveTheFloorIsReportedOrElseNoPeak) {
    constexpr std::int32_t n = 4096;
    const double bw = kRate / n, floorDb = kDefaultPeakFloorDb, all = 1e9, kNoBand = -1.0;
    constexpr std::int32_t kHann = kDefaultMeterWindow, kRectangular = 0;
    const std::vector<STone> two = {{93.0, -20.0}, {464.0, -6.0}};
    const struct {
        std::vector<STone> tones;
        double floorDb, low, high; // dBFS, Hz; low kNoBand: the default band
        double bin;                // -1: no peak
        std::int32_t window = kHann;
        double dc = 0.0, nyquist = 0.0, amplitude = 0.0; // full scale 1; amplitude 0: not read
    } cases[] = {
        {{{93.0, -6.0}, {279.4, -20.0}}, floorDb, 0.0, all, 93.0},
        {{{93.0, -20.0}, {279.4, -6.0}}, floorDb, 0.0, all, 279.4},
        {{{40.2, -30.0}, {49.0, -29.0}}, floorDb, 0.0, all, 49.0},
        {{}, floorDb, 0.0, all, -1.0},
        {{{500.3, -60.0}}, -50.0, 0.0, all, -1.0},
        {{{500.3, -60.0}}, -70.0, 0.0, all, 500.3},
        {{{500.3, -80.0}}, floorDb, 0.0, all, 500.3},
        {{{500.3, -40.0}}, -39.0, 0.0, all, -1.0},
        {two, floorDb, 500.0, 2000.0, 93.0},
        {two, floorDb, 0.0, 93.0 * bw, 93.0},
        {two, floorDb, 2000.0, 22050.0, 464.0},
        // From half a bin above the strong tone: only its falling flank.
        {two, floorDb, 464.5 * bw, 22050.0, -1.0},
        {two, floorDb, 10000.0, 22050.0, -1.0},
        {{{93.4, -12.0}}, floorDb, kNoBand, all, 93.4, kHann, 0.4, 0.0, std::pow(10.0, -0.6)},
        {{{93.4, -12.0}}, floorDb, 0.0, all, 0.0, kHann, 0.4, 0.0, 0.4},
        {{}, floorDb, 0.0, all, 0.0, kRectangular, 0.25, 0.0, 0.25},
        {{}, floorDb, kNoBand, all, -1.0, kRectangular, 0.25},
        {{}, floorDb, kNoBand, all, n / 2, kRectangular, 0.0, 0.3, 0.3},
        {{{500.0, -20.0}}, floorDb, 0.0, all, 0.0, kHann, -0.5, 0.0, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.tones.size() << " tones, floor " << c.floorDb << ", band " << c.low
                     << ".." << c.high << ", window " << c.window << ", DC " << c.dc << ", Nyquist "
                     << c.nyquist);
        std::vector<std::int16_t> frames = Frames(n, c.tones);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const double sign = (i / 2) % 2 == 0 ? 1.0 : -1.0;
            frames[i] = static_cast<std::int16_t>(
                std::lround(frames[i] + (c.dc + sign * c.nyquist) * 32767.0));
        }
        CBlockMeter meter(n, kRate);
        meter.SetWindowType(c.window);
        meter.SetFloor(c.floorDb);
        if (c.low != kNoBand)
            meter.SetBand(c.low, c.high);
        const SPeak peak = meter.Measure(frames.data(), n).peak;
        ASSERT_EQ(peak.bFound, c.bin >= 0.0);
        if (peak.bFound) {
            EXPECT_NEAR(peak.dFrequency / bw, c.bin, 0.1);
        }
        if (peak.bFound && c.amplitude > 0.0) {
            EXPECT_NEAR(peak.dLevelDb, 20.0 * std::log10(c.amplitude), 0.5);
        }
    }
}

TEST(BlockMeter, LevelsAndPeakFollowTheChannelFunctionAndFullScaleReadsZeroDbfsInEveryWindow) {
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
    meter.SetChannelMode(CHANNEL_LEFT);
    const auto full = Frames(n, {{256.0, 0.0}});
    for (std::int32_t type = 0; type < kWindowCount; ++type) {
        meter.SetWindowType(type);
        EXPECT_NEAR(meter.Measure(full.data(), n).peak.dLevelDb, 0.0, 0.05)
            << g_apszWindowNames[type];
    }
}

} // namespace
