#include "analysis/WindowTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

enum : std::int32_t {
    kHamming = 1,
    kHann = 2,
    kCosine = 3,
    kBartlett = 4,
    kTriangular = 5,
    kBartlettHann = 6,
    kBlackman = 7,
    kNuttall = 8,
    kBlackmanHarris = 9,
};

CWindowTable Sized(std::int32_t n) {
    CWindowTable table;
    table.SetSize(n);
    return table;
}

} // namespace

TEST(WindowTable, NamesFollowTheTableIndexes) {
    EXPECT_STREQ(g_apszWindowNames[0], "Rectangular");
    EXPECT_STREQ(g_apszWindowNames[kHamming], "Hamming");
    EXPECT_STREQ(g_apszWindowNames[kBartlettHann], "Bartlett-Hann");
    EXPECT_STREQ(g_apszWindowNames[kBlackmanHarris], "Blackman-Harris");
}

TEST(WindowTable, HammingEndsAtPointZeroEightAndHannAtZero) {
    const CWindowTable table = Sized(1024);
    EXPECT_NEAR(table.Value(kHamming, 0), 0.08, 1e-15);
    EXPECT_NEAR(table.Value(kHamming, 1023), 0.08, 1e-15);
    EXPECT_NEAR(table.Value(kHann, 0), 0.0, 1e-15);
    EXPECT_NEAR(table.Value(kHann, 1023), 0.0, 1e-15);
}

TEST(WindowTable, BartlettReachesZeroAndTriangularStopsAtOneOverN) {
    for (std::int32_t n : {1024, 1025}) {
        const CWindowTable table = Sized(n);
        EXPECT_NEAR(table.Value(kBartlett, 0), 0.0, 1e-15) << n;
        EXPECT_NEAR(table.Value(kBartlett, n - 1), 0.0, 1e-15) << n;
        EXPECT_NEAR(table.Value(kTriangular, 0), 1.0 / n, 1e-15) << n;
        EXPECT_NEAR(table.Value(kTriangular, n - 1), 1.0 / n, 1e-15) << n;
    }
}

TEST(WindowTable, EveryTableIsSymmetricForEvenAndOddSizes) {
    for (std::int32_t n : {1024, 1025, 4096}) {
        const CWindowTable table = Sized(n);
        for (std::int32_t type = kHamming; type <= kBlackmanHarris; ++type)
            for (std::int32_t i = 0; i < n; ++i)
                ASSERT_NEAR(table.Value(type, i), table.Value(type, n - 1 - i), 1e-12)
                    << "type " << type << " n " << n << " i " << i;
    }
}

TEST(WindowTable, BartlettHannIsZeroAtBothEnds) {
    const CWindowTable table = Sized(2048);
    EXPECT_NEAR(table.Value(kBartlettHann, 0), 0.0, 1e-15);
    EXPECT_NEAR(table.Value(kBartlettHann, 2047), 0.0, 1e-15);
}

TEST(WindowTable, OddSizedWindowsPeakAtOneInTheMiddle) {
    const std::int32_t n = 1025;
    const std::int32_t mid = (n - 1) / 2;
    const CWindowTable table = Sized(n);
    for (std::int32_t type = kHamming; type <= kBlackmanHarris; ++type)
        EXPECT_NEAR(table.Value(type, mid), 1.0, 1e-12) << type;
}

TEST(WindowTable, NuttallEndsAtZeroAndBlackmanHarrisAtItsFourTermResidue) {
    const CWindowTable table = Sized(1025);
    EXPECT_NEAR(table.Value(kNuttall, 0), 0.0, 1e-12);
    EXPECT_NEAR(table.Value(kNuttall, 1024), 0.0, 1e-12);
    EXPECT_NEAR(table.Value(kBlackmanHarris, 0), 0.0003628, 1e-12);
    EXPECT_NEAR(table.Value(kBlackmanHarris, 1024), 0.0003628, 1e-12);
}

TEST(WindowTable, ApplyMultipliesByTheSelectedTable) {
    const std::int32_t n = 1024;
    CWindowTable table = Sized(n);
    for (std::int32_t type = kHamming; type <= kBlackmanHarris; ++type) {
        table.SetType(type);
        std::vector<double> values(n);
        for (std::int32_t i = 0; i < n; ++i)
            values[static_cast<std::size_t>(i)] = 0.5 - 0.001 * i;
        table.Apply(values.data(), n);
        for (std::int32_t i = 0; i < n; ++i)
            ASSERT_EQ(values[static_cast<std::size_t>(i)], (0.5 - 0.001 * i) * table.Value(type, i))
                << "type " << type << " i " << i;
    }
}

TEST(WindowTable, ApplyLeavesTheBlockAloneForRectangularUnknownTypesEmptyCountsAndNoTables) {
    const std::vector<double> original{0.25, -0.5, 0.75, 1.0};
    auto applied = [&](const CWindowTable& table, std::int32_t count) {
        std::vector<double> values = original;
        table.Apply(values.data(), count);
        return values;
    };

    CWindowTable table = Sized(4);
    table.SetType(0);
    EXPECT_EQ(applied(table, 4), original);
    table.SetType(10);
    EXPECT_EQ(applied(table, 4), original);
    table.SetType(-1);
    EXPECT_EQ(applied(table, 4), original);
    table.SetType(kHann);
    EXPECT_EQ(applied(table, 0), original);
    EXPECT_EQ(applied(table, -3), original);

    CWindowTable unsized;
    EXPECT_EQ(unsized.GetType(), kHamming);
    EXPECT_EQ(applied(unsized, 4), original);
}

TEST(WindowTable, ApplyWithAShortCountTouchesOnlyThatPrefix) {
    CWindowTable table = Sized(8);
    table.SetType(kHann);
    std::vector<double> values(8, 1.0);
    table.Apply(values.data(), 3);
    for (std::int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)], table.Value(kHann, i));
    for (std::size_t i = 3; i < 8; ++i)
        EXPECT_EQ(values[i], 1.0);
}
