// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the analysis tests and, through AcquisitionTestSupport.h, by the
// capture tests: the common includes, generated sound whose frames show
// order and loss, waits with a limit and trace counts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/DebugLog.h"
#include "base/RunState.h"

namespace vtest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Samples = std::vector<std::int16_t>; // interleaved stereo, left first

inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = 5000ms) {
    for (const auto until = Clock::now() + timeout; !condition(); std::this_thread::sleep_for(1ms))
        if (Clock::now() > until)
            return false;
    return true;
}

// A spectrum's published statistics, comparable as a whole.
inline std::array<double, 5> StatsFields(const SSpectrumStats& s) {
    return {s.dMeasuredMagMin, s.dMeasuredMagMax, s.dDcMagnitude, s.dBinWidth, s.dNyquist};
}

// Counts a message in the trace written since construction.
struct STraceMark {
    std::size_t start = CTraceLog::Instance().Text().size();
    int Count(const std::string& message) const {
        const std::string text = CTraceLog::Instance().Text().substr(start);
        int n = 0;
        for (auto at = text.find(message); at != std::string::npos; at = text.find(message, at + 1))
            ++n;
        return n;
    }
};

inline Samples Constant(std::int64_t frames, std::int16_t left, std::int16_t right) {
    Samples s;
    for (std::int64_t i = 0; i < frames; ++i)
        s.insert(s.end(), {left, right});
    return s;
}

// Left is the frame index modulo 30000, right its negation.
inline Samples IndexRamp(std::int64_t first, std::int64_t frames) {
    Samples s;
    for (std::int64_t i = first; i < first + frames; ++i)
        s.insert(s.end(),
                 {static_cast<std::int16_t>(i % 30000), static_cast<std::int16_t>(-i % 30000)});
    return s;
}

// A sine of hz and amplitude (16-bit units) at 44100 Hz, the right channel
// at rightShare of the left.
inline Samples Tone(double hz, double amplitude, std::int64_t frames, double rightShare = 1.0) {
    Samples s;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * hz * i / 44100.0);
        s.insert(s.end(), {static_cast<std::int16_t>(std::lround(v)),
                           static_cast<std::int16_t>(std::lround(v * rightShare))});
    }
    return s;
}

} // namespace vtest
