#include "analysis/FftEngine.h"

#include <complex>
#include <type_traits>

#include "tests/analysis/AnalysisTestSupport.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::int32_t kN = 1024; // unless a test needs finer bins

using Tones = std::vector<std::pair<std::int32_t, double>>; // {bin, amplitude}

std::vector<double> Noise(std::int32_t n, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(n);
    std::generate(x.begin(), x.end(), [&] { return uniform(generator); });
    return x;
}

// Sum of sines, each exactly on a bin centre.
std::vector<double> Sines(std::int32_t n, const Tones& tones) {
    std::vector<double> x(n, 0.0);
    for (const auto& [bin, amplitude] : tones)
        for (std::int32_t i = 0; i < n; ++i)
            x[i] += amplitude * std::sin(2.0 * std::numbers::pi *
                                         static_cast<double>((std::int64_t{bin} * i) % n) / n);
    return x;
}

// |DFT(x)[k]| / N for k = 0, step, 2 step, ..., summed directly in long
// double with exact angle reduction.
std::vector<double> DirectDft(const std::vector<double>& x, std::size_t step) {
    const std::size_t n = x.size();
    std::vector<std::complex<long double>> root(n);
    for (std::size_t t = 0; t < n; ++t)
        root[t] = std::polar(1.0L, -2.0L * std::numbers::pi_v<long double> * t / n);
    std::vector<double> magnitudes;
    for (std::size_t k = 0; k < n; k += step) {
        std::complex<long double> sum = 0.0L;
        for (std::size_t i = 0; i < n; ++i)
            sum += static_cast<long double>(x[i]) * root[(k * i) % n];
        magnitudes.push_back(static_cast<double>(std::abs(sum) / n));
    }
    return magnitudes;
}

double BinFrequency(std::int32_t k, std::int32_t n) {
    return k * kRate / n;
}

// One engine with its own store, holding the transform of one block.
struct CMapping {
    CMapping(std::int32_t n, const std::vector<double>& block) : engine(kRate, n, &store) {
        Run(block);
        SetRange(1.0, kRate / 2, 0.0, 1.0);
    }
    void Run(std::vector<double> block) {
        engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);
    }
    void SetRange(double fmin, double fmax, double lo, double hi, bool autoScale = false) {
        store.SetDisplayRange({fmin, fmax, fmax - fmin, lo, hi, autoScale});
    }
    // Maps into a row of width cells preset to fill; the cell type picks the mode.
    template <typename T> std::vector<T> Row(std::int32_t width, T fill = T{}) {
        std::vector<T> row(width, fill);
        engine.Map(row.data(), std::is_same_v<T, double> ? MAP_UNIT_DOUBLE : MAP_COLOUR_INDEX,
                   width);
        return row;
    }
    std::size_t Column(std::int32_t k, std::int32_t width) const {
        const SDisplayRange r = store.GetDisplayRange();
        return static_cast<std::size_t>((BinFrequency(k, engine.GetSize()) - r.dFreqMin) /
                                        r.dFreqSpan * width);
    }
    double Mag(std::int32_t k) const { return engine.Magnitude(k); }

    CRunState store;
    CFftEngine engine;
};

template <typename T> bool AllEqual(const std::vector<T>& v, T value) {
    return std::all_of(v.begin(), v.end(), [&](T x) { return x == value; });
}

} // namespace

// Both builds of the kernel (the wide one only where the processor has it).
class FftKernel : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Builds, FftKernel, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Wide" : "Baseline"; });

