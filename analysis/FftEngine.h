// FFT of one block of N real samples (N a power of two,
// 1024..32768), followed by the spectrum mapping: the magnitudes of the bins
// inside the store's frequency range are scaled into its magnitude range and
// written, per output column, into output rows (peak hold per column).
//
// Magnitudes are |DFT| / N, so a sine of amplitude A on a bin centre gives
// A / 2 with the rectangular window. Used only under the sample exchange's
// lock (Transform and Map by the analysis thread). Allocates nothing after
// construction.
#pragma once

#include <cstdint>
#include <vector>

class CRunState;

// Output modes of Map.
enum : std::int32_t {
    MAP_COLOUR_INDEX = 0, // unsigned 8-bit, 255 / (hi - lo), cap 255
    MAP_UNIT_DOUBLE = 1,  // double, 2 / (hi - lo), cap 1.0
};

inline constexpr std::int32_t kMaxMapPoints = 32767;

class CFftEngine {
public:
    // n: block size, a power of two (the program uses 1024..32768; other
    // values are rounded down to a power of two, at least 4). sampleRate in
    // Hz. runState: the store Map reads its range from and publishes to; with
    // a null store Map does nothing.
    CFftEngine(double sampleRate, std::int32_t n, CRunState* runState);
    virtual ~CFftEngine() = default;
    CFftEngine(const CFftEngine&) = delete;
    CFftEngine& operator=(const CFftEngine&) = delete;

    // Transforms real[0..N), then runs Map once per output. The block is
    // read, not modified: the butterflies run in the engine's own work arrays
    // (allocated by the constructor), which is faster than working on the
    // interleaved block. outputs[j] points to widths[j] bytes (mode 0) or
    // doubles (mode 1); no write leaves [0, widths[j]).
    void Transform(double* real, void* const* outputs, const std::int32_t* modes,
                   const std::int32_t* widths, std::int32_t count);
    // One spectrum mapping of the last transform; publishes the measured
    // range, DC magnitude, bin width and Nyquist frequency to the store.
    // Columns are (f - fmin) / fspan x width, truncated and kept inside the
    // row: a bin exactly at fmax lands in the last column. A null output,
    // width <= 0 or an unknown mode writes nothing but still publishes.
    void Map(void* output, std::int32_t mode, std::int32_t width);
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
    std::int32_t GetPointCount() const { return m_nPoints; }
    double GetMaxMagnitude() const { return m_dMaxMagnitude; }

private:
    std::vector<double> m_pSine;        // sin(2 pi k / N), 0 <= k < N
    std::vector<double> m_pWorkRe;      // N/2-point complex FFT in split form
    std::vector<double> m_pWorkIm;      //   (even samples real, odd imaginary)
    std::vector<double> m_pTwiddle;     // per-pass factors, contiguous per pass
    std::vector<std::int32_t> m_pOrder; // where FFT output k sits (log2(N/2) bits reversed)
    std::vector<double> m_pMagnitude;   // |X[k]| / N for 0 <= k <= N/2
    std::vector<double> m_pBinFreq;     // Hz of bin k as the mapping computes it

    double m_dMaxMagnitude = 0.0; // largest of all N bins of the last transform
    double m_dSampleRate = 0.0;   // Hz
    double m_dDcMagnitude = 0.0;
    double m_dNyquist = 0.0;  // Hz
    double m_dBinWidth = 0.0; // Hz
    std::int32_t m_nSize = 0;
    std::int32_t m_nStages = 0;  // log2 N
    bool m_bWideVectors = false; // the processor runs the AVX2 build of the kernel

    // Bins selected by the current mapping (fixed capacity, allocated once).
    std::vector<double> m_dPointMag;
    std::vector<double> m_dPointFreq;
    std::vector<std::int32_t> m_nPointColumn;
    std::int32_t m_nPoints = 0;

    CRunState* m_pRunState = nullptr;
};
