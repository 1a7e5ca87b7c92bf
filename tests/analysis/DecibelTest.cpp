// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Decibel.h"

#include "tests/analysis/AnalysisTestSupport.h"

// Twenty log10 between the floor and full scale, clamped outside; the way
// back inverts it inside the range.
TEST(Decibel, LinearToDbIsTwentyLog10ClampedOutsideTheRangeAndDbToLinearInvertsIt) {
    for (double x = 0.0001; x < 0.9999; x *= 1.37) {
        EXPECT_NEAR(LinearToDb(x), 20.0 * std::log10(x), 1e-12) << x;
        EXPECT_NEAR(DbToLinear(LinearToDb(x)), x, x * 1e-12) << x;
    }
    for (auto [x, db] :
         {std::pair{0.00005, -100.0}, {0.0, -100.0}, {-1.0, -100.0}, {1.0, 0.0}, {5.0, 0.0}})
        EXPECT_EQ(LinearToDb(x), db) << x;
}
