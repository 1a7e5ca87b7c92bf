// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/SpectrumMapping.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "analysis/Decibel.h"
#include "analysis/LogColumns.h"

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
    double dLoDb = 0.0; // LinearToDb of each, with the decibel scale
    double dHiDb = 0.0;
};

// The linear axis' column of bin k in a row of `columns` cells.
std::int32_t LinearColumn(const SBinRun& bins, std::int32_t k, double columns, std::int32_t width) {
    const SDisplayRange& range = *bins.pRange;
    // A bin exactly at the top frequency would land one past the row; it
    // belongs to the last column.
    const double position =
        (Hertz(k * bins.dBinWidth) - range.dFreqMin) / range.dFreqSpan * columns;
    if (position >= columns)
        return width - 1;
    if (position > 0.0)
        return static_cast<std::int32_t>(position);
    return 0;
}

// Raises each column of the row to the largest scaled value of its bins,
// (m - lo) x scale / (hi - lo) clamped to [0, cap]; columns no bin reaches
// keep what the caller put there.
template <typename T, typename Convert>
void HoldPeaks(T* row, std::int32_t width, const SBinRun& bins, double scale, double cap,
               Convert convert) {
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
        const std::int32_t column = LinearColumn(bins, k, columns, width);

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

// ln(x) for 1 <= x <= 2 at compile time: 2 atanh(s), s = (x - 1) / (x + 1)
// <= 1/3, whose series has converged to double precision after 30 terms.
constexpr double SeriesLn(double x) {
    const double s = (x - 1.0) / (x + 1.0);
    double power = s;
    double sum = 0.0;
    for (int k = 0; k < 30; ++k) {
        sum += power / (2 * k + 1);
        power *= s * s;
    }
    return 2.0 * sum;
}

// A double's bits, read as an integer and scaled by 2^-52, are its exponent
// plus its mantissa fraction f: log2 but for log2(1 + f) - f, a small bump
// (at most 0.086) that this table holds for 256 steps of f, each the middle
// of the bump's range over the step.
constexpr std::int32_t kBumpSteps = 256;
struct SBumpTable {
    double bump[kBumpSteps] = {};
};
constexpr SBumpTable MakeBumpTable() {
    const double ln2 = SeriesLn(2.0);
    const auto bump = [ln2](double f) { return SeriesLn(1.0 + f) / ln2 - f; };
    const double top = 1.0 / ln2 - 1.0; // where the bump peaks
    SBumpTable table;
    for (std::int32_t i = 0; i < kBumpSteps; ++i) {
        const double f0 = static_cast<double>(i) / kBumpSteps;
        const double f1 = static_cast<double>(i + 1) / kBumpSteps;
        const double low = std::min(bump(f0), bump(f1));
        const double high = f0 < top && top < f1 ? bump(top) : std::max(bump(f0), bump(f1));
        table.bump[i] = (low + high) / 2.0;
    }
    return table;
}
constexpr SBumpTable kBumps = MakeBumpTable();

// 20 log10(m) for a positive, finite, normal m, to within 0.006 dB (a
// colour step is 0.4 dB over the default range) and with a few operations:
// a row of 600 columns needs hundreds of these per block, which the
// library's log would make a large part of the take's time.
double FastDecibels(double m) {
    const auto bits = std::bit_cast<std::int64_t>(m);
    constexpr double kPerUnit = 1.0 / 4503599627370496.0; // 2^-52
    const double octaves = static_cast<double>(bits) * kPerUnit - 1023.0 +
                           kBumps.bump[(bits >> 44) & (kBumpSteps - 1)];
    constexpr double kDbPerOctave = 6.020599913279624; // 20 log10(2)
    return kDbPerOctave * octaves;
}

// How the scale options turn one magnitude into a cell value in [0, cap]:
// linear as HoldPeaks does, or by its dB value between the ends' dB values.
struct SValueRule {
    bool bDecibel = false;
    double dLo = 0.0; // magnitude, or dB
    double dHi = 0.0;
    double dLoMagnitude = 0.0; // with bDecibel: the ends as magnitudes
    double dHiMagnitude = 0.0;
    double dFactor = 0.0; // scale / (hi - lo)
    double dCap = 0.0;

    SValueRule(bool decibel, const SBinRun& bins, double scale, double cap)
        : bDecibel(decibel), dCap(cap) {
        dLo = decibel ? bins.dLoDb : bins.dLo;
        dHi = decibel ? bins.dHiDb : bins.dHi;
        if (decibel) {
            dLoMagnitude = DbMagnitude(bins.dLo);
            dHiMagnitude = DbMagnitude(bins.dHi);
        }
        dFactor = scale / (dHi - dLo);
    }

    // The magnitude whose dB value LinearToDb(m) gives, without a power:
    // its clamps' magnitudes, or m itself.
    static double DbMagnitude(double m) {
        if (m < 0.0001)
            return 1e-5; // -100 dB
        if (m > 0.9999)
            return 1.0;
        return m;
    }

    double operator()(double m) const {
        if (!bDecibel) {
            if (m < dLo)
                return 0.0;
            if (m > dHi)
                return dCap;
            return std::min((m - dLo) * dFactor, dCap);
        }
        // The ends as magnitudes spare the log where the answer is known
        // (silence among them, whose log is -inf) and keep FastDecibels to
        // normal numbers: the low end is at least -100 dB, the high one 0 dB.
        if (!(m > dLoMagnitude))
            return 0.0;
        if (m >= dHiMagnitude)
            return dCap;
        // Here lo < m < hi, so hi > lo: no division by zero reached this.
        return std::min(std::max((FastDecibels(m) - dLo) * dFactor, 0.0), dCap);
    }
};

template <typename T, typename Convert>
void Raise(T* row, std::int32_t column, double value, Convert convert) {
    T cell{};
    if (convert(value, &cell) && cell > row[column])
        row[column] = cell;
}

// Linear axis, any rule: each column's strongest bin, converted once.
template <typename T, typename Convert>
void MapLinearColumns(T* row, std::int32_t width, const SBinRun& bins, const SValueRule& rule,
                      Convert convert) {
    const double* mag = bins.pSpectrum->pMagnitudes;
    const double peak = bins.pSpectrum->dPeak;
    const double columns = width;
    std::int32_t column = -1;
    double top = 0.0;
    for (std::int32_t k = bins.nFirst; k < bins.nEnd; ++k) {
        const double m = mag[k];
        if (!bins.bAllCount && !Counts(m, peak))
            continue;
        // Columns rise with the bins: a column is complete when the next
        // bin lies beyond it.
        const std::int32_t c = LinearColumn(bins, k, columns, width);
        if (c != column) {
            if (column >= 0)
                Raise(row, column, rule(top), convert);
            column = c;
            top = m;
        } else {
            top = std::max(top, m);
        }
    }
    if (column >= 0)
        Raise(row, column, rule(top), convert);
}

// Raises cells [from, to) each to low + weight x rise, between two values
// the rules give (0..cap, or NaN): as Raise with the row's conversion, but
// with no test per cell, since these runs fill most of a row at small N.
void RaiseRun(std::uint8_t* row, const double* weights, std::int32_t from, std::int32_t to,
              double low, double rise) {
    if (std::isnan(low) || std::isnan(rise))
        return; // not a number raises nothing
    for (std::int32_t c = from; c < to; ++c) {
        // 0 <= value <= 255: truncated, below 1 it is an index of 0, which
        // raises nothing.
        const auto index =
            static_cast<std::uint8_t>(static_cast<std::int32_t>(low + weights[c] * rise));
        row[c] = std::max(row[c], index);
    }
}

void RaiseRun(double* row, const double* weights, std::int32_t from, std::int32_t to, double low,
              double rise) {
    for (std::int32_t c = from; c < to; ++c)
        row[c] = std::max(row[c], low + weights[c] * rise); // a NaN never wins
}

// Log axis: the layout's columns, each its strongest bin or the value
// interpolated between the two bins around it.
template <typename T, typename Convert>
void MapLogColumns(T* row, const SColumnLayout& layout, const SSpectrum& spectrum,
                   const SValueRule& rule, Convert convert) {
    const double* mag = spectrum.pMagnitudes;
    // Counts() without a division per bin: the same sign and NaN cases.
    const double perPeak = 40.0 / spectrum.dPeak;
    const auto counts = [perPeak](double m) { return m * perPeak >= 0.0; };
    // Where columns are narrower than bins, one bin's value serves its own
    // column and the runs of columns on either side: the last one is kept
    // so that each is converted once.
    std::int32_t lastBin = -1;
    double lastValue = 0.0;
    const auto binValue = [&](std::int32_t k) {
        if (k != lastBin) {
            lastBin = k;
            lastValue = rule(mag[k]);
        }
        return lastValue;
    };
    const SLogColumn* columns = layout.pColumns;
    const std::int32_t width = layout.nWidth;
    for (std::int32_t c = 0; c < width;) {
        const std::int32_t k = columns[c].nBegin;
        const std::int32_t end = columns[c].nEnd;
        if (end == k + 1) {
            if (counts(mag[k]))
                Raise(row, c, binValue(k), convert);
            ++c;
        } else if (end > k) {
            double top = -1.0;
            for (std::int32_t j = k; j < end; ++j)
                if (counts(mag[j]))
                    top = std::max(top, mag[j]);
            if (top >= 0.0)
                Raise(row, c, rule(top), convert);
            ++c;
        } else {
            // The run of columns between bins k and k + 1.
            const std::int32_t next = columns[c].nRunEnd;
            if (counts(mag[k]) && counts(mag[k + 1])) {
                const double low = binValue(k);
                RaiseRun(row, layout.pWeights, c, next, low, binValue(k + 1) - low);
            }
            c = next;
        }
    }
}

// Not a number (hi == lo == m) and anything below 1 never beat an unsigned
// index; skipping them also keeps the conversion defined.
constexpr auto ToColourIndex = [](double value, std::uint8_t* index) {
    if (!(value >= 1.0))
        return false;
    *index = static_cast<std::uint8_t>(static_cast<std::int32_t>(value));
    return true;
};

constexpr auto ToUnitDouble = [](double value, double* cell) {
    *cell = value; // a NaN never compares greater
    return true;
};

// One row by the scale options (not both off).
template <typename T, typename Convert>
void MapScaledRow(T* row, std::int32_t width, const SBinRun& bins, const SDisplayScale& scale,
                  const SColumnLayout* layout, double factor, double cap, Convert convert) {
    const SValueRule rule(scale.bDecibel, bins, factor, cap);
    if (!scale.bLogFrequency) {
        MapLinearColumns(row, width, bins, rule, convert);
        return;
    }
    const std::int32_t count = std::max(bins.pSpectrum->nSize / 2, 0);
    if (layout == nullptr || layout->pColumns == nullptr || layout->nWidth != width ||
        layout->nBins > count)
        return;
    MapLogColumns(row, *layout, *bins.pSpectrum, rule, convert);
}

} // namespace

