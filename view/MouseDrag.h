// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of the mouse drags and of the range hint in the status bar,
// apart from the widget so that it reads (and is checked) on its own.
// Standard library only; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "base/RunState.h"

// Frequency limits of a range drag, Hz.
inline constexpr double kDragFreqFloor = 1.0;
inline constexpr double kDragFreqStartCeiling = 19990.0;
inline constexpr double kDragFreqCeiling = 20000.0;
inline constexpr double kDragMinSpan = 100.0;

// A plain left drag by (dx, dy) pixels (y downward): dragging right lowers
// the start by 10 Hz a pixel (kept within 1..19990 Hz), dragging down
// narrows the span by 20 Hz a pixel (at least 100 Hz), and the end stays at
// or below 20000 Hz, the ceiling winning over the minimum span. The
// magnitude fields are left as they are.
SDisplayRange DragRange(SDisplayRange range, std::int32_t dx, std::int32_t dy);

// The ratio of the ends a drag leaves on the log axis at least.
inline constexpr double kDragMinRatio = 1.1;

// The same drag on the log frequency axis (analysis/FrequencyAxis.h), whose
// ends fa, fb it moves: dragging right pans both ends down by the same
// factor, (fb / fa)^(-dx / width), so the picture follows the mouse column
// by column; dragging down narrows the ratio fb / fa by 1 % a pixel (up
// widens it) with fa kept. The ratio stays at least 1.1, fb at most 20000
// Hz, fa at least the lowest the axis shows (20 Hz, or a bin width). The
// range's ends become fa and fb; a drag by (0, 0) changes nothing.
// binWidth: the analysis' bin spacing (0 before the first block); width:
// the plot's columns, > 0.
SDisplayRange DragLogRange(SDisplayRange range, std::int32_t dx, std::int32_t dy,
                           std::int32_t width, double binWidth);

// A right drag: mostly sideways moves the palette shift by dx (against it
// when inverted); otherwise (a diagonal too) up lowers and down raises the
// scale by 0.05. Shift kept to -255..255, scale to 0.1..2.0.
SPaletteSettings DragPalette(SPaletteSettings palette, std::int32_t dx, std::int32_t dy);

// Status-bar pane 1: "F(%04.0f->%4.0fHz),M(%2.0f->%2.0fdB)" below a maximum of
// 1000 Hz, else the same in kHz with two decimals; the magnitudes in dB,
// measured ones with auto-scale.
std::string FormatRangeHint(const SDisplayRange& range, const SSpectrumStats& stats);
