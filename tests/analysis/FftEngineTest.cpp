#include "analysis/FftEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/RunState.h"

namespace {

constexpr double kRate = 44100.0;

std::vector<double> Noise(std::int32_t n, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (double& v : x)
        v = uniform(generator);
    return x;
}

// Sum of sines, each exactly on a bin centre: {bin, amplitude}.
std::vector<double> Sines(std::int32_t n,
                          const std::vector<std::pair<std::int32_t, double>>& tones) {
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    for (const auto& [bin, amplitude] : tones)
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int64_t t = (std::int64_t{bin} * i) % n;
            x[static_cast<std::size_t>(i)] +=
                amplitude * std::sin(2.0 * std::numbers::pi * static_cast<double>(t) / n);
        }
    return x;
}

// |DFT(x)[k]| / N, summed directly in long double with exact angle reduction.
class CDirectDft {
public:
    explicit CDirectDft(const std::vector<double>& x) : m_x(x), m_cos(x.size()), m_sin(x.size()) {
        const long double n = static_cast<long double>(x.size());
        const long double twoPi = 2.0L * std::numbers::pi_v<long double>;
        for (std::size_t t = 0; t < x.size(); ++t) {
            m_cos[t] = std::cos(twoPi * static_cast<long double>(t) / n);
            m_sin[t] = std::sin(twoPi * static_cast<long double>(t) / n);
        }
    }
    double Magnitude(std::size_t k) const {
        const std::size_t n = m_x.size();
        long double re = 0.0L;
        long double im = 0.0L;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t t = (k * i) % n;
            re += m_x[i] * m_cos[t];
            im -= m_x[i] * m_sin[t];
        }
        return static_cast<double>(std::sqrt(re * re + im * im) / static_cast<long double>(n));
    }

private:
    std::vector<double> m_x;
    std::vector<long double> m_cos;
    std::vector<long double> m_sin;
};

double BinFrequency(std::int32_t k, std::int32_t n) {
    return k * kRate * 0.5 / (n / 2);
}

// One engine with its own store; the display range is set per test.
struct CMapping {
    explicit CMapping(std::int32_t n) : engine(kRate, n, &store) {}

    void SetRange(double fmin, double fmax, double lo, double hi, bool autoScale = false) {
        SDisplayRange r;
        r.dFreqMin = fmin;
        r.dFreqMax = fmax;
        r.dFreqSpan = fmax - fmin;
        r.dMagMin = lo;
        r.dMagMax = hi;
        r.bAutoScale = autoScale;
        store.SetDisplayRange(r);
    }
    void Run(std::vector<double> block) {
        engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);
    }
    std::int32_t Column(std::int32_t k, std::int32_t width) const {
        const SDisplayRange r = store.GetDisplayRange();
        return static_cast<std::int32_t>((BinFrequency(k, engine.GetSize()) - r.dFreqMin) /
                                         r.dFreqSpan * width);
    }

    CRunState store;
    CFftEngine engine;
};

} // namespace

// --- Transform -----------------------------------------------------------

