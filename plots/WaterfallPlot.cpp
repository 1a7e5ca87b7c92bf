// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/WaterfallPlot.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "base/StartupSettings.h"
#include "plots/Primitives.h"

void PaletteToBgr(const std::uint8_t* indexes, std::size_t count, const PaletteTable& blue,
                  const PaletteTable& green, const PaletteTable& red, std::uint8_t* bgr) {
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t b = indexes[k];
        bgr[3 * k] = static_cast<std::uint8_t>(blue[b] * 255.0f);
        bgr[3 * k + 1] = static_cast<std::uint8_t>(green[b] * 255.0f);
        bgr[3 * k + 2] = static_cast<std::uint8_t>(red[b] * 255.0f);
    }
}

CWaterfallPlot::CWaterfallPlot() : CCompositePanel({&m_axisX, &m_axisY}) {
    ConfigureFrequencyAxis(m_axisX);
    ConfigureTimeAxis(m_axisY);
}

CSize CWaterfallPlot::Layout(std::int32_t x, std::int32_t y) {
    const std::int32_t ht = m_nTitleFont / 100;
    const std::int32_t hl = m_nLabelFont / 100;
    std::int32_t ringRows = 0;
    double rate = 0.0;
    if (m_pRunState != nullptr) {
        ringRows = m_pRunState->GetHistoryGeometry().nRingRows;
        rate = m_pRunState->GetCaptureFormat().dSampleRate;
    }
    const std::int32_t h = ringRows / 2;
    m_nRowLimit = h;

    // Each row is one block; the axis reads from half a block to H blocks.
    const double t = rate > 0.0 ? g_startupSettings.m_nBlockSize / (2.0 * rate) : 0.0;
    m_axisY.SetRange(t, ringRows * t);

    const std::int32_t left = x + 4 * hl;
    m_rcPlot = {left, y - 10, left + h + 1, y - 12 - h};
    m_ptRaster = {m_rcPlot.left + 1, m_rcPlot.bottom + 1};
    PlacePlotFrame(x, y, x + 4 * hl + h, h);
    m_ptTitle = {m_rcPlot.left + (m_rcPlot.right - m_rcPlot.left) / 2, y - ht};

    m_axisX.SetGeometry(m_rcPlot.left, m_rcPlot.bottom, m_rcPlot.right - m_rcPlot.left, 0);
    m_axisY.SetGeometry(m_rcPlot.left, m_rcPlot.bottom + 1, 0,
                        (m_rcPlot.top - 1) - (m_rcPlot.bottom + 1));
    m_axisY.MoveTitleAnchor(-55, 12);
    return m_size;
}

void CWaterfallPlot::Draw() {
    if (m_pRunState == nullptr)
        return;
    SetFrequencyAxis(m_axisX, m_pRunState->GetDisplayRange(), m_pRunState->GetDisplayScale(),
                     m_pRunState->GetSpectrumStats().dBinWidth);
    const std::int32_t rows = m_snapshot.Read(*m_pRunState, m_nRowLimit - 2);
    const std::int32_t w = m_snapshot.GetRowWidth();
    const std::int32_t h = m_snapshot.GetGeometry().nHistoryLength;

    glDisable(GL_DEPTH_TEST);
    if (rows > 0 && w > 0) {
        // Local copies: the loop reads three small tables, not the globals.
        const PaletteTable blue = g_afPaletteBlue;
        const PaletteTable green = g_afPaletteGreen;
        const PaletteTable red = g_afPaletteRed;
        const std::size_t pixels = static_cast<std::size_t>(rows) * static_cast<std::size_t>(w);
        if (m_bgr.size() < 3 * pixels)
            m_bgr.resize(3 * pixels);
        PaletteToBgr(m_snapshot.Data(), pixels, blue, green, red, m_bgr.data());

        glRasterPos2i(m_ptRaster.x, m_ptRaster.y);
        glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelZoom(static_cast<float>(h) / static_cast<float>(w), 1.0f);
        glDrawPixels(w, rows, GL_BGR_EXT, GL_UNSIGNED_BYTE, m_bgr.data());
        glPixelZoom(1.0f, 1.0f);
        glPopClientAttrib();
    }

    SetColour(m_clrFore);
    OutlineRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.right, m_rcPlot.bottom);
    m_axisX.Draw();
    m_axisY.Draw();
    DrawTitle();
}
