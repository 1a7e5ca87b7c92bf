#include "plots/SurfacePlot.h"

#include <GL/gl.h>

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
        std::int32_t a = wrap(geometry.nRow - 1); // the newest row
        std::int32_t b = wrap(a - 1);             // the one before it

        const float y0 = -m_fHalfY;
        float z = m_fZTop;
        m_vertices.clear();
        for (std::int32_t r = 0; r < m_nCellRows; ++r) {
            const std::int64_t rowA = static_cast<std::int64_t>(a) * cols;
            const std::int64_t rowB = static_cast<std::int64_t>(b) * cols;
            float x = -m_fHalfX;
            for (std::int32_t j = 0; j < m_nCellCols; ++j) {
                AppendSurfaceCell(m_vertices, x, z, x + m_fStepX, z - m_fStepZ, y0, m_fFullY,
                                  Shown(ring, rowA + j), Shown(ring, rowB + j),
                                  Shown(ring, rowB + j + 1), Shown(ring, rowA + j + 1));
                x += m_fStepX;
            }
            a = wrap(a - 1);
            b = wrap(b - 1);
            z -= m_fStepZ;
        }
        // Seen from below when turned over: both sides show.
        DrawBatch(GL_TRIANGLES, m_vertices, false);
    }

    g_projection2D.Apply();
    DrawRangeTitle();
}
