// SPDX-License-Identifier: GPL-3.0-or-later
// The capture ring's two sides per chunk of N frames: the source's write,
// alone (the display only) and while a WAV recording reads every chunk back.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "acquisition/CaptureRing.h"

namespace {

std::vector<std::int16_t> RampFrames(std::int32_t n) {
    std::vector<std::int16_t> frames(2 * static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<std::int16_t>(i * 7);
    return frames;
}

void BM_RingWrite(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    CCaptureRing ring(n);
    const std::vector<std::int16_t> frames = RampFrames(n);
    for (auto _ : state)
        ring.Write(frames.data(), static_cast<std::size_t>(n));
    state.SetItemsProcessed(state.iterations() * n);
}

// The write and the recording's read of the chunk it completed.
void BM_RingWriteRecorded(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    CCaptureRing ring(n);
    const std::vector<std::int16_t> frames = RampFrames(n);
    ring.StartRecording(0);
    for (auto _ : state) {
        ring.Write(frames.data(), static_cast<std::size_t>(n));
        // Two pieces where the queue wraps.
        for (auto piece = ring.Recording().Peek(); piece.nFrames > 0;
             piece = ring.Recording().Peek()) {
            benchmark::DoNotOptimize(piece.pFrames);
            ring.Recording().Consume(piece);
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

BENCHMARK(BM_RingWrite)->RangeMultiplier(2)->Range(1024, 32768)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RingWriteRecorded)
    ->RangeMultiplier(2)
    ->Range(1024, 32768)
    ->Unit(benchmark::kMicrosecond);
