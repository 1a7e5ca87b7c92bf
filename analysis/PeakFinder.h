// SPDX-License-Identifier: GPL-3.0-or-later
// The strongest tone in one magnitude spectrum, measured from the transform's
// own bins (not from display columns) and refined between bins.
//
// The peak is the strongest bin inside the band that is a local maximum (at
// least as strong as both neighbours, which may lie outside the band), so
// the slope of a tone outside the band never reads as a peak at the band's
// edge. Its frequency and level are refined by a parabola through the log
// magnitudes of the bin and its two neighbours; a bin at either end of the
// spectrum (0 or N/2) is reported at its centre. A peak whose level is below
// the floor is no peak: silence and noise report nothing.
//
// The band starts at bin 1 until SetBand says otherwise: a DC offset is no
// tone, and the local-maximum rule keeps its falling skirt from reading as
// one. SetBand(0, ...) lets bin 0 in again.
//
// Levels are dBFS of a sine's amplitude: a full-scale sine reads 0 dBFS with
// every window, because the window's coherent gain (its mean value) is taken
// out. Bins 0 and N/2 have no negative-frequency twin, so they read their
// own amplitude (a DC offset of d reads 20 log10 |d|) rather than twice it.
// Plain value type; any thread, one object per thread.
#pragma once

#include <cstdint>
#include <limits>

inline constexpr double kDefaultPeakFloorDb = -90.0;

struct SPeak {
    bool bFound = false;     // false: nothing at or above the floor in the band
    double dFrequency = 0.0; // Hz, interpolated
    double dLevelDb = -std::numeric_limits<double>::infinity(); // dBFS, interpolated
    std::int32_t nBin = -1; // the strongest bin; -1 if the band holds none
};

class CPeakFinder {
public:
    // binWidth: Hz per bin (sample rate / N), > 0. windowGain: the mean of
    // the window applied before the transform (1 for none), > 0.
    CPeakFinder(double binWidth, double windowGain);

    // Band in Hz, inclusive; a high edge at or beyond Nyquist means up to
    // Nyquist. The default is bin 1 up to Nyquist.
    void SetBand(double lowHz, double highHz);
    void SetFloor(double floorDb) { m_dFloorDb = floorDb; }
    void SetWindowGain(double windowGain) { m_dWindowGain = windowGain; }

    // magnitudes: |X[k]| / N for k = 0 .. count - 1 (count = N/2 + 1, see
    // CFftEngine::GetMagnitudes).
    SPeak Find(const double* magnitudes, std::int32_t count) const;

private:
    double m_dBinWidth;
    double m_dWindowGain;
    double m_dLowHz; // bin 1's centre until SetBand
    double m_dHighHz = std::numeric_limits<double>::infinity();
    double m_dFloorDb = kDefaultPeakFloorDb;
};
