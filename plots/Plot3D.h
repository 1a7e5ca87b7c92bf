// SPDX-License-Identifier: GPL-3.0-or-later
// What the two 3D plots (surface and bars) share: the scene's extents, the
// guide lines shown while the user turns or zooms the scene, and the range
// line written along the top edge of the 3D viewport.
//
// The scene is in model units of the surface ring: D = values per row (30,
// 60 or 90), R = rows (80, 120 or 160). Frequency runs along x from -D/2 to
// D/2, magnitude is height y from -D/2 (0.0) to D/2 (1.0), and the rows run
// along z from zTop = 0.75 D (the newest, in front) back to -zTop.
//
// The plot covers the viewport of g_projection3D, which the view sets
// before Layout; the panel rectangle itself is a point and its size (0, 0).
// Draw applies g_projection3D for the geometry and g_projection2D again for
// the text, so the 2D state is in force when it returns. It does not flush:
// the view ends the frame once.
//
// User-interface thread only, with the OpenGL context current for Draw.
#pragma once

#include <cstdint>
#include <string>

#include "plots/Panel.h"
#include "plots/Primitives.h"

// The range line: frequencies in kHz from a maximum of 1000 Hz on (unlike the
// 2D plots, which switch above it), else in Hz; magnitudes in dB, measured
// (auto-scale) or the display range's. It starts with the title, which the 3D
// plots leave empty, so the text begins with a space.
std::string FormatRangeTitle(const std::string& title, const SDisplayRange& range,
                             const SSpectrumStats& stats);

class CPlot3D : public CPanel {
public:
    // Both guides (axis lines and bounding box) on or off for the next draw.
    void SetGuides(bool show) {
        m_bShowAxes = show;
        m_bShowBox = show;
    }
    bool GetShowAxes() const { return m_bShowAxes; }
    bool GetShowBox() const { return m_bShowBox; }

protected:
    // Places the (degenerate) panel at (x, y), reads R and D from the store
    // and sets the extents and the title anchor: (vw / 2 - 120, vy + vh) of
    // g_projection3D's viewport.
    void LayoutScene(std::int32_t x, std::int32_t y);
    // The red x, green y and blue z axis lines when m_bShowAxes, and the
    // white box from -zTop to zFront when m_bShowBox.
    void DrawGuides(float zFront) const;
    // In 2D: the range line at the title anchor in the foreground colour.
    void DrawRangeTitle() const;

    float m_fHalfX = 0, m_fHalfY = 0; // D / 2 each
    float m_fFullY = 0;               // D; scales heights
    float m_fZTop = 0;                // 1.5 * D / 2
    std::int32_t m_nRows = 0;         // R
    std::int32_t m_nCols = 0;         // D
    bool m_bShowAxes = false;
    bool m_bShowBox = false;
    // The frame's geometry, sent in one draw call: per-polygon calls cost
    // the software rasteriser more than the pixels. Kept to reuse its memory.
    STriangleBatch m_batch;
};
