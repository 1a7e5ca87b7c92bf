// SPDX-License-Identifier: GPL-3.0-or-later
// Where the ticks of the display's scale options go: on a logarithmic
// frequency axis at 1, 2 and 5 x 10^k Hz, on a decibel axis every 10 or 20
// dB. Each tick is a value and its position, 0..1 of the axis' length; the
// ticks kept lie at least a given number of pixels apart, so their labels
// do not run into each other.
//
// Pure arithmetic, no OpenGL; any thread.
#pragma once

#include <vector>

#include "analysis/FrequencyAxis.h"

struct STickMark {
    double dValue = 0.0;    // Hz, or dB
    double dPosition = 0.0; // 0 at the axis' start, 1 at its end
    bool operator==(const STickMark&) const = default;
};

// Ticks at the 1, 2 and 5 x 10^k Hz inside a log axis (rounder ones first
// where they would crowd: 1, then 5, then 2); an axis spanning too little to
// hold two of them takes every 1..9 x 10^k, then 1.0..9.9 x 10^k. In rising
// order. lengthPx: the axis' length in pixels. None on an unusable or a
// linear axis.
std::vector<STickMark> LogFrequencyTicks(const SFrequencyAxis& axis, double lengthPx,
                                         double minSpacingPx);

// Ticks at the multiples of 10 dB from loDb to hiDb, or of 20 dB where 10
// would come closer than minSpacingPx; both ends where fewer than two
// multiples fall inside. In rising order; the low end alone when hiDb <=
// loDb.
std::vector<STickMark> DecibelTicks(double loDb, double hiDb, double lengthPx, double minSpacingPx);
