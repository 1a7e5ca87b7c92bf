// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CursorReadout.h"

#include <algorithm>
#include <cstdio>

#include "analysis/Decibel.h"
#include "analysis/FrequencyAxis.h"

double ByteLevelDb(std::uint8_t value, double lo, double hi, bool decibel) {
    const double fraction = value / 255.0;
    if (decibel) {
        const double low = LinearToDb(lo);
        return low + fraction * (LinearToDb(hi) - low);
    }
    return LinearToDb(lo + fraction * (hi - lo));
}

std::optional<SCursorReadout> ReadCursor(const SReadoutBasis& basis, std::int32_t x,
                                         std::int32_t y) {
    const std::int32_t column = x - basis.nLeft;
    const std::int32_t row = y - basis.nBottom;
    if (basis.ePlot == EReadoutPlot::kNone || column < 0 || column >= basis.nColumns || row < 0 ||
        row >= basis.nRows)
        return std::nullopt;
    const SFrequencyAxis axis = MakeFrequencyAxis(basis.range, basis.scale.bLogFrequency,
                                                  basis.stats.dBinWidth, basis.nColumns);
    if (!IsUsable(axis))
        return std::nullopt;
    SCursorReadout readout;
    readout.dHz = AxisFrequency(axis, column + 0.5);
    if (basis.ePlot == EReadoutPlot::kWaterfall) {
        readout.dSecondsAgo = (row + 0.5) * basis.dBlockSeconds;
    } else if (!basis.row.empty()) {
        // The bar drawn over this column shows the largest of its bytes.
        const std::int32_t width = std::max(basis.nBarColumns, 1);
        const auto first = static_cast<std::size_t>(column / width * width);
        const std::size_t end = std::min(first + static_cast<std::size_t>(width), basis.row.size());
        if (first < end) {
            const std::uint8_t top =
                *std::max_element(basis.row.begin() + first, basis.row.begin() + end);
            const bool autoScale = basis.range.bAutoScale;
            readout.dLevelDb =
                ByteLevelDb(top, autoScale ? basis.stats.dMeasuredMagMin : basis.range.dMagMin,
                            autoScale ? basis.stats.dMeasuredMagMax : basis.range.dMagMax,
                            basis.scale.bDecibel);
        }
    }
    return readout;
}

std::string FormatCursorReadout(const SCursorReadout& readout) {
    char text[96];
    if (readout.dLevelDb)
        std::snprintf(text, sizeof text, "F(%.1fHz),M(%.1fdB)", readout.dHz, *readout.dLevelDb);
    else if (readout.dSecondsAgo)
        std::snprintf(text, sizeof text, "F(%.1fHz),T(-%.2fs)", readout.dHz, *readout.dSecondsAgo);
    else
        std::snprintf(text, sizeof text, "F(%.1fHz)", readout.dHz);
    return text;
}
