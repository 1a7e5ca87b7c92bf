// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/PeakHold.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The held value after each update: a new maximum is taken at once, then the
// marker sinks by (max - min) / steps per update and stops at min. Each
// index of an array holds on its own.
TEST(PeakHold, HeldValueJumpsToNewPeaksAndSinksByTheDecayPerUpdate) {
    struct SCase {
        int min, max, steps;
        std::vector<int> values, held;
    } const cases[] = {
        // 100 / 25 = 4 per update; 10 sinks to 2, then stops at 0.
        {0, 100, 25, {10, 0, 0, 0, 0}, {10, 6, 2, 0, 0}},
        // A value equal to the sunk level holds it; a higher one replaces it.
        {10, 110, 50, {60, 58, 57, 90}, {60, 58, 57, 90}},
        // 100 / 30 = 3.33 is truncated to 3.
        {0, 100, 30, {9, 0, 0, 0, 0}, {9, 6, 3, 0, 0}},
        // The held value may exceed max: max only sets the rate.
        {0, 100, 25, {150, 0}, {150, 146}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " in " << c.steps);
        CPeakHold single(c.min, c.max, c.steps);
        CPeakHoldArray array(c.min, c.max, c.steps, 3);
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            EXPECT_EQ(single.Update(c.values[i]), c.held[i]) << "update " << i;
            EXPECT_EQ(array.Update(c.values[i], 1), c.held[i]) << "update " << i;
            EXPECT_EQ(array.Update(c.min, 2), c.min) << "index 2 holds on its own";
        }
    }
}

} // namespace
