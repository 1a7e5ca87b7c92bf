// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/BarsPlot.h"

#include <cmath>

#include "analysis/HistoryBuffers.h"
#include "plots/Primitives.h"
#include "plots/Projection.h"

CSize CBarsPlot::Layout(std::int32_t x, std::int32_t y) {
    LayoutScene(x, y);
    m_nBarRows = m_nRows - 5;
    m_fStepZ =
        m_nBarRows > 0 ? 1.5f * static_cast<float>(m_nCols) / static_cast<float>(m_nBarRows) : 0;
    m_fBarDepth = m_nCols > 0 ? static_cast<float>(m_nRows - 4) / static_cast<float>(m_nCols) : 0;
    return {};
}

void CBarsPlot::Draw() {
    if (!m_pRunState)
        return;
    const double* ring = m_pRunState->GetSurface();
    const SSurfaceGeometry geometry = m_pRunState->GetSurfaceGeometry();
    const std::int32_t rows = geometry.nRows;
    const std::int32_t cols = geometry.nCols;
    g_projection3D.Apply();
    DrawGuides(m_fZTop + kFrontReach);

    if (ring && rows == m_nRows && cols == m_nCols && m_nBarRows > 0) {
        const std::int32_t newest = geometry.nRow - 1 < 0 ? rows - 1 : geometry.nRow - 1;
        const std::int64_t lastRow = static_cast<std::int64_t>(rows - 1) * cols;
        std::int64_t k = static_cast<std::int64_t>(newest) * cols;
        const float y0 = -m_fHalfY;
        float z = m_fZTop;
        m_batch.Clear();
        const CFacing facing = CFacing::FromCurrentMatrices();
        for (std::int32_t r = 0; r < m_nBarRows; ++r) {
            float x = -m_fHalfX;
            for (std::int32_t j = 0; j < cols; ++j) {
                const double m = HistoryLoadDouble(ring + k);
                // Not a number would make a box of undefined corners: flat.
                const float height = std::isfinite(m) ? static_cast<float>(m) * m_fFullY : 0.0f;
                AppendBar3D(m_batch, facing, x, y0, z, kBarWidth, height, m_fBarDepth);
                x += 1.0f;
                ++k;
            }
            z -= m_fStepZ;
            k -= 2 * static_cast<std::int64_t>(cols); // back to the start of the previous row
            if (k < 0)
                k = lastRow;
        }
        // A closed box hides its back faces behind its front ones: culling
        // them halves the pixels to fill, and a back face can no longer win
        // a pixel by depth rounding along an edge it shares with a front one.
        DrawBatch(m_batch, true);
    }

    g_projection2D.Apply();
    DrawRangeTitle();
}
