// SPDX-License-Identifier: GPL-3.0-or-later
// An exponential average of magnitude spectra, taken on power: each block's
// |X[k]|^2 moves the average 1/n of the way towards itself, so a steady
// tone keeps its level while noise settles about its mean power. The first
// block after a reset is taken as it is.
//
// Allocates only when the spectrum grows. Not thread-safe: the analysis
// thread owns its object.
#pragma once

#include <cstdint>
#include <vector>

class CSpectrumAverage {
public:
    // Forgets every block taken so far.
    void Reset() { m_nTaken = 0; }
    // Folds count magnitudes in with the weight of one block in `blocks`
    // (>= 1; fewer counts as 1). A count other than the last one's starts
    // afresh.
    void Add(const double* magnitudes, std::int32_t count, std::int32_t blocks);
    // The averaged magnitudes, the square root of the averaged power: as
    // many as the last Add took, valid until the next Add or Reset.
    const double* Magnitudes() const { return m_magnitudes.data(); }
    // The largest averaged magnitude.
    double Peak() const { return m_dPeak; }
    std::int32_t Count() const { return static_cast<std::int32_t>(m_magnitudes.size()); }

private:
    std::vector<double> m_power;
    std::vector<double> m_magnitudes;
    double m_dPeak = 0.0;
    std::int64_t m_nTaken = 0;
};
