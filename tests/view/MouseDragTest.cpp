// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/MouseDrag.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "analysis/FrequencyAxis.h"

namespace {

constexpr std::int32_t kWidth = 360;

SDisplayRange Range(double fmin, double fmax) {
    return {fmin, fmax, fmax - fmin, 0.1, 0.9, true};
}

SFrequencyAxis LogAxis(const SDisplayRange& range, double binWidth) {
    return MakeFrequencyAxis(range, true, binWidth, kWidth);
}

} // namespace

// A sideways drag on the log axis moves the picture with the mouse: every
// frequency is dx columns further along than before, the ratio of the ends
// unchanged. The magnitude fields ride along untouched.
TEST(MouseDrag, ASidewaysDragOnTheLogAxisPansEveryFrequencyByTheDraggedColumns) {
    for (const auto& [fmin, fmax] : {std::pair{100.0, 1000.0}, std::pair{200.0, 5000.0}}) {
        for (const std::int32_t dx : {-36, -1, 5, 72}) {
            SCOPED_TRACE(std::to_string(fmin) + ".." + std::to_string(fmax) + " by " +
                         std::to_string(dx));
            const SDisplayRange before = Range(fmin, fmax);
            const SDisplayRange after = DragLogRange(before, dx, 0, kWidth, 0.0);
            EXPECT_NEAR(after.dFreqMax / after.dFreqMin, fmax / fmin, 1e-9);
            EXPECT_DOUBLE_EQ(after.dFreqSpan, after.dFreqMax - after.dFreqMin);
            for (const double hz : {300.0, 700.0})
                EXPECT_NEAR(AxisPosition(LogAxis(after, 0.0), hz),
                            AxisPosition(LogAxis(before, 0.0), hz) + dx, 1e-9);
            EXPECT_EQ((std::array{after.dMagMin, after.dMagMax}), (std::array{0.1, 0.9}));
            EXPECT_TRUE(after.bAutoScale);
        }
    }
}

// Up and down: the ratio of the ends changes by 1 % a pixel, the low end
// stays; but never below 1.1, never past 20 kHz, and a pan stops where the
// axis does (20 Hz, or one bin) or at 20 kHz with the ratio kept. The
// default range's 1 Hz start becomes the log axis' own low end. No
// movement, no change.
TEST(MouseDrag, TheLogAxisRatioChangesOnePercentAPixelWithinItsLimits) {
    const double bin = 44100.0 / 1024;
    const struct {
        double fmin, fmax;
        std::int32_t dx, dy;
        double binWidth, wantMin, wantMax;
    } table[] = {
        {100.0, 1000.0, 0, 10, 0.0, 100.0, 100.0 * 10.0 * std::pow(0.99, 10)},
        {100.0, 1000.0, 0, -25, 0.0, 100.0, 100.0 * 10.0 * std::pow(0.99, -25)},
        {100.0, 1000.0, 0, 5000, 0.0, 100.0, 110.0},
        {100.0, 10000.0, 0, -200, 0.0, 100.0, 20000.0},
        {100.0, 10000.0, 10000, 0, 0.0, 20.0, 2000.0},
        {100.0, 10000.0, 10000, 0, bin, bin, bin * 100.0},
        {100.0, 10000.0, -10000, 0, 0.0, 200.0, 20000.0},
        {1.0, 10000.0, 0, 0, bin, 1.0, 10000.0},
        {1.0, 10000.0, 0, 1, bin, bin, 10000.0 * 0.99},
        {19000.0, 20000.0, 0, 3, 0.0, 20000.0 / 1.1, 20000.0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::to_string(row.fmin) + ".." + std::to_string(row.fmax) + " by (" +
                     std::to_string(row.dx) + ", " + std::to_string(row.dy) + ")");
        const SDisplayRange after =
            DragLogRange(Range(row.fmin, row.fmax), row.dx, row.dy, kWidth, row.binWidth);
        EXPECT_NEAR(after.dFreqMin, row.wantMin, 1e-9 * row.wantMin);
        EXPECT_NEAR(after.dFreqMax, row.wantMax, 1e-9 * row.wantMax);
    }
}
