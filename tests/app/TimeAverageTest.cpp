#include "app/TimeAverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <random>

namespace {

// The stated rule: the last five samples (missing ones zero), sum x 0.2,
// truncated.
std::int32_t Reference(const std::deque<std::int32_t>& last) {
    double sum = 0;
    for (std::int32_t s : last)
        sum += s;
    return static_cast<std::int32_t>(std::trunc(sum * 0.2));
}

} // namespace

TEST(TimeAverage, AveragesTheLastFiveSamplesWithMissingOnesAsZero) {
    CTimeAverage average;
    EXPECT_EQ(average.Average(), 0);
    average.Add(7);
    EXPECT_EQ(average.Average(), 1); // 7 x 0.2 = 1.4
    average.Add(14);
    EXPECT_EQ(average.Average(), 4); // 21 x 0.2 = 4.2

    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> ms(0, 500);
    std::deque<std::int32_t> last = {7, 14};
    for (int i = 0; i < 200; ++i) {
        const std::int32_t sample = ms(random);
        average.Add(sample);
        last.push_back(sample);
        if (last.size() > 5)
            last.pop_front();
        ASSERT_EQ(average.Average(), Reference(last)) << i;
    }
}

TEST(TimeAverage, ResetForgetsEverySample) {
    CTimeAverage average;
    for (int i = 0; i < 7; ++i)
        average.Add(100);
    EXPECT_EQ(average.Average(), 100);
    average.Reset();
    EXPECT_EQ(average.Average(), 0);
    average.Add(50);
    EXPECT_EQ(average.Average(), 10);
}
