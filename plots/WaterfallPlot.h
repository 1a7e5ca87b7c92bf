// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 1: the recent spectra as a colour image, frequency across, time
// upward: the newest spectrum at the bottom, each older one a row higher,
// each magnitude byte shown in its palette colour. A frequency axis below and
// a time axis (block durations) on the left.
//
// Draw copies the newest H - 2 rows of the waterfall ring into its own
// snapshot (CRingSnapshot). The image lives in a texture that mirrors the
// ring (ring row r in texture row r mod H): only the rows whose bytes differ
// from what the texture holds are converted through the palette tables
// (plots/Palette.h) and uploaded, all of them again when the palette or the
// geometry changes, and the image is drawn as two textured quads, where the
// ring wraps. The pixels are those of one glDrawPixels of the converted
// rows. User-interface thread only; Draw needs the OpenGL context current,
// Layout does not. The texture belongs to the context of the first Draw:
// ReleaseGl frees it while that context is current, before it goes.
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
    // Frees the texture (the next Draw makes a new one); the context the
    // plot drew in must be current.
    void ReleaseGl();

    const CAxis& GetAxisX() const { return m_axisX; }
    const CAxis& GetAxisY() const { return m_axisY; }
    // The framed image area; the image starts one pixel inside it.
    const CRect& GetPlotArea() const { return m_rcPlot; }
    CPoint GetRasterOrigin() const { return m_ptRaster; }
    // Image rows converted and uploaded since construction (instrumentation).
    std::int64_t GetRowsUploaded() const { return m_nRowsUploaded; }

private:
    // Brings the texture up to the snapshot's rows.
    void UpdateTexture();
    // Converts and uploads texture rows first .. first + count - 1 from m_indexes.
    void UploadRows(std::int32_t first, std::int32_t count);
    void DrawImage(std::int32_t rows);

    CAxis m_axisX;
    CAxis m_axisY;
    CRect m_rcPlot;
    CPoint m_ptRaster;
    std::int32_t m_nRowLimit = 0;
    CRingSnapshot m_snapshot;
    // What the texture holds: H rows of the ring's bytes, and which are set.
    std::vector<std::uint8_t> m_indexes;
    std::vector<bool> m_rowSet;
    std::vector<std::uint8_t> m_bgr;
    PaletteTable m_red{};
    PaletteTable m_green{};
    PaletteTable m_blue{};
    unsigned int m_nTexture = 0;
    std::int32_t m_nTexWidth = 0;
    std::int32_t m_nTexRows = 0;
    std::int64_t m_nRowsUploaded = 0;
};

// Converts count palette indexes to blue, green, red bytes (each channel
// * 255, truncated), three bytes per index into bgr.
void PaletteToBgr(const std::uint8_t* indexes, std::size_t count, const PaletteTable& blue,
                  const PaletteTable& green, const PaletteTable& red, std::uint8_t* bgr);
