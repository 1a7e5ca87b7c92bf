// SPDX-License-Identifier: GPL-3.0-or-later
// FFT of one block of N real samples (N a power of two, 1024..32768 in the
// program), leaving the magnitudes of the bins 0..N/2 for the spectrum
// mapping (analysis/SpectrumMapping.h) and the peak measurement.
//
// Magnitudes are |DFT| / N, so a sine of amplitude A on a bin centre gives
// A / 2 with the rectangular window. Not thread-safe: one thread uses an
// object at a time (the sample exchange's lock guards its engine). Allocates
// nothing after construction.
#pragma once

#include <cstdint>
#include <vector>

class CFftEngine {
public:
    // n: block size, a power of two (the program uses 1024..32768; other
    // values are rounded down to a power of two, at least 4).
    explicit CFftEngine(std::int32_t n);
    virtual ~CFftEngine() = default;
    CFftEngine(const CFftEngine&) = delete;
    CFftEngine& operator=(const CFftEngine&) = delete;

    // Transforms real[0..N). The block is read, not modified: the
    // butterflies run in the engine's own work arrays (allocated by the
    // constructor), which is faster than working on the interleaved block.
    void Transform(const double* real);
    // |X[k]| / N of the last transform, 0 <= k < N (0 outside that, and
    // before the first transform).
    double Magnitude(std::int32_t k) const;
    // The same for every k from 0 to N/2: N/2 + 1 values (zeros before the
    // first transform), valid until the next Transform.
    const double* GetMagnitudes() const { return m_pMagnitude.data(); }
    // The lowest log2(N) bits of j, reversed.
    std::int32_t BitReverse(std::int32_t j) const;

    // The transform kernel exists in a baseline build and, on x86-64, an
    // AVX2 build that the constructor selects when the processor has it.
    // Asking for the wide one where it is missing keeps the baseline. For
    // tests and benchmarks; same thread rules as Transform.
    void SetWideVectors(bool enable);
    bool GetWideVectors() const { return m_bWideVectors; }

    std::int32_t GetSize() const { return m_nSize; }
    // The largest of all N magnitudes of the last transform.
    double GetMaxMagnitude() const { return m_dMaxMagnitude; }

private:
    std::vector<double> m_pSine;        // sin(2 pi k / N), 0 <= k < N
    std::vector<double> m_pWorkRe;      // N/2-point complex FFT in split form
    std::vector<double> m_pWorkIm;      //   (even samples real, odd imaginary)
    std::vector<double> m_pTwiddle;     // per-pass factors, contiguous per pass
    std::vector<std::int32_t> m_pOrder; // where FFT output k sits (log2(N/2) bits reversed)
    std::vector<double> m_pMagnitude;   // |X[k]| / N for 0 <= k <= N/2

    double m_dMaxMagnitude = 0.0; // largest of all N bins of the last transform
    std::int32_t m_nSize = 0;
    std::int32_t m_nStages = 0;  // log2 N
    bool m_bWideVectors = false; // the processor runs the AVX2 build of the kernel
};
