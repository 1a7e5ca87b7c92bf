// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 0: the newest spectrum as 120 vertical bars over a frequency
// axis, a falling peak marker above each bar, magnitudes labelled in dB.
//
// It reads the newest row of the waterfall ring (H bytes, one per pixel
// column, 0..255 the magnitude mapped onto the display range) into its own
// copy through CRingSnapshot, and the display range and measured magnitudes
// from the store. While the store's measure options average, it reads the
// averaged row the block readout names instead. With the peak readout on it
// marks the readout's peak above its bar and reads it out in one line inside
// the plot's top edge; with max hold on it draws each bar's highest top
// since the hold was reset, as a line in the peak colour: every block's row
// counts, also those that came and went between two frames. User-interface thread only; Draw needs
// the OpenGL context current, Layout and UpdateAxes do not.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plots/Axis.h"
#include "plots/MaxHold.h"
#include "plots/Panel.h"
#include "plots/PeakHold.h"
#include "plots/RingSnapshot.h"

class CHistogramPlot : public CCompositePanel {
public:
    static constexpr std::int32_t kBars = 120;

    CHistogramPlot();

    // Reads H from the store's history geometry; restarts the peak markers
    // at the panel bottom.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    // Sets both axes' ranges, formats and titles from the store's display
    // range (the measured magnitudes when auto-scale is on) and scale: on
    // the log axis ticks at 1, 2 and 5 x 10^k Hz, with decibels the
    // magnitude labels on a 10 or 20 dB grid.
    void UpdateAxes();

    const CAxis& GetAxisX() const { return m_axisX; }
    const CAxis& GetAxisY() const { return m_axisY; }
    // The bar area; bars stand on its bottom.
    const CRect& GetPlotArea() const { return m_rcPlot; }
    // What the last Draw showed: the newest row's bytes (null before a
    // row), their count, and the pixel columns each bar covers (H / kBars).
    // The row is the averaged one while averaging is on.
    const std::uint8_t* GetDrawnRow() const { return m_pDrawnRow; }
    std::int32_t GetDrawnRowWidth() const { return m_nDrawnRowBytes; }
    std::int32_t GetBarWidth() const { return m_snapshot.GetGeometry().nHistoryLength / kBars; }
    // Starts the max-hold trace afresh from the next frame (Reset Plot,
    // switching the hold on).
    void ResetMaxHold() {
        m_maxHold.Reset();
        m_nMaxHoldRow = -1;
    }

private:
    // The row the bars show: the averaged one, or the snapshot's newest;
    // null when there is none yet. *bytes gets its length.
    // *averaged tells whether it is the averaged one.
    const std::uint8_t* SourceRow(const SMeasureOptions& options, std::int32_t* bytes,
                                  bool* averaged);
    // Raises the max hold by every waterfall row appended since the last
    // frame (each block counts, drawn or not), or by the bars drawn when
    // they show the average.
    void UpdateMaxHold(bool averaged, const std::int32_t* heights);
    void DrawMaxHold(std::int32_t barWidth);
    void DrawPeakReadout(const SBlockReadout& readout, const std::int32_t* heights,
                         std::int32_t barWidth);

    const std::uint8_t* m_pDrawnRow = nullptr;
    std::int32_t m_nDrawnRowBytes = 0;
    CAxis m_axisX;
    CAxis m_axisY;
    CRect m_rcPlot;
    double m_dBarScale = 0.0; // pixels per byte value: H / 255
    std::unique_ptr<CPeakHoldArray> m_pPeaks;
    CRingSnapshot m_snapshot;
    std::vector<std::uint8_t> m_averageRow;
    CMaxHold m_maxHold;
    std::int32_t m_nMaxHoldRow = -1; // the write row at the last fold; -1: none yet
};

// The peak readout's line: frequency in Hz, level in dBFS, the window, or
// that no tone stands out.
std::string PeakReadoutText(const SBlockReadout& readout);

// Bar heights in pixels over one row of rowBytes bytes: bar i covers the w =
// h / 120 bytes from i * w and is the largest byte * scale among them,
// truncated (0 when w is 0). heights holds kBars values.
void HistogramBarHeights(const std::uint8_t* row, std::int32_t rowBytes, std::int32_t h,
                         double scale, std::int32_t* heights);
