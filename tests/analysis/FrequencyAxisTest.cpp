// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FrequencyAxis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/LogColumns.h"

namespace {

constexpr double kRate = 44100.0;

SDisplayRange Range(double fmin, double fmax) {
    return {fmin, fmax, fmax - fmin, 0.0, 1.0, false};
}

} // namespace

// Decades split a log axis evenly: on 20 Hz .. 20 kHz each third of the
// row is one, on 100 Hz .. 10 kHz each half; a linear axis splits hertz
// evenly, from its own low end. A frequency just above such a point starts
// the column at that fraction of the width; the top frequency itself belongs
// to the last column, anything below the low end to none.
TEST(FrequencyAxis, DecadesSplitTheLogAxisAndHertzTheLinearOneEvenlyAtEveryRangeAndWidth) {
    const double above = 1.0 + 1e-9;
    const struct {
        double fmin, fmax;
        std::int32_t width;
        double hz;
        std::int32_t column;
        bool log;
    } table[] = {
        {20.0, 20000.0, 360, 20.0, 0, true},
        {20.0, 20000.0, 360, 200.0 * above, 120, true},
        {20.0, 20000.0, 360, 2000.0 * above, 240, true},
        {20.0, 20000.0, 360, 20000.0, 359, true},
        {20.0, 20000.0, 600, 200.0 * above, 200, true},
        {20.0, 20000.0, 600, 2000.0 * above, 400, true},
        {20.0, 20000.0, 600, 19.9, -1, true},
        {100.0, 10000.0, 360, 1000.0 * above, 180, true},
        {100.0, 10000.0, 360, 10000.0, 359, true},
        {100.0, 10000.0, 600, 1000.0 * above, 300, true},
        {100.0, 10000.0, 600, 99.0, -1, true},
        {100.0, 10000.0, 600, 25000.0, 599, true},
        {0.0, 20000.0, 400, 5000.0 * above, 100, false},
        {0.0, 20000.0, 360, 20000.0, 359, false},
        {1000.0, 11000.0, 500, 6000.0 * above, 250, false},
        {1000.0, 11000.0, 500, 999.0, -1, false},
    };
    for (const auto& row : table) {
        const SFrequencyAxis axis =
            MakeFrequencyAxis(Range(row.fmin, row.fmax), row.log, 1.0, row.width);
        EXPECT_EQ(AxisColumn(axis, row.hz), row.column)
            << row.fmin << ".." << row.fmax << " Hz over " << row.width << ": " << row.hz;
        // Each column's centre maps back into that column.
        if (row.column >= 0) {
            EXPECT_EQ(AxisColumn(axis, AxisFrequency(axis, row.column + 0.5)), row.column);
        }
    }
}

// The log axis starts at the range's low end where that lies above its
// floors of 20 Hz and one bin (a floor lost fails the log drags and the
// column layouts); the linear axis starts where the range does, and a range
// below the floor still shows on it.
TEST(FrequencyAxis, EachAxisStartsAtTheRangeWhereTheLogFloorsAllow) {
    const double bin1024 = kRate / 1024;
    EXPECT_EQ(MakeFrequencyAxis(Range(500.0, 10000.0), true, bin1024, 360).dLow, 500.0);
    EXPECT_EQ(MakeFrequencyAxis(Range(1.0, 10000.0), false, bin1024, 360).dLow, 1.0);
    EXPECT_TRUE(IsUsable(MakeFrequencyAxis(Range(1.0, 20.0), false, kRate / 32768, 360)));
}

// At N = 1024 the bins are 43 Hz apart: on 20 Hz .. 20 kHz the lowest
// columns are far narrower than a bin and the highest far wider. Every
// column either holds a run of bins (the runs following each other without
// a gap or an overlap, bin 1 in column 0) or lies between two neighbouring
// bins whose frequencies bracket its centre.
TEST(LogColumns, EveryColumnHoldsBinsOrLiesBetweenTwoAtEveryPlotWidth) {
    const double binWidth = kRate / 1024;
    for (const std::int32_t width : {30, 60, 90, 360, 480, 600}) {
        SCOPED_TRACE("width " + std::to_string(width));
        CLogColumns columns;
        const SColumnLayout* layout = columns.Update(Range(20.0, 20000.0), binWidth, 512, width);
        ASSERT_NE(layout, nullptr);
        ASSERT_EQ(layout->nWidth, width);
        const SFrequencyAxis axis = MakeFrequencyAxis(Range(20.0, 20000.0), true, binWidth, width);
        std::int32_t nextBin = 1;
        for (std::int32_t c = 0; c < width; ++c) {
            const SLogColumn& column = layout->pColumns[c];
            if (column.nEnd > column.nBegin) {
                EXPECT_EQ(column.nBegin, nextBin) << "column " << c;
                nextBin = column.nEnd;
                continue;
            }
            const double centre = AxisFrequency(axis, c + 0.5);
            EXPECT_LE(column.nBegin * binWidth, centre) << "column " << c;
            EXPECT_GT((column.nBegin + 1) * binWidth, centre) << "column " << c;
            EXPECT_NEAR((column.nBegin + layout->pWeights[c]) * binWidth, centre, 1e-9);
        }
        EXPECT_EQ(nextBin, static_cast<std::int32_t>(20000.0 / binWidth) + 1);
    }
}

// Worked out once per range, width and bin spacing: the same inputs return
// the same layout without rebuilding it; a change of any one rebuilds it.
TEST(LogColumns, RebuildsOnlyWhenTheRangeTheWidthOrTheBinsChange) {
    CLogColumns columns;
    const double binWidth = kRate / 4096;
    columns.Update(Range(20.0, 20000.0), binWidth, 2048, 360);
    columns.Update(Range(20.0, 20000.0), binWidth, 2048, 360);
    EXPECT_EQ(columns.GetBuilds(), 1);
    columns.Update(Range(20.0, 10000.0), binWidth, 2048, 360);
    columns.Update(Range(20.0, 10000.0), binWidth, 2048, 600);
    columns.Update(Range(20.0, 10000.0), kRate / 8192, 4096, 600);
    EXPECT_EQ(columns.GetBuilds(), 4);
    // An axis with no room (the range below 20 Hz) has no layout, nor has a
    // row wider than the layout's sixteen-bit columns can count.
    EXPECT_EQ(columns.Update(Range(1.0, 19.0), binWidth, 2048, 600), nullptr);
    EXPECT_EQ(columns.Update(Range(20.0, 20000.0), binWidth, 2048, kMaxLogColumnIndex + 1),
              nullptr);
}
