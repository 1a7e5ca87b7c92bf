// SPDX-License-Identifier: GPL-3.0-or-later
// Levels of the standard frequency bands in one spectrum: the octave or
// third-octave bands of the base-ten series (nominal centres 31.5 Hz to 16
// kHz, or 20 Hz to 20 kHz; exact centres 1000 x 10^(n / 10) Hz, edges a
// twentieth, or three twentieths, of a decade either side).
//
// A band's level is the power of the bins inside it, each bin weighted by
// the share of its width (one bin width about its centre) that lies in the
// band, with the window's equivalent noise bandwidth and coherent gain
// taken out: dBFS of a sine's amplitude, so a full-scale sine reads 0 dBFS
// in its band and noise reads its power in the band. A band narrower than
// one bin is not measured at that block size: its level is NaN.
//
// Allocates nothing after construction. Not thread-safe: one thread uses an
// object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class EBandSet : std::int32_t { None, Octave, ThirdOctave };

struct SBand {
    std::string strName;    // nominal centre: "31.5", "125", "1k", "12.5k"
    double dCentre = 0.0;   // exact, Hz
    double dLow = 0.0;      // Hz
    double dHigh = 0.0;     // Hz
    bool bMeasured = false; // at least one bin wide
};

class CBandMeter {
public:
    // n: block size (a power of two); sampleRate in Hz; windowType: the
    // window the block was multiplied by (g_apszWindowNames; others none).
    CBandMeter(EBandSet set, std::int32_t n, double sampleRate, std::int32_t windowType);

    const std::vector<SBand>& Bands() const { return m_bands; }

    // magnitudes: |X[k]| / N for k = 0 .. N/2 (CFftEngine::GetMagnitudes).
    // levels: one per band, dBFS (-inf for silence, NaN where not measured).
    void Measure(const double* magnitudes, double* levels) const;

private:
    struct SBinShare {
        std::int32_t nBin = 0;
        double dWeight = 0.0; // the share of the bin inside the band
    };
    std::vector<SBand> m_bands;
    std::vector<std::vector<SBinShare>> m_shares; // per band
    double m_dPowerScale = 1.0;                   // 4 / mean(w^2)
};

// The bands of a set, unmeasured (no bins): names, exact centres and edges.
std::vector<SBand> StandardBands(EBandSet set);
