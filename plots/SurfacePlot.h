// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 2: the recent spectra as a palette-coloured surface. Each cell
// joins two neighbouring values of two neighbouring rows of the surface ring,
// heights from the magnitudes and colours from the palette entries
// (g_afPalette*, which the view builds before drawing).
//
// D - 1 cell columns across x and R - 5 cell rows from the newest row back,
// so the rows drawn (and the one further back that the last cells join)
// never include the row the analysis thread writes next. A magnitude outside
// 0..1 (or not a number) is drawn as 0.0: lowest, palette colour 0.
//
// User-interface thread only; see plots/Plot3D.h.
#pragma once

#include "plots/Plot3D.h"

class CSurfacePlot : public CPlot3D {
public:
    // Returns (0, 0): the plot covers g_projection3D's viewport.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

private:
    float m_fStepX = 0; // D / (D - 1)
    float m_fStepZ = 0; // 1.5 D / (R - 5)
    std::int32_t m_nCellCols = 0;
    std::int32_t m_nCellRows = 0;
};
