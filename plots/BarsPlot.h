// SPDX-License-Identifier: GPL-3.0-or-later
// Plot type 3: the recent spectra as a field of 3D bars, one per value of
// the surface ring, D across x and R - 5 rows from the newest back (never the
// row the analysis thread writes next). Faces in fixed colours (red top,
// blue bottom, green front, yellow back, olive right, grey left).
//
// A bar is 0.5 wide with a 0.5 gap and (R - 4) / D deep, deeper than the row
// spacing, so each bar reaches over the rows in front of it: the picture
// relies on the depth test (render mode 1 of g_projection3D) to show the
// front faces. Back faces are culled; all bars go to OpenGL in one draw call.
// Heights are magnitude x D and not clamped; a magnitude below 0.0001
// (negative too) is a flat bar, its bottom face only, seen from either side.
//
// User-interface thread only; see plots/Plot3D.h.
#pragma once

#include "plots/Plot3D.h"

class CBarsPlot : public CPlot3D {
public:
    // Returns (0, 0): the plot covers g_projection3D's viewport.
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    static constexpr float kBarWidth = 0.5f;
    // The box guide reaches this far in front of zTop, as the bars do.
    static constexpr float kFrontReach = 3.0f;

private:
    float m_fStepZ = 0;    // 1.5 D / (R - 5)
    float m_fBarDepth = 0; // (R - 4) / D
    std::int32_t m_nBarRows = 0;
};
