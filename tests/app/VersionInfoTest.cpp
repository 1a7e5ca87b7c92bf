#include "app/VersionInfo.h"

#include <gtest/gtest.h>

#include <string>

#include "app/Version.h"

namespace {

TEST(VersionInfo, FormatVersionDropsTrailingZeroNumbers) {
    CVersionInfo info;
    EXPECT_EQ(info.FormatVersion("1, 2, 3, 4"), "1.234");
    EXPECT_EQ(info.m_nVersion, (std::array<std::int16_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(info.FormatVersion("2, 5, 0, 0"), "2.5");
    EXPECT_EQ(info.m_nVersion, (std::array<std::int16_t, 4>{2, 5, 0, 0}));
    EXPECT_EQ(info.FormatVersion("2, 5, 1, 0"), "2.51");
    // Only the fourth number decides whether all four are shown.
    EXPECT_EQ(info.FormatVersion("3, 0, 0, 7"), "3.007");
}

TEST(VersionInfo, PiecesWithoutDigitsAndMissingPiecesGiveZero) {
    CVersionInfo info;
    EXPECT_EQ(info.FormatVersion("x, 5, beta, 2"), "0.502");
    EXPECT_EQ(info.m_nVersion, (std::array<std::int16_t, 4>{0, 5, 0, 2}));
    EXPECT_EQ(info.FormatVersion("7"), "7.0");
    EXPECT_EQ(info.m_nVersion, (std::array<std::int16_t, 4>{7, 0, 0, 0}));
    EXPECT_EQ(info.FormatVersion(""), "0.0");
    EXPECT_EQ(info.FormatVersion(nullptr), "0.0");
    // Digits after other characters do not count; a fifth piece is ignored.
    EXPECT_EQ(info.FormatVersion("  4rc1,  6 ,1,1,9"), "4.611");
}

TEST(VersionInfo, LoadReadsTheBuiltInStrings) {
    const CVersionInfo info;
    std::string name, legal, version;
    ASSERT_TRUE(info.GetStrings(name, legal, version));
    EXPECT_EQ(name, VIREON_INTERNAL_NAME);
    EXPECT_EQ(legal, VIREON_LEGAL_COPYRIGHT);
    CVersionInfo reference;
    EXPECT_EQ(version, "Version " + reference.FormatVersion(VIREON_PRODUCT_VERSION));
    EXPECT_EQ(g_versionInfo.m_strVersion, version);
}

TEST(VersionInfo, MissingValueLeavesTheOutArgumentsUnchanged) {
    CVersionInfo info;
    info.Load("Name", nullptr, "1, 0, 0, 0");
    EXPECT_FALSE(info.m_bValid);
    std::string name = "a", legal = "b", version = "c";
    EXPECT_FALSE(info.GetStrings(name, legal, version));
    EXPECT_EQ(name, "a");
    EXPECT_EQ(legal, "b");
    EXPECT_EQ(version, "c");

    info.Load("Name", "Legal", "1, 2, 0, 0");
    ASSERT_TRUE(info.GetStrings(name, legal, version));
    EXPECT_EQ(version, "Version 1.2");
}

TEST(VersionInfo, GetVersionPartsCopiesAtMostFourNumbers) {
    CVersionInfo info;
    info.FormatVersion("9, 8, 7, 6");
    std::int16_t out[6] = {-1, -1, -1, -1, -1, -1};
    EXPECT_TRUE(info.GetVersionParts(out, 2));
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[1], 8);
    EXPECT_EQ(out[2], -1);
    EXPECT_TRUE(info.GetVersionParts(out, 6));
    EXPECT_EQ(out[3], 6);
    EXPECT_EQ(out[4], -1);
    std::int16_t untouched = -1;
    EXPECT_TRUE(info.GetVersionParts(&untouched, 0));
    EXPECT_EQ(untouched, -1);
}

} // namespace
