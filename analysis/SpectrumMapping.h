// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum mapping: the magnitudes of one transform, cut to a display
// range and scaled into output rows (one value per column, peak hold per
// column), with the statistics the plots show beside them.
//
// A pure function of its arguments: it reads no shared state and keeps none,
// so any thread may call it on its own rows. Allocates nothing.
#pragma once

#include <cstdint>
#include <span>

#include "base/RunState.h"

// Output modes of a row.
enum : std::int32_t {
    MAP_COLOUR_INDEX = 0, // unsigned 8-bit, 255 / (hi - lo), cap 255
    MAP_UNIT_DOUBLE = 1,  // double, 2 / (hi - lo), cap 1.0
};

// The most bins one mapping takes into account (the lowest ones in range).
inline constexpr std::int32_t kMaxMapPoints = 32767;

// One transform as the mapping reads it.
struct SSpectrum {
    const double* pMagnitudes = nullptr; // |X[k]| / N for 0 <= k <= N/2
    double dPeak = 0.0;                  // the largest magnitude of the transform
    double dSampleRate = 0.0;            // Hz
    std::int32_t nSize = 0;              // N, a power of two (bin k is at k fs / N)
};

struct SColumnLayout;

// One output row: nWidth cells of the mode's type. The mapping only raises
// cells, so the caller clears the row first (or keeps what should stay). On
// the log frequency axis the row's columns come from pLayout
// (analysis/LogColumns.h), made for this row's width, the same range and
// the spectrum's bins.
struct SMapRow {
    void* pCells = nullptr;
    std::int32_t nMode = MAP_COLOUR_INDEX;
    std::int32_t nWidth = 0;
    const SColumnLayout* pLayout = nullptr;
};

struct SMapResult {
    // Measured min/max of the bins in range (max capped at 1.0; 0 and 1
    // when no bin is in range or the spectrum is all zero), the DC
    // magnitude, the bin width fs / N and the highest bin frequency <= fs / 2.
    SSpectrumStats stats;
    std::int32_t nPoints = 0; // bins that were mapped
};

// Maps the bins with frequency in [fmin, fmax] (bin 0 counted as 1 Hz) into
// every row. Column = (f - fmin) / fspan x width, truncated and kept inside
// the row: a bin exactly at fmax lands in the last column. Each cell keeps
// the largest of its value and those of its bins; a value is clamped to
// [0, cap] of its mode over [lo, hi], which are the range's magnitudes or,
// with auto scale, the measured ones. A row with no cells, width <= 0 or an
// unknown mode is left alone; the statistics do not depend on the rows.
SMapResult MapSpectrum(const SDisplayRange& range, const SSpectrum& spectrum,
                       std::span<const SMapRow> rows);

// The same with the display's scale options. With bDecibel a magnitude m is
// placed by 20 log10(m) between the ends' dB values (LinearToDb of lo and
// hi): at or below the low end 0, at or above the high end the cap, so with
// 0..1 (-100..0 dB) -60 dB is 40 % of the way. With bLogFrequency the bins
// go to the columns of the row's layout; each column holds its strongest
// bin, and a column that holds none the value interpolated between the two
// bins around it. A row without a layout for its width and for bins within
// the spectrum is then left alone. With both off it is the mapping above.
SMapResult MapSpectrum(const SDisplayRange& range, const SDisplayScale& scale,
                       const SSpectrum& spectrum, std::span<const SMapRow> rows);
