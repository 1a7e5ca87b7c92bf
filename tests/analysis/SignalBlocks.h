// Blocks of real samples for the transform and mapping tests: seeded noise
// and sums of sines exactly on bin centres.
#pragma once

#include <algorithm>
#include <cmath>
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

} // namespace vtest
