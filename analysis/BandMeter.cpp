// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/BandMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/WindowTable.h"

namespace {

// The rounded mantissas the series names its bands by, one per tenth of a
// decade.
constexpr double kNominal[10] = {1.0, 1.25, 1.6, 2.0, 2.5, 3.15, 4.0, 5.0, 6.3, 8.0};

std::string Name(std::int32_t n) {
    // n tenths of a decade from 1 kHz: the mantissa of its place in the
    // decade, times the decade.
    const std::int32_t tenth = ((n % 10) + 10) % 10;
    const std::int32_t decade = (n - tenth) / 10; // of 1 kHz
    const double hz = kNominal[tenth] * std::pow(10.0, decade + 3);
    char text[16];
    if (hz >= 1000.0)
        std::snprintf(text, sizeof text, "%gk", hz / 1000.0);
    else
        std::snprintf(text, sizeof text, "%g", hz);
    return text;
}

} // namespace

std::vector<SBand> StandardBands(EBandSet set) {
    std::vector<SBand> bands;
    if (set == EBandSet::None)
        return bands;
    // Third octaves from 20 Hz (n = -17) to 20 kHz (n = 13); octaves every
    // third of those from 31.5 Hz to 16 kHz.
    const bool octave = set == EBandSet::Octave;
    const std::int32_t step = octave ? 3 : 1;
    const double halfWidth = octave ? 0.15 : 0.05; // decades
    for (std::int32_t n = octave ? -15 : -17; n <= (octave ? 12 : 13); n += step) {
        SBand band;
        band.strName = Name(n);
        band.dCentre = 1000.0 * std::pow(10.0, n / 10.0);
        band.dLow = band.dCentre * std::pow(10.0, -halfWidth);
        band.dHigh = band.dCentre * std::pow(10.0, halfWidth);
        bands.push_back(band);
    }
    return bands;
}

CBandMeter::CBandMeter(EBandSet set, std::int32_t n, double sampleRate, std::int32_t windowType)
    : m_bands(StandardBands(set)) {
    const double binWidth = sampleRate / n;
    for (SBand& band : m_bands) {
        std::vector<SBinShare> shares;
        band.bMeasured = band.dHigh - band.dLow >= binWidth;
        if (band.bMeasured) {
            // Bins 1 .. N/2 - 1, each covering its frequency +- half a bin.
            const auto first = std::max<std::int32_t>(
                1, static_cast<std::int32_t>(std::floor(band.dLow / binWidth - 0.5)));
            const auto last = std::min<std::int32_t>(
                n / 2 - 1, static_cast<std::int32_t>(std::ceil(band.dHigh / binWidth + 0.5)));
            for (std::int32_t k = first; k <= last; ++k) {
                const double from = std::max((k - 0.5) * binWidth, band.dLow);
                const double to = std::min((k + 0.5) * binWidth, band.dHigh);
                if (to > from)
                    shares.push_back({k, (to - from) / binWidth});
            }
        }
        m_shares.push_back(std::move(shares));
    }

    // A sine of amplitude A leaves A^2 mean(w^2) / 4 in the squared
    // magnitudes of the positive half (Parseval): the coherent gain squared
    // times the equivalent noise bandwidth is mean(w^2).
    double meanSquare = 1.0;
    if (windowType >= 1 && windowType < kWindowCount) {
        CWindowTable window;
        window.SetSize(n);
        double sum = 0.0;
        for (std::int32_t i = 0; i < n; ++i)
            sum += window.Value(windowType, i) * window.Value(windowType, i);
        meanSquare = sum / n;
    }
    m_dPowerScale = 4.0 / meanSquare;
}

void CBandMeter::Measure(const double* magnitudes, double* levels) const {
    for (std::size_t b = 0; b < m_bands.size(); ++b) {
        if (!m_bands[b].bMeasured) {
            levels[b] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        double power = 0.0;
        for (const SBinShare& share : m_shares[b]) {
            const double m = magnitudes[share.nBin];
            power += share.dWeight * m * m;
        }
        levels[b] = 10.0 * std::log10(power * m_dPowerScale);
    }
}
