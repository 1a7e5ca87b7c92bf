#include "analysis/Decibel.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Decibel, LinearToDbClampsBelowTheFloorAndAboveFullScale) {
    EXPECT_EQ(LinearToDb(0.00005), -100.0);
    EXPECT_EQ(LinearToDb(0.0), -100.0);
    EXPECT_EQ(LinearToDb(-1.0), -100.0);
    EXPECT_EQ(LinearToDb(1.0), 0.0);
    EXPECT_EQ(LinearToDb(5.0), 0.0);
    // The floor itself is still converted: -80 dB, not the clamp value.
    EXPECT_NEAR(LinearToDb(0.0001), -80.0, 1e-9);
}

TEST(Decibel, LinearToDbIsTwentyLog10InsideTheRange) {
    EXPECT_NEAR(LinearToDb(0.5), -6.0206, 1e-4);
    EXPECT_NEAR(LinearToDb(0.1), -20.0, 1e-12);
    EXPECT_NEAR(LinearToDb(0.9999), 20.0 * std::log10(0.9999), 1e-15);
}

TEST(Decibel, DbToLinearInvertsLinearToDbInsideTheRange) {
    EXPECT_NEAR(DbToLinear(-20.0), 0.1, 1e-15);
    EXPECT_EQ(DbToLinear(0.0), 1.0);
    for (double x = 0.0002; x < 0.9999; x *= 1.37)
        EXPECT_NEAR(DbToLinear(LinearToDb(x)), x, x * 1e-12) << x;
}
