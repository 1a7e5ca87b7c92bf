// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/ScalePanel.h"

#include <GL/gl.h>

#include <cstdio>

#include "analysis/Decibel.h"
#include "plots/Primitives.h"

std::uint8_t CScalePanel::RampIndex(std::int32_t column) {
    return static_cast<std::uint8_t>(2 * column);
}

void CScalePanel::UpdateRamp() {
    if (m_bRampMade && m_rampRed == g_afPaletteRed && m_rampGreen == g_afPaletteGreen &&
        m_rampBlue == g_afPaletteBlue)
        return;
    m_rampRed = g_afPaletteRed;
    m_rampGreen = g_afPaletteGreen;
    m_rampBlue = g_afPaletteBlue;
    for (std::int32_t i = 0; i < kRampWidth; ++i) {
        const std::uint8_t index = RampIndex(i);
        for (std::int32_t row = 0; row < kRampHeight; ++row) {
            const auto at = static_cast<std::size_t>(3 * (row * kRampWidth + i));
            m_ramp[at] = m_rampRed[index];
            m_ramp[at + 1] = m_rampGreen[index];
            m_ramp[at + 2] = m_rampBlue[index];
        }
    }
    m_bRampMade = true;
}

std::string CScalePanel::EndLabel(double magnitude) {
    char text[32];
    std::snprintf(text, sizeof text, "%3.0f", LinearToDb(magnitude));
    return text;
}

CSize CScalePanel::Layout(std::int32_t x, std::int32_t y) {
    PlaceFrame({x, y, x + 148, y - 60});
    m_ptRamp = {x + 10, y - 40};
    m_rcRampFrame = {x + 9, y - 30, x + 138, y - 40};
    m_ptLow = {x + 4, y - 25};
    m_ptHigh = {x + 128, y - 25};
    m_ptAuto = {x + 39, y - 51};
    m_ptTitle = {x + 73, y - 13};
    return m_size;
}

void CScalePanel::Draw() {
    const SDisplayRange range = m_pRunState->GetDisplayRange();
    const SSpectrumStats stats = m_pRunState->GetSpectrumStats();
    m_strLow = EndLabel(range.bAutoScale ? stats.dMeasuredMagMin : range.dMagMin);
    m_strHigh = EndLabel(range.bAutoScale ? stats.dMeasuredMagMax : range.dMagMax);

    DrawBackground();

    UpdateRamp();
    glRasterPos2i(m_ptRamp.x, m_ptRamp.y);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelZoom(1.0f, 1.0f);
    // Floats, as the pixel maps hold them: OpenGL rounds them to the
    // framebuffer's bytes exactly as it rounds the mapped indexes.
    glDrawPixels(kRampWidth, kRampHeight, GL_RGB, GL_FLOAT, m_ramp.data());
    glPopClientAttrib();

    SetColour(m_clrFore);
    OutlineRect(m_rcRampFrame.left, m_rcRampFrame.top, m_rcRampFrame.right, m_rcRampFrame.bottom);
    DrawText(m_nLabelFont, m_ptLow.x, m_ptLow.y, m_strLow);
    DrawText(m_nLabelFont, m_ptHigh.x, m_ptHigh.y, m_strHigh);
    if (range.bAutoScale)
        DrawText(m_nLabelFont, m_ptAuto.x, m_ptAuto.y, m_strAuto);
    DrawTitle();
}
