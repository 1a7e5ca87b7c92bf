// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CursorReadout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/Decibel.h"
#include "analysis/LogColumns.h"
#include "analysis/SpectrumMapping.h"

namespace {

constexpr std::int32_t kLeft = 41;
constexpr std::int32_t kBottom = 17;
constexpr std::int32_t kColumns = 360;
constexpr double kRate = 44100.0;
constexpr std::int32_t kN = 4096;

SReadoutBasis Basis(EReadoutPlot plot, double fmin, double fmax, bool log) {
    SReadoutBasis basis;
    basis.ePlot = plot;
    basis.nLeft = kLeft;
    basis.nBottom = kBottom;
    basis.nColumns = kColumns;
    basis.nRows = kColumns;
    basis.range = {fmin, fmax, fmax - fmin, 0.0, 1.0, false};
    basis.scale = {false, log};
    basis.stats.dBinWidth = kRate / kN;
    basis.dBlockSeconds = kN / kRate;
    return basis;
}

// The frequency the readout shows at a column of the basis, read at
// mid-height.
double ReadHz(const SReadoutBasis& basis, std::int32_t column) {
    const std::optional<SCursorReadout> readout =
        ReadCursor(basis, kLeft + column, kBottom + kColumns / 2);
    EXPECT_TRUE(readout.has_value()) << "column " << column;
    return readout ? readout->dHz : 0.0;
}

} // namespace

// A column reads the frequency at its centre: linearly between the range's
// ends, or on the log axis geometrically from the higher of the minimum,
// 20 Hz and a bin width. First, middle and last column, on two ranges, one
// of which starts below 20 Hz.
TEST(CursorReadout, AColumnReadsTheFrequencyAtItsCentreOnTheLinearAndTheLogAxis) {
    for (const auto& [fmin, fmax] : {std::pair{1.0, 10000.0}, std::pair{250.0, 4000.0}}) {
        for (const bool log : {false, true}) {
            const SReadoutBasis basis = Basis(EReadoutPlot::kHistogram, fmin, fmax, log);
            const double low = log ? std::max({fmin, 20.0, kRate / kN}) : fmin;
            for (const std::int32_t column : {0, kColumns / 2, kColumns - 1}) {
                SCOPED_TRACE(std::to_string(fmin) + ".." + std::to_string(fmax) +
                             (log ? " log, column " : " linear, column ") + std::to_string(column));
                const double t = (column + 0.5) / kColumns;
                const double want = log ? low * std::pow(fmax / low, t) : low + t * (fmax - low);
                EXPECT_NEAR(ReadHz(basis, column), want, 1e-9 * want);
            }
        }
    }
}

// Only the data area reads: one pixel past it on any side is the range's
// business again, and so is every pixel of a plot without one.
TEST(CursorReadout, NothingIsReadOutsideTheDataArea) {
    const SReadoutBasis basis = Basis(EReadoutPlot::kWaterfall, 1.0, 10000.0, false);
    EXPECT_TRUE(ReadCursor(basis, kLeft, kBottom).has_value());
    EXPECT_TRUE(ReadCursor(basis, kLeft + kColumns - 1, kBottom + kColumns - 1).has_value());
    for (const auto& [x, y] :
         {std::pair{kLeft - 1, kBottom + 5}, std::pair{kLeft + kColumns, 20},
          std::pair{kLeft + 5, kBottom - 1}, std::pair{kLeft + 5, kBottom + kColumns}})
        EXPECT_FALSE(ReadCursor(basis, x, y).has_value()) << x << ", " << y;
    SReadoutBasis none = basis;
    none.ePlot = EReadoutPlot::kNone;
    EXPECT_FALSE(ReadCursor(none, kLeft + 5, kBottom + 5).has_value());
}

// Where the mapping draws a tone is where the readout says the tone is:
// the column holding a lone bin's energy reads the bin's frequency within
// half a column, on both axes and near either end of the range.
TEST(CursorReadout, TheColumnAToneIsMappedToReadsTheTonesFrequency) {
    std::vector<double> magnitudes(kN / 2 + 1, 0.0);
    for (const bool log : {false, true}) {
        const SReadoutBasis basis = Basis(EReadoutPlot::kHistogram, 100.0, 8000.0, log);
        CLogColumns columns;
        const SColumnLayout* layout =
            log ? columns.Update(basis.range, kRate / kN, kN / 2, kColumns) : nullptr;
        for (const std::int32_t bin : {12, 50, 333, 740}) {
            SCOPED_TRACE((log ? "log, bin " : "linear, bin ") + std::to_string(bin));
            std::fill(magnitudes.begin(), magnitudes.end(), 0.0);
            magnitudes[static_cast<std::size_t>(bin)] = 0.5;
            std::vector<std::uint8_t> row(kColumns, 0);
            const SMapRow map{row.data(), MAP_COLOUR_INDEX, kColumns, layout};
            MapSpectrum(basis.range, basis.scale, {magnitudes.data(), 0.5, kRate, kN}, {&map, 1});
            const auto column =
                static_cast<std::int32_t>(std::max_element(row.begin(), row.end()) - row.begin());
            ASSERT_GT(row[static_cast<std::size_t>(column)], 0);
            const double hz = bin * kRate / kN;
            // Half a column: of the span, or of the log axis' ratio.
            const double half =
                log ? std::log(basis.range.dFreqMax / basis.range.dFreqMin) / (2.0 * kColumns)
                    : basis.range.dFreqSpan / (2.0 * kColumns);
            const double read = ReadHz(basis, column);
            EXPECT_LE(log ? std::abs(std::log(read / hz)) : std::abs(read - hz), half * 1.0001)
                << "read " << read << " Hz";
        }
    }
}

