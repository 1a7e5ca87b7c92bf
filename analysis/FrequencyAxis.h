// SPDX-License-Identifier: GPL-3.0-or-later
// Where a frequency lies across a row of columns, on the display's linear
// or logarithmic frequency axis, and back: the arithmetic the spectrum
// mapping, the plots' frequency axes and the range drag share.
//
// A row of W columns covers [low, high]. Position p of a frequency f is
// fractional: 0 at low, W at high. Linear: p = (f - low) / (high - low) W.
// Logarithmic: p = ln(f / low) / ln(high / low) W. Column = floor(p), with
// f = high itself (p = W) in the last column.
//
// On a log axis the low end is the range's minimum, but never below 20 Hz
// (the bottom of hearing) nor below one bin width, so that the first columns
// do not spread bins 0 and 1 across a third of the row.
//
// Pure functions of their arguments; any thread.
#pragma once

#include <cstdint>

#include "base/RunState.h"

// Hz; the log axis never starts below this.
inline constexpr double kLogAxisFloor = 20.0;

struct SFrequencyAxis {
    double dLow = 0.0;  // Hz at the left edge of column 0
    double dHigh = 0.0; // Hz at the right edge of the last column
    std::int32_t nWidth = 0;
    bool bLog = false;
};

// The low end of a log axis over a range starting at freqMin, for bins
// binWidth Hz apart (0: not known yet).
double LogAxisLow(double freqMin, double binWidth);

// The axis a row of `width` columns shows for the range: fmin to fmax
// linear, LogAxisLow to fmax logarithmic.
SFrequencyAxis MakeFrequencyAxis(const SDisplayRange& range, bool log, double binWidth,
                                 std::int32_t width);

// Whether anything can be placed on it: width > 0, high > low (and low > 0
// on a log axis).
bool IsUsable(const SFrequencyAxis& axis);

// Fractional position of hz (not clamped); only for a usable axis, and on a
// log axis for hz > 0.
double AxisPosition(const SFrequencyAxis& axis, double hz);

// The column hz falls in: floor of its position, at most W - 1; -1 below
// the low end.
std::int32_t AxisColumn(const SFrequencyAxis& axis, double hz);

// The frequency at a fractional position (column c spans c to c + 1, its
// centre is c + 0.5): the inverse of AxisPosition.
double AxisFrequency(const SFrequencyAxis& axis, double position);
