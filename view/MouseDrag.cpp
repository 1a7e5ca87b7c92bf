// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/MouseDrag.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/Decibel.h"
#include "analysis/FrequencyAxis.h"

SDisplayRange DragRange(SDisplayRange range, std::int32_t dx, std::int32_t dy) {
    if (dx != 0) {
        range.dFreqMin -= 10.0 * dx;
        if (range.dFreqMin < kDragFreqFloor)
            range.dFreqMin = kDragFreqFloor;
        else if (range.dFreqMin > kDragFreqStartCeiling)
            range.dFreqMin = kDragFreqStartCeiling;
    }
    if (dy != 0) {
        range.dFreqSpan -= 20.0 * dy;
        if (range.dFreqSpan < kDragMinSpan)
            range.dFreqSpan = kDragMinSpan;
    }
    range.dFreqMax = range.dFreqMin + range.dFreqSpan;
    if (range.dFreqMax > kDragFreqCeiling) {
        range.dFreqMax = kDragFreqCeiling;
        range.dFreqSpan = kDragFreqCeiling - range.dFreqMin;
    }
    return range;
}

SDisplayRange DragLogRange(SDisplayRange range, std::int32_t dx, std::int32_t dy,
                           std::int32_t width, double binWidth) {
    if ((dx == 0 && dy == 0) || width <= 0)
        return range;
    const double floor = LogAxisLow(kDragFreqFloor, binWidth);
    double low =
        std::clamp(LogAxisLow(range.dFreqMin, binWidth), floor, kDragFreqCeiling / kDragMinRatio);
    double ratio = range.dFreqMax / low;
    if (!(ratio >= kDragMinRatio)) // also a range with no room on the log axis
        ratio = kDragMinRatio;
    ratio = std::min(ratio, kDragFreqCeiling / floor);
    if (dy != 0)
        ratio = std::clamp(ratio * std::pow(0.99, dy), kDragMinRatio, kDragFreqCeiling / low);
    if (dx != 0)
        low = std::clamp(low * std::pow(ratio, -static_cast<double>(dx) / width), floor,
                         kDragFreqCeiling / ratio);
    range.dFreqMin = low;
    range.dFreqMax = low * ratio;
    range.dFreqSpan = range.dFreqMax - range.dFreqMin;
    return range;
}

SPaletteSettings DragPalette(SPaletteSettings palette, std::int32_t dx, std::int32_t dy) {
    if (std::abs(dx) > std::abs(dy))
        palette.nShift += palette.bInvert ? -dx : dx;
    else if (dy < 0)
        palette.fScale -= 0.05f;
    else if (dy > 0)
        palette.fScale += 0.05f;
    palette.nShift = std::clamp(palette.nShift, -255, 255);
    palette.fScale = std::clamp(palette.fScale, 0.1f, 2.0f);
    return palette;
}

std::string FormatRangeHint(const SDisplayRange& range, const SSpectrumStats& stats) {
    const double low = LinearToDb(range.bAutoScale ? stats.dMeasuredMagMin : range.dMagMin);
    const double high = LinearToDb(range.bAutoScale ? stats.dMeasuredMagMax : range.dMagMax);
    char text[128];
    if (range.dFreqMax < 1000.0)
        std::snprintf(text, sizeof text, "F(%04.0f->%4.0fHz),M(%2.0f->%2.0fdB)", range.dFreqMin,
                      range.dFreqMax, low, high);
    else
        std::snprintf(text, sizeof text, "F(%04.2f->%4.2fKHz),M(%2.0f->%2.0fdB)",
                      range.dFreqMin * 0.001, range.dFreqMax * 0.001, low, high);
    return text;
}
