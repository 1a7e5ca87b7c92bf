// SPDX-License-Identifier: GPL-3.0-or-later
// The program's timing and format constants, each defined once. Changing one
// changes it everywhere; the comments say what depends on it.
#pragma once

#include <chrono>
#include <cstdint>

// Frames per second of everything the pipeline carries: capture, the file
// source's output, the analysis and every WAV file written.
inline constexpr std::int32_t kSampleRate = 44100;

// The view's main-loop tick: thread start-up (ticks 5 and 6), redraw pacing,
// capture time limits. The display draws at most once per tick.
inline constexpr std::chrono::milliseconds kTimerPeriod{100};

// The analysis thread's pause after each block, which bounds it to about 100
// blocks a second so that it never starves the user-interface thread.
inline constexpr std::chrono::milliseconds kAnalysisPause{10};

// How often the stop protocol looks at a worker's control word.
inline constexpr std::chrono::milliseconds kStopPoll{1};

// The longest the input thread waits for a chunk before it looks at its stop
// request again.
inline constexpr std::chrono::milliseconds kChunkWaitSlice{100};

// A capturing source that delivered nothing for this long is traced as
// stalled (once per stall).
inline constexpr std::chrono::milliseconds kStallTime{500};

// How often the screenshot thread looks for a new frame or a clipboard copy.
inline constexpr std::chrono::milliseconds kScreenshotPoll{100};

// The longest a capture backend's stop may take before its stream is
// abandoned (a frozen sound server never returns from a stop).
inline constexpr std::chrono::milliseconds kCaptureStopTimeout{1000};
