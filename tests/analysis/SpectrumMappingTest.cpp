// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/SpectrumMapping.h"

#include <set>
#include <type_traits>

#include "analysis/Decibel.h"
#include "analysis/FftEngine.h"
#include "analysis/FrequencyAxis.h"
#include "analysis/LogColumns.h"
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
    void Map(std::span<const SMapRow> rows) { last = MapSpectrum(range, scale, Spectrum(), rows); }
    // On the log axis with a layout made for the row, as the analysis
    // thread maps.
    void Map(void* cells, std::int32_t mode, std::int32_t width) {
        const SColumnLayout* layout =
            scale.bLogFrequency
                ? columns.Update(range, kRate / engine.GetSize(), engine.GetSize() / 2, width)
                : nullptr;
        const SMapRow row{cells, mode, width, layout};
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
    SDisplayScale scale; // both off unless a test turns them on
    CLogColumns columns;
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
    EXPECT_EQ(vtest::StatsFields(mapping.last.stats),
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

// With decibels a magnitude is placed by its dB value between the ends' dB
// values: -60 dB is 40 % of the way up -100..0 dB, -50 dB half of -80..-20
// dB; anything at or below the low end is 0 and at or above the high end the
// cap (the 3D rows keep twice the ratio, so their upper half saturates).
// Tones sit alone on bin centres with the rectangular window: a magnitude of
// half the amplitude. Decibels alone keep the linear axis: the tone stays in
// its linear column.
TEST(SpectrumMapping, DecibelsPlaceEachToneByItsDbValueBetweenTheEndsAndClampBeyondThem) {
    const struct {
        double loDb, hiDb, toneDb, fraction;
    } table[] = {
        {-100.0, 0.0, -60.0, 0.4},   {-100.0, 0.0, -90.0, 0.1},  {-80.0, -20.0, -50.0, 0.5},
        {-80.0, -20.0, -35.0, 0.75}, {-100.0, 0.0, -120.0, 0.0}, {-80.0, -20.0, -81.0, 0.0},
        {-100.0, 0.0, 1.5, 1.0},     {-80.0, -20.0, -19.0, 1.0},
    };
    const std::int32_t bin = 40, width = kN / 2;
    for (const auto& row : table) {
        SCOPED_TRACE(std::to_string(row.toneDb) + " dB in " + std::to_string(row.loDb) + ".." +
                     std::to_string(row.hiDb));
        CMapping mapping(kN, Sines(kN, {{bin, 2.0 * DbToLinear(row.toneDb)}}));
        // The range's ends as magnitudes; 0 dB and below -100 dB are the
        // clamps of the dB conversion.
        mapping.SetRange(1.0, kRate / 2, row.loDb <= -100.0 ? 0.0 : DbToLinear(row.loDb),
                         row.hiDb >= 0.0 ? 1.0 : DbToLinear(row.hiDb));
        mapping.scale.bDecibel = true;
        const std::size_t column = mapping.Column(bin, width);
        const std::vector<double> units = mapping.Row<double>(width);
        EXPECT_NEAR(units[column], std::min(2.0 * row.fraction, 1.0), 1e-3); // 0.006 dB
        const int index = mapping.Row<std::uint8_t>(width)[column];
        EXPECT_NEAR(index, 255.0 * row.fraction, 1.0);
        // The other bins hold nothing louder than the low end.
        EXPECT_EQ(std::count(units.begin(), units.end(), 0.0), width - (row.fraction > 0.0));
    }

    // Auto range in dB too: the measured ends are the silence between the
    // tones (-100 dB at the most) and the loudest tone, -20 dB, so -80 dB
    // lies a quarter up and -35 dB 13/16.
    CMapping mapping(kN, Sines(kN, {{10, 2.0 * DbToLinear(-80.0)},
                                    {20, 2.0 * DbToLinear(-35.0)},
                                    {40, 2.0 * DbToLinear(-20.0)}}));
    mapping.SetRange(1.0, kRate / 2, 0.0, 1.0, true);
    mapping.scale.bDecibel = true;
    const std::vector<std::uint8_t> colours = mapping.Row<std::uint8_t>(width);
    EXPECT_NEAR(colours[mapping.Column(10, width)], 255.0 * 0.25, 1.0);
    EXPECT_NEAR(colours[mapping.Column(20, width)], 255.0 * 13 / 16, 1.0);
    EXPECT_EQ(colours[mapping.Column(40, width)], 255);
}

// On the log axis each tone lands in the column the axis gives its
// frequency; two bins sharing a column (high up, where columns are wide)
// show the louder. At N = 1024 the lowest columns of 20 Hz .. 20 kHz are far
// narrower than a bin: white noise must still reach every column of every
// row width the program uses, with and without decibels, and between a lone
// tone's bin and its silent neighbour the columns step down from the tone
// towards silence rather than jump. Without a layout for the row's width
// the row is left alone.
TEST(SpectrumMapping, TheLogAxisPutsEachToneInItsColumnAndFillsEveryColumnSmoothly) {
    CMapping mapping(kN, Noise(kN, 7));
    mapping.SetRange(20.0, 20000.0, 0.0, 1.0);
    mapping.scale.bLogFrequency = true;
    for (const std::int32_t width : {30, 60, 90, 360, 480, 600}) {
        SCOPED_TRACE("width " + std::to_string(width));
        for (const bool decibel : {false, true}) {
            mapping.scale.bDecibel = decibel;
            const std::vector<double> units = mapping.Row<double>(width, -1.0);
            EXPECT_EQ(std::count(units.begin(), units.end(), -1.0), 0) << decibel;
        }
        const std::vector<std::uint8_t> colours = mapping.Row<std::uint8_t>(width);
        EXPECT_EQ(std::count(colours.begin(), colours.end(), 0), 0);
    }

    mapping.scale.bDecibel = false;
    const std::int32_t width = 600;
    const SFrequencyAxis axis = MakeFrequencyAxis(mapping.range, true, kRate / kN, width);
    const auto column = [&](std::int32_t k) { return AxisColumn(axis, BinFrequency(k, kN)); };
    ASSERT_EQ(column(401), column(402));
    for (const Tones& pair : {Tones{{401, 0.2}, {402, 0.4}}, Tones{{401, 0.4}, {402, 0.2}}}) {
        Tones tones{{2, 0.4}, {25, 1.2}};
        tones.insert(tones.end(), pair.begin(), pair.end());
        mapping.Run(Sines(kN, tones));
        const std::vector<double> row = mapping.Row<double>(width);
        EXPECT_DOUBLE_EQ(row[column(2)], mapping.Mag(2) * 2.0);
        EXPECT_DOUBLE_EQ(row[column(25)], 1.0); // 0.6: in the upper half
        EXPECT_DOUBLE_EQ(row[column(402)], std::max(mapping.Mag(401), mapping.Mag(402)) * 2.0);
        EXPECT_LT(*std::max_element(row.begin() + column(402) + 1, row.end()), 1e-12);
    }

    mapping.Run(Sines(kN, {{3, 0.5}}));
    const std::vector<double> row = mapping.Row<double>(width, -1.0);
    ASSERT_GT(column(4) - column(3), 10);
    EXPECT_DOUBLE_EQ(row[column(3)], 0.5);
    for (std::int32_t c = column(3) + 1; c < column(4); ++c) {
        EXPECT_LE(row[c], row[c - 1]) << c;
        EXPECT_GE(row[c], 0.0) << c;
    }
    EXPECT_LT(row[column(4) - 1], 0.1);
    for (std::int32_t c = column(2) + 1; c < column(3); ++c)
        EXPECT_GE(row[c], row[c - 1]) << c;

    std::vector<double> alone(width, -1.0);
    const SMapRow unlaid{alone.data(), MAP_UNIT_DOUBLE, width, nullptr};
    mapping.Map({&unlaid, 1});
    EXPECT_TRUE(AllEqual(alone, -1.0));
}
