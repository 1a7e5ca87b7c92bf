// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FftEngine.h"

#include <complex>

#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/SignalBlocks.h"

namespace {

using vtest::Noise;

// |DFT(x)[k]| / N for k = 0, step, 2 step, ..., summed directly in long
// double with exact angle reduction.
std::vector<double> DirectDft(const std::vector<double>& x, std::size_t step) {
    const std::size_t n = x.size();
    std::vector<std::complex<long double>> root(n);
    for (std::size_t t = 0; t < n; ++t)
        root[t] = std::polar(1.0L, -2.0L * std::numbers::pi_v<long double> * t / n);
    std::vector<double> magnitudes;
    for (std::size_t k = 0; k < n; k += step) {
        std::complex<long double> sum = 0.0L;
        for (std::size_t i = 0; i < n; ++i)
            sum += static_cast<long double>(x[i]) * root[(k * i) % n];
        magnitudes.push_back(static_cast<double>(std::abs(sum) / n));
    }
    return magnitudes;
}

} // namespace

// Both builds of the kernel (the wide one only where the processor has it).
class FftKernel : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Builds, FftKernel, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Wide" : "Baseline"; });

// Sizes alternate between a leading radix-2 pass and radix-4 passes only;
// every bin is checked up to 2048, a spread of bins above. A different block
// goes first to catch state carried between transforms.
TEST_P(FftKernel, TransformMatchesADirectDftForEveryBlockSize) {
    for (std::int32_t n = 4; n <= 32768; n *= 2) {
        const std::vector<double> x = Noise(n, static_cast<std::uint32_t>(n));
        CFftEngine engine(n);
        engine.SetWideVectors(GetParam());
        std::vector<double> block = Noise(n, 1u);
        engine.Transform(block.data());
        block = x;
        engine.Transform(block.data());
        EXPECT_EQ(block, x) << "the caller's block was modified, n " << n;

        const std::int32_t step = n <= 2048 ? 1 : 997;
        const std::vector<double> expected = DirectDft(x, step);
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_NEAR(engine.Magnitude(i * step), expected[i], 1e-9) << n << " bin " << i * step;
        if (n <= 2048) {
            EXPECT_NEAR(engine.GetMaxMagnitude(),
                        *std::max_element(expected.begin(), expected.end()), 1e-9);
        }
    }
}
