// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/MouseDrag.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

constexpr std::int32_t kWidth = 360;

SDisplayRange Range(double fmin, double fmax) {
    return {fmin, fmax, fmax - fmin, 0.1, 0.9, true};
}

} // namespace

// Sideways the picture moves with the mouse: a drag k columns to the left
// raises both ends by the ratio's k / W-th power, the ratio kept. Up and down: the ratio of the
// ends changes by 1 % a pixel, the low end stays; but never below 1.1, never past 20 kHz, and a pan
// stops where the axis does (20 Hz, or one bin) or at 20 kHz with the ratio kept. The default
// range's 1 Hz start becomes the log axis' own low end. No movement, no change. The span follows
// the ends and the magnitude fields ride along untouched.
TEST(MouseDrag, TheLogAxisPansByColumnsAndItsRatioChangesOnePercentAPixelWithinItsLimits) {
    const double bin = 44100.0 / 1024;
    const struct {
        double fmin, fmax;
        std::int32_t dx, dy;
        double binWidth, wantMin, wantMax;
    } table[] = {
        {100.0, 1000.0, -36, 0, 0.0, 100.0 * std::pow(10.0, 0.1), 1000.0 * std::pow(10.0, 0.1)},
        {200.0, 5000.0, 72, 0, 0.0, 200.0 * std::pow(25.0, -0.2), 5000.0 * std::pow(25.0, -0.2)},
        {200.0, 5000.0, -1, 0, 0.0, 200.0 * std::pow(25.0, 1 / 360.0),
         5000.0 * std::pow(25.0, 1 / 360.0)},
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
        EXPECT_DOUBLE_EQ(after.dFreqSpan, after.dFreqMax - after.dFreqMin);
        EXPECT_EQ((std::array{after.dMagMin, after.dMagMax, after.bAutoScale ? 1.0 : 0.0}),
                  (std::array{0.1, 0.9, 1.0}));
    }
}
