// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FrequencyAxis.h"

#include <algorithm>
#include <cmath>

double LogAxisLow(double freqMin, double binWidth) {
    return std::max({freqMin, kLogAxisFloor, binWidth});
}

SFrequencyAxis MakeFrequencyAxis(const SDisplayRange& range, bool log, double binWidth,
                                 std::int32_t width) {
    SFrequencyAxis axis;
    axis.dLow = log ? LogAxisLow(range.dFreqMin, binWidth) : range.dFreqMin;
    axis.dHigh = range.dFreqMax;
    axis.nWidth = width;
    axis.bLog = log;
    return axis;
}

bool IsUsable(const SFrequencyAxis& axis) {
    if (axis.nWidth <= 0 || !(axis.dHigh > axis.dLow))
        return false;
    return !axis.bLog || axis.dLow > 0.0;
}

double AxisPosition(const SFrequencyAxis& axis, double hz) {
    if (axis.bLog)
        return std::log(hz / axis.dLow) / std::log(axis.dHigh / axis.dLow) * axis.nWidth;
    return (hz - axis.dLow) / (axis.dHigh - axis.dLow) * axis.nWidth;
}

std::int32_t AxisColumn(const SFrequencyAxis& axis, double hz) {
    if (hz < axis.dLow)
        return -1;
    const double position = AxisPosition(axis, hz);
    if (!(position < axis.nWidth))
        return axis.nWidth - 1;
    return static_cast<std::int32_t>(position);
}

double AxisFrequency(const SFrequencyAxis& axis, double position) {
    const double fraction = position / axis.nWidth;
    if (axis.bLog)
        return axis.dLow * std::pow(axis.dHigh / axis.dLow, fraction);
    return axis.dLow + (axis.dHigh - axis.dLow) * fraction;
}
