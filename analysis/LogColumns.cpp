// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/LogColumns.h"

#include <algorithm>
#include <cmath>

#include "analysis/FrequencyAxis.h"

const SColumnLayout* CLogColumns::Update(const SDisplayRange& range, double binWidth,
                                         std::int32_t bins, std::int32_t width) {
    const bool same = m_bBuilt && range.dFreqMin == m_dFreqMin && range.dFreqMax == m_dFreqMax &&
                      binWidth == m_dBinWidth && bins == m_nBins && width == m_nWidth;
    if (!same) {
        m_bBuilt = true;
        m_dFreqMin = range.dFreqMin;
        m_dFreqMax = range.dFreqMax;
        m_dBinWidth = binWidth;
        m_nBins = bins;
        m_nWidth = width;
        ++m_nBuilds;
        m_bUsable = Build(range, binWidth, bins, width);
    }
    return m_bUsable ? &m_layout : nullptr;
}

bool CLogColumns::Build(const SDisplayRange& range, double binWidth, std::int32_t bins,
                        std::int32_t width) {
    const SFrequencyAxis axis = MakeFrequencyAxis(range, true, binWidth, width);
    if (!IsUsable(axis) || bins < 2 || !(binWidth > 0.0) || bins > kMaxLogColumnIndex ||
        width > kMaxLogColumnIndex)
        return false;
    m_columns.assign(static_cast<std::size_t>(width), SLogColumn{-1, -1, 0});
    m_weights.assign(static_cast<std::size_t>(width), 0.0);

    // The bins from the axis' low end to its top, each in its column;
    // columns rise with the bins, so every column's bins are one run.
    auto first = static_cast<std::int32_t>(std::ceil(axis.dLow / binWidth));
    while (first > 0 && (first - 1) * binWidth >= axis.dLow)
        --first;
    while (first * binWidth < axis.dLow)
        ++first;
    for (std::int32_t k = std::max(first, 0); k < bins && k * binWidth <= axis.dHigh; ++k) {
        SLogColumn& column = m_columns[static_cast<std::size_t>(AxisColumn(axis, k * binWidth))];
        if (column.nEnd < 0)
            column.nBegin = static_cast<std::int16_t>(k);
        column.nEnd = static_cast<std::int16_t>(k + 1);
    }

    // The rest lie between two bins.
    for (std::int32_t c = 0; c < width; ++c) {
        SLogColumn& column = m_columns[static_cast<std::size_t>(c)];
        if (column.nEnd >= 0)
            continue;
        const double at = AxisFrequency(axis, c + 0.5) / binWidth;
        auto below = static_cast<std::int32_t>(std::floor(at));
        double weight = at - below;
        if (below >= bins - 1) {
            below = bins - 2;
            weight = 1.0;
        } else if (below < 0) {
            below = 0;
            weight = 0.0;
        }
        column = {static_cast<std::int16_t>(below), static_cast<std::int16_t>(below), 0};
        m_weights[static_cast<std::size_t>(c)] = weight;
    }
    // Where each run of columns between the same two bins ends.
    for (std::int32_t c = width - 1; c >= 0; --c) {
        SLogColumn& column = m_columns[static_cast<std::size_t>(c)];
        const bool between = column.nEnd == column.nBegin;
        const SLogColumn* next =
            c + 1 < width ? &m_columns[static_cast<std::size_t>(c + 1)] : nullptr;
        const bool runs = between && next != nullptr && next->nEnd == next->nBegin &&
                          next->nBegin == column.nBegin;
        column.nRunEnd = static_cast<std::int16_t>(runs ? next->nRunEnd : c + 1);
    }
    m_layout = {m_columns.data(), m_weights.data(), width, bins};
    return true;
}