// Both builds of the kernel (the wide one only where the processor has it).
class FftKernel : public ::testing::TestWithParam<bool> {
protected:
    void Select(CFftEngine& engine) const { engine.SetWideVectors(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Builds, FftKernel, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Wide" : "Baseline"; });

TEST_P(FftKernel, TransformMatchesADirectDftInEveryBinAt1024) {
    const std::int32_t n = 1024;
    const std::vector<double> x = Noise(n, 1234);
    const CDirectDft dft(x);
    CRunState store;
    CFftEngine engine(kRate, n, &store);
    Select(engine);
    std::vector<double> block = x;
    engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);

    double largest = 0.0;
    for (std::int32_t k = 0; k < n; ++k) {
        const double expected = dft.Magnitude(static_cast<std::size_t>(k));
        largest = std::max(largest, expected);
        ASSERT_NEAR(engine.Magnitude(k), expected, 1e-9) << "bin " << k;
    }
    EXPECT_NEAR(engine.GetMaxMagnitude(), largest, 1e-9);
}

TEST_P(FftKernel, TransformMatchesADirectDftAtSpotBinsForEveryBlockSize) {
    // Small sizes too: they take the other radix-2/radix-4 pass layouts.
    for (std::int32_t n = 4; n <= 32768; n *= 2) {
        const std::vector<double> x = Noise(n, static_cast<std::uint32_t>(n));
        const CDirectDft dft(x);
        CRunState store;
        CFftEngine engine(kRate, n, &store);
        Select(engine);
        std::vector<double> block = x;
        engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);

        std::vector<std::int32_t> bins{0, 1, n / 4 - 1, n / 4, n / 2 - 1, n / 2, n / 2 + 1, n - 1};
        std::mt19937 generator(7u + static_cast<std::uint32_t>(n));
        std::uniform_int_distribution<std::int32_t> anyBin(0, n - 1);
        for (int i = 0; i < 8; ++i)
            bins.push_back(anyBin(generator));
        for (std::int32_t k : bins) {
            if (k < 0)
                continue;
            ASSERT_NEAR(engine.Magnitude(k), dft.Magnitude(static_cast<std::size_t>(k)), 1e-9)
                << "n " << n << " bin " << k;
        }
    }
}

TEST_P(FftKernel, SineOnBinCentreGivesHalfAmplitude) {
    for (auto [n, bin] : {std::pair{1024, 37}, std::pair{32768, 1234}}) {
        CRunState store;
        CFftEngine engine(kRate, n, &store);
        Select(engine);
        std::vector<double> block = Sines(n, {{bin, 1.0}});
        engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);
        EXPECT_NEAR(engine.Magnitude(bin), 0.5, 1e-12) << n;
        EXPECT_NEAR(engine.Magnitude(n - bin), 0.5, 1e-12) << n;
        EXPECT_NEAR(engine.GetMaxMagnitude(), 0.5, 1e-12) << n;
        for (std::int32_t k = 0; k < n; ++k) {
            if (k == bin || k == n - bin)
                continue;
            ASSERT_LT(engine.Magnitude(k), 1e-12) << "n " << n << " bin " << k;
        }
    }
}

TEST(FftEngine, TransformLeavesTheCallersBlockUnchangedAndKeepsNoStateBetweenBlocks) {
    const std::int32_t n = 2048;
    CRunState store;
    CFftEngine engine(kRate, n, &store);
    const std::vector<double> loud = Noise(n, 99);
    std::vector<double> block = loud;
    engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(block, loud);

    std::vector<double> silence(static_cast<std::size_t>(n), 0.0);
    engine.Transform(silence.data(), nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(engine.GetMaxMagnitude(), 0.0);
    for (std::int32_t k = 0; k < n; ++k)
        ASSERT_EQ(engine.Magnitude(k), 0.0) << k;
}

TEST(FftEngine, BitReverseReversesTheLowestLog2NBits) {
    for (std::int32_t n : {1024, 32768}) {
        CFftEngine engine(kRate, n, nullptr);
        const int bits = static_cast<int>(std::log2(n));
        for (std::int32_t j = 0; j < n; j += 37) {
            std::string binary;
            for (int b = bits - 1; b >= 0; --b)
                binary += ((j >> b) & 1) ? '1' : '0';
            std::reverse(binary.begin(), binary.end());
            EXPECT_EQ(engine.BitReverse(j), std::stoi(binary, nullptr, 2)) << j;
        }
        // Bits above log2 N are ignored.
        EXPECT_EQ(engine.BitReverse(n + 1), n / 2);
    }
}

// --- Map: which bins, which columns --------------------------------------

TEST(FftEngine, MapRecordsOnlyTheBinsInsideTheFrequencyRange) {
    const std::int32_t n = 2048;
    CMapping mapping(n);
    mapping.SetRange(1000.0, 2000.0, 0.0, 1.0);
    mapping.Run(Noise(n, 5));
    std::vector<std::uint8_t> row(600, 0);
    mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, 600);

    // Bins 47 (about 1012 Hz) to 92 (about 1981 Hz).
    EXPECT_LT(BinFrequency(46, n), 1000.0);
    EXPECT_GT(BinFrequency(93, n), 2000.0);
    EXPECT_EQ(mapping.engine.GetPointCount(), 46);
    double lowest = 99.0;
    double highest = 0.0;
    for (std::int32_t k = 47; k <= 92; ++k) {
        lowest = std::min(lowest, mapping.engine.Magnitude(k));
        highest = std::max(highest, mapping.engine.Magnitude(k));
    }
    const SSpectrumStats stats = mapping.store.GetSpectrumStats();
    EXPECT_EQ(stats.dMeasuredMagMin, lowest);
    EXPECT_EQ(stats.dMeasuredMagMax, highest);
}

