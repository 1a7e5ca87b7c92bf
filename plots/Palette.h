// SPDX-License-Identifier: GPL-3.0-or-later
// The 256-entry colour palette that turns 8-bit magnitude indexes into
// colours: a grayscale ramp or a rainbow (blue, cyan, green, yellow, red),
// shaped by a shift, a scale and an invert flag.
//
// CPalette belongs to the view and is used on the user-interface thread only.
// Build publishes the tables in the process-wide copies g_afPaletteRed/Green/
// Blue, which the plots and the pixel-map loader read on the same thread.
#pragma once

#include <array>
#include <cstdint>

using PaletteTable = std::array<float, 256>;

// Process-wide copies of the last built palette (values 0..1).
extern PaletteTable g_afPaletteRed;
extern PaletteTable g_afPaletteGreen;
extern PaletteTable g_afPaletteBlue;

class CPalette {
public:
    static constexpr std::int32_t kRainbow = 0;
    static constexpr std::int32_t kGrayscale = 1;
    static constexpr std::int32_t kMaxShift = 255;
    static constexpr float kMinScale = 0.1f;
    static constexpr float kMaxScale = 2.0f;

    CPalette() = default;
    virtual ~CPalette() = default;

    // Builds the tables from palette 0 (rainbow) or 1 (grayscale) with the
    // current shift, scale and invert, copies them to the process-wide copies
    // and clears m_bPaletteLoaded so that the next draw reloads the pixel
    // maps. Values outside the ranges the user interface keeps (a preset file
    // may carry any) are clamped first and written back to the fields:
    // palette to 0..1, shift to -255..255, scale to 0.1..2.0 (NaN gives 1.0).
    void Build(std::int32_t palette);

    std::int32_t m_nPalette = kGrayscale;
    std::int32_t m_nPaletteShift = 0;
    float m_fPaletteScale = 1.0f;
    bool m_bPaletteInvert = false;
    // Set by the view once LoadPixelMaps has run for the current tables.
    bool m_bPaletteLoaded = false;

    PaletteTable m_afRed{};
    PaletteTable m_afGreen{};
    PaletteTable m_afBlue{};
};

// Copies 256 floats of one process-wide channel into dest: 0 blue, 1 green,
// 2 red. Any other channel copies nothing.
void GetPaletteChannel(int channel, float* dest);
