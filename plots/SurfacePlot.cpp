// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/SurfacePlot.h"

#include "analysis/HistoryBuffers.h"
#include "plots/Primitives.h"
#include "plots/Projection.h"

namespace {

// The surface shows magnitudes 0..1; anything else lies flat at the floor.
double Shown(const double* ring, std::int64_t index) {
    const double m = HistoryLoadDouble(ring + index);
    return m >= 0.0 && m <= 1.0 ? m : 0.0;
}

} // namespace

CSize CSurfacePlot::Layout(std::int32_t x, std::int32_t y) {
    LayoutScene(x, y);
    m_nCellCols = m_nCols - 1;
    m_nCellRows = m_nRows - 5;
    m_fStepX = m_nCellCols > 0 ? static_cast<float>(m_nCols) / static_cast<float>(m_nCellCols) : 0;
    m_fStepZ =
        m_nCellRows > 0 ? 1.5f * static_cast<float>(m_nCols) / static_cast<float>(m_nCellRows) : 0;
    // The cells' corner indexes follow from the layout: Draw makes them once.
    m_batch.Clear();
    return {};
}

void CSurfacePlot::Draw() {
    if (!m_pRunState)
        return;
    const SSurfaceGeometry geometry = m_pRunState->GetSurfaceGeometry();
    const double* ring = m_pRunState->GetSurface();
    const std::int32_t rows = geometry.nRows;
    const std::int32_t cols = geometry.nCols;
    g_projection3D.Apply();
    DrawGuides(m_fZTop);

    // The geometry is fixed for the run; a ring that does not match the
    // layout (none yet) is not read.
    if (ring && rows == m_nRows && cols == m_nCols && m_nCellRows > 0 && m_nCellCols > 0) {
        const auto wrap = [rows](std::int32_t row) { return row < 0 ? rows - 1 : row; };
        // Neighbouring cells share corners (the same floats, stepped alike),
        // so each corner is one vertex: R - 4 rows of D from the newest back.
        m_batch.vertices.clear();
        std::int32_t row = wrap(geometry.nRow - 1); // the newest row
        float z = m_fZTop;
        for (std::int32_t r = 0; r <= m_nCellRows; ++r) {
            const std::int64_t start = static_cast<std::int64_t>(row) * cols;
            float x = -m_fHalfX;
            for (std::int32_t j = 0; j < cols; ++j) {
                m_batch.vertices.push_back(
                    SurfaceVertex(x, z, -m_fHalfY, m_fFullY, Shown(ring, start + j)));
                x += m_fStepX;
            }
            row = wrap(row - 1);
            z -= m_fStepZ;
        }
        const auto corner = [cols](std::int32_t r, std::int32_t j) {
            return static_cast<std::uint32_t>(r * cols + j);
        };
        if (m_batch.indices.empty())
            for (std::int32_t r = 0; r < m_nCellRows; ++r)
                for (std::int32_t j = 0; j < m_nCellCols; ++j)
                    AppendSurfaceCell(m_batch, corner(r, j), corner(r + 1, j), corner(r + 1, j + 1),
                                      corner(r, j + 1));
        // Seen from below when turned over: both sides show.
        DrawBatch(m_batch, false);
    }

    g_projection2D.Apply();
    DrawRangeTitle();
}
