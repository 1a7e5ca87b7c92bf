// SPDX-License-Identifier: GPL-3.0-or-later
// The preset reader and writer copy the store's groups under their locks
// while worker threads read the same groups (run under ThreadSanitizer too).
#include "presets/PresetFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Two presets, in field order; within each group every value tells which
// preset it came from.
SPresetSettings Settings(bool b) {
    return b ? SPresetSettings{3,   9,    1000.0, 2000.0, 1000.0, 0.3,  0.4,  true, 4,    63,  1,
                               -20, 1.5f, true,   true,   0.7f,   0.7f, 0.7f, 0.9f, 0.9f, 0.9f}
             : SPresetSettings{0,  1,    100.0, 200.0, 100.0, 0.1,  0.2,  false, 1,    1,   0,
                               10, 0.5f, false, false, 0.1f,  0.1f, 0.1f, 0.2f,  0.2f, 0.2f};
}

// Whether each group read now is wholly one preset's.
int TornGroups(const CRunState& store) {
    const SPresetSettings a = Settings(false), b = Settings(true);
    int torn = 0;
    const SCaptureFormat f = store.GetCaptureFormat();
    torn += !((f.nChannelMode == a.nChannelMode && f.nWindowType == a.nWindowType) ||
              (f.nChannelMode == b.nChannelMode && f.nWindowType == b.nWindowType));
    const SDisplayRange r = store.GetDisplayRange();
    torn += !((r.dFreqMin == a.dFreqMin && r.dMagMax == a.dMagMax && !r.bAutoScale) ||
              (r.dFreqMin == b.dFreqMin && r.dMagMax == b.dMagMax && r.bAutoScale));
    const SDisplaySettings d = store.GetDisplaySettings();
    torn += !((d.nPlotType == a.nPlotType && d.nPanelFlags == a.nPanelFlags && !d.bPlotOnly) ||
              (d.nPlotType == b.nPlotType && d.nPanelFlags == b.nPanelFlags && d.bPlotOnly));
    const SPaletteSettings p = store.GetPaletteSettings();
    torn += !((p.nShift == a.nPaletteShift && !p.bInvert) ||
              (p.nShift == b.nPaletteShift && p.bInvert));
    const SColour back = store.GetBackgroundColor();
    torn += !(back.r == back.g && back.g == back.b);
    const SColour fore = store.GetForegroundColor();
    torn += !(fore.r == fore.g && fore.g == fore.b);
    return torn;
}

} // namespace

TEST(PresetStore, LoadingAndSavingWhileWorkersReadTheSameGroupsTearsNothing) {
    constexpr std::array<std::int16_t, 4> version = {1, 0, 0, 0};
    CRunState store;
    CProjection p2D, p3D;
    FitProjections(p2D, p3D, {}); // as every load leaves them
    std::vector<std::uint8_t> files[2];
    for (int i = 0; i < 2; ++i) {
        store.SetPresetSettings(Settings(i == 1));
        files[i] = SavePreset(store, p2D, p3D, version);
    }

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w)
        workers.emplace_back([&] {
            while (!stop.load())
                torn += TornGroups(store);
        });

    int wrongSaves = 0;
    for (int i = 0; i < 400; ++i) {
        const std::vector<std::uint8_t>& file = files[i % 2];
        ASSERT_EQ(LoadPreset(file.data(), file.size(), store, p2D, p3D, {}), EPresetRead::Ok);
        wrongSaves += SavePreset(store, p2D, p3D, version) != file;
    }
    stop = true;
    for (std::thread& t : workers)
        t.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(wrongSaves, 0);
}
