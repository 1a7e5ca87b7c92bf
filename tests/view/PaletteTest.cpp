#include "view/Palette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct SRgb {
    float r, g, b;
};

constexpr float kTolerance = 1e-5f;

void ExpectEntry(const CPalette& p, int j, SRgb want) {
    const auto i = static_cast<std::size_t>(j);
    EXPECT_NEAR(p.m_afRed[i], want.r, kTolerance) << "entry " << j;
    EXPECT_NEAR(p.m_afGreen[i], want.g, kTolerance) << "entry " << j;
    EXPECT_NEAR(p.m_afBlue[i], want.b, kTolerance) << "entry " << j;
}

// The rainbow's segments at scale s: each has trunc(64 s) entries whose step
// is (1/64)/s per entry; blue to cyan, cyan to green, green to yellow, yellow
// to red.
SRgb RainbowRamp(int j, float s) {
    const int n = static_cast<int>(64.0f * s);
    const float step = (1.0f / 64.0f) / s;
    const int seg = j / n;
    const float t = static_cast<float>(j % n) * step;
    switch (seg) {
    case 0:
        return {0, t, 1};
    case 1:
        return {0, 1, 1 - t};
    case 2:
        return {t, 1, 0};
    default:
        return {1, 1 - t, 0};
    }
}

CPalette Built(int palette, int shift = 0, float scale = 1.0f, bool invert = false) {
    CPalette p;
    p.m_nPaletteShift = shift;
    p.m_fPaletteScale = scale;
    p.m_bPaletteInvert = invert;
    p.Build(palette);
    return p;
}

TEST(Palette, GrayscaleDefaultsRampFromBlackInStepsOf1Over256) {
    const CPalette p = Built(CPalette::kGrayscale);
    for (int j = 0; j < 256; ++j)
        ExpectEntry(p, j, {j / 256.0f, j / 256.0f, j / 256.0f});
}

TEST(Palette, RainbowDefaultsRunBlueCyanGreenYellowRed) {
    const CPalette p = Built(CPalette::kRainbow);
    for (int j = 0; j < 256; ++j)
        ExpectEntry(p, j, RainbowRamp(j, 1.0f));
    ExpectEntry(p, 0, {0, 0, 1});
    ExpectEntry(p, 64, {0, 1, 1});
    ExpectEntry(p, 128, {0, 1, 0});
    ExpectEntry(p, 192, {1, 1, 0});
}

TEST(Palette, FullPositiveShiftLeavesOnlyTheFirstRampEntryAtTheTop) {
    const CPalette p = Built(CPalette::kGrayscale, 255);
    for (int j = 0; j < 256; ++j)
        ExpectEntry(p, j, {0, 0, 0});
}

TEST(Palette, FullNegativeShiftKeepsTheLastRampEntryThenWhite) {
    const CPalette p = Built(CPalette::kGrayscale, -255);
    ExpectEntry(p, 0, {255 / 256.0f, 255 / 256.0f, 255 / 256.0f});
    for (int j = 1; j < 256; ++j)
        ExpectEntry(p, j, {1, 1, 1});
}

TEST(Palette, ShiftsMoveTheRampAndFillWithTheFirstOrFinalColour) {
    const CPalette up = Built(CPalette::kRainbow, 10);
    for (int j = 0; j < 10; ++j)
        ExpectEntry(up, j, {0, 0, 1});
    for (int j = 10; j < 256; ++j)
        ExpectEntry(up, j, RainbowRamp(j - 10, 1.0f));

    const CPalette down = Built(CPalette::kRainbow, -10);
    for (int j = 0; j < 246; ++j)
        ExpectEntry(down, j, RainbowRamp(j + 10, 1.0f));
    for (int j = 246; j < 256; ++j)
        ExpectEntry(down, j, {1, 0, 0});
}

TEST(Palette, RampEndingOneShortOfTheTopFillsTheLastEntryWithTheFinalColour) {
    const CPalette p = Built(CPalette::kGrayscale, -1);
    for (int j = 0; j < 255; ++j)
        ExpectEntry(p, j, {(j + 1) / 256.0f, (j + 1) / 256.0f, (j + 1) / 256.0f});
    ExpectEntry(p, 255, {1, 1, 1});
}

TEST(Palette, RainbowAtScaleOneTenthCompressesEachSegmentToSixEntries) {
    const CPalette p = Built(CPalette::kRainbow, 0, 0.1f);
    for (int j = 0; j < 24; ++j)
        ExpectEntry(p, j, RainbowRamp(j, 0.1f));
    for (int j = 24; j < 256; ++j)
        ExpectEntry(p, j, {1, 0.0625f, 0});
}