TEST(FftEngine, BinZeroCountsAsOneHertzAndLandsInColumnZero) {
    const std::int32_t n = 1024;
    CMapping mapping(n);
    mapping.Run(std::vector<double>(n, 0.5));
    ASSERT_NEAR(mapping.engine.Magnitude(0), 0.5, 1e-15);

    mapping.SetRange(1.0, 22050.0, 0.0, 1.0);
    std::vector<std::uint8_t> row(600, 0);
    mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, 600);
    EXPECT_EQ(row[0], static_cast<int>(mapping.engine.Magnitude(0) * 255.0));
    EXPECT_TRUE(std::all_of(row.begin() + 1, row.end(), [](std::uint8_t v) { return v == 0; }));

    // Just above 1 Hz the DC bin is out of range.
    mapping.SetRange(1.5, 22050.0, 0.0, 1.0);
    std::fill(row.begin(), row.end(), 0);
    mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, 600);
    EXPECT_EQ(row[0], 0);
}

TEST(FftEngine, ABinExactlyAtTheTopFrequencyFallsInTheLastColumnNotPastTheRow) {
    const std::int32_t n = 1024;
    const std::int32_t width = 600;
    CMapping mapping(n);
    ASSERT_EQ(BinFrequency(256, n), 11025.0);
    mapping.SetRange(1.0, 11025.0, 0.0, 1.0);
    mapping.Run(Sines(n, {{256, 1.0}}));

    const std::uint8_t guardByte = 0x5A;
    std::vector<std::uint8_t> colours(width + 1, 0);
    colours[width] = guardByte;
    mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, width);
    EXPECT_EQ(colours[width - 1], static_cast<int>(mapping.engine.Magnitude(256) * 255.0));
    EXPECT_EQ(colours[width], guardByte);

    std::vector<double> units(width + 1, 0.0);
    units[width] = -7.0;
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, width);
    EXPECT_EQ(units[width - 1], 1.0); // 2 x 0.5, at the cap
    EXPECT_EQ(units[width], -7.0);
}

TEST(FftEngine, MapNeverWritesOutsideTheRowForBadWidthsOrSpans) {
    const std::int32_t n = 1024;
    const std::int32_t width = 50;
    CMapping mapping(n);
    mapping.Run(Noise(n, 11));

    // A row with guard bytes on each side, the front ones enough to catch
    // every column the bad span below computes.
    const std::int32_t guard = 64;
    std::vector<std::uint8_t> buffer(guard + width + 1, 0xEE);
    std::uint8_t* row = buffer.data() + guard;
    std::fill(row, row + width, 0);
    auto guardsIntact = [&] {
        return std::all_of(buffer.begin(), buffer.begin() + guard,
                           [](std::uint8_t v) { return v == 0xEE; }) &&
               buffer.back() == 0xEE;
    };

    // A span that disagrees with the bounds puts columns before the row.
    SDisplayRange r;
    r.dFreqMin = 100.0;
    r.dFreqMax = 20000.0;
    r.dFreqSpan = -19900.0;
    r.bAutoScale = true;
    mapping.store.SetDisplayRange(r);
    mapping.engine.Map(row, MAP_COLOUR_INDEX, width);
    EXPECT_TRUE(guardsIntact());

    // A zero span with the bounds equal to a bin frequency.
    r.dFreqMin = r.dFreqMax = BinFrequency(100, n);
    r.dFreqSpan = 0.0;
    r.dMagMin = 0.0;
    r.dMagMax = 0.01;
    r.bAutoScale = false;
    mapping.store.SetDisplayRange(r);
    std::fill(row, row + width, 0);
    mapping.engine.Map(row, MAP_COLOUR_INDEX, width);
    EXPECT_EQ(mapping.engine.GetPointCount(), 1);
    EXPECT_EQ(row[0], 255);
    EXPECT_TRUE(guardsIntact());

    // No columns at all: nothing written, the stats still published.
    mapping.SetRange(1.0, 22050.0, 0.0, 1.0);
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    mapping.store.SetSpectrumStats(SSpectrumStats{});
    mapping.engine.Map(row, MAP_COLOUR_INDEX, 0);
    mapping.engine.Map(row, MAP_COLOUR_INDEX, -5);
    EXPECT_TRUE(
        std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t v) { return v == 0xEE; }));
    EXPECT_EQ(mapping.store.GetSpectrumStats().dBinWidth, kRate / n);
}

