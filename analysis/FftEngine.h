// In-place radix-2 FFT of one block of N real samples (N a power of two,
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
    CFftEngine(double sampleRate, std::int32_t n, CRunState* runState);
    virtual ~CFftEngine() = default;
    CFftEngine(const CFftEngine&) = delete;
    CFftEngine& operator=(const CFftEngine&) = delete;

    // Transforms real[0..N) in place (the array becomes the engine's working
    // storage until the next Transform), then runs Map once per output.
    // outputs[j] points to widths[j] bytes (mode 0) or doubles (mode 1).
    void Transform(double* real, void* const* outputs, const std::int32_t* modes,
                   const std::int32_t* widths, std::int32_t count);
    // One spectrum mapping of the last transform; publishes the measured
    // range, DC magnitude, bin width and Nyquist frequency to the store.
    void Map(void* output, std::int32_t mode, std::int32_t width);
    // |X[k]| / N of the last transform, 0 <= k < N.
    double Magnitude(std::int32_t k) const;
    // The lowest log2(N) bits of j, reversed.
    std::int32_t BitReverse(std::int32_t j) const;

    std::int32_t GetSize() const { return m_nSize; }
    std::int32_t GetPointCount() const { return m_nPoints; }
    double GetMaxMagnitude() const { return m_dMaxMagnitude; }

private:
    // Implementation-defined working state lives below.