// Sizes alternate between a leading radix-2 pass and radix-4 passes only;
// every bin is checked up to 2048, a spread of bins above. A different block
// goes first to catch state carried between transforms.
TEST_P(FftKernel, TransformMatchesADirectDftForEveryBlockSize) {
    for (std::int32_t n = 4; n <= 32768; n *= 2) {
        const std::vector<double> x = Noise(n, static_cast<std::uint32_t>(n));
        CFftEngine engine(kRate, n, nullptr);
        engine.SetWideVectors(GetParam());
        std::vector<double> block = Noise(n, 1u);
        engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);
        block = x;
        engine.Transform(block.data(), nullptr, nullptr, nullptr, 0);
        EXPECT_EQ(block, x) << "the caller's block was modified, n " << n;

        const std::int32_t step = n <= 2048 ? 1 : 997;
        const std::vector<double> expected = DirectDft(x, step);
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_NEAR(engine.Magnitude(i * step), expected[i], 1e-9) << n << " bin " << i * step;
        if (n <= 2048) {
            EXPECT_NEAR(engine.GetMaxMagnitude(),
                        *std::max_element(expected.begin(), expected.end()), 1e-9);
        }
    }
}

// --- Spectrum mapping ------------------------------------------------------

TEST(FftEngineMap, RecordsOnlyTheBinsInsideTheRangePublishesTheirStatisticsAndAutoRangesOverThem) {
    const std::int32_t n = 2048;
    CMapping mapping(n, Noise(n, 5));
    mapping.SetRange(1000.0, 2000.0, 0.0, 1.0);
    mapping.Row<std::uint8_t>(600);

    // Bins 47 (about 1012 Hz) to 92 (about 1981 Hz).
    EXPECT_EQ(mapping.engine.GetPointCount(), 46);
    std::vector<double> inRange;
    for (std::int32_t k = 47; k <= 92; ++k)
        inRange.push_back(mapping.Mag(k));
    const auto [lowest, highest] = std::minmax_element(inRange.begin(), inRange.end());
    const SSpectrumStats s = mapping.store.GetSpectrumStats();
    EXPECT_EQ(
        (std::array{s.dMeasuredMagMin, s.dMeasuredMagMax, s.dDcMagnitude, s.dBinWidth, s.dNyquist}),
        (std::array{*lowest, *highest, mapping.Mag(0), kRate / n, kRate / 2}));

    // Auto range: the loudest bin in range reaches the top of both modes (the
    // colour index only to within rounding of (hi - lo) x 255 / (hi - lo)).
    mapping.SetRange(1000.0, 2000.0, 0.0, 1.0, true);
    const std::vector<double> units = mapping.Row<double>(90);
    EXPECT_EQ(*std::max_element(units.begin(), units.end()), 1.0);
    const std::vector<std::uint8_t> colours = mapping.Row<std::uint8_t>(600);
    EXPECT_GE(*std::max_element(colours.begin(), colours.end()), 254);
    EXPECT_EQ(mapping.store.GetDisplayRange().dMagMax, 1.0); // the store keeps its range

    // One bin: its magnitude is both bounds.
    mapping.SetRange(1000.0, 1000.0 + kRate / n, 0.0, 1.0, true);
    EXPECT_TRUE(AllEqual(mapping.Row<std::uint8_t>(600), std::uint8_t{0}));
    EXPECT_EQ(mapping.engine.GetPointCount(), 1);
    EXPECT_TRUE(AllEqual(mapping.Row<double>(90), 0.0));
}

