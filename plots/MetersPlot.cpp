// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/MetersPlot.h"

CMetersPlot::CMetersPlot()
    : CCompositePanel({&m_leftStrip, &m_rightStrip, &m_leftMeter, &m_rightMeter}) {
    m_leftStrip.SetChannel(0);
    m_rightStrip.SetChannel(1);
    m_leftMeter.SetChannel(0);
    m_rightMeter.SetChannel(1);

    m_leftMeter.BaseAxis().SetTitle("Left");
    m_rightMeter.BaseAxis().SetTitle("Right");

    m_leftStrip.LevelAxis().SetTitle("Left");
    m_leftStrip.TimeAxis().SetTitle("");
    m_leftStrip.LevelAxis().m_strFormat.clear();

    // The right strip shares the left one's time labels.
    m_rightStrip.LevelAxis().SetTitle("Right");
    m_rightStrip.LevelAxis().m_strFormat.clear();
    m_rightStrip.TimeAxis().SetLabelFormatter(EmptyLabel);
    m_rightStrip.TimeAxis().SetTitle("");
    m_rightStrip.TimeAxis().m_nMajorLen = 0;
}

void CMetersPlot::SetLevelColours(const SColour& low, const SColour& mid, const SColour& high) {
    m_leftMeter.SetLevelColours(low, mid, high);
    m_rightMeter.SetLevelColours(low, mid, high);
}

void CMetersPlot::ResetMaxMarkers() {
    m_leftMeter.ResetMaxMarker();
    m_rightMeter.ResetMaxMarker();
}

CSize CMetersPlot::Layout(std::int32_t x, std::int32_t y) {
    const std::int32_t h = m_pRunState ? m_pRunState->GetHistoryGeometry().nHistoryLength : 0;
    const std::int32_t hl = m_nLabelFont / 100;
    m_ptOrigin = {x, y};

    const std::int32_t s = h <= 360 ? 0 : 10 * (h / 60);
    const CSize left = m_leftMeter.Layout(x + s, y);
    m_rightMeter.Layout(x + s + left.cx + 20, y);

    // Measure the strip first: its place depends on its own width.
    const CSize strip = m_leftStrip.Layout(x, y, kStripWidth);
    const std::int32_t xs = x + h + 4 * hl + 2 * (10 - strip.cx);
    m_leftStrip.Layout(xs, y, kStripWidth);
    const CSize right = m_rightStrip.Layout(xs + strip.cx - 25, y, kStripWidth);
    m_size = {strip.cx + right.cx, strip.cy};
    return m_size;
}

void CMetersPlot::Draw() {
    m_leftMeter.Draw();
    m_rightMeter.Draw();
    m_leftStrip.Draw();
    m_rightStrip.Draw();
}
