// SPDX-License-Identifier: GPL-3.0-or-later
// Per-block cost of the analysis pipeline at every block size, beside FFTW's
// complex double transform of the same length as a yardstick.
//
//   BM_Transform  the transform alone (with the magnitudes), no mapping,
//                 with the kernel build the processor selects
//   BM_TransformBaseline  the same with the baseline (SSE2) kernel build
//   BM_Fftw       fftw_execute of a complex N-point plan (FFTW_MEASURE)
//   BM_Take       the analysis thread's take: the display range read from
//                 the store, CSampleExchange::TakeBlock (transform + the two
//                 mappings, 600 colour indexes and 90 doubles) and the
//                 statistics published
//   BM_TakeLogDecibel  the same with the decibel scale and the log
//                 frequency axis on (the columns looked up, built once)
//   BM_Put        CSampleExchange::PutSingle: N int16 stereo frames reduced
//                 by the channel function, levels, scaling and the window
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/Decibel.h"
#include "analysis/FftEngine.h"
#include "analysis/LogColumns.h"
#include "analysis/SampleExchange.h"
#include "analysis/SpectrumMapping.h"
#include "base/RunState.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::int32_t kColourWidth = 600;
constexpr std::int32_t kSurfaceWidth = 90;

std::vector<double> TestSignal(std::int32_t n) {
    std::mt19937 generator(42);
    std::normal_distribution<double> noise(0.0, 0.01);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] =
            0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate) + noise(generator);
    return x;
}

std::vector<std::int16_t> TestFrames(std::int32_t n) {
    const std::vector<double> x = TestSignal(n);
    std::vector<std::int16_t> frames(2 * static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < x.size(); ++i) {
        frames[2 * i] = static_cast<std::int16_t>(x[i] * 32767.0);
        frames[2 * i + 1] = static_cast<std::int16_t>(-x[i] * 16000.0);
    }
    return frames;
}

// The state the analysis thread runs with: 1 Hz .. 10 kHz, -90 .. 0 dB.
void Configure(CRunState& store) {
    SDisplayRange range;
    range.dFreqMin = 1.0;
    range.dFreqMax = 10000.0;
    range.dFreqSpan = range.dFreqMax - range.dFreqMin;
    range.dMagMin = DbToLinear(-90.0);
    range.dMagMax = 1.0;
    store.SetDisplayRange(range);
    SCaptureFormat format;
    format.dSampleRate = kRate;
    format.nBitsPerSample = 16;
    format.nChannels = 2;
    format.nFrameStride = 2;
    format.nChannelMode = CHANNEL_SUM;
    format.nWindowType = 2; // Hann
    store.SetCaptureFormat(format);
}

void SetThroughput(benchmark::State& state, std::int64_t n) {
    state.SetItemsProcessed(state.iterations() * n);
}

void RunTransform(benchmark::State& state, bool wide) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    CFftEngine engine(n);
    if (!wide)
        engine.SetWideVectors(false);
    std::vector<double> block = TestSignal(n);
    for (auto _ : state) {
        engine.Transform(block.data());
        benchmark::DoNotOptimize(engine.GetMaxMagnitude());
    }
    SetThroughput(state, n);
}

void BM_Transform(benchmark::State& state) {
    RunTransform(state, true);
}
void BM_TransformBaseline(benchmark::State& state) {
    RunTransform(state, false);
}

void BM_Fftw(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    fftw_complex* in = fftw_alloc_complex(static_cast<std::size_t>(n));
    fftw_complex* out = fftw_alloc_complex(static_cast<std::size_t>(n));
    fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_MEASURE);
    // Planning with FFTW_MEASURE overwrites the input: fill it afterwards.
    const std::vector<double> x = TestSignal(n);
    for (int i = 0; i < n; ++i) {
        in[i][0] = x[static_cast<std::size_t>(i)];
        in[i][1] = 0.0;
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out[1][0]);
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
    SetThroughput(state, n);
}

// The exchange's put and take are timed separately; the other half of each
// round trip runs outside the measured interval.
using Clock = std::chrono::steady_clock;

// The take as the analysis thread runs it with the scale options given:
// the range and the options read from the store and, on the log axis, each
// row's columns looked up (built once, before the first iteration).
void RunTake(benchmark::State& state, const SDisplayScale& scale) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    CRunState store;
    Configure(store);
    store.SetDisplayScale(scale);
    auto exchange = std::make_unique<CSampleExchange>(n, kRate, &store);
    const std::vector<std::int16_t> frames = TestFrames(n);
    std::vector<std::uint8_t> colours(kColourWidth);
    std::vector<double> surface(kSurfaceWidth);
    SMapRow rows[] = {{colours.data(), MAP_COLOUR_INDEX, kColourWidth, nullptr},
                      {surface.data(), MAP_UNIT_DOUBLE, kSurfaceWidth, nullptr}};
    CLogColumns columns[2];
    const auto lookUp = [&](const SDisplayRange& range) {
        for (std::size_t i = 0; i < 2; ++i)
            rows[i].pLayout =
                columns[i].Update(range, exchange->GetBinWidth(), n / 2, rows[i].nWidth);
    };
    if (scale.bLogFrequency)
        lookUp(store.GetDisplayRange());
    SSpectrumStats stats;
    for (auto _ : state) {
        exchange->PutSingle(frames.data(), n);
        std::fill(colours.begin(), colours.end(), 0);
        std::fill(surface.begin(), surface.end(), 0.0);
        const auto start = Clock::now();
        const SDisplayRange range = store.GetDisplayRange();
        const SDisplayScale options = store.GetDisplayScale();
        if (options.bLogFrequency)
            lookUp(range);
        benchmark::DoNotOptimize(exchange->TakeBlock(range, options, rows, &stats));
        store.SetSpectrumStats(stats);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    SetThroughput(state, n);
}

void BM_Take(benchmark::State& state) {
    RunTake(state, {});
}
void BM_TakeLogDecibel(benchmark::State& state) {
    RunTake(state, {.bDecibel = true, .bLogFrequency = true});
}

void BM_Put(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    CRunState store;
    Configure(store);
    auto exchange = std::make_unique<CSampleExchange>(n, kRate, &store);
    const std::vector<std::int16_t> frames = TestFrames(n);
    for (auto _ : state) {
        const auto start = Clock::now();
        exchange->PutSingle(frames.data(), n);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        exchange->TakeBlock();
    }
    SetThroughput(state, n);
}

} // namespace

BENCHMARK(BM_Transform)->RangeMultiplier(2)->Range(1024, 32768)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TransformBaseline)
    ->RangeMultiplier(2)
    ->Range(1024, 32768)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fftw)->RangeMultiplier(2)->Range(1024, 32768)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Take)
    ->RangeMultiplier(2)
    ->Range(1024, 32768)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TakeLogDecibel)
    ->RangeMultiplier(2)
    ->Range(1024, 32768)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Put)
    ->RangeMultiplier(2)
    ->Range(1024, 32768)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
