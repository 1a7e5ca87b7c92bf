// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/HistogramPlot.h"

#include <GL/gl.h>

#include <algorithm>

#include "analysis/Decibel.h"
#include "plots/Primitives.h"

void HistogramBarHeights(const std::uint8_t* row, std::int32_t rowBytes, std::int32_t h,
                         double scale, std::int32_t* heights) {
    const std::int32_t w = std::max(h / CHistogramPlot::kBars, 0);
    for (std::int32_t i = 0; i < CHistogramPlot::kBars; ++i) {
        std::int32_t top = 0;
        for (std::int32_t k = i * w; k < (i + 1) * w && k < rowBytes && row != nullptr; ++k)
            top = std::max(top, static_cast<std::int32_t>(row[k] * scale));
        heights[i] = top;
    }
}

CHistogramPlot::CHistogramPlot() : CCompositePanel({&m_axisX, &m_axisY}) {
    ConfigureFrequencyAxis(m_axisX);

    m_axisY.SetTicks(8, 1);
    m_axisY.m_nTickSide = -1;
    m_axisY.SetLabelDivisor(1);
    m_axisY.m_nLabelGap = 0;
    m_axisY.SetLabelFormatter(DbLabel);
    m_axisY.SetTitle("dB");
}

CSize CHistogramPlot::Layout(std::int32_t x, std::int32_t y) {
    const std::int32_t ht = m_nTitleFont / 100;
    const std::int32_t hl = m_nLabelFont / 100;
    const std::int32_t h = m_pRunState ? m_pRunState->GetHistoryGeometry().nRingRows / 2 : 0;

    const std::int32_t left = x + 4 * hl;
    m_rcPlot = {left, y - 10, left + h + 1, y - 12 - h};
    PlacePlotFrame(x, y, x + 4 * hl + h, h);
    m_dBarScale = static_cast<double>(h) / 255.0;
    m_ptTitle = {m_rcPlot.left + (m_rcPlot.right - m_rcPlot.left) / 2, y - ht};

    m_axisX.SetGeometry(m_rcPlot.left, m_rcPlot.bottom, m_rcPlot.right - m_rcPlot.left, 0);
    m_axisY.SetGeometry(m_rcPlot.left, m_rcPlot.bottom, 0, m_rcPlot.top - m_rcPlot.bottom);
    m_axisY.MoveTitleAnchor(-40, -5);

    m_pPeaks = std::make_unique<CPeakHoldArray>(m_rcFrame.bottom, m_rcFrame.top, 25, kBars);
    return m_size;
}

void CHistogramPlot::UpdateAxes() {
    if (m_pRunState == nullptr)
        return;
    const SDisplayRange range = m_pRunState->GetDisplayRange();
    const SDisplayScale scale = m_pRunState->GetDisplayScale();
    const SSpectrumStats stats = m_pRunState->GetSpectrumStats();
    SetFrequencyAxis(m_axisX, range, scale, stats.dBinWidth);
    const double lo = range.bAutoScale ? stats.dMeasuredMagMin : range.dMagMin;
    const double hi = range.bAutoScale ? stats.dMeasuredMagMax : range.dMagMax;
    m_axisY.SetRange(lo, hi);
    if (scale.bDecibel) {
        // Bars linear in dB: labels on the dB grid, at least two label
        // heights apart.
        const double spacing = 2.0 * (m_axisY.GetLabelFont() / 100);
        m_axisY.SetLabelFormatter(PlainLabel);
        m_axisY.SetTickMarks(
            DecibelTicks(LinearToDb(lo), LinearToDb(hi), m_axisY.GetSize().cy, spacing));
    } else {
        m_axisY.SetLabelFormatter(DbLabel);
        m_axisY.SetTickMarks({});
    }
}

void CHistogramPlot::Draw() {
    if (m_pRunState == nullptr || !m_pPeaks)
        return;
    m_snapshot.Read(*m_pRunState, 1);
    UpdateAxes();

    glDisable(GL_DEPTH_TEST);
    SetColour(m_clrFore);
    OutlineRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.right, m_rcPlot.bottom);

    std::int32_t heights[kBars];
    const bool haveRow = m_snapshot.GetRows() > 0;
    HistogramBarHeights(haveRow ? m_snapshot.Row(0) : nullptr,
                        haveRow ? m_snapshot.GetRowWidth() : 0,
                        m_snapshot.GetGeometry().nHistoryLength, m_dBarScale, heights);
    const std::int32_t w = std::max(m_snapshot.GetGeometry().nHistoryLength / kBars, 0);
    std::int32_t x = m_rcPlot.left;
    for (std::int32_t i = 0; i < kBars; ++i) {
        const CRect bar{x, m_rcPlot.bottom + heights[i], x + w, m_rcPlot.bottom};
        SetColour(m_clrFore);
        FillRect(bar.left, bar.top, bar.right, bar.bottom);
        const std::int32_t p = m_pPeaks->Update(bar.top, i);
        glColor3f(1.0f, 0.3f, 0.3f);
        DrawLine(x, p, x + w, p);
        DrawLine(x, p + 1, x + w, p + 1);
        x += w;
    }

    m_axisY.Draw();
    m_axisX.Draw();
    DrawTitle();
}
