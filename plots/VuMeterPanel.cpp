// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/VuMeterPanel.h"

#include <GL/gl.h>

#include <cstdio>

#include "plots/LevelMeter.h"
#include "plots/Primitives.h"

CSize CVuMeterPanel::Layout(std::int32_t x, std::int32_t y) {
    PlaceFrame({x, y, x + 148, y - 60});
    m_rcBar = {x + 10, y - 30, x + 10 + kBarWidth, y - 30 - kBarHeight};
    m_ptLow = {x + 5, y - 25};
    m_ptHigh = {x + 133, y - 25};
    m_ptCaption = {x + 40, y - 51};
    m_ptTitle = {x + 94, y - 13};
    m_pPeak = std::make_unique<CPeakHold>(0, m_rcBar.right - m_rcBar.left - 1, 8);
    return m_size;
}

void CVuMeterPanel::SetLevelColours(const SColour& low, const SColour& mid, const SColour& high) {
    m_clrLow = low;
    m_clrMid = mid;
    m_clrHigh = high;
}

double CVuMeterPanel::LevelDb(std::int16_t min, std::int16_t max) {
    return PeakToPeakDb(max, min);
}

std::int32_t CVuMeterPanel::LitPixels(double db) {
    return static_cast<std::int32_t>((kBarWidth - 2) * LitFraction(db));
}

void CVuMeterPanel::DrawBar(std::int32_t lit) {
    const CRect& bar = m_rcBar;
    const std::int32_t w = bar.right - bar.left;
    const std::int32_t x1 = bar.left + static_cast<std::int32_t>(0.8 * w);
    const std::int32_t x2 = bar.left + static_cast<std::int32_t>(0.88 * w);
    FillRectShaded(bar.left, bar.top, x1, bar.bottom, m_clrLow, m_clrLow, m_clrMid, m_clrMid);
    SetColour(m_clrMid);
    FillRect(x1, bar.top, x2, bar.bottom);
    FillRectShaded(x2, bar.top, bar.right, bar.bottom, m_clrMid, m_clrMid, m_clrHigh, m_clrHigh);
    glColor3f(0.0f, 0.0f, 0.0f);
    FillRect(bar.left + lit, bar.top, bar.right, bar.bottom);
}

void CVuMeterPanel::Draw() {
    if (!m_pPeak)
        return;
    SLevels levels;
    if (m_pRunState->IsAcquiring())
        levels = m_pRunState->GetLevels();
    const double db = LevelDb(levels.nPeakMin, levels.nPeakMax);
    const std::int32_t lit = LitPixels(db);
    const std::int32_t held = m_pPeak->Update(lit);

    DrawBackground();
    DrawBar(lit);
    glColor3f(1.0f, 1.0f, 0.0f);
    DrawLine(m_rcBar.left + held + 1, m_rcBar.top, m_rcBar.left + held + 1, m_rcBar.bottom);
    DrawLine(m_rcBar.left + held, m_rcBar.top, m_rcBar.left + held, m_rcBar.bottom);

    SetColour(m_clrFore);
    OutlineRect(m_rcBar.left, m_rcBar.top, m_rcBar.right, m_rcBar.bottom);
    DrawText(m_nLabelFont, m_ptLow.x, m_ptLow.y, " -100");
    DrawText(m_nLabelFont, m_ptHigh.x, m_ptHigh.y, "0");
    DrawText(m_nLabelFont, m_ptCaption.x, m_ptCaption.y, "Input P-P in dB");

    // The number holds still on every third draw so that it can be read.
    if (m_nFrame % 3 != 0)
        m_dShownDb = db;
    ++m_nFrame;
    DrawText(m_nTitleFont, m_ptTitle.x - 55, m_ptTitle.y, "Input:");
    char text[32];
    std::snprintf(text, sizeof text, "%6.1f", m_dShownDb);
    m_strTitle = text;
    DrawText(m_nTitleFont, m_ptTitle.x + 20, m_ptTitle.y, "dB");
    DrawTitle();
}
