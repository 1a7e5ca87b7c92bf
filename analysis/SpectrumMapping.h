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

// One output row: nWidth cells of the mode's type. The mapping only raises
// cells, so the caller clears the row first (or keeps what should stay).
struct SMapRow {
    void* pCells = nullptr;
    std::int32_t nMode = MAP_COLOUR_INDEX;
    std::int32_t nWidth = 0;
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
