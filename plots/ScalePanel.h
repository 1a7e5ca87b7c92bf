// SPDX-License-Identifier: GPL-3.0-or-later
// The magnitude colour scale shown beside the waterfall and surface plots: a
// 128 x 10 bar of the whole palette (every second index, low on the left)
// labelled with the dB values of its two ends, and "Auto Range" while the
// magnitude range follows the measured spectrum.
//
// The bar's colours are taken from the published palette tables
// (plots/Palette.h) whenever they differ from the ones it was made from, so
// it always shows the palette built last (shifted, scaled or inverted), and
// are drawn as one RGB image: the same pixels the palette's colour indexes
// give through OpenGL's pixel maps, without Mesa mapping every pixel of it
// again on every draw. User-interface thread only, context current.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plots/Palette.h"
#include "plots/Panel.h"

class CScalePanel : public CPanel {
public:
    static constexpr std::int32_t kRampWidth = 128;
    static constexpr std::int32_t kRampHeight = 10;

    CScalePanel() { m_strTitle = "Magnitude in dB"; }

    // Returns (148, 60).
    CSize Layout(std::int32_t x, std::int32_t y) override;
    // Leaves colour mapping off on return.
    void Draw() override;

    // "%3.0f" of the magnitude (linear, 1.0 = full scale) in dB.
    static std::string EndLabel(double magnitude);
    // The palette entry shown in ramp column 0 .. kRampWidth - 1.
    static std::uint8_t RampIndex(std::int32_t column);
    // Bottom-left pixel of the ramp image after the last Layout.
    CPoint GetRampCorner() const { return m_ptRamp; }

private:
    // Remakes the ramp's colours if the published palette is not the one
    // they were made from.
    void UpdateRamp();

    std::array<float, 3 * kRampWidth * kRampHeight> m_ramp{}; // RGB, rows bottom first
    PaletteTable m_rampRed{};
    PaletteTable m_rampGreen{};
    PaletteTable m_rampBlue{};
    bool m_bRampMade = false;
    std::string m_strLow;
    std::string m_strHigh;
    std::string m_strAuto = "Auto Range";
    CPoint m_ptRamp;
    CRect m_rcRampFrame;
    CPoint m_ptLow;
    CPoint m_ptHigh;
    CPoint m_ptAuto;
};
