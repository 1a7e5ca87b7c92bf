// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/AxisTicks.h"

#include <algorithm>
#include <cmath>

namespace {

// A tick value may sit a hair outside the axis through rounding.
constexpr double kSlack = 1e-9;

// Mantissas of one decade, the roundest first.
const std::vector<double> kOneTwoFive = {1.0, 5.0, 2.0};

std::vector<double> Mantissas(int level) {
    if (level == 0)
        return kOneTwoFive;
    std::vector<double> mantissas = kOneTwoFive;
    // 1..9, or 1.0..9.9 (tenths counted as integers, so 2.0 and 5.0 come
    // out exact and are not repeated).
    const int tenths = level == 1 ? 10 : 1;
    for (int i = 10; i < 100; i += tenths) {
        const double m = i / 10.0;
        if (std::find(mantissas.begin(), mantissas.end(), m) == mantissas.end())
            mantissas.push_back(m);
    }
    return mantissas;
}

} // namespace

std::vector<STickMark> LogFrequencyTicks(const SFrequencyAxis& axis, double lengthPx,
                                         double minSpacingPx) {
    std::vector<STickMark> ticks;
    if (!axis.bLog || !IsUsable(axis))
        return ticks;
    const auto firstDecade = static_cast<int>(std::floor(std::log10(axis.dLow)));
    const auto lastDecade = static_cast<int>(std::floor(std::log10(axis.dHigh)));
    for (int level = 0; level < 3 && ticks.size() < 2; ++level) {
        ticks.clear();
        // Candidates in order of roundness: each mantissa over all decades.
        for (const double mantissa : Mantissas(level)) {
            for (int decade = firstDecade; decade <= lastDecade; ++decade) {
                const double hz = mantissa * std::pow(10.0, decade);
                if (hz < axis.dLow * (1.0 - kSlack) || hz > axis.dHigh * (1.0 + kSlack))
                    continue;
                const double position = std::clamp(AxisPosition(axis, hz) / axis.nWidth, 0.0, 1.0);
                const bool crowded =
                    std::any_of(ticks.begin(), ticks.end(), [&](const STickMark& t) {
                        return std::abs(t.dPosition - position) * lengthPx < minSpacingPx;
                    });
                if (!crowded)
                    ticks.push_back({hz, position});
            }
        }
    }
    std::sort(ticks.begin(), ticks.end(),
              [](const STickMark& a, const STickMark& b) { return a.dPosition < b.dPosition; });
    return ticks;
}

std::vector<STickMark> DecibelTicks(double loDb, double hiDb, double lengthPx,
                                    double minSpacingPx) {
    if (!(hiDb > loDb))
        return {{loDb, 0.0}};
    const double span = hiDb - loDb;
    const double step = lengthPx * 10.0 / span >= minSpacingPx ? 10.0 : 20.0;
    std::vector<STickMark> ticks;
    for (double db = std::ceil(loDb / step - kSlack) * step; db <= hiDb + kSlack; db += step)
        ticks.push_back({db + 0.0, std::clamp((db - loDb) / span, 0.0, 1.0)}); // never -0
    if (ticks.size() < 2)
        ticks = {{loDb, 0.0}, {hiDb, 1.0}};
    return ticks;
}
