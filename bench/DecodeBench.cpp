// SPDX-License-Identifier: GPL-3.0-or-later
// Offline throughput of sound files: a 10-minute recording read through the
// decoder and measured block by block as `vireon-headless --offline` does,
// as a 48 kHz 24-bit FLAC (decoded, resampled by soxr to 44.1 kHz and
// dithered to 16 bits) and as the same sound in a 44.1 kHz 16-bit WAV
// (copied untouched); and the decoding alone, the FLAC with and without the
// resampler, which is what the resampler costs.
//
//   BM_Offline/<file>/N   one pass: decode, then CBlockMeter::Measure on
//                         every block of N frames; blocks_per_s
//   BM_Decode/<file>      one pass of decoding alone; x_realtime
//
// The files are made by sox in a temporary folder on the first use (about
// 20 s) and removed at exit. One iteration is a whole pass: run it with
// repetitions and read the medians. The rates are per second of CPU time,
// which a shared machine disturbs least (the decoding runs on the calling
// thread alone).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/BlockMeter.h"
#include "platform/AudioFileDecoder.h"

namespace {

constexpr int kSeconds = 600;

struct SFiles {
    std::filesystem::path dir;
    std::string flac, wav;
    bool made = false;

    SFiles() {
        dir = std::filesystem::temp_directory_path() /
              ("vireon-decode-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        flac = (dir / "take.flac").string();
        wav = (dir / "take.wav").string();
        // Pink noise, independent on each side: a recording's spread of
        // levels, so that FLAC has as much to do as on music.
        const std::string make =
            "sox -n -r 48000 -b 24 -c 2 '" + flac + "' synth " + std::to_string(kSeconds) +
            " pinknoise pinknoise vol 0.2 && sox '" + flac + "' -r 44100 -b 16 '" + wav + "'";
        made = std::system(make.c_str()) == 0;
    }
    ~SFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

const SFiles& Files() {
    static const SFiles files;
    return files;
}

const std::string& PathOf(int which) {
    return which == 0 ? Files().flac : Files().wav;
}

// args: file (0 FLAC, 1 WAV), N, native rate (FLAC only).
void BM_Offline(benchmark::State& state) {
    if (!Files().made) {
        state.SkipWithError("sox could not make the files");
        return;
    }
    const auto n = static_cast<std::int32_t>(state.range(1));
    const bool native = state.range(2) != 0;
    std::vector<std::int16_t> block(2 * static_cast<std::size_t>(n));
    std::vector<float> floats(2 * static_cast<std::size_t>(n));
    std::int64_t blocks = 0;
    for (auto _ : state) {
        CAudioFileDecoder decoder({.bNativeRate = native});
        if (!decoder.Open(PathOf(static_cast<int>(state.range(0))))) {
            state.SkipWithError(decoder.Error().c_str());
            return;
        }
        CBlockMeter meter(n, decoder.OutputRate());
        for (;;) {
            const std::size_t got =
                native ? decoder.ReadFloat(floats.data(), static_cast<std::size_t>(n))
                       : decoder.ReadStereo(block.data(), static_cast<std::size_t>(n));
            if (got < static_cast<std::size_t>(n))
                break;
            benchmark::DoNotOptimize(native ? meter.Measure(floats.data(), n)
                                            : meter.Measure(block.data(), n));
            ++blocks;
        }
    }
    state.counters["blocks_per_s"] =
        benchmark::Counter(static_cast<double>(blocks), benchmark::Counter::kIsRate);
}

// args: file (0 FLAC, 1 WAV), native rate.
void BM_Decode(benchmark::State& state) {
    if (!Files().made) {
        state.SkipWithError("sox could not make the files");
        return;
    }
    const bool native = state.range(1) != 0;
    constexpr std::size_t kPiece = 4096;
    std::vector<std::int16_t> samples(2 * kPiece);
    std::vector<float> floats(2 * kPiece);
    double seconds = 0.0;
    for (auto _ : state) {
        CAudioFileDecoder decoder({.bNativeRate = native});
        if (!decoder.Open(PathOf(static_cast<int>(state.range(0))))) {
            state.SkipWithError(decoder.Error().c_str());
            return;
        }
        while ((native ? decoder.ReadFloat(floats.data(), kPiece)
                       : decoder.ReadStereo(samples.data(), kPiece)) == kPiece) {
        }
        seconds += static_cast<double>(decoder.FramesRead()) / decoder.OutputRate();
    }
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

void OfflineArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"file", "N", "native"});
    for (const std::int64_t n : {2048, 32768}) {
        b->Args({0, n, 0}); // FLAC, resampled
        b->Args({0, n, 1}); // FLAC at its own rate
        b->Args({1, n, 0}); // WAV, untouched
    }
    b->Unit(benchmark::kMillisecond)->Iterations(1);
}

void DecodeArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"file", "native"});
    b->Args({0, 0})->Args({0, 1})->Args({1, 0});
    b->Unit(benchmark::kMillisecond)->Iterations(1);
}

BENCHMARK(BM_Offline)->Apply(OfflineArgs);
BENCHMARK(BM_Decode)->Apply(DecodeArgs);

} // namespace