// --- Map: values ----------------------------------------------------------

TEST(FftEngine, SeveralBinsInOneColumnLeaveTheLargestValue) {
    const std::int32_t n = 1024;
    CMapping mapping(n);
    mapping.SetRange(1.0, 22050.0, 0.0, 1.0);
    ASSERT_EQ(mapping.Column(10, 2), mapping.Column(11, 2));
    // The louder bin first, then last: the order must not matter.
    for (const auto& tones : {std::vector<std::pair<std::int32_t, double>>{{10, 0.8}, {11, 0.4}},
                              std::vector<std::pair<std::int32_t, double>>{{10, 0.4}, {11, 0.8}}}) {
        mapping.Run(Sines(n, tones));
        const double loud = std::max(mapping.engine.Magnitude(10), mapping.engine.Magnitude(11));
        std::vector<std::uint8_t> colours(2, 0);
        mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, 2);
        EXPECT_EQ(colours[0], static_cast<int>(loud * 255.0));
        std::vector<double> units(2, 0.0);
        mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, 2);
        EXPECT_DOUBLE_EQ(units[0], loud * 2.0);
    }
}

TEST(FftEngine, ColumnsNoBinReachesKeepTheCallersValues) {
    const std::int32_t n = 1024;
    const std::int32_t width = 4000; // narrower columns than bins
    CMapping mapping(n);
    mapping.SetRange(1.0, 22050.0, 0.0, 1.0);
    mapping.Run(Noise(n, 21));

    std::vector<double> units(width, -1.0);
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, width);
    const auto changed =
        std::count_if(units.begin(), units.end(), [](double v) { return v != -1.0; });
    EXPECT_EQ(changed, mapping.engine.GetPointCount());

    // A larger value already in the row wins over the block's.
    std::vector<std::uint8_t> colours(600, 254);
    mapping.SetRange(1.0, 22050.0, 0.0, 0.3);
    mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, 600);
    EXPECT_TRUE(
        std::all_of(colours.begin(), colours.end(), [](std::uint8_t v) { return v == 254; }));
}

TEST(FftEngine, ColourIndexesAreTruncatedNotRounded) {
    const std::int32_t n = 1024;
    CMapping mapping(n);
    mapping.Run(Sines(n, {{50, 0.6}}));
    const double m = mapping.engine.Magnitude(50);
    const std::int32_t column = 0;

    for (auto [target, written] : {std::pair{254.99, 254}, std::pair{255.7, 255},
                                   std::pair{100.5, 100}, std::pair{1.2, 1}}) {
        mapping.SetRange(BinFrequency(50, n), 22050.0, 0.0, m * 255.0 / target);
        std::vector<std::uint8_t> row(10, 0);
        mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, 10);
        EXPECT_EQ(row[column], written) << target;
    }
}

TEST(FftEngine, UnitRowsUseTwiceTheLinearRatioAndSaturateAtOne) {
    const std::int32_t n = 1024;
    const std::int32_t width = 1000;
    CMapping mapping(n);
    mapping.Run(Sines(n, {{10, 0.2}, {30, 0.8}, {60, 1.2}}));
    const double lo = 0.05;
    const double hi = 0.55;
    mapping.SetRange(1.0, 22050.0, lo, hi);
    std::vector<double> row(width, 0.0);
    mapping.engine.Map(row.data(), MAP_UNIT_DOUBLE, width);

    const double m10 = mapping.engine.Magnitude(10); // 0.1: inside the range
    EXPECT_DOUBLE_EQ(row[mapping.Column(10, width)], (m10 - lo) * 2.0 / (hi - lo));
    EXPECT_EQ(row[mapping.Column(30, width)], 1.0); // 0.4: in the upper half
    EXPECT_EQ(row[mapping.Column(60, width)], 1.0); // 0.6: above hi
    // The bins below lo (all the others) leave zeros.
    const double sum = std::accumulate(row.begin(), row.end(), 0.0);
    EXPECT_DOUBLE_EQ(sum, row[mapping.Column(10, width)] + 2.0);
}

