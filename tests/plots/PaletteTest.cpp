// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

// Entry j of the unshifted ramp at scale s. Grayscale: j / 256 up to white.
// Rainbow: segments of trunc(64 s) entries, each step (1/64) / s, running
// blue-cyan, cyan-green, green-yellow, yellow-red. Positions before the ramp
// (a positive shift) take its first colour, those past its end its final one.
std::array<float, 3> Ramp(int palette, float s, int j) {
    if (palette == CPalette::kGrayscale) {
        const float v = static_cast<float>(std::clamp(j, 0, 256)) / 256.0f;
        return {v, v, v};
    }
    const int n = static_cast<int>(64.0f * s);
    const int segment = std::clamp(j / n, 0, 3);
    const float t = static_cast<float>(std::clamp(j - segment * n, 0, n)) * (1.0f / 64.0f) / s;
    switch (segment) {
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

constexpr int kGray = CPalette::kGrayscale;
constexpr int kRainbow = CPalette::kRainbow;

constexpr PaletteTable CPalette::*kTables[] = {&CPalette::m_afRed, &CPalette::m_afGreen,
                                               &CPalette::m_afBlue};

} // namespace

// One palette is rebuilt throughout, so that an inverted build must not leak
// into the next one.
TEST(Palette, EntriesFollowTheShiftedScaledRampAndItsInversion) {
    struct {
        int palette, shift;
        float scale;
        bool invert = false;
    } const cases[] = {{kGray, 0, 1.0f},    {kGray, 255, 1.0f},   {kGray, -255, 1.0f},
                       {kRainbow, 0, 1.0f}, {kRainbow, 10, 1.0f}, {kRainbow, -10, 1.0f},
                       {kRainbow, 0, 0.1f}, {kRainbow, 0, 2.0f},  {kRainbow, 17, 1.3f, true},
                       {kRainbow, 17, 1.3f}};
    CPalette p;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "palette " << c.palette << " shift " << c.shift
                                        << " scale " << c.scale << " invert " << c.invert);
        p.m_nPaletteShift = c.shift;
        p.m_fPaletteScale = c.scale;
        p.m_bPaletteInvert = c.invert;
        p.m_bPaletteLoaded = true;
        p.Build(c.palette);
        for (int j = 0; j < 256; ++j) {
            const auto want = Ramp(c.palette, c.scale, (c.invert ? 255 - j : j) - c.shift);
            for (int t = 0; t < 3; ++t)
                ASSERT_NEAR((p.*kTables[t])[j], want[t], 1e-5f) << "entry " << j << " table " << t;
        }
        // Published, and the pixel maps asked for again.
        EXPECT_FALSE(p.m_bPaletteLoaded);
        EXPECT_EQ((std::array{g_afPaletteRed, g_afPaletteGreen, g_afPaletteBlue}),
                  (std::array{p.m_afRed, p.m_afGreen, p.m_afBlue}));
    }
}
