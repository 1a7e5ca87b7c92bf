// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/HistogramPlot.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <span>

#include "analysis/Decibel.h"
#include "analysis/FrequencyAxis.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/WindowTable.h"
#include "plots/Primitives.h"

namespace {

// The falling peak markers', the max hold's and the peak readout's mark.
constexpr SColour kPeakColour{1.0f, 0.3f, 0.3f};

} // namespace

std::string PeakReadoutText(const SBlockReadout& readout) {
    const std::int32_t type = readout.nWindowType;
    const char* window = type >= 0 && type < kWindowCount ? g_apszWindowNames[type] : "no window";
    char text[96];
    if (readout.bPeakFound)
        std::snprintf(text, sizeof text, "Peak %.1f Hz  %.1f dBFS  (%s)", readout.dPeakFrequency,
                      readout.dPeakLevelDb, window);
    else
        std::snprintf(text, sizeof text, "No peak  (%s)", window);
    return text;
}

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

const std::uint8_t* CHistogramPlot::SourceRow(const SMeasureOptions& options, std::int32_t* bytes,
                                              bool* averaged) {
    *averaged = false;
    const SBlockReadout readout = m_pRunState->GetBlockReadout();
    const SAverageRows average = m_pRunState->GetAverageRows();
    if (options.nAverageBlocks > 1 && readout.nAverageSlot >= 0 && average.pRows != nullptr &&
        readout.nAverageSlot < average.nSlots && average.nWidth > 0) {
        const auto width = static_cast<std::size_t>(average.nWidth);
        m_averageRow.resize(width);
        HistoryLoadBytes(m_averageRow.data(),
                         average.pRows + static_cast<std::size_t>(readout.nAverageSlot) * width,
                         width);
        *bytes = average.nWidth;
        *averaged = true;
        return m_averageRow.data();
    }
    const bool haveRow = m_snapshot.GetRows() > 0;
    *bytes = haveRow ? m_snapshot.GetRowWidth() : 0;
    return haveRow ? m_snapshot.Row(0) : nullptr;
}

void CHistogramPlot::Draw() {
    if (m_pRunState == nullptr || !m_pPeaks)
        return;
    const SMeasureOptions options = m_pRunState->GetMeasureOptions();
    // Max hold takes in the rows the frames in between did not show.
    const std::int32_t history = m_pRunState->GetHistoryGeometry().nHistoryLength;
    m_snapshot.Read(*m_pRunState, options.bMaxHold ? std::max(history - 1, 1) : 1);
    UpdateAxes();

    glDisable(GL_DEPTH_TEST);
    SetColour(m_clrFore);
    OutlineRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.right, m_rcPlot.bottom);

    std::int32_t heights[kBars];
    std::int32_t rowBytes = 0;
    bool averaged = false;
    const std::uint8_t* row = SourceRow(options, &rowBytes, &averaged);
    m_pDrawnRow = row;
    m_nDrawnRowBytes = row != nullptr ? rowBytes : 0;
    HistogramBarHeights(row, rowBytes, m_snapshot.GetGeometry().nHistoryLength, m_dBarScale,
                        heights);
    const std::int32_t w = std::max(m_snapshot.GetGeometry().nHistoryLength / kBars, 0);
    std::int32_t x = m_rcPlot.left;
    for (std::int32_t i = 0; i < kBars; ++i) {
        const CRect bar{x, m_rcPlot.bottom + heights[i], x + w, m_rcPlot.bottom};
        SetColour(m_clrFore);
        FillRect(bar.left, bar.top, bar.right, bar.bottom);
        const std::int32_t p = m_pPeaks->Update(bar.top, i);
        SetColour(kPeakColour);
        DrawLine(x, p, x + w, p);
        DrawLine(x, p + 1, x + w, p + 1);
        x += w;
    }

    if (options.bMaxHold) {
        UpdateMaxHold(averaged, heights);
        DrawMaxHold(w);
    } else {
        ResetMaxHold();
    }
    if (options.bPeakReadout) {
        const SBlockReadout readout = m_pRunState->GetBlockReadout();
        if (readout.nBlock > 0)
            DrawPeakReadout(readout, heights, w);
    }

    m_axisY.Draw();
    m_axisX.Draw();
    DrawTitle();
}

void CHistogramPlot::UpdateMaxHold(bool averaged, const std::int32_t* heights) {
    const std::int32_t row = m_snapshot.GetGeometry().nHistoryRow;
    const std::int32_t h = m_snapshot.GetGeometry().nHistoryLength;
    if (averaged || m_nMaxHoldRow < 0 || h <= 0) {
        m_maxHold.Update(std::span(heights, kBars));
    } else {
        // The write row moves down by one a block: the rows since the last
        // fold are the newest ones, as many as it moved.
        const std::int32_t fresh = std::min((m_nMaxHoldRow - row + h) % h, m_snapshot.GetRows());
        std::int32_t rowHeights[kBars];
        for (std::int32_t i = 0; i < fresh; ++i) {
            HistogramBarHeights(m_snapshot.Row(i), m_snapshot.GetRowWidth(), h, m_dBarScale,
                                rowHeights);
            m_maxHold.Update(std::span(rowHeights, kBars));
        }
        if (m_maxHold.Held().empty())
            m_maxHold.Update(std::span(heights, kBars));
    }
    m_nMaxHoldRow = row;
}

// A step line: across each bar at its held height, joined at the bar edges.
void CHistogramPlot::DrawMaxHold(std::int32_t barWidth) {
    const auto held = m_maxHold.Held();
    SetColour(kPeakColour);
    std::int32_t x = m_rcPlot.left;
    for (std::size_t i = 0; i < held.size(); ++i) {
        const std::int32_t y = m_rcPlot.bottom + held[i];
        if (i > 0)
            DrawLine(x, m_rcPlot.bottom + held[i - 1], x, y);
        DrawLine(x, y, x + barWidth, y);
        x += barWidth;
    }
}

// A small triangle pointing down at the peak's pixel column, just above its
// bar, and the readout's line inside the top edge in the foreground colour.
void CHistogramPlot::DrawPeakReadout(const SBlockReadout& readout, const std::int32_t* heights,
                                     std::int32_t barWidth) {
    const std::int32_t h = m_snapshot.GetGeometry().nHistoryLength;
    if (readout.bPeakFound && h > 0 && barWidth > 0) {
        const SDisplayRange range = m_pRunState->GetDisplayRange();
        const SDisplayScale scale = m_pRunState->GetDisplayScale();
        const SSpectrumStats stats = m_pRunState->GetSpectrumStats();
        const SFrequencyAxis axis =
            MakeFrequencyAxis(range, scale.bLogFrequency, stats.dBinWidth, h);
        const std::int32_t column = IsUsable(axis) && readout.dPeakFrequency > 0.0
                                        ? AxisColumn(axis, readout.dPeakFrequency)
                                        : -1;
        const std::int32_t bar = column >= 0 ? column / barWidth : kBars;
        if (bar < kBars) {
            const std::int32_t x = m_rcPlot.left + column;
            const std::int32_t y = std::min(m_rcPlot.bottom + heights[bar] + 2, m_rcPlot.top - 6);
            const CPoint mark[3] = {{x, y}, {x - 4, y + 6}, {x + 4, y + 6}};
            SetColour(kPeakColour);
            FillPolygon(mark, 3);
        }
    }
    const std::int32_t textHeight = m_nLabelFont / 100;
    SetColour(m_clrFore);
    DrawText(m_nLabelFont, m_rcPlot.left + 4, m_rcPlot.top - textHeight - 2,
             PeakReadoutText(readout));
}