// A byte of the mapping reads the level at its lower edge: the mapped
// magnitude lies between what its byte and the next one read, on the
// linear and the decibel scale, over the range's magnitudes.
TEST(CursorReadout, AMappedBytesLevelBracketsTheMagnitudeItWasMappedFrom) {
    std::vector<double> magnitudes(kN / 2 + 1, 0.0);
    constexpr std::int32_t kBin = 100;
    for (const bool decibel : {false, true}) {
        for (const auto& [lo, hi] : {std::pair{0.0, 1.0}, std::pair{0.001, 0.5}}) {
            for (const double magnitude : {0.4, 0.12, 0.03, 0.004}) {
                SCOPED_TRACE(std::string(decibel ? "dB " : "linear ") + std::to_string(lo) + ".." +
                             std::to_string(hi) + " at " + std::to_string(magnitude));
                magnitudes[kBin] = magnitude;
                const SDisplayRange range{1.0, 10000.0, 9999.0, lo, hi, false};
                std::vector<std::uint8_t> row(kColumns, 0);
                const SMapRow map{row.data(), MAP_COLOUR_INDEX, kColumns, nullptr};
                MapSpectrum(range, {decibel, false}, {magnitudes.data(), magnitude, kRate, kN},
                            {&map, 1});
                const std::uint8_t byte = *std::max_element(row.begin(), row.end());
                ASSERT_LT(byte, 255) << "inside the range";
                const double db = LinearToDb(magnitude);
                EXPECT_LE(ByteLevelDb(byte, lo, hi, decibel), db + 1e-9);
                EXPECT_GT(ByteLevelDb(static_cast<std::uint8_t>(byte + 1), lo, hi, decibel), db);
            }
        }
    }
}

// On the histogram a pixel column reads the top of the bar drawn over it,
// the largest byte of the bar's columns, and a column past the last bar
// reads no level; on the waterfall the k-th row above the newest lies
// k + 1/2 blocks back.
TEST(CursorReadout, TheHistogramReadsItsBarsTopAndTheWaterfallItsRowsAge) {
    SReadoutBasis bars = Basis(EReadoutPlot::kHistogram, 1.0, 10000.0, false);
    bars.nBarColumns = 3;
    bars.row.assign(kColumns - 6, 0);
    bars.row[7] = 40;  // bar 2: columns 6..8
    bars.row[8] = 200; // the bar's top
    bars.row[9] = 90;  // bar 3
    for (const std::int32_t column : {6, 7, 8}) {
        const auto readout = ReadCursor(bars, kLeft + column, kBottom);
        ASSERT_TRUE(readout && readout->dLevelDb);
        EXPECT_DOUBLE_EQ(*readout->dLevelDb, ByteLevelDb(200, 0.0, 1.0, false));
        EXPECT_FALSE(readout->dSecondsAgo);
    }
    EXPECT_DOUBLE_EQ(*ReadCursor(bars, kLeft + 9, kBottom)->dLevelDb,
                     ByteLevelDb(90, 0.0, 1.0, false));
    const auto past = ReadCursor(bars, kLeft + kColumns - 2, kBottom);
    ASSERT_TRUE(past);
    EXPECT_FALSE(past->dLevelDb);

    const SReadoutBasis rows = Basis(EReadoutPlot::kWaterfall, 1.0, 10000.0, false);
    const double block = kN / kRate;
    for (const std::int32_t k : {0, 1, 100, kColumns - 1}) {
        const auto readout = ReadCursor(rows, kLeft + 10, kBottom + k);
        ASSERT_TRUE(readout && readout->dSecondsAgo);
        EXPECT_NEAR(*readout->dSecondsAgo, (k + 0.5) * block, 1e-12);
        EXPECT_FALSE(readout->dLevelDb);
    }
}
