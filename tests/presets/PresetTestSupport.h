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

// Equal to the bit: compared through the writer, which the layout test holds
// to the table.
inline bool SameBits(const SPreset& a, const SPreset& b) {
    return WritePresetFile(a, {1, 2, 3, 4}) == WritePresetFile(b, {1, 2, 3, 4});
}

} // namespace presettest