TEST(FftEngine, EqualBoundsSaturateAboveZeroBelowAndSkipTheBinOnTheBound) {
    const std::int32_t n = 1024;
    const std::int32_t width = 1000;
    CMapping mapping(n);
    mapping.Run(Sines(n, {{10, 0.6}, {20, 0.2}}));
    const double bound = 0.2;
    mapping.SetRange(1.0, 22050.0, bound, bound);
    std::vector<std::uint8_t> row(width, 0);
    mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, width);
    EXPECT_EQ(row[mapping.Column(10, width)], 255);
    EXPECT_EQ(row[mapping.Column(20, width)], 0);

    // A bin whose magnitude equals both bounds gives not a number: no write.
    const double m = mapping.engine.Magnitude(10);
    mapping.SetRange(1.0, 22050.0, m, m);
    std::vector<double> units(width, 0.0);
    std::vector<std::uint8_t> colours(width, 0);
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, width);
    mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, width);
    EXPECT_EQ(units[mapping.Column(10, width)], 0.0);
    EXPECT_EQ(colours[mapping.Column(10, width)], 0);
}

TEST(FftEngine, AutoRangeSpansTheMeasuredBinsWithoutChangingTheStore) {
    const std::int32_t n = 4096;
    const std::int32_t width = 90;
    CMapping mapping(n);
    mapping.SetRange(500.0, 5000.0, 0.0, 1.0, true);
    mapping.Run(Noise(n, 3));
    std::vector<double> units(width, 0.0);
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, width);
    std::vector<std::uint8_t> colours(600, 0);
    mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, 600);

    // The loudest bin in range reaches the top of both modes (the colour
    // index only to within rounding of (hi - lo) x 255 / (hi - lo)).
    EXPECT_EQ(*std::max_element(units.begin(), units.end()), 1.0);
    EXPECT_GE(*std::max_element(colours.begin(), colours.end()), 254);
    const SDisplayRange range = mapping.store.GetDisplayRange();
    EXPECT_EQ(range.dMagMin, 0.0);
    EXPECT_EQ(range.dMagMax, 1.0);
}

TEST(FftEngine, AutoRangeWithASingleBinInRangeWritesNothing) {
    const std::int32_t n = 1024;
    CMapping mapping(n);
    ASSERT_LT(BinFrequency(23, n), 1000.0);
    ASSERT_GT(BinFrequency(25, n), 1040.0);
    mapping.SetRange(1000.0, 1040.0, 0.0, 1.0, true);
    mapping.Run(Noise(n, 17));
    std::vector<std::uint8_t> colours(600, 0);
    std::vector<double> units(90, 0.0);
    mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, 600);
    EXPECT_EQ(mapping.engine.GetPointCount(), 1);
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, 90);
    EXPECT_TRUE(std::all_of(colours.begin(), colours.end(), [](std::uint8_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(units.begin(), units.end(), [](double v) { return v == 0.0; }));
}

TEST(FftEngine, UnknownModesWriteNothingButStillPublish) {
    const std::int32_t n = 1024;
    CMapping mapping(n);
    mapping.SetRange(1.0, 22050.0, 0.0, 1.0);
    mapping.Run(Noise(n, 8));
    std::vector<std::uint8_t> row(600, 0);
    mapping.engine.Map(row.data(), 2, 600);
    mapping.engine.Map(row.data(), -1, 600);
    EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](std::uint8_t v) { return v == 0; }));
    EXPECT_EQ(mapping.store.GetSpectrumStats().dNyquist, 22050.0);
}

// --- Map: published measurements -----------------------------------------

