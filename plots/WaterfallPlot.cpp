// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/WaterfallPlot.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>

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

void CWaterfallPlot::ReleaseGl() {
    if (m_nTexture != 0)
        glDeleteTextures(1, &m_nTexture);
    m_nTexture = 0;
    m_nTexWidth = m_nTexRows = 0;
}

void CWaterfallPlot::UploadRows(std::int32_t first, std::int32_t count) {
    const auto w = static_cast<std::size_t>(m_nTexWidth);
    const std::size_t pixels = static_cast<std::size_t>(count) * w;
    if (m_bgr.size() < 3 * pixels)
        m_bgr.resize(3 * pixels);
    PaletteToBgr(m_indexes.data() + static_cast<std::size_t>(first) * w, pixels, m_blue, m_green,
                 m_red, m_bgr.data());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, m_nTexWidth, count, GL_BGR_EXT, GL_UNSIGNED_BYTE,
                    m_bgr.data());
    m_nRowsUploaded += count;
}

void CWaterfallPlot::UpdateTexture() {
    const std::int32_t w = m_snapshot.GetRowWidth();
    const std::int32_t h = m_snapshot.GetGeometry().nHistoryLength;
    const auto width = static_cast<std::size_t>(w);
    const bool newTexture = m_nTexture == 0 || w != m_nTexWidth || h != m_nTexRows;
    const bool newPalette =
        m_red != g_afPaletteRed || m_green != g_afPaletteGreen || m_blue != g_afPaletteBlue;
    if (m_nTexture == 0) {
        glGenTextures(1, &m_nTexture);
        glBindTexture(GL_TEXTURE_2D, m_nTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(GL_TEXTURE_2D, m_nTexture);
    if (newTexture) {
        // Four bytes a texel: Mesa's rasteriser reads them faster than three.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE, nullptr);
        m_nTexWidth = w;
        m_nTexRows = h;
        m_indexes.assign(static_cast<std::size_t>(h) * width, 0);
        m_rowSet.assign(static_cast<std::size_t>(h), false);
    }
    if (newPalette) {
        m_red = g_afPaletteRed;
        m_green = g_afPaletteGreen;
        m_blue = g_afPaletteBlue;
    }

    // Rows the texture lacks or holds otherwise, and with a new palette every
    // row it holds, uploaded in runs of neighbouring rows.
    std::vector<bool> stale(static_cast<std::size_t>(h), false);
    if (newPalette)
        stale = m_rowSet;
    const std::int32_t first = m_snapshot.GetFirstRow();
    for (std::int32_t k = 0; k < m_snapshot.GetRows(); ++k) {
        const auto t = static_cast<std::size_t>((first + k) % h);
        std::uint8_t* held = m_indexes.data() + t * width;
        const std::uint8_t* row = m_snapshot.Row(k);
        if (!m_rowSet[t] || std::memcmp(held, row, width) != 0) {
            std::memcpy(held, row, width);
            m_rowSet[t] = true;
            stale[t] = true;
        }
    }
    // Uploads pass through the pixel maps too when colour mapping is on.
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (std::int32_t t = 0; t < h;) {
        if (!stale[static_cast<std::size_t>(t)]) {
            ++t;
            continue;
        }
        std::int32_t end = t + 1;
        while (end < h && stale[static_cast<std::size_t>(end)])
            ++end;
        UploadRows(t, end - t);
        t = end;
    }
    glPopClientAttrib();
}

// The snapshot's rows from the bottom up: texture rows first mod H upward,
// then, where the ring wraps, from texture row 0. Across, the H pixels show
// the row's w bytes, as a glDrawPixels zoomed by H / w would.
void CWaterfallPlot::DrawImage(std::int32_t rows) {
    const std::int32_t h = m_nTexRows;
    const std::int32_t start = m_snapshot.GetFirstRow() % h;
    const std::int32_t lower = std::min(rows, h - start);
    const auto x0 = static_cast<float>(m_ptRaster.x);
    const auto x1 = static_cast<float>(m_ptRaster.x + h);
    const auto y0 = static_cast<float>(m_ptRaster.y);
    const auto quad = [&](float bottom, float top, std::int32_t row, std::int32_t count) {
        const float t0 = static_cast<float>(row) / static_cast<float>(h);
        const float t1 = static_cast<float>(row + count) / static_cast<float>(h);
        glTexCoord2f(0.0f, t0);
        glVertex2f(x0, bottom);
        glTexCoord2f(1.0f, t0);
        glVertex2f(x1, bottom);
        glTexCoord2f(1.0f, t1);
        glVertex2f(x1, top);
        glTexCoord2f(0.0f, t1);
        glVertex2f(x0, top);
    };
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    quad(y0, y0 + static_cast<float>(lower), start, lower);
    if (rows > lower)
        quad(y0 + static_cast<float>(lower), y0 + static_cast<float>(rows), 0, rows - lower);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
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
    if (rows > 0 && w > 0 && h > 0) {
        UpdateTexture();
        DrawImage(rows);
    }

    SetColour(m_clrFore);
    OutlineRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.right, m_rcPlot.bottom);
    m_axisX.Draw();
    m_axisY.Draw();
    DrawTitle();
}
