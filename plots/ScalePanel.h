// SPDX-License-Identifier: GPL-3.0-or-later
// The magnitude colour scale shown beside the waterfall and surface plots: a
// 128 x 10 bar of the whole palette (every second index, low on the left)
// labelled with the dB values of its two ends, and "Auto Range" while the
// magnitude range follows the measured spectrum.
//
// The bar is drawn as colour indexes through the OpenGL pixel maps, so it
// shows whatever palette was loaded last (shifted, scaled or inverted)
// without being rebuilt. User-interface thread only, context current.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plots/Panel.h"

class CScalePanel : public CPanel {
public:
    static constexpr std::int32_t kRampWidth = 128;
    static constexpr std::int32_t kRampHeight = 10;

    CScalePanel();

    // Returns (148, 60).
    CSize Layout(std::int32_t x, std::int32_t y) override;
    // Leaves colour mapping off and the unpack row length 0 on return.
    void Draw() override;

    // "%3.0f" of the magnitude (linear, 1.0 = full scale) in dB.
    static std::string EndLabel(double magnitude);
    // Bottom-left pixel of the ramp image after the last Layout.
    CPoint GetRampCorner() const { return m_ptRamp; }

private:
    // Each row ends with one unused byte (see Draw).
    static constexpr std::int32_t kRampStride = kRampWidth + 1;
    std::array<std::uint8_t, kRampStride * kRampHeight> m_ramp{};
    std::string m_strLow;
    std::string m_strHigh;
    std::string m_strAuto = "Auto Range";
    CPoint m_ptRamp;
    CRect m_rcRampFrame;
    CPoint m_ptLow;
    CPoint m_ptHigh;
    CPoint m_ptAuto;
};
