// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/ScalePanel.h"

#include <GL/gl.h>

#include <cstdio>

#include "analysis/Decibel.h"
#include "plots/Primitives.h"

CScalePanel::CScalePanel() {
    m_strTitle = "Magnitude in dB";
    for (std::int32_t row = 0; row < kRampHeight; ++row)
        for (std::int32_t i = 0; i < kRampWidth; ++i)
            m_ramp[static_cast<std::size_t>(row * kRampStride + i)] =
                static_cast<std::uint8_t>(2 * i);
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

    glRasterPos2i(m_ptRamp.x, m_ptRamp.y);
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
    // Mesa keeps recent glDrawPixels images by content, already passed
    // through the pixel maps, and would show this unchanging ramp in the
    // palette it first met; it caches no image whose rows are longer than
    // drawn.
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, kRampStride);
    glPixelZoom(1.0f, 1.0f);
    glDrawPixels(kRampWidth, kRampHeight, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, m_ramp.data());
    // Left on, mapping would pass later RGB images and read-backs through
    // the palette too.
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

    SetColour(m_clrFore);
    OutlineRect(m_rcRampFrame.left, m_rcRampFrame.top, m_rcRampFrame.right, m_rcRampFrame.bottom);
    DrawText(m_nLabelFont, m_ptLow.x, m_ptLow.y, m_strLow);
    DrawText(m_nLabelFont, m_ptHigh.x, m_ptHigh.y, m_strHigh);
    if (range.bAutoScale)
        DrawText(m_nLabelFont, m_ptAuto.x, m_ptAuto.y, m_strAuto);
    DrawTitle();
}
