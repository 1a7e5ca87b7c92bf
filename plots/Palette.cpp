// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Palette.h"

#include <algorithm>
#include <cmath>

PaletteTable g_afPaletteRed{};
PaletteTable g_afPaletteGreen{};
PaletteTable g_afPaletteBlue{};

namespace {

// One ramp segment: count entries at scale 1, starting colour, and the step
// added per entry at scale 1. A count of -1 ends a table.
struct SRamp {
    std::int32_t nCount;
    float r, g, b;
    float dr, dg, db;
};

constexpr float k64 = 1.0f / 64.0f;
constexpr float k256 = 1.0f / 256.0f;

// The first record supplies the fill colour for a positive shift.
constexpr SRamp kRainbowRamps[] = {
    {0, 0, 0, 1, 0, 0, 0},    {64, 0, 0, 1, 0, k64, 1},  {64, 0, 1, 1, 0, 0, -k64},
    {64, 0, 1, 0, k64, 0, 0}, {64, 1, 1, 0, 0, -k64, 0}, {-1, 0, 0, 0, 0, 0, 0},
};

constexpr SRamp kGrayscaleRamps[] = {
    {256, 0, 0, 0, k256, k256, k256},
    {-1, 0, 0, 0, 0, 0, 0},
};

} // namespace

void CPalette::Build(std::int32_t palette) {
    m_nPalette = std::clamp(palette, kRainbow, kGrayscale);
    m_nPaletteShift = std::clamp(m_nPaletteShift, -kMaxShift, kMaxShift);
    if (std::isnan(m_fPaletteScale))
        m_fPaletteScale = 1.0f;
    m_fPaletteScale = std::clamp(m_fPaletteScale, kMinScale, kMaxScale);

    const float s = m_fPaletteScale;
    const std::int32_t k = m_nPaletteShift;
    const SRamp* records = m_nPalette == kRainbow ? kRainbowRamps : kGrayscaleRamps;

    auto put = [this](std::int32_t i, float r, float g, float b) {
        const auto at = static_cast<std::size_t>(i);
        m_afRed[at] = r;
        m_afGreen[at] = g;
        m_afBlue[at] = b;
    };

    std::int32_t i = k;
    for (std::int32_t j = 0; j < k; ++j)
        put(j, records[0].r, records[0].g, records[0].b);

    float r = records[0].r;
    float g = records[0].g;
    float b = records[0].b;
    for (const SRamp* rec = records; rec->nCount != -1; ++rec) {
        r = rec->r;
        g = rec->g;
        b = rec->b;
        const auto n = static_cast<std::int32_t>(static_cast<float>(rec->nCount) * s);
        for (std::int32_t step = 0; step < n && i < 256; ++step) {
            if (i >= 0)
                put(i, r, g, b);
            r += rec->dr / s;
            g += rec->dg / s;
            b += rec->db / s;
            ++i;
            r = std::min(r, 1.0f);
            g = std::min(g, 1.0f);
            b = std::min(b, 1.0f);
        }
    }

    for (i = std::max(i, 0); i < 256; ++i)
        put(i, r, g, b);

    if (m_bPaletteInvert) {
        std::reverse(m_afRed.begin(), m_afRed.end());
        std::reverse(m_afGreen.begin(), m_afGreen.end());
        std::reverse(m_afBlue.begin(), m_afBlue.end());
    }

    g_afPaletteRed = m_afRed;
    g_afPaletteGreen = m_afGreen;
    g_afPaletteBlue = m_afBlue;
    m_bPaletteLoaded = false;
}

void GetPaletteChannel(int channel, float* dest) {
    if (dest == nullptr)
        return;
    const PaletteTable* source = nullptr;
    switch (channel) {
    case 0:
        source = &g_afPaletteBlue;
        break;
    case 1:
        source = &g_afPaletteGreen;
        break;
    case 2:
        source = &g_afPaletteRed;
        break;
    default:
        return;
    }
    std::copy(source->begin(), source->end(), dest);
}
