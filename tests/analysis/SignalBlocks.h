// SPDX-License-Identifier: GPL-3.0-or-later
// Blocks of real samples for the transform and mapping tests: seeded noise,
// sums of sines exactly on bin centres, and pink noise shaped exactly.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace vtest {

using Tones = std::vector<std::pair<std::int32_t, double>>; // {bin, amplitude}

inline std::vector<double> Noise(std::int32_t n, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(n);
    std::generate(x.begin(), x.end(), [&] { return uniform(generator); });
    return x;
}

// Sum of sines, each exactly on a bin centre.
inline std::vector<double> Sines(std::int32_t n, const Tones& tones) {
    std::vector<double> x(n, 0.0);
    for (const auto& [bin, amplitude] : tones)
        for (std::int32_t i = 0; i < n; ++i)
            x[i] += amplitude * std::sin(2.0 * std::numbers::pi *
                                         static_cast<double>((std::int64_t{bin} * i) % n) / n);
    return x;
}

// In-place radix-2 transform of a power-of-two length, e^(sign 2 pi i kn/N),
// unscaled: the reference the pink noise is made with.
inline void ComplexTransform(std::vector<std::complex<double>>& a, int sign) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = sign * 2.0 * std::numbers::pi / static_cast<double>(len);
        for (std::size_t i = 0; i < n; i += len)
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
    }
}

// One period of pink noise, `length` samples (a power of two): every
// frequency of the period at amplitude 1 / sqrt(f) and a seeded random
// phase, so its power per band of constant ratio is the same everywhere.
// Scaled to a peak of `peak`.
inline std::vector<double> PinkNoise(std::size_t length, std::uint32_t seed, double peak) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
    std::vector<std::complex<double>> spectrum(length);
    for (std::size_t k = 1; k < length / 2; ++k) {
        spectrum[k] = std::polar(1.0 / std::sqrt(static_cast<double>(k)), phase(generator));
        spectrum[length - k] = std::conj(spectrum[k]);
    }
    ComplexTransform(spectrum, 1);
    std::vector<double> x(length);
    double top = 0.0;
    for (std::size_t i = 0; i < length; ++i)
        top = std::max(top, std::abs(x[i] = spectrum[i].real()));
    for (double& v : x)
        v *= peak / top;
    return x;
}

} // namespace vtest
