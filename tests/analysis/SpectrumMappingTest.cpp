#include "analysis/SpectrumMapping.h"

#include <type_traits>

#include "analysis/FftEngine.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/SignalBlocks.h"

namespace {

using vtest::Noise;
using vtest::Sines;
using vtest::Tones;

constexpr double kRate = 44100.0;
constexpr std::int32_t kN = 1024; // unless a test needs finer bins

double BinFrequency(std::int32_t k, std::int32_t n) {
    return k * kRate / n;
}

// The transform of one block and the range it is mapped by; each mapping's
// result is kept.
struct CMapping {
    CMapping(std::int32_t n, const std::vector<double>& block) : engine(n) {
        Run(block);
        SetRange(1.0, kRate / 2, 0.0, 1.0);
    }
    void Run(const std::vector<double>& block) { engine.Transform(block.data()); }
    void SetRange(double fmin, double fmax, double lo, double hi, bool autoScale = false) {
        range = {fmin, fmax, fmax - fmin, lo, hi, autoScale};
    }
    SSpectrum Spectrum() const {
        return {engine.GetMagnitudes(), engine.GetMaxMagnitude(), kRate, engine.GetSize()};
    }
    void Map(std::span<const SMapRow> rows) { last = MapSpectrum(range, Spectrum(), rows); }
    void Map(void* cells, std::int32_t mode, std::int32_t width) {
        const SMapRow row{cells, mode, width};
        Map({&row, 1});
    }
    // Maps into a row of width cells preset to fill; the cell type picks the mode.
    template <typename T> std::vector<T> Row(std::int32_t width, T fill = T{}) {
        std::vector<T> row(width, fill);
        Map(row.data(), std::is_same_v<T, double> ? MAP_UNIT_DOUBLE : MAP_COLOUR_INDEX, width);
        return row;
    }
    std::size_t Column(std::int32_t k, std::int32_t width) const {
        return static_cast<std::size_t>((BinFrequency(k, engine.GetSize()) - range.dFreqMin) /
                                        range.dFreqSpan * width);
    }
    double Mag(std::int32_t k) const { return engine.Magnitude(k); }

    CFftEngine engine;
    SDisplayRange range;
    SMapResult last;
};

template <typename T> bool AllEqual(const std::vector<T>& v, T value) {
    return std::all_of(v.begin(), v.end(), [&](T x) { return x == value; });
}

} // namespace

TEST(SpectrumMapping, MeasuresOnlyTheBinsInsideTheRangeAndAutoRangesOverThem) {
    const std::int32_t n = 2048;
    CMapping mapping(n, Noise(n, 5));
    mapping.SetRange(1000.0, 2000.0, 0.0, 1.0);
    mapping.Row<std::uint8_t>(600);

    // Bins 47 (about 1012 Hz) to 92 (about 1981 Hz).
    EXPECT_EQ(mapping.last.nPoints, 46);
    std::vector<double> inRange;
    for (std::int32_t k = 47; k <= 92; ++k)
        inRange.push_back(mapping.Mag(k));
    const auto [lowest, highest] = std::minmax_element(inRange.begin(), inRange.end());
    const SSpectrumStats s = mapping.last.stats;
    EXPECT_EQ(
        (std::array{s.dMeasuredMagMin, s.dMeasuredMagMax, s.dDcMagnitude, s.dBinWidth, s.dNyquist}),
        (std::array{*lowest, *highest, mapping.Mag(0), kRate / n, kRate / 2}));

    // Auto range: the loudest bin in range reaches the top of both modes (the
    // colour index only to within rounding of (hi - lo) x 255 / (hi - lo)).
    // Rows mapped together come out as when mapped one by one.
    mapping.SetRange(1000.0, 2000.0, 0.0, 1.0, true);
    const std::vector<double> units = mapping.Row<double>(90);
    EXPECT_EQ(*std::max_element(units.begin(), units.end()), 1.0);
    const std::vector<std::uint8_t> colours = mapping.Row<std::uint8_t>(600);
    EXPECT_GE(*std::max_element(colours.begin(), colours.end()), 254);
    std::vector<std::uint8_t> colours2(600, 0);
    std::vector<double> units2(90, 0.0);
    mapping.Map(std::array{SMapRow{colours2.data(), MAP_COLOUR_INDEX, 600},
                           SMapRow{units2.data(), MAP_UNIT_DOUBLE, 90}});
    EXPECT_EQ(colours2, colours);
    EXPECT_EQ(units2, units);

    // One bin: its magnitude is both bounds.
    mapping.SetRange(1000.0, 1000.0 + kRate / n, 0.0, 1.0, true);
    EXPECT_TRUE(AllEqual(mapping.Row<std::uint8_t>(600), std::uint8_t{0}));
    EXPECT_EQ(mapping.last.nPoints, 1);
    EXPECT_TRUE(AllEqual(mapping.Row<double>(90), 0.0));
}

// Bin 0 counts as 1 Hz and lands in column 0; a bin exactly at the top
// frequency falls in the last column, not past the row.
TEST(SpectrumMapping, TheRangesEndsLandInTheFirstAndLastColumnsAndNoFurther) {
    const std::int32_t width = 600;
    std::vector<double> block = Sines(kN, {{256, 1.0}});
    for (double& x : block)
        x += 0.25;
    CMapping mapping(kN, block);
    ASSERT_EQ(BinFrequency(256, kN), 11025.0);
    mapping.SetRange(1.0, 11025.0, 0.0, 1.0);
    std::vector<std::uint8_t> colours(width + 1, 0); // cells only ever grow
    colours[width] = 0x5A;
    mapping.Map(colours.data(), MAP_COLOUR_INDEX, width);
    EXPECT_EQ(colours[0], static_cast<int>(mapping.Mag(0) * 255.0));
    EXPECT_EQ(colours[width - 1], static_cast<int>(mapping.Mag(256) * 255.0));
    EXPECT_EQ(std::count(colours.begin(), colours.end(), 0), width - 2);
    EXPECT_EQ(colours[width], 0x5A);
    std::vector<double> units(width + 1, -7.0);
    mapping.Map(units.data(), MAP_UNIT_DOUBLE, width);
    EXPECT_EQ(units[width - 1], 1.0); // 2 x 0.5, at the cap
    EXPECT_EQ(units[width], -7.0);

    mapping.SetRange(1.5, 11025.0, 0.0, 1.0); // just above 1 Hz: bin 0 out of range
    EXPECT_EQ(mapping.Row<std::uint8_t>(width)[0], 0);

    // The measured maximum is capped at full scale; the DC value is not.
    mapping.Run(std::vector<double>(kN, 3.0));
    mapping.SetRange(1.0, kRate / 2, 0.0, 1.0);
    mapping.Map(nullptr, MAP_COLOUR_INDEX, 0);
    EXPECT_EQ(mapping.last.stats.dMeasuredMagMax, 1.0);
    EXPECT_NEAR(mapping.last.stats.dDcMagnitude, 3.0, 1e-12);
}

TEST(SpectrumMapping, EachColumnHoldsItsLargestValueAndUntouchedColumnsKeepTheCallers) {
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

TEST(SpectrumMapping, UnitsAreTwiceTheLinearRatioColourIndexesTruncatedAndBothCapped) {
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
