// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TimeAverage.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <random>

TEST(TimeAverage, AveragesTheLastFiveSamplesCountingEmptySlotsAsZero) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> ms(0, 500);
    CTimeAverage average;
    std::deque<std::int32_t> last;
    for (int i = 0; i < 200; ++i) {
        if (i == 100) { // Reset forgets every sample.
            average.Reset();
            last.clear();
        }
        last.push_back(ms(random));
        average.Add(last.back());
        if (last.size() > 5)
            last.pop_front();
        // Sum x 0.2, truncated, with the missing samples as zero.
        const double sum = std::accumulate(last.begin(), last.end(), 0.0);
        ASSERT_EQ(average.Average(), static_cast<std::int32_t>(sum * 0.2)) << i;
    }
}
