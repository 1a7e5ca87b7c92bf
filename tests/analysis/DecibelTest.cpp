#include "analysis/Decibel.h"

#include "tests/analysis/AnalysisTestSupport.h"

TEST(Decibel, LinearToDbIsTwentyLog10BetweenTheFloorAndFullScaleAndClampedOutside) {
    for (double x : {0.0001, 0.1, 0.5, 0.9999})
        EXPECT_NEAR(LinearToDb(x), 20.0 * std::log10(x), 1e-12) << x;
    for (double x : {0.00005, 0.0, -1.0})
        EXPECT_EQ(LinearToDb(x), -100.0) << x;
    for (double x : {1.0, 5.0})
        EXPECT_EQ(LinearToDb(x), 0.0) << x;
}

TEST(Decibel, DbToLinearInvertsLinearToDbInsideTheRange) {
    EXPECT_NEAR(DbToLinear(-20.0), 0.1, 1e-15);
    for (double x = 0.0002; x < 0.9999; x *= 1.37)
        EXPECT_NEAR(DbToLinear(LinearToDb(x)), x, x * 1e-12) << x;
}
