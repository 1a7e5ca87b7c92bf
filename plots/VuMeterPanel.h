// SPDX-License-Identifier: GPL-3.0-or-later
// The VU meter panel: a 128 x 10 horizontal bar of the last block's
// peak-to-peak level of the channel function on a -100..0 dB scale (green,
// then yellow from 80 %, red from 88 % of the bar), a falling yellow peak
// marker and the level as a number in dB, refreshed on two draws of three.
//
// Reads the store's acquiring flag and block levels. User-interface thread
// only, context current for Draw.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plots/Panel.h"
#include "plots/PeakHold.h"

class CVuMeterPanel : public CPanel {
public:
    static constexpr std::int32_t kBarWidth = 128;
    static constexpr std::int32_t kBarHeight = 10;

    // Returns (148, 60); restarts the peak marker at 0.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;
    void SetLevelColours(const SColour& low, const SColour& mid, const SColour& high);

    // Level in dB (at least -100) of a block whose samples spanned min..max.
    static double LevelDb(std::int16_t min, std::int16_t max);
    // Lit length in pixels, 0..126, of the bar for that level.
    static std::int32_t LitPixels(double db);

    const CRect& GetBar() const { return m_rcBar; }

private:
    void DrawBar(std::int32_t lit);

    SColour m_clrLow{0.0f, 0.7f, 0.0f};
    SColour m_clrMid{1.0f, 1.0f, 0.0f};
    SColour m_clrHigh{1.0f, 0.0f, 0.0f};
    CRect m_rcBar;
    CPoint m_ptLow;
    CPoint m_ptHigh;
    CPoint m_ptCaption;
    std::int32_t m_nFrame = 0;
    double m_dShownDb = 0.0;
    std::unique_ptr<CPeakHold> m_pPeak;
};
