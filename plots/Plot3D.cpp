// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Plot3D.h"

#include <GL/gl.h>

#include <cstdio>

#include "analysis/Decibel.h"
#include "plots/Primitives.h"
#include "plots/Projection.h"

std::string FormatRangeTitle(const std::string& title, const SDisplayRange& range,
                             const SSpectrumStats& stats) {
    const double low = LinearToDb(range.bAutoScale ? stats.dMeasuredMagMin : range.dMagMin);
    const double high = LinearToDb(range.bAutoScale ? stats.dMeasuredMagMax : range.dMagMax);
    char text[160];
    if (range.dFreqMax >= 1000.0)
        std::snprintf(text, sizeof text, "%s %04.2fKHz - %4.2fKHz  (%4.0fdB to %4.0fdB)",
                      title.c_str(), range.dFreqMin * 0.001, range.dFreqMax * 0.001, low, high);
    else
        std::snprintf(text, sizeof text, "%s %04.0fHz - %4.0fHz   (%4.0fdB to %4.0fdB)",
                      title.c_str(), range.dFreqMin, range.dFreqMax, low, high);
    return text;
}

void CPlot3D::LayoutScene(std::int32_t x, std::int32_t y) {
    PlaceFrame({x, y, x, y});
    const SSurfaceGeometry geometry =
        m_pRunState ? m_pRunState->GetSurfaceGeometry() : SSurfaceGeometry{};
    m_nRows = geometry.nRows;
    m_nCols = geometry.nCols;
    const float d = static_cast<float>(m_nCols);
    m_fHalfX = m_fHalfY = d / 2.0f;
    m_fFullY = d;
    m_fZTop = 1.5f * m_fHalfX;
    const SViewport viewport = g_projection3D.GetViewport();
    m_ptTitle = {viewport.width / 2 - 120, viewport.y + viewport.height};
}

void CPlot3D::DrawGuides(float zFront) const {
    if (m_bShowAxes) {
        const double x0[3] = {-m_fHalfX, 0, 0}, x1[3] = {m_fHalfX, 0, 0};
        const double y0[3] = {0, -m_fHalfY, 0}, y1[3] = {0, m_fHalfY, 0};
        const double z0[3] = {0, 0, -m_fZTop}, z1[3] = {0, 0, m_fZTop};
        glColor3f(1.0f, 0.0f, 0.0f);
        DrawLine3D(x0, x1);
        glColor3f(0.0f, 1.0f, 0.0f);
        DrawLine3D(y0, y1);
        glColor3f(0.0f, 0.0f, 1.0f);
        DrawLine3D(z0, z1);
    }
    if (m_bShowBox) {
        glColor3f(1.0f, 1.0f, 1.0f);
        DrawBoxEdges(-m_fHalfX, m_fHalfX, -m_fHalfY, m_fHalfY, -m_fZTop, zFront);
    }
}

void CPlot3D::DrawRangeTitle() const {
    if (!m_pRunState)
        return;
    const std::string text = FormatRangeTitle(m_strTitle, m_pRunState->GetDisplayRange(),
                                              m_pRunState->GetSpectrumStats());
    SetColour(m_clrFore);
    const std::int32_t h = m_nTitleFont / 100;
    const auto n = static_cast<std::int32_t>(m_strTitle.size());
    DrawText(m_nTitleFont, m_ptTitle.x - (h * n) / 4, m_ptTitle.y, text);
}
