// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/SpectrumAverage.h"

#include <algorithm>
#include <cmath>

void CSpectrumAverage::Add(const double* magnitudes, std::int32_t count, std::int32_t blocks) {
    const auto size = static_cast<std::size_t>(std::max(count, 0));
    if (size != m_power.size()) {
        m_power.assign(size, 0.0);
        m_magnitudes.assign(size, 0.0);
        m_nTaken = 0;
    }
    const double weight = m_nTaken == 0 ? 1.0 : 1.0 / std::max(blocks, 1);
    double peak = 0.0;
    for (std::size_t k = 0; k < size; ++k) {
        const double m = magnitudes[k];
        double& p = m_power[k];
        p += weight * (m * m - p);
        const double averaged = std::sqrt(p);
        m_magnitudes[k] = averaged;
        peak = std::max(peak, averaged);
    }
    m_dPeak = peak;
    ++m_nTaken;
}
