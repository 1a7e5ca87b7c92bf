// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Axis.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(AxisLabel, FormattersGiveTheirTexts) {
    struct SCase {
        LabelFormatter format;
        double value;
        const char* text;
    } const cases[] = {
        {TimeLabel, 75.36, "1:15.3"}, {TimeLabel, 3725.0, "2:05.0"}, // minutes wrap at 60
        {DbLabel, 0.00005, "-100.0"}, {DbLabel, 0.5, "-6.0"},
        {PlainLabel, 3.0, " 3.0"},    {EmptyLabel, 12.0, ""},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(c.format(c.value), c.text) << c.value;
}

// The frequency axis: ticks 5 and 2 pixels long below the line, labels 7
// pixels below it. x = 40, dx = 361 in 10 intervals: 361 / 10 truncates to a
// 36-pixel step, so the last tick falls at 400, short of the line's end at 401.
TEST(Axis, HorizontalTicksAndLabelsAreEvenlySpacedWithEveryFifthTickMajor) {
    CAxis axis;
    axis.SetFonts(1200, 1200);
    ConfigureFrequencyAxis(axis);
    EXPECT_EQ(axis.SetGeometry(40, 100, 361, 0), (CSize{361, 0}));
    EXPECT_EQ(axis.GetLineEnd(), (CPoint{401, 100}));

    const auto ticks = axis.Ticks();
    ASSERT_EQ(ticks.size(), 11u);
    for (int i = 0; i <= 10; ++i) {
        const bool major = i % 5 == 0;
        const SAxisTick want{{40 + 36 * i, 100 - (major ? 5 : 2)}, {40 + 36 * i, 100}, major};
        EXPECT_EQ(ticks[static_cast<std::size_t>(i)], want) << "tick " << i;
    }

    // Labels centred under their ticks: 12 / 4 = 3 pixels per character to
    // the left; below the line by the gap and a character height.
    axis.SetRange(0.0, 10.0);
    const auto labels = axis.Labels();
    ASSERT_EQ(labels.size(), 11u);
    for (int j = 0; j <= 10; ++j) {
        const SAxisLabel& label = labels[static_cast<std::size_t>(j)];
        char text[16];
        std::snprintf(text, sizeof text, "%2.1f", j * 1.0);
        EXPECT_EQ(label.text, text);
        const int n = static_cast<int>(label.text.size());
        EXPECT_EQ(label.origin, (CPoint{40 + 36 * j - 3 * n, 100 - 7 - 12})) << "label " << j;
    }

    // The title centres on the line's middle, one character height plus the
    // label offset below: anchor (40 + 180 - 3, 100 - 12 - 19), the text
    // starting 3 * 14 further left.
    axis.SetTitle("Frequency (Hz)");
    EXPECT_EQ(axis.GetTitleAnchor(), (CPoint{217, 69}));
    EXPECT_EQ(axis.TitleOrigin(), (CPoint{217 - 42, 69}));
}

// The time axis's title: anchor (48 - 3 + 8, 101 + 179 - 12 - 4), the text
// running 3 * 7 lower.
TEST(Axis, VerticalTitleCentresOnTheMiddleOfTheLineLeftOfIt) {
    CAxis axis;
    axis.SetFonts(1200, 1200);
    ConfigureTimeAxis(axis);
    axis.SetGeometry(48, 101, 0, 358);
    EXPECT_EQ(axis.GetTitle(), "Minutes");
    EXPECT_EQ(axis.GetTitleAnchor(), (CPoint{53, 264}));
    EXPECT_EQ(axis.TitleOrigin(), (CPoint{53, 264 - 21}));
}

} // namespace
