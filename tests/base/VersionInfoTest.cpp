// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/VersionInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

namespace {

TEST(VersionInfo, FormatVersionDropsTrailingZerosDownToTwoNumbersAndThePartsAreKept) {
    const std::pair<const char*, std::string> cases[] = {
        {"1, 2, 3, 4", "1.234"},
        {"2, 5, 0, 0", "2.5"},
        {"2, 5, 1, 0", "2.51"},
        {"3, 0, 0, 7", "3.007"},
        // Pieces without digits, and missing pieces, give 0; a fifth is ignored.
        {"x, 5, beta, 2", "0.502"},
        {"  4rc1,  6 ,1,1,9", "4.611"},
        {"7", "7.0"},
        {nullptr, "0.0"},
    };
    CVersionInfo info; // one for all, so that numbers left from before would show
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(info.FormatVersion(text), shown) << (text == nullptr ? "null" : text);
    // The four numbers a preset stores.
    std::array<std::int16_t, 4> parts{};
    info.FormatVersion("9, 8, 7, 6");
    info.GetVersionParts(parts.data(), 4);
    EXPECT_EQ(parts, (std::array<std::int16_t, 4>{9, 8, 7, 6}));
}

} // namespace
