// SPDX-License-Identifier: GPL-3.0-or-later
// One vertical level meter: a 31-pixel bar on a dB scale from -100 to 0 dB,
// lit from the bottom to the block's peak-to-peak level in a green, yellow
// and red zone (edges at -12 and -6 dB, 0.88 and 0.94 of the bar), with a
// falling peak marker and a red triangle at the highest level since the last
// ResetMaxMarker.
//
// Reads the block levels from the store: channel 0 or 1 the left or right
// channel's (shown also while acquisition is stopped), any other channel the
// channel function's (0 while stopped). User-interface thread only; Draw
// needs the OpenGL context current, Layout does not.
#pragma once

#include <cstdint>
#include <memory>

#include "plots/Axis.h"
#include "plots/Panel.h"
#include "plots/PeakHold.h"

// The level both meters show: the peak-to-peak span of a block from minimum
// to maximum (16-bit sample values) / 65536 in dB, at least -100.
double PeakToPeakDb(double maximum, double minimum);
// The part 0..1 of a -100..0 dB meter bar lit at db.
double LitFraction(double db);

class CLevelMeter : public CCompositePanel {
public:
    static constexpr std::int32_t kBarWidth = 31;

    CLevelMeter();

    // Restarts the falling peak and the highest-level marker.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    void SetChannel(std::int32_t channel) { m_nChannel = channel; }
    void SetLevelColours(const SColour& low, const SColour& mid, const SColour& high);
    // Moves the highest-level marker back to the bar bottom (Reset Plot).
    void ResetMaxMarker() { m_nMaxMarker = m_rcBar.bottom; }

    // Lit height in pixels of a bar whose frame is barHeight high, for a
    // block from minimum to maximum (16-bit sample values): the peak-to-peak
    // level / 65536 in dB, -100..0 dB spread over barHeight - 2 pixels.
    static std::int32_t LitHeight(std::int32_t barHeight, double maximum, double minimum);

    const CRect& GetBar() const { return m_rcBar; }
    std::int32_t GetMaxMarker() const { return m_nMaxMarker; }
    CAxis& BaseAxis() { return m_axisBase; }
    const CAxis& ScaleAxis() const { return m_axisScale; }

private:
    void DrawBar(std::int32_t h);

    CAxis m_axisScale;
    CAxis m_axisBase;
    SColour m_clrLow{0.0f, 0.7f, 0.0f};
    SColour m_clrMid{1.0f, 1.0f, 0.0f};
    SColour m_clrHigh{1.0f, 0.0f, 0.0f};
    CRect m_rcBar;
    std::unique_ptr<CPeakHold> m_pPeak;
    std::int32_t m_nChannel = 2;
    std::int32_t m_nMaxMarker = 0;
};
