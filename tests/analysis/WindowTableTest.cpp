// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/WindowTable.h"

#include "tests/analysis/AnalysisTestSupport.h"

// End values from each window's formula at i = 0 (cosine terms all 1); every
// table is symmetric and, for odd sizes, 1 in the middle.
TEST(WindowTable, EveryTableHasItsEndValuesSymmetryAndUnitMiddle) {
    for (std::int32_t n : {1024, 1025}) {
        const double ends[] = {0.54 - 0.46,              // Hamming
                               0.0,                      // Hann
                               0.0,                      // Cosine
                               0.0,                      // Bartlett
                               1.0 / n,                  // Triangular
                               0.62 - 0.48 * 0.5 - 0.38, // Bartlett-Hann
                               0.42 - 0.5 + 0.08,        // Blackman
                               0.355768 - 0.487396 + 0.144232 - 0.012604,
                               0.3635819 - 0.4891775 + 0.1365995 - 0.0106411};
        CWindowTable table;
        table.SetSize(n);
        for (std::int32_t type = 1; type <= 9; ++type) {
            SCOPED_TRACE(testing::Message() << g_apszWindowNames[type] << " n " << n);
            EXPECT_NEAR(table.Value(type, 0), ends[type - 1], 1e-12);
            if (n % 2 == 1) {
                EXPECT_NEAR(table.Value(type, n / 2), 1.0, 1e-12);
            }
            for (std::int32_t i = 0; i < n; ++i)
                ASSERT_NEAR(table.Value(type, i), table.Value(type, n - 1 - i), 1e-12) << i;
        }
    }
}

// Rectangular (0) and types a preset may hold beyond the nine leave the block alone.
TEST(WindowTable, ApplyMultipliesTheCountedPrefixOnlyForTypesOneToNine) {
    const std::int32_t n = 64;
    CWindowTable table;
    table.SetSize(n);
    for (std::int32_t type = -1; type <= 10; ++type) {
        table.SetType(type);
        std::vector<double> values(n, 0.75);
        table.Apply(values.data(), n / 2);
        for (std::int32_t i = 0; i < n; ++i) {
            const bool windowed = type >= 1 && type <= 9 && i < n / 2;
            ASSERT_EQ(values[i], windowed ? 0.75 * table.Value(type, i) : 0.75)
                << "type " << type << " i " << i;
        }
    }
}
