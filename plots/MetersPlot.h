// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 4: left and right level meters and, beside them, a narrow volume
// history strip per channel. A container: it places, draws and configures
// its four panels; its own rectangle, colours and title are not drawn.
// User-interface thread only; Draw needs the OpenGL context current, Layout
// does not.
#pragma once

#include <cstdint>

#include "plots/LevelMeter.h"
#include "plots/Panel.h"
#include "plots/VolumePanel.h"

class CMetersPlot : public CCompositePanel {
public:
    static constexpr std::int32_t kStripWidth = 75;

    CMetersPlot();

    // Reads H from the store: above H = 360 the meters move right by
    // 10 * (H / 60) pixels. Returns the strips' combined width and height.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    void SetLevelColours(const SColour& low, const SColour& mid, const SColour& high);
    // Moves both highest-level markers back to their bar bottoms.
    void ResetMaxMarkers();

    const CLevelMeter& LeftMeter() const { return m_leftMeter; }
    const CLevelMeter& RightMeter() const { return m_rightMeter; }
    const CVolumePanel& LeftStrip() const { return m_leftStrip; }
    const CVolumePanel& RightStrip() const { return m_rightStrip; }

private:
    CVolumePanel m_leftStrip;
    CVolumePanel m_rightStrip;
    CLevelMeter m_leftMeter;
    CLevelMeter m_rightMeter;
};
