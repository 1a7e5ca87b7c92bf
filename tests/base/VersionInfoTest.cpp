#include "base/VersionInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(VersionInfo, FormatVersionDropsTrailingZerosDownToTwoNumbers) {
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
}

TEST(VersionInfo, GetVersionPartsCopiesNoMoreThanAskedNorMoreThanFour) {
    CVersionInfo info;
    info.FormatVersion("9, 8, 7, 6");
    std::array<std::int16_t, 9> out;
    out.fill(-1);
    info.GetVersionParts(out.data(), 6);
    info.GetVersionParts(out.data() + 4, 1);
    info.GetVersionParts(out.data() + 5, 0);
    info.GetVersionParts(out.data() + 5, -1);
    EXPECT_EQ(out, (std::array<std::int16_t, 9>{9, 8, 7, 6, 9, -1, -1, -1, -1}));
}

} // namespace
