// SPDX-License-Identifier: GPL-3.0-or-later
// Measures one block of captured sound the way the analysis sees it: each
// stereo frame reduced by the channel function and scaled to +-1.0, the
// block's minimum, maximum and RMS taken, the window applied, the transform
// run and the strongest tone found (CPeakFinder). The measuring front end
// (vireon-headless) feeds it every block of a file or of the capture stream.
//
// Allocates nothing after construction. Not thread-safe: one thread uses an
// object.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/FftEngine.h"
#include "analysis/PeakFinder.h"
#include "analysis/WindowTable.h"

// The window a meter starts with: Hann (index into g_apszWindowNames).
inline constexpr std::int32_t kDefaultMeterWindow = 2;

struct SBlockMeasurement {
    SPeak peak;
    double dMin = 0.0; // smallest channel value, full scale 1.0
    double dMax = 0.0; // largest channel value
    double dRms = 0.0; // root mean square of the channel values
};

class CBlockMeter {
public:
    // n: block size, a power of two 1024..32768; sampleRate in Hz. Starts
    // with the Hann window, the sum channel, the band from bin 1 up (see
    // CPeakFinder) and the default floor.
    CBlockMeter(std::int32_t n, double sampleRate);
    CBlockMeter(const CBlockMeter&) = delete;
    CBlockMeter& operator=(const CBlockMeter&) = delete;

    void SetChannelMode(std::int32_t mode) { m_nChannelMode = mode; } // CHANNEL_*
    // Window index 0..9 (g_apszWindowNames); others mean none.
    void SetWindowType(std::int32_t type);
    void SetBand(double lowHz, double highHz) { m_finder.SetBand(lowHz, highHz); }
    void SetFloor(double floorDb) { m_finder.SetFloor(floorDb); }

    // frames: interleaved 16-bit stereo, left first; count frames, of which
    // at most N are read and fewer are padded with silence (the levels cover
    // only the frames given).
    SBlockMeasurement Measure(const std::int16_t* frames, std::int32_t count);
    // The same from interleaved float stereo, full scale 1.0; the difference
    // saturates at +-1.0.
    SBlockMeasurement Measure(const float* frames, std::int32_t count);
    // |X[k]| / N for k = 0 .. N/2 of the last Measure's block.
    const double* GetMagnitudes() const { return m_fft.GetMagnitudes(); }

private:
    // value(i): frame i's channel value, full scale 1.0.
    template <typename Value> SBlockMeasurement MeasureValues(std::int32_t used, Value value);

    std::int32_t m_nSize;
    std::int32_t m_nChannelMode;
    CWindowTable m_window;
    CFftEngine m_fft;
    CPeakFinder m_finder;
    std::vector<double> m_pSamples;
};
