// SPDX-License-Identifier: GPL-3.0-or-later
// What the status bar's range pane reads while the mouse rests over the
// histogram or the waterfall: the frequency of the pixel column under it,
// and on the histogram the level of the bar drawn there, on the waterfall
// how long ago the row under it was analysed.
//
// Everything is read off the frame as it was drawn (SReadoutBasis, filled
// by the view at each drawn frame), so a frozen display reads what it shows
// however the range moves meanwhile. Positions are in the view's OpenGL
// window coordinates: pixels, y upward, (0, 0) the lower left.
//
// Pure functions of their arguments; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/RunState.h"

enum class EReadoutPlot : std::int32_t { kNone, kHistogram, kWaterfall };

struct SReadoutBasis {
    EReadoutPlot ePlot = EReadoutPlot::kNone;
    // The data area: column 0 at x = nLeft, row 0 at y = nBottom; nColumns
    // columns (one a row cell) and nRows rows of pixels.
    std::int32_t nLeft = 0;
    std::int32_t nBottom = 0;
    std::int32_t nColumns = 0;
    std::int32_t nRows = 0;
    SDisplayRange range;
    SDisplayScale scale;
    SSpectrumStats stats;
    // Seconds a waterfall row stands for: the block length over the rate.
    double dBlockSeconds = 0.0;
    // Histogram: the bytes of the newest row that its bars show (0..255 over
    // the magnitude range) and how many columns one bar covers; empty before
    // a row. Columns past its end have no bar.
    std::vector<std::uint8_t> row;
    std::int32_t nBarColumns = 0;
};

struct SCursorReadout {
    double dHz = 0.0;
    // The level at the top of the bar under the cursor, dB (histogram with
    // a row only).
    std::optional<double> dLevelDb;
    // Seconds before the newest row (waterfall only).
    std::optional<double> dSecondsAgo;
};

// The readout at pixel (x, y), or nothing outside the data area (or on a
// plot that has none, or an unusable axis). The frequency is that of the
// column's centre on the range's axis (analysis/FrequencyAxis.h); a row's
// time is its middle, (k + 0.5) block lengths back for the k-th row above
// the newest.
std::optional<SCursorReadout> ReadCursor(const SReadoutBasis& basis, std::int32_t x,
                                         std::int32_t y);

// The magnitude a byte of the spectrum mapping stands for, in dB: where the
// axis beside the bars reads at that height. lo and hi are the mapping's
// magnitude ends (linear, 1.0 full scale); with the decibel scale the bytes
// run linearly in dB between theirs.
double ByteLevelDb(std::uint8_t value, double lo, double hi, bool decibel);

// The pane's text: "F(1234.5Hz),M(-23.4dB)" on the histogram,
// "F(1234.5Hz),T(-1.25s)" on the waterfall, "F(1234.5Hz)" without either.
std::string FormatCursorReadout(const SCursorReadout& readout);
