// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CursorReadout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "analysis/Decibel.h"
#include "analysis/SpectrumMapping.h"

namespace {

constexpr std::int32_t kLeft = 41;
constexpr std::int32_t kBottom = 17;
constexpr std::int32_t kColumns = 360;
constexpr double kRate = 44100.0;
constexpr std::int32_t kN = 4096;

SReadoutBasis Basis(EReadoutPlot plot) {
    SReadoutBasis basis;
    basis.ePlot = plot;
    basis.nLeft = kLeft;
    basis.nBottom = kBottom;
    basis.nColumns = kColumns;
    basis.nRows = kColumns;
    basis.range = {1.0, 10000.0, 9999.0, 0.0, 1.0, false};
    basis.stats.dBinWidth = kRate / kN;
    return basis;
}

} // namespace

// Only the data area reads: one pixel past it on any side is the range's
// business again, and so is every pixel of a plot without one.
TEST(CursorReadout, NothingIsReadOutsideTheDataArea) {
    const SReadoutBasis basis = Basis(EReadoutPlot::kWaterfall);
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
// reads no level.
TEST(CursorReadout, TheHistogramReadsTheTopOfTheBarDrawnOverTheColumn) {
    SReadoutBasis bars = Basis(EReadoutPlot::kHistogram);
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
}
