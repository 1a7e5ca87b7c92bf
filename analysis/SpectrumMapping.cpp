#include "analysis/SpectrumMapping.h"

#include <algorithm>
#include <cmath>

namespace {

// Bin 0 counts as 1 Hz, the default bottom of the range, so that the DC
// value shows in the first column.
double Hertz(double f) {
    return f < 1.0 ? 1.0 : f;
}

// False when the whole spectrum is zero (0 / 0) and for a bin that is not a
// number: neither has a place in the measured range.
bool Counts(double magnitude, double peak) {
    const double relative = magnitude * 40.0 / peak;
    return relative >= 0.0;
}

// What every row of one mapping shares: the bins it visits, [first, end),
// of which every one counts unless some were found not to, and the
// magnitudes that map to 0 and to the cap.
struct SBinRun {
    const SDisplayRange* pRange = nullptr;
    const SSpectrum* pSpectrum = nullptr;
    double dBinWidth = 0.0;
    std::int32_t nFirst = 0;
    std::int32_t nEnd = 0;
    bool bAllCount = true;
    double dLo = 0.0;
    double dHi = 0.0;
};

// Raises each column of the row to the largest scaled value of its bins,
// (m - lo) x scale / (hi - lo) clamped to [0, cap]; columns no bin reaches
// keep what the caller put there.
template <typename T, typename Convert>
void HoldPeaks(T* row, std::int32_t width, const SBinRun& bins, double scale, double cap,
               Convert convert) {
    const SDisplayRange& range = *bins.pRange;
    const double* mag = bins.pSpectrum->pMagnitudes;
    const double peak = bins.pSpectrum->dPeak;
    const double lo = bins.dLo;
    const double hi = bins.dHi;
    const double factor = scale / (hi - lo);
    const double columns = width;
    for (std::int32_t k = bins.nFirst; k < bins.nEnd; ++k) {
        const double m = mag[k];
        if (!bins.bAllCount && !Counts(m, peak))
            continue;
        // A bin exactly at the top frequency would land one past the row;
        // it belongs to the last column.
        const double position =
            (Hertz(k * bins.dBinWidth) - range.dFreqMin) / range.dFreqSpan * columns;
        std::int32_t column = 0;
        if (position >= columns)
            column = width - 1;
        else if (position > 0.0)
            column = static_cast<std::int32_t>(position);

        double value = (m - lo) * factor;
        if (m < lo)
            value = 0.0;
        else if (m > hi)
            value = cap;
        if (value > cap)
            value = cap;
        T cell{};
        if (!convert(value, &cell))
            continue;
        if (cell > row[column])
            row[column] = cell;
    }
}

// The first k in [lo, hi) for which holds(k) is false, where holds is true
// on a prefix of the interval (a binary search; clang 14 cannot parse
// libstdc++ 12's ranges, which the thread-safety check compiles with).
template <class Predicate>
std::int32_t PartitionPoint(std::int32_t lo, std::int32_t hi, Predicate holds) {
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (holds(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

} // namespace

SMapResult MapSpectrum(const SDisplayRange& range, const SSpectrum& spectrum,
                       std::span<const SMapRow> rows) {
    SMapResult result;
    SSpectrumStats& stats = result.stats;
    const std::int32_t n = spectrum.nSize;
    const double* mag = spectrum.pMagnitudes;
    // For N a power of two, k x (fs / N) is exactly k fs / N as a double.
    const double binWidth = spectrum.dSampleRate / n;
    stats.dBinWidth = binWidth;
    stats.dNyquist = std::trunc(spectrum.dSampleRate * 0.5 / binWidth) * binWidth;
    stats.dDcMagnitude = mag != nullptr && n > 0 ? mag[0] : 0.0;

    // Bin frequencies rise with k, so the bins inside [fmin, fmax] are one
    // run; only that run is visited.
    const std::int32_t count = mag != nullptr ? std::max(n / 2, 0) : 0;
    const auto hertzOf = [binWidth](std::int32_t k) { return Hertz(k * binWidth); };
    const std::int32_t first =
        PartitionPoint(0, count, [&](std::int32_t k) { return hertzOf(k) < range.dFreqMin; });
    const std::int32_t end =
        PartitionPoint(first, count, [&](std::int32_t k) { return hertzOf(k) <= range.dFreqMax; });

    SBinRun bins;
    bins.pRange = &range;
    bins.pSpectrum = &spectrum;
    bins.dBinWidth = binWidth;
    bins.nFirst = first;
    bins.nEnd = bins.nFirst;
    double measuredMax = 1e-5;
    double measuredMin = 99.0;
    std::int32_t points = 0;
    for (; bins.nEnd < end && points < kMaxMapPoints; ++bins.nEnd) {
        const double m = mag[bins.nEnd];
        if (!Counts(m, spectrum.dPeak)) {
            bins.bAllCount = false;
            continue;
        }
        measuredMax = std::max(measuredMax, m);
        measuredMin = std::min(measuredMin, m);
        ++points;
    }
    result.nPoints = points;
    if (points == 0) {
        stats.dMeasuredMagMin = 0.0;
        stats.dMeasuredMagMax = 1.0;
        return result;
    }
    measuredMax = std::min(measuredMax, 1.0);
    stats.dMeasuredMagMin = measuredMin;
    stats.dMeasuredMagMax = measuredMax;
    bins.dLo = range.bAutoScale ? measuredMin : range.dMagMin;
    bins.dHi = range.bAutoScale ? measuredMax : range.dMagMax;

    for (const SMapRow& row : rows) {
        if (row.pCells == nullptr || row.nWidth <= 0)
            continue;
        if (row.nMode == MAP_COLOUR_INDEX) {
            HoldPeaks(static_cast<std::uint8_t*>(row.pCells), row.nWidth, bins, 255.0, 255.0,
                      [](double value, std::uint8_t* index) {
                          // Not a number (hi == lo == m) and anything below 1
                          // never beat an unsigned index; skipping them also
                          // keeps the conversion defined.
                          if (!(value >= 1.0))
                              return false;
                          *index = static_cast<std::uint8_t>(static_cast<std::int32_t>(value));
                          return true;
                      });
        } else if (row.nMode == MAP_UNIT_DOUBLE) {
            // Twice the linear ratio: the upper half of the range saturates.
            HoldPeaks(static_cast<double*>(row.pCells), row.nWidth, bins, 2.0, 1.0,
                      [](double value, double* cell) {
                          *cell = value; // a NaN never compares greater
                          return true;
                      });
        }
    }
    return result;
}
