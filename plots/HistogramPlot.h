// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 0: the newest spectrum as 120 vertical bars over a frequency
// axis, a falling peak marker above each bar, magnitudes labelled in dB.
//
// It reads the newest row of the waterfall ring (H bytes, one per pixel
// column, 0..255 the magnitude mapped onto the display range) into its own
// copy through CRingSnapshot, and the display range and measured magnitudes
// from the store. User-interface thread only; Draw needs the OpenGL context
// current, Layout and UpdateAxes do not.
#pragma once

#include <cstdint>
#include <memory>

#include "plots/Axis.h"
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

private:
    CAxis m_axisX;
    CAxis m_axisY;
    CRect m_rcPlot;
    double m_dBarScale = 0.0; // pixels per byte value: H / 255
    std::unique_ptr<CPeakHoldArray> m_pPeaks;
    CRingSnapshot m_snapshot;
};

// Bar heights in pixels over one row of rowBytes bytes: bar i covers the w =
// h / 120 bytes from i * w and is the largest byte * scale among them,
// truncated (0 when w is 0). heights holds kBars values.
void HistogramBarHeights(const std::uint8_t* row, std::int32_t rowBytes, std::int32_t h,
                         double scale, std::int32_t* heights);
