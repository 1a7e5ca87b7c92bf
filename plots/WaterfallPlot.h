// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 1: the recent spectra as a colour image, frequency across, time
// upward: the newest spectrum at the bottom, each older one a row higher,
// each magnitude byte shown in its palette colour. A frequency axis below and
// a time axis (block durations) on the left.
//
// Draw copies the newest H - 2 rows of the waterfall ring into its own
// snapshot (CRingSnapshot), converts them once through the palette tables
// (plots/Palette.h) into BGR bytes and draws them with one glDrawPixels, with
// OpenGL colour mapping switched off. User-interface thread only; Draw needs
// the OpenGL context current, Layout does not.
#pragma once

#include <cstdint>
#include <vector>

#include "plots/Axis.h"
#include "plots/Palette.h"
#include "plots/Panel.h"
#include "plots/RingSnapshot.h"

class CWaterfallPlot : public CCompositePanel {
public:
    CWaterfallPlot();

    // Reads H, the sample rate and the block size; the time axis range is
    // fixed here, so a new rate or block size shows after the next Layout.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    const CAxis& GetAxisX() const { return m_axisX; }
    const CAxis& GetAxisY() const { return m_axisY; }
    // The framed image area; the image starts one pixel inside it.
    const CRect& GetPlotArea() const { return m_rcPlot; }
    CPoint GetRasterOrigin() const { return m_ptRaster; }

private:
    CAxis m_axisX;
    CAxis m_axisY;
    CRect m_rcPlot;
    CPoint m_ptRaster;
    std::int32_t m_nRowLimit = 0;
    CRingSnapshot m_snapshot;
    std::vector<std::uint8_t> m_bgr;
};

// Converts count palette indexes to blue, green, red bytes (each channel
// * 255, truncated), three bytes per index into bgr.
void PaletteToBgr(const std::uint8_t* indexes, std::size_t count, const PaletteTable& blue,
                  const PaletteTable& green, const PaletteTable& red, std::uint8_t* bgr);
