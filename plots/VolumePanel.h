// SPDX-License-Identifier: GPL-3.0-or-later
// The input volume strip: one horizontal line per analysed block, newest at
// the bottom, from the block's smallest to its largest sample value (-1..1
// across the strip), so the waveform envelope scrolls upward in step with the
// waterfall; a time axis on the left and a level axis below.
//
// It reads the level histories (layout and access rules in
// analysis/HistoryBuffers.h) into its own copy before drawing. Placed by
// Layout(x, y, width); the two-argument Layout is the base one. The meters
// plot restyles the axes of its two strips through TimeAxis and LevelAxis.
// User-interface thread only, context current for Draw.
#pragma once

#include <cstdint>
#include <vector>

#include "plots/Axis.h"
#include "plots/Panel.h"

class CVolumePanel : public CCompositePanel {
public:
    CVolumePanel();

    using CPanel::Layout;
    // width: of the level area (120 beside the plots, 75 in the meters plot).
    // Reads the history geometry, the sample rate and the block size.
    CSize Layout(std::int32_t x, std::int32_t y, std::int32_t width);
    void Draw() override;

    // 0 left-channel histories, 1 right-channel, any other value the channel
    // function's (the default, 2).
    void SetChannel(std::int32_t channel) { m_nChannel = channel; }

    CAxis& TimeAxis() { return m_axisTime; }
    CAxis& LevelAxis() { return m_axisLevel; }
    // The framed level area after the last Layout.
    const CRect& GetLevelArea() const { return m_rcLevel; }
    // x of the strip's centre line: a silent block draws centre - 1..centre + 1.
    std::int32_t GetCentreX() const;

private:
    CAxis m_axisTime;
    CAxis m_axisLevel;
    CRect m_rcLevel;
    std::int32_t m_nRows = 0;
    std::int32_t m_nChannel = 2;
    std::vector<double> m_min;
    std::vector<double> m_max;
};