TEST(Palette, RainbowAtScaleTwoKeepsOnlyTheFirstTwoSegments) {
    const CPalette p = Built(CPalette::kRainbow, 0, 2.0f);
    for (int j = 0; j < 256; ++j)
        ExpectEntry(p, j, RainbowRamp(j, 2.0f));
    ExpectEntry(p, 127, {0, 127 / 128.0f, 1});
    ExpectEntry(p, 255, {0, 1, 1 / 128.0f});
}

TEST(Palette, InvertReversesAndInvertingTwiceRestoresTheTable) {
    const CPalette plain = Built(CPalette::kRainbow, 17, 1.3f);
    const CPalette inverted = Built(CPalette::kRainbow, 17, 1.3f, true);
    for (int j = 0; j < 256; ++j) {
        const auto i = static_cast<std::size_t>(j);
        const auto k = static_cast<std::size_t>(255 - j);
        EXPECT_EQ(inverted.m_afRed[i], plain.m_afRed[k]);
        EXPECT_EQ(inverted.m_afGreen[i], plain.m_afGreen[k]);
        EXPECT_EQ(inverted.m_afBlue[i], plain.m_afBlue[k]);
    }

    // The invert command toggles the flag and rebuilds.
    CPalette toggled = Built(CPalette::kRainbow, 17, 1.3f);
    toggled.m_bPaletteInvert = !toggled.m_bPaletteInvert;
    toggled.Build(toggled.m_nPalette);
    EXPECT_NE(toggled.m_afRed, plain.m_afRed);
    toggled.m_bPaletteInvert = !toggled.m_bPaletteInvert;
    toggled.Build(toggled.m_nPalette);
    EXPECT_EQ(toggled.m_afRed, plain.m_afRed);
    EXPECT_EQ(toggled.m_afGreen, plain.m_afGreen);
    EXPECT_EQ(toggled.m_afBlue, plain.m_afBlue);
}

TEST(Palette, BuildPublishesTheTablesAndAsksForThePixelMapsAgain) {
    CPalette p;
    p.m_bPaletteLoaded = true;
    p.Build(CPalette::kRainbow);
    EXPECT_FALSE(p.m_bPaletteLoaded);
    EXPECT_EQ(g_afPaletteRed, p.m_afRed);
    EXPECT_EQ(g_afPaletteGreen, p.m_afGreen);
    EXPECT_EQ(g_afPaletteBlue, p.m_afBlue);
}

TEST(Palette, GetPaletteChannelCountsBlueGreenRed) {
    Built(CPalette::kRainbow); // entry 0 is pure blue
    float blue[256], green[256], red[256];
    GetPaletteChannel(0, blue);
    GetPaletteChannel(1, green);
    GetPaletteChannel(2, red);
    EXPECT_EQ(blue[0], 1.0f);
    EXPECT_EQ(red[0], 0.0f);
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(blue[i], g_afPaletteBlue[i]);
        EXPECT_EQ(green[i], g_afPaletteGreen[i]);
        EXPECT_EQ(red[i], g_afPaletteRed[i]);
    }
}

TEST(Palette, ValuesBeyondTheUserRangesAreClampedBeforeBuilding) {
    // A shift past 256 would write past the tables; it is held at 255.
    const CPalette farUp = Built(CPalette::kGrayscale, 5000);
    EXPECT_EQ(farUp.m_nPaletteShift, 255);
    EXPECT_EQ(farUp.m_afRed, Built(CPalette::kGrayscale, 255).m_afRed);

    const CPalette farDown = Built(CPalette::kGrayscale, -5000);
    EXPECT_EQ(farDown.m_nPaletteShift, -255);

    const CPalette palette7 = Built(7);
    EXPECT_EQ(palette7.m_nPalette, CPalette::kGrayscale);
    const CPalette paletteMinus = Built(-3);
    EXPECT_EQ(paletteMinus.m_nPalette, CPalette::kRainbow);

    for (float bad : {0.0f, -1.0f}) {
        const CPalette p = Built(CPalette::kRainbow, 0, bad);
        EXPECT_EQ(p.m_fPaletteScale, 0.1f);
        EXPECT_EQ(p.m_afGreen, Built(CPalette::kRainbow, 0, 0.1f).m_afGreen);
    }
    EXPECT_EQ(Built(CPalette::kRainbow, 0, 9.0f).m_fPaletteScale, 2.0f);
    const CPalette nan = Built(CPalette::kRainbow, 0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(nan.m_fPaletteScale, 1.0f);
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_TRUE(std::isfinite(nan.m_afRed[i]) && nan.m_afRed[i] <= 1.0f);
}

} // namespace
