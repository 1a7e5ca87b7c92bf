// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/BandMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/Decibel.h"
#include "analysis/FftEngine.h"
#include "analysis/WindowTable.h"
#include "tests/analysis/SignalBlocks.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::int32_t kHann = 2;

std::vector<std::string> Names(EBandSet set) {
    std::vector<std::string> names;
    for (const SBand& band : StandardBands(set))
        names.push_back(band.strName);
    return names;
}

// The bands' levels averaged (in power) over every block of n samples of x,
// windowed as the analysis windows them.
std::vector<double> AverageLevels(const std::vector<double>& x, EBandSet set, std::int32_t n,
                                  std::int32_t windowType) {
    CBandMeter meter(set, n, kRate, windowType);
    CFftEngine engine(n);
    CWindowTable window;
    window.SetSize(n);
    window.SetType(windowType);
    std::vector<double> power(meter.Bands().size(), 0.0), levels(power.size());
    std::vector<double> block(static_cast<std::size_t>(n));
    const std::size_t blocks = x.size() / static_cast<std::size_t>(n);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::copy_n(x.begin() + static_cast<std::ptrdiff_t>(b * n), n, block.begin());
        window.Apply(block.data(), n);
        engine.Transform(block.data());
        meter.Measure(engine.GetMagnitudes(), levels.data());
        for (std::size_t i = 0; i < levels.size(); ++i)
            power[i] += std::pow(10.0, levels[i] / 10.0) / static_cast<double>(blocks);
    }
    for (std::size_t i = 0; i < power.size(); ++i)
        levels[i] = 10.0 * std::log10(power[i]);
    return levels;
}

} // namespace

// The base-ten series' nominal centres name the bands: all 31 third
// octaves from 20 Hz to 20 kHz, the ten octaves from 31.5 Hz to 16 kHz;
// the exact centres are tenths of a decade from 1 kHz and the edges meet.
// At N = 1024 the bins are 43 Hz wide: the third octaves below 200 Hz are
// narrower and are not measured, nor are the octaves below 63 Hz. (That
// they read no level is in the measuring program's band columns.)
TEST(BandMeter, TheBandsAreTheStandardSeriesFromTwentyHertzToTwentyKilohertz) {
    EXPECT_EQ(
        Names(EBandSet::ThirdOctave),
        (std::vector<std::string>{"20",  "25",   "31.5",  "40",   "50",    "63",   "80",    "100",
                                  "125", "160",  "200",   "250",  "315",   "400",  "500",   "630",
                                  "800", "1k",   "1.25k", "1.6k", "2k",    "2.5k", "3.15k", "4k",
                                  "5k",  "6.3k", "8k",    "10k",  "12.5k", "16k",  "20k"}));
    EXPECT_EQ(Names(EBandSet::Octave), (std::vector<std::string>{"31.5", "63", "125", "250", "500",
                                                                 "1k", "2k", "4k", "8k", "16k"}));
    for (const EBandSet set : {EBandSet::Octave, EBandSet::ThirdOctave}) {
        const std::vector<SBand> bands = StandardBands(set);
        for (std::size_t i = 0; i < bands.size(); ++i) {
            EXPECT_NEAR(bands[i].dCentre, std::sqrt(bands[i].dLow * bands[i].dHigh), 1e-9);
            if (i > 0) {
                EXPECT_NEAR(bands[i].dLow, bands[i - 1].dHigh, 1e-9);
            }
        }
        EXPECT_NEAR(bands.front().dCentre * std::pow(10.0, set == EBandSet::Octave ? 2.7 : 3.0),
                    bands.back().dCentre, 1e-6);
        const CBandMeter meter(set, 1024, kRate, kHann);
        for (const SBand& band : meter.Bands())
            EXPECT_EQ(band.bMeasured, band.dCentre > (set == EBandSet::Octave ? 40.0 : 180.0))
                << band.strName;
    }
}

// A 1 kHz sine at -10 dBFS reads -10 dB in the 1 kHz band whatever the
// window (its gain and noise bandwidth are taken out), in third octaves and
// in octaves, and the bands far from it read far less.
TEST(BandMeter, ASineReadsItsLevelInItsBandWithEveryWindow) {
    const std::int32_t n = 32768;
    std::vector<double> x(static_cast<std::size_t>(n));
    const double amplitude = DbToLinear(-10.0);
    for (std::int32_t i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] =
            amplitude * std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate);
    for (const std::int32_t window : {0, kHann, 9}) {
        for (const EBandSet set : {EBandSet::ThirdOctave, EBandSet::Octave}) {
            SCOPED_TRACE(std::string(g_apszWindowNames[window]) +
                         (set == EBandSet::Octave ? ", octaves" : ", third octaves"));
            const std::vector<double> levels = AverageLevels(x, set, n, window);
            const std::vector<std::string> names = Names(set);
            const auto at = [&](const char* name) {
                return levels[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                                       names.begin())];
            };
            EXPECT_NEAR(at("1k"), -10.0, 0.2);
            EXPECT_LT(at("125"), -40.0);
            EXPECT_LT(at("8k"), -40.0);
        }
    }
}

// Pink noise holds the same power in every band of constant ratio: averaged
// over the file, its third-octave levels lie within 1 dB of each other from
// 50 Hz to 16 kHz at N = 32768.
TEST(BandMeter, PinkNoiseIsFlatAcrossTheThirdOctavesFromFiftyHertzToSixteenKilohertz) {
    const std::vector<double> pink = vtest::PinkNoise(std::size_t{1} << 19, 11, 0.5);
    const std::vector<double> levels = AverageLevels(pink, EBandSet::ThirdOctave, 32768, kHann);
    const std::vector<SBand> bands = StandardBands(EBandSet::ThirdOctave);
    std::vector<double> inside;
    for (std::size_t i = 0; i < bands.size(); ++i)
        if (bands[i].dCentre > 49.0 && bands[i].dCentre < 16500.0)
            inside.push_back(levels[i]);
    ASSERT_EQ(inside.size(), 26u);
    double mean = 0.0;
    for (const double level : inside)
        mean += level / static_cast<double>(inside.size());
    for (std::size_t i = 0; i < inside.size(); ++i)
        EXPECT_NEAR(inside[i], mean, 1.0) << "band " << i;
}
