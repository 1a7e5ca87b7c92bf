// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/AxisTicks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<double> Values(const std::vector<STickMark>& ticks) {
    std::vector<double> values;
    for (const STickMark& t : ticks)
        values.push_back(t.dValue);
    return values;
}

SFrequencyAxis LogAxis(double low, double high, std::int32_t width) {
    return {low, high, width, true};
}

} // namespace

// Over three decades at 360 pixels every 1, 2 and 5 x 10^k fits, each at its
// decade fraction. Squeezed, the rounder ones win: at 120 pixels only the
// decades keep their distance. An axis too short for two of them falls back
// to every 1..9, then every 1.0..9.9 x 10^k.
TEST(AxisTicks, LogFrequencyTicksSitAtOneTwoFiveAndThinOutRoundestLast) {
    const struct {
        double low, high, length;
        std::vector<double> values;
    } table[] = {
        {20.0, 20000.0, 360.0, {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000}},
        {20.0, 20000.0, 120.0, {100, 1000, 10000}},
        {43.0, 10000.0, 360.0, {50, 100, 200, 500, 1000, 2000, 5000, 10000}},
        {1100.0, 1900.0, 400.0, {1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900}},
        {1000.0, 1100.0, 360.0, {1000, 1100}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::to_string(row.low) + ".." + std::to_string(row.high) + " over " +
                     std::to_string(row.length));
        const SFrequencyAxis axis = LogAxis(row.low, row.high, 360);
        const std::vector<STickMark> ticks = LogFrequencyTicks(axis, row.length, 36.0);
        const std::vector<double> values = Values(ticks);
        ASSERT_EQ(values.size(), row.values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_NEAR(values[i], row.values[i], 1e-9 * row.values[i]);
            EXPECT_NEAR(ticks[i].dPosition,
                        std::log10(row.values[i] / row.low) / std::log10(row.high / row.low), 1e-9);
        }
    }
    EXPECT_TRUE(LogFrequencyTicks({20.0, 20000.0, 360, false}, 360.0, 36.0).empty());
}

// Every 10 dB where that leaves room for the labels, else every 20; both
// ends where the grid holds fewer than two lines; a range that is no range
// keeps its low end.
TEST(AxisTicks, DecibelTicksFollowATenOrTwentyDecibelGrid) {
    const struct {
        double lo, hi, length;
        std::vector<double> values;
    } table[] = {
        {-100.0, 0.0, 360.0, {-100, -90, -80, -70, -60, -50, -40, -30, -20, -10, 0}},
        {-100.0, 0.0, 180.0, {-100, -80, -60, -40, -20, 0}},
        {-60.0, -9.1, 360.0, {-60, -50, -40, -30, -20, -10}},
        {-35.0, -3.0, 100.0, {-30, -20, -10}},
        {-6.0, -3.0, 360.0, {-6, -3}},
        {-40.0, -40.0, 360.0, {-40}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::to_string(row.lo) + ".." + std::to_string(row.hi));
        const std::vector<STickMark> ticks = DecibelTicks(row.lo, row.hi, row.length, 24.0);
        EXPECT_EQ(Values(ticks), row.values);
        for (const STickMark& t : ticks) {
            const double want = row.hi > row.lo ? (t.dValue - row.lo) / (row.hi - row.lo) : 0.0;
            EXPECT_DOUBLE_EQ(t.dPosition, want);
        }
    }
}