// Bin 0 counts as 1 Hz and lands in column 0; a bin exactly at the top
// frequency falls in the last column, not past the row.
TEST(FftEngineMap, TheRangesEndsLandInTheFirstAndLastColumnsAndNoFurther) {
    const std::int32_t width = 600;
    std::vector<double> block = Sines(kN, {{256, 1.0}});
    for (double& x : block)
        x += 0.25;
    CMapping mapping(kN, block);
    ASSERT_EQ(BinFrequency(256, kN), 11025.0);
    mapping.SetRange(1.0, 11025.0, 0.0, 1.0);
    std::vector<std::uint8_t> colours(width + 1, 0); // cells only ever grow
    colours[width] = 0x5A;
    mapping.engine.Map(colours.data(), MAP_COLOUR_INDEX, width);
    EXPECT_EQ(colours[0], static_cast<int>(mapping.Mag(0) * 255.0));
    EXPECT_EQ(colours[width - 1], static_cast<int>(mapping.Mag(256) * 255.0));
    EXPECT_EQ(std::count(colours.begin(), colours.end(), 0), width - 2);
    EXPECT_EQ(colours[width], 0x5A);
    std::vector<double> units(width + 1, -7.0);
    mapping.engine.Map(units.data(), MAP_UNIT_DOUBLE, width);
    EXPECT_EQ(units[width - 1], 1.0); // 2 x 0.5, at the cap
    EXPECT_EQ(units[width], -7.0);

    mapping.SetRange(1.5, 11025.0, 0.0, 1.0); // just above 1 Hz: bin 0 out of range
    EXPECT_EQ(mapping.Row<std::uint8_t>(width)[0], 0);

    // The measured maximum is capped at full scale; the DC value is not.
    mapping.Run(std::vector<double>(kN, 3.0));
    mapping.SetRange(1.0, kRate / 2, 0.0, 1.0);
    mapping.engine.Map(nullptr, MAP_COLOUR_INDEX, 0);
    EXPECT_EQ(mapping.store.GetSpectrumStats().dMeasuredMagMax, 1.0);
    EXPECT_NEAR(mapping.store.GetSpectrumStats().dDcMagnitude, 3.0, 1e-12);
}

TEST(FftEngineMap, EachColumnHoldsItsLargestValueAndUntouchedColumnsKeepTheCallers) {
    CMapping mapping(kN, Noise(kN, 21));
    // Bins 10 and 11 share a column; the louder wins whichever comes first.
    ASSERT_EQ(mapping.Column(10, 2), mapping.Column(11, 2));
    for (const Tones& tones : {Tones{{10, 0.8}, {11, 0.4}}, Tones{{10, 0.4}, {11, 0.8}}}) {
        mapping.Run(Sines(kN, tones));
        const double loud = std::max(mapping.Mag(10), mapping.Mag(11));
        EXPECT_EQ(mapping.Row<std::uint8_t>(2)[0], static_cast<int>(loud * 255.0));
        EXPECT_DOUBLE_EQ(mapping.Row<double>(2)[0], loud * 2.0);
        // A larger value already in the row stays.
        EXPECT_EQ(mapping.Row<std::uint8_t>(2, 254)[0], 254);
    }
}

TEST(FftEngineMap, UnitsAreTwiceTheLinearRatioColourIndexesTruncatedAndBothCapped) {
    const std::int32_t width = 1000;
    CMapping mapping(kN, Sines(kN, {{10, 0.2}, {30, 0.8}, {60, 1.2}}));
    const double lo = 0.05, hi = 0.55;
    mapping.SetRange(1.0, kRate / 2, lo, hi);
    const std::vector<double> row = mapping.Row<double>(width);
    const double m10 = mapping.Mag(10); // 0.1: inside the range
    EXPECT_DOUBLE_EQ(row[mapping.Column(10, width)], (m10 - lo) * 2.0 / (hi - lo));
    EXPECT_EQ(row[mapping.Column(30, width)], 1.0);                // 0.4: in the upper half
    EXPECT_EQ(row[mapping.Column(60, width)], 1.0);                // 0.6: above hi
    EXPECT_EQ(std::count(row.begin(), row.end(), 0.0), width - 3); // the rest are below lo

    // hi chosen so that bin 10, alone in column 0, maps to m10 x 255 / hi = target.
    for (auto [target, written] : {std::pair{254.99, 254}, std::pair{255.7, 255},
                                   std::pair{100.5, 100}, std::pair{1.2, 1}}) {
        mapping.SetRange(BinFrequency(10, kN), kRate / 2, 0.0, m10 * 255.0 / target);
        EXPECT_EQ(mapping.Row<std::uint8_t>(width)[0], written) << target;
    }
}
