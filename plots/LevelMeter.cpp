// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/LevelMeter.h"

#include <GL/gl.h>

#include <algorithm>

#include "analysis/Decibel.h"
#include "plots/Primitives.h"

namespace {

// The scale's labels in dB and where they sit: (dB + 100) / 100 of the bar.
constexpr double kScaleValues[] = {-100, -84, -66, -48, -36, -24, -12, -6, -3, 0};
constexpr double kScalePositions[] = {0.0, 0.16, 0.34, 0.52, 0.64, 0.76, 0.88, 0.94, 0.97, 1.0};

} // namespace

CLevelMeter::CLevelMeter() : CCompositePanel({&m_axisScale, &m_axisBase}) {
    m_axisScale.SetTicks(17, 1);
    m_axisScale.m_nTickSide = -1;
    m_axisScale.SetLabelDivisor(1);
    m_axisScale.m_nLabelGap = 0;
    m_axisScale.SetCustomTicks(kScaleValues, kScalePositions, 10);
    m_axisScale.SetLabelFormatter(PlainLabel);
    m_axisScale.SetTitle("dB");

    m_axisBase.SetTicks(1, 1);
    m_axisBase.m_nMajorLen = 0;
    m_axisBase.m_strFormat.clear();
    m_axisBase.SetLabelDivisor(0);
}

void CLevelMeter::SetLevelColours(const SColour& low, const SColour& mid, const SColour& high) {
    m_clrLow = low;
    m_clrMid = mid;
    m_clrHigh = high;
}

double PeakToPeakDb(double maximum, double minimum) {
    return std::max(LinearToDb((maximum - minimum) / 65536.0), -100.0);
}

double LitFraction(double db) {
    return std::max((db + 100.0) * 0.01, 0.0);
}

std::int32_t CLevelMeter::LitHeight(std::int32_t barHeight, double maximum, double minimum) {
    return static_cast<std::int32_t>((barHeight - 2) * LitFraction(PeakToPeakDb(maximum, minimum)));
}

CSize CLevelMeter::Layout(std::int32_t x, std::int32_t y) {
    const std::int32_t ht = m_nTitleFont / 100;
    const std::int32_t hl = m_nLabelFont / 100;
    const std::int32_t h = m_pRunState ? m_pRunState->GetHistoryGeometry().nRingRows / 2 : 0;

    const std::int32_t left = x + 4 * hl;
    m_rcBar = {left, y - 10, left + kBarWidth, y - 12 - h};
    PlacePlotFrame(x, y, left + 30, h);
    m_ptTitle = {left + 15, y - ht};

    m_axisScale.SetGeometry(left, m_rcBar.bottom, 0, m_rcBar.top - m_rcBar.bottom);
    m_axisScale.MoveTitleAnchor(-50, -10);
    m_axisBase.SetGeometry(left, m_rcBar.bottom, m_rcBar.right - left, 0);
    m_axisBase.MoveTitleAnchor(0, -50);

    m_pPeak = std::make_unique<CPeakHold>(0, m_rcBar.top - m_rcBar.bottom, 50);
    m_nMaxMarker = m_rcBar.bottom;
    return m_size;
}

void CLevelMeter::DrawBar(std::int32_t h) {
    const CRect& b = m_rcBar;
    const std::int32_t span = b.top - b.bottom;
    const std::int32_t y1 = b.bottom + static_cast<std::int32_t>(0.88 * span);
    const std::int32_t y2 = b.bottom + static_cast<std::int32_t>(0.94 * span);
    FillRectShaded(b.left, y1, b.right, b.bottom, m_clrLow, m_clrMid, m_clrMid, m_clrLow);
    SetColour(m_clrMid);
    FillRect(b.left, y2, b.right, y1);
    FillRectShaded(b.left, b.top, b.right, y2, m_clrMid, m_clrHigh, m_clrHigh, m_clrMid);
    glColor3f(0.0f, 0.0f, 0.0f);
    FillRect(b.left, b.top, b.right, b.bottom + h);

    m_nMaxMarker = std::max(m_nMaxMarker, b.bottom + h);
    const std::int32_t m = m_nMaxMarker;
    const CPoint triangle[] = {{b.right + 1, m}, {b.right + 9, m + 8}, {b.right + 9, m - 8}};
    glColor3f(1.0f, 0.0f, 0.0f);
    FillPolygon(triangle, 3);
}

void CLevelMeter::Draw() {
    if (m_pRunState == nullptr || !m_pPeak)
        return;
    const SStereoLevels stereo = m_pRunState->GetStereoLevels();
    glDisable(GL_DEPTH_TEST);
    const SLevels levels = m_pRunState->IsAcquiring() ? m_pRunState->GetLevels() : SLevels{};

    double maximum = levels.nPeakMax, minimum = levels.nPeakMin;
    if (m_nChannel == 0) {
        maximum = stereo.nLeftMax;
        minimum = stereo.nLeftMin;
    } else if (m_nChannel == 1) {
        maximum = stereo.nRightMax;
        minimum = stereo.nRightMin;
    }
    const std::int32_t h = LitHeight(m_rcBar.top - m_rcBar.bottom, maximum, minimum);
    const std::int32_t held = m_pPeak->Update(h);
    DrawBar(h);

    glColor3f(1.0f, 1.0f, 0.0f);
    DrawLine(m_rcBar.left, m_rcBar.bottom + held + 1, m_rcBar.right, m_rcBar.bottom + held + 1);
    DrawLine(m_rcBar.left, m_rcBar.bottom + held, m_rcBar.right, m_rcBar.bottom + held);

    SetColour(m_clrFore);
    OutlineRect(m_rcBar.left, m_rcBar.top, m_rcBar.right, m_rcBar.bottom);
    m_axisScale.Draw();
    m_axisBase.Draw();
    DrawTitle();
}
