// SPDX-License-Identifier: GPL-3.0-or-later
// The columns of one row on the logarithmic frequency axis, worked out once
// for a range, a row width and a bin spacing and reused for every block the
// analysis maps with them (analysis/SpectrumMapping.h).
//
// Towards the top, where columns are wider than bins, each column holds a
// run of bins and shows the strongest. Towards the bottom, where columns are
// narrower than bins, most columns hold no bin: such a column is given the
// two bins around its centre (in frequency) and how far between them the
// centre lies, so the mapping can interpolate and no row shows a gap.
//
// Not thread-safe: one owner (the analysis thread, a test, a benchmark).
// Update allocates only when it rebuilds.
#pragma once

#include <cstdint>
#include <vector>

#include "base/RunState.h"

// One column: bins [nBegin, nEnd) fall into it; with none (nEnd == nBegin)
// its centre lies between bins nBegin and nBegin + 1, and so do those of the
// columns up to nRunEnd (exclusive). Sixteen bits each keep a row's layout
// small enough to stay in the cache beside the spectrum.
inline constexpr std::int32_t kMaxLogColumnIndex = 32767;
struct SLogColumn {
    std::int16_t nBegin = 0;
    std::int16_t nEnd = 0;
    std::int16_t nRunEnd = 0;
};

// What the mapping reads: one entry per column, and for a column between
// two bins how far (0..1) its centre lies from the first towards the
// second (a separate array, so that runs of such columns read it in one
// sweep). Every bin it names is below nBins.
struct SColumnLayout {
    const SLogColumn* pColumns = nullptr;
    const double* pWeights = nullptr;
    std::int32_t nWidth = 0;
    std::int32_t nBins = 0;
};

class CLogColumns {
public:
    // The layout of a row of `width` columns over the range's log axis
    // (analysis/FrequencyAxis.h) for `bins` bins (0 .. bins - 1, binWidth Hz
    // apart). Rebuilt only when the frequency range, the bin width, the bin
    // count or the width differs from the last call's. Null when the axis is
    // unusable, there are fewer than two bins or more than
    // kMaxLogColumnIndex, or width is not 1..kMaxLogColumnIndex. Valid until
    // the next Update.
    const SColumnLayout* Update(const SDisplayRange& range, double binWidth, std::int32_t bins,
                                std::int32_t width);

    // How many times Update has rebuilt the layout.
    std::int32_t GetBuilds() const { return m_nBuilds; }

private:
    bool Build(const SDisplayRange& range, double binWidth, std::int32_t bins, std::int32_t width);

    std::vector<SLogColumn> m_columns;
    std::vector<double> m_weights;
    SColumnLayout m_layout;
    bool m_bUsable = false;
    bool m_bBuilt = false;
    double m_dFreqMin = 0.0;
    double m_dFreqMax = 0.0;
    double m_dBinWidth = 0.0;
    std::int32_t m_nBins = 0;
    std::int32_t m_nWidth = 0;
    std::int32_t m_nBuilds = 0;
};
