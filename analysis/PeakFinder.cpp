// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/PeakFinder.h"

#include <algorithm>
#include <cmath>

CPeakFinder::CPeakFinder(double binWidth, double windowGain)
    : m_dBinWidth(binWidth), m_dWindowGain(windowGain), m_dLowHz(binWidth) {}

void CPeakFinder::SetBand(double lowHz, double highHz) {
    m_dLowHz = lowHz;
    m_dHighHz = highHz;
}

SPeak CPeakFinder::Find(const double* magnitudes, std::int32_t count) const {
    SPeak peak;
    if (magnitudes == nullptr || count <= 0 || !(m_dBinWidth > 0.0) || !(m_dWindowGain > 0.0))
        return peak;
    const double last = count - 1;
    const double low = std::clamp(std::ceil(m_dLowHz / m_dBinWidth), 0.0, last + 1.0);
    const double high = std::clamp(std::floor(m_dHighHz / m_dBinWidth), -1.0, last);
    const auto first = static_cast<std::int32_t>(low);
    const auto end = static_cast<std::int32_t>(high) + 1;

    double strongest = 0.0;
    for (std::int32_t k = first; k < end; ++k) {
        const double m = magnitudes[k];
        const bool risesFromLeft = k == 0 || m >= magnitudes[k - 1];
        const bool fallsToRight = k == count - 1 || m >= magnitudes[k + 1];
        if (risesFromLeft && fallsToRight && m > strongest) {
            strongest = m;
            peak.nBin = k;
        }
    }
    if (peak.nBin < 0)
        return peak;

    const std::int32_t k = peak.nBin;
    double offset = 0.0;
    double logPeak = std::log(strongest);
    if (k > 0 && k < count - 1 && magnitudes[k - 1] > 0.0 && magnitudes[k + 1] > 0.0) {
        const double a = std::log(magnitudes[k - 1]);
        const double c = std::log(magnitudes[k + 1]);
        const double curvature = a - 2.0 * logPeak + c;
        if (curvature < 0.0) {
            offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
            logPeak -= 0.25 * (a - c) * offset;
        }
    }
    // A sine of amplitude A gives A / 2 times the window's mean in its bin;
    // at DC and Nyquist the whole amplitude lands in the one bin.
    const double twin = k == 0 || k == count - 1 ? 1.0 : 2.0;
    peak.dLevelDb = 20.0 * (logPeak + std::log(twin / m_dWindowGain)) / std::log(10.0);
    peak.dFrequency = (k + offset) * m_dBinWidth;
    peak.bFound = peak.dLevelDb >= m_dFloorDb;
    return peak;
}
