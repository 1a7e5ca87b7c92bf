// SPDX-License-Identifier: GPL-3.0-or-later
// Presets shared by the preset file tests and the window tests.
#pragma once

#include "presets/PresetFile.h"

namespace presettest {

// The values a new preset has, as the document's New must give them.
inline SPresetSettings NewSettings() {
    return {.nChannelMode = CHANNEL_SUM,
            .dFreqMin = 1.0,
            .dFreqMax = 10000.0,
            .dFreqSpan = 9999.0,
            .dMagMax = 1.0,
            .nPanelFlags = 47,
            .nPalette = 1,
            .fBackGreen = 0.15f,
            .fForeRed = 1.0f,
            .fForeBlue = 1.0f,
            .fForeGreen = 1.0f};
}

// A preset whose every field differs from every other and from the
// defaults, so a swapped or dropped field shows. Given in field order, which
// is the file's order (the colours red, blue, green).
inline SPreset Distinct() {
    SPreset p{{3,     7,    123.5, 15000.25, 15000.25 - 123.5,
               0.001, 0.75, true,  2,        45,
               0,     -37,  1.75f, true,     true,
               0.1f,  0.2f, 0.3f,  0.4f,     0.5f,
               0.6f}};
    CProjection a, b;
    a.SetViewport(1, 2, 3, 4);
    a.SetKind(0);
    a.SetBounds(5, 6, 7, 8, 9, 10);
    a.SetTranslation(11, 12, 13);
    a.SetRotation(14, 15, 16);
    a.SetRenderMode(0);
    b.SetViewport(-21, 22, 23, 24);
    b.SetKind(1);
    b.SetBounds(-25, 26, -27, 28, 29, 300);
    b.SetTranslation(31, 32, -33);
    b.SetRotation(34.5, -35.25, 36);
    b.SetRenderMode(7);
    p.projection2D = a.Serialize();
    p.projection3D = b.Serialize();
    return p;
}

// Equal to the bit: compared through the writer, which the layout test holds
// to the table.
inline bool SameBits(const SPreset& a, const SPreset& b) {
    return WritePresetFile(a, {1, 2, 3, 4}) == WritePresetFile(b, {1, 2, 3, 4});
}

} // namespace presettest