SMapResult MapSpectrum(const SDisplayRange& range, const SSpectrum& spectrum,
                       std::span<const SMapRow> rows) {
    return MapSpectrum(range, SDisplayScale{}, spectrum, rows);
}

SMapResult MapSpectrum(const SDisplayRange& range, const SDisplayScale& scale,
                       const SSpectrum& spectrum, std::span<const SMapRow> rows) {
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
    if (scale.bDecibel) {
        bins.dLoDb = LinearToDb(bins.dLo);
        bins.dHiDb = LinearToDb(bins.dHi);
    }

    const bool plain = !scale.bDecibel && !scale.bLogFrequency;
    for (const SMapRow& row : rows) {
        if (row.pCells == nullptr || row.nWidth <= 0)
            continue;
        if (row.nMode == MAP_COLOUR_INDEX) {
            auto* cells = static_cast<std::uint8_t*>(row.pCells);
            if (plain)
                HoldPeaks(cells, row.nWidth, bins, 255.0, 255.0, ToColourIndex);
            else
                MapScaledRow(cells, row.nWidth, bins, scale, row.pLayout, 255.0, 255.0,
                             ToColourIndex);
        } else if (row.nMode == MAP_UNIT_DOUBLE) {
            // Twice the ratio: the upper half of the range saturates.
            auto* cells = static_cast<double*>(row.pCells);
            if (plain)
                HoldPeaks(cells, row.nWidth, bins, 2.0, 1.0, ToUnitDouble);
            else
                MapScaledRow(cells, row.nWidth, bins, scale, row.pLayout, 2.0, 1.0, ToUnitDouble);
        }
    }
    return result;
}
