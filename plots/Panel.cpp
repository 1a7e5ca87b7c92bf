// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Panel.h"

#include "plots/Primitives.h"

void CPanel::DrawBackground() {
    SetColour(m_clrBack);
    FillRect(m_rcFrame.left, m_rcFrame.top, m_rcFrame.right, m_rcFrame.bottom);
    DrawFrame(m_rcFrame);
}

void CPanel::DrawFrame(std::int32_t left, std::int32_t top, std::int32_t right,
                       std::int32_t bottom) {
    SetColour(m_clrBorder);
    OutlineRect(left - 1, top + 1, right + 1, bottom - 1);
    SetColour(m_clrFore);
    OutlineRect(left, top, right, bottom);
}

void CPanel::DrawTitle() {
    SetColour(m_clrFore);
    const std::int32_t h = m_nTitleFont / 100;
    const auto n = static_cast<std::int32_t>(m_strTitle.size());
    DrawText(m_nTitleFont, m_ptTitle.x - (h * n) / 4, m_ptTitle.y, m_strTitle);
}

void CCompositePanel::SetRunState(CRunState* runState) {
    CPanel::SetRunState(runState);
    for (CPanel* part : m_parts)
        part->SetRunState(runState);
}

void CCompositePanel::SetFonts(std::int32_t titleFont, std::int32_t labelFont) {
    CPanel::SetFonts(titleFont, labelFont);
    for (CPanel* part : m_parts)
        part->SetFonts(titleFont, labelFont);
}

void CCompositePanel::SetColours(float backR, float backG, float backB, float foreR, float foreG,
                                 float foreB, float borderR, float borderG, float borderB) {
    CPanel::SetColours(backR, backG, backB, foreR, foreG, foreB, borderR, borderG, borderB);
    for (CPanel* part : m_parts)
        part->SetColours(backR, backG, backB, foreR, foreG, foreB, borderR, borderG, borderB);
}