TEST(FftEngine, MapPublishesBinWidthNyquistDcAndTheMeasuredRange) {
    for (std::int32_t n : {1024, 32768}) {
        CMapping mapping(n);
        mapping.SetRange(20.0, 20000.0, 0.0, 1.0);
        std::vector<double> block = Noise(n, 4);
        for (double& v : block)
            v = v * 0.5 + 0.25;
        mapping.Run(block);
        mapping.engine.Map(nullptr, MAP_COLOUR_INDEX, 0);

        double lowest = 99.0;
        double highest = 1e-5;
        for (std::int32_t k = 0; k < n / 2; ++k) {
            const double f = BinFrequency(k, n);
            if (f >= 20.0 && f <= 20000.0) {
                lowest = std::min(lowest, mapping.engine.Magnitude(k));
                highest = std::max(highest, mapping.engine.Magnitude(k));
            }
        }
        const SSpectrumStats stats = mapping.store.GetSpectrumStats();
        EXPECT_EQ(stats.dBinWidth, kRate / n);
        EXPECT_EQ(stats.dNyquist, (n / 2) * (kRate / n));
        EXPECT_EQ(stats.dDcMagnitude, mapping.engine.Magnitude(0));
        EXPECT_NEAR(stats.dDcMagnitude, 0.25, 0.02);
        EXPECT_EQ(stats.dMeasuredMagMin, lowest);
        EXPECT_EQ(stats.dMeasuredMagMax, highest);
    }
}

TEST(FftEngine, MeasuredMaximumIsCappedAtFullScale) {
    const std::int32_t n = 1024;
    CMapping mapping(n);
    mapping.SetRange(1.0, 22050.0, 0.0, 1.0);
    mapping.Run(std::vector<double>(n, 3.0));
    ASSERT_NEAR(mapping.engine.Magnitude(0), 3.0, 1e-12);
    mapping.engine.Map(nullptr, MAP_COLOUR_INDEX, 0);
    EXPECT_EQ(mapping.store.GetSpectrumStats().dMeasuredMagMax, 1.0);
}

TEST(FftEngine, NothingInRangeOrASilentBlockReportsZeroToOneAndLeavesRowsAlone) {
    const std::int32_t n = 1024;
    CMapping mapping(n);

    mapping.SetRange(30000.0, 40000.0, 0.0, 1.0);
    mapping.Run(Noise(n, 6));
    std::vector<std::uint8_t> row(600, 9);
    mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, 600);
    EXPECT_EQ(mapping.engine.GetPointCount(), 0);
    SSpectrumStats stats = mapping.store.GetSpectrumStats();
    EXPECT_EQ(stats.dMeasuredMagMin, 0.0);
    EXPECT_EQ(stats.dMeasuredMagMax, 1.0);
    EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](std::uint8_t v) { return v == 9; }));

    mapping.SetRange(1.0, 22050.0, 0.0, 1.0, true);
    mapping.Run(std::vector<double>(n, 0.0));
    std::vector<double> units(90, -2.0);
    mapping.engine.Map(row.data(), MAP_COLOUR_INDEX, 600);
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, 90);
    EXPECT_EQ(mapping.engine.GetPointCount(), 0);
    stats = mapping.store.GetSpectrumStats();
    EXPECT_EQ(stats.dMeasuredMagMin, 0.0);
    EXPECT_EQ(stats.dMeasuredMagMax, 1.0);
    EXPECT_EQ(stats.dDcMagnitude, 0.0);
    EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](std::uint8_t v) { return v == 9; }));
    EXPECT_TRUE(std::all_of(units.begin(), units.end(), [](double v) { return v == -2.0; }));
}

TEST(FftEngine, TransformRunsOneMappingPerOutput) {
    const std::int32_t n = 2048;
    CMapping mapping(n);
    mapping.SetRange(1.0, 10000.0, 0.0, 0.2);
    const std::vector<double> block = Noise(n, 12);

    std::vector<std::uint8_t> colours(600, 0);
    std::vector<double> units(90, 0.0);
    void* outputs[] = {colours.data(), units.data()};
    const std::int32_t modes[] = {MAP_COLOUR_INDEX, MAP_UNIT_DOUBLE};
    const std::int32_t widths[] = {600, 90};
    std::vector<double> copy = block;
    mapping.engine.Transform(copy.data(), outputs, modes, widths, 2);

    std::vector<std::uint8_t> colours2(600, 0);
    std::vector<double> units2(90, 0.0);
    mapping.engine.Map(colours2.data(), MAP_COLOUR_INDEX, 600);
    mapping.engine.Map(units2.data(), MAP_UNIT_DOUBLE, 90);
    EXPECT_EQ(colours, colours2);
    EXPECT_EQ(units, units2);
    EXPECT_GT(std::count_if(colours.begin(), colours.end(), [](std::uint8_t v) { return v > 0; }),
              100);
}
